#include "pricing/reverse.h"

namespace fapkalk {

namespace {

// The first value in [low, high) where holds turns true, or high; holds must
// be false up to some value and true from there on.
template <class Holds> std::int64_t FirstWhere(std::int64_t low, std::int64_t high, Holds holds) {
    while (low < high) {
        const std::int64_t middle = low + (high - low) / 2;
        if (holds(middle))
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

// No row from 10,000,000 € on fits: the typed price's own cell, or the AEP's.
constexpr std::int64_t kNoInputFitsFrom = 1'000'000'000;

} // namespace

ReverseSearch::ReverseSearch(const CalcOptions& options, double vatFactor)
    : rows_(options, vatFactor) {
    // Every amount of a row rises with the input price, so the rows that fit
    // are those below the first that does not.
    largestCents_ = FirstWhere(1, kNoInputFitsFrom,
                               [this](std::int64_t cents) {
                                   try {
                                       (void)rows_.Row(cents);
                                       return false;
                                   } catch (const AmountTooLarge&) {
                                       return true;
                                   }
                               }) -
                    1;
}

std::int64_t ReverseSearch::ResultCents(ReverseTarget target, std::int64_t inputCents) const {
    const RowCells cells = rows_.Row(inputCents);
    const ShownPrice& shown = target == ReverseTarget::Aep  ? cells.aep
                              : target == ReverseTarget::Kp ? cells.kp
                                                            : cells.avp;
    return static_cast<std::int64_t>(shown.cents);
}

ReverseResult ReverseSearch::Find(ReverseTarget target, std::int64_t targetCents) const {
    const std::int64_t end = largestCents_ + 1;
    const auto result = [&](std::int64_t input) { return ResultCents(target, input); };
    const std::int64_t first =
        FirstWhere(1, end, [&](std::int64_t input) { return result(input) >= targetCents; });
    ReverseResult answer;
    if (first < end && result(first) == targetCents) {
        answer.reached = true;
        answer.fromCents = first;
        answer.toCents =
            FirstWhere(first, end,
                       [&](std::int64_t input) { return result(input) > targetCents; }) -
            1;
        return answer;
    }
    if (first > 1)
        answer.below = ReversePoint{first - 1, result(first - 1)};
    if (first < end)
        answer.above = ReversePoint{first, result(first)};
    return answer;
}

} // namespace fapkalk
