#include "print/PdfWriter.h"

#include <QBuffer>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace fapkalk {

SafeFileDevice::SafeFileDevice(const std::string& target) : writer_(target) {}

bool SafeFileDevice::openFile() {
    if (!writer_.Open())
        return false;
    return open(QIODevice::WriteOnly);
}

qint64 SafeFileDevice::writeData(const char* data, qint64 size) {
    if (failed_ || size < 0)
        return -1;
    if (!writer_.Append(std::string_view(data, static_cast<std::size_t>(size)))) {
        failed_ = true;
        return -1;
    }
    return size;
}

bool SafeFileDevice::commit() {
    close();
    return !failed_ && writer_.Commit();
}

std::string SafeFileDevice::errorText() const {
    return writer_.error();
}

namespace {

constexpr double kMarginMm = 15;

void SetUpPages(QPdfWriter& pdf) {
    pdf.setCreator(QStringLiteral("fapkalk"));
    pdf.setTitle(QStringLiteral("fapkalk"));
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                  QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                  QPageLayout::Millimeter));
}

// Draws the pages with draw(painter, writer) into target; draw returns false
// to stop, and then nothing is written.
template <class Draw> PdfOutcome WritePdf(const std::string& target, Draw&& draw) {
    PdfOutcome outcome;
    SafeFileDevice file(target);
    if (!file.openFile()) {
        outcome.error = file.errorText();
        return outcome;
    }
    QPdfWriter pdf(&file);
    SetUpPages(pdf);
    QPainter painter;
    if (!painter.begin(&pdf)) {
        outcome.error = file.errorText();
        return outcome;
    }
    const bool finished = draw(painter, pdf);
    painter.end();
    if (!finished) {
        outcome.stopped = true;
        return outcome; // the file's destructor drops the temporary file
    }
    outcome.written = file.commit();
    if (!outcome.written)
        outcome.error = file.errorText();
    return outcome;
}

} // namespace

std::uint64_t TablePdfPageCount(const TablePrintJob& job) {
    QBuffer nowhere; // measured only: nothing is drawn
    QPdfWriter pdf(&nowhere);
    SetUpPages(pdf);
    return TablePages(job, pdf).pageCount();
}

PdfOutcome WriteTablePdf(const std::string& target, const TablePrintJob& job,
                         const PageProgress& progress) {
    return WritePdf(target, [&](QPainter& painter, QPdfWriter& pdf) {
        const TablePages pages(job, pdf);
        return PaintTablePages(painter, pdf, pages, 0, pages.pageCount() - 1, progress);
    });
}

PdfOutcome WriteSheetPdf(const std::string& target, const SheetPrintJob& job) {
    return WritePdf(target, [&](QPainter& painter, QPdfWriter& pdf) {
        PaintSheet(painter, pdf, job);
        return true;
    });
}

} // namespace fapkalk
