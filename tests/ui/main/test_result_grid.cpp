// The compact store of the result grid's texts, its copy-on-write snapshots,
// and the model's batched notifications to the views.
#include "ui/main/ResultGrid.h"

#include <QSignalSpy>
#include <QTableView>
#include <QtTest>
#include <cstdio>
#include <string>

using namespace fapkalk;

namespace {

std::string priceText(int row, int column) {
    // Distinct, 10-character texts that show where they came from.
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%7d.%02d", row, column);
    return buffer;
}

void fill(ResultGridModel& model, int rows) {
    model.setRowCount(rows);
    for (int row = 0; row < rows; ++row)
        model.setRow(row, priceText(row, 0), priceText(row, 1), priceText(row, 2),
                     priceText(row, 3));
}

} // namespace

class TestResultGrid : public QObject {
    Q_OBJECT

private slots:
    void storeStartsWithOneEmptyRow();
    void cellTexts_data();
    void cellTexts();
    void outOfRangeReadsEmpty();
    void rowsAddedAfterShrinkAreEmpty_data();
    void rowsAddedAfterShrinkAreEmpty();
    void longTextsSurviveShrinkAndOverwrite();
    void snapshotKeepsOldTexts_data();
    void snapshotKeepsOldTexts();
    void readOnlyModelRefusesWrites();
    void readOnlyModelShowsSnapshot();
    void modelKeepsAtLeastOneRow();
    void publishBatchesInsertions();
    void publishRemovesOrResets_data();
    void publishRemovesOrResets();
    void publishReportsRewrittenRows();
    void millionRowsAreCompactAndSnapshotsCheap();
};

void TestResultGrid::storeStartsWithOneEmptyRow() {
    RowStore store;
    QCOMPARE(store.rowCount(), 1);
    for (int column = 0; column < RowStore::kColumns; ++column)
        QVERIFY(store.cellText(0, column).empty());
}

void TestResultGrid::cellTexts_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("price") << QByteArray("     12.34");
    QTest::newRow("aep placeholder") << QByteArray("     0.00");
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("one char") << QByteArray("x");
    QTest::newRow("eleven chars") << QByteArray("12345678.90");
    QTest::newRow("long") << QByteArray("  123456789012.34");
    QTest::newRow("blanks kept") << QByteArray("          ");
}

void TestResultGrid::cellTexts() {
    QFETCH(QByteArray, text);
    RowStore store;
    store.setRowCount(5000); // two chunks
    const std::string_view view(text.constData(), std::size_t(text.size()));
    store.setCell(4500, 2, view);
    store.setCell(4500, 1, "     99.99");
    QCOMPARE(QByteArray(store.cellText(4500, 2).data(), qsizetype(store.cellText(4500, 2).size())),
             text);
    QCOMPARE(store.cellText(4500, 1), std::string_view("     99.99"));
    QVERIFY(store.cellText(4500, 0).empty());
    QVERIFY(store.cellText(4499, 2).empty());
    // Overwriting with another length leaves nothing of the old text.
    store.setCell(4500, 2, "1");
    QCOMPARE(store.cellText(4500, 2), std::string_view("1"));
}

void TestResultGrid::outOfRangeReadsEmpty() {
    RowStore store;
    store.setRow(0, "a", "b", "c", "d");
    QVERIFY(store.cellText(-1, 0).empty());
    QVERIFY(store.cellText(1, 0).empty());
    QVERIFY(store.cellText(0, 4).empty());
    QVERIFY(store.cellText(0, -1).empty());
    store.setCell(1, 0, "x"); // beyond the rows: ignored
    store.setRow(7, "x", "x", "x", "x");
    QCOMPARE(store.rowCount(), 1);
    QCOMPARE(store.cellText(0, 3), std::string_view("d"));
}

void TestResultGrid::rowsAddedAfterShrinkAreEmpty_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("shrinkTo");
    QTest::addColumn<int>("growTo");
    QTest::newRow("within one chunk") << 100 << 10 << 100;
    QTest::newRow("across chunks") << 10000 << 4000 << 9000;
    QTest::newRow("to zero and back") << 50 << 0 << 50;
    QTest::newRow("one by one") << 20 << 1 << 2;
}

