// What --format pdf prints. Drawing pages needs QtGui, which the tool does not
// load for its other commands: fapkalk-cli hands a PDF command line to
// fapkalk-cli-pdf, which sets the printer here and runs the same RunCli, so
// the checks, the rows and the messages stay the tool's own.
#pragma once

#include "pricing/export_lines.h"
#include "pricing/price_rows.h"

#include <cstdint>
#include <functional>
#include <string>

namespace fapkalk::cli {

struct PdfTable {
    const ExportCriteria& criteria; // created set
    std::uint64_t rowCount;
    std::function<RowCells(std::uint64_t)> row;
};

struct PdfSheet {
    const ExportCriteria& criteria; // von: the price as typed
    double price;
    RowCells cells;
    std::string path; // the calculation path
};

// Each returns empty when the file was written, else why not (German).
struct PdfPrinter {
    std::string (*table)(const std::string& file, const PdfTable& table) = nullptr;
    std::string (*sheet)(const std::string& file, const PdfSheet& sheet) = nullptr;
};

void SetPdfPrinter(const PdfPrinter& printer);

// The program that draws the pages, beside fapkalk-cli.
inline constexpr const char* kPdfProgram = "fapkalk-cli-pdf";

} // namespace fapkalk::cli
