// The price engine in integers, for prices on whole cents.
//
// On a price on whole cents every step of the tariff is an integer rounding
// when the tariff is made for it (CentPathHolds): a band factor and the AVP
// raise are whole numbers of thousandths, fixed amounts and the surcharge
// whole cents, and a VAT factor from a whole rate is (100 + n)/100. The
// engine takes this way where it applies and the double steps (engine.cpp)
// otherwise; the tests hold the two against each other.
//
// Why at all: a range run computes millions of rows. The double steps chain
// a division into every rounding; here the chain is a few integer
// multiplications, and the bands of all three steps come from one table
// lookup on the typed price. The tables are built from the tariff's values:
// at compile time for the built-in tariff, once per range for another one.
//
// Why the integer roundings give the double steps' cents. A double step
// rounds y cents up when the fraction of y is at least 0.49998999999: it adds
// 0.50000000001 and 0.00001 and truncates. The exact y of a band step or of
// the raise is a whole number of thousandths of a cent, and of the VAT
// factor a whole number of hundredths, so its fraction is either at most
// 0.499, rounded down by both, or at least 0.500, rounded up by both: the
// double steps' tolerance lies 0.00001000001 cents below the half the
// integers round at. The five-cent rounding of whole cents (also plus the
// surcharge added as a double) stays half a cent away from its turning
// points. Every amount below 2^28 cents is formed by the double steps with an
// error below 2e-7 cents (a few half units in the last place, each at most
// 2^-25 cents there), fifty times less than the smallest of these distances.
// CentPathHolds asks that every amount of the way stays below 2^28 cents for
// typed prices and AEPs below kCentPathLimit.
//
// The bands: a limit must decide a price on whole cents as the double
// comparison does (LastCentOf), and an Add band's AEP, the typed price plus
// the amount as doubles, must fall in the pharmacy bands of its cents
// (AddBandsFollowCents).
#pragma once

#include "pricing/engine.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>

