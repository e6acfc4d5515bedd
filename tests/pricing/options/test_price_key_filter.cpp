// The price fields' key filter and what the field then does with the key.
#include "pricing/options/price_key_filter.h"

#include <QTest>

using namespace fapkalk;

namespace {

// Caret positions in the table: a number, or one of these.
constexpr int kCaretAtEnd = -1;
constexpr int kSelectAll = -2;

LineEditState FieldWith(const QString& text, int caret) {
    LineEditState field;
    field.text = text.toStdU16String();
    if (caret == kSelectAll)
        field.SelectAll();
    else if (caret == kCaretAtEnd)
        field.PlaceCaret(field.text.size());
    else
        field.PlaceCaret(static_cast<std::size_t>(caret));
    return field;
}

QString TextOf(const LineEditState& field) {
    return QString::fromStdU16String(field.text);
}

} // namespace

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
        const std::u16string utf16 = text.toStdU16String();

        char32_t viaUtf8 = key;
        const bool pass = FilterPriceKey(std::string_view(text.toStdString()), viaUtf8);
        QTEST(pass, "pass");
        QTEST(uint(viaUtf8), "keyAfter");

        // Both text forms give the same answer.
        char32_t viaUtf16 = key;
        QCOMPARE(FilterPriceKey(std::u16string_view(utf16), viaUtf16), pass);
        QCOMPARE(uint(viaUtf16), uint(viaUtf8));
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

    void typing_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("refused");

        QTest::newRow("12,5 key by key") << "" << kCaretAtEnd << "12,5"
                                         << "12.5" << 0;
        QTest::newRow("1.25 at the end") << "1.25" << kCaretAtEnd << "7"
                                         << "1.25" << 1;
        QTest::newRow("1.25 at the start") << "1.25" << 0 << "7"
                                           << "1.25" << 1;
        QTest::newRow("1.25 in the middle") << "1.25" << 2 << "0123456789"
                                            << "1.25" << 10;
        QTest::newRow("1.25 all selected") << "1.25" << kSelectAll << "7"
                                           << "1.25" << 1;
        QTest::newRow("1.2 takes one digit") << "1.2" << kCaretAtEnd << "55"
                                             << "1.25" << 1;
        QTest::newRow("1.20 then 1.205") << "1.20" << kCaretAtEnd << "56"
                                         << "1.205" << 1;
        QTest::newRow("0.0 to 0.001") << "0.0" << kCaretAtEnd << "012"
                                      << "0.001" << 1;
        QTest::newRow("digit before the point of 1.2") << "1.2" << 0 << "3"
                                                       << "31.2" << 0;
        QTest::newRow("3.5 point") << "3.5" << kCaretAtEnd << "."
                                   << "3." << 0;
        QTest::newRow("3.5 comma") << "3.5" << kCaretAtEnd << ","
                                   << "3." << 0;
        QTest::newRow("12 point") << "12" << kCaretAtEnd << "."
                                  << "12." << 0;
        QTest::newRow(".5 point") << ".5" << kCaretAtEnd << "."
                                  << "." << 0;
        QTest::newRow("second point deletes left of the caret") << "1.5" << 1 << "."
                                                                << ".5" << 0;
        QTest::newRow("second point at the start deletes nothing") << ".5" << 0 << "."
                                                                   << ".5" << 0;
        QTest::newRow("second point deletes the selection") << "3.5" << kSelectAll << "."
                                                            << "" << 0;
        QTest::newRow("comma in the middle") << "12" << 1 << ","
                                             << "1.2" << 0;
        QTest::newRow("-1.25 never refuses") << "-1.25" << kCaretAtEnd << "99"
                                             << "-1.2599" << 0;
        QTest::newRow("other keys go in") << "1.25" << kCaretAtEnd << "a -+"
                                          << "1.25a -+" << 0;
        QTest::newRow("enter changes nothing") << "1.25" << kCaretAtEnd << "\r"
                                               << "1.25" << 0;
        QTest::newRow("backspace then a digit") << "1.25" << kCaretAtEnd << "\b3"
                                                << "1.23" << 0;
        QTest::newRow("typing over a selection") << "1.2" << kSelectAll << "9,99"
                                                 << "9.99" << 0;
        QTest::newRow("a price typed with two commas") << "" << kCaretAtEnd << "1,2,3"
                                                       << "1.3" << 0;
    }

    void typing() {
        QFETCH(QString, start);
        QFETCH(int, caret);
        QFETCH(QString, keys);
        LineEditState field = FieldWith(start, caret);
        int refused = 0;
        for (char32_t key : keys.toUcs4())
            if (!TypePriceKey(field, key))
                ++refused;
        QTEST(TextOf(field), "result");
        QTEST(refused, "refused");
        QVERIFY(field.caret <= field.text.size());
    }

    void backspace_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("selectionStart");
        QTest::addColumn<int>("selectionLength");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("caretAfter");

        QTest::newRow("left of the caret") << "3.5" << 3 << 3 << 0 << "3." << 2;
        QTest::newRow("in the middle") << "123" << 2 << 2 << 0 << "13" << 1;
        QTest::newRow("at the start") << "123" << 0 << 0 << 0 << "123" << 0;
        QTest::newRow("selection") << "12345" << 4 << 1 << 3 << "15" << 1;
        QTest::newRow("whole text selected") << "12.5" << 4 << 0 << 4 << "" << 0;
        QTest::newRow("surrogate pair as one")
            << QString::fromUtf8("a😀b") << 3 << 3 << 0 << "ab" << 1;
        QTest::newRow("empty text") << "" << 0 << 0 << 0 << "" << 0;
        // Positions beyond the text are taken as its end rather than read past it.
        QTest::newRow("caret beyond the end") << "12" << 9 << 9 << 0 << "1" << 1;
        QTest::newRow("selection beyond the end") << "1234" << 4 << 2 << 9 << "12" << 2;
    }

    void backspace() {
        QFETCH(QString, start);
        QFETCH(int, caret);
        QFETCH(int, selectionStart);
        QFETCH(int, selectionLength);
        LineEditState field;
        field.text = start.toStdU16String();
        field.caret = static_cast<std::size_t>(caret);
        field.selectionStart = static_cast<std::size_t>(selectionStart);
        field.selectionLength = static_cast<std::size_t>(selectionLength);
        ApplyBackspace(field);
        QTEST(TextOf(field), "result");
        QTEST(static_cast<int>(field.caret), "caretAfter");
        QCOMPARE(field.selectionLength, std::size_t{0});
    }

    void utf8RoundTrip_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << "12.50";
        QTest::newRow("umlauts") << QString::fromUtf8("Möchten Sie ß");
        QTest::newRow("outside the basic plane") << QString::fromUtf8("1😀2");
        QTest::newRow("empty") << "";
    }

    void utf8RoundTrip() {
        QFETCH(QString, text);
        const std::string utf8 = ToUtf8(text.toStdU16String());
        QCOMPARE(QByteArray::fromStdString(utf8), text.toUtf8());
        QCOMPARE(QString::fromStdU16String(ToUtf16(utf8)), text);
    }

    void brokenUtf8_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        const QString r(QChar(0xFFFD));
        QTest::newRow("lone continuation") << QByteArray("1\x80"
                                                         "2")
                                           << "1" + r + "2";
        QTest::newRow("cut sequence") << QByteArray("1\xC3") << "1" + r;
        QTest::newRow("overlong") << QByteArray("\xC0\xAE") << r + r;
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << r + r + r;
        QTest::newRow("beyond the code range") << QByteArray("\xF4\x90\x80\x80") << r + r + r + r;
    }

    void brokenUtf8() {
        QFETCH(QByteArray, bytes);
        QTEST(QString::fromStdU16String(ToUtf16(bytes.toStdString())), "expected");
    }

    void loneSurrogateToUtf8() {
        const std::u16string text{u'1', char16_t(0xD800), u'2'};
        QCOMPARE(QByteArray::fromStdString(ToUtf8(text)), QByteArray("1\xEF\xBF\xBD"
                                                                     "2"));
    }
};

QTEST_APPLESS_MAIN(TestPriceKeyFilter)
#include "test_price_key_filter.moc"
