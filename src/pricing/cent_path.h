// The price engine in integers, for prices on whole cents.
//
// On a price on whole cents every step of the tariff is an integer rounding:
// a band factor is a whole number of thousandths, the 15 % raise is 23/20, a
// VAT factor from a whole rate is (100 + n)/100. The engine takes this way
// where it applies and the double steps (engine.cpp) otherwise; the tests
// hold the two against each other.
//
// Why at all: a range run computes millions of rows. The double steps chain
// a division into every rounding; here the chain is a few integer
// multiplications, and the bands of all three steps come from one table
// lookup on the typed price.
//
// Why the integer roundings give the double steps' cents. A double step
// rounds y cents up when the fraction of y is at least 0.49998999999: it adds
// 0.50000000001 and 0.00001 and truncates. The exact y of a band step is a
// whole number of thousandths of a cent (factors in thousandths), of a
// twentieth of a cent (the raise) or of a hundredth of a cent (the VAT
// factor), so its fraction is either at most 0.499, rounded down by both, or
// at least 0.500, rounded up by both: the double steps' tolerance lies
// 0.00001000001 cents below the half the integers round at. The five-cent
// rounding of whole cents (also plus the surcharge added as a double) stays
// half a cent away from its turning points. Every amount below 2^28 cents is
// formed by the double steps with an error below 2e-7 cents (a few half units
// in the last place, each at most 2^-25 cents there), fifty times less than
// the smallest of these distances. kCentPathLimit keeps every amount of the
// way (the AVP is at most 3.6 times the AEP) below 2^28 cents.
#pragma once

#include "pricing/tariff_tables.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace fapkalk::detail {

// Typed prices and AEPs from 0 to 671,088.63 €.
inline constexpr std::int64_t kCentPathLimit = std::int64_t{1} << 26;
inline constexpr std::int64_t kExactAmountsBelow = std::int64_t{1} << 28;
static_assert(kCentPathLimit * 36 / 10 < kExactAmountsBelow);

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

template <std::size_t N> constexpr bool LimitsAscend(const std::array<TariffBand, N>& table) {
    const auto limits = LastCents(table);
    for (std::size_t i = 1; i < limits.size(); ++i)
        if (limits[i] <= limits[i - 1])
            return false;
    return true;
}

static_assert(LimitsAscend(tables::kStandardWholesale) &&
                  LimitsAscend(tables::kNotReimbursableWholesale) &&
                  LimitsAscend(tables::kHomeopathicWholesale) && LimitsAscend(tables::kKp) &&
                  LimitsAscend(tables::kAvp),
              "the limits of a tariff table must rise by at least a cent from band to band");

// Every band of the pharmacy tables is a Factor or a Fixed band.
template <std::size_t N> constexpr bool OnlyFactorAndFixed(const std::array<TariffBand, N>& t) {
    for (const TariffBand& band : t)
        if (band.kind == BandKind::Add)
            return false;
    return true;
}
static_assert(OnlyFactorAndFixed(tables::kKp) && OnlyFactorAndFixed(tables::kAvp),
              "the pharmacy tables may hold Factor and Fixed bands only");

// The band of a table that takes a whole-cent amount.
template <std::size_t N>
constexpr std::size_t BandIndexOf(const std::array<TariffBand, N>& table, std::uint64_t cents) {
    std::size_t index = 0;
    for (std::uint32_t limit : LastCents(table))
        index += limit < cents ? 1 : 0;
    return index;
}

// The narcotic surcharge NarcoticSurcharge (0.55 €) in cents.
inline constexpr std::uint64_t kSurchargeCents = 55;
static_assert(NarcoticSurcharge == 0.55);
// FiveCountsOf works with the raise as the fraction 23/20.
static_assert(AvpSurchargeFactor == 1.15);

// KP and AVP as counts of five cents, from an AEP in cents and the two
// pharmacy bands it falls in. RoundFiveCents on whole cents c is (2c + 5) / 10
// fives, which is (c + 2) / 5 (2c + 5 is odd, never a multiple of ten), and a
// division following a division folds into one:
// ((x / 1000) + k) / 5 = (x + 1000 k) / 5000. The raise is (23 net + 10) / 20
// cents, the VAT (gross (100 + n) + 50) / 100 cents, then its fives.
struct FiveCounts {
    std::uint64_t kp;
    std::uint64_t avp;
};

