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
    QTest::addColumn<qint64>("price");
    QTest::addColumn<int>("cents");
    QTest::newRow("zero") << qint64(0) << 0;
    QTest::newRow("one cent") << qint64(1) << 1;
    QTest::newRow("21474836.47") << qint64(2147483647) << 2147483647;
    QTest::newRow("above 32 bit") << qint64(2147483648) << std::numeric_limits<int>::max();
    QTest::newRow("huge") << qint64(999'999'999'999'999) << std::numeric_limits<int>::max();
}

void TestRunRules::gaugeCents() {
    QFETCH(qint64, price);
    QFETCH(int, cents);
    QCOMPARE(GaugeCents(price), cents);
}

QTEST_MAIN(TestRunRules)
#include "test_run_rules.moc"
