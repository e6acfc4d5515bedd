// The rows of a run as numbers: the same cells as CalcPrices and FormatPrice
// give, and amounts too large for a cell refused with a message.
#include "pricing/engine.h"
#include "pricing/numbers.h"
#include "pricing/price_rows.h"

#include <QtTest>

#include <cmath>
#include <string>

using namespace fapkalk;

namespace {

std::string Text(ShownPrice shown) {
    std::string text(kShownTextSize, ' ');
    WriteShownText(text.data(), shown);
    return text;
}

} // namespace

class TestPriceRows : public QObject {
    Q_OBJECT

private slots:
    // Every way a row can take: the integer way, the double steps (negative,
    // odd VAT, decimals beyond the cent, amounts above its range), a price of
    // 0 with its refusal, AEP input with the placeholder.
    void rowsAreTheTexts_data() {
        QTest::addColumn<double>("price");
        QTest::addColumn<bool>("aepInput");
        QTest::addColumn<double>("vat");
        QTest::newRow("12.50") << 12.5 << false << 1.1;
        QTest::newRow("a running sum") << 0.1 + 0.2 << false << 1.1;
        QTest::newRow("open band, drifted") << 400.00000000001 << false << 1.2;
        QTest::newRow("three decimals") << 12.345 << false << 1.1;
        QTest::newRow("VAT 7.5 %") << 55.55 << false << 1.075;
        QTest::newRow("negative") << -12.5 << false << 1.1;
        QTest::newRow("AEP input") << 130.81 << true << 1.1;
        QTest::newRow("AEP beyond the integer way") << 2000000.0 << true << 1.1;
        QTest::newRow("zero") << 0.0 << false << 1.1;
        QTest::newRow("AEP zero") << 0.0 << true << 1.1;
    }

    void rowsAreTheTexts() {
        QFETCH(double, price);
        QFETCH(bool, aepInput);
        QFETCH(double, vat);
        const CalcOptions options{.AepInput = aepInput, .Narcotic = price > 100};
        const PriceResult r = CalcPrices(price, options, vat);
        const RowCells cells = PriceRows(options, vat).Row(price);
        QCOMPARE(cells, CellsOf(price, r, options));
        QCOMPARE(cells.fapPlaceholder, aepInput);
        if (!aepInput)
            QCOMPARE(Text(cells.fap), FormatPrice(price));
        QCOMPARE(Text(cells.aep), FormatPrice(r.aep));
        QCOMPARE(Text(cells.kp), FormatPrice(r.kp));
        QCOMPARE(Text(cells.avp), FormatPrice(r.avp));
        QCOMPARE(cells.refusal, r.refusal);
    }

    // The first amount of the row that does not fit is named with the typed
    // price; the largest rows that fit pass.
    void tooLarge_data() {
        QTest::addColumn<double>("price");
        QTest::addColumn<bool>("aepInput");
        QTest::addColumn<QString>("message");
        const QString range = " paßt nicht in die Preisspalte (-999999.99 bis 9999999.99)";
        QTest::newRow("FAP 10,000,000") << 10000000.0 << false << "FAP 10000000.00" + range;
        QTest::newRow("its AEP") << 9999999.99 << false
                                 << "FAP 9999999.99: AEP 10000023.73" + range;
        QTest::newRow("its AVP") << 7029000.0 << false << "FAP 7029000.00: AVP 10003179.40" + range;
        QTest::newRow("the first AVP of 10,000,000")
            << 7026765.88 << false << "FAP 7026765.88: AVP 10000000.00" + range;
        QTest::newRow("AEP input's AVP")
            << 7026789.62 << true << "AEP 7026789.62: AVP 10000000.00" + range;
        QTest::newRow("negative") << -1000000.0 << false << "FAP -1000000.00" + range;
        QTest::newRow("the largest FAP that fits") << 7026765.87 << false << QString();
        QTest::newRow("the largest AEP that fits") << 7026789.61 << true << QString();
    }

    void tooLarge() {
        QFETCH(double, price);
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

    // A run's rows fit when its two ends do, on either side of 0.
    void checkRows() {
        const PriceRows rows({}, kDefaultVatFactor);
        rows.CheckRows(0.01, 7026765.87);
        rows.CheckRows(-999999.99 / 1.155 / 1.55 / 1.15 / 1.1, 10.0);
        QVERIFY_THROWS_EXCEPTION(AmountTooLarge, rows.CheckRows(0.01, 7026765.88));
        QVERIFY_THROWS_EXCEPTION(AmountTooLarge, rows.CheckRows(-500000.0, 10.0));
        QVERIFY_THROWS_EXCEPTION(FloatError, rows.CheckRows(1.0, 1e300));
    }
};

QTEST_APPLESS_MAIN(TestPriceRows)
#include "test_price_rows.moc"