inline FiveCounts FiveCountsOf(std::uint64_t aepCents, const CentBand& kp, const CentBand& avp,
                               bool narcotic, unsigned vatRate) {
    const std::uint64_t surcharge = narcotic ? kSurchargeCents : 0;
    const std::uint64_t net = (aepCents * avp.perMille + avp.offset) / 1000;
    const std::uint64_t gross = (net * 23 + 10) / 20 + surcharge;
    return {(aepCents * kp.perMille + kp.offset + 2000 + surcharge * 1000) / 5000,
            (gross * (100 + vatRate) + 250) / 500};
}

// Whole cents (or fives) as a double; through int64, which converts in one
// instruction (the amounts are far below 2^63).
inline double AsDouble(std::uint64_t count) {
    return static_cast<double>(static_cast<std::int64_t>(count));
}

// A count of five cents as the double RoundFiveCents gives: fives / 20, the
// same double as (5 * fives) / 100.
inline double EurosOfFives(std::uint64_t fives) {
    return AsDouble(fives) / 20.0;
}

// The KP and AVP limits merged: where a pharmacy band changes.
template <std::size_t A, std::size_t B>
constexpr std::array<std::uint32_t, A + B> Merged(const std::array<std::uint32_t, A>& a,
                                                  const std::array<std::uint32_t, B>& b) {
    std::array<std::uint32_t, A + B> merged{};
    std::size_t i = 0, j = 0;
    for (std::uint32_t& out : merged)
        out = j == B || (i < A && a[i] < b[j]) ? a[i++] : b[j++];
    return merged;
}
inline constexpr auto kPharmacyLimits = Merged(LastCents(tables::kKp), LastCents(tables::kAvp));

// The whole way from a typed price. The typed price is cut into stretches
// inside which the wholesale band and both pharmacy bands of the resulting
// AEP stay the same: the wholesale limits, and for each pharmacy limit the
// last price whose AEP stays within it. So one lookup on the typed price
// gives all three bands.
//
// The AEP double of an Add band is the typed price plus the amount as the
// double steps add them (not always the double nearest to its cents); every
// other band's AEP is its cents / 100.
struct PriceStretch {
    CentBand aep;
    CentBand kp;
    CentBand avp;
    double addend; // an Add band's amount, else 0
    bool keepsSum; // an Add band: the AEP is price plus amount
};

// Calls add(last cent) for every stretch but the open last one, unordered.
template <std::size_t N, class Add>
constexpr void ForEachStretchEnd(const std::array<TariffBand, N>& wholesale, Add add) {
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
}

template <std::size_t N>
constexpr std::size_t StretchEndCount(const std::array<TariffBand, N>& wholesale) {
    std::size_t count = 0;
    ForEachStretchEnd(wholesale, [&count](std::uint32_t) { ++count; });
    return count;
}

inline constexpr std::size_t kMaxStretches = 64;
// The first stretch of each bucket of 16 cents is looked up, the rest of the
// way walked: a bucket rarely holds a stretch end, and amounts beyond the
// buckets walk on from the last one.
inline constexpr unsigned kBucketShift = 4;
inline constexpr std::size_t kBuckets = 2560; // up to 409.59 €

struct PriceCents {
    // The last cent of every stretch, ascending; the open last stretch and the
    // unused places hold the largest value.
    std::array<std::uint64_t, kMaxStretches> last{};
    std::array<std::uint8_t, kBuckets> firstOfBucket{};
    std::array<PriceStretch, kMaxStretches> stretches{};

    std::size_t Find(std::uint64_t cents) const {
        std::size_t s = firstOfBucket[std::min<std::uint64_t>(cents >> kBucketShift, kBuckets - 1)];
        while (cents > last[s])
            ++s;
        return s;
    }
};

template <std::size_t N> constexpr PriceCents MakePriceCents(const std::array<TariffBand, N>& w) {
    PriceCents table;
    table.last.fill(std::numeric_limits<std::uint64_t>::max());
    std::size_t count = 0;
    ForEachStretchEnd(w, [&](std::uint32_t end) {
        if (count + 1 < kMaxStretches)
            table.last[count++] = end;
    });
    std::sort(table.last.begin(), table.last.begin() + static_cast<std::ptrdiff_t>(count));
    for (std::size_t b = 0; b < kBuckets; ++b) {
        const std::uint64_t first = std::uint64_t{b} << kBucketShift;
        std::size_t s = 0;
        while (table.last[s] < first)
            ++s;
        table.firstOfBucket[b] = static_cast<std::uint8_t>(s);
    }
    for (std::size_t s = 0; s <= count; ++s) {
        const std::uint64_t first = s == 0 ? 0 : table.last[s - 1] + 1;
        const TariffBand& band = w[BandIndexOf(w, first)];
        const CentBand aep = CentBandOf(band);
        const std::uint64_t aepCents = (first * aep.perMille + aep.offset) / 1000;
        const bool isAdd = band.kind == BandKind::Add;
        table.stretches[s] = {aep, CentBandOf(tables::kKp[BandIndexOf(tables::kKp, aepCents)]),
                              CentBandOf(tables::kAvp[BandIndexOf(tables::kAvp, aepCents)]),
                              isAdd ? band.value : 0.0, isAdd};
    }
    return table;
}

