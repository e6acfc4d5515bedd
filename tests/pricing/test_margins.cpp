// The pharmacy's margins against cases worked by hand from the tariff tables:
// band edges, fixed bands, the open band, the switches and VAT 20 %.
#include "pricing/margins.h"
#include "pricing/price_rows.h"
#include "switch_sets.h"

#include <QtTest>

using namespace fapkalk;

class TestMargins : public QObject {
    Q_OBJECT

private slots:
    void handWorkedCases_data() {
        QTest::addColumn<qint64>("cents");
        QTest::addColumn<unsigned>("switches");
        QTest::addColumn<unsigned>("vat");
        // The prices as the tables give them, then the margins:
        // AEP, KP, AVP, AVP without VAT, KP margin and share, AVP margin and share.
        QTest::addColumn<QList<qint64>>("expected");
        // 13.81 = 12.50 × 1.105; 18.64 → 18.65; 20.58 × 1.15 = 23.67, × 1.1 → 26.05.
        QTest::newRow("FAP 12.50") << qint64(1250) << 0u << 10u
                                   << QList<qint64>{1381, 1865, 2605, 2368, 484, 2595, 987, 4168};
        // Just above 6.0601: the fixed 7.00; KP 9.59 → 9.60; AVP 10.85 × 1.15 = 12.48
        // (half up), × 1.1 = 13.73 → 13.75, which is exactly 12.50 without VAT.
        QTest::newRow("FAP 6.07 fixed band")
            << qint64(607) << 0u << 10u
            << QList<qint64>{700, 960, 1375, 1250, 260, 2708, 550, 4400};
        // KP band edge 10.00 (× 1.37); AVP 14.90 × 1.15 = 17.14, × 1.2 = 20.57 → 20.55;
        // 20.55 / 1.2 = 17.125 rounds up.
        QTest::newRow("AEP 10.00 VAT 20")
            << qint64(1000) << unsigned(Aep) << 20u
            << QList<qint64>{1000, 1370, 2055, 1713, 370, 2701, 713, 4162};
        // One cent above: KP's fixed 13.70, so the margin falls by a cent.
        QTest::newRow("AEP 10.01 VAT 20")
            << qint64(1001) << unsigned(Aep) << 20u
            << QList<qint64>{1001, 1370, 2060, 1717, 369, 2693, 716, 4170};
        // KP 18.64 + 0.55 → 19.20; AVP 23.67 + 0.55 = 24.22, × 1.1 = 26.64 → 26.65.
        QTest::newRow("FAP 12.50 narcotic")
            << qint64(1250) << unsigned(Narc) << 10u
            << QList<qint64>{1381, 1920, 2665, 2423, 539, 2807, 1042, 4300};
        // AEP 12.00 = 10 × 1.2; KP 16.20; AVP 17.88 × 1.15 = 20.56, × 1.2 = 24.67 → 24.65.
        QTest::newRow("veterinary VAT 20")
            << qint64(1000) << unsigned(Vet) << 20u
            << QList<qint64>{1200, 1620, 2465, 2054, 420, 2593, 854, 4158};
        // Open band: 400 + 23.74; KP × 1.039 = 440.27 → 440.25; AVP × 1.125 = 476.71,
        // × 1.15 = 548.22, × 1.1 = 603.04 → 603.05.
        QTest::newRow("open band")
            << qint64(40000) << 0u << 10u
            << QList<qint64>{42374, 44025, 60305, 54823, 1651, 375, 12449, 2271};
    }

    void handWorkedCases() {
        QFETCH(qint64, cents);
        QFETCH(unsigned, switches);
        QFETCH(unsigned, vat);
        QFETCH(QList<qint64>, expected);
        const double vatFactor = VatFactorFromRate(vat);
        const RowCells cells = PriceRows(Options(switches), vatFactor).Row(cents);
        QCOMPARE(qint64(cells.aep.cents), expected[0]);
        QCOMPARE(qint64(cells.kp.cents), expected[1]);
        QCOMPARE(qint64(cells.avp.cents), expected[2]);
        const auto margins = MarginsOf(cells, vatFactor);
        QVERIFY(margins);
        QCOMPARE(margins->vatRate, vat);
        QCOMPARE(margins->avpNetCents, expected[3]);
        QCOMPARE(margins->kp, (Margin{expected[4], expected[5]}));
        QCOMPARE(margins->avp, (Margin{expected[6], expected[7]}));
    }

    void noMarginsWithoutPrices() {
        const PriceRows rows({}, kDefaultVatFactor);
        QVERIFY(!MarginsOf(rows.Row(0), kDefaultVatFactor)); // refused: nothing was sold
        // A factor of no whole rate has no exact VAT to take out.
        QVERIFY(!MarginsOf(PriceRows({}, 1.075).Row(1250), 1.075));
        QCOMPARE(WholeVatRateOf(VatFactorFromRate(0)), std::optional<unsigned>(0));
        QCOMPARE(WholeVatRateOf(VatFactorFromRate(99)), std::optional<unsigned>(99));
        QCOMPARE(WholeVatRateOf(2.5), std::nullopt);
    }

    void texts_data() {
        QTest::addColumn<qint64>("cents");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "0.00";
        QTest::newRow("cents only") << qint64(7) << "0.07";
        QTest::newRow("negative") << qint64(-5) << "-0.05";
        QTest::newRow("euros") << qint64(1244900) << "12449.00";
        QTest::newRow("int64 limit") << qint64(INT64_MIN) << "-92233720368547758.08";
    }

    void texts() {
        QFETCH(qint64, cents);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(CentsText(cents)), text);
        QVERIFY(CentsText(cents).size() <= kMaxCentsTextSize);
    }

    void pathLines() {
        const RowCells cells = PriceRows({}, kDefaultVatFactor).Row(1250);
        QCOMPARE(
            QString::fromStdString(ExplainMargins(cells, *MarginsOf(cells, kDefaultVatFactor))),
            QString::fromUtf8("Marge KP: 18.65 − 13.81 = 4.84 (25.95 % des KP)\n"
                              "Marge AVP: 26.05 ohne 10 % USt = 23.68; 23.68 − 13.81 = "
                              "9.87 (41.68 % des AVP ohne USt)\n"));
    }
};

QTEST_APPLESS_MAIN(TestMargins)
#include "test_margins.moc"
