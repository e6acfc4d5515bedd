// The result grid's store (a run's prices in whole cents, cells computed when
// read), its snapshots, and the model's batched notifications to the views.
#include "runner/metatypes.h"
#include "ui/widgets/ResultGrid.h"
#include "ui/widgets/UniformRowTableView.h"
#include "ui/widgets/Widgets.h"

#include "pricing/calc_run.h"
#include "pricing/numbers.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>
#include <cstdint>
#include <string>
#include <vector>

using namespace fapkalk;

namespace {

// No Bis in sight: as many rows as appended.
constexpr std::int64_t kFar = std::int64_t{1} << 40;

RowStore runOf(std::int64_t von, std::int64_t step, int rows, const CalcOptions& options = {},
               double vatFactor = kDefaultVatFactor) {
    RowStore store(options, vatFactor, von, kFar, step);
    for (int row = 0; row < rows; ++row)
        store.appendRow();
    return store;
}

void appendRows(ResultGridModel& model, int rows) {
    for (int row = 0; row < rows; ++row)
        model.appendRow();
}

// The texts a row must show, computed the plain way from its price.
std::vector<std::string> textsOf(double price, const CalcOptions& options, double vatFactor) {
    const PriceResult r = CalcPrices(price, options, vatFactor);
    return {options.AepInput ? std::string(kAepPlaceholderCell) : FormatPrice(price),
            FormatPrice(r.aep), FormatPrice(r.kp), FormatPrice(r.avp)};
}

// Rows without texts, as many as asked for, growing as a run's do.
class BlankRows : public QAbstractTableModel {
public:
    explicit BlankRows(int rows) : rows_(rows) {}
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : rows_;
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : RowStore::kColumns;
    }
    QVariant data(const QModelIndex&, int) const override { return {}; }
    void grow(int rows) {
        beginInsertRows({}, rows_, rows_ + rows - 1);
        rows_ += rows;
        endInsertRows();
    }

private:
    int rows_;
};

} // namespace

class TestResultGrid : public QObject {
    Q_OBJECT

private slots:
    void storeStartsWithOneEmptyRow();
    void rowsAreWholeCents_data();
    void rowsAreWholeCents();
    void runEndsAtBis();
    void forEachRowFromAnyRow_data();
    void forEachRowFromAnyRow();
    void outOfRangeReadsEmpty();
    void amountTooLargeEndsTheRows();
    void snapshotKeepsItsRows_data();
    void snapshotKeepsItsRows();
    void readOnlyModelRefusesWrites();
    void modelShowsCellsOfTheCurrentRun();
    void publishBatchesInsertions();
    void publishRemovesOrResets_data();
    void publishRemovesOrResets();
    void publishReportsRewrittenRows();
    void millionRowsShareTheirSnapshot();
    void viewFindsRowsByTheirHeight_data();
    void viewFindsRowsByTheirHeight();
};

void TestResultGrid::storeStartsWithOneEmptyRow() {
    for (const RowStore& store : {RowStore(), RowStore(CalcOptions{}, 1.1, 100, 100, 100)}) {
        QCOMPARE(store.rowCount(), 1);
        QVERIFY(store.isBlank());
        for (int column = 0; column < RowStore::kColumns; ++column)
            QVERIFY(store.cellText(0, column).empty());
    }
    ResultGridModel model;
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.data(model.index(0, 0)), QVariant());
}

void TestResultGrid::rowsAreWholeCents_data() {
    QTest::addColumn<qint64>("von");
    QTest::addColumn<qint64>("step");
    QTest::addColumn<int>("rows");
    QTest::addColumn<CalcOptions>("options");
    QTest::addColumn<double>("vatFactor");
    QTest::newRow("cents") << qint64(1) << qint64(1) << 140'000 << CalcOptions{} << 1.1;
    QTest::newRow("0.1 steps") << qint64(100) << qint64(10) << 500 << CalcOptions{} << 1.1;
    QTest::newRow("aep input, placeholder")
        << qint64(50) << qint64(37) << 300 << CalcOptions{.AepInput = true} << 1.1;
    QTest::newRow("narcotic, veterinary, vat 20")
        << qint64(300) << qint64(125) << 300 << CalcOptions{.Narcotic = true, .Veterinary = true}
        << 1.2;
    QTest::newRow("into the open top band")
        << qint64(999000) << qint64(777) << 300 << CalcOptions{} << 1.1;
}

