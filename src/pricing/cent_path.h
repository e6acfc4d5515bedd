// Prices in whole cents. On a price on whole cents every step of the tariff
// is an integer rounding: a band factor is a whole number of thousandths, the
// 15 % raise is 23/20, a VAT factor from a whole rate is (100 + n)/100. Exact
// fractions of a cent lie at least a thousandth of a cent away from the
// half-cent boundary, far beyond the double steps' error, so integer half-up
// rounding gives the cents the double steps give. The engine takes this path
// when it applies and the double steps otherwise; the tests hold the two
// against each other for every typed price up to 1,310.71 € in every switch
// combination, every AEP below the limit, and a sample beyond.
//
// Why at all: the double steps chain a division into every rounding, and the
// divisions dominate the time of a price. Here the chain is a few integer
// multiplications, and the bands of all three steps come from one table
// lookup on the typed price.
#pragma once

#include "pricing/rounding_detail.h"
#include "pricing/tariff_tables.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace fapkalk::detail {

// AEPs from 0 to 41,943.03 €: every cent amount the path reaches (the AVP is
// below 3.6 times the AEP) stays far inside 64 bits and below
// kFiveCentsByDigitLimit.
inline constexpr std::int64_t kCentPathLimit = std::int64_t{1} << 22;
// Largest AVP per AEP: factor 1.55, raise 1.15, VAT factor below 2 (the fixed
// amounts and the surcharge are far smaller than the margin left).
static_assert(kCentPathLimit * 36 / 10 < kFiveCentsByDigitLimit);

// A band's result in cents is (cents * perMille + offset) / 1000 for every
// band kind: a Factor band has its factor in thousandths and offset 500 (half
// up), a Fixed band perMille 0 and its amount in thousandths of a cent plus
// 500, an Add band perMille 1000 and its amount likewise.
struct CentBand {
    std::uint64_t perMille;
    std::uint64_t offset;
};

constexpr std::uint64_t NearestWhole(double x) {
    return static_cast<std::uint64_t>(x + 0.5);
}

constexpr CentBand CentBandOf(const TariffBand& band) {
    const std::uint64_t amount = NearestWhole(band.value * 100.0) * 1000 + 500;
    switch (band.kind) {
    case BandKind::Factor:
        return {NearestWhole(band.value * 1000.0), 500};
    case BandKind::Fixed:
        return {0, amount};
    case BandKind::Add:
        return {1000, amount};
    }
    return {0, 0};
}

// x / d for the small amounts of this path (below 2^40) as the high half of
// one 64 x 64 bit product: with m = ceil(2^64 / d) that is exact for every x
// below 2^(64 - bits of d), and one multiplication is shorter than the
// general sequence the compiler has to use for any 64-bit x.
template <std::uint64_t D> constexpr std::uint64_t DivideSmall(std::uint64_t x) {
    static_assert(D > 1 && D < (std::uint64_t{1} << 24));
    constexpr std::uint64_t m = ~std::uint64_t{0} / D + 1; // ceil(2^64 / D), D no power of 2
    static_assert(~std::uint64_t{0} % D != D - 1, "D must not divide 2^64");
    __extension__ using Wide = unsigned __int128;
    return static_cast<std::uint64_t>((Wide{x} * m) >> 64);
}

constexpr std::uint64_t CentsInBand(std::uint64_t cents, const CentBand& band) {
    return DivideSmall<1000>(cents * band.perMille + band.offset);
}

// The largest whole-cent amount a band takes. The limits are cent values, or
// lie a little above one (130.8000001, 6.0601).
constexpr std::uint32_t LastCentOf(double limit) {
    return static_cast<std::uint32_t>(limit * 100.0 + 1e-6);
}

template <std::size_t N>
constexpr std::array<std::uint32_t, N - 1> LastCents(const std::array<TariffBand, N>& table) {
    std::array<std::uint32_t, N - 1> limits{};
    for (std::size_t i = 0; i + 1 < N; ++i)
        limits[i] = LastCentOf(table[i].limit);
    return limits;
}

// Finds the band of a whole-cent amount with one table lookup: the amount's
// bucket of eight cents holds the first band that can take it and where in
// the bucket the next band starts, as 8 * band + 7 - (last cent of the band
// within the bucket), so adding the amount's place in the bucket and dropping
// three bits gives the band. A bucket can hold at most one band change, which
// MakeBandFinder checks (a table that breaks it does not compile). Amounts
// beyond the last change share the last bucket. A bisection would branch
// unpredictably on random prices, and comparing with every limit costs several
// times the instructions.
inline constexpr unsigned kBucketShift = 3;
inline constexpr std::uint64_t kBucketMask = (1u << kBucketShift) - 1;

