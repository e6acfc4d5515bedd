// The price fields' key filter.
#include "pricing/options/price_key_filter.h"

#include <QTest>

using namespace fapkalk;

class TestPriceKeyFilter : public QObject {
    Q_OBJECT

private slots:
    void filter_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("key");
        QTest::addColumn<bool>("pass");
        QTest::addColumn<uint>("keyAfter");

        const uint backspace = kBackspaceKey;
        QTest::newRow("comma becomes point") << "12" << uint(',') << true << uint('.');
        QTest::newRow("comma into empty text") << "" << uint(',') << true << uint('.');
        QTest::newRow("point appends") << "12" << uint('.') << true << uint('.');
        QTest::newRow("second point deletes") << "3.5" << uint('.') << true << backspace;
        QTest::newRow("second point as comma") << "3.5" << uint(',') << true << backspace;
        QTest::newRow("point first, point again") << ".5" << uint('.') << true << backspace;
        QTest::newRow("point after a point at the end") << "3." << uint('.') << true << backspace;
        QTest::newRow("digit into empty") << "" << uint('7') << true << uint('7');
        QTest::newRow("digit after one decimal") << "1.2" << uint('5') << true << uint('5');
        QTest::newRow("digit after a zero second decimal")
            << "1.20" << uint('5') << true << uint('5');
        QTest::newRow("digit after two decimals") << "1.25" << uint('0') << false << uint('0');
        QTest::newRow("digit after three decimals") << "1.205" << uint('9') << false << uint('9');
        QTest::newRow("third decimal zero") << "1.200" << uint('1') << true << uint('1');
        QTest::newRow("value zero") << "0.0" << uint('1') << true << uint('1');
        QTest::newRow("value zero, two zeros") << "0.00" << uint('1') << true << uint('1');
        QTest::newRow("0.001 refuses") << "0.001" << uint('2') << false << uint('2');
        QTest::newRow("negative never refuses") << "-1.25" << uint('3') << true << uint('3');
        QTest::newRow("negative tiny") << "-0.001" << uint('3') << true << uint('3');
        QTest::newRow("letter passes") << "1.25" << uint('a') << true << uint('a');
        QTest::newRow("capital passes") << "1.25" << uint('X') << true << uint('X');
        QTest::newRow("blank passes") << "1.25" << uint(' ') << true << uint(' ');
        QTest::newRow("minus passes") << "1.25" << uint('-') << true << uint('-');
        QTest::newRow("plus passes") << "1.25" << uint('+') << true << uint('+');
        QTest::newRow("enter passes") << "1.25" << uint(kEnterKey) << true << uint(kEnterKey);
        QTest::newRow("backspace passes") << "1.25" << backspace << true << backspace;
        QTest::newRow("umlaut passes") << "1.25" << uint(0xFC) << true << uint(0xFC);
        QTest::newRow("emoji passes") << "1.25" << uint(0x1F600) << true << uint(0x1F600);
        // The value is read as a price reads: a blank after the number ends the
        // reading and the digits count as a whole number.
        QTest::newRow("trailing blank reads a whole number")
            << "1.25 " << uint('1') << true << uint('1');
        QTest::newRow("trailing letter reads a whole number")
            << "1.25x" << uint('1') << true << uint('1');
        QTest::newRow("exponent scales") << "125e-2" << uint('1') << false << uint('1');
        QTest::newRow("exponent to a whole value") << "1.25e2" << uint('1') << true << uint('1');
        QTest::newRow("leading blanks") << "  1.25" << uint('1') << false << uint('1');
        QTest::newRow("large whole value") << "1e307" << uint('1') << true << uint('1');
        // Texts beyond any price take no more digits (their tenfold or their
        // value cannot be held as a double).
        QTest::newRow("tenfold overflows") << "1e308" << uint('1') << false << uint('1');
        QTest::newRow("negative tenfold overflows") << "-1e308" << uint('1') << false << uint('1');
        QTest::newRow("value overflows") << "1e999" << uint('1') << false << uint('1');
        QTest::newRow("overflow: letters still pass") << "1e999" << uint('a') << true << uint('a');
        QTest::newRow("overflow: point still deletes")
            << "1e999." << uint('.') << true << backspace;
        QTest::newRow("400 digits") << QString(400, QChar('9')) << uint('1') << false << uint('1');
    }

    void filter() {
        QFETCH(QString, text);
        QFETCH(uint, key);
        char32_t changed = key;
        const bool pass = FilterPriceKey(std::string_view(text.toStdString()), changed);
        QTEST(pass, "pass");
        QTEST(uint(changed), "keyAfter");
    }

    // A text refusing digits refuses every one of them; one accepting takes all.
    void digitsAllOrNone_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("1.25") << "1.25";
        QTest::newRow("1.2") << "1.2";
        QTest::newRow("0.0") << "0.0";
        QTest::newRow("-9.99") << "-9.99";
        QTest::newRow("empty") << "";
    }

    void digitsAllOrNone() {
        QFETCH(QString, text);
        const std::string utf8 = text.toStdString();
        const bool refuses = RefusesDigits(utf8);
        for (char32_t d = U'0'; d <= U'9'; ++d) {
            char32_t key = d;
            QCOMPARE(FilterPriceKey(std::string_view(utf8), key), !refuses);
            QCOMPARE(uint(key), uint(d));
        }
    }

    // Every amount written with two decimals: digits are refused exactly when
    // the second decimal is not 0; a one-decimal text never refuses.
    void everyCentAmount() {
        for (int cents = 0; cents < 100000; ++cents) {
            const std::string two = std::to_string(cents / 100) + "." +
                                    std::to_string(cents % 100 / 10) + std::to_string(cents % 10);
            if (RefusesDigits(two) != (cents % 10 != 0))
                QFAIL(two.c_str());
            const std::string one = std::to_string(cents / 10) + "." + std::to_string(cents % 10);
            if (RefusesDigits(one))
                QFAIL(one.c_str());
        }
    }
};

QTEST_APPLESS_MAIN(TestPriceKeyFilter)
#include "test_price_key_filter.moc"