void TestResultGrid::rowsAreWholeCents() {
    QFETCH(qint64, von);
    QFETCH(qint64, step);
    QFETCH(int, rows);
    QFETCH(CalcOptions, options);
    QFETCH(double, vatFactor);

    const RowStore store = runOf(von, step, rows, options, vatFactor);
    QCOMPARE(store.rowCount(), rows);
    QVERIFY(!store.isBlank());
    for (int row = 0; row < rows; ++row) {
        const std::int64_t cents = von + row * step;
        if (store.centsOf(row) != cents)
            QFAIL(qPrintable(QStringLiteral("row %1: %2 cents").arg(row).arg(store.centsOf(row))));
        // The full check of every cell on a sample.
        if (row % 97 != 0 && row + 1 != rows)
            continue;
        const std::vector<std::string> texts =
            textsOf(static_cast<double>(cents) / 100.0, options, vatFactor);
        for (int column = 0; column < RowStore::kColumns; ++column)
            if (store.cellText(row, column) != texts[std::size_t(column)])
                QFAIL(qPrintable(QStringLiteral("row %1 column %2: '%3' instead of '%4'")
                                     .arg(row)
                                     .arg(column)
                                     .arg(QString::fromStdString(store.cellText(row, column)),
                                          QString::fromStdString(texts[std::size_t(column)]))));
    }
    QCOMPARE(store.nextCents(), von + rows * step);
}

// The rows end at the last price up to Bis; a table cut short says where.
void TestResultGrid::runEndsAtBis() {
    RowStore store(CalcOptions{}, kDefaultVatFactor, 100, 200, 7);
    int rows = 0;
    for (; store.hasNext(); ++rows)
        store.appendRow();
    QCOMPARE(rows, 15);
    QCOMPARE(store.centsOf(rows - 1), std::int64_t(198));
    QCOMPARE(store.endText(), std::string("Die Tabelle endet nach Abbruch bei FAP 1.98."));
    store.setEnd(TableEnd::Complete);
    QVERIFY(store.endText().empty());
    QVERIFY(RowStore().endText().empty());
}

void TestResultGrid::forEachRowFromAnyRow_data() {
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("stopAfter"); // rows f accepts before it says stop; -1 never
    QTest::newRow("one row") << 5 << 5 << -1;
    QTest::newRow("within a mark") << 33 << 60 << -1;
    QTest::newRow("across marks") << 31 << 200 << -1;
    QTest::newRow("all") << 0 << 999 << -1;
    QTest::newRow("stopped") << 10 << 500 << 7;
}

void TestResultGrid::forEachRowFromAnyRow() {
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(int, stopAfter);
    const RowStore store = runOf(7, 13, 1000);
    int row = first;
    const bool whole = store.forEachRow(first, last, [&](const RowCells& cells) {
        if (!(cells == store.cellsOf(row)))
            return false;
        ++row;
        return stopAfter < 0 || row - first < stopAfter;
    });
    QCOMPARE(whole, stopAfter < 0);
    QCOMPARE(row, stopAfter < 0 ? last + 1 : first + stopAfter);
}

void TestResultGrid::outOfRangeReadsEmpty() {
    const RowStore store = runOf(1, 1, 3);
    QVERIFY(store.cellText(-1, 0).empty());
    QVERIFY(store.cellText(3, 0).empty());
    QVERIFY(store.cellText(0, 4).empty());
    QVERIFY(store.cellText(0, -1).empty());
    QVERIFY(!store.cellText(2, 3).empty());
}

