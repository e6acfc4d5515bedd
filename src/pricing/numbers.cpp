#include "pricing/numbers.h"

#include "pricing/rounding_detail.h"
#include "pricing/text_rules.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

namespace fapkalk {

FloatError::FloatError(Kind kind)
    : std::runtime_error(kind == Kind::InvalidOperation ? kInvalidOperationText : kOverflowText),
      kind_(kind) {}

namespace detail {

void ThrowFloatError(FloatError::Kind kind) {
    throw FloatError(kind);
}

void ThrowRoundingError(double x, double m) {
    if (std::isfinite(x) && std::isinf(x * m))
        throw FloatError(FloatError::Kind::Overflow);
    throw FloatError(FloatError::Kind::InvalidOperation);
}

} // namespace detail

// ---------------------------------------------------------------------------
// Reading a price

namespace {

// The digits of a number as they are read: significant digits (leading zeros
// dropped) up to a cap, and how many later digits were dropped. 800 digits are
// more than any double needs to be rounded correctly; a dropped non-zero digit
// is remembered as a trailing 1 so the rounding direction stays right.
class DigitCollector {
public:
    void Add(char digit) {
        if (count_ == 0 && digit == '0')
            return;
        if (count_ < kCap) {
            if (count_ < kExactDigits)
                leading_ = leading_ * 10 + static_cast<std::uint64_t>(digit - '0');
            digits_[count_++] = digit;
            return;
        }
        ++dropped_;
        if (digit != '0')
            sticky_ = true;
    }

    // The value digits * 10^exponent10, correctly rounded to double.
    double Value(std::int64_t exponent10) {
        if (count_ == 0)
            return 0.0;
        // A typed price: an integer below 2^53 and a power of ten up to 10^22
        // are both exact, so one multiplication or division rounds correctly.
        if (count_ <= kExactDigits && leading_ < (std::uint64_t{1} << 53) && dropped_ == 0 &&
            exponent10 >= -22 && exponent10 <= 22) {
            const double whole = static_cast<double>(leading_);
            return exponent10 >= 0 ? whole * kExactPowers[static_cast<std::size_t>(exponent10)]
                                   : whole / kExactPowers[static_cast<std::size_t>(-exponent10)];
        }
        if (sticky_) {
            // Replace the last kept digit's successor by a non-zero marker:
            // the value then lies strictly between the same two doubles.
            digits_[count_++] = '1';
            --dropped_;
        }
        const std::int64_t scale = exponent10 + dropped_;
        // Position of the leading digit: value in [10^lead, 10^(lead+1)).
        const std::int64_t lead = static_cast<std::int64_t>(count_) - 1 + scale;
        if (lead > 309)
            detail::ThrowFloatError(FloatError::Kind::Overflow);
        if (lead < -400)
            return 0.0;
        char* end = digits_.data() + count_;
        *end++ = 'e';
        end = std::to_chars(end, digits_.data() + digits_.size(), scale).ptr;
        double value = 0.0;
        const auto result = std::from_chars(digits_.data(), end, value);
        if (result.ec == std::errc::result_out_of_range) {
            if (lead > 0)
                detail::ThrowFloatError(FloatError::Kind::Overflow);
            return 0.0;
        }
        return value;
    }

private:
    static constexpr std::size_t kCap = 800;
    static constexpr std::size_t kExactDigits = 19;
    static constexpr std::array<double, 23> kExactPowers = {
        1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22,
    };
    // Room for the cap, the marker digit and "e-" with a 20-digit exponent.
    // Only the part written is ever read.
    std::array<char, kCap + 32> digits_;
    std::uint64_t leading_ = 0; // the first kExactDigits digits as a number
    std::size_t count_ = 0;
    std::int64_t dropped_ = 0;
    bool sticky_ = false;
};

} // namespace

double ParsePrice(std::string_view text) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == n)
        return 0.0;

    DigitCollector digits;
    std::int64_t fractionDigits = 0;
    std::int64_t exponent = 0;
    bool exponentNegative = false;
    bool wellFormed = false;

    while (i < n && IsDigit(text[i]))
        digits.Add(text[i++]);
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && IsDigit(text[i])) {
            digits.Add(text[i++]);
            ++fractionDigits;
        }
    }
    if (i == n) {
        wellFormed = true;
    } else if (text[i] == 'e' || text[i] == 'E') {
        std::size_t j = i + 1;
        if (j < n && (text[j] == '-' || text[j] == '+')) {
            exponentNegative = text[j] == '-';
            ++j;
        }
        const std::size_t firstExponentDigit = j;
        // Saturate: beyond a billion the value is zero or out of range anyway,
        // and the sum with the fraction digit count must not overflow.
        constexpr std::int64_t kExponentCap = 1'000'000'000;
        while (j < n && IsDigit(text[j])) {
            exponent = std::min(exponent * 10 + (text[j] - '0'), kExponentCap);
            ++j;
        }
        wellFormed = j == n && j > firstExponentDigit;
    }

    if (!wellFormed) {
        // Reading stopped early: the digits so far as a whole number, unsigned.
        return digits.Value(0);
    }
    const std::int64_t scale = (exponentNegative ? -exponent : exponent) - fractionDigits;
    const double value = digits.Value(scale);
    return negative ? -value : value;
}

