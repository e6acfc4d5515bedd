// The result rows of a range or batch: for one set of switches and one VAT
// factor, what the four cells of a row show, straight from the engine's
// integer way where it applies. The command-line tool writes its lines from
// these, and a grid that keeps one price per row can compute its cells on
// demand: WriteShownText (numbers.h) gives a cell's display text,
// WriteRowLine (export_lines.h) a data line of the export.
#pragma once

#include "pricing/engine.h"
#include "pricing/numbers.h"

#include <concepts>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace fapkalk {

namespace detail {
struct PriceCents;
}

// A typed AEP leaves no FAP to show: the FAP cell and the FAP label hold
// placeholders (kAepPlaceholderCell, kAepPlaceholderLabel in calc_run.h).
inline bool ShowsFapPlaceholder(const CalcOptions& options) noexcept {
    return options.AepInput;
}

// What the cells of one result row show: exactly the FormatPrice texts of the
// typed price, AEP, KP and AVP, held as numbers.
struct RowCells {
    // ShowsFapPlaceholder: column 0 holds the placeholder, not the price.
    bool fapPlaceholder = false;
    ShownPrice fap;
    ShownPrice aep;
    ShownPrice kp;
    ShownPrice avp;
    // As PriceResult::refusal: a price of 0, all cells 0.00.
    const char* refusal = nullptr;

    friend bool operator==(const RowCells&, const RowCells&) = default;
};

// A row whose amount does not fit its 10-character cell (FormatPrice would cut
// digits). what() names the typed price and the amount, in German (UTF-8):
// "FAP 60000000.00: AVP 85387533.85 paßt nicht in die Preisspalte
// (-999999.99 bis 9999999.99)".
class AmountTooLarge : public std::runtime_error {
public:
    AmountTooLarge(const CalcOptions& options, double price, std::string_view column,
                   double amount);
};

// The cells of a row computed by CalcPrices. Throws AmountTooLarge when an
// amount does not fit.
RowCells CellsOf(double price, const PriceResult& result, const CalcOptions& options);

class PriceRows {
public:
    // Under another tariff than the built-in one the rows take the integer way
    // when it CentPathHolds: its tables are built here, once. The tariff must
    // outlive the rows.
    PriceRows(const CalcOptions& options, double vatFactor, const Tariff& tariff = BuiltInTariff());

    // The cells of the row for a price of whole cents (0 or more): the same
    // as CellsOf(price, CalcPrices(price, ...)) for the double of those cents.
    // Throws FloatError as CalcPrices does and AmountTooLarge when an amount
    // does not fit.
    RowCells Row(std::int64_t cents) const;
    // The rows of the prices first, first + step, ... (step 1 or more), one
    // for each place of out: the same as Row for each, a block at a time, so
    // that a range carries its place in the tariff from row to row. Throws
    // what Row throws.
    void Rows(std::int64_t first, std::int64_t step, std::span<RowCells> out) const;
    // Rows are whole cents: a price in euros must not be cut to cents unseen.
    template <std::floating_point Euros> RowCells Row(Euros) const = delete;

    // Throws what Row throws for the first of lowest and highest whose row
    // does not fit or cannot be computed. When both rows are fine, so is the
    // row of every price between them: from 10,000 € on every amount rises
    // with the price (open bands, and roundings that never fall as their
    // argument rises), and below they stay far inside the cells.
    void CheckRows(std::int64_t lowest, std::int64_t highest) const;

    const CalcOptions& Options() const noexcept { return options_; }
    double VatFactor() const noexcept { return vatFactor_; }

private:
    CalcOptions options_;
    double vatFactor_;
    int vatRate_; // -1: not a whole rate, or no integer way: the double steps decide
    const Tariff* tariff_;
    std::shared_ptr<const detail::PriceCents> ownTable_; // another tariff's
    const detail::PriceCents* table_;
};

} // namespace fapkalk