namespace fapkalk {
namespace detail {

// Typed prices and AEPs from 0 to 671,088.63 €.
inline constexpr std::int64_t kCentPathLimit = std::int64_t{1} << 26;
inline constexpr std::int64_t kExactAmountsBelow = std::int64_t{1} << 28;
// Factors below 1000: far beyond any tariff, and the products stay in 64 bits.
inline constexpr double kPerMilleBelow = 1e6;
// The VAT factor of the largest whole rate WholeVatRate takes.
inline constexpr double kLargestVatFactor = 1.99;

// Whole cents (or fives) as a double; through int64, which converts in one
// instruction (the amounts are far below 2^63).
constexpr double AsDouble(std::uint64_t count) {
    return static_cast<double>(static_cast<std::int64_t>(count));
}

// x as a whole number of units (x * perUnit rounded to the nearest), when x
// is exactly the double of that number divided by perUnit and x * perUnit
// lies from 0 to below `below`; false otherwise, a NaN included. The range is
// checked before anything is converted.
constexpr bool WholeUnits(double x, double perUnit, double below, std::uint64_t& units) {
    const double scaled = x * perUnit;
    if (!(scaled >= 0.0 && scaled < below))
        return false;
    units = static_cast<std::uint64_t>(scaled + 0.5);
    return AsDouble(units) / perUnit == x;
}

// The largest whole-cent amount a band with this limit takes: the cents c
// with c / 100 <= limit < (c + 1) / 100 as doubles, so that the integer
// comparison decides every price on whole cents as the double one does. The
// limits are cent values or lie a little above one (130.8000001, 6.0601).
// False for a limit that is negative, not below kCentPathLimit cents or a NaN.
constexpr bool LastCentOf(double limit, std::uint64_t& cents) {
    const double scaled = limit * 100.0 + 1e-6;
    if (!(scaled >= 0.0 && scaled < static_cast<double>(kCentPathLimit)))
        return false;
    cents = static_cast<std::uint64_t>(scaled);
    return AsDouble(cents) / 100.0 <= limit && AsDouble(cents + 1) / 100.0 > limit;
}

constexpr std::uint64_t LastCent(double limit) {
    std::uint64_t cents = 0;
    LastCentOf(limit, cents);
    return cents;
}

// A band's result in cents is (cents * perMille + offset) / 1000 for every
// band kind: a Factor band has its factor in thousandths and offset 500 (half
// up), a Fixed band perMille 0 and its amount in thousandths of a cent plus
// 500, an Add band perMille 1000 and its amount likewise.
struct CentBand {
    std::uint64_t perMille;
    std::uint64_t offset;
};

constexpr bool WholeBandValue(const TariffBand& band, std::uint64_t& units) {
    return band.kind == BandKind::Factor
               ? WholeUnits(band.value, 1000.0, kPerMilleBelow, units)
               : WholeUnits(band.value, 100.0, static_cast<double>(kCentPathLimit), units);
}

constexpr CentBand CentBandOf(const TariffBand& band) {
    std::uint64_t units = 0;
    WholeBandValue(band, units);
    switch (band.kind) {
    case BandKind::Factor:
        return {units, 500};
    case BandKind::Fixed:
        return {0, units * 1000 + 500};
    case BandKind::Add:
        return {1000, units * 1000 + 500};
    }
    return {0, 0};
}

// The band of a table that takes a whole-cent amount.
constexpr std::size_t BandIndexOf(std::span<const TariffBand> table, std::uint64_t cents) {
    std::size_t index = 0;
    for (std::size_t i = 0; i + 1 < table.size(); ++i)
        index += LastCent(table[i].limit) < cents ? 1 : 0;
    return index;
}

// The first and the last whole cent of band i, below the integer way's limit.
struct CentRange {
    std::uint64_t first;
    std::uint64_t last;
};
constexpr CentRange CentRangeOf(std::span<const TariffBand> table, std::size_t i) {
    return {i == 0 ? 0 : LastCent(table[i - 1].limit) + 1,
            i + 1 < table.size() ? LastCent(table[i].limit) : kCentPathLimit - 1};
}

// The wholesale table of a way of finding the AEP. The veterinary markup and
// a typed AEP are one-band tables: a Factor band of the markup, and an Add
// band of nothing (the typed price itself).
template <class Use> constexpr auto WithWholesale(const Tariff& tariff, AepWay way, Use use) {
    const TariffBand veterinary[] = {{kOpen, BandKind::Factor, tariff.veterinaryFactor}};
    const TariffBand typed[] = {{kOpen, BandKind::Add, 0.0}};
    switch (way) {
    case AepWay::Typed:
        return use(std::span<const TariffBand>(typed));
    case AepWay::Veterinary:
        return use(std::span<const TariffBand>(veterinary));
    case AepWay::NotReimbursable:
        return use(tariff.notReimbursableWholesale);
    case AepWay::Homeopathic:
        return use(tariff.homeopathicWholesale);
    case AepWay::Standard:
        break;
    }
    return use(tariff.standardWholesale);
}

inline constexpr AepWay kAepWays[] = {AepWay::Typed, AepWay::Veterinary, AepWay::Standard,
                                      AepWay::NotReimbursable, AepWay::Homeopathic};

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
template <class Add>
constexpr void ForEachStretchEnd(const Tariff& tariff, std::span<const TariffBand> wholesale,
                                 Add add) {
    for (std::size_t i = 0; i < wholesale.size(); ++i) {
        const CentRange range = CentRangeOf(wholesale, i);
        if (i + 1 < wholesale.size())
            add(range.last);
        const CentBand band = CentBandOf(wholesale[i]);
        if (band.perMille == 0)
            continue; // a fixed AEP stays in its pharmacy bands
        // The AEP rises with the price inside a band: the last price whose AEP
        // is at most the limit is the largest p with p * perMille + offset
        // below (limit + 1) * 1000.
        for (const std::span<const TariffBand> pharmacy : {tariff.kp, tariff.avp}) {
            for (std::size_t j = 0; j + 1 < pharmacy.size(); ++j) {
                const std::uint64_t bound = (LastCent(pharmacy[j].limit) + 1) * 1000;
                if (bound <= band.offset)
                    continue;
                const std::uint64_t p = (bound - band.offset - 1) / band.perMille;
                if (p >= range.first && p < range.last)
                    add(p);
            }
        }
    }
}

inline constexpr std::size_t kMaxStretches = 64;
// The first stretch of each bucket of 16 cents is looked up, the rest of the
// way walked: a bucket rarely holds a stretch end. The buckets reach one past
// the last stretch end, so that every amount beyond starts in the open
// stretch; a tariff whose bands change beyond kMaxBuckets buckets walks on
// from the last one.
inline constexpr unsigned kBucketShift = 4;
inline constexpr std::size_t kMaxBuckets = 4096;

struct PriceCents {
    // The last cent of every stretch, ascending; the open last stretch and the
    // unused places hold the largest value.
    std::array<std::uint64_t, kMaxStretches> last{};
    std::array<PriceStretch, kMaxStretches> stretches{};
    std::uint64_t lastBucket = 0;
    std::uint64_t raisePerMille = 0;  // the AVP raise in thousandths
    std::uint64_t surchargeCents = 0; // the narcotics surcharge
    std::array<std::uint8_t, kMaxBuckets> firstOfBucket{};

