// The words of a printed page that are not amounts: the criteria block under
// the title, the page numbers, and how a table splits into pages. Shared by
// the window's printing and fapkalk-cli's PDF, so both print the same page.
#pragma once

#include "pricing/export_lines.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fapkalk {

inline constexpr std::string_view kTablePrintTitle = "Preistabelle";
inline constexpr std::string_view kSheetPrintTitle = "Preisberechnung";
inline constexpr std::string_view kTariffName = "Arzneitaxe 2012";

// The lines below the title: basis and prices (von, bis, Staffel; the list a
// batch read; or the one price of a sheet when single is set), the mode, the
// switches in words, the VAT rate, the tariff and the moment of creation.
std::vector<std::string> PrintCriteriaLines(const ExportCriteria& criteria, bool single);

// The single calculation a sheet prints.
struct SingleCalculation {
    double price = 0;
    std::string typed; // the price as the sheet names it
    CalcOptions options;
    double vatFactor = kDefaultVatFactor;
};

// "Seite 3 von 12".
std::string PageNumberText(std::uint64_t page, std::uint64_t pages);

// How many rows a page holds: fewer on the first, under the criteria. Both
// at least 1.
struct PageSplit {
    std::uint64_t firstPageRows = 1;
    std::uint64_t rowsPerPage = 1;
};

// Every page holds whole rows, so the count is known before anything is
// drawn. A table has at least one page, also without rows.
std::uint64_t PageCount(std::uint64_t rows, PageSplit split);

// The rows of page (0-based) of a table of rows rows.
struct PageRows {
    std::uint64_t first = 0;
    std::uint64_t count = 0;
};
PageRows RowsOfPage(std::uint64_t rows, PageSplit split, std::uint64_t page);

} // namespace fapkalk
