// The run rules the window and fapkalk-cli share: the range checks and their
// messages, the row limit's message, and the FAP texts of AEP mode.
#include "pricing/calc_run.h"
#include "pricing/numbers.h"

#include <QTest>

#include <cstdint>

using namespace fapkalk;

class TestCalcRun : public QObject {
    Q_OBJECT

private slots:
    void checkRange_data() {
        QTest::addColumn<qint64>("von");
        QTest::addColumn<qint64>("bis");
        QTest::addColumn<qint64>("step");
        QTest::addColumn<int>("check");
        const int ok = int(RangeCheck::Ok);
        const int above = int(RangeCheck::VonAboveBis);
        const int empty = int(RangeCheck::EmptyField);
        QTest::newRow("ordinary") << qint64(100) << qint64(1000) << qint64(50) << ok;
        QTest::newRow("von equals bis") << qint64(500) << qint64(500) << qint64(100) << ok;
        QTest::newRow("von above bis") << qint64(300) << qint64(200) << qint64(100) << above;
        QTest::newRow("empty bis is 0, below von")
            << qint64(300) << qint64(0) << qint64(100) << above;
        QTest::newRow("above wins over empty step")
            << qint64(300) << qint64(0) << qint64(0) << above;
        QTest::newRow("empty von") << qint64(0) << qint64(300) << qint64(100) << empty;
        QTest::newRow("empty step") << qint64(100) << qint64(300) << qint64(0) << empty;
    }

    void checkRange() {
        QFETCH(qint64, von);
        QFETCH(qint64, bis);
        QFETCH(qint64, step);
        QTEST(int(CheckRange(von, bis, step)), "check");
    }

    // The rows of a range as the fields give them: Bis is the last row
    // whenever Bis - Von is a multiple of the step.
    void rangeRows_data() {
        QTest::addColumn<QString>("von");
        QTest::addColumn<QString>("bis");
        QTest::addColumn<QString>("step");
        QTest::addColumn<qint64>("rows");
        QTest::addColumn<QString>("last");
        QTest::newRow("1-2 by 0.01") << "1"
                                     << "2"
                                     << "0.01" << qint64(101) << "2.00";
        QTest::newRow("1-2 by 0.1") << "1"
                                    << "2"
                                    << "0,1" << qint64(11) << "2.00";
        QTest::newRow("1-2 by 0.05") << "1"
                                     << "2"
                                     << "0.05" << qint64(21) << "2.00";
        QTest::newRow("1-2 by 0.07") << "1"
                                     << "2"
                                     << "0.07" << qint64(15) << "1.98";
        QTest::newRow("1-2 by 0.3") << "1"
                                    << "2"
                                    << ".3" << qint64(4) << "1.90";
        QTest::newRow("0.1-0.3 by 0.1") << "0.1"
                                        << "0.3"
                                        << "0.1" << qint64(3) << "0.30";
        QTest::newRow("0.07-0.7 by 0.07") << "0.07"
                                          << "0.7"
                                          << "0.07" << qint64(10) << "0.70";
        QTest::newRow("0.01-100000 by 0.01") << "0.01"
                                             << "100000"
                                             << "0.01" << qint64(10'000'000) << "100000.00";
        QTest::newRow("von equals bis") << "5"
                                        << "5.00"
                                        << "1" << qint64(1) << "5.00";
    }

    void rangeRows() {
        QFETCH(QString, von);
        QFETCH(QString, bis);
        QFETCH(QString, step);
        const std::string texts[] = {von.toStdString(), bis.toStdString(), step.toStdString()};
        const RunInput input = ReadRunInput({texts[0], texts[1], texts[2], {}, true});
        QVERIFY(!input.refused);
        QCOMPARE(int(CheckRange(input.von, input.bis, input.step)), int(RangeCheck::Ok));
        const std::uint64_t count = RangeRowCount(input.von, input.bis, input.step);
        QTEST(qint64(count), "rows");
        QTEST(QString::fromStdString(AmountText(RangeRowCents(input.von, input.step, count - 1))),
              "last");
        QVERIFY(RangeRowCents(input.von, input.step, count) > input.bis);
    }

    // What a run reads: prices in cents, an empty field as 0, the base field
    // falling back on the price the result label shows, and the first field
    // that holds no price ("Feld: Problem").
    void runInput_data() {
        QTest::addColumn<QStringList>("texts"); // base, bis, staffel, label
        QTest::addColumn<bool>("rangeMode");
        QTest::addColumn<QString>("read"); // von bis step, or the refusal
        QTest::newRow("single") << QStringList{" 12,5 ", "x", "y", "      0.00"} << false
                                << "1250 0 0";
        QTest::newRow("single, empty base: the label")
            << QStringList{"", "", "", "     13.89"} << false << "1389 0 0";
        QTest::newRow("single, 0: the label")
            << QStringList{"0.00", "", "", "     13.89"} << false << "1389 0 0";
        QTest::newRow("range, empty bis and staffel")
            << QStringList{"3", "", "\t", ""} << true << "300 0 0";
        QTest::newRow("three decimals")
            << QStringList{"12.505", "", "", ""} << false << "Fabriksabgabepreis: 3";
        QTest::newRow("junk in bis") << QStringList{"1", "12x5", "1", ""} << true << "Bis: 2";
        QTest::newRow("grouping in staffel")
            << QStringList{"1", "2000", "1.000,5", ""} << true << "Staffel: 2";
        QTest::newRow("bad base first") << QStringList{"-5", "A", "B", ""} << true << "Von: 2";
    }

    void runInput() {
        QFETCH(QStringList, texts);
        QFETCH(bool, rangeMode);
        std::string t[4];
        for (int i = 0; i < 4; ++i)
            t[i] = texts[i].toStdString();
        const RunInput input = ReadRunInput({t[0], t[1], t[2], t[3], rangeMode});
        const QString read =
            input.refused
                ? QStringLiteral("%1: %2")
                      .arg(QString::fromUtf8(PriceFieldName(*input.refused, rangeMode, false)))
                      .arg(int(input.problem))
                : QStringLiteral("%1 %2 %3").arg(input.von).arg(input.bis).arg(input.step);
        QTEST(read, "read");
    }

    void checkTexts() {
        QVERIFY(RangeCheckText(RangeCheck::Ok).empty());
        QCOMPARE(QString::fromUtf8(RangeCheckText(RangeCheck::VonAboveBis)),
                 QString::fromUtf8("Von-FAP darf nicht größer als Bis-FAP sein bzw. Felder "
                                   "dürfen nicht leer sein!"));
        QCOMPARE(QString::fromUtf8(RangeCheckText(RangeCheck::EmptyField)),
                 QString::fromUtf8("Felder dürfen nicht leer sein!"));
    }

    void tableEndTexts() {
        QVERIFY(TableEndText(TableEnd::Complete, false, 123456).empty());
        QCOMPARE(QString::fromStdString(TableEndText(TableEnd::Aborted, false, 123456)),
                 QStringLiteral("Die Tabelle endet nach Abbruch bei FAP 1234.56."));
        QCOMPARE(QString::fromStdString(TableEndText(TableEnd::RowLimit, true, 5)),
                 QStringLiteral("Die Tabelle endet an der Zeilengrenze bei AEP 0.05."));
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
