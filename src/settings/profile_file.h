// A small INI ("profile") file that keeps every byte it does not change.
//
// Qt-free on purpose: plain bytes in, plain bytes out, so the parser can be
// fed anything (a damaged file, NUL bytes, a 10 MB line) and fuzzed alone.
//
// Reading rules:
//   - a line whose first non-blank character is "[" and which holds a "]"
//     opens a section; the name is the text between them, blanks removed;
//   - a line that holds "=" and does not start with ";", "#" or "[" is a key
//     line of the section above it; key and value are trimmed of blanks;
//   - every other line (comments, blank lines, odd text) is kept and ignored;
//   - section and key names are matched without regard to the case of the
//     letters A to Z; when a name occurs twice, the first occurrence counts;
//   - a UTF-8 byte-order mark at the start of the file is skipped (and kept).
// Writing rules:
//   - a key written again is replaced where it stands: only its own line
//     becomes "Key=Value" (the file's spelling of the key is kept);
//   - a new key is appended to its section after the section's last key
//     line (so comments or blank lines that close a section stay below it);
//   - a new section is appended at the end of the file, after one blank line
//     when the file does not already end with one;
//   - new lines take the line end of the file's first line (CR LF or LF; LF
//     for a new file).
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace settings {

// An integer as the profile file reads it: optional sign, then decimal digits
// or "0x"/"0X" and hexadecimal digits, blanks around allowed, nothing else.
// Empty, unreadable or outside the 32-bit range gives nullopt.
std::optional<int> ParseProfileInteger(std::string_view text);

// Splits a value into words at runs of commas and blanks (space, tab).
std::vector<std::string_view> SplitWords(std::string_view text);

// Word `index` (0-based) of `text` read as an integer, or `fallback` when the
// word is missing or unreadable.
int WordAsInteger(std::string_view text, std::size_t index, int fallback);

class ProfileFile {
public:
    ProfileFile() = default;
    explicit ProfileFile(std::string content);

    // The value of a key, trimmed; nullopt when the section or key is missing.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    // The value, or `fallback` when the key is missing.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback = {}) const;
    // The value read by ParseProfileInteger, or `fallback` when the key is
    // missing, empty, unreadable or out of range.
    int ReadInteger(std::string_view section, std::string_view key, int fallback) const;

    // Sets one key (see the writing rules above). A section or key name that
    // could not be read back (empty, or holding "=", "]", a line break) is
    // refused with false and nothing changes.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInteger(std::string_view section, std::string_view key, int value);

    // The whole file as it would be written.
    std::string Text() const;
    bool Empty() const { return lines_.empty(); }

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        std::string text;
        std::string eol; // "\r\n", "\n" or "" (last line without a line end)
        Kind kind = Kind::Other;
        // Name of the section (Section) or the key (Key), trimmed; a view into text.
        std::size_t nameBegin = 0, nameLength = 0;
        // Value of a key line, trimmed; a view into text.
        std::size_t valueBegin = 0, valueLength = 0;
    };

    static void Classify(Line& line, bool firstLine);
    std::string_view NameOf(const Line& line) const {
        return std::string_view(line.text).substr(line.nameBegin, line.nameLength);
    }
    std::string_view ValueOf(const Line& line) const {
        return std::string_view(line.text).substr(line.valueBegin, line.valueLength);
    }
    // Index of the first key line of `key` in the first section `section`, or -1.
    std::ptrdiff_t FindKey(std::string_view section, std::string_view key) const;
    std::string NewLineEnd() const;
    void AppendLine(std::string text);

    std::vector<Line> lines_;
};

// Loading and saving a profile file on disk.
struct FileResult {
    bool ok = false;
    std::string error;      // why, in German, when ok is false
    int code = 0;           // and its error number
    bool oversized = false; // the file is, or would become, larger than kMaxProfileFileSize
};

// A settings file of a few hundred bytes has room to grow here; anything
// larger is no settings file of ours and is neither read nor replaced.
inline constexpr std::size_t kMaxProfileFileSize = 1024u * 1024u;

// Reads the whole file, through symbolic links only where a save may follow
// them (fapkalk::ResolveLinks). A missing file is an empty profile and no
// error; a file that exists but cannot be read (or is larger than
// kMaxProfileFileSize, or lies behind a link that is refused) is.
FileResult LoadProfileFile(const std::string& path, ProfileFile& out);

// Replaces the file in one step: the bytes go to a new file beside it, which is
// flushed to disk and then renamed over the old one. On any failure the old file
// is untouched and no temporary file is left behind. An existing file's access
// mode is carried over; a symbolic link is followed, not replaced (where the
// writer may follow it, see fapkalk::SafeFileWriter). A file the user may not
// write is refused, although its folder would allow the rename.
FileResult WriteFileAtomically(const std::string& path, std::string_view content);

// Seam for tests: replaces WriteFileAtomically for SaveProfileFile. An empty
// function restores the real writer. Returns the previous one.
using ProfileWriter = std::function<FileResult(const std::string& path, std::string_view content)>;
ProfileWriter SetProfileWriter(ProfileWriter writer);

// Refuses (oversized) a text larger than kMaxProfileFileSize, which no load
// would read again.
FileResult SaveProfileFile(const std::string& path, const ProfileFile& file);

} // namespace settings