void TestResultGrid::rowsAddedAfterShrinkAreEmpty() {
    QFETCH(int, rows);
    QFETCH(int, shrinkTo);
    QFETCH(int, growTo);
    RowStore store;
    store.setRowCount(rows);
    for (int row = 0; row < rows; ++row)
        store.setRow(row, priceText(row, 0), priceText(row, 1), priceText(row, 2),
                     priceText(row, 3));
    store.setRowCount(shrinkTo);
    QCOMPARE(store.rowCount(), shrinkTo);
    store.setRowCount(growTo);
    QCOMPARE(store.rowCount(), growTo);
    for (int row = 0; row < growTo; ++row) {
        for (int column = 0; column < RowStore::kColumns; ++column) {
            if (row < shrinkTo)
                QCOMPARE(store.cellText(row, column), std::string_view(priceText(row, column)));
            else
                QVERIFY2(store.cellText(row, column).empty(), qPrintable(QString::number(row)));
        }
    }
}

void TestResultGrid::longTextsSurviveShrinkAndOverwrite() {
    RowStore store;
    store.setRowCount(3);
    store.setCell(1, 0, "  1234567890.12");
    store.setCell(2, 3, "  9999999999.99");
    QCOMPARE(store.cellText(1, 0), std::string_view("  1234567890.12"));
    store.setRowCount(2); // drops row 2 and its long text
    store.setRowCount(3);
    QVERIFY(store.cellText(2, 3).empty());
    store.setCell(1, 0, "      1.00");
    QCOMPARE(store.cellText(1, 0), std::string_view("      1.00"));
    RowStore copy = store;
    copy.setCell(1, 1, "  5555555555.55");
    QVERIFY(store.cellText(1, 1).empty());
    QCOMPARE(copy.cellText(1, 1), std::string_view("  5555555555.55"));
}

void TestResultGrid::snapshotKeepsOldTexts_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("changedRow");
    QTest::newRow("small") << 10 << 3;
    QTest::newRow("second chunk") << 9000 << 8500;
    QTest::newRow("first row") << 9000 << 0;
}

void TestResultGrid::snapshotKeepsOldTexts() {
    QFETCH(int, rows);
    QFETCH(int, changedRow);
    ResultGridModel model;
    fill(model, rows);
    const std::shared_ptr<const RowStore> snapshot = model.snapshot();
    QCOMPARE(snapshot->rowCount(), rows);

    model.setRow(changedRow, "a", "b", "c", "d");
    model.setRowCount(rows + 5);
    QCOMPARE(model.cellText(changedRow, 0), std::string_view("a"));
    QCOMPARE(model.rowCountExact(), rows + 5);
    // The snapshot still has the texts and the size it was taken with.
    QCOMPARE(snapshot->rowCount(), rows);
    for (int column = 0; column < RowStore::kColumns; ++column)
        QCOMPARE(snapshot->cellText(changedRow, column),
                 std::string_view(priceText(changedRow, column)));
    // A new run cuts the grid back; the snapshot is untouched.
    model.setRowCount(1);
    model.clearRow(0);
    QCOMPARE(snapshot->cellText(rows - 1, 3), std::string_view(priceText(rows - 1, 3)));
}

void TestResultGrid::readOnlyModelRefusesWrites() {
    ResultGridModel main;
    fill(main, 3);
    ResultGridModel view(main.snapshot());
    QVERIFY(view.isReadOnly());
    QVERIFY(!main.isReadOnly());
    view.setRow(0, "x", "x", "x", "x");
    view.setRowCount(10);
    view.clearRow(1);
    view.setCell(2, 2, "x");
    QCOMPARE(view.rowCountExact(), 3);
    QCOMPARE(view.cellText(0, 0), std::string_view(priceText(0, 0)));
    QCOMPARE(view.cellText(1, 1), std::string_view(priceText(1, 1)));
    QCOMPARE(main.cellText(2, 2), std::string_view(priceText(2, 2)));
}

void TestResultGrid::readOnlyModelShowsSnapshot() {
    ResultGridModel main;
    fill(main, 4);
    ResultGridModel view(main.snapshot());
    QCOMPARE(view.rowCount(), 4);
    QCOMPARE(view.columnCount(), 4);
    QCOMPARE(view.data(view.index(2, 3)).toString(), QString::fromStdString(priceText(2, 3)));
    QCOMPARE(view.data(view.index(2, 3), Qt::EditRole), QVariant());
    QVERIFY(view.flags(view.index(0, 0)).testFlag(Qt::ItemIsSelectable));
    QVERIFY(!view.flags(view.index(0, 0)).testFlag(Qt::ItemIsEditable));

    // The main grid changes; the view shows the old texts until it gets a new snapshot.
    fill(main, 2);
    main.setRow(0, "new", "new", "new", "new");
    QCOMPARE(view.data(view.index(0, 0)).toString(), QString::fromStdString(priceText(0, 0)));
    QSignalSpy reset(&view, &QAbstractItemModel::modelReset);
    view.setSnapshot(main.snapshot());
    QCOMPARE(reset.count(), 1);
    QCOMPARE(view.rowCount(), 2);
    QCOMPARE(view.data(view.index(0, 0)).toString(), QStringLiteral("new"));
    // No snapshot at all: one empty row, like a grid before any run.
    ResultGridModel none{std::shared_ptr<const RowStore>()};
    QCOMPARE(none.rowCountExact(), 1);
    QCOMPARE(none.data(none.index(0, 0)).toString(), QString());
}