// ---------------------------------------------------------------------------
// Roundings

namespace {

constexpr std::array<double, 19> kPowersOfTen = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,
    1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18,
};

} // namespace

double RoundDecimals(double x, int n) {
    if (n < 0 || n >= static_cast<int>(kPowersOfTen.size()))
        throw std::invalid_argument("RoundDecimals: number of decimals out of range");
    return detail::RoundScaled(x, kPowersOfTen[static_cast<std::size_t>(n)]);
}

double RoundCents(double x) {
    return detail::RoundCentsInline(x);
}

double RoundFiveCents(double x) {
    return detail::RoundFiveCentsInline(x);
}

// ---------------------------------------------------------------------------
// Display text

namespace detail {

namespace {

__extension__ typedef unsigned __int128 UInt128;

constexpr std::array<std::uint64_t, 28> MakePowers(std::uint64_t base) {
    std::array<std::uint64_t, 28> p{};
    std::uint64_t v = 1;
    for (std::size_t i = 0; i < p.size(); ++i) {
        p[i] = v;
        v = (i + 1 < 20 || base == 5) ? v * base : 0;
    }
    return p;
}

constexpr auto kPow5 = MakePowers(5);   // 5^0 .. 5^27, all below 2^64
constexpr auto kPow10 = MakePowers(10); // 10^0 .. 10^19 (later entries unused)

constexpr std::uint64_t k1e18 = 1'000'000'000'000'000'000ULL;

// floor(a * 10^q) and whether the rest is at least one half, for a = m * 2^e2
// with the shift known to lie between 1 and 127 bits.
struct Scaled {
    std::uint64_t whole;
    bool halfOrMore;
};

Scaled ScaleExact(std::uint64_t mantissa, int e2, int q) {
    const UInt128 product = static_cast<UInt128>(mantissa) * kPow5[static_cast<std::size_t>(q)];
    const int shift = -(e2 + q);
    const UInt128 whole = product >> shift;
    const UInt128 rest = product & ((static_cast<UInt128>(1) << shift) - 1);
    return {static_cast<std::uint64_t>(whole), rest >= (static_cast<UInt128>(1) << (shift - 1))};
}

// Writes an unsigned integer; returns the end.
char* WriteUnsigned(char* out, std::uint64_t value) {
    char tmp[20];
    int len = 0;
    do {
        tmp[len++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (len > 0)
        *out++ = tmp[--len];
    return out;
}

} // namespace

bool SixDecimalUnits(double v, std::uint64_t& units) {
    const double a = std::fabs(v);
    if (!(a < 1e12))
        return false; // large, infinite or NaN: the reference handles them
    units = 0;
    if (a < 1e-8)
        return true;
    // a is a normal double: a = mantissa * 2^e2.
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(a);
    const int biased = static_cast<int>(bits >> 52);
    const std::uint64_t mantissa =
        (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    const int e2 = biased - 1075;
    // floor(log10(2^binaryExponent)); the decimal exponent of a is this or one more.
    const int decimalExponent = ((biased - 1023) * 1233) >> 12;
    int q = 17 - decimalExponent; // a * 10^q should have 18 integer digits
    Scaled s = ScaleExact(mantissa, e2, q);
    if (s.whole >= k1e18) {
        --q;
        s = ScaleExact(mantissa, e2, q);
    }
    // 18 significant digits, half up on the exact value (may reach 10^18).
    const std::uint64_t digits18 = s.whole + (s.halfOrMore ? 1 : 0);
    // Then half up at the sixth decimal, on those 18 digits only.
    const int drop = q - 6; // 0 .. 19
    const std::uint64_t divisor = kPow10[static_cast<std::size_t>(drop)];
    units = digits18 / divisor;
    if ((digits18 % divisor) * 2 >= divisor)
        ++units;
    return true;
}

std::size_t WriteSixDecimalsFast(double v, char* out) {
    std::uint64_t units = 0;
    if (!SixDecimalUnits(v, units))
        return 0;
    char* p = out;
    if (v < 0)
        *p++ = '-';
    p = WriteUnsigned(p, units / 1'000'000);
    *p++ = '.';
    std::uint64_t fraction = units % 1'000'000;
    for (int i = 5; i >= 0; --i) {
        p[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    p += 6;
    return static_cast<std::size_t>(p - out);
}

std::string SixDecimalsReference(double v) {
    if (std::isnan(v))
        return "NAN";
    if (std::isinf(v))
        return v < 0 ? "-INF" : "INF";

    // The exact decimal expansion: no double has more than 767 significant digits.
    std::string digits = "0";
    int exponent = 0; // value of the first digit: 10^exponent
    if (v != 0) {
        char buf[900];
        const auto res =
            std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 780);
        const std::string text(buf, res.ptr);
        const std::size_t e = text.find('e');
        digits = text.substr(0, 1) + text.substr(2, e - 2);
        exponent = std::stoi(text.substr(e + 1));
    }

    // 18 significant digits, rounded half up.
    if (digits.size() > 18) {
        const bool up = digits[18] >= '5';
        digits.resize(18);
        if (up) {
            int i = 17;
            while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9')
                digits[static_cast<std::size_t>(i--)] = '0';
            if (i < 0) {
                digits.insert(digits.begin(), '1');
                digits.pop_back();
                ++exponent;
            } else {
                ++digits[static_cast<std::size_t>(i)];
            }
        }
    }

    // Digits for the places 10^top down to 10^-7, then half up at the sixth decimal.
    const int top = std::max(exponent, 0);
    std::string places;
    for (int place = top; place >= -7; --place) {
        const int index = exponent - place;
        places += (index >= 0 && index < static_cast<int>(digits.size()))
                      ? digits[static_cast<std::size_t>(index)]
                      : '0';
    }
    const bool up = places.back() >= '5';
    places.pop_back();
    if (up) {
        int i = static_cast<int>(places.size()) - 1;
        while (i >= 0 && places[static_cast<std::size_t>(i)] == '9')
            places[static_cast<std::size_t>(i--)] = '0';
        if (i < 0)
            places.insert(places.begin(), '1');
        else
            ++places[static_cast<std::size_t>(i)];
    }
    std::string integer = places.substr(0, places.size() - 6);
    const std::string fraction = places.substr(places.size() - 6);
    const std::size_t firstNonZero = integer.find_first_not_of('0');
    integer = firstNonZero == std::string::npos ? "0" : integer.substr(firstNonZero);
    return (v < 0 ? "-" : "") + integer + "." + fraction;
}

} // namespace detail

namespace {

// The shown text: padded on the left to 14 characters, then the first 10.
std::string ShownText(const char* text, std::size_t len) {
    constexpr std::size_t kPadded = 14;
    constexpr std::size_t kShown = 10;
    std::string result(kShown, ' ');
    const std::size_t pad = len < kPadded ? kPadded - len : 0;
    for (std::size_t i = pad; i < kShown; ++i)
        result[i] = text[i - pad];
    return result;
}

} // namespace

namespace detail {

std::string FormatPriceGeneral(double x) {
    const double v = x + 0.000000000000001;
    char buf[24];
    std::size_t len = WriteSixDecimalsFast(v, buf);
    if (len != 0)
        return ShownText(buf, len);
    const std::string slow = SixDecimalsReference(v);
    if (!std::isfinite(v)) {
        // Never produced by the engine; padding to 14 and cutting to 10
        // would leave only blanks, so show the word right-aligned instead.
        return std::string(10 - slow.size(), ' ') + slow;
    }
    return ShownText(slow.data(), slow.size());
}

} // namespace detail

std::optional<ShownPrice> ShownPriceOf(double x) {
    // An amount within a hundred-millionth of whole cents (every KP and AVP,
    // typed prices, AEPs on cents): its six-decimal text is the cents and
    // four zeros. Below 10^9 cents the double lies within 1.2e-9 € of 100 x,
    // and the 1e-15 added below is smaller still, far inside the
    // half-millionth that would change the text.
    const double t = x * 100.0;
    if (t >= 0.0 && t < 999'999'999.5) {
        const auto cents = static_cast<std::uint64_t>(t + 0.5);
        if (std::fabs(t - static_cast<double>(static_cast<std::int64_t>(cents))) <= 1e-6)
            return ShownPrice{cents, false};
    }
    const double v = x + 0.000000000000001;
    std::uint64_t units = 0;
    if (!detail::SixDecimalUnits(v, units))
        return std::nullopt;
    // The text has room for seven characters before the point.
    const bool negative = v < 0;
    if (units / 1'000'000 >= (negative ? 1'000'000u : 10'000'000u))
        return std::nullopt;
    return ShownPrice{units / 10'000, negative};
}

void WriteShownText(char* out, ShownPrice shown) {
    std::memset(out, ' ', kShownTextSize);
    WriteShownBackwards(out + kShownTextSize, shown, '.');
}

std::string FormatPrice(double x) {
    const std::optional<ShownPrice> shown = ShownPriceOf(x);
    if (!shown)
        return detail::FormatPriceGeneral(x);
    std::string text(kShownTextSize, ' ');
    WriteShownText(text.data(), *shown);
    return text;
}

} // namespace fapkalk
