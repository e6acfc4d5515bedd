#include "settings/profile_file.h"

#include "platform/file_writer.h"
#include "platform/system_error_text.h"
#include "tools/process_hook.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace settings {
namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// A name we write must read back as the same name.
bool IsWritableName(std::string_view name, std::string_view forbidden) {
    if (name.empty() || Trim(name).size() != name.size() || HasLineBreak(name))
        return false;
    return name.find_first_of(forbidden) == std::string_view::npos;
}

FileResult Failure(int error) {
    return {false, fapkalk::SystemErrorText(error), error};
}

constexpr const char* kLargerThanCap = "ist größer als 1 MB";

FileResult TooLarge(const char* what) {
    return {false, what, EFBIG, true};
}

} // namespace

std::optional<int> ParseProfileInteger(std::string_view text) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return std::nullopt;
    // Accumulate in 64 bits and stop as soon as the magnitude leaves the 32-bit
    // range, so no digit string can overflow.
    constexpr std::int64_t kLimit = std::int64_t{INT_MAX} + 1;
    std::int64_t magnitude = 0;
    for (char c : text) {
        const int digit = DigitValue(c);
        if (digit >= base)
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > kLimit)
            return std::nullopt;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > INT_MAX || value < INT_MIN)
        return std::nullopt;
    return static_cast<int>(value);
}

std::vector<std::string_view> SplitWords(std::string_view text) {
    std::vector<std::string_view> words;
    constexpr std::string_view kSeparators = ", \t";
    std::size_t pos = 0;
    while (true) {
        const std::size_t begin = text.find_first_not_of(kSeparators, pos);
        if (begin == std::string_view::npos)
            break;
        std::size_t end = text.find_first_of(kSeparators, begin);
        if (end == std::string_view::npos)
            end = text.size();
        words.push_back(text.substr(begin, end - begin));
        pos = end;
    }
    return words;
}

int WordAsInteger(std::string_view text, std::size_t index, int fallback) {
    const std::vector<std::string_view> words = SplitWords(text);
    if (index >= words.size())
        return fallback;
    return ParseProfileInteger(words[index]).value_or(fallback);
}

ProfileFile::ProfileFile(std::string content) {
    std::string_view rest(content);
    while (!rest.empty()) {
        Line line;
        const std::size_t newline = rest.find('\n');
        if (newline == std::string_view::npos) {
            line.text.assign(rest);
            rest = {};
        } else {
            std::size_t length = newline;
            if (length > 0 && rest[length - 1] == '\r') {
                --length;
                line.eol = "\r\n";
            } else {
                line.eol = "\n";
            }
            line.text.assign(rest.substr(0, length));
            rest.remove_prefix(newline + 1);
        }
        Classify(line, lines_.empty());
        lines_.push_back(std::move(line));
    }
}

void ProfileFile::Classify(Line& line, bool firstLine) {
    line.kind = Kind::Other;
    std::string_view text(line.text);
    std::size_t start = 0;
    if (firstLine && text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        start = kByteOrderMark.size();
    start = text.find_first_not_of(kBlanks, start);
    if (start == std::string_view::npos)
        return;
    const char first = text[start];
    if (first == ';' || first == '#')
        return;
    if (first == '[') {
        const std::size_t close = text.find(']', start + 1);
        if (close == std::string_view::npos)
            return;
        const std::string_view raw = text.substr(start + 1, close - start - 1);
        const std::string_view name = Trim(raw);
        line.kind = Kind::Section;
        line.nameBegin =
            name.empty() ? start + 1 : static_cast<std::size_t>(name.data() - text.data());
        line.nameLength = name.size();
        return;
    }
    const std::size_t equals = text.find('=', start);
    if (equals == std::string_view::npos)
        return;
    const std::string_view key = Trim(text.substr(start, equals - start));
    if (key.empty())
        return;
    const std::string_view value = Trim(text.substr(equals + 1));
    line.kind = Kind::Key;
    line.nameBegin = static_cast<std::size_t>(key.data() - text.data());
    line.nameLength = key.size();
    line.valueBegin =
        value.empty() ? equals + 1 : static_cast<std::size_t>(value.data() - text.data());
    line.valueLength = value.size();
}

std::ptrdiff_t ProfileFile::FindKey(std::string_view section, std::string_view key) const {
    bool inside = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind == Kind::Section) {
            if (inside)
                return -1; // only the first section of that name counts
            inside = EqualsNoCase(NameOf(line), section);
        } else if (inside && line.kind == Kind::Key && EqualsNoCase(NameOf(line), key)) {
            return static_cast<std::ptrdiff_t>(i);
        }
    }
    return -1;
}

std::optional<std::string> ProfileFile::Value(std::string_view section,
                                              std::string_view key) const {
    const std::ptrdiff_t index = FindKey(section, key);
    if (index < 0)
        return std::nullopt;
    return std::string(ValueOf(lines_[static_cast<std::size_t>(index)]));
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
    if (auto value = Value(section, key))
        return *value;
    return std::string(fallback);
}

int ProfileFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
    const std::ptrdiff_t index = FindKey(section, key);
    if (index < 0)
        return fallback;
    return ParseProfileInteger(ValueOf(lines_[static_cast<std::size_t>(index)])).value_or(fallback);
}