constexpr std::size_t BucketsFor(std::uint32_t highestLimit) {
    return (highestLimit >> kBucketShift) + 2;
}

template <std::size_t Bands, std::size_t Buckets> struct BandFinder {
    std::array<std::uint16_t, Buckets> bucket{};

    std::size_t Find(std::uint64_t cents) const {
        const std::uint64_t b = std::min<std::uint64_t>(cents >> kBucketShift, Buckets - 1);
        return (bucket[b] + (cents & kBucketMask)) >> kBucketShift;
    }
};

// From the ascending last cents of all bands but the open last one.
template <std::size_t Buckets, std::size_t Limits>
constexpr BandFinder<Limits + 1, Buckets>
MakeBandFinder(const std::array<std::uint32_t, Limits>& limits) {
    for (std::size_t i = 1; i < Limits; ++i)
        if (limits[i] <= limits[i - 1])
            throw "limits not ascending"; // not a constant expression: fails the build
    if (Limits > 0 && (limits[Limits - 1] >> kBucketShift) + 1 >= Buckets)
        throw "too few buckets";
    BandFinder<Limits + 1, Buckets> finder;
    for (std::size_t b = 0; b < Buckets; ++b) {
        const std::uint64_t first = std::uint64_t{b} << kBucketShift;
        const std::uint64_t last = first + kBucketMask;
        std::uint64_t band = 0;
        std::uint64_t lastInBand = kBucketMask; // no change inside the bucket
        int changes = 0;
        for (std::uint32_t limit : limits) {
            band += limit < first ? 1 : 0;
            if (limit >= first && limit < last) {
                lastInBand = limit - first;
                ++changes;
            }
        }
        if (changes > 1)
            throw "two band changes in one bucket";
        finder.bucket[b] =
            static_cast<std::uint16_t>((band << kBucketShift) + kBucketMask - lastInBand);
    }
    return finder;
}

template <std::size_t A, std::size_t B>
constexpr std::array<std::uint32_t, A + B> Merged(const std::array<std::uint32_t, A>& a,
                                                  const std::array<std::uint32_t, B>& b) {
    std::array<std::uint32_t, A + B> merged{};
    std::size_t i = 0, j = 0;
    for (std::uint32_t& out : merged)
        out = j == B || (i < A && a[i] < b[j]) ? a[i++] : b[j++];
    return merged;
}

// Every band of the pharmacy tables is a Factor or a Fixed band.
template <std::size_t N> constexpr bool OnlyFactorAndFixed(const std::array<TariffBand, N>& t) {
    for (const TariffBand& band : t)
        if (band.kind == BandKind::Add)
            return false;
    return true;
}
static_assert(OnlyFactorAndFixed(tables::kKp) && OnlyFactorAndFixed(tables::kAvp));

// The band of a table that takes a whole-cent amount, the slow way.
template <std::size_t N>
constexpr std::size_t BandIndexOf(const std::array<TariffBand, N>& table, std::uint64_t cents) {
    std::size_t index = 0;
    for (std::uint32_t limit : LastCents(table))
        index += limit < cents ? 1 : 0;
    return index;
}

inline constexpr std::uint64_t kSurchargeCents = kNarcoticSurchargeCents;

// KP and AVP as counts of five cents, from an AEP in cents and the two
// pharmacy bands it falls in. RoundFiveCents on whole cents c is (2c + 5) / 10
// fives, which is (c + 2) / 5 (2c + 5 is odd, never a multiple of ten), and a
// division following a division folds into one:
// ((x / 1000) + k) / 5 = (x + 1000 k) / 5000.
struct FiveCounts {
    std::uint64_t kp;
    std::uint64_t avp;
};

inline FiveCounts FiveCountsOf(std::uint64_t aepCents, const CentBand& kp, const CentBand& avp,
                               bool narcotic, unsigned vatRate) {
    // The surcharge as a product rather than a choice: fewer instructions.
    const std::uint64_t withSurcharge = narcotic;
    const std::uint64_t net = CentsInBand(aepCents, avp);
    // The 15 % raise, (23 net + 10) / 20, as net + (3 net + 10) / 20: one step
    // shorter.
    const std::uint64_t gross =
        net + DivideSmall<20>(net * 3 + 10) + withSurcharge * kSurchargeCents;
    return {DivideSmall<5000>(aepCents * kp.perMille + kp.offset + 2000 +
                              withSurcharge * (kSurchargeCents * 1000)),
            DivideSmall<500>(gross * (100 + vatRate) + 250)};
}