void TestResultGrid::modelKeepsAtLeastOneRow() {
    ResultGridModel model;
    fill(model, 3);
    model.setRowCount(0);
    QCOMPARE(model.rowCountExact(), 1);
    model.setRowCount(-5);
    QCOMPARE(model.rowCountExact(), 1);
}

void TestResultGrid::publishBatchesInsertions() {
    ResultGridModel model;
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    for (int row = 0; row < 1000; ++row) {
        model.setRow(row, "a", "b", "c", "d");
        model.setRowCount(row + 2);
    }
    // The views have not been told yet: they still see the one row.
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.rowCountExact(), 1001);
    QCOMPARE(inserted.count(), 0);
    model.publish();
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 1);
    QCOMPARE(inserted.at(0).at(2).toInt(), 1000);
    QCOMPARE(model.rowCount(), 1001);
    model.publish(); // nothing new
    QCOMPARE(inserted.count(), 1);
}

void TestResultGrid::publishRemovesOrResets_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cutTo");
    QTest::addColumn<bool>("reset");
    QTest::newRow("last row") << 20 << 19 << false;
    QTest::newRow("a few") << 200 << 1 << false;
    QTest::newRow("many") << 50000 << 1 << true;
}

void TestResultGrid::publishRemovesOrResets() {
    QFETCH(int, rows);
    QFETCH(int, cutTo);
    QFETCH(bool, reset);
    ResultGridModel model;
    fill(model, rows);
    model.publish();
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    model.setRowCount(cutTo);
    model.publish();
    QCOMPARE(model.rowCount(), cutTo);
    QCOMPARE(resets.count(), reset ? 1 : 0);
    QCOMPARE(removed.count(), reset ? 0 : 1);
    if (!reset) {
        QCOMPARE(removed.at(0).at(1).toInt(), cutTo);
        QCOMPARE(removed.at(0).at(2).toInt(), rows - 1);
    }
}

void TestResultGrid::publishReportsRewrittenRows() {
    ResultGridModel model;
    fill(model, 30);
    model.publish();
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    // A new run: back to one row, rows rewritten and the table grown again.
    model.setRowCount(1);
    for (int row = 0; row < 10; ++row) {
        model.setRow(row, "n", "n", "n", "n");
        model.setRowCount(row + 2);
    }
    model.publish();
    QCOMPARE(model.rowCount(), 11);
    QVERIFY(changed.count() >= 1);
    const QModelIndex first = changed.at(0).at(0).value<QModelIndex>();
    const QModelIndex last = changed.at(0).at(1).value<QModelIndex>();
    QCOMPARE(first.row(), 0);
    QVERIFY(last.row() >= 9);
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("n"));
    QCOMPARE(model.data(model.index(10, 0)).toString(), QString());
}

void TestResultGrid::millionRowsAreCompactAndSnapshotsCheap() {
    constexpr int rows = 1'000'000;
    ResultGridModel model;
    model.setRowCount(rows);
    for (int row = 0; row < rows; row += 997)
        model.setRow(row, "      1.00", "      1.13", "      1.45", "      2.10");
    const std::size_t bytes = model.snapshot()->memoryBytes();
    QVERIFY2(bytes < 50u * 1024 * 1024, qPrintable(QString::number(bytes)));
    QVERIFY(bytes >= std::size_t(rows) * 44);

    // A snapshot is the store itself, shared: taking it and showing it copy no
    // row (bench_export measures the opening of a million rows).
    QTableView view;
    ResultGridModel detail(model.snapshot());
    view.setModel(&detail);
    QCOMPARE(detail.rowCount(), rows);
    QCOMPARE(detail.snapshot().get(), model.snapshot().get());

    // Writing after the snapshot leaves it as it was.
    model.setRow(997, "x", "x", "x", "x");
    QCOMPARE(detail.cellText(997, 0), std::string_view("      1.00"));
    QCOMPARE(model.cellText(997, 0), std::string_view("x"));
}

QTEST_MAIN(TestResultGrid)
#include "test_result_grid.moc"
