// The main window's widget-free decisions: resize rule, gauge cents, range
// checks and the clock's time format.
#include "ui/main/RunRules.h"

#include <QtTest>
#include <cmath>
#include <limits>

using namespace fapkalk;

class TestRunRules : public QObject {
    Q_OBJECT

private slots:
    void formCanResize_data();
    void formCanResize();
    void gaugeCents_data();
    void gaugeCents();
    void checkRange_data();
    void checkRange();
    void checkTexts();
    void rowLimitTextNamesTheLimit();
};

void TestRunRules::formCanResize_data() {
    QTest::addColumn<bool>("rangeMode");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("single: larger") << false << 800 << 600 << false;
    QTest::newRow("single: same size") << false << 527 << 346 << false;
    QTest::newRow("single: narrower") << false << 300 << 346 << false;
    QTest::newRow("extended: taller") << true << 527 << 700 << true;
    QTest::newRow("extended: wider and taller") << true << 900 << 700 << true;
    QTest::newRow("extended: narrower and shorter") << true << 100 << 250 << true;
}

void TestRunRules::formCanResize() {
    QFETCH(bool, rangeMode);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, accepted);
    int newWidth = width;
    int newHeight = height;
    QCOMPARE(FormCanResize(rangeMode, newWidth, newHeight), accepted);
    QCOMPARE(newWidth, 527);
    QCOMPARE(newHeight, height); // the height is never rewritten, only refused
}

void TestRunRules::gaugeCents_data() {
    QTest::addColumn<double>("price");
    QTest::addColumn<int>("cents");
    QTest::newRow("zero") << 0.0 << 0;
    QTest::newRow("one cent") << 0.01 << 1;
    QTest::newRow("1.10") << 1.1 << 110;
    // 0.29 * 100 is 28.999999999999996 in double arithmetic; the extended product
    // of the double nearest 0.29 is just below 29 as well, so Trunc gives 28.
    QTest::newRow("0.29 truncates") << 0.29 << 28;
    QTest::newRow("1.15 in extended precision") << 1.15 << 114;
    QTest::newRow("negative cuts toward zero") << -1.005 << -100;
    // The double nearest 21474836.47 lies just below it.
    QTest::newRow("21474836.47") << 21474836.47 << 2147483646;
    QTest::newRow("largest that fits") << 21474836.4799 << 2147483647;
    QTest::newRow("above 32 bit") << 21474836.48 << std::numeric_limits<int>::max();
    QTest::newRow("huge") << 1e300 << std::numeric_limits<int>::max();
    QTest::newRow("smallest that fits") << -21474836.4899 << std::numeric_limits<int>::min();
    QTest::newRow("below 32 bit") << -21474836.5 << std::numeric_limits<int>::min();
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity()
                              << std::numeric_limits<int>::max();
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << 0;
}

void TestRunRules::gaugeCents() {
    QFETCH(double, price);
    QFETCH(int, cents);
    QCOMPARE(GaugeCents(price), cents);
}

void TestRunRules::checkRange_data() {
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

void TestRunRules::checkRange() {
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

void TestRunRules::checkTexts() {
    QCOMPARE(RangeCheckText(RangeCheck::Ok), QString());
    QCOMPARE(RangeCheckText(RangeCheck::VonAboveBis),
             QString::fromUtf8(
                 "Von-FAP darf nicht größer als Bis-FAP sein bzw. Felder dürfen nicht leer sein!"));
    QCOMPARE(RangeCheckText(RangeCheck::EmptyField),
             QString::fromUtf8("Felder dürfen nicht leer sein!"));
    QCOMPARE(RangeCheckText(RangeCheck::BadStep),
             QString::fromUtf8("Die Staffel muß größer als 0 sein und den Preis weiterzählen!"));
}

void TestRunRules::rowLimitTextNamesTheLimit() {
    QVERIFY(RowLimitText(kMaxRangeRows).contains(QString::number(kMaxRangeRows)));
    QVERIFY(RowLimitText(100).contains(QStringLiteral(" 100 ")));
}

QTEST_MAIN(TestRunRules)
#include "test_run_rules.moc"
