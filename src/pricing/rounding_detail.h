// Inline forms of the money roundings for the engine's hot path, and the two
// ways the display text is produced (a fast exact one and a plain reference one
// the tests hold it against). Not part of the public interface.
#pragma once

#include "pricing/numbers.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

namespace fapkalk {
namespace detail {

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

inline double RoundFiveCentsInline(double x) {
    const double a = RoundScaled(x - 0.025000000000001, 10.0);
    const double b = RoundScaled(x + 0.025000000000001, 10.0);
    return RoundCentsInline(a == b ? a : a + 0.0500000000001);
}

// a * b, where a product that overflows to infinity from finite operands is
// an overflow error rather than an infinity passed on.
inline double CheckedProduct(double a, double b) {
    const double p = a * b;
    if (std::isinf(p) && std::isfinite(a) && std::isfinite(b)) [[unlikely]]
        ThrowFloatError(FloatError::Kind::Overflow);
    return p;
}

// |v| in millionths, rounded as the six-decimal text below rounds it; false
// when |v| >= 1e12 or v is NaN.
bool SixDecimalUnits(double v, std::uint64_t& units);

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

// FormatPrice by its rules alone, also for amounts that do not fit (cut) and
// for NaN and infinities (the word right-aligned).
std::string FormatPriceGeneral(double x);

} // namespace detail
} // namespace fapkalk
