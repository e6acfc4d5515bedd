// The rows of --format csv and --format json, for scripts: written from a
// row's numbers straight into the output block, as the export's data lines
// are (no text is made for a cell).
#pragma once

#include "pricing/margins.h"
#include "pricing/price_rows.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace fapkalk::cli {

// RFC 4180 with a decimal point; every line ends with LF.
inline constexpr std::string_view kCsvHeaderLine = "FAP,AEP,KP,AVP\n";
// With --margins: the two margins in euros after the prices.
inline constexpr std::string_view kCsvMarginsHeaderLine = "FAP,AEP,KP,AVP,MARGE_KP,MARGE_AVP\n";

// The longest row either writes: four amounts of at most 11 characters
// ("-999999.99", "9999999.99") and the JSON object's keys and separators,
// and the two margins with their keys.
inline constexpr std::size_t kMaxFormatRowSize = 4 * 11 + 36 + 2 * kMaxCentsTextSize + 31;

// "12.50,13.81,18.65,26.05\n". An AEP typed as input leaves the FAP field
// empty: there is no FAP to give (the export's 0.00 is a placeholder).
char* WriteCsvRow(char* out, const RowCells& cells);

// {"fap": 12.50, "aep": 13.81, "kp": 18.65, "avp": 26.05} and LF: JSON Lines,
// the amounts as numbers with two decimals. An AEP input gives "fap": null.
char* WriteJsonRow(char* out, const RowCells& cells);

// Adds the margins to a row that WriteCsvRow (json false) or WriteJsonRow
// (json true) ended at rowEnd: ",4.84,9.87" or ', "margin_kp": 4.84,
// "margin_avp": 9.87' before its end. A row without margins (a refused
// price) gets empty fields or null.
char* AddMargins(char* rowEnd, bool json, const std::optional<PriceMargins>& margins);

} // namespace fapkalk::cli
