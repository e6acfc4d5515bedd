// fapkalk-cli-pdf: fapkalk-cli's commands with --format pdf. fapkalk-cli
// starts it for them; it needs no display (the offscreen platform gives
// QtGui its fonts).
#include "cli/cli_output.h"
#include "cli/cli_pdf.h"
#include "cli/cli_run.h"
#include "cli/cli_time.h"
#include "platform/file_writer.h"
#include "platform/standard_streams.h"
#include "pricing/calc_run.h"
#include "print/PdfWriter.h"
#include "tools/date_text.h"

#include <QGuiApplication>
#include <clocale>
#include <csignal>
#include <iostream>
#include <malloc.h>
#include <string>
#include <vector>

namespace {

using namespace fapkalk;

extern "C" void OnTerminatingSignal(int signal) {
    RemoveOpenTemporaryFiles();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Qt's notes about the session (no XDG_RUNTIME_DIR and the like) are no
// business of a command's user; what goes wrong with the file is reported.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << "fapkalk-cli: " << message.toStdString() << '\n';
}

std::string Outcome(const PdfOutcome& outcome) {
    return outcome.written ? std::string() : outcome.error;
}

std::string PrintTable(const std::string& file, const cli::PdfTable& table) {
    TablePrintJob job;
    job.criteria = PrintCriteriaLines(table.criteria, false);
    job.created = std::string(table.criteria.created);
    job.rowCount = table.rowCount;
    job.row = table.row;
    return Outcome(WriteTablePdf(file, job));
}

std::string PrintSheet(const std::string& file, const cli::PdfSheet& sheet) {
    SheetPrintJob job;
    job.criteria = PrintCriteriaLines(sheet.criteria, true);
    job.created = std::string(sheet.criteria.created);
    job.prices = {
        FapLabelText(sheet.price, sheet.criteria.options), CellTextOf(sheet.cells, 1).toStdString(),
        CellTextOf(sheet.cells, 2).toStdString(), CellTextOf(sheet.cells, 3).toStdString()};
    job.path = sheet.path;
    return Outcome(WriteSheetPdf(file, job));
}

} // namespace

int main(int argc, char** argv) {
    SecureProcessEdges();
    std::setlocale(LC_MESSAGES, "");
    cli::SetCreatedTextFormatter(tools::CreatedTextAt);
    cli::SetPdfPrinter({PrintTable, PrintSheet});
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, OnTerminatingSignal);
    std::ios::sync_with_stdio(false);

    // Every page's content is built in buffers of a few hundred kilobytes
    // that are freed again: without this, the C library hands that memory back
    // to the system after every page and faults it in anew for the next, which
    // took most of the time of a long table.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);

    qInstallMessageHandler(QuietQtMessages);
    // Pages need fonts, not a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    // Qt took the user's locale for everything; numbers never follow it.
    std::setlocale(LC_ALL, "C");
    std::setlocale(LC_MESSAGES, "");

    const std::vector<std::string> args(argv + 1, argv + argc);
    cli::FdSink out(1);
    cli::FdSink err(2);
    return cli::RunCli(args, std::cin, out, err);
}