template <std::size_t N> constexpr bool FitsStretches(const std::array<TariffBand, N>& w) {
    return StretchEndCount(w) < kMaxStretches;
}

// The veterinary markup and a typed AEP as one-band tables: a Factor band of
// 1.2, and an Add band of nothing (the typed price itself).
inline constexpr std::array<TariffBand, 1> kVeterinaryBand = {
    {{tables::kOpen, BandKind::Factor, VeterinaryMarkup}}};
inline constexpr std::array<TariffBand, 1> kAepInputBand = {{{tables::kOpen, BandKind::Add, 0.0}}};

static_assert(FitsStretches(tables::kStandardWholesale) &&
                  FitsStretches(tables::kNotReimbursableWholesale) &&
                  FitsStretches(tables::kHomeopathicWholesale) && FitsStretches(kVeterinaryBand) &&
                  FitsStretches(kAepInputBand),
              "more band changes in a tariff than PriceCents holds: raise kMaxStretches");

inline constexpr PriceCents kStandardPriceCents = MakePriceCents(tables::kStandardWholesale);
inline constexpr PriceCents kNotReimbursablePriceCents =
    MakePriceCents(tables::kNotReimbursableWholesale);
inline constexpr PriceCents kHomeopathicPriceCents = MakePriceCents(tables::kHomeopathicWholesale);
inline constexpr PriceCents kVeterinaryPriceCents = MakePriceCents(kVeterinaryBand);
inline constexpr PriceCents kAepInputPriceCents = MakePriceCents(kAepInputBand);

// The same choice of table as the double steps make.
inline const PriceCents& PriceCentsFor(const CalcOptions& options) {
    if (options.AepInput)
        return kAepInputPriceCents;
    if (options.Homeopathic)
        return options.Veterinary ? kVeterinaryPriceCents : kHomeopathicPriceCents;
    if (options.NotReimbursable)
        return kNotReimbursablePriceCents;
    return options.Veterinary ? kVeterinaryPriceCents : kStandardPriceCents;
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
    if (!(t >= 0.0 && t < static_cast<double>(kWholeRateFactors.size())))
        return -1;
    const auto n = static_cast<std::size_t>(t);
    return kWholeRateFactors[n] == vatFactor ? static_cast<int>(n) : -1;
}

struct CentPrices {
    std::uint64_t aepCents;
    double aep; // the AEP double the double steps give
    FiveCounts fives;
};

// The integer way for a price of 1 to kCentPathLimit - 1 whole cents; false
// (the double steps decide) when its AEP reaches kCentPathLimit. An Add
// band's AEP double is the price plus the amount as the double steps add
// them: it lies within a hundred-millionth of a cent of its cents, far inside
// the room the roundings and the band limits leave (above), so the pharmacy
// steps and the AEP's display text follow its cents.
inline bool PricesAtCents(const PriceCents& table, std::uint64_t cents, bool narcotic,
                          unsigned vatRate, CentPrices& out) {
    const PriceStretch& s = table.stretches[table.Find(cents)];
    const std::uint64_t aepCents = (cents * s.aep.perMille + s.aep.offset) / 1000;
    if (aepCents >= static_cast<std::uint64_t>(kCentPathLimit))
        return false;
    const double aep = s.keepsSum ? AsDouble(cents) / 100.0 + s.addend : AsDouble(aepCents) / 100.0;
    out = {aepCents, aep, FiveCountsOf(aepCents, s.kp, s.avp, narcotic, vatRate)};
    return true;
}

// The cents of a price that lies exactly on whole cents (the double nearest
// to them, as a typed price is read), 1 to kCentPathLimit - 1; false for
// any other amount.
inline bool WholeCentsOf(double price, std::uint64_t& cents) {
    const double t = price * 100.0;
    if (!(t >= 0.5 && t < static_cast<double>(kCentPathLimit) - 0.5))
        return false;
    cents = static_cast<std::uint64_t>(t + 0.5);
    return AsDouble(cents) / 100.0 == price;
}

} // namespace fapkalk::detail
