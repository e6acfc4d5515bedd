// The date and time texts shared by the status bar, the window's export and
// fapkalk-cli: which locale, the four-digit year, no time zone, midnight.
#include "tools/date_text.h"

#include <QtTest>

class TestDateText : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void withFourDigitYear_data();
    void withFourDigitYear();
    void withoutTimeZone_data();
    void withoutTimeZone();
    void texts_data();
    void texts();
    void dateTimeLocale_data();
    void dateTimeLocale();
    void createdText_data();
    void createdText();
};

void TestDateText::cleanup() {
    qunsetenv("LC_ALL");
    qunsetenv("LC_TIME");
    qunsetenv("LANG");
}

void TestDateText::withFourDigitYear_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("German") << "dd.MM.yy"
                            << "dd.MM.yyyy";
    QTest::newRow("American") << "M/d/yy"
                              << "M/d/yyyy";
    QTest::newRow("already four digits") << "dd/MM/yyyy"
                                         << "dd/MM/yyyy";
    QTest::newRow("year first") << "yy-MM-dd"
                                << "yyyy-MM-dd";
    QTest::newRow("quoted y kept") << "d 'yy' yy"
                                   << "d 'yy' yyyy";
    QTest::newRow("no year") << "dd.MM."
                             << "dd.MM.";
}

void TestDateText::withFourDigitYear() {
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(tools::WithFourDigitYear(format), expected);
}

void TestDateText::withoutTimeZone_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("German") << "HH:mm:ss t"
                            << "HH:mm:ss";
    QTest::newRow("English") << "h:mm:ss AP t"
                             << "h:mm:ss AP";
    QTest::newRow("zone first") << "t HH:mm:ss"
                                << "HH:mm:ss";
    QTest::newRow("no zone") << "HH:mm:ss"
                             << "HH:mm:ss";
    QTest::newRow("quoted t kept") << "HH 'Uhr' mm 't' t"
                                   << "HH 'Uhr' mm 't'";
    QTest::newRow("long zone field") << "HH:mm:ss tttt"
                                     << "HH:mm:ss";
}

void TestDateText::withoutTimeZone() {
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(tools::WithoutTimeZone(format), expected);
}

void TestDateText::texts_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::newRow("de_AT") << QLocale(QLocale::German, QLocale::Austria) << "07.12.2026"
                           << "14:05:09";
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << "07.12.2026"
                           << "14:05:09";
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << "12/7/2026"
                           << "2:05:09 PM";
    QTest::newRow("en_GB") << QLocale(QLocale::English, QLocale::UnitedKingdom) << "07/12/2026"
                           << "14:05:09";
}

void TestDateText::texts() {
    QFETCH(QLocale, locale);
    QFETCH(QString, date);
    QFETCH(QString, time);
    QCOMPARE(tools::ShortDateText(QDate(2026, 12, 7), locale), date);
    QCOMPARE(tools::LongTimeText(QTime(14, 5, 9), locale), time);
}

void TestDateText::dateTimeLocale_data() {
    QTest::addColumn<QByteArray>("lcAll");
    QTest::addColumn<QByteArray>("lcTime");
    QTest::addColumn<QByteArray>("lang");
    QTest::addColumn<QString>("name");
    QTest::newRow("LANG alone") << QByteArray() << QByteArray() << QByteArray("en_US.UTF-8")
                                << "en_US";
    QTest::newRow("LC_TIME before LANG")
        << QByteArray() << QByteArray("de_AT.UTF-8") << QByteArray("en_US.UTF-8") << "de_AT";
    QTest::newRow("LC_ALL before both") << QByteArray("en_GB.UTF-8") << QByteArray("de_AT.UTF-8")
                                        << QByteArray("en_US.UTF-8") << "en_GB";
    QTest::newRow("C.UTF-8: Austrian German")
        << QByteArray("C.UTF-8") << QByteArray() << QByteArray() << "de_AT";
    QTest::newRow("POSIX: Austrian German")
        << QByteArray() << QByteArray("POSIX") << QByteArray("en_US.UTF-8") << "de_AT";
    QTest::newRow("nothing set: Austrian German")
        << QByteArray() << QByteArray() << QByteArray() << "de_AT";
    QTest::newRow("unknown name: Austrian German")
        << QByteArray() << QByteArray() << QByteArray("xx_YY.UTF-8") << "de_AT";
}

void TestDateText::dateTimeLocale() {
    QFETCH(QByteArray, lcAll);
    QFETCH(QByteArray, lcTime);
    QFETCH(QByteArray, lang);
    QFETCH(QString, name);
    const auto set = [](const char* variable, const QByteArray& value) {
        if (value.isEmpty())
            qunsetenv(variable);
        else
            qputenv(variable, value);
    };
    set("LC_ALL", lcAll);
    set("LC_TIME", lcTime);
    set("LANG", lang);
    QCOMPARE(tools::DateTimeLocale().name(), name);
}

void TestDateText::createdText_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("expected");
    const QLocale german(QLocale::German, QLocale::Austria);
    const QLocale american(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("afternoon") << german << QTime(14, 5, 9) << "07.12.2026 14:05:09";
    QTest::newRow("first second after midnight: the date alone")
        << german << QTime(0, 0, 0) << "07.12.2026";
    QTest::newRow("one second later: with the time")
        << german << QTime(0, 0, 1) << "07.12.2026 00:00:01";
    QTest::newRow("just before midnight") << german << QTime(23, 59, 59) << "07.12.2026 23:59:59";
    QTest::newRow("American midnight: the date alone") << american << QTime(0, 0, 0) << "12/7/2026";
    QTest::newRow("American afternoon") << american << QTime(14, 5, 9) << "12/7/2026 2:05:09 PM";
}

void TestDateText::createdText() {
    QFETCH(QLocale, locale);
    QFETCH(QTime, time);
    QFETCH(QString, expected);
    const std::string text =
        tools::CreatedDateTimeText(QDateTime(QDate(2026, 12, 7), time), locale);
    QCOMPARE(QString::fromStdString(text), expected);
}

QTEST_MAIN(TestDateText)
#include "test_date_text.moc"
