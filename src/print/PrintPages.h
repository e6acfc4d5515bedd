// The printed pages: a price table laid out page by page from a row source
// (rows are computed as a page is drawn, never held as text), and the sheet of
// one calculation. Drawn with QPainter on any paged device, so the printer,
// the preview and the PDF file get the same pages. Needs QtGui only.
#pragma once

#include "pricing/price_rows.h"
#include "pricing/print_text.h"

#include <QFont>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QPagedPaintDevice;
class QPainter;
class QPaintDevice;

namespace fapkalk {

struct TablePrintJob {
    std::vector<std::string> criteria; // PrintCriteriaLines
    std::string created;               // the moment, in every footer
    std::string note;                  // below the criteria when not empty
    std::uint64_t rowCount = 0;
    // The cells of row i, for i below rowCount; called as the page is drawn.
    std::function<RowCells(std::uint64_t)> row;
};

struct SheetPrintJob {
    std::vector<std::string> criteria;
    std::string created;
    std::array<std::string, 4> prices; // the texts of FAP, AEP, KP, AVP
    std::string path;                  // the calculation path, '\n' between lines
};

// What a table's pages look like on one device: the fonts measured there,
// and so how many rows every page holds.
class TablePages {
public:
    TablePages(const TablePrintJob& job, QPaintDevice& device);

    std::uint64_t pageCount() const { return PageCount(job_.rowCount, split_); }
    PageSplit split() const { return split_; }
    // Draws page (0-based) with the painter, which paints on the device.
    void paintPage(QPainter& painter, std::uint64_t page) const;

private:
    const TablePrintJob& job_;
    QFont title_, text_, bold_;
    double width_ = 0, height_ = 0, line_ = 0, rowHeight_ = 0, headTop_ = 0, footer_ = 0;
    PageSplit split_;
};

// Progress of a long job: pages done so far; false stops it.
using PageProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// Draws pages first..last (0-based, within the table) on device, with a new
// page between them. False when progress stopped it.
bool PaintTablePages(QPainter& painter, QPagedPaintDevice& device, const TablePages& pages,
                     std::uint64_t first, std::uint64_t last, const PageProgress& progress = {});

// The sheet of one calculation on one page.
void PaintSheet(QPainter& painter, QPaintDevice& device, const SheetPrintJob& job);

// The face every page is set in (Liberation Sans), embedded in a PDF.
QFont PrintFont(double pointSize, bool bold = false);

// The text of a cell of a row as the grid shows it, without its padding.
QString CellTextOf(const RowCells& cells, int column);

} // namespace fapkalk
