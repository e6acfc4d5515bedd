// Inline forms of the money roundings for the engine's hot path, and the two
// ways the display text is produced (a fast exact one and a plain reference one
// the tests hold it against). Not part of the public interface.
#pragma once

#include "pricing/numbers.h"

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

namespace fapkalk::detail {

// Cold paths: kept out of line so the inline roundings stay small.
[[noreturn]] void ThrowFloatError(FloatError::Kind kind);
// Decides why x * m left the int64 range: an overflow to infinity from finite
// operands, or an invalid operation (NaN, infinity, or merely too large).
[[noreturn]] void ThrowRoundingError(double x, double m);

inline constexpr double kTwoPow63 = 9223372036854775808.0;

// x * m (m = 10^n), then the two tolerance additions as separate steps, then
// truncation to int64 and the division back. The range check comes before the
// conversion, so no out-of-range double is ever converted.
inline std::int64_t ScaledUnits(double x, double m) {
    double t = x * m;
    t = t + 0.50000000001;
    t = t + 0.00001;
    if (!(std::fabs(t) < kTwoPow63)) [[unlikely]]
        ThrowRoundingError(x, m);
    return static_cast<std::int64_t>(t);
}

inline double RoundScaled(double x, double m) {
    return static_cast<double>(ScaledUnits(x, m)) / m;
}

inline double RoundCentsInline(double x) {
    return RoundScaled(x, 100.0);
}

// A cent rounding that also hands back the whole number of cents.
struct CentAmount {
    double value;
    std::int64_t cents;
};

inline CentAmount RoundCentsCounted(double x) {
    const std::int64_t cents = ScaledUnits(x, 100.0);
    return {static_cast<double>(cents) / 100.0, cents};
}

inline double RoundFiveCentsInline(double x) {
    const double below = x - 0.025000000000001;
    const double above = x + 0.025000000000001;
    const double a = RoundScaled(below, 10.0);
    const double b = RoundScaled(above, 10.0);
    // a + 0 is a itself (up to the sign of a zero, which the rounding drops),
    // so the choice is an addend picked by a bit mask: a branch on the cent
    // digit would be mispredicted half of the time.
    const std::uint64_t keep = std::uint64_t{0} - static_cast<std::uint64_t>(a != b);
    const double addend =
        std::bit_cast<double>(std::bit_cast<std::uint64_t>(0.0500000000001) & keep);
    return RoundCentsInline(a + addend);
}

// On an amount on whole cents, RoundFiveCents follows the cent digit: 0 to 2
// go down to the tenth, 3 to 7 to the tenth plus five cents, 8 and 9 up to the
// next tenth. In cents that is one integer step and one division instead of
// three roundings. The tests check it against RoundFiveCents for every cent
// amount below the limit, and for every such amount plus the 0.55 surcharge
// added as a double; outside that range the engine takes RoundFiveCents.
inline constexpr std::int64_t kFiveCentsByDigitLimit = std::int64_t{1} << 24;

// The narcotic surcharge NarcoticSurcharge (0.55 €) in cents.
inline constexpr std::int64_t kNarcoticSurchargeCents = 55;

inline bool FiveCentsByDigitApplies(std::int64_t cents) {
    return cents >= 0 && cents < kFiveCentsByDigitLimit;
}

// The digit rule is a half-up rounding to fives: digit 2 (+2.5) stays below
// the next five, digit 3 reaches it. (2 * cents + 5) / 10 counts the fives,
// and fives / 20 is the same double as (5 * fives) / 100.
inline double FiveCentsByDigit(std::int64_t cents) {
    const std::int64_t fives = (cents * 2 + 5) / 10;
    return static_cast<double>(fives) / 20.0;
}

// The AVP's 15 % raise, RoundCents(net * 1.15), on a net amount on whole cents:
// net * 1.15 in cents is a multiple of 0.05 cents, so the tolerance never
// matters and the rounding is plain half up, (23 * cents + 10) / 20. Checked
// against the double steps for every cent amount below the limit.
inline bool SurchargeByCentsApplies(std::int64_t cents) {
    return cents >= 0 && cents < kFiveCentsByDigitLimit;
}

inline double SurchargeByCents(std::int64_t cents) {
    return static_cast<double>((cents * 23 + 10) / 20) / 100.0;
}

// a * b, where a product that overflows to infinity from finite operands is
// an overflow error rather than an infinity passed on.
inline double CheckedProduct(double a, double b) {
    const double p = a * b;
    if (std::isinf(p) && std::isfinite(a) && std::isfinite(b)) [[unlikely]]
        ThrowFloatError(FloatError::Kind::Overflow);
    return p;
}

// Writes v in fixed-point notation with six decimals (sign, integer digits, a
// point, six decimals; the sixth decimal rounded half up on v's decimal
// expansion taken to 18 significant digits, which is itself rounded half up on
// the exact binary value). Exact integer arithmetic, covers 1e-8 <= |v| < 1e12
// and tiny magnitudes; returns the length written (at most 21 characters), or
// 0 when v lies outside that range and the reference must be used.
std::size_t WriteSixDecimalsFast(double v, char* out);

// The same text by the book: the full decimal expansion of v, rounded by hand.
// Handles every finite v; NaN and infinities give "NAN", "INF" and "-INF".
std::string SixDecimalsReference(double v);

// FormatPrice without its shortcut for amounts on whole cents: the tests hold
// the two against each other.
std::string FormatPriceGeneral(double x);

} // namespace fapkalk::detail
