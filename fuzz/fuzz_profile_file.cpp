// The profile file on arbitrary bytes. Input: section, key and value, each
// ended by a NUL byte, then the file. Reading and writing back unchanged gives
// the same bytes; setting one key changes nothing outside that key's line
// (only new lines are inserted: a blank line, the section, the key, and a line
// end for a last line that had none); reading back gives the written value.
#include "fuzz_check.h"
#include "settings/profile_file.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

// Lines with their line ends; the last one may have none.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::size_t length = end == std::string_view::npos ? text.size() : end + 1;
        lines.push_back(text.substr(0, length));
        text.remove_prefix(length);
    }
    return lines;
}

std::string_view WithoutLineEnd(std::string_view line) {
    if (line.ends_with("\r\n"))
        line.remove_suffix(2);
    else if (line.ends_with("\n"))
        line.remove_suffix(1);
    return line;
}

bool IsWrittenKeyLine(std::string_view line, std::string_view key, std::string_view value) {
    line = WithoutLineEnd(line);
    return line.size() == key.size() + 1 + value.size() &&
           EqualsNoCase(line.substr(0, key.size()), key) && line[key.size()] == '=' &&
           line.substr(key.size() + 1) == value;
}

bool IsAddedLine(std::string_view line, std::string_view section, std::string_view key,
                 std::string_view value) {
    const std::string_view bare = WithoutLineEnd(line);
    return bare.empty() || bare == "[" + std::string(section) + "]" ||
           IsWrittenKeyLine(line, key, value);
}

bool SameOrGainedLineEnd(std::string_view before, std::string_view after, bool last) {
    if (before == after)
        return true;
    return last && !before.ends_with('\n') && after.starts_with(before) &&
           (after.substr(before.size()) == "\n" || after.substr(before.size()) == "\r\n");
}

// The old lines stand in the new text in their order; what lies between them
// is either one replaced key line or inserted lines of the write.
void CheckOnlyKeyLineChanged(std::string_view before, std::string_view after,
                             std::string_view section, std::string_view key,
                             std::string_view value) {
    const std::vector<std::string_view> old = Lines(before);
    const std::vector<std::string_view> now = Lines(after);
    FUZZ_CHECK(now.size() >= old.size());
    std::size_t prefix = 0;
    while (prefix < old.size() &&
           SameOrGainedLineEnd(old[prefix], now[prefix], prefix + 1 == old.size()))
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < old.size() - prefix &&
           old[old.size() - 1 - suffix] == now[now.size() - 1 - suffix])
        ++suffix;
    const std::size_t oldMiddle = old.size() - prefix - suffix;
    const std::size_t newMiddle = now.size() - prefix - suffix;
    if (oldMiddle == 0) {
        // Insertion only (or nothing changed: the same value written again).
        for (std::size_t i = prefix; i < prefix + newMiddle; ++i)
            FUZZ_CHECK(IsAddedLine(now[i], section, key, value));
        return;
    }
    // One key line replaced in place, its line end kept.
    FUZZ_CHECK(oldMiddle == 1 && newMiddle == 1);
    const std::string_view was = old[prefix];
    const std::string_view is = now[prefix];
    FUZZ_CHECK(IsWrittenKeyLine(is, key, value));
    FUZZ_CHECK(is.substr(WithoutLineEnd(is).size()) == was.substr(WithoutLineEnd(was).size()));
}

std::string_view Field(std::string_view& input) {
    const std::size_t end = input.find('\0');
    if (end == std::string_view::npos) {
        const std::string_view all = input;
        input = {};
        return all;
    }
    const std::string_view field = input.substr(0, end);
    input.remove_prefix(end + 1);
    return field;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view section = Field(input);
    const std::string_view key = Field(input);
    const std::string_view value = Field(input);
    const std::string content(input);

    settings::ProfileFile file{content};
    FUZZ_CHECK(file.Text() == content);
    const std::string oldValue = file.ReadString(section, key, "\x01missing");

    if (!file.WriteString(section, key, value)) {
        FUZZ_CHECK(file.Text() == content);
        return 0;
    }
    const std::string written = file.Text();
    CheckOnlyKeyLineChanged(content, written, section, key, value);

    const settings::ProfileFile reread{written};
    FUZZ_CHECK(reread.Text() == written);
    FUZZ_CHECK(reread.Value(section, key) == std::string(Trim(value)));

    // Writing the old value back restores the old reading. A lone CR inside a
    // line is part of the value when read but refused when written.
    if (oldValue != "\x01missing" && oldValue.find_first_of("\r\n") == std::string::npos) {
        settings::ProfileFile back{written};
        FUZZ_CHECK(back.WriteString(section, key, oldValue));
        FUZZ_CHECK(back.Value(section, key) == oldValue);
    }
    return 0;
}
