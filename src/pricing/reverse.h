// From a target price back to the input prices that give it: which FAPs (or
// AEPs, when the AEP is typed) give an AEP, KP or AVP of exactly this amount,
// or, when none does, the nearest results below and above it.
//
// The search runs over whole-cent input prices from 0.01 € to the largest
// price whose row still fits its cells (LargestInputCents), by bisection over
// CalcPrices itself: AEP, KP and AVP never decrease as a whole-cent input
// price rises, so the inputs that give one result form one interval, and the
// answer always agrees with the forward calculation.
//
//   const ReverseSearch search(options, vatFactor);
//   const ReverseResult r = search.Find(ReverseTarget::Avp, 2605);
//   if (r.reached) ... r.fromCents to r.toCents give exactly 26.05
//   else ... r.below / r.above, each with an input and its result
//
// Amounts are whole cents; a result counts as the cents its display text
// shows (an open band's AEP lies a hair beside its cents as a double).
#pragma once

#include "pricing/engine.h"
#include "pricing/price_rows.h"

#include <cstdint>
#include <optional>

namespace fapkalk {

enum class ReverseTarget { Aep, Kp, Avp };

// An input price and the result it gives in the target column.
struct ReversePoint {
    std::int64_t inputCents;
    std::int64_t resultCents;
    friend bool operator==(const ReversePoint&, const ReversePoint&) = default;
};

struct ReverseResult {
    bool reached = false;
    // Reached: the lowest and highest input price that give the target.
    std::int64_t fromCents = 0;
    std::int64_t toCents = 0;
    // Not reached: the nearest result below the target with the highest input
    // giving it (none when even 0.01 € gives more), and the nearest result
    // above with the lowest input giving it (none when even the largest input
    // gives less).
    std::optional<ReversePoint> below;
    std::optional<ReversePoint> above;
    friend bool operator==(const ReverseResult&, const ReverseResult&) = default;
};

class ReverseSearch {
public:
    // Finds the largest input price of these switches and VAT factor (a few
    // dozen calculations). Throws FloatError as CalcPrices does for a VAT
    // factor that makes every amount fail.
    ReverseSearch(const CalcOptions& options, double vatFactor);

    // The largest whole-cent input price whose FAP (when typed), AEP, KP and
    // AVP all fit their 10-character cells.
    std::int64_t LargestInputCents() const { return largestCents_; }

    // The cents the target column shows for an input price from 0.01 € to
    // LargestInputCents.
    std::int64_t ResultCents(ReverseTarget target, std::int64_t inputCents) const;

    ReverseResult Find(ReverseTarget target, std::int64_t targetCents) const;

private:
    PriceRows rows_;
    std::int64_t largestCents_ = 0;
};

} // namespace fapkalk
