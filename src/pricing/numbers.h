// Number rules shared by the engine, the window and the command-line tool:
// how a price text is read, the only money roundings, and the one display form.
#pragma once

#include "pricing/exact_fp.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace fapkalk {

// A floating-point error the program does not mask. what() carries the German
// text the general error handler shows ("Ungültige Gleitkommaoperation",
// "Gleitkommaüberlauf"), UTF-8 encoded.
class FloatError : public std::runtime_error {
public:
    enum class Kind { InvalidOperation, Overflow };
    explicit FloatError(Kind kind);
    Kind kind() const noexcept { return kind_; }

private:
    Kind kind_;
};

inline constexpr const char* kInvalidOperationText = "Ungültige Gleitkommaoperation";
inline constexpr const char* kOverflowText = "Gleitkommaüberlauf";

// Reads a typed price; never refuses a text (malformed text yields the digits
// read so far as a whole number). Throws FloatError(Overflow) for a value
// beyond the double range.
double ParsePrice(std::string_view text);

// Half-up to n decimals with the tariff's tolerance. Throws
// FloatError(InvalidOperation) when x * 10^n lies outside the int64 range or is NaN,
// FloatError(Overflow) when x * 10^n overflows.
double RoundDecimals(double x, int n);
double RoundCents(double x);
double RoundFiveCents(double x);

// The display text of a price: exactly 10 characters, right-aligned, point as
// decimal separator whatever the locale. Amounts that do not fit (ShownPriceOf
// gives none) are cut as the number rules describe; callers that must not
// show a cut number check ShownPriceOf first.
std::string FormatPrice(double x);

// What the display text of an amount shows, as numbers: its sign and the
// digits without the point, i.e. the cents of the six-decimal text cut after
// two decimals ("   -12.34" is 1234 and negative). Only amounts that fit
// have one: cents below 10^9.
struct ShownPrice {
    std::uint64_t cents = 0;
    bool negative = false;
    friend bool operator==(const ShownPrice&, const ShownPrice&) = default;
};

inline constexpr std::size_t kShownTextSize = 10;

// nullopt when the amount does not fit the display text: 10,000,000 or more,
// -1,000,000 or less (rounded to the text's six decimals), or not finite.
// Those texts would lose digits.
std::optional<ShownPrice> ShownPriceOf(double x);

// The display text of an amount that fits: exactly kShownTextSize characters.
void WriteShownText(char* out, ShownPrice shown);

namespace detail {

// "00" to "99": two digits a step.
inline constexpr std::array<char, 200> kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (std::size_t i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

inline char* WritePairBackwards(char* end, std::uint32_t twoDigits) {
    end -= 2;
    std::memcpy(end, &kDigitPairs[2 * twoDigits], 2);
    return end;
}

} // namespace detail

// Writes the shown amount so that it ends at end: a '-' when negative, the
// euros, the separator (none when 0), two digits of cents; at most 11
// characters. Returns where it begins. Inline: a range writes four a row.
inline char* WriteShownBackwards(char* end, ShownPrice shown, char separator) {
    // Below 10^9: 32-bit divisions are the shorter ones.
    const auto cents = static_cast<std::uint32_t>(shown.cents);
    char* p = detail::WritePairBackwards(end, cents % 100);
    if (separator != 0)
        *--p = separator;
    std::uint32_t euros = cents / 100;
    while (euros >= 100) {
        p = detail::WritePairBackwards(p, euros % 100);
        euros /= 100;
    }
    if (euros >= 10)
        p = detail::WritePairBackwards(p, euros);
    else
        *--p = static_cast<char>('0' + euros);
    if (shown.negative)
        *--p = '-';
    return p;
}

// How many characters WriteShownBackwards writes.
inline std::size_t ShownLength(ShownPrice shown, char separator) {
    std::size_t digits = 3;
    for (std::uint32_t bound = 1000; bound <= shown.cents && digits < 9; bound *= 10)
        ++digits;
    return digits + (separator != 0 ? 1 : 0) + (shown.negative ? 1 : 0);
}

// WriteShownBackwards from the front: the text starts at out; returns its end.
inline char* WriteShownForwards(char* out, ShownPrice shown, char separator) {
    char* end = out + ShownLength(shown, separator);
    WriteShownBackwards(end, shown, separator);
    return end;
}

} // namespace fapkalk
