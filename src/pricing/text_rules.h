// Two small text rules the whole program shares: the one trim, and what counts
// as a text of digits. Header-only, so the Qt helpers in tools can use them too.
#pragma once

#include <cstddef>
#include <string_view>
#include <type_traits>

namespace fapkalk {

namespace detail {

template <class Char>
constexpr std::basic_string_view<Char> TrimLow(std::basic_string_view<Char> text) {
    const auto low = [](Char c) { return static_cast<std::make_unsigned_t<Char>>(c) <= 32; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && low(text[begin]))
        ++begin;
    while (end > begin && low(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

} // namespace detail

// Characters of code 32 or below (blanks and control characters) removed at
// both ends: the program's one trim. In UTF-8 every byte of a character beyond
// ASCII lies above 127, so such characters stay whole; in UTF-16 the same holds
// for every code unit beyond ASCII.
constexpr std::string_view TrimLowCodes(std::string_view text) {
    return detail::TrimLow(text);
}
constexpr std::u16string_view TrimLowCodes(std::u16string_view text) {
    return detail::TrimLow(text);
}

// The ASCII digits 0 to 9, whatever the locale says.
constexpr bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// True for a non-empty text of the digits 0 to 9 only.
constexpr bool IsDigitsOnly(std::string_view text) {
    if (text.empty())
        return false;
    for (char c : text)
        if (!IsDigit(c))
            return false;
    return true;
}

} // namespace fapkalk
