// Number rules shared by the engine, the window and the command-line tool:
// how a price text is read, the only money roundings, and the one display form.
#pragma once

#include <cstddef>
#include <cstdint>
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

// Writes the shown amount so that it ends at end: a '-' when negative, the
// euros, the separator (none when 0), two digits of cents; at most 11
// characters. Returns where it begins.
char* WriteShownBackwards(char* end, ShownPrice shown, char separator);

// How many characters WriteShownBackwards writes.
std::size_t ShownLength(ShownPrice shown, char separator);

} // namespace fapkalk
