// The rows of a run as numbers: the same cells as CalcPrices and FormatPrice
// give, and amounts too large for a cell refused with a message.
#include "pricing/engine.h"
#include "pricing/numbers.h"
#include "pricing/price_rows.h"
#include "pricing_testkit.h"
#include "switch_sets.h"

#include <QtTest>

#include <string>
#include <vector>

using namespace fapkalk;

using pricingtest::ShownText;

class TestPriceRows : public QObject {
    Q_OBJECT

private slots:
    // Every way a row can take: the integer way, the double steps (odd VAT,
    // amounts above its range), a price of 0 with its refusal, AEP input with
    // the placeholder.
    void rowsAreTheTexts_data() {
        QTest::addColumn<qint64>("cents");
        QTest::addColumn<bool>("aepInput");
        QTest::addColumn<double>("vat");
        QTest::newRow("12.50") << qint64(1250) << false << 1.1;
        QTest::newRow("open band") << qint64(40000) << false << 1.2;
        QTest::newRow("VAT 7.5 %") << qint64(5555) << false << 1.075;
        QTest::newRow("AEP input") << qint64(13081) << true << 1.1;
        QTest::newRow("FAP beyond the integer way") << qint64(100'000'000) << false << 1.1;
        QTest::newRow("AEP beyond the integer way") << qint64(200'000'000) << true << 1.1;
        QTest::newRow("zero") << qint64(0) << false << 1.1;
        QTest::newRow("AEP zero") << qint64(0) << true << 1.1;
    }

    void rowsAreTheTexts() {
        QFETCH(qint64, cents);
        QFETCH(bool, aepInput);
        QFETCH(double, vat);
        const double price = double(cents) / 100.0;
        const CalcOptions options{.AepInput = aepInput, .Narcotic = price > 100};
        const PriceResult r = CalcPrices(price, options, vat);
        const RowCells cells = PriceRows(options, vat).Row(cents);
        QCOMPARE(cells, CellsOf(price, r, options));
        QCOMPARE(cells.fapPlaceholder, aepInput);
        if (!aepInput)
            QCOMPARE(ShownText(cells.fap), FormatPrice(price));
        QCOMPARE(ShownText(cells.aep), FormatPrice(r.aep));
        QCOMPARE(ShownText(cells.kp), FormatPrice(r.kp));
        QCOMPARE(ShownText(cells.avp), FormatPrice(r.avp));
        QCOMPARE(cells.refusal, r.refusal);
    }

    // The first amount of the row that does not fit is named with the typed
    // price; the largest rows that fit pass.
    void tooLarge_data() {
        QTest::addColumn<qint64>("price");
        QTest::addColumn<bool>("aepInput");
        QTest::addColumn<QString>("message");
        const QString range = " paßt nicht in die Preisspalte (-999999.99 bis 9999999.99)";
        QTest::newRow("FAP 10,000,000")
            << qint64(1'000'000'000) << false << "FAP 10000000.00" + range;
        QTest::newRow("its AEP") << qint64(999'999'999) << false
                                 << "FAP 9999999.99: AEP 10000023.73" + range;
        QTest::newRow("its AVP") << qint64(702'900'000) << false
                                 << "FAP 7029000.00: AVP 10003179.40" + range;
        QTest::newRow("the first AVP of 10,000,000")
            << qint64(702'676'588) << false << "FAP 7026765.88: AVP 10000000.00" + range;
        QTest::newRow("AEP input's AVP")
            << qint64(702'678'962) << true << "AEP 7026789.62: AVP 10000000.00" + range;
        QTest::newRow("the largest FAP that fits") << qint64(702'676'587) << false << QString();
        QTest::newRow("the largest AEP that fits") << qint64(702'678'961) << true << QString();
    }

    void tooLarge() {
        QFETCH(qint64, price);
        QFETCH(bool, aepInput);
        QFETCH(QString, message);
        const CalcOptions options{.AepInput = aepInput};
        const PriceRows rows(options, kDefaultVatFactor);
        try {
            const RowCells cells = rows.Row(price);
            QVERIFY2(message.isEmpty(), "no refusal");
            QVERIFY(cells.avp.cents < 1'000'000'000);
        } catch (const AmountTooLarge& e) {
            QCOMPARE(QString::fromUtf8(e.what()), message);
        }
    }

    // A block of rows is its rows one by one under every set of switches:
    // across the tariff's band limits, with wide steps, from 0, beyond the
    // integer way and with a VAT factor only the double steps take.
    void blockIsRowByRow_data() {
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("step");
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("vat");
        QTest::newRow("every cent") << qint64(1) << qint64(1) << 20000 << 1.1;
        QTest::newRow("wide steps") << qint64(7) << qint64(997) << 3000 << 1.2;
        QTest::newRow("from 0") << qint64(0) << qint64(5) << 300 << 1.1;
        QTest::newRow("to the integer way's end") << qint64(67'108'000) << qint64(3) << 300 << 1.1;
        QTest::newRow("VAT 7.5 %") << qint64(1) << qint64(37) << 300 << 1.075;
    }

    void blockIsRowByRow() {
        QFETCH(qint64, first);
        QFETCH(qint64, step);
        QFETCH(int, count);
        QFETCH(double, vat);
        std::vector<RowCells> block(static_cast<std::size_t>(count));
        for (unsigned switches = 0; switches < 32; ++switches) {
            const PriceRows rows(Options(switches), vat);
            rows.Rows(first, step, block);
            for (int i = 0; i < count; ++i)
                if (!(block[std::size_t(i)] == rows.Row(first + i * step)))
                    QFAIL(qPrintable(QString("switches %1, row %2").arg(switches).arg(i)));
        }
    }

    // A run's rows fit when its two ends do.
    void checkRows() {
        const PriceRows rows({}, kDefaultVatFactor);
        rows.CheckRows(1, 702'676'587);
        QVERIFY_THROWS_EXCEPTION(AmountTooLarge, rows.CheckRows(1, 702'676'588));
    }
};

QTEST_APPLESS_MAIN(TestPriceRows)
#include "test_price_rows.moc"
