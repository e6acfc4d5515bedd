// Ctrl+C in the result grids: the selected rows as tab-separated lines with a
// decimal comma, built from the row store, and put on the clipboard by the key.
#include "message_recorder.h"

#include "pricing/engine.h"
#include "pricing/numbers.h"
#include "ui/main/FAP_Main.h"
#include "ui/mainwindowkit.h"
#include "ui/output/Fap_DetMore.h"
#include "ui/widgets/GridCopy.h"
#include "ui/widgets/ResultGrid.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTableView>
#include <QtTest>
#include <string>
#include <vector>

using namespace fapkalk;
using testkit::kNoIni;
using testkit::MainControls;

using Spans = std::vector<RowSpan>;
Q_DECLARE_METATYPE(Spans)

namespace {

// A store of rows computed as a range run computes them (FAP 1.00, 2.00, ...).
RowStore storeOfPrices(int rows, bool aepInput) {
    CalcOptions options;
    options.AepInput = aepInput;
    RowStore store(options, kDefaultVatFactor, 100, 100 * rows, 100);
    for (int row = 0; row < rows; ++row)
        store.appendRow();
    return store;
}

// The expected text, built the plain way: every row in the list, its cells
// trimmed and with a comma for the point, tab-separated, each line ended.
std::string expectedText(const RowStore& store, const std::vector<int>& rows) {
    QString text;
    for (int row : rows) {
        QStringList cells;
        for (int column = 0; column < RowStore::kColumns; ++column) {
            cells << QString::fromStdString(store.cellText(row, column))
                         .trimmed()
                         .replace(u'.', u',');
        }
        text += cells.join(u'\t') + u'\n';
    }
    return text.toStdString();
}

void selectRows(QTableView* grid, const Spans& spans) {
    QItemSelection selection;
    for (const RowSpan& span : spans)
        selection.select(grid->model()->index(span.first, 0),
                         grid->model()->index(span.last, RowStore::kColumns - 1));
    grid->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void pressCopy(QTableView* grid) {
    grid->setFocus();
    const QKeySequence copy(QKeySequence::Copy);
    QVERIFY(!copy.isEmpty());
    QTest::keyClick(grid, Qt::Key(copy[0].key()), copy[0].keyboardModifiers());
}

} // namespace

class TestGridCopy : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { tools::SetMessageHandler({}); }

    void normalizedSpans_data();
    void normalizedSpans();
    void copiedText_data();
    void copiedText();
    void knownRowOfTheTariff();
    void millionRowsAreQuick();
    void ctrlCInMainGrid_data();
    void ctrlCInMainGrid();
    void ctrlCInDetailGrid();
};

void TestGridCopy::normalizedSpans_data() {
    QTest::addColumn<Spans>("spans");
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<Spans>("normalized");
    QTest::newRow("one") << Spans{{2, 4}} << 10 << Spans{{2, 4}};
    QTest::newRow("out of order") << Spans{{7, 8}, {1, 2}} << 10 << Spans{{1, 2}, {7, 8}};
    QTest::newRow("overlapping") << Spans{{1, 5}, {3, 9}} << 10 << Spans{{1, 9}};
    QTest::newRow("touching") << Spans{{4, 6}, {1, 3}} << 10 << Spans{{1, 6}};
    QTest::newRow("inside") << Spans{{0, 9}, {3, 4}} << 10 << Spans{{0, 9}};
    QTest::newRow("reversed") << Spans{{5, 2}} << 10 << Spans{{2, 5}};
    QTest::newRow("cut to rows") << Spans{{-3, 1}, {8, 40}} << 10 << Spans{{0, 1}, {8, 9}};
    QTest::newRow("beyond the end") << Spans{{10, 12}} << 10 << Spans{};
    QTest::newRow("none") << Spans{} << 10 << Spans{};
    QTest::newRow("largest row") << Spans{{5, INT_MAX}, {INT_MAX, INT_MAX}} << INT_MAX
                                 << Spans{{5, INT_MAX - 1}};
}

void TestGridCopy::normalizedSpans() {
    QFETCH(Spans, spans);
    QFETCH(int, rowCount);
    QFETCH(Spans, normalized);
    QCOMPARE(NormalizedRowSpans(spans, rowCount), normalized);
}

void TestGridCopy::copiedText_data() {
    QTest::addColumn<Spans>("spans");
    QTest::addColumn<bool>("aepInput");
    QTest::addColumn<std::vector<int>>("rows");
    QTest::newRow("contiguous") << Spans{{2, 4}} << false << std::vector<int>{2, 3, 4};
    QTest::newRow("non-contiguous, in row order")
        << Spans{{7, 7}, {0, 1}, {4, 4}} << false << std::vector<int>{0, 1, 4, 7};
    QTest::newRow("overlapping selections once")
        << Spans{{1, 3}, {2, 5}} << false << std::vector<int>{1, 2, 3, 4, 5};
    QTest::newRow("AEP placeholder") << Spans{{0, 2}} << true << std::vector<int>{0, 1, 2};
    QTest::newRow("all") << Spans{{0, 9}} << false
                         << std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    QTest::newRow("empty selection") << Spans{} << false << std::vector<int>{};
}

