// The tariff's markup tables as constants (Österreichische Arzneitaxe, valid
// from 1 January 2012). Kept in a header so the engine sees them as constants.
#pragma once

#include "pricing/engine.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace fapkalk::tables {

inline constexpr double kOpen = std::numeric_limits<double>::infinity();

using enum BandKind;

// Limits lie 0.0001 above the cent values at which the bands change.
inline constexpr std::array<TariffBand, 10> kStandardWholesale = {{
    {6.0601, Factor, 1.155},
    {6.2201, Fixed, 7.00},
    {12.1101, Factor, 1.125},
    {12.3201, Fixed, 13.62},
    {53.7801, Factor, 1.105},
    {54.7701, Fixed, 59.43},
    {181.6801, Factor, 1.085},
    {184.2201, Fixed, 197.12},
    {339.1401, Factor, 1.07},
    {kOpen, Add, 23.74},
}};

inline constexpr std::array<TariffBand, 10> kNotReimbursableWholesale = {{
    {6.06, Factor, 1.175},
    {6.21, Fixed, 7.12},
    {12.11, Factor, 1.145},
    {12.33, Fixed, 13.87},
    {53.78, Factor, 1.125},
    {54.74, Fixed, 60.50},
    {181.68, Factor, 1.105},
    {184.17, Fixed, 200.76},
    {339.14, Factor, 1.09},
    {kOpen, Add, 30.52},
}};

inline constexpr std::array<TariffBand, 10> kHomeopathicWholesale = {{
    {6.06, Factor, 1.18},
    {6.16, Fixed, 7.15},
    {12.11, Factor, 1.16},
    {12.32, Fixed, 14.05},
    {53.78, Factor, 1.14},
    {54.74, Fixed, 61.31},
    {181.68, Factor, 1.12},
    {184.98, Fixed, 203.48},
    {327.03, Factor, 1.10},
    {kOpen, Add, 32.70},
}};

inline constexpr std::array<TariffBand, 19> kKp = {{
    {10.00, Factor, 1.37},   {10.15, Fixed, 13.70},   {20.00, Factor, 1.35},
    {20.45, Fixed, 27.00},   {30.00, Factor, 1.32},   {30.94, Fixed, 39.60},
    {60.00, Factor, 1.28},   {62.44, Fixed, 76.80},   {100.00, Factor, 1.23},
    {104.24, Fixed, 123.00}, {120.00, Factor, 1.18},  {124.21, Fixed, 141.60},
    {150.00, Factor, 1.14},  {155.45, Fixed, 171.00}, {200.00, Factor, 1.10},
    {207.55, Fixed, 220.00}, {350.00, Factor, 1.06},  {357.07, Fixed, 371.00},
    {kOpen, Factor, 1.039},
}};

// Band 13 closes at 130.8000001 rather than 130.80; for AEPs on whole cents
// the two are the same.
inline constexpr std::array<TariffBand, 19> kAvp = {{
    {7.29, Factor, 1.55},        {7.58, Fixed, 11.30},    {15.70, Factor, 1.49},
    {16.25, Fixed, 23.40},       {26.25, Factor, 1.44},   {27.19, Fixed, 37.80},
    {63.09, Factor, 1.39},       {65.44, Fixed, 87.70},   {90.74, Factor, 1.34},
    {94.26, Fixed, 121.60},      {108.99, Factor, 1.29},  {113.38, Fixed, 140.60},
    {130.8000001, Factor, 1.24}, {135.73, Fixed, 162.20}, {203.43, Factor, 1.195},
    {211.39, Fixed, 243.10},     {363.30, Factor, 1.15},  {371.37, Fixed, 417.80},
    {kOpen, Factor, 1.125},
}};

// The lookup form of a table: the limits side by side, so counting the limits
// below a price compiles to a few vector comparisons, and per band the
// multiplication a pharmacy band does (base times factor, where base is the
// AEP in a Factor band and the band's own amount in a Fixed band).
template <std::size_t N> struct Lookup {
    std::array<double, N - 1> limits{};      // the open last band has none
    std::array<std::uint64_t, N> takesAep{}; // all bits set for a Factor band
    std::array<double, N> ownBase{};         // a Fixed band's amount, else 0
    std::array<double, N> factor{};          // a Factor band's value, else 1
};

template <std::size_t N> constexpr Lookup<N> MakeLookup(const std::array<TariffBand, N>& table) {
    Lookup<N> lookup;
    for (std::size_t i = 0; i < N; ++i) {
        if (i + 1 < N)
            lookup.limits[i] = table[i].limit;
        const bool isFactor = table[i].kind == Factor;
        lookup.takesAep[i] = isFactor ? ~std::uint64_t{0} : 0;
        lookup.ownBase[i] = isFactor ? 0.0 : table[i].value;
        lookup.factor[i] = isFactor ? table[i].value : 1.0;
    }
    return lookup;
}

inline constexpr auto kStandardWholesaleLookup = MakeLookup(kStandardWholesale);
inline constexpr auto kNotReimbursableWholesaleLookup = MakeLookup(kNotReimbursableWholesale);
inline constexpr auto kHomeopathicWholesaleLookup = MakeLookup(kHomeopathicWholesale);
inline constexpr auto kKpLookup = MakeLookup(kKp);
inline constexpr auto kAvpLookup = MakeLookup(kAvp);

// Index of the band a price falls in: the first band whose inclusive limit is
// at least the price, the open last band above every limit. Counting the limits
// below the price gives that index without a data-dependent branch (a scan's
// exit is unpredictable on random prices). A NaN price counts nothing and lands
// in band 1, a Factor band in every table, so it still fails in the rounding
// instead of turning into a fixed amount.
template <std::size_t M>
inline std::size_t CountBelow(const std::array<double, M>& limits, double price) {
#if defined(__SSE2__) && defined(__x86_64__)
    // Two limits per comparison; a true lane is all ones, i.e. -1, so
    // subtracting the masks counts. Two accumulators halve the chain.
    const __m128d p = _mm_set1_pd(price);
    __m128i even = _mm_setzero_si128();
    __m128i odd = _mm_setzero_si128();
    std::size_t i = 0;
    for (; i + 4 <= M; i += 4) {
        even = _mm_sub_epi64(even, _mm_castpd_si128(_mm_cmplt_pd(_mm_loadu_pd(&limits[i]), p)));
        odd = _mm_sub_epi64(odd, _mm_castpd_si128(_mm_cmplt_pd(_mm_loadu_pd(&limits[i + 2]), p)));
    }
    for (; i + 2 <= M; i += 2)
        even = _mm_sub_epi64(even, _mm_castpd_si128(_mm_cmplt_pd(_mm_loadu_pd(&limits[i]), p)));
    const __m128i sum = _mm_add_epi64(even, odd);
    std::size_t count = static_cast<std::size_t>(_mm_cvtsi128_si64(sum)) +
                        static_cast<std::size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sum, sum)));
    if (i < M)
        count += limits[i] < price ? 1 : 0;
    return count;
#else
    std::size_t count = 0;
    for (std::size_t i = 0; i < M; ++i)
        count += limits[i] < price ? 1 : 0;
    return count;
#endif
}

} // namespace fapkalk::tables
