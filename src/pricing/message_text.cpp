#include "pricing/message_text.h"

#include <algorithm>

namespace fapkalk {

namespace {

struct CodeRange {
    char32_t first, last;
};

// Unicode's format characters (general category Cf, Unicode 15) and the line
// and paragraph separators: invisible, or they reorder or break the text
// around them.
constexpr CodeRange kInvisible[] = {
    {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},   {0x06DD, 0x06DD},
    {0x070F, 0x070F},   {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},
    {0x200B, 0x200F},   {0x2028, 0x202E},   {0x2060, 0x2064},   {0x2066, 0x206F},
    {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD}, {0x110CD, 0x110CD},
    {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001},
    {0xE0020, 0xE007F},
};

bool IsInvisible(char32_t c) {
    return std::any_of(std::begin(kInvisible), std::end(kInvisible),
                       [c](const CodeRange& r) { return c >= r.first && c <= r.last; });
}

// The code point of a well-formed sequence of n bytes.
char32_t Decode(std::string_view s, std::size_t n) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    if (n == 1)
        return byte(0);
    char32_t c = byte(0) & (0x7Fu >> n);
    for (std::size_t k = 1; k < n; ++k)
        c = (c << 6) | (byte(k) & 0x3Fu);
    return c;
}

constexpr char kHex[] = "0123456789abcdef";

void AppendHex(std::string& out, char32_t value, int digits) {
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        out += kHex[(value >> shift) & 0xF];
}

} // namespace

std::size_t Utf8Length(std::string_view text) {
    const auto byte = [&](std::size_t k) {
        return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u;
    };
    const auto follows = [&](std::size_t k, unsigned low = 0x80, unsigned high = 0xBF) {
        return byte(k) >= low && byte(k) <= high;
    };
    const unsigned first = byte(0);
    if (first < 0x80)
        return 1;
    if (first >= 0xC2 && first <= 0xDF)
        return follows(1) ? 2 : 0;
    if (first >= 0xE0 && first <= 0xEF)
        return follows(1, first == 0xE0 ? 0xA0 : 0x80, first == 0xED ? 0x9F : 0xBF) && follows(2)
                   ? 3
                   : 0;
    if (first >= 0xF0 && first <= 0xF4)
        return follows(1, first == 0xF0 ? 0x90 : 0x80, first == 0xF4 ? 0x8F : 0xBF) && follows(2) &&
                       follows(3)
                   ? 4
                   : 0;
    return 0;
}

std::string_view FirstCharacter(std::string_view text) {
    return text.substr(0, std::max<std::size_t>(1, Utf8Length(text)));
}

std::size_t AppendEscaped(std::string& out, std::string_view text, std::size_t limit,
                          bool quoteMarks) {
    std::size_t at = 0;
    for (std::size_t shown = 0; at < text.size() && shown < limit; ++shown) {
        const std::size_t length = Utf8Length(text.substr(at));
        const std::string_view character = text.substr(at, std::max<std::size_t>(1, length));
        at += character.size();
        const char32_t c = length == 0 ? 0xFFFD : Decode(character, length);
        // Control characters (U+0080 to U+009F too: a terminal may take
        // U+009B for an escape sequence) and bytes that are no UTF-8.
        if (length == 0 || c < 0x20 || (c >= 0x7F && c < 0xA0)) {
            for (char b : character) {
                out += "\\x";
                AppendHex(out, static_cast<unsigned char>(b), 2);
            }
        } else if (IsInvisible(c)) {
            out += c > 0xFFFF ? "\\U" : "\\u";
            AppendHex(out, c, c > 0xFFFF ? 8 : 4);
        } else {
            if (quoteMarks && (c == '\\' || c == '"'))
                out += '\\';
            out += character;
        }
    }
    return at;
}

std::string EscapedForMessage(std::string_view text) {
    std::string out;
    AppendEscaped(out, text, text.size(), false);
    return out;
}

} // namespace fapkalk
