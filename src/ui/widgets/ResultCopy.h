// Copying the single result: the four prices as one spreadsheet row, the same
// row Ctrl+C in the result grid gives (GridCopy.h), and as one line of text
// for text targets, "FAP 12.50 · AEP 13.81 · KP 18.65 · AVP 26.05".
//
// Both go on the clipboard at once. The grid's copy is plain text with tabs,
// which a text target shows with its tabs; here text/plain is the readable
// line, and the spreadsheet gets its row twice: as an HTML table of one row
// (what spreadsheets take first when they paste) and as
// text/tab-separated-values, byte for byte the grid's row.
#pragma once

#include "pricing/price_rows.h"

#include <functional>
#include <string>

class QMimeData;
class QWidget;

namespace fapkalk {

// "FAP 12.50 · AEP 13.81 · KP 18.65 · AVP 26.05" (UTF-8); an AEP input has no
// FAP to give and leaves it out.
std::string PricesTextLine(const RowCells& cells);

// The grid copy's line for the row: tabs, decimal comma, ended by "\n".
std::string PricesSpreadsheetRow(const RowCells& cells);

inline constexpr const char* kTsvMimeType = "text/tab-separated-values";

// The clipboard data for the row: text/plain, text/html and kTsvMimeType.
QMimeData* PricesMimeData(const RowCells& cells);

// Puts the prices on the clipboard; false when there is none.
bool CopyPrices(const RowCells& cells);

// Ctrl+C in field (a line edit): with no text selected, copy() is asked to
// copy the result; when it returns false, or text is selected, the field
// copies as usual. The handler is a child of field.
void InstallResultCopyKey(QWidget* field, std::function<bool()> copy);

} // namespace fapkalk
