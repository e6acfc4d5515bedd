// The main window's widget-free decisions: the resize rule and gauge cents.
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
};

void TestRunRules::formCanResize_data() {
    QTest::addColumn<bool>("rangeMode");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("single: larger") << false << 800 << 600 << false;
    QTest::newRow("single: same size") << false << 519 << 311 << false;
    QTest::newRow("single: narrower") << false << 300 << 311 << false;
    QTest::newRow("extended: taller") << true << 519 << 700 << true;
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
    QCOMPARE(newWidth, 519);
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

QTEST_MAIN(TestRunRules)
#include "test_run_rules.moc"
