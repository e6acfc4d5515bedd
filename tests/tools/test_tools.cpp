// The shared tools: trimming, path clean-up, shell links through
// the opener seam, the program title and the busy cursor.
#include "tools/messages.h" // ProgramTitleFromPath
#include "tools/tools.h"

#include <QApplication>
#include <QCursor>
#include <QTimer>
#include <QtTest>
#include <string>

class TestTools : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void trimControls_data();
    void trimControls();
    void stripTrailingBackslashes_data();
    void stripTrailingBackslashes();
    void lowerAsciiLetters_data();
    void lowerAsciiLetters();
    void openWebAddress_data();
    void openWebAddress();
    void openMailAddress_data();
    void openMailAddress();
    void programTitleFromPath_data();
    void programTitleFromPath();
    void busyCursorDoesNotNest();
    void busyCursorProcessesPendingEvents();
};

void TestTools::cleanup() {
    tools::SetShellOpener({});
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void TestTools::trimControls_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("blanks only") << "   "
                                 << "";
    QTest::newRow("both ends") << "  12.5  "
                               << "12.5";
    QTest::newRow("controls") << QString("\t\r\n12\x01\x1f") << "12";
    QTest::newRow("inner blanks kept") << " 1 2 "
                                       << "1 2";
    QTest::newRow("code 32 and 33") << " !"
                                    << "!";
    QTest::newRow("non-breaking space kept")
        << QString::fromUtf8("\u00a012\u00a0") << QString::fromUtf8("\u00a012\u00a0");
    QTest::newRow("DEL kept") << QString("12\x7f") << QString("12\x7f");
}

void TestTools::trimControls() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(tools::TrimControls(text), expected);
}

void TestTools::stripTrailingBackslashes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("blank path backslash blank") << " c:\\temp\\ "
                                                << "c:\\temp";
    QTest::newRow("two backslashes alone") << "\\\\"
                                           << "";
    QTest::newRow("one backslash") << "\\"
                                   << "";
    QTest::newRow("many trailing") << "c:\\temp\\\\\\\\"
                                   << "c:\\temp";
    QTest::newRow("none") << "c:\\temp"
                          << "c:\\temp";
    QTest::newRow("inner kept") << "\\\\server\\share\\"
                                << "\\\\server\\share";
    QTest::newRow("blank between backslashes") << "c:\\temp\\ \\"
                                               << "c:\\temp\\ ";
    QTest::newRow("control after backslash") << QString("c:\\x\\\t") << "c:\\x";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("slash kept") << "/tmp/"
                                << "/tmp/";
}

void TestTools::stripTrailingBackslashes() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(tools::StripTrailingBackslashes(text), expected);
}

void TestTools::lowerAsciiLetters_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ascii") << "/INIDEST:C:\\TEMP"
                           << "/inidest:c:\\temp";
    QTest::newRow("mixed") << "WwW.Example.ORG"
                           << "www.example.org";
    QTest::newRow("umlauts untouched")
        << QString::fromUtf8("ÄÖÜ ÖSTERREICH") << QString::fromUtf8("ÄÖÜ Österreich");
    QTest::newRow("edges of the range") << "@AZ[`az{"
                                        << "@az[`az{";
    QTest::newRow("empty") << ""
                           << "";
}

void TestTools::lowerAsciiLetters() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(tools::LowerAsciiLetters(text), expected);
}

void TestTools::openWebAddress_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("target");
    QTest::newRow("plain") << "www.example.org"
                           << "http://www.example.org";
    QTest::newRow("blanks trimmed") << "  www.example.org \t"
                                    << "http://www.example.org";
    QTest::newRow("prefix lower") << "http://www.example.org"
                                  << "http://www.example.org";
    QTest::newRow("prefix upper kept as is") << "HTTP://WWW.EXAMPLE.ORG"
                                             << "HTTP://WWW.EXAMPLE.ORG";
    QTest::newRow("prefix mixed") << "Http://x.at"
                                  << "Http://x.at";
    QTest::newRow("prefix present: not trimmed") << " http://x.at "
                                                 << " http://x.at ";
    QTest::newRow("prefix elsewhere") << "go/http://x.at"
                                      << "go/http://x.at";
    QTest::newRow("https gets the prefix") << "https://x.at"
                                           << "http://https://x.at";
    QTest::newRow("empty") << ""
                           << "http://";
}