    std::size_t Find(std::uint64_t cents) const {
        std::size_t s = firstOfBucket[std::min<std::uint64_t>(cents >> kBucketShift, lastBucket)];
        while (cents > last[s])
            ++s;
        return s;
    }
};

constexpr std::size_t StretchEndCount(const Tariff& tariff, AepWay way) {
    return WithWholesale(tariff, way, [&tariff](std::span<const TariffBand> wholesale) {
        std::size_t count = 0;
        ForEachStretchEnd(tariff, wholesale, [&count](std::uint64_t) { ++count; });
        return count;
    });
}

// The integer tables of one way of finding the AEP; only for a tariff that
// CentPathHolds.
constexpr PriceCents MakePriceCents(const Tariff& tariff, AepWay way) {
    return WithWholesale(tariff, way, [&tariff](std::span<const TariffBand> w) {
        PriceCents table;
        table.last.fill(std::numeric_limits<std::uint64_t>::max());
        std::size_t count = 0;
        ForEachStretchEnd(tariff, w, [&](std::uint64_t end) {
            if (count + 1 < kMaxStretches)
                table.last[count++] = end;
        });
        std::sort(table.last.begin(), table.last.begin() + static_cast<std::ptrdiff_t>(count));
        const std::uint64_t buckets =
            count == 0
                ? 1
                : std::min<std::uint64_t>(kMaxBuckets, (table.last[count - 1] >> kBucketShift) + 2);
        table.lastBucket = buckets - 1;
        std::size_t s = 0;
        for (std::size_t b = 0; b < buckets; ++b) {
            while (table.last[s] < std::uint64_t{b} << kBucketShift)
                ++s;
            table.firstOfBucket[b] = static_cast<std::uint8_t>(s);
        }
        for (std::size_t i = 0; i <= count; ++i) {
            const std::uint64_t first = i == 0 ? 0 : table.last[i - 1] + 1;
            const TariffBand& band = w[BandIndexOf(w, first)];
            const CentBand aep = CentBandOf(band);
            const std::uint64_t aepCents = (first * aep.perMille + aep.offset) / 1000;
            const bool isAdd = band.kind == BandKind::Add;
            table.stretches[i] = {aep, CentBandOf(tariff.kp[BandIndexOf(tariff.kp, aepCents)]),
                                  CentBandOf(tariff.avp[BandIndexOf(tariff.avp, aepCents)]),
                                  isAdd ? band.value : 0.0, isAdd};
        }
        WholeUnits(tariff.avpRaise, 1000.0, kPerMilleBelow, table.raisePerMille);
        WholeUnits(tariff.narcoticSurcharge, 100.0, static_cast<double>(kCentPathLimit),
                   table.surchargeCents);
        return table;
    });
}

// ---------------------------------------------------------------------------
// What the integer way needs of a tariff (CentPathHolds).

// Limits on cents rising by at least a cent, values in whole thousandths
// (factors) or cents (amounts); Factor and Fixed bands only in a pharmacy table.
constexpr bool TableOnCents(std::span<const TariffBand> table, bool pharmacy) {
    if (table.empty())
        return false;
    for (std::size_t i = 0; i < table.size(); ++i) {
        std::uint64_t units = 0;
        if (!WholeBandValue(table[i], units) || (pharmacy && table[i].kind == BandKind::Add))
            return false;
        if (i + 1 == table.size())
            break;
        std::uint64_t cents = 0;
        if (!LastCentOf(table[i].limit, cents) || (i > 0 && cents <= LastCent(table[i - 1].limit)))
            return false;
    }
    return true;
}

// The largest amount in cents a pharmacy table gives for an AEP below
// kCentPathLimit.
constexpr double LargestCents(std::span<const TariffBand> table) {
    double largest = 0;
    for (const TariffBand& band : table)
        largest = std::max(largest, band.kind == BandKind::Factor
                                        ? static_cast<double>(kCentPathLimit) * band.value
                                        : band.value * 100.0);
    return largest;
}

// Every amount of the way below 2^28 cents, with a euro to spare for the
// roundings.
constexpr bool AmountsExact(const Tariff& tariff) {
    const double room = static_cast<double>(kExactAmountsBelow) - 100.0;
    const double surcharge = tariff.narcoticSurcharge * 100.0;
    return LargestCents(tariff.kp) + surcharge < room &&
           (LargestCents(tariff.avp) * tariff.avpRaise + surcharge) * kLargestVatFactor < room;
}

// An Add band's AEP double is the price plus the amount: it must fall in the
// pharmacy bands its cents fall in. Both sides rise with the price, so the
// two prices around each pharmacy limit tell.
constexpr bool AddBandsFollowCents(const Tariff& tariff, std::span<const TariffBand> wholesale) {
    for (std::size_t i = 0; i < wholesale.size(); ++i) {
        if (wholesale[i].kind != BandKind::Add)
            continue;
        const CentRange range = CentRangeOf(wholesale, i);
        const std::uint64_t amount = CentBandOf(wholesale[i]).offset / 1000;
        for (const std::span<const TariffBand> pharmacy : {tariff.kp, tariff.avp}) {
            for (std::size_t j = 0; j + 1 < pharmacy.size(); ++j) {
                const std::uint64_t limit = LastCent(pharmacy[j].limit);
                const std::uint64_t below = limit >= amount ? limit - amount : 0;
                for (std::uint64_t p : {below, below + 1}) {
                    p = std::clamp(p, range.first, range.last);
                    const double aep = AsDouble(p) / 100.0 + wholesale[i].value;
                    if ((p + amount <= limit) != (aep <= pharmacy[j].limit))
                        return false;
                }
            }
        }
    }
    return true;
}

constexpr bool CentTablesHold(const Tariff& tariff) {
    std::uint64_t units = 0;
    if (!TableOnCents(tariff.kp, true) || !TableOnCents(tariff.avp, true) ||
        !WholeUnits(tariff.veterinaryFactor, 1000.0, kPerMilleBelow, units) ||
        !WholeUnits(tariff.avpRaise, 1000.0, kPerMilleBelow, units) ||
        !WholeUnits(tariff.narcoticSurcharge, 100.0, static_cast<double>(kCentPathLimit), units) ||
        !AmountsExact(tariff))
        return false;
    for (AepWay way : kAepWays) {
        const bool holds = WithWholesale(tariff, way, [&tariff](std::span<const TariffBand> w) {
            return TableOnCents(w, false) && AddBandsFollowCents(tariff, w);
        });
        if (!holds || StretchEndCount(tariff, way) >= kMaxStretches)
            return false;
    }
    return true;
}

static_assert(CentTablesHold(kTariff2012), "the built-in tariff must take the integer way");

// The tables of every way, for the built-in tariff built at compile time.
struct CentTables {
    std::array<PriceCents, std::size(kAepWays)> byWay;

