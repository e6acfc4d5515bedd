// KP and AVP in whole cents. On an AEP on whole cents every step of the
// pharmacy tariff is an integer rounding: a band factor is a whole number of
// thousandths, the 15 % raise is 23/20, a VAT factor from a whole rate is
// (100 + n)/100. Exact fractions of a cent lie at least a thousandth of a cent
// away from the half-cent boundary, far beyond the double steps' error, so
// integer half-up rounding gives the cents the double steps give. The engine
// takes this path when it applies and the double steps otherwise; the tests
// hold the two against each other for every AEP below the limit.
//
// Why at all: the double steps chain a division into every rounding, and the
// divisions dominate the time of a price. Here only the final results are
// divided, and those divisions run side by side.
#pragma once

#include "pricing/rounding_detail.h"
#include "pricing/tariff_tables.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace fapkalk::detail {

// AEPs from 0 to 41,943.03 €: every cent amount the path reaches (the AVP is
// below 3.6 times the AEP) stays below kFiveCentsByDigitLimit.
inline constexpr std::int64_t kCentPathLimit = std::int64_t{1} << 22;
// Largest AVP per AEP: factor 1.55, raise 1.15, VAT factor below 2 (the fixed
// amounts and the surcharge are far smaller than the margin left).
static_assert(kCentPathLimit * 36 / 10 < kFiveCentsByDigitLimit);

// A pharmacy band in cents: result = (aep * perMille + offset) / 1000, where
// a Factor band has its factor in thousandths and offset 500 (half up), and
// a Fixed band perMille 0 and its amount in thousandths of a cent plus 500.
// limits[i] is the largest AEP in cents that band i takes, as a 32-bit
// integer, so four limits go into one comparison; the array is padded with
// limits no amount exceeds.
inline constexpr std::size_t PaddedToFour(std::size_t n) {
    return (n + 3) / 4 * 4;
}

template <std::size_t N> struct CentTable {
    alignas(16) std::array<std::int32_t, PaddedToFour(N - 1)> limits{};
    std::array<std::uint64_t, N> perMille{};
    std::array<std::uint64_t, N> offset{};
};

constexpr std::uint64_t NearestWhole(double x) {
    return static_cast<std::uint64_t>(x + 0.5);
}

template <std::size_t N>
constexpr CentTable<N> MakeCentTable(const std::array<TariffBand, N>& table) {
    CentTable<N> cents;
    for (std::size_t i = 0; i < cents.limits.size(); ++i) {
        // The limits are cent values, or lie a little above one (130.8000001):
        // the whole cents below them are the ones the band takes.
        cents.limits[i] = i + 1 < N ? static_cast<std::int32_t>(table[i].limit * 100.0 + 1e-6)
                                    : std::numeric_limits<std::int32_t>::max();
    }
    for (std::size_t i = 0; i < N; ++i) {
        const bool isFactor = table[i].kind == BandKind::Factor;
        cents.perMille[i] = isFactor ? NearestWhole(table[i].value * 1000.0) : 0;
        cents.offset[i] = isFactor ? 500 : NearestWhole(table[i].value * 100.0) * 1000 + 500;
    }
    return cents;
}

inline constexpr auto kKpCents = MakeCentTable(tables::kKp);
inline constexpr auto kAvpCents = MakeCentTable(tables::kAvp);

// Every band of the pharmacy tables is a Factor or a Fixed band.
template <std::size_t N> constexpr bool OnlyFactorAndFixed(const std::array<TariffBand, N>& t) {
    for (const TariffBand& band : t)
        if (band.kind == BandKind::Add)
            return false;
    return true;
}
static_assert(OnlyFactorAndFixed(tables::kKp) && OnlyFactorAndFixed(tables::kAvp));

