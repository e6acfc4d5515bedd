// Printing and saving pages from the windows: the question before a long
// job, the pages a print range asks for, and the preview told from paper.
#include "outputtestkit.h"

#include "print/PdfWriter.h"
#include "tools/messages.h"
#include "ui/main/FAP_Main.h"
#include "ui/output/Fap_DetMore.h"
#include "ui/output/PrintJobs.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace fapkalk;

namespace {

// The pages of a PDF file, counted as poppler counts page objects.
int PdfPages(const QString& path) {
    static const QRegularExpression page(QStringLiteral(R"(/Type\s*/Page[^s])"));
    return int(QString::fromLatin1(testkit::ReadFile(path)).count(page));
}

} // namespace

class TestPrintJobs : public QObject {
    Q_OBJECT

private slots:
    void longJobsAskFirst_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("written");
        QTest::newRow("two pages") << 100 << false << false << true;
        QTest::newRow("many pages, no") << 9000 << false << true << false;
        QTest::newRow("many pages, yes") << 9000 << true << true << true;
    }

    void longJobsAskFirst() {
        QFETCH(int, rows);
        QFETCH(bool, yes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.pdf"));
        const TablePrintJob job = TablePrintJobOf(testkit::TableWithPrices(rows), "07.12.2026");
        const std::uint64_t pages = TablePdfPageCount(job);
        QStringList questions;
        const auto previous = tools::SetMessageHandler([&](QWidget*, const tools::Message& m) {
            questions << m.text;
            return yes ? tools::MessageAnswer::Yes : tools::MessageAnswer::No;
        });
        const bool written = SaveTablePdfTo(nullptr, job, path.toStdString());
        tools::SetMessageHandler(previous);
        QTEST(written, "written");
        QTEST(QFile::exists(path), "written");
        QTEST(!questions.isEmpty(), "asked");
        if (!questions.isEmpty())
            QVERIFY2(questions.first().contains(QString::number(pages)),
                     qPrintable(questions.first()));
        if (written)
            QCOMPARE(PdfPages(path), int(pages));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), written ? 1 : 0);
    }

    void printRange_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("pages");
        QTest::newRow("all") << 0 << 0 << 4;
        QTest::newRow("two in the middle") << 2 << 3 << 2;
        QTest::newRow("beyond the end") << 3 << 99 << 2;
        QTest::newRow("last page") << 4 << 4 << 1;
        QTest::newRow("first page") << 1 << 1 << 1;
    }

    // A printer's page range prints those pages; the preview and the paper
    // are told apart, so only the preview is cut to its first pages.
    void printRange() {
        QFETCH(int, from);
        QFETCH(int, to);
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("p.pdf")));
        printer.setPageSize(QPageSize(QPageSize::A4));
        // Three full pages and one row on the fourth.
        const TablePages measure(TablePrintJobOf(testkit::TableWithPrices(1), "07.12.2026"),
                                 printer);
        const PageSplit split = measure.split();
        const int rows = int(split.firstPageRows + 2 * split.rowsPerPage + 1);
        const TablePrintJob job = TablePrintJobOf(testkit::TableWithPrices(rows), "07.12.2026");
        QCOMPARE(TablePages(job, printer).pageCount(), std::uint64_t(4));
        if (from > 0) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(from, to);
        }
        QPrintPreviewWidget preview(&printer);
        QList<bool> previews;
        connect(&preview, &QPrintPreviewWidget::paintRequested, this, [&](QPrinter* p) {
            previews << IsPreview(*p);
            QVERIFY(PrintTableOn(nullptr, *p, job));
        });
        preview.updatePreview();
        QTEST(preview.pageCount(), "pages");
        preview.print();
        QCOMPARE(previews, (QList<bool>{true, false}));
        QTEST(PdfPages(printer.outputFileName()), "pages");
    }

    // Where the pharmacist finds them: the tables' menus and the detail
    // window's buttons for the table, the result panel's menu for the sheet.
    void entriesInTheWindows() {
        const auto form = testkit::MakeMainWindow();
        for (const char* name : {"miDrucken", "miPdf", "miBerechnungDrucken", "miBerechnungPdf"})
            QVERIFY2(form->findChild<QAction*>(QString::fromLatin1(name)), name);
        QCOMPARE(form->findChild<QAction*>(QStringLiteral("miDrucken"))->shortcut(),
                 QKeySequence(QKeySequence::Print));
        TDetMore detail;
        QCOMPARE(detail.btDrucken->text(), QStringLiteral("&Drucken…"));
        QCOMPARE(detail.btPdf->text(), QStringLiteral("Als &PDF speichern…"));
        QVERIFY(detail.findChild<QAction*>(QStringLiteral("miPdf")));
    }

    // On paper through a real print system, when cups_print_test.sh has set
    // up a queue; the script reads back what it printed.
    void printThroughCups() {
        const QString queue = qEnvironmentVariable("FAPKALK_TEST_QUEUE");
        if (queue.isEmpty())
            QSKIP("no print queue: cups_print_test.sh sets one up");
        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(queue);
        QVERIFY(printer.isValid());
        printer.setDocName(qEnvironmentVariable("FAPKALK_TEST_JOB"));
        const TablePrintJob job =
            TablePrintJobOf(testkit::TableWithPrices(150), "07.12.2026 14:05:09");
        QVERIFY(PrintTableOn(nullptr, printer, job));
        // The same pages on the queue's paper into a file, for the script to
        // hold the paper against (the print system's PDF keeps no text).
        QPrinter file(QPrinter::HighResolution);
        file.setOutputFormat(QPrinter::PdfFormat);
        file.setOutputFileName(qEnvironmentVariable("FAPKALK_TEST_REFERENCE"));
        file.setPageLayout(printer.pageLayout());
        QVERIFY(PrintTableOn(nullptr, file, job));
    }
};

QTEST_MAIN(TestPrintJobs)
#include "test_print_jobs.moc"