void TestResultGrid::amountTooLargeEndsTheRows() {
    // From 1,000,000 € in steps of 1,000,000 €: the AVP of 8,000,000 € is no
    // longer a 10-character text. That row is refused and not added.
    RowStore store(CalcOptions{}, kDefaultVatFactor, 100'000'000, kFar, 100'000'000);
    int added = 0;
    try {
        for (; added < 20; ++added)
            store.appendRow();
        QFAIL("a row too large for its cells was added");
    } catch (const AmountTooLarge& error) {
        QVERIFY2(std::string(error.what())
                     .starts_with("FAP " + std::to_string(added + 1) + "000000.00: "),
                 error.what());
    }
    QVERIFY(added >= 5 && added < 10);
    QCOMPARE(store.rowCount(), added);
    QCOMPARE(store.nextCents(), (added + 1) * std::int64_t{100'000'000}); // not moved on
    QCOMPARE(store.cellText(added - 1, 0), FormatPrice(added * 1'000'000.0));
    QVERIFY(store.cellText(added, 0).empty());
}

void TestResultGrid::snapshotKeepsItsRows_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("newRun"); // a new run after the snapshot, or more rows
    QTest::newRow("more rows in the same mark") << 10 << false;
    QTest::newRow("more rows in the same chunk") << 9000 << false;
    QTest::newRow("a new run") << 9000 << true;
}

void TestResultGrid::snapshotKeepsItsRows() {
    QFETCH(int, rows);
    QFETCH(bool, newRun);
    ResultGridModel model;
    model.startRun(CalcOptions{}, kDefaultVatFactor, 30, kFar, 1);
    appendRows(model, rows);
    const std::shared_ptr<const RowStore> snapshot = model.snapshot();
    const std::string last = snapshot->cellText(rows - 1, 3);

    if (newRun)
        model.startRun(CalcOptions{.AepInput = true}, 1.2, 500, kFar, 200);
    appendRows(model, 100);
    QCOMPARE(model.rowCountExact(), newRun ? 100 : rows + 100);
    QCOMPARE(snapshot->rowCount(), rows);
    QCOMPARE(snapshot->cellText(rows - 1, 3), last);
    QCOMPARE(snapshot->cellText(rows - 1, 0), FormatPrice((30 + rows - 1) / 100.0));
    QVERIFY(snapshot->cellText(rows, 0).empty());
    QCOMPARE(model.cellText(0, 0), newRun ? std::string(kAepPlaceholderCell) : FormatPrice(0.3));
}

void TestResultGrid::readOnlyModelRefusesWrites() {
    ResultGridModel main;
    main.startRun(CalcOptions{}, kDefaultVatFactor, 100, kFar, 100);
    appendRows(main, 3);
    ResultGridModel view(main.snapshot());
    QVERIFY(view.isReadOnly());
    QVERIFY(!main.isReadOnly());
    view.startRun(CalcOptions{}, kDefaultVatFactor, 5000, kFar, 100);
    appendRows(view, 5);
    QCOMPARE(view.rowCountExact(), 3);
    QCOMPARE(view.cellText(0, 0), FormatPrice(1));
    QCOMPARE(main.rowCountExact(), 3);
    QCOMPARE(view.flags(view.index(0, 0)), Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    // No snapshot at all: one empty row, like a grid before any run.
    ResultGridModel none{std::shared_ptr<const RowStore>()};
    QCOMPARE(none.rowCountExact(), 1);
    QCOMPARE(none.data(none.index(0, 0)), QVariant());
}

void TestResultGrid::modelShowsCellsOfTheCurrentRun() {
    // data() keeps the row it computed last; a new run, a new snapshot or
    // another row must never show a cell of the row before.
    ResultGridModel main;
    main.startRun(CalcOptions{}, kDefaultVatFactor, 1000, kFar, 100);
    appendRows(main, 5);
    main.publish();
    const auto text = [](const ResultGridModel& m, int row, int column) {
        return m.data(m.index(row, column)).toString().toStdString();
    };
    for (int row : {4, 0, 4, 2})
        for (int column = 0; column < RowStore::kColumns; ++column)
            QCOMPARE(text(main, row, column), main.cellText(row, column));
    QCOMPARE(text(main, 0, 0), FormatPrice(10));
    QCOMPARE(main.data(main.index(0, 0), Qt::EditRole), QVariant());

    ResultGridModel view(main.snapshot());
    QCOMPARE(text(view, 0, 1), main.cellText(0, 1));
    main.startRun(CalcOptions{.AepInput = true}, kDefaultVatFactor, 2000, kFar, 100);
    appendRows(main, 5);
    main.publish();
    QCOMPARE(text(main, 0, 0), std::string(kAepPlaceholderCell));
    QCOMPARE(text(main, 0, 1), FormatPrice(20)); // the typed AEP
    QCOMPARE(text(view, 0, 1), FormatPrice(CalcPrices(10, {}, kDefaultVatFactor).aep));
    QSignalSpy reset(&view, &QAbstractItemModel::modelReset);
    view.setSnapshot(main.snapshot());
    QCOMPARE(reset.count(), 1);
    QCOMPARE(text(view, 0, 1), FormatPrice(20));
}

void TestResultGrid::publishBatchesInsertions() {
    ResultGridModel model;
    model.startRun(CalcOptions{}, kDefaultVatFactor, 100, kFar, 50);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    appendRows(model, 1000);
    // The views have not been told yet: they still see the one row.
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.rowCountExact(), 1000);
    QCOMPARE(inserted.count(), 0);
    model.publish();
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 1);
    QCOMPARE(inserted.at(0).at(2).toInt(), 999);
    QCOMPARE(model.rowCount(), 1000);
    model.publish(); // nothing new
    QCOMPARE(inserted.count(), 1);
}

