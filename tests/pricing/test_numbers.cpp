// Number rules: reading a price, the money roundings and the display text.
#include "pricing/numbers.h"
#include "pricing/rounding_detail.h"
#include "pricing_testkit.h"

#include <QtTest>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>

using fapkalk::FloatError;

using pricingtest::FloatErrorOf;
using pricingtest::TextOfCents;

namespace {

// Qt's QCOMPARE on doubles is fuzzy; money must match to the last bit.
#define COMPARE_EXACT(actual, expected)                                                            \
    do {                                                                                           \
        const double actual_ = (actual);                                                           \
        const double expected_ = (expected);                                                       \
        QVERIFY2(actual_ == expected_,                                                             \
                 qPrintable(QString::asprintf("%.17g, expected %.17g", actual_, expected_)));      \
    } while (false)

std::string SixDecimalsFast(double v) {
    char buf[32];
    const std::size_t len = fapkalk::detail::WriteSixDecimalsFast(v, buf);
    return std::string(buf, len);
}

} // namespace

class TestNumbers : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_ALL, "C"); }

    // --- ParsePrice -------------------------------------------------------

    void parsePrice_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("leading blanks") << QByteArray("  12.34") << 12.34;
        QTest::newRow("blank at the end: whole number") << QByteArray("12.34 ") << 1234.0;
        QTest::newRow("blank at the end, one decimal") << QByteArray("12.5 ") << 125.0;
        QTest::newRow("empty") << QByteArray("") << 0.0;
        QTest::newRow("blanks only") << QByteArray("   ") << 0.0;
        QTest::newRow("sign only") << QByteArray("-") << 0.0;
        QTest::newRow("blanks and sign") << QByteArray("  +") << 0.0;
        QTest::newRow("exponent") << QByteArray("1e2") << 100.0;
        QTest::newRow("capital exponent with sign") << QByteArray("25E-1") << 2.5;
        QTest::newRow("exponent and fraction") << QByteArray("1.5e1") << 15.0;
        QTest::newRow("second point") << QByteArray("1.5.") << 15.0;
        QTest::newRow("letter after a negative number") << QByteArray("-2.5x") << 25.0;
        QTest::newRow("comma") << QByteArray("1,5") << 1.0;
        QTest::newRow("letters") << QByteArray("abc") << 0.0;
        QTest::newRow("point at the end") << QByteArray("1.") << 1.0;
        QTest::newRow("point alone") << QByteArray(".") << 0.0;
        QTest::newRow("point first") << QByteArray(".5") << 0.5;
        QTest::newRow("negative") << QByteArray("-12.34") << -12.34;
        QTest::newRow("plus sign") << QByteArray("+7.05") << 7.05;
        QTest::newRow("tab is not a blank") << QByteArray("\t12.5") << 0.0;
        QTest::newRow("exponent without digits") << QByteArray("1.5e") << 15.0;
        QTest::newRow("exponent sign without digits") << QByteArray("1.5e+") << 15.0;
        QTest::newRow("exponent followed by a letter") << QByteArray("1.5e2x") << 15.0;
        QTest::newRow("sign inside the number") << QByteArray("12-3") << 12.0;
        QTest::newRow("leading zeros") << QByteArray("000012.50") << 12.5;
        QTest::newRow("fallback keeps leading zero digits out") << QByteArray("0.05 ") << 5.0;
        QTest::newRow("below the smallest double") << QByteArray("1e-400") << 0.0;
        QTest::newRow("negative tiny") << QByteArray("-1e-400") << -0.0;
        QTest::newRow("huge exponent of zero") << QByteArray("0e999999999999999999") << 0.0;
        QTest::newRow("many fraction digits")
            << QByteArray("0.1000000000000000055511151231257827021181583404541015625") << 0.1;
    }

    void parsePrice() {
        QFETCH(QByteArray, text);
        QFETCH(double, expected);
        const double value = fapkalk::ParsePrice(std::string_view(text.constData(), text.size()));
        COMPARE_EXACT(value, expected);
        QCOMPARE(std::signbit(value), std::signbit(expected));
    }

    // Every price typed with up to two decimals is the double nearest to it.
    void parsePriceCentsAreNearestDouble() {
        char text[32];
        for (long long cents = 0; cents <= 2'000'000; cents += 7) {
            for (const char* form : {"%lld.%02lld", "%lld.%02lld0", "  %lld.%02lld"}) {
                std::snprintf(text, sizeof text, form, cents / 100, cents % 100);
                const double value = fapkalk::ParsePrice(text);
                if (value != static_cast<double>(cents) / 100.0)
                    QFAIL(qPrintable(QString::asprintf("%s read as %.17g", text, value)));
            }
        }
    }

    // Long digit strings, points and exponents: always the correctly rounded
    // double, compared with the C library's conversion.
    void parsePriceMatchesCorrectRounding() {
        std::mt19937_64 random(4711);
        std::string text;
        for (int round = 0; round < 200'000; ++round) {
            text.clear();
            const int digits = 1 + static_cast<int>(random() % 40);
            const int point = static_cast<int>(random() % static_cast<unsigned>(digits + 1));
            for (int i = 0; i < digits; ++i) {
                if (i == point)
                    text += '.';
                text += static_cast<char>('0' + random() % 10);
            }
            if (random() % 3 == 0)
                text += "e" + std::to_string(static_cast<int>(random() % 80) - 40);
            const double expected = std::strtod(text.c_str(), nullptr);
            const double value = fapkalk::ParsePrice(text);
            if (value != expected)
                QFAIL(qPrintable(QString::asprintf("%s read as %.17g, expected %.17g", text.c_str(),
                                                   value, expected)));
        }
    }

    void parsePriceSubnormal() {
        COMPARE_EXACT(fapkalk::ParsePrice("4e-320"), std::strtod("4e-320", nullptr));
        QVERIFY(fapkalk::ParsePrice("4e-320") > 0);
    }

    void parsePriceOverflow_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("exponent 400") << QByteArray("1e400");
        QTest::newRow("negative beyond the range") << QByteArray("-2e308");
        QTest::newRow("400 digits") << QByteArray(400, '9');
        QTest::newRow("400 digits then a letter: whole number too big")
            << QByteArray(400, '7') + "x";
        QTest::newRow("digits moved up by the exponent") << QByteArray("0.0001e313");
        QTest::newRow("exponent beyond any integer")
            << QByteArray("1e99999999999999999999999999999");
    }

    void parsePriceOverflow() {
        QFETCH(QByteArray, text);
        const auto error = FloatErrorOf(
            [&] { (void)fapkalk::ParsePrice(std::string_view(text.constData(), text.size())); });
        QVERIFY(error.has_value());
        QCOMPARE(error->kind(), FloatError::Kind::Overflow);
        QCOMPARE(QString::fromUtf8(error->what()), QString::fromUtf8("Gleitkommaüberlauf"));
    }

    void parsePriceLargestDouble() {
        COMPARE_EXACT(fapkalk::ParsePrice("1.7976931348623157e308"), DBL_MAX);
    }

    // --- RoundDecimals, RoundCents, RoundFiveCents ------------------------

    void roundCents_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("expected");
        QTest::newRow("6.9993") << 6.9993 << 7.00;
        QTest::newRow("7.1508") << 7.1508 << 7.15;
        QTest::newRow("10.394") << 10.394 << 10.39;
        QTest::newRow("10.39499") << 10.39499 << 10.39;
        QTest::newRow("10.3949999") << 10.3949999 << 10.40;
        QTest::newRow("10.3949998") << 10.3949998 << 10.39;
        QTest::newRow("10.395 below the half cent as a double") << 10.395 << 10.40;
        QTest::newRow("2.675 below the half cent as a double") << 2.675 << 2.68;
        QTest::newRow("1.005") << 1.005 << 1.01;
        QTest::newRow("zero") << 0.0 << 0.0;
        QTest::newRow("whole cents stay") << 123.45 << 123.45;
        // Found by search: the two tolerance additions, rounded one after the
        // other, end on the other side of an integer than their sum would.
        QTest::newRow("separate additions, down") << 0.0049998999999 << 0.00;
        QTest::newRow("separate additions, up") << 0.6449998999998999 << 0.65;
        // The addition comes before a truncation toward zero, so negative
        // amounts move toward zero by the half cent.
        QTest::newRow("negative, truncated toward zero") << -1.234 << -1.22;
        QTest::newRow("small negative") << -0.004 << 0.0;
    }

    void roundCents() {
        QFETCH(double, x);
        QFETCH(double, expected);
        COMPARE_EXACT(fapkalk::RoundCents(x), expected);
        COMPARE_EXACT(fapkalk::RoundDecimals(x, 2), expected);
    }

    void roundDecimals_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("n");
        QTest::addColumn<double>("expected");
        QTest::newRow("1.249999 to tenths") << 1.249999 << 1 << 1.3;
        QTest::newRow("1.249998 to tenths") << 1.249998 << 1 << 1.2;
        QTest::newRow("0.05 to tenths") << 0.05 << 1 << 0.1;
        QTest::newRow("0.04 to tenths") << 0.04 << 1 << 0.0;
        QTest::newRow("to whole numbers") << 2.5 << 0 << 3.0;
        QTest::newRow("three decimals, just above the turn") << 1.234499995 << 3 << 1.235;
        QTest::newRow("three decimals, just below the turn") << 1.234499985 << 3 << 1.234;
    }

    void roundDecimals() {
        QFETCH(double, x);
        QFETCH(int, n);
        QFETCH(double, expected);
        COMPARE_EXACT(fapkalk::RoundDecimals(x, n), expected);
    }

    // The remainder at which the cent rounding goes up is 1 - 0.50001000001:
    // half a hundred-thousandth below it stays, as much above it goes up.
    void roundCentsThreshold() {
        for (std::int64_t cents = 0; cents < 200'000; cents += 3) {
            const double below = (static_cast<double>(cents) + 0.499985) / 100.0;
            const double above = (static_cast<double>(cents) + 0.499995) / 100.0;
            const double down = static_cast<double>(cents) / 100.0;
            const double up = static_cast<double>(cents + 1) / 100.0;
            if (fapkalk::RoundCents(below) != down || fapkalk::RoundCents(above) != up)
                QFAIL(qPrintable(QString::asprintf("around %lld cents", (long long)cents)));
        }
    }

    void roundDecimalsRejectsDecimalCount() {
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, fapkalk::RoundDecimals(1.0, -1));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, fapkalk::RoundDecimals(1.0, 19));
    }

    void roundFiveCents_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("expected");
        QTest::newRow("0.00") << 0.00 << 0.00;
        QTest::newRow("0.01") << 0.01 << 0.00;
        QTest::newRow("0.02") << 0.02 << 0.00;
        QTest::newRow("0.03") << 0.03 << 0.05;
        QTest::newRow("0.04") << 0.04 << 0.05;
        QTest::newRow("0.05") << 0.05 << 0.05;
        QTest::newRow("0.06") << 0.06 << 0.05;
        QTest::newRow("0.07") << 0.07 << 0.05;
        QTest::newRow("9.98") << 9.98 << 10.00;
        QTest::newRow("1.22") << 1.22 << 1.20;
        QTest::newRow("1.23") << 1.23 << 1.25;
        QTest::newRow("1.27") << 1.27 << 1.25;
        QTest::newRow("1.28") << 1.28 << 1.30;
        QTest::newRow("1.2249") << 1.2249 << 1.20;
        QTest::newRow("1.2250001") << 1.2250001 << 1.25;
        QTest::newRow("a quarter of a tenth") << 1.225 << 1.25;
        QTest::newRow("three quarters of a tenth") << 1.275 << 1.30;
    }

    void roundFiveCents() {
        QFETCH(double, x);
        QFETCH(double, expected);
        COMPARE_EXACT(fapkalk::RoundFiveCents(x), expected);
    }

    // The cent digit rule, computed in integers, for every amount up to 5000 €.
    void roundFiveCentsFollowsCentDigit() {
        for (std::int64_t cents = 0; cents <= 500'000; ++cents) {
            const std::int64_t digit = cents % 10;
            const std::int64_t tenth = cents - digit;
            const std::int64_t expected = digit <= 2 ? tenth : digit <= 7 ? tenth + 5 : tenth + 10;
            const double x = static_cast<double>(cents) / 100.0;
            if (fapkalk::RoundFiveCents(x) != static_cast<double>(expected) / 100.0)
                QFAIL(qPrintable(QString::asprintf("%lld cents", (long long)cents)));
        }
    }

    // --- Range errors -----------------------------------------------------

    void roundingErrors_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("kind");
        const int invalid = static_cast<int>(FloatError::Kind::InvalidOperation);
        const int overflow = static_cast<int>(FloatError::Kind::Overflow);
        QTest::newRow("2^63 / 100") << 0x1p63 / 100.0 << 2 << invalid;
        QTest::newRow("2^63 / 10") << 0x1p63 / 10.0 << 1 << invalid;
        QTest::newRow("-2^63 / 100") << -0x1p63 / 100.0 << 2 << invalid;
        QTest::newRow("1e17 to cents") << 1e17 << 2 << invalid;
        QTest::newRow("NaN") << std::nan("") << 2 << invalid;
        QTest::newRow("infinity") << HUGE_VAL << 2 << invalid;
        QTest::newRow("minus infinity") << -HUGE_VAL << 1 << invalid;
        QTest::newRow("1e307 times 100 overflows") << 1e307 << 2 << overflow;
        QTest::newRow("largest double times 10") << DBL_MAX << 1 << overflow;
        QTest::newRow("negative overflow") << -DBL_MAX << 2 << overflow;
    }

    void roundingErrors() {
        QFETCH(double, x);
        QFETCH(int, n);
        QFETCH(int, kind);
        const auto error = FloatErrorOf([&] { (void)fapkalk::RoundDecimals(x, n); });
        QVERIFY(error.has_value());
        QCOMPARE(static_cast<int>(error->kind()), kind);
        const char* text = kind == static_cast<int>(FloatError::Kind::Overflow)
                               ? "Gleitkommaüberlauf"
                               : "Ungültige Gleitkommaoperation";
        QCOMPARE(QString::fromUtf8(error->what()), QString::fromUtf8(text));
        if (n == 2) {
            QVERIFY(FloatErrorOf([&] { (void)fapkalk::RoundCents(x); }).has_value());
            QVERIFY(FloatErrorOf([&] { (void)fapkalk::RoundFiveCents(x); }).has_value());
        }
    }

    // Walking down from 2^63 / 10^n: the first amount that is accepted lies
    // within a few doubles of the limit and rounds to the truncated product.
    void int64Boundary_data() {
        QTest::addColumn<int>("n");
        QTest::newRow("cents") << 2;
        QTest::newRow("tenths") << 1;
    }

    void int64Boundary() {
        QFETCH(int, n);
        const double m = n == 2 ? 100.0 : 10.0;
        double x = 0x1p63 / m;
        int steps = 0;
        while (FloatErrorOf([&] { (void)fapkalk::RoundDecimals(x, n); }).has_value()) {
            x = std::nextafter(x, 0.0);
            QVERIFY(++steps < 16);
        }
        QVERIFY(x * m < 0x1p63);
        const double rounded = fapkalk::RoundDecimals(x, n);
        QVERIFY(std::fabs(rounded - x) <= std::fabs(x) * 1e-15);
        // The neighbour above is refused again.
        const auto error =
            FloatErrorOf([&] { (void)fapkalk::RoundDecimals(std::nextafter(x, HUGE_VAL), n); });
        QVERIFY(error.has_value());
        QCOMPARE(error->kind(), FloatError::Kind::InvalidOperation);
        // Far below the limit nothing is refused.
        QVERIFY(!FloatErrorOf([&] { (void)fapkalk::RoundDecimals(x * 0.99, n); }).has_value());
        QVERIFY(!FloatErrorOf([&] { (void)fapkalk::RoundDecimals(-x * 0.99, n); }).has_value());
    }

    // --- FormatPrice ------------------------------------------------------

    void formatPrice_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<QString>("expected");
        QTest::newRow("0") << 0.0 << "      0.00";
        QTest::newRow("0.5") << 0.5 << "      0.50";
        QTest::newRow("12.34") << 12.34 << "     12.34";
        QTest::newRow("1234.5") << 1234.5 << "   1234.50";
        QTest::newRow("999999.99") << 999999.99 << " 999999.99";
        QTest::newRow("9999999.99") << 9999999.99 << "9999999.99";
        QTest::newRow("10000000") << 10000000.0 << "10000000.0";
        QTest::newRow("123456789.12") << 123456789.12 << "123456789.";
        QTest::newRow("1234567890.5") << 1234567890.5 << "1234567890";
        QTest::newRow("-12.34") << -12.34 << "    -12.34";
        QTest::newRow("0.004") << 0.004 << "      0.00";
        QTest::newRow("12.345 is cut, not rounded") << 12.345 << "     12.34";
        QTest::newRow("12.3499994") << 12.3499994 << "     12.34";
        QTest::newRow("12.3499996") << 12.3499996 << "     12.35";
        QTest::newRow("9.9999999 carries") << 9.9999999 << "     10.00";
        QTest::newRow("negative million") << -1234567.5 << "-1234567.5";
        QTest::newRow("1e15 through the slow path") << 1e15 << "1000000000";
        QTest::newRow("largest double") << DBL_MAX << "1797693134";
        QTest::newRow("tiny negative keeps its sign") << -1e-9 << "     -0.00";
        QTest::newRow("just below the sixth decimal's half") << 0.0000004 << "      0.00";
        QTest::newRow("NaN") << std::nan("") << "       NAN";
        QTest::newRow("infinity") << HUGE_VAL << "       INF";
        QTest::newRow("minus infinity") << -HUGE_VAL << "      -INF";
    }

    void formatPrice() {
        QFETCH(double, x);
        QFETCH(QString, expected);
        const std::string text = fapkalk::FormatPrice(x);
        QCOMPARE(text.size(), std::size_t{10});
        QCOMPARE(QString::fromStdString(text), expected);
    }

    // Every amount on whole cents below ten million shows as its own decimal text.
    void formatPriceWholeCents() {
        const auto check = [](std::int64_t cents) {
            const double x = static_cast<double>(cents) / 100.0;
            const std::string text = fapkalk::FormatPrice(x);
            if (text != TextOfCents(cents))
                QFAIL(qPrintable(
                    QString::asprintf("%lld cents: '%s'", (long long)cents, text.c_str())));
        };
        for (std::int64_t cents = 0; cents <= 300'000; ++cents)
            check(cents);
        for (std::int64_t cents = 300'000; cents < 999'999'999; cents += 2'347)
            check(cents);
        check(999'999'999);
        for (std::int64_t cents = -99'999'999; cents < 0; cents += 7'919)
            check(cents);
    }

    // What the text of an amount shows as numbers, and where it stops
    // fitting: seven characters before the point (a sign counts), after the
    // six-decimal rounding.
    void shownPrice_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<bool>("fits");
        QTest::addColumn<qulonglong>("cents");
        QTest::addColumn<bool>("negative");
        QTest::newRow("0") << 0.0 << true << 0ULL << false;
        QTest::newRow("12.34") << 12.34 << true << 1234ULL << false;
        QTest::newRow("12.345 cut") << 12.345 << true << 1234ULL << false;
        QTest::newRow("9999999.99") << 9999999.99 << true << 999999999ULL << false;
        QTest::newRow("9999999.995 cut") << 9999999.995 << true << 999999999ULL << false;
        QTest::newRow("9999999.9999996 carries to 8 digits")
            << 9999999.9999996 << false << 0ULL << false;
        QTest::newRow("10000000") << 10000000.0 << false << 0ULL << false;
        QTest::newRow("-999999.99") << -999999.99 << true << 99999999ULL << true;
        QTest::newRow("-1000000") << -1000000.0 << false << 0ULL << false;
        QTest::newRow("-0.004 keeps its sign") << -0.004 << true << 0ULL << true;
        QTest::newRow("-0.0") << -0.0 << true << 0ULL << false;
        QTest::newRow("1e15") << 1e15 << false << 0ULL << false;
        QTest::newRow("NaN") << std::nan("") << false << 0ULL << false;
        QTest::newRow("infinity") << HUGE_VAL << false << 0ULL << false;
    }

    void shownPrice() {
        QFETCH(double, x);
        QFETCH(bool, fits);
        QFETCH(qulonglong, cents);
        QFETCH(bool, negative);
        const std::optional<fapkalk::ShownPrice> shown = fapkalk::ShownPriceOf(x);
        QCOMPARE(shown.has_value(), fits);
        if (!fits) {
            // FormatPrice still gives the cut text of its rules.
            QCOMPARE(fapkalk::FormatPrice(x), fapkalk::detail::FormatPriceGeneral(x));
            return;
        }
        QCOMPARE(shown->cents, static_cast<std::uint64_t>(cents));
        QCOMPARE(shown->negative, negative);
        std::string text(fapkalk::kShownTextSize, '?');
        fapkalk::WriteShownText(text.data(), *shown);
        QCOMPARE(text, fapkalk::detail::FormatPriceGeneral(x));
    }

    // The three written forms of a shown amount and their lengths.
    void shownDigits() {
        for (std::uint64_t cents : {0ULL, 5ULL, 99ULL, 100ULL, 12345ULL, 99999999ULL, 999999999ULL})
            for (bool negative : {false, true})
                for (char separator : {'\0', '.', ','}) {
                    const fapkalk::ShownPrice shown{cents, negative};
                    char buf[32];
                    char* begin = fapkalk::WriteShownBackwards(buf + sizeof buf, shown, separator);
                    const std::string written(begin, buf + sizeof buf);
                    char expected[32];
                    std::snprintf(expected, sizeof expected, "%s%llu%s%02llu", negative ? "-" : "",
                                  (unsigned long long)(cents / 100),
                                  separator ? std::string(1, separator).c_str() : "",
                                  (unsigned long long)(cents % 100));
                    QCOMPARE(written, std::string(expected));
                    QCOMPARE(fapkalk::ShownLength(shown, separator), written.size());
                }
    }

    // The shortcut for amounts on or next to whole cents against the general
    // way: every amount below 2^24 cents, and a seventh of them one ulp either
    // side; near misses of the distance the shortcut accepts (1e-8, in cents
    // 1e-6), and the distances where the six decimals change; then a prime
    // stride past the shortcut's end at 10^9 cents.
    void formatPriceCentShortcut() {
        const auto check = [](double x) {
            if (fapkalk::FormatPrice(x) != fapkalk::detail::FormatPriceGeneral(x))
                QFAIL(qPrintable(QString::asprintf("%.17g", x)));
        };
        for (std::int64_t cents = 0; cents < (std::int64_t{1} << 24); ++cents) {
            const double x = static_cast<double>(cents) / 100.0;
            check(x);
            if (cents % 7 == 0) {
                check(std::nextafter(x, 0.0));
                check(std::nextafter(x, HUGE_VAL));
            }
        }
        for (std::int64_t cents = 0; cents < (std::int64_t{1} << 24); cents += 97) {
            const double x = static_cast<double>(cents) / 100.0;
            for (double d : {0.9e-8, 1e-8, 1.1e-8, 4.9e-7, 5e-7, 5.1e-7, 1e-6})
                for (double y : {x + d, x - d})
                    check(y);
        }
        for (std::int64_t cents = 1; cents < (std::int64_t{1} << 37); cents += 999'983) {
            const double x = static_cast<double>(cents) / 100.0;
            for (double y : {x, std::nextafter(x, 0.0), std::nextafter(x, HUGE_VAL), x + 1e-8})
                check(y);
        }
        // A range's running sums: 0.01 added up.
        double sum = 0;
        for (int i = 0; i < 1'000'000; ++i)
            check(sum += 0.01);
        check(-0.0);
        check(-1e-12);
    }

    // The fast exact path and the plain reference give the same six-decimal
    // text, on random doubles of every magnitude the fast path covers.
    void sixDecimalsFastMatchesReference() {
        std::mt19937_64 random(20120101);
        std::uniform_real_distribution<double> exponent(-9.0, 12.5);
        for (int i = 0; i < 100'000; ++i) {
            double v = std::pow(10.0, exponent(random));
            if (i % 2 == 1)
                v = -v;
            const std::string fast = SixDecimalsFast(v);
            const std::string reference = fapkalk::detail::SixDecimalsReference(v);
            if (!fast.empty() && fast != reference)
                QFAIL(qPrintable(QString::asprintf("%.17g: fast %s, reference %s", v, fast.c_str(),
                                                   reference.c_str())));
        }
    }

    // Doubles right next to the places where the sixth decimal turns over:
    // here the 18-digit step decides, and rounding twice differs from once.
    void sixDecimalsAtRoundingBoundaries() {
        int differentFromOneRounding = 0;
        const double wholes[] = {0.0, 7.0, 12345.0, 9876543.0};
        for (std::int64_t micro = 0; micro < 1'000'000; micro += 37) {
            const double whole = wholes[micro % 4];
            const double boundary = whole + (static_cast<double>(micro) + 0.5) * 1e-6;
            double v = boundary;
            for (int step = 0; step < 4; ++step)
                v = std::nextafter(v, 0.0);
            for (int step = 0; step < 8; ++step, v = std::nextafter(v, HUGE_VAL)) {
                const std::string fast = SixDecimalsFast(v);
                const std::string reference = fapkalk::detail::SixDecimalsReference(v);
                if (fast != reference)
                    QFAIL(qPrintable(QString::asprintf("%.17g: fast %s, reference %s", v,
                                                       fast.c_str(), reference.c_str())));
                char once[64];
                std::snprintf(once, sizeof once, "%.6f", v);
                if (reference != once)
                    ++differentFromOneRounding;
            }
        }
        // The 18-digit step is what makes a difference here at all.
        QVERIFY(differentFromOneRounding > 0);
    }

    // Exact ties at the 19th significant digit: x = integer + odd/256 between
    // 1e10 and 1e11 has exactly 19 significant digits ending in 5.
    void sixDecimalsExactTies() {
        std::mt19937_64 random(99);
        for (int i = 0; i < 20'000; ++i) {
            const double whole = 1e10 + static_cast<double>(random() % 80'000'000'000ULL);
            const double v = whole + static_cast<double>(2 * (random() % 128) + 1) / 256.0;
            QCOMPARE(SixDecimalsFast(v), fapkalk::detail::SixDecimalsReference(v));
        }
        // Twelve integer digits: the 18th digit is the sixth decimal, and the
        // exact tie 0.007812|5 goes up (a tie to even would stay at ...812).
        const double tie = 123456789012.0078125;
        QCOMPARE(fapkalk::detail::SixDecimalsReference(tie), std::string("123456789012.007813"));
        QCOMPARE(SixDecimalsFast(tie), std::string("123456789012.007813"));
    }

    // Where the fast path hands over to the reference.
    void sixDecimalsRangeEdges() {
        for (double edge : {1e-8, 1e12, 5e-7, 1e-6}) {
            double v = edge;
            for (int step = 0; step < 20; ++step)
                v = std::nextafter(v, 0.0);
            for (int step = 0; step < 40; ++step, v = std::nextafter(v, HUGE_VAL)) {
                const std::string fast = SixDecimalsFast(v);
                if (!fast.empty())
                    QCOMPARE(fast, fapkalk::detail::SixDecimalsReference(v));
            }
        }
        QVERIFY(SixDecimalsFast(1e12).empty());
        QVERIFY(!SixDecimalsFast(std::nextafter(1e12, 0.0)).empty());
    }

    // The reference against the C library's exact "%.6f" where the 18-digit
    // step cannot matter: away from the turning points of the sixth decimal.
    void sixDecimalsReferenceMatchesPrintf() {
        std::mt19937_64 random(7);
        std::uniform_real_distribution<double> exponent(-6.0, 6.0);
        for (int i = 0; i < 50'000; ++i) {
            const double v = std::pow(10.0, exponent(random));
            const double scaled = v * 1e6;
            const double fraction = scaled - std::floor(scaled);
            if (std::fabs(fraction - 0.5) < 1e-3)
                continue;
            char expected[400];
            std::snprintf(expected, sizeof expected, "%.6f", v);
            QCOMPARE(fapkalk::detail::SixDecimalsReference(v), std::string(expected));
        }
    }
};

QTEST_APPLESS_MAIN(TestNumbers)
#include "test_numbers.moc"