// A count of five cents as the double RoundFiveCents gives: fives / 20, the
// same double as (5 * fives) / 100.
inline double EurosOfFives(std::uint64_t fives) {
    // Through int64: converting an unsigned 64-bit integer takes extra steps.
    return static_cast<double>(static_cast<std::int64_t>(fives)) / 20.0;
}

// The KP and AVP limits merged: where a pharmacy band changes.
inline constexpr auto kPharmacyLimits = Merged(LastCents(tables::kKp), LastCents(tables::kAvp));

// The whole way from a typed price on whole cents. The typed price is cut
// into stretches inside which the wholesale band and both pharmacy bands of
// the resulting AEP stay the same: the wholesale limits, and for each
// pharmacy limit the last price whose AEP stays within it. So one lookup on
// the typed price gives all three bands, and the pharmacy step does not wait
// for the AEP to find its band.
//
// The AEP double of an Add band is the typed price plus the amount as the
// double steps give it (not always the double nearest to its cents); every
// other band's AEP is its cents / 100.
struct PriceStretch {
    CentBand aep;
    CentBand kp;
    CentBand avp;
    double addend;          // an Add band's amount, else 0
    std::uint64_t keepsSum; // all bits set for an Add band: price plus amount
};

// The stretch ends of a wholesale table, at most kMaxStretches - 1 of them.
inline constexpr std::size_t kMaxStretches = 64;
struct StretchEnds {
    std::array<std::uint32_t, kMaxStretches> last{};
    std::size_t count = 0;
};

template <std::size_t N>
constexpr StretchEnds StretchEndsOf(const std::array<TariffBand, N>& wholesale) {
    StretchEnds ends;
    const auto add = [&ends](std::uint32_t end) {
        if (ends.count + 1 >= kMaxStretches)
            throw "too many stretches";
        ends.last[ends.count++] = end;
    };
    const auto limits = LastCents(wholesale);
    for (std::size_t i = 0; i < N; ++i) {
        const std::uint64_t first = i == 0 ? 0 : std::uint64_t{limits[i - 1]} + 1;
        const std::uint64_t last =
            i + 1 < N ? limits[i] : std::numeric_limits<std::uint32_t>::max();
        if (i + 1 < N)
            add(limits[i]);
        const CentBand band = CentBandOf(wholesale[i]);
        if (band.perMille == 0)
            continue; // a fixed AEP stays in its pharmacy bands
        // The AEP rises with the price inside a band: the last price whose AEP
        // is at most the limit is the largest p with p * perMille + offset
        // below (limit + 1) * 1000.
        for (std::uint32_t limit : kPharmacyLimits) {
            const std::uint64_t bound = (std::uint64_t{limit} + 1) * 1000;
            if (bound <= band.offset)
                continue;
            const std::uint64_t p = (bound - band.offset - 1) / band.perMille;
            if (p >= first && p < last)
                add(static_cast<std::uint32_t>(p));
        }
    }
    std::sort(ends.last.begin(), ends.last.begin() + static_cast<std::ptrdiff_t>(ends.count));
    return ends;
}

template <std::size_t Stretches, std::size_t Buckets> struct PriceCents {
    BandFinder<Stretches, Buckets> finder;
    std::array<PriceStretch, Stretches> stretches{};
};

template <const auto& Wholesale> struct PriceCentsOf {
    static constexpr StretchEnds kEnds = StretchEndsOf(Wholesale);
    static constexpr std::size_t kStretches = kEnds.count + 1;
    static constexpr std::size_t kBuckets =
        kEnds.count == 0 ? 1 : BucketsFor(kEnds.last[kEnds.count - 1]);

    static constexpr PriceCents<kStretches, kBuckets> Make() {
        PriceCents<kStretches, kBuckets> cents;
        std::array<std::uint32_t, kStretches - 1> ends{};
        std::copy_n(kEnds.last.begin(), ends.size(), ends.begin());
        cents.finder = MakeBandFinder<kBuckets>(ends);
        for (std::size_t s = 0; s < kStretches; ++s) {
            const std::uint64_t first = s == 0 ? 0 : std::uint64_t{ends[s - 1]} + 1;
            const TariffBand& band = Wholesale[BandIndexOf(Wholesale, first)];
            const CentBand aep = CentBandOf(band);
            const std::uint64_t aepCents = CentsInBand(first, aep);
            const bool isAdd = band.kind == BandKind::Add;
            cents.stretches[s] = {aep, CentBandOf(tables::kKp[BandIndexOf(tables::kKp, aepCents)]),
                                  CentBandOf(tables::kAvp[BandIndexOf(tables::kAvp, aepCents)]),
                                  isAdd ? band.value : 0.0, isAdd ? ~std::uint64_t{0} : 0};
        }
        return cents;
    }

    static constexpr auto kTable = Make();
};