void TestTools::openWebAddress() {
    QFETCH(QString, address);
    QFETCH(QString, target);
    QStringList opened;
    tools::SetShellOpener([&](const QString& t) { opened << t; });
    tools::OpenWebAddress(address);
    QCOMPARE(opened, QStringList{target});
}

void TestTools::openMailAddress_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("target");
    QTest::newRow("empty subject") << "info@example.org"
                                   << ""
                                   << "MailTo:info@example.org?subject=";
    QTest::newRow("address trimmed") << " info@example.org\r\n"
                                     << ""
                                     << "MailTo:info@example.org?subject=";
    QTest::newRow("subject unchanged") << "a@b.at"
                                       << " Preis & Frage "
                                       << "MailTo:a@b.at?subject= Preis & Frage ";
    QTest::newRow("case kept") << "INFO@EXAMPLE.ORG"
                               << "X"
                               << "MailTo:INFO@EXAMPLE.ORG?subject=X";
}

void TestTools::openMailAddress() {
    QFETCH(QString, address);
    QFETCH(QString, subject);
    QFETCH(QString, target);
    QStringList opened;
    tools::SetShellOpener([&](const QString& t) { opened << t; });
    tools::OpenMailAddress(address, subject);
    QCOMPARE(opened, QStringList{target});
}

void TestTools::programTitleFromPath_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("windows path") << "C:\\X\\FAPKALK.EXE"
                                  << "Fapkalk";
    QTest::newRow("unix path") << "/usr/bin/fapkalk"
                               << "fapkalk";
    QTest::newRow("first point ends it") << "C:\\Prog\\FAP.Kalk.exe"
                                         << "Fap";
    QTest::newRow("point in folder ignored") << "C:\\dir.d\\PROG"
                                             << "Prog";
    QTest::newRow("point in unix folder ignored") << "/opt/fap.d/FAPKALK"
                                                  << "Fapkalk";
    QTest::newRow("mixed separators") << "C:/a\\b/KALK.EXE"
                                      << "Kalk";
    QTest::newRow("first kept, rest lowered") << "fAPKALK"
                                              << "fapkalk";
    QTest::newRow("umlaut kept") << QString::fromUtf8("/x/ÄPFEL.EXE") << QString::fromUtf8("Äpfel");
    QTest::newRow("later umlaut kept") << QString::fromUtf8("XÄY") << QString::fromUtf8("XÄy");
    QTest::newRow("single letter") << "/bin/X"
                                   << "X";
    QTest::newRow("hidden file") << "/a/.hidden"
                                 << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestTools::programTitleFromPath() {
    QFETCH(QString, path);
    QFETCH(QString, title);
    QCOMPARE(tools::ProgramTitleFromPath(path), title);
}

void TestTools::busyCursorDoesNotNest() {
    QVERIFY(!QApplication::overrideCursor());
    tools::BusyCursorOn();
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    tools::BusyCursorOn();
    tools::BusyCursorOn();
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    tools::BusyCursorOff();
    QVERIFY(!QApplication::overrideCursor());
    tools::BusyCursorOff(); // off without on is harmless
    QVERIFY(!QApplication::overrideCursor());
    // Off also clears overrides somebody else stacked.
    QApplication::setOverrideCursor(QCursor(Qt::IBeamCursor));
    QApplication::setOverrideCursor(QCursor(Qt::CrossCursor));
    tools::BusyCursorOn();
    tools::BusyCursorOff();
    QVERIFY(!QApplication::overrideCursor());
}

void TestTools::busyCursorProcessesPendingEvents() {
    int delivered = 0;
    QTimer::singleShot(0, this, [&] { ++delivered; });
    tools::BusyCursorOn();
    QCOMPARE(delivered, 1);
    QTimer::singleShot(0, this, [&] { ++delivered; });
    tools::BusyCursorOff();
    QCOMPARE(delivered, 2);
}

QTEST_MAIN(TestTools)
#include "test_tools.moc"