void TestGridCopy::copiedText() {
    QFETCH(Spans, spans);
    QFETCH(bool, aepInput);
    QFETCH(std::vector<int>, rows);
    const RowStore store = storeOfPrices(10, aepInput);
    const std::string text = RowsAsSpreadsheetText(store, spans);
    QCOMPARE(text, expectedText(store, rows));
    // One line per row, four cells each, no point left.
    QCOMPARE(qsizetype(std::count(text.begin(), text.end(), '\n')), qsizetype(rows.size()));
    QCOMPARE(qsizetype(std::count(text.begin(), text.end(), '\t')), qsizetype(3 * rows.size()));
    QCOMPARE(text.find('.'), std::string::npos);
    QCOMPARE(text.find(' '), std::string::npos);
    if (aepInput && !rows.empty())
        QVERIFY(text.starts_with("0,00\t"));
}

void TestGridCopy::knownRowOfTheTariff() {
    // FAP 10.00: AEP 11.25, KP 15.20, AVP 21.20.
    const RowStore store = storeOfPrices(10, false);
    QCOMPARE(RowsAsSpreadsheetText(store, {{9, 9}}), std::string("10,00\t11,25\t15,20\t21,20\n"));
    // A grid before any run: its one empty row.
    QCOMPARE(RowsAsSpreadsheetText(RowStore(), {{0, 0}}), std::string("\t\t\t\n"));
}

void TestGridCopy::millionRowsAreQuick() {
    constexpr int rows = 1'000'000;
    // Every row is FAP 1.00 (a step of 0, which no run takes).
    RowStore store(CalcOptions{}, kDefaultVatFactor, 100, 100, 0);
    for (int row = 0; row < rows; ++row)
        store.appendRow();
    QElapsedTimer clock;
    clock.start();
    const std::string text = RowsAsSpreadsheetText(store, {{0, rows - 1}});
    const qint64 ms = clock.elapsed();
    qInfo("text of %d rows built in %lld ms", rows, ms);
    QCOMPARE(text.size(), std::size_t(rows) * std::string("1,00\t1,16\t1,60\t2,30\n").size());
    // Generous even under the sanitizers; a per-cell selection list would
    // already take longer than this.
    QVERIFY2(ms < 5000, qPrintable(QString::number(ms)));
}

void TestGridCopy::ctrlCInMainGrid_data() {
    QTest::addColumn<Spans>("spans");
    QTest::addColumn<bool>("copies");
    QTest::newRow("contiguous") << Spans{{1, 3}} << true;
    QTest::newRow("non-contiguous") << Spans{{5, 6}, {0, 0}} << true;
    QTest::newRow("nothing selected") << Spans{} << false;
}

void TestGridCopy::ctrlCInMainGrid() {
    QFETCH(Spans, spans);
    QFETCH(bool, copies);
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    form.ToggleMode();
    ui.eFAPBASIS->setText(QStringLiteral("1"));
    ui.eBis->setText(QStringLiteral("8"));
    ui.Edit1->setText(QStringLiteral("1"));
    form.RunCalculation();
    QCOMPARE(form.GridModel().rowCountExact(), 8);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    const QString sentinel = QStringLiteral("vorher");
    QApplication::clipboard()->setText(sentinel);
    ui.StringGrid1->setCurrentIndex(form.GridModel().index(7, 2));
    selectRows(ui.StringGrid1, spans);
    pressCopy(ui.StringGrid1);
    const std::string expected =
        copies ? RowsAsSpreadsheetText(*form.GridModel().snapshot(), spans) : std::string();
    // Nothing selected leaves the clipboard alone (not even the current cell).
    QCOMPARE(QApplication::clipboard()->text(),
             copies ? QString::fromStdString(expected) : sentinel);
}

void TestGridCopy::ctrlCInDetailGrid() {
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    form.ToggleMode();
    ui.eFAPBASIS->setText(QStringLiteral("5"));
    ui.eBis->setText(QStringLiteral("9"));
    ui.Edit1->setText(QStringLiteral("2"));
    testkit::SetOptions(form, {.AepInput = true});
    form.RunCalculation();
    TDetMore detail;
    detail.FillFrom(form.Table());
    detail.show();
    QVERIFY(QTest::qWaitForWindowExposed(&detail));
    detail.StringGrid1->selectAll();
    pressCopy(detail.StringGrid1);
    const RowStore& store = *form.GridModel().snapshot();
    QCOMPARE(QApplication::clipboard()->text().toStdString(), expectedText(store, {0, 1, 2}));
    QVERIFY(QApplication::clipboard()->text().startsWith(QStringLiteral("0,00\t5,00\t")));
}

QTEST_MAIN(TestGridCopy)
#include "test_grid_copy.moc"
