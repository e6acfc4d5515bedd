// What a calculation run decides and writes that needs no window: the checks a
// range passes before anything is computed, with the messages they give, the
// row limit of the window's table, and the texts a run shows for a price (the
// placeholders of AEP mode among them). The window's run and fapkalk-cli both
// call these, so both refuse the same ranges with the same words and write the
// same cells.
#pragma once

#include "pricing/engine.h"

#include <string>
#include <string_view>

namespace fapkalk {

// What a range run makes of its three inputs before it computes anything.
enum class RangeCheck {
    Ok,
    VonAboveBis, // Von > Bis
    EmptyField,  // Von, Bis or Staffel is 0 (an empty field reads as 0)
    BadStep,     // a negative step, or one too small to move the running sum
};
RangeCheck CheckRange(double von, double bis, double step);

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
