// The one trim and the digits check, on the bytes and code units the program
// hands them.
#include "pricing/text_rules.h"

#include <QTest>

#include <string>

using namespace fapkalk;

class TestTextRules : public QObject {
    Q_OBJECT

private slots:
    void trimLowCodes_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("trimmed");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("blanks only") << QByteArray(" \t\r\n ") << QByteArray();
        QTest::newRow("inside kept") << QByteArray(" a b ") << QByteArray("a b");
        QTest::newRow("code 32 and below") << QByteArray("\x01\x1F x \x20\x0B") << QByteArray("x");
        QTest::newRow("code 33 kept") << QByteArray(" !") << QByteArray("!");
        QTest::newRow("utf8 kept") << QByteArray(" \xC3\xB6 ") << QByteArray("\xC3\xB6");
        QTest::newRow("non-breaking space kept") << QByteArray("\xC2\xA0"
                                                               "12\xC2\xA0")
                                                 << QByteArray("\xC2\xA0"
                                                               "12\xC2\xA0");
        QTest::newRow("delete kept") << QByteArray("\x7F") << QByteArray("\x7F");
    }

    // The same rule on UTF-8 bytes and on UTF-16 code units: what the window's
    // fields hold and what the export header gets trim alike.
    void trimLowCodes() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, trimmed);
        const std::string bytes = text.toStdString();
        const std::string_view kept = TrimLowCodes(bytes);
        QCOMPARE(QByteArray(kept.data(), qsizetype(kept.size())), trimmed);
        const std::u16string units = QString::fromUtf8(text).toStdU16String();
        QCOMPARE(QString::fromStdU16String(std::u16string(TrimLowCodes(units))),
                 QString::fromUtf8(trimmed));
    }

    void isDigitsOnly_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        QTest::newRow("10") << "10" << true;
        QTest::newRow("0") << "0" << true;
        QTest::newRow("05") << "05" << true;
        QTest::newRow("long") << "12345678901234567890" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("leading blank") << " 5" << false;
        QTest::newRow("trailing blank") << "5 " << false;
        QTest::newRow("letter") << "5a" << false;
        QTest::newRow("point") << "1.5" << false;
        QTest::newRow("sign") << "-5" << false;
        QTest::newRow("plus") << "+5" << false;
        QTest::newRow("slash below 0") << "1/" << false;
        QTest::newRow("colon above 9") << "1:" << false;
        QTest::newRow("arabic-indic digit") << QString::fromUtf8("\u0661") << false;
        QTest::newRow("fullwidth digit") << QString::fromUtf8("\uFF11") << false;
    }

    void isDigitsOnly() {
        QFETCH(QString, text);
        QFETCH(bool, expected);
        QCOMPARE(IsDigitsOnly(text.toStdString()), expected);
    }
};

QTEST_APPLESS_MAIN(TestTextRules)
#include "test_text_rules.moc"