void TestResultGrid::publishRemovesOrResets_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("newRows");
    QTest::addColumn<bool>("reset");
    QTest::newRow("last row") << 20 << 19 << false;
    QTest::newRow("a few") << 200 << 0 << false;
    QTest::newRow("many") << 50000 << 1 << true;
}

void TestResultGrid::publishRemovesOrResets() {
    QFETCH(int, rows);
    QFETCH(int, newRows);
    QFETCH(bool, reset);
    ResultGridModel model;
    model.startRun(CalcOptions{}, kDefaultVatFactor, 100, kFar, 1);
    appendRows(model, rows);
    model.publish();
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    model.startRun(CalcOptions{}, kDefaultVatFactor, 200, kFar, 1);
    appendRows(model, newRows);
    model.publish();
    const int shown = std::max(newRows, 1);
    QCOMPARE(model.rowCount(), shown);
    QCOMPARE(resets.count(), reset ? 1 : 0);
    QCOMPARE(removed.count(), reset ? 0 : 1);
    if (!reset) {
        QCOMPARE(removed.at(0).at(1).toInt(), shown);
        QCOMPARE(removed.at(0).at(2).toInt(), rows - 1);
    }
}

void TestResultGrid::publishReportsRewrittenRows() {
    ResultGridModel model;
    model.startRun(CalcOptions{}, kDefaultVatFactor, 100, kFar, 100);
    appendRows(model, 30);
    model.publish();
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    // A new run: the rows the views still show are other rows now.
    model.startRun(CalcOptions{}, kDefaultVatFactor, 10000, kFar, 100);
    appendRows(model, 10);
    model.publish();
    QCOMPARE(model.rowCount(), 10);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<QModelIndex>().row(), 0);
    QCOMPARE(changed.at(0).at(1).value<QModelIndex>().row(), 9);
    QCOMPARE(model.data(model.index(0, 0)).toString().toStdString(), FormatPrice(100));
}

void TestResultGrid::millionRowsShareTheirSnapshot() {
    constexpr int rows = 1'000'000;
    ResultGridModel model;
    model.startRun(CalcOptions{}, kDefaultVatFactor, 1, kFar, 1);
    appendRows(model, rows);
    model.publish();

    // A snapshot is the store itself, shared: taking it and showing it copy no row.
    QTableView view;
    ResultGridModel detail(model.snapshot());
    view.setModel(&detail);
    QCOMPARE(detail.rowCount(), rows);
    QCOMPARE(detail.snapshot().get(), model.snapshot().get());
    QCOMPARE(detail.cellText(rows - 1, 0), std::string("  10000.00"));
}