// The number of limits below an amount (below kCentPathLimit), i.e. its band.
template <std::size_t M>
inline std::size_t CountCentLimitsBelow(const std::array<std::int32_t, M>& limits,
                                        std::uint64_t cents) {
    static_assert(M % 4 == 0);
    const auto amount = static_cast<std::int32_t>(cents);
#if defined(__SSE2__) && defined(__x86_64__)
    // A true lane is all ones, i.e. -1: subtracting the masks counts.
    const __m128i v = _mm_set1_epi32(amount);
    __m128i count = _mm_setzero_si128();
    for (std::size_t i = 0; i < M; i += 4)
        count = _mm_sub_epi32(
            count,
            _mm_cmpgt_epi32(v, _mm_load_si128(reinterpret_cast<const __m128i*>(&limits[i]))));
    count = _mm_add_epi32(count, _mm_shuffle_epi32(count, 0x4E));
    count = _mm_add_epi32(count, _mm_shuffle_epi32(count, 0xB1));
    return static_cast<std::size_t>(_mm_cvtsi128_si32(count));
#else
    std::size_t count = 0;
    for (std::int32_t limit : limits)
        count += limit < amount ? 1 : 0;
    return count;
#endif
}

// Unsigned from here on: every amount is at least 0, and a division of an
// unsigned by a constant needs no sign correction (shorter chain).
template <std::size_t N>
inline std::uint64_t BandInCents(const CentTable<N>& table, std::uint64_t aepCents) {
    const std::size_t index = CountCentLimitsBelow(table.limits, aepCents);
    return (aepCents * table.perMille[index] + table.offset[index]) / 1000;
}

// The rate n of a VAT factor that is exactly (100 + n)/100 rounded to double,
// n from 0 to 99 (every factor the VAT field or --vat produces); -1 otherwise.
inline constexpr std::array<double, 100> kWholeRateFactors = [] {
    std::array<double, 100> factors{};
    for (std::size_t n = 0; n < factors.size(); ++n)
        factors[n] = static_cast<double>(100 + n) / 100.0;
    return factors;
}();

inline int WholeVatRate(double vatFactor) {
    const double t = vatFactor * 100.0 - 99.5;
    if (!(t >= 0.0 && t < 100.0))
        return -1;
    const auto n = static_cast<std::size_t>(t);
    return kWholeRateFactors[n] == vatFactor ? static_cast<int>(n) : -1;
}

// The whole cents x stands for, or -1 when x is not exactly such an amount
// below kCentPathLimit.
inline std::int64_t ExactCents(double x) {
    const double t = x * 100.0 + 0.5;
    if (!(t >= 0.0 && t < static_cast<double>(kCentPathLimit)))
        return -1;
    const auto cents = static_cast<std::int64_t>(t);
    return static_cast<double>(cents) / 100.0 == x ? cents : -1;
}

inline bool CentPathApplies(std::int64_t aepCents) {
    return aepCents >= 0 && aepCents < kCentPathLimit;
}

inline constexpr std::uint64_t kSurchargeCents = kNarcoticSurchargeCents;

// KP in cents before the rounding to five cents.
inline std::uint64_t KpCents(std::uint64_t aepCents, bool narcotic) {
    return BandInCents(kKpCents, aepCents) + (narcotic ? kSurchargeCents : 0);
}

// AVP in cents before the rounding to five cents: band, 15 % raise, narcotic
// surcharge, VAT.
inline std::uint64_t AvpCents(std::uint64_t aepCents, bool narcotic, unsigned vatRate) {
    const std::uint64_t net = BandInCents(kAvpCents, aepCents);
    const std::uint64_t gross = (net * 23 + 10) / 20 + (narcotic ? kSurchargeCents : 0);
    return (gross * (100 + vatRate) + 50) / 100;
}

// RoundFiveCents by the cent digit (FiveCentsByDigit) on an amount below
// kFiveCentsByDigitLimit.
inline double FiveCentsOf(std::uint64_t cents) {
    // Through int64: converting an unsigned 64-bit integer takes extra steps.
    const auto fives = static_cast<std::int64_t>((cents * 2 + 5) / 10);
    return static_cast<double>(fives) / 20.0;
}

} // namespace fapkalk::detail
