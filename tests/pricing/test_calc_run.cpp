// The run rules the window and fapkalk-cli share: the range checks and their
// messages, the row limit's message, and the FAP texts of AEP mode.
#include "pricing/calc_run.h"
#include "pricing/numbers.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace fapkalk;

class TestCalcRun : public QObject {
    Q_OBJECT

private slots:
    void checkRange_data() {
        QTest::addColumn<double>("von");
        QTest::addColumn<double>("bis");
        QTest::addColumn<double>("step");
        QTest::addColumn<int>("check");
        const int ok = int(RangeCheck::Ok);
        const int above = int(RangeCheck::VonAboveBis);
        const int empty = int(RangeCheck::EmptyField);
        const int bad = int(RangeCheck::BadStep);
        QTest::newRow("ordinary") << 1.0 << 10.0 << 0.5 << ok;
        QTest::newRow("von equals bis") << 5.0 << 5.0 << 1.0 << ok;
        QTest::newRow("von above bis") << 3.0 << 2.0 << 1.0 << above;
        QTest::newRow("empty bis is 0, below von") << 3.0 << 0.0 << 1.0 << above;
        QTest::newRow("above wins over empty step") << 3.0 << 0.0 << 0.0 << above;
        QTest::newRow("empty von") << 0.0 << 3.0 << 1.0 << empty;
        QTest::newRow("empty step") << 1.0 << 3.0 << 0.0 << empty;
        QTest::newRow("negative von, bis 0") << -1.0 << 0.0 << 1.0 << empty;
        QTest::newRow("negative step") << 1.0 << 3.0 << -1.0 << bad;
        QTest::newRow("step lost at von") << 1e17 << 2e17 << 1.0 << bad;
        QTest::newRow("step lost at bis only") << 1.0 << 1e17 << 1.0 << bad;
        QTest::newRow("tiny step lost at 1") << 1.0 << 2.0 << 1e-17 << bad;
        QTest::newRow("tiny step still moves") << 1e-300 << 2e-300 << 1e-301 << ok;
        QTest::newRow("negative range") << -5.0 << -1.0 << 1.0 << ok;
        // Odd von and bis move on by half a gap (the tie goes to the even
        // neighbour), but the even price between them would stay where it is.
        const double ulp1 = std::nextafter(1.0, 2.0) - 1.0;
        QTest::newRow("half-gap step stalls between odd ends")
            << 1.0 + ulp1 << 1.0 + 3 * ulp1 << ulp1 / 2 << bad;
        QTest::newRow("nan step") << 1.0 << 2.0 << std::numeric_limits<double>::quiet_NaN() << bad;
    }

    void checkRange() {
        QFETCH(double, von);
        QFETCH(double, bis);
        QFETCH(double, step);
        QFETCH(int, check);
        const RangeCheck result = CheckRange(von, bis, step);
        QCOMPARE(int(result), check);
        if (result == RangeCheck::Ok) {
            // What the check promises: the running sum moves at every step.
            QVERIFY(von + step > von);
            QVERIFY(bis + step > bis);
        }
    }

    void checkTexts() {
        QVERIFY(RangeCheckText(RangeCheck::Ok).empty());
        QCOMPARE(QString::fromUtf8(RangeCheckText(RangeCheck::VonAboveBis)),
                 QString::fromUtf8("Von-FAP darf nicht größer als Bis-FAP sein bzw. Felder "
                                   "dürfen nicht leer sein!"));
        QCOMPARE(QString::fromUtf8(RangeCheckText(RangeCheck::EmptyField)),
                 QString::fromUtf8("Felder dürfen nicht leer sein!"));
        QCOMPARE(QString::fromUtf8(RangeCheckText(RangeCheck::BadStep)),
                 QString::fromUtf8("Die Staffel muß größer als 0 sein und den Preis "
                                   "weiterzählen!"));
    }

    void rowLimitTextNamesTheLimit() {
        QVERIFY(RowLimitText(kMaxRangeRows).find(std::to_string(kMaxRangeRows)) !=
                std::string::npos);
        QVERIFY(RowLimitText(100).find(" 100 ") != std::string::npos);
    }

    // In AEP mode there is no FAP to show: the single-mode label holds a
    // placeholder of its own width (the grid's is 9 characters, see
    // test_result_grid); otherwise the price's text.
    void fapTexts_data() {
        QTest::addColumn<double>("price");
        QTest::addColumn<bool>("aepInput");
        QTest::addColumn<QString>("label");
        QTest::newRow("FAP") << 12.5 << false << "     12.50";
        QTest::newRow("FAP 0") << 0.0 << false << "      0.00";
        QTest::newRow("AEP") << 12.5 << true << "       0.00";
    }

    void fapTexts() {
        QFETCH(double, price);
        QFETCH(bool, aepInput);
        CalcOptions options;
        options.AepInput = aepInput;
        QTEST(QString::fromStdString(FapLabelText(price, options)), "label");
    }
};

QTEST_APPLESS_MAIN(TestCalcRun)
#include "test_calc_run.moc"
