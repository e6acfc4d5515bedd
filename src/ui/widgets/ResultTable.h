// The main window's result table as the export dialog and the detail window
// receive it when they open: the rows (a snapshot of the grid that no later run
// changes), the grid's column widths, and what the export's header block
// records. Neither window reads the main window itself.
#pragma once

#include "pricing/engine.h"
#include "ui/widgets/ResultGrid.h"

#include <array>
#include <memory>
#include <string>

namespace fapkalk {

// The width of each result column, as wide as the header panel above it.
inline constexpr int kGridColumnWidth = 128;

// The calculation the rows came from, as the header block records it: the
// input fields exactly as typed (UTF-8) and the switches.
struct TableCriteria {
    std::string von;     // eFAPBASIS
    std::string bis;     // eBis
    std::string staffel; // Edit1
    CalcOptions options;
    double vatFactor = kDefaultVatFactor;
};

struct ResultTable {
    std::shared_ptr<const RowStore> rows = std::make_shared<const RowStore>();
    std::array<int, RowStore::kColumns> columnWidths{kGridColumnWidth, kGridColumnWidth,
                                                     kGridColumnWidth, kGridColumnWidth};
    TableCriteria criteria;
};

} // namespace fapkalk