    const PriceCents& For(const CalcOptions& options) const {
        return byWay[static_cast<std::size_t>(AepWayOf(options))];
    }
};

constexpr CentTables MakeCentTables(const Tariff& tariff) {
    CentTables tables;
    for (AepWay way : kAepWays)
        tables.byWay[static_cast<std::size_t>(way)] = MakePriceCents(tariff, way);
    return tables;
}

inline constexpr CentTables kBuiltInCentTables = MakeCentTables(kTariff2012);

// ---------------------------------------------------------------------------
// The way itself.

// KP and AVP as counts of five cents, from an AEP in cents and the two
// pharmacy bands it falls in. RoundFiveCents on whole cents c is (2c + 5) / 10
// fives, which is (c + 2) / 5 (2c + 5 is odd, never a multiple of ten), and a
// division following a division folds into one:
// ((x / 1000) + k) / 5 = (x + 1000 k) / 5000. The raise is (net r + 500) /
// 1000 cents for r thousandths, the VAT (gross (100 + n) + 50) / 100 cents,
// then its fives.
struct FiveCounts {
    std::uint64_t kp;
    std::uint64_t avp;
};

inline FiveCounts FiveCountsOf(std::uint64_t aepCents, const PriceStretch& s,
                               const PriceCents& table, bool narcotic, unsigned vatRate) {
    const std::uint64_t surcharge = narcotic ? table.surchargeCents : 0;
    const std::uint64_t net = (aepCents * s.avp.perMille + s.avp.offset) / 1000;
    const std::uint64_t gross = (net * table.raisePerMille + 500) / 1000 + surcharge;
    return {(aepCents * s.kp.perMille + s.kp.offset + 2000 + surcharge * 1000) / 5000,
            (gross * (100 + vatRate) + 250) / 500};
}

// A count of five cents as the double RoundFiveCents gives: fives / 20, the
// same double as (5 * fives) / 100.
inline double EurosOfFives(std::uint64_t fives) {
    return AsDouble(fives) / 20.0;
}

// The rate n of a VAT factor that is exactly (100 + n)/100 rounded to double,
// n from 0 to 99 (every factor the VAT field or --vat produces); -1 otherwise.
inline constexpr std::array<double, 100> kWholeRateFactors = [] {
    std::array<double, 100> factors{};
    for (std::size_t n = 0; n < factors.size(); ++n)
        factors[n] = static_cast<double>(100 + n) / 100.0;
    return factors;
}();
static_assert(kWholeRateFactors.back() == kLargestVatFactor);

inline int WholeVatRate(double vatFactor) {
    const double t = vatFactor * 100.0 - 99.5;
    if (!(t >= 0.0 && t < static_cast<double>(kWholeRateFactors.size())))
        return -1;
    const auto n = static_cast<std::size_t>(t);
    return kWholeRateFactors[n] == vatFactor ? static_cast<int>(n) : -1;
}

// The AEP in cents of a price in its stretch.
inline std::uint64_t AepCentsOf(std::uint64_t price, const PriceStretch& s) {
    return (price * s.aep.perMille + s.aep.offset) / 1000;
}

struct CentPrices {
    std::uint64_t aepCents;
    double aep; // the AEP double the double steps give
    FiveCounts fives;
};

// The one way into the integer way, for CalcPrices and PriceRows: a price of
// cents under the VAT rate vatRate (WholeVatRate) by the tables of its
// switches. False where the double steps decide: no whole rate (-1), a price
// outside 1 to kCentPathLimit - 1 cents, an AEP that reaches kCentPathLimit.
// An Add band's AEP double is the price plus the amount as the double steps
// add them: it lies within a hundred-millionth of a cent of its cents, and
// falls in the pharmacy bands of its cents (AddBandsFollowCents), so the
// pharmacy steps and the AEP's display text follow its cents.
inline bool CentWay(const PriceCents& table, std::int64_t cents, bool narcotic, int vatRate,
                    CentPrices& out) {
    if (vatRate < 0 || cents <= 0 || cents >= kCentPathLimit)
        return false;
    const auto price = static_cast<std::uint64_t>(cents);
    const PriceStretch& s = table.stretches[table.Find(price)];
    const std::uint64_t aepCents = AepCentsOf(price, s);
    if (aepCents >= static_cast<std::uint64_t>(kCentPathLimit))
        return false;
    const double aep = s.keepsSum ? AsDouble(price) / 100.0 + s.addend : AsDouble(aepCents) / 100.0;
    out = {aepCents, aep,
           FiveCountsOf(aepCents, s, table, narcotic, static_cast<unsigned>(vatRate))};
    return true;
}

// The cents of a price that lies exactly on whole cents (the double nearest
// to them, as a typed price is read), 1 to kCentPathLimit - 1; false for
// any other amount.
inline bool WholeCentsOf(double price, std::int64_t& cents) {
    const double t = price * 100.0;
    if (!(t >= 0.5 && t < static_cast<double>(kCentPathLimit) - 0.5))
        return false;
    cents = static_cast<std::int64_t>(t + 0.5);
    return static_cast<double>(cents) / 100.0 == price;
}

} // namespace detail
} // namespace fapkalk
