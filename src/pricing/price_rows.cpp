#include "pricing/price_rows.h"

#include "pricing/cent_path.h"
#include "pricing/rounding_detail.h"

#include <optional>

namespace fapkalk {

namespace {

// The amount as the display text would show it with room enough: the
// six-decimal text cut after two decimals.
std::string UncutText(double amount) {
    std::string text = detail::SixDecimalsReference(amount + 0.000000000000001);
    if (text.size() > 4 && text[text.size() - 7] == '.')
        text.resize(text.size() - 4);
    return text;
}

std::string TooLargeText(const CalcOptions& options, double price, std::string_view column,
                         double amount) {
    std::string text = options.AepInput ? "AEP " : "FAP ";
    text += UncutText(price);
    if (column != (options.AepInput ? "AEP" : "FAP")) {
        text += ": ";
        text += column;
        text += ' ';
        text += UncutText(amount);
    }
    text += " paßt nicht in die Preisspalte (-999999.99 bis 9999999.99)";
    return text;
}

ShownPrice Shown(const CalcOptions& options, double price, std::string_view column, double amount) {
    const std::optional<ShownPrice> shown = ShownPriceOf(amount);
    if (!shown)
        throw AmountTooLarge(options, price, column, amount);
    return *shown;
}

// Every amount of the integer way lies below 2^28 cents: all fit.
static_assert(detail::kExactAmountsBelow < 1'000'000'000);

} // namespace

AmountTooLarge::AmountTooLarge(const CalcOptions& options, double price, std::string_view column,
                               double amount)
    : std::runtime_error(TooLargeText(options, price, column, amount)) {}

RowCells CellsOf(double price, const PriceResult& result, const CalcOptions& options) {
    RowCells cells;
    cells.fapPlaceholder = ShowsFapPlaceholder(options);
    if (cells.fapPlaceholder)
        cells.aep = Shown(options, price, "AEP", result.aep);
    else {
        cells.fap = Shown(options, price, "FAP", price);
        cells.aep = Shown(options, price, "AEP", result.aep);
    }
    cells.kp = Shown(options, price, "KP", result.kp);
    cells.avp = Shown(options, price, "AVP", result.avp);
    cells.refusal = result.refusal;
    return cells;
}

PriceRows::PriceRows(const CalcOptions& options, double vatFactor, const Tariff& tariff)
    : options_(options), vatFactor_(vatFactor), vatRate_(detail::WholeVatRate(vatFactor)),
      tariff_(&tariff), table_(&detail::kBuiltInCentTables.For(options)) {
    if (&tariff == &kTariff2012)
        return;
    if (CentPathHolds(tariff)) {
        ownTable_ = std::make_shared<const detail::PriceCents>(
            detail::MakePriceCents(tariff, detail::AepWayOf(options)));
        table_ = ownTable_.get();
    } else {
        vatRate_ = -1;
    }
}

RowCells PriceRows::Row(std::int64_t cents) const {
    detail::CentPrices prices;
    if (detail::CentWay(*table_, cents, options_.Narcotic, vatRate_, prices)) {
        RowCells cells;
        cells.fapPlaceholder = ShowsFapPlaceholder(options_);
        if (!cells.fapPlaceholder)
            cells.fap = {static_cast<std::uint64_t>(cents), false};
        cells.aep = {prices.aepCents, false};
        cells.kp = {prices.fives.kp * 5, false};
        cells.avp = {prices.fives.avp * 5, false};
        return cells;
    }
    // Prices are read exactly in cents, so the double is exact enough: it is
    // the one nearest to those cents.
    const double price = static_cast<double>(cents) / 100.0;
    return CellsOf(price, CalcPrices(price, options_, vatFactor_, *tariff_), options_);
}

void PriceRows::Rows(std::int64_t first, std::int64_t step, std::span<RowCells> out) const {
    if (out.empty())
        return;
    // The last price below kCentPathLimit, asked without a product that
    // could overflow.
    const bool onIntegerWay =
        vatRate_ >= 0 && step >= 1 && first >= 1 && first < detail::kCentPathLimit &&
        out.size() - 1 <= static_cast<std::uint64_t>((detail::kCentPathLimit - 1 - first) / step);
    if (!onIntegerWay) {
        for (RowCells& cells : out) {
            cells = Row(first);
            first += step;
        }
        return;
    }
    // Every price of the block lies on the integer way. The prices rise, so
    // the stretch they fall in only moves forward: found once, then walked.
    const detail::PriceCents& table = *table_;
    // Read once: the stores into out could alias them for the compiler.
    const bool placeholder = ShowsFapPlaceholder(options_);
    const bool narcotic = options_.Narcotic;
    const auto rate = static_cast<unsigned>(vatRate_);
    auto price = static_cast<std::uint64_t>(first);
    std::size_t s = table.Find(price);
    for (RowCells& cells : out) {
        while (price > table.last[s])
            ++s;
        const detail::PriceStretch& stretch = table.stretches[s];
        const std::uint64_t aepCents = detail::AepCentsOf(price, stretch);
        if (aepCents >= static_cast<std::uint64_t>(detail::kCentPathLimit)) [[unlikely]] {
            cells = Row(static_cast<std::int64_t>(price));
        } else {
            const detail::FiveCounts fives =
                detail::FiveCountsOf(aepCents, stretch, table, narcotic, rate);
            cells = {placeholder,           {placeholder ? 0 : price, false}, {aepCents, false},
                     {fives.kp * 5, false}, {fives.avp * 5, false},           nullptr};
        }
        price += static_cast<std::uint64_t>(step);
    }
}

void PriceRows::CheckRows(std::int64_t lowest, std::int64_t highest) const {
    (void)Row(lowest);
    (void)Row(highest);
}

} // namespace fapkalk
