// What a calculation run decides and writes that needs no window: the checks a
// range passes before anything is computed, with the messages they give, the
// row limit of the window's table, and the texts a run shows for a price (the
// placeholders of AEP mode among them). The window's run and fapkalk-cli both
// call these, so both refuse the same ranges with the same words and write the
// same cells.
#pragma once

#include "pricing/engine.h"
#include "pricing/price_text.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fapkalk {

// What a range run makes of its three inputs, in cents, before it computes
// anything.
enum class RangeCheck {
    Ok,
    VonAboveBis, // Von > Bis
    EmptyField,  // Von, Bis or Staffel is 0 (an empty field reads as 0)
};
RangeCheck CheckRange(std::int64_t von, std::int64_t bis, std::int64_t step);

// The rows of a range that passed CheckRange: row i holds the price
// von + i * step, for every i while that price does not exceed bis. Exact in
// whole cents, so bis is the last row whenever bis - von is a multiple of the
// step.
constexpr std::uint64_t RangeRowCount(std::int64_t von, std::int64_t bis, std::int64_t step) {
    return static_cast<std::uint64_t>((bis - von) / step) + 1;
}
constexpr std::int64_t RangeRowCents(std::int64_t von, std::int64_t step, std::uint64_t row) {
    return von + static_cast<std::int64_t>(row) * step;
}

// How a range table ends: at the last price up to Bis, or before it.
enum class TableEnd {
    Complete,
    Aborted,  // Abbruch, or stopped for a new run or the closing window
    RowLimit, // kMaxRangeRows (or the window's own limit) reached
    Failed,   // an amount that does not fit, a floating-point error
};

// What an export says about a table that ends before Bis, naming the last
// price: "Die Tabelle endet nach Abbruch bei FAP 1234.56."; empty for
// Complete.
std::string TableEndText(TableEnd end, bool aepInput, std::int64_t lastCents);

// The price fields of a run, and the name each has on screen: the base field
// is "Von" in a range, else named by the kind of price typed.
enum class PriceField { Base, Bis, Staffel };
std::string_view PriceFieldName(PriceField field, bool rangeMode, bool aepInput);

// The texts a run reads (UTF-8, as the fields hold them) ...
struct RunTexts {
    std::string_view base;
    std::string_view bis;
    std::string_view staffel;
    // The single-mode result label of the kind of price typed: an empty base
    // field (or 0) recomputes the price it shows.
    std::string_view shownPrice;
    bool rangeMode = false;
};

// ... and what it makes of them: the prices in cents (an empty field is 0),
// or the first field that holds no price. Bis and Staffel are read in a
// range only.
struct RunInput {
    std::int64_t von = 0;
    std::int64_t bis = 0;
    std::int64_t step = 0;
    std::optional<PriceField> refused;
    PriceTextProblem problem = PriceTextProblem::None; // of the refused field
    std::string refusedText;                           // its text, trimmed
};
RunInput ReadRunInput(const RunTexts& texts);

// The message a refused range shows (UTF-8); empty for Ok.
std::string_view RangeCheckText(RangeCheck check);

// The most rows one range run of the window writes (its grid keeps about 9
// bytes a row, so about 90 MB at the limit). A run that reaches it stops
// there and keeps its rows; the message says so.
inline constexpr int kMaxRangeRows = 10'000'000;
std::string RowLimitText(int maxRows);

// The FAP cell of a range row computed from an AEP: there is no FAP to show
// (five blanks, 9 characters).
inline constexpr std::string_view kAepPlaceholderCell = "     0.00";
// The FAP label of single mode after a run from an AEP (seven blanks, 11 characters).
inline constexpr std::string_view kAepPlaceholderLabel = "       0.00";

// The FAP label's text after a single run: FormatPrice of the price, or the
// placeholder when the typed price is an AEP.
std::string FapLabelText(double price, const CalcOptions& options);

// The captions of the single-mode result panel; each is followed by its price.
inline constexpr std::string_view kFapCaption = "Fabriksabgabepreis:       ";
inline constexpr std::string_view kAepCaption = "Apotheken-Einkaufspreis: ";
inline constexpr std::string_view kKpCaption = "Kassenpreis:       ";
inline constexpr std::string_view kAvpCaption = "Apotheken-Verkaufspreis:";

} // namespace fapkalk
