// Ctrl+C in a result grid: the selected rows as tab-separated text with a
// decimal comma, ready to paste into a spreadsheet.
//
// The text is built from the grid's row store by plain functions (testable
// without a clipboard); the key handler only hands it to the clipboard.
// Selections are taken as row ranges, never as lists of cells, so a million
// selected rows cost one pass over the store. Each row is written from its
// numbers as the export's spreadsheet layout writes it, so a pasted row holds
// the same cells as the XLS file.
#pragma once

#include <QObject>
#include <span>
#include <string>
#include <vector>

class QItemSelection;
class QTableView;

namespace fapkalk {

class RowStore;
struct RowCells;

// An inclusive range of rows, first <= last.
struct RowSpan {
    int first;
    int last;
    friend bool operator==(const RowSpan&, const RowSpan&) = default;
};

// The spans cut to rows 0..rowCount-1, sorted by row and with overlapping or
// touching spans joined, so every row appears once and in row order.
std::vector<RowSpan> NormalizedRowSpans(std::vector<RowSpan> spans, int rowCount);

// One row as the grid copies it: the four cells as a spreadsheet reads them
// (blanks around them removed, a decimal comma) separated by tabs and ended
// by "\n". Returns the end; out has room for kMaxRowLineSize characters.
char* WriteSpreadsheetRow(char* out, const RowCells& cells);

// The rows of the spans (normalized first), one line per row: the four cells
// as a spreadsheet reads them (blanks around them removed, a decimal comma)
// separated by tabs, every line ended by "\n". Empty when no row is selected.
std::string RowsAsSpreadsheetText(const RowStore& store, std::vector<RowSpan> spans);

// The rows a selection of a row-selecting view covers, as spans (one per
// selection range, not per cell).
std::vector<RowSpan> SelectedRowSpans(const QItemSelection& selection);

// Puts the selected rows of a grid showing a ResultGridModel on the clipboard.
// Returns false, and leaves the clipboard alone, when no row is selected or the
// grid shows another model.
bool CopySelectedRows(QTableView* grid);

// Makes Ctrl+C (QKeySequence::Copy) in the grid call CopySelectedRows instead
// of the view's own copy of the current cell. The handler is a child of the grid.
void InstallGridCopy(QTableView* grid);

} // namespace fapkalk
