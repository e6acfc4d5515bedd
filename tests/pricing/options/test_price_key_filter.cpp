// The price fields' key filter and paste rule, judged on the text a key or a
// paste would make. A field's text is written with its caret as "|" or its
// selection in brackets: "12|", "1[3.8]9".
#include "pricing/options/price_key_filter.h"

#include <QTest>

using namespace fapkalk;

namespace {

// The text before and after the caret or the selection.
std::pair<std::string, std::string> Split(const QString& field) {
    const qsizetype caret = field.indexOf(QLatin1Char('|'));
    if (caret >= 0)
        return {field.left(caret).toStdString(), field.mid(caret + 1).toStdString()};
    const qsizetype open = field.indexOf(QLatin1Char('['));
    const qsizetype close = field.indexOf(QLatin1Char(']'));
    return {field.left(open).toStdString(), field.mid(close + 1).toStdString()};
}

} // namespace

class TestPriceKeyFilter : public QObject {
    Q_OBJECT

private slots:
    void filter_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<uint>("key");
        QTest::addColumn<bool>("pass");
        QTest::addColumn<uint>("keyAfter");

        const uint backspace = kBackspaceKey;
        QTest::newRow("comma becomes point") << "12|" << uint(',') << true << uint('.');
        QTest::newRow("comma into empty text") << "|" << uint(',') << true << uint('.');
        QTest::newRow("point appends") << "12|" << uint('.') << true << uint('.');
        QTest::newRow("second point deletes") << "3.5|" << uint('.') << true << backspace;
        QTest::newRow("second point as comma") << "3.5|" << uint(',') << true << backspace;
        QTest::newRow("point first, point again") << ".5|" << uint('.') << true << backspace;
        QTest::newRow("point over the selected point")
            << "12[.]50" << uint('.') << true << uint('.');
        QTest::newRow("point over a selection beside the point")
            << "1[2].50" << uint('.') << true << backspace;
        QTest::newRow("digit after one decimal") << "1.2|" << uint('5') << true << uint('5');
        QTest::newRow("third decimal") << "1.20|" << uint('5') << false << uint('5');
        QTest::newRow("third decimal zero") << "1.25|" << uint('0') << false << uint('0');
        QTest::newRow("third decimal between") << "1.2|5" << uint('0') << false << uint('0');
        QTest::newRow("0.00 takes no third") << "0.00|" << uint('1') << false << uint('1');
        QTest::newRow("digit before the point") << "|12.50" << uint('3') << true << uint('3');
        QTest::newRow("digit over a selected decimal")
            << "12.5[0]" << uint('9') << true << uint('9');
        QTest::newRow("typing over the whole text") << "[13.89]" << uint('8') << true << uint('8');
        QTest::newRow("over a whole two-decimal text")
            << "[26.07]" << uint('3') << true << uint('3');
        QTest::newRow("after a comma") << "1,2|" << uint('3') << true << uint('3');
        QTest::newRow("comma text, third decimal") << "1,23|" << uint('4') << false << uint('4');
        QTest::newRow("letter passes") << "1.25|" << uint('a') << true << uint('a');
        QTest::newRow("blank passes") << "1.25|" << uint(' ') << true << uint(' ');
        QTest::newRow("minus passes") << "1.25|" << uint('-') << true << uint('-');
        QTest::newRow("enter passes") << "1.25|" << uint(kEnterKey) << true << uint(kEnterKey);
        QTest::newRow("backspace passes") << "1.2[5]" << backspace << true << backspace;
        QTest::newRow("umlaut passes") << "1.25|" << uint(0xFC) << true << uint(0xFC);
    }

    void filter() {
        QFETCH(QString, field);
        QFETCH(uint, key);
        const auto [before, after] = Split(field);
        char32_t changed = key;
        QTEST(FilterPriceKey(before, after, changed), "pass");
        QTEST(uint(changed), "keyAfter");
    }

    // A paste goes in only as a price that leaves a price in the field.
    void paste_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("insert"); // empty: refused
        QTest::addColumn<int>("problem");
        QTest::addColumn<QString>("judged");
        const int none = int(PriceTextProblem::None);
        const int notAPrice = int(PriceTextProblem::NotAPrice);
        const int decimals = int(PriceTextProblem::TooManyDecimals);
        QTest::newRow("the program's own Ctrl+C form") << "[13.89]"
                                                       << "12,50"
                                                       << "12.50" << none << "";
        QTest::newRow("blanks and a line end around") << "|"
                                                      << " 7.5\n"
                                                      << "7.5" << none << "";
        QTest::newRow("digits at the caret") << "12|"
                                             << "5"
                                             << "5" << none << "";
        QTest::newRow("decimals at the end") << "12.|"
                                             << "50"
                                             << "50" << none << "";
        QTest::newRow("letters") << "|"
                                 << "12x5"
                                 << "" << notAPrice << "12x5";
        QTest::newRow("blank inside") << "|"
                                      << "1 5"
                                      << "" << notAPrice << "1 5";
        QTest::newRow("grouping") << "|"
                                  << "1.234,56"
                                  << "" << notAPrice << "1.234,56";
        QTest::newRow("minus") << "|"
                               << "-5"
                               << "" << notAPrice << "-5";
        QTest::newRow("three decimals") << "|"
                                        << "12.505"
                                        << "" << decimals << "12.505";
        QTest::newRow("empty clipboard") << "|"
                                         << ""
                                         << "" << int(PriceTextProblem::Empty) << "";
        QTest::newRow("a price making a second point") << "1.2|"
                                                       << ".5"
                                                       << "" << notAPrice << "1.2.5";
        QTest::newRow("a price making a third decimal") << "1.2|"
                                                        << "34"
                                                        << "" << decimals << "1.234";
        QTest::newRow("beside letters typed before") << "ABC|"
                                                     << "12"
                                                     << "" << notAPrice << "ABC12";
        QTest::newRow("over letters selected") << "[ABC]"
                                               << "12"
                                               << "12" << none << "";
    }

    void paste() {
        QFETCH(QString, field);
        QFETCH(QString, pasted);
        const auto [before, after] = Split(field);
        const PastedPrice result = PastePrice(before, after, pasted.toStdString());
        QTEST(QString::fromStdString(result.insert), "insert");
        QTEST(int(result.problem), "problem");
        QTEST(QString::fromStdString(result.judged), "judged");
    }
};

QTEST_APPLESS_MAIN(TestPriceKeyFilter)
#include "test_price_key_filter.moc"
