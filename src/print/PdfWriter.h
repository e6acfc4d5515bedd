// PDF files of the printed pages, written through the safe file writer: the
// pages stream into a temporary file as they are drawn (memory does not grow
// with the page count), and only a finished PDF replaces the target. A
// failed or stopped PDF leaves no file behind.
#pragma once

#include "platform/file_writer.h"
#include "print/PrintPages.h"

#include <QIODevice>
#include <string>

namespace fapkalk {

// A write-only QIODevice over SafeFileWriter; commit() makes the file.
class SafeFileDevice : public QIODevice {
public:
    explicit SafeFileDevice(const std::string& target);

    // Creates the temporary file; false with errorText() when it cannot.
    bool openFile();
    bool commit();
    std::string errorText() const;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    SafeFileWriter writer_;
    bool failed_ = false;
};

// Why a PDF was not written: error, or stopped by progress (no message).
struct PdfOutcome {
    bool written = false;
    bool stopped = false;
    std::string error;
};

// How many pages WriteTablePdf writes for job.
std::uint64_t TablePdfPageCount(const TablePrintJob& job);

// The table's pages on A4 portrait, all of them.
PdfOutcome WriteTablePdf(const std::string& target, const TablePrintJob& job,
                         const PageProgress& progress = {});
PdfOutcome WriteSheetPdf(const std::string& target, const SheetPrintJob& job);

} // namespace fapkalk
