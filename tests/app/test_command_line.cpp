// The command line's one parameter and the start-up order.
#include "../ui/main/message_recorder.h"

#include "app/CommandLine.h"
#include "app/StartProgram.h"
#include "publisher.h"
#include "settings/JvFormPlacement.h"
#include "ui/main/FAP_Main.h"

#include <QApplication>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTimer>
#include <QtTest>

using namespace fapkalk;

namespace {

// What the main window's placement component was set up with.
PlacementSettings PlacementOf(const TForm1& form) {
    return {form.FormPlacement().Active, form.FormPlacement().IniFileName};
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { tools::SetMessageHandler({}); }

    void parse_data();
    void parse();
    void helpText();
    void asksForVersionOrHelp_data();
    void asksForVersionOrHelp();
    void versionText();
    void linuxHelpText();
    void printVersion_data();
    void printVersion();
    void helpIsShownBeforeAnyWindowAndStartGoesOn();
    void mainWindowTakesThePlacementSettings_data();
    void mainWindowTakesThePlacementSettings();
    void creationStepsStartWithTheMainWindow();
    void programRunsUntilTheMainWindowCloses();
};

void TestCommandLine::parse_data() {
    QTest::addColumn<QStringList>("parameters");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<bool>("active");
    QTest::addColumn<QString>("iniFile");
    QTest::addColumn<bool>("help");
    const QString win = QStringLiteral("\\");
    const QString unix = QStringLiteral("/");
    const QString plain = QStringLiteral("kalvor.ini");
    auto row = [](const char* name, QStringList parameters, const QString& separator, bool active,
                  const QString& iniFile, bool help) {
        QTest::newRow(name) << parameters << separator << active << iniFile << help;
    };
    row("none", {}, win, true, plain, false);
    row("/noini", {"/noini"}, win, false, plain, false);
    row("/NOINI", {"/NOINI"}, win, false, plain, false);
    row("/NoIni", {"/NoIni"}, unix, false, plain, false);
    row("/noini with more", {"/noini2"}, win, true, plain, false);
    row("/inidest:c:\\temp", {"/inidest:c:\\temp"}, win, true, "c:\\temp\\kalvor.ini", false);
    row("one trailing backslash", {"/inidest:c:\\temp\\"}, win, true, "c:\\temp\\kalvor.ini",
        false);
    row("many trailing backslashes", {"/inidest:c:\\temp\\\\\\"}, win, true, "c:\\temp\\kalvor.ini",
        false);
    row("/INIDEST:C:\\TEMP", {"/INIDEST:C:\\TEMP"}, win, true, "c:\\temp\\kalvor.ini", false);
    row("blank before the backslash", {"/inidest:c:\\temp\\ "}, win, true, "c:\\temp\\kalvor.ini",
        false);
    row("file name given", {"/inidest:c:\\temp\\my.ini"}, win, true, "c:\\temp\\my.ini", false);
    row(".ini inside the path", {"/inidest:c:\\data.ini\\settings"}, win, true,
        "c:\\data.ini\\settings", false);
    row("file name lowered", {"/inidest:C:\\Temp\\My.INI"}, win, true, "c:\\temp\\my.ini", false);
    // Nothing named is the default place, not a file at the root.
    row("/inidest: alone", {"/inidest:"}, win, true, plain, false);
    row("/inidest: alone, unix", {"/inidest:"}, unix, true, plain, false);
    row("/inidest: and blanks", {"/inidest:  "}, unix, true, plain, false);
    row("/INIDEST: alone", {"/INIDEST:"}, unix, true, plain, false);
    row("/inidest: with backslashes only", {"/inidest:\\\\"}, win, true, "\\kalvor.ini", false);
    row("two parameters: only the first", {"/noini", "/inidest:c:\\temp"}, win, false, plain,
        false);
    row("two parameters, reversed", {"/inidest:c:\\temp", "/noini"}, win, true,
        "c:\\temp\\kalvor.ini", false);
    row("/?", {"/?"}, win, true, plain, true);
    row("/? with more after it", {"/?", "/noini"}, win, true, plain, true);
    row("unknown", {"/x"}, win, true, plain, false);
    row("inidest not at the start", {"x/inidest:c:\\temp"}, win, true, plain, false);
    row("unix folder", {"/inidest:/tmp"}, unix, true, "/tmp/kalvor.ini", false);
    row("unix folder, trailing slash", {"/inidest:/tmp/"}, unix, true, "/tmp/kalvor.ini", false);
    row("unix root", {"/inidest:/"}, unix, true, "/kalvor.ini", false);
    // File names have a case on Unix: only the switch is matched without it.
    row("unix: capitals kept", {"/INIDEST:/Home/Fap"}, unix, true, "/Home/Fap/kalvor.ini", false);
    row("unix: /srv/Praxis", {"/inidest:/srv/Praxis"}, unix, true, "/srv/Praxis/kalvor.ini", false);
    row("unix: file name", {"/inidest:/etc/fap.ini"}, unix, true, "/etc/fap.ini", false);
    row("unix: file name in capitals", {"/InIdEsT:/etc/Fap.INI"}, unix, true, "/etc/Fap.INI",
        false);
    row("umlaut kept", {QString::fromUtf8("/inidest:/ÄRZTE")}, unix, true,
        QString::fromUtf8("/ÄRZTE/kalvor.ini"), false);
}

void TestCommandLine::parse() {
    QFETCH(QStringList, parameters);
    QFETCH(QString, separator);
    QFETCH(bool, active);
    QFETCH(QString, iniFile);
    QFETCH(bool, help);
    const CommandLineResult result =
        ParseCommandLine(QStringList{QStringLiteral("fapkalk")} + parameters, separator.at(0));
    QCOMPARE(result.Placement.Active, active);
    QCOMPARE(result.Placement.IniFileName, iniFile);
    QCOMPARE(result.ShowHelp, help);
}

void TestCommandLine::helpText() {
    const QStringList lines = CommandLineHelpText().split(QStringLiteral("\r\n"));
    QCOMPARE(lines, (QStringList{
                        "Aufrufparameter:",
                        "/noini - es werden keine Einstellungen (Fensterposition) gespeichert",
                        "/inidest:<pfad> - z.b. /inidest:/tmp",
                        "/inidest:<pfad+iniName> - z.b. /inidest:/tmp/kalvor.ini",
                    }));
    QVERIFY(!CommandLineHelpText().endsWith(QStringLiteral("\n")));
    QCOMPARE(CommandLineHelpText().count(QStringLiteral("\r\n")), 3);
    QCOMPARE(CommandLineHelpText().count(u'\n'), 3); // no bare line feeds
}

void TestCommandLine::asksForVersionOrHelp_data() {
    QTest::addColumn<QStringList>("parameters");
    QTest::addColumn<bool>("version");
    QTest::addColumn<bool>("help");
    QTest::newRow("--version") << QStringList{"--version"} << true << false;
    QTest::newRow("letters lowered like every parameter")
        << QStringList{"--VERSION"} << true << false;
    QTest::newRow("--version with more after it")
        << QStringList{"--version", "/noini"} << true << false;
    QTest::newRow("none") << QStringList{} << false << false;
    QTest::newRow("only the first parameter counts")
        << QStringList{"/noini", "--version"} << false << false;
    QTest::newRow("-v stays an ignored parameter") << QStringList{"-v"} << false << false;
    QTest::newRow("/version") << QStringList{"/version"} << false << false;
    QTest::newRow("with a value") << QStringList{"--version=1"} << false << false;
    QTest::newRow("longer word") << QStringList{"--versions"} << false << false;
    QTest::newRow("blank before") << QStringList{" --version"} << false << false;
    QTest::newRow("/? keeps its box") << QStringList{"/?"} << false << false;
    QTest::newRow("umlaut not lowered")
        << QStringList{QString::fromUtf8("--VERSIÖN")} << false << false;
    QTest::newRow("--help") << QStringList{"--help"} << false << true;
    QTest::newRow("-h") << QStringList{"-h"} << false << true;
    QTest::newRow("--HELP lowered") << QStringList{"--HELP"} << false << true;
    QTest::newRow("-H lowered") << QStringList{"-H"} << false << true;
    QTest::newRow("--help with more after it") << QStringList{"--help", "/noini"} << false << true;
    QTest::newRow("--help second") << QStringList{"/noini", "--help"} << false << false;
    QTest::newRow("-help") << QStringList{"-help"} << false << false;
    QTest::newRow("/h") << QStringList{"/h"} << false << false;
    QTest::newRow("--help=x") << QStringList{"--help=x"} << false << false;
}

void TestCommandLine::asksForVersionOrHelp() {
    QFETCH(QStringList, parameters);
    QFETCH(bool, version);
    QFETCH(bool, help);
    const QStringList arguments = QStringList{QStringLiteral("fapkalk")} + parameters;
    QCOMPARE(AsksForVersion(arguments), version);
    QCOMPARE(AsksForHelp(arguments), help);
}

void TestCommandLine::versionText() {
    // Same two lines as fapkalk-cli --version, with the window's program name.
    const QStringList lines = VersionText().split(u'\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QStringLiteral("fapkalk ") + QString::fromUtf8(publisher::ProgramVersion));
    QCOMPARE(lines[1], QString::fromUtf8(publisher::Copyright));
    QCOMPARE(lines[2], QString()); // one line feed after the last line
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$"))
                 .match(QString::fromUtf8(publisher::ProgramVersion))
                 .hasMatch(),
             publisher::ProgramVersion);
}

void TestCommandLine::linuxHelpText() {
    const QString text = HelpText();
    QVERIFY(text.startsWith(QStringLiteral("Aufruf: fapkalk [PARAMETER]\n")));
    QVERIFY(text.endsWith(u'\n'));
    // Every parameter the program knows, each at the start of its own line.
    for (const char* parameter :
         {"/noini", "/inidest:<pfad>", "/inidest:<pfad+iniName>", "/?", "-h, --help", "--version"})
        QVERIFY2(text.contains(QStringLiteral("\n  ") + QLatin1String(parameter) + u' '),
                 parameter);
    // Linux examples and the Linux place of the settings file, nothing of Windows.
    QVERIFY(text.contains(QStringLiteral("/inidest:$HOME/praxis\n")));
    QVERIFY(text.contains(QStringLiteral("~/.config/fapkalk/kalvor.ini")));
    QVERIFY(!text.contains(u'\\'));
    QVERIFY(!text.contains(QStringLiteral("c:")));
    QVERIFY(!text.contains(u'\r'));
    // Fits a terminal of 80 columns.
    for (const QString& line : text.split(u'\n'))
        QVERIFY2(line.size() <= 80, qPrintable(line));
}

void TestCommandLine::printVersion_data() {
    QTest::addColumn<bool>("help");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("complaint");
    QTest::newRow("version to a file") << false << QString() << 0 << false;
    QTest::newRow("version to a full disk") << false << QStringLiteral("/dev/full") << 1 << true;
    QTest::newRow("help to a file") << true << QString() << 0 << false;
    QTest::newRow("help to a full disk") << true << QStringLiteral("/dev/full") << 1 << true;
}

void TestCommandLine::printVersion() {
    QFETCH(bool, help);
    QFETCH(QString, target);
    QFETCH(int, exitCode);
    QFETCH(bool, complaint);
    if (!target.isEmpty() && !QFile::exists(target))
        QSKIP("no such device on this system");
    QTemporaryFile outFile;
    QTemporaryFile errFile;
    QVERIFY(outFile.open() && errFile.open());
    const QByteArray outName = (target.isEmpty() ? outFile.fileName() : target).toLocal8Bit();
    std::FILE* out = std::fopen(outName.constData(), "w");
    std::FILE* err = std::fopen(errFile.fileName().toLocal8Bit().constData(), "w");
    QVERIFY(out && err);
    // A buffer larger than the text: the failure shows only at the flush.
    std::setvbuf(out, nullptr, _IOFBF, 4096);
    QCOMPARE(help ? PrintHelp(out, err) : PrintVersion(out, err), exitCode);
    std::fclose(out);
    std::fclose(err);
    const QByteArray complaintText = errFile.readAll();
    QCOMPARE(!complaintText.isEmpty(), complaint);
    if (complaint) {
        QVERIFY(complaintText.startsWith("fapkalk: Fehler beim Schreiben der Standardausgabe: "));
        QVERIFY(complaintText.endsWith('\n'));
    } else {
        QCOMPARE(outFile.readAll(), (help ? HelpText() : VersionText()).toUtf8());
    }
}

void TestCommandLine::helpIsShownBeforeAnyWindowAndStartGoesOn() {
    MessageRecorder messages;
    bool anyWindowVisible = true;
    QWidget* parentAtMessage = reinterpret_cast<QWidget*>(1);
    tools::SetMessageHandler([&](QWidget* parent, const tools::Message& message) {
        messages.messages << message;
        parentAtMessage = parent;
        anyWindowVisible = false;
        for (QWidget* widget : QApplication::topLevelWidgets())
            anyWindowVisible = anyWindowVisible || widget->isVisible();
        return tools::MessageAnswer::Ok;
    });
    const auto form = CreateMainWindow({QStringLiteral("fapkalk"), QStringLiteral("/?")});
    QCOMPARE(messages.messages.size(), 1);
    QCOMPARE(messages.messages[0].text, CommandLineHelpText());
    QCOMPARE(messages.messages[0].caption, tools::ProgramTitle());
    QCOMPARE(messages.messages[0].kind, tools::MessageKind::Information);
    QVERIFY(!anyWindowVisible);
    QCOMPARE(parentAtMessage, nullptr);
    // After OK the start goes on as without parameters.
    QCOMPARE(PlacementOf(*form), PlacementSettings{});
    QVERIFY(!form->RangeMode());
    QCOMPARE(form->size(), QSize(519, 311));
}

void TestCommandLine::mainWindowTakesThePlacementSettings_data() {
    QTest::addColumn<QString>("parameter");
    QTest::addColumn<bool>("active");
    QTest::addColumn<QString>("iniFile");
    QTest::newRow("/noini") << "/NOINI" << false << "kalvor.ini";
    QTest::newRow("/inidest:") << "/inidest:/tmp/x" << true
                               << QStringLiteral("/tmp/x") + QDir::separator() + "kalvor.ini";
#ifndef Q_OS_WIN
    QTest::newRow("/INIDEST: with capitals in the path")
        << "/INIDEST:/tmp/Praxis/Fap" << true << "/tmp/Praxis/Fap/kalvor.ini";
#endif
    QTest::newRow("/inidest: empty") << "/inidest:" << true << "kalvor.ini";
    QTest::newRow("nothing known") << "--verbose" << true << "kalvor.ini";
}

void TestCommandLine::mainWindowTakesThePlacementSettings() {
    QFETCH(QString, parameter);
    QFETCH(bool, active);
    QFETCH(QString, iniFile);
    MessageRecorder messages;
    const auto form = CreateMainWindow({QStringLiteral("fapkalk"), parameter});
    QCOMPARE(form->FormPlacement().Active, active);
    QCOMPARE(form->FormPlacement().IniFileName, iniFile);
    QVERIFY(messages.messages.isEmpty());
}

void TestCommandLine::creationStepsStartWithTheMainWindow() {
    const std::vector<CreationStep>& steps = CreationSteps();
    QVERIFY(!steps.empty());
    QCOMPARE(QByteArray(steps.front().windowClass), QByteArray("TForm1"));
    // The later windows, where present, come in the program's order.
    const QList<QByteArray> order{"TForm1",         "TdlgFAPIMPressum", "TdlgFAP_Hilfe",
                                  "TdlgFAP_EXPORT", "TDetMore",         "TdlgFAP_Ziel"};
    qsizetype last = -1;
    for (const CreationStep& step : steps) {
        const qsizetype at = order.indexOf(QByteArray(step.windowClass));
        QVERIFY2(at > last, step.windowClass);
        last = at;
    }

    MessageRecorder messages;
    Program program({QStringLiteral("fapkalk"), QStringLiteral("/noini")});
    QVERIFY(!program.MainWindow());
    for (const CreationStep& step : steps)
        step.create(program);
    QVERIFY(program.MainWindow());
    QVERIFY(!program.MainWindow()->FormPlacement().Active);
    // Only the main window is shown by Run(); the rest are created hidden.
    for (const auto& window : program.SecondaryWindows())
        QVERIFY(!window->isVisible());
    QVERIFY(!program.MainWindow()->isVisible());
}

void TestCommandLine::programRunsUntilTheMainWindowCloses() {
    MessageRecorder messages;
    Program program({QStringLiteral("fapkalk")});
    program.SetMainWindow(CreateMainWindow(program.Arguments()));
    auto* extra = program.Keep(std::make_unique<QWidget>());
    extra->show(); // another open window does not keep the program alive
    bool wasVisible = false;
    QTimer::singleShot(50, [&] {
        wasVisible = program.MainWindow()->isVisible();
        program.MainWindow()->findChild<QPushButton*>(QStringLiteral("Button2"))->click();
    });
    QTimer failSafe;
    failSafe.setSingleShot(true);
    connect(&failSafe, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
    failSafe.start(10000);
    const int code = program.Run();
    QCOMPARE(code, 0);
    QVERIFY(wasVisible);
    QVERIFY(!program.MainWindow()->isVisible());
}

QTEST_MAIN(TestCommandLine)
#include "test_command_line.moc"