// The veterinary markup and a typed AEP as one-band tables: a Factor band of
// 1.2, and an Add band of nothing (the typed price itself).
inline constexpr std::array<TariffBand, 1> kVeterinaryBand = {
    {{tables::kOpen, BandKind::Factor, VeterinaryMarkup}}};
inline constexpr std::array<TariffBand, 1> kAepInputBand = {{{tables::kOpen, BandKind::Add, 0.0}}};

inline constexpr const auto& kStandardPriceCents = PriceCentsOf<tables::kStandardWholesale>::kTable;
inline constexpr const auto& kNotReimbursablePriceCents =
    PriceCentsOf<tables::kNotReimbursableWholesale>::kTable;
inline constexpr const auto& kHomeopathicPriceCents =
    PriceCentsOf<tables::kHomeopathicWholesale>::kTable;
inline constexpr const auto& kVeterinaryPriceCents = PriceCentsOf<kVeterinaryBand>::kTable;
inline constexpr const auto& kAepInputPriceCents = PriceCentsOf<kAepInputBand>::kTable;

// The pharmacy step alone, for an AEP on whole cents that came from a price
// that was not. A typed AEP's stretches are exactly the pharmacy bands, so its
// table serves.
inline FiveCounts PharmacyFiveCounts(std::uint64_t aepCents, bool narcotic, unsigned vatRate) {
    const PriceStretch& s =
        kAepInputPriceCents.stretches[kAepInputPriceCents.finder.Find(aepCents)];
    return FiveCountsOf(aepCents, s.kp, s.avp, narcotic, vatRate);
}

struct CentPrices {
    std::uint64_t aepCents;
    double aep;
    FiveCounts fives;
};

template <std::size_t Stretches, std::size_t Buckets>
inline CentPrices PricesOfCents(const PriceCents<Stretches, Buckets>& table,
                                std::uint64_t priceCents, bool narcotic, unsigned vatRate) {
    const PriceStretch& s = table.stretches[table.finder.Find(priceCents)];
    const std::uint64_t aepCents = CentsInBand(priceCents, s.aep);
    // The typed price is exactly priceCents / 100, so both AEP doubles are
    // cents / 100 + addend: the price's cents and the amount in an Add band,
    // the AEP's cents and +0 (which changes no positive double) otherwise. The
    // cents are picked by mask: which band a random price falls in is not
    // predictable.
    const std::uint64_t shownCents = aepCents ^ ((aepCents ^ priceCents) & s.keepsSum);
    const double aep =
        static_cast<double>(static_cast<std::int64_t>(shownCents)) / 100.0 + s.addend;
    return {aepCents, aep, FiveCountsOf(aepCents, s.kp, s.avp, narcotic, vatRate)};
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
#if defined(__SSE2__) && defined(__x86_64__)
    // The conversion instruction gives INT_MIN for NaN and for anything out of
    // range (defined, unlike a cast), which the unsigned test refuses with
    // everything else outside 0 to 99: one test instead of two.
    const int n = _mm_cvttsd_si32(_mm_set_sd(t));
#else
    if (!(t >= 0.0 && t < 100.0))
        return -1;
    const int n = static_cast<int>(t);
#endif
    if (static_cast<unsigned>(n) >= kWholeRateFactors.size())
        return -1;
    return kWholeRateFactors[static_cast<std::size_t>(n)] == vatFactor ? n : -1;
}

// The whole cents x stands for, or -1 when x is not exactly such an amount
// below kCentPathLimit.
inline std::int64_t ExactCents(double x) {
    const double t = x * 100.0;
#if defined(__SSE2__) && defined(__x86_64__)
    // Rounded to nearest by the conversion itself, a step shorter than adding
    // a half and truncating; NaN and amounts out of range give INT64_MIN
    // (defined for the instruction), which the unsigned test refuses with the
    // negative ones. Under another rounding mode the check below still sends
    // anything doubtful the double way.
    const std::int64_t cents = _mm_cvtsd_si64(_mm_set_sd(t));
#else
    if (!(t >= 0.0 && t < static_cast<double>(kCentPathLimit) - 0.5))
        return -1;
    const auto cents = static_cast<std::int64_t>(t + 0.5);
#endif
    if (static_cast<std::uint64_t>(cents) >= static_cast<std::uint64_t>(kCentPathLimit))
        return -1;
    return static_cast<double>(cents) / 100.0 == x ? cents : -1;
}

inline bool CentPathApplies(std::int64_t aepCents) {
    return aepCents >= 0 && aepCents < kCentPathLimit;
}

} // namespace fapkalk::detail
