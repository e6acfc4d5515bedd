// Number rules shared by the engine, the window and the command-line tool:
// how a price text is read, the only money roundings, and the one display form.
#pragma once

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
// decimal separator whatever the locale.
std::string FormatPrice(double x);

} // namespace fapkalk