void TestResultGrid::viewFindsRowsByTheirHeight_data() {
    QTest::addColumn<QAbstractItemView::ScrollMode>("mode");
    QTest::newRow("scrolled by rows") << QAbstractItemView::ScrollPerItem;
    QTest::newRow("scrolled by pixels") << QAbstractItemView::ScrollPerPixel;
}

void TestResultGrid::viewFindsRowsByTheirHeight() {
    // Ten million rows of 14 pixels, the table growing by a run's last rows
    // while shown, and no row in the vertical header.
    QFETCH(QAbstractItemView::ScrollMode, mode);
    constexpr int rows = 10'000'000;
    BlankRows model(rows - 15);
    UniformRowTableView view;
    view.setModel(&model);
    SetUpResultGridView(&view);
    view.setVerticalScrollMode(mode);
    view.resize(300, 205);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    model.grow(15);
    QCoreApplication::processEvents();
    QCOMPARE(view.verticalHeader()->count(), 0);
    QCOMPARE(view.rowHeight(rows - 1), 14);
    const int height = view.viewport()->height();

    for (const int row : {0, 1, rows / 2, rows - 1}) {
        const QModelIndex cell = model.index(row, 2);
        view.scrollTo(cell, QAbstractItemView::PositionAtCenter);
        const QRect rect = view.visualRect(cell);
        QVERIFY2(view.viewport()->rect().contains(rect), qPrintable(QString::number(row)));
        QCOMPARE(rect.height(), 13); // the grid line below belongs to the row
        QCOMPARE(view.indexAt(rect.topLeft()), cell);
        QCOMPARE(view.indexAt(rect.bottomRight() + QPoint(0, 1)), cell);
        QCOMPARE(view.indexAt(rect.topLeft() - QPoint(0, 1)).row(), row - 1);
        QCOMPARE(view.rowAt(rect.center().y()), row);
    }

    // The last row scrolled to from the top ends at the view's bottom edge.
    view.scrollToTop();
    view.scrollTo(model.index(rows - 1, 0));
    QCOMPARE(view.visualRect(model.index(rows - 1, 0)).bottom() + 2, height);

    // The keys: a page down moves as far as the view is high, End to the
    // last column, Ctrl+End to the last row, Ctrl+Home back to the first.
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int row, column;
    } steps[] = {{Qt::Key_PageDown, Qt::NoModifier, height / 14, 1},
                 {Qt::Key_End, Qt::NoModifier, height / 14, 3},
                 {Qt::Key_End, Qt::ControlModifier, rows - 1, 3},
                 {Qt::Key_Down, Qt::NoModifier, rows - 1, 3},
                 {Qt::Key_PageDown, Qt::NoModifier, rows - 1, 3},
                 {Qt::Key_Home, Qt::ControlModifier, 0, 0}};
    view.scrollToTop();
    view.setCurrentIndex(model.index(0, 1));
    for (const auto& step : steps) {
        QTest::keyClick(&view, step.key, step.modifiers);
        QCOMPARE(view.currentIndex(), model.index(step.row, step.column));
        QVERIFY(view.viewport()->rect().contains(view.visualRect(view.currentIndex())));
    }

    // Whole rows selected far down the table by a click and a Shift+click,
    // then from the same row by a Shift+click on the last row, 5 million rows
    // away and scrolled to.
    const int middle = rows / 2;
    const QItemSelectionModel* selected = view.selectionModel();
    const struct {
        int row;
        Qt::KeyboardModifiers modifiers;
        int first, last; // the rows selected then
    } clicks[] = {{middle, Qt::NoModifier, middle, middle},
                  {middle + 3, Qt::ShiftModifier, middle, middle + 3},
                  {rows - 1, Qt::ShiftModifier, middle, rows - 1}};
    for (const auto& click : clicks) {
        const QModelIndex cell = model.index(click.row, 1);
        view.scrollTo(cell);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, click.modifiers,
                          view.visualRect(cell).center());
        for (const int row : {middle - 1, middle, middle + 3, middle + 4, rows - 1})
            QCOMPARE(selected->isRowSelected(row), row >= click.first && row <= click.last);
    }
    QCOMPARE(view.verticalHeader()->count(), 0);
}

QTEST_MAIN(TestResultGrid)
#include "test_result_grid.moc"
