// The one way a typed or given price is read: whole cents exactly as
// written, or why the text is none, and the message that names the field.
#include "pricing/numbers.h"
#include "pricing/price_text.h"

#include <QTest>

#include <cmath>

using namespace fapkalk;

class TestPriceText : public QObject {
    Q_OBJECT

private slots:
    void read_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qint64>("cents");
        QTest::addColumn<int>("problem");
        QTest::addColumn<int>("badAt");
        const auto ok = [](const char* text, qint64 cents) {
            QTest::newRow(text) << QByteArray(text) << cents << int(PriceTextProblem::None) << 0;
        };
        const auto refused = [](const char* name, const char* text, PriceTextProblem problem,
                                int at = 0) {
            QTest::newRow(name) << QByteArray(text) << qint64(0) << int(problem) << at;
        };
        ok("12.50", 1250);
        ok("12,5", 1250);
        ok("12", 1200);
        ok("12.", 1200);
        ok(".5", 50);
        ok("0.01", 1);
        ok("007.10", 710);
        ok("26.050", 2605);
        ok("9999999999999.99", 999'999'999'999'999);
        refused("empty", "", PriceTextProblem::Empty);
        refused("point alone", ".", PriceTextProblem::NotAPrice, 1);
        refused("minus", "-5", PriceTextProblem::NotAPrice, 0);
        refused("plus", "+5", PriceTextProblem::NotAPrice, 0);
        refused("exponent", "1e2", PriceTextProblem::NotAPrice, 1);
        refused("letter inside", "12x5", PriceTextProblem::NotAPrice, 2);
        refused("blank inside", "1 5", PriceTextProblem::NotAPrice, 1);
        refused("blank after (callers trim)", "12.5 ", PriceTextProblem::NotAPrice, 4);
        refused("grouping", "1.234,56", PriceTextProblem::NotAPrice, 5);
        refused("two points", "1.2.3", PriceTextProblem::NotAPrice, 3);
        refused("three decimals", "12.505", PriceTextProblem::TooManyDecimals);
        refused("a tenth of a cent", "0.001", PriceTextProblem::TooManyDecimals);
        refused("ten trillion", "10000000000000", PriceTextProblem::TooLarge);
        refused("forty digits", "1234567890123456789012345678901234567890",
                PriceTextProblem::TooLarge);
        refused("junk beats size", "1234567890123456789012345x", PriceTextProblem::NotAPrice, 25);
    }

    void read() {
        QFETCH(QByteArray, text);
        const PriceText read = ReadPriceText(text.toStdString());
        QTEST(qint64(read.cents), "cents");
        QTEST(int(read.problem), "problem");
        QTEST(int(read.badAt), "badAt");
        // What the number rules' reader makes of an accepted text agrees.
        if (read.problem == PriceTextProblem::None) {
            const double value = ParsePrice(text.replace(',', '.').toStdString());
            QCOMPARE(std::llround(value * 100), read.cents);
        }
    }

    void messages() {
        QCOMPARE(QString::fromStdString(
                     PriceTextMessage("Von", "12.505", PriceTextProblem::TooManyDecimals)),
                 QStringLiteral("Von: „12.505“ hat mehr als zwei Nachkommastellen. Preise werden "
                                "in ganzen Cent eingegeben."));
        QCOMPARE(
            QString::fromStdString(PriceTextMessage("Bis", "12x5", PriceTextProblem::NotAPrice)),
            QStringLiteral("Bis: „12x5“ ist kein Preis (Ziffern mit höchstens einem "
                           "Dezimalpunkt oder -komma, ohne Vorzeichen)."));
        // Control characters are escaped, a long text is cut.
        QCOMPARE(QString::fromStdString(
                     PriceTextMessage("Staffel", "1\x1b[2J", PriceTextProblem::NotAPrice))
                     .left(19),
                 QStringLiteral("Staffel: „1\\x1b[2J“"));
        const std::string message =
            PriceTextMessage("Von", std::string(5000, '7') + "x", PriceTextProblem::NotAPrice);
        QVERIFY(message.size() < 300);
        QVERIFY(message.find("(gekürzt, 5001 Bytes)") != std::string::npos);
        QVERIFY(PriceTextMessage("Von", "1", PriceTextProblem::None).empty());
    }

    void amountTexts() {
        QCOMPARE(QString::fromStdString(AmountText(0)), QStringLiteral("0.00"));
        QCOMPARE(QString::fromStdString(AmountText(5)), QStringLiteral("0.05"));
        QCOMPARE(QString::fromStdString(AmountText(123456)), QStringLiteral("1234.56"));
        QCOMPARE(QString::fromStdString(AmountText(999'999'999'999'999)),
                 QStringLiteral("9999999999999.99"));
    }
};

QTEST_APPLESS_MAIN(TestPriceText)
#include "test_price_text.moc"