std::string ProfileFile::NewLineEnd() const {
    for (const Line& line : lines_)
        if (!line.eol.empty())
            return line.eol;
    return "\n";
}

void ProfileFile::AppendLine(std::string text) {
    if (!lines_.empty() && lines_.back().eol.empty())
        lines_.back().eol = NewLineEnd();
    Line line;
    line.text = std::move(text);
    line.eol = NewLineEnd();
    Classify(line, lines_.empty());
    lines_.push_back(std::move(line));
}

bool ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
    if (!IsWritableName(section, "]") || !IsWritableName(key, "=") || key.front() == ';' ||
        key.front() == '#' || key.front() == '[' || HasLineBreak(value))
        return false;

    std::string text;
    text.reserve(key.size() + 1 + value.size());

    if (const std::ptrdiff_t index = FindKey(section, key); index >= 0) {
        Line& line = lines_[static_cast<std::size_t>(index)];
        // Keep the file's own spelling of the key; only this line changes.
        text.append(NameOf(line)).append("=").append(value);
        line.text = std::move(text);
        Classify(line, index == 0);
        return true;
    }
    text.append(key).append("=").append(value);

    // Find the first section of that name and its last key line.
    std::ptrdiff_t header = -1;
    std::ptrdiff_t lastKey = -1;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind == Kind::Section) {
            if (header >= 0)
                break;
            if (EqualsNoCase(NameOf(line), section))
                header = static_cast<std::ptrdiff_t>(i);
        } else if (header >= 0 && line.kind == Kind::Key) {
            lastKey = static_cast<std::ptrdiff_t>(i);
        }
    }

    if (header < 0) {
        if (!lines_.empty() && !Trim(lines_.back().text).empty())
            AppendLine(std::string());
        AppendLine("[" + std::string(section) + "]");
        AppendLine(std::move(text));
        return true;
    }

    const std::size_t after = static_cast<std::size_t>(lastKey >= 0 ? lastKey : header);
    Line line;
    line.text = std::move(text);
    line.eol = NewLineEnd();
    if (lines_[after].eol.empty())
        lines_[after].eol = line.eol; // it was the last line of the file
    Classify(line, false);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(after) + 1, std::move(line));
    return true;
}

bool ProfileFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    return WriteString(section, key, std::to_string(value));
}

std::string ProfileFile::Text() const {
    std::size_t size = 0;
    for (const Line& line : lines_)
        size += line.text.size() + line.eol.size();
    std::string out;
    out.reserve(size);
    for (const Line& line : lines_)
        out.append(line.text).append(line.eol);
    return out;
}

FileResult LoadProfileFile(const std::string& path, ProfileFile& out) {
    // Read where a save would write: a link another user planted is not
    // followed for reading either.
    const fapkalk::LinkResolution resolved = fapkalk::ResolveLinks(path);
    if (resolved.refusal != nullptr)
        return {false, resolved.refusal, resolved.error};
    // Non-blocking, so a FIFO in its place cannot stall the program.
    const int fd = ::open(resolved.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) {
        const int error = errno;
        // Nothing there (or a folder on the way that is a file): an empty profile.
        if (error == ENOENT || error == ENOTDIR) {
            out = ProfileFile();
            return {true, {}};
        }
        return Failure(error);
    }
    FileResult result{true, {}};
    std::string content;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        result = Failure(errno);
    } else if (S_ISDIR(info.st_mode)) {
        result = Failure(EISDIR);
    } else if (!S_ISREG(info.st_mode)) {
        result = Failure(EINVAL);
    } else if (info.st_size > 0 &&
               static_cast<std::uintmax_t>(info.st_size) > kMaxProfileFileSize) {
        result = TooLarge(kLargerThanCap);
    } else {
        char buffer[65536];
        while (true) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                result = Failure(errno);
                break;
            }
            if (got == 0)
                break;
            content.append(buffer, static_cast<std::size_t>(got));
            if (content.size() > kMaxProfileFileSize) {
                result = TooLarge(kLargerThanCap);
                break;
            }
        }
    }
    ::close(fd);
    if (result.ok)
        out = ProfileFile(std::move(content));
    return result;
}

FileResult WriteFileAtomically(const std::string& path, std::string_view content) {
    // The same writer as the export: a temporary file beside the target, synced
    // and renamed over it, so a crash or a kill never leaves a half file, and a
    // temporary file a killed program left is removed by the next save.
    fapkalk::SafeFileWriter writer(path);
    if (writer.Open() && writer.Append(content) && writer.Commit())
        return {true, {}};
    return {false, writer.error(), writer.errorCode() != 0 ? writer.errorCode() : EIO};
}

namespace {
using ProfileWriterHook = tools::ProcessHook<ProfileWriter, struct ProfileWriterHookTag>;
} // namespace

ProfileWriter SetProfileWriter(ProfileWriter writer) {
    return ProfileWriterHook::Replace(std::move(writer));
}

FileResult SaveProfileFile(const std::string& path, const ProfileFile& file) {
    const std::string text = file.Text();
    // Never saved larger than the reader takes: it would lock itself out.
    if (text.size() > kMaxProfileFileSize)
        return TooLarge("würde mit der Fensterposition größer als 1 MB");
    if (const ProfileWriter& writer = ProfileWriterHook::Get())
        return writer(path, text);
    return WriteFileAtomically(path, text);
}

} // namespace settings
