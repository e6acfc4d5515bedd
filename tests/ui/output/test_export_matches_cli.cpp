// The window's export and fapkalk-cli --header write the same bytes for the
// same range, switches and moment, under the user's locale. The locale is read
// when a program starts, so every window export runs in a child process of
// this test (this executable again, under the locale of the row), as the real
// fapkalk-cli does.
#include "outputtestkit.h"
#include "ui/main/FAP_Main.h"
#include "ui/mainwindowkit.h"
#include "ui/output/FAP_Export.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace fapkalk;

namespace {

// The child's orders: the export file to write, the switches to click, the layout.
constexpr const char* kTargetVariable = "FAPKALK_TEST_WINDOW_EXPORT";
constexpr const char* kSwitchesVariable = "FAPKALK_TEST_WINDOW_SWITCHES";
constexpr const char* kLayoutVariable = "FAPKALK_TEST_WINDOW_LAYOUT";

// 2026-12-07 14:05:09 UTC, 15:05:09 in Vienna.
constexpr const char* kMoment = "1796652309";

// The window as a user drives it: extended mode, the range typed with commas,
// the switches clicked, Berechnen, then Export with the criteria. Returns the
// exit status of the child.
int WriteWindowExport() {
    testkit::MessageRecorder messages;
    TForm1 form(testkit::kNoIni);
    const testkit::MainControls ui(form);
    TdlgFAP_EXPORT dialog;
    form.SetExportOpener([&](const ResultTable& table) { dialog.ExecFor(table); });
    form.show();
    ui.btErweitert->click();

    const auto type = [](QLineEdit* field, const QString& text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    };
    type(ui.eFAPBASIS, QStringLiteral("0,5"));
    type(ui.eBis, QStringLiteral("1"));
    type(ui.Edit1, QStringLiteral("0,5"));
    const QStringList switches =
        qEnvironmentVariable(kSwitchesVariable).split(u' ', Qt::SkipEmptyParts);
    if (switches.contains(QStringLiteral("--aep")))
        QTest::mouseClick(ui.spFAPAEP, Qt::LeftButton);
    if (switches.contains(QStringLiteral("--narcotic")))
        QTest::mouseClick(ui.sbSG, Qt::LeftButton);
    if (switches.contains(QStringLiteral("--veterinary")))
        QTest::mouseClick(ui.sbVet, Qt::LeftButton);
    if (const qsizetype vat = switches.indexOf(QStringLiteral("--vat")); vat >= 0)
        testkit::SetVatRate(form, switches.value(vat + 1).toInt());
    QTest::mouseClick(ui.btBerechnen, Qt::LeftButton);

    const bool xls = qEnvironmentVariable(kLayoutVariable) == QStringLiteral("xls");
    dialog.RadioGroup2->button(xls ? 1 : 0)->setChecked(true);
    dialog.cbMeta->setChecked(true);
    dialog.Edit1->setText(qEnvironmentVariable(kTargetVariable));
    testkit::WhenVisible(
        &dialog, [&dialog] { QTest::mouseClick(dialog.Button1, Qt::LeftButton); },
        [&dialog] { dialog.reject(); });
    QTest::mouseClick(ui.btExport, Qt::LeftButton);
    const bool written = messages.texts().size() == 1 &&
                         messages.texts().constFirst().startsWith(QStringLiteral("Es wurden "));
    if (!written)
        qWarning("%s", qPrintable(messages.texts().join(u'\n')));
    return written ? 0 : 1;
}

} // namespace

class TestExportMatchesCli : public QObject {
    Q_OBJECT

private slots:
    void windowAndToolWriteTheSameFile_data();
    void windowAndToolWriteTheSameFile();
};

void TestExportMatchesCli::windowAndToolWriteTheSameFile_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("switches");
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QByteArray>("created");
    QTest::addColumn<QByteArray>("markers");
    QTest::newRow("C.UTF-8, XLS, Suchtgift")
        << "C.UTF-8"
        << "--narcotic"
        << "xls" << QByteArray("  Erstellt: 07.12.2026 15:05:09")
        << QByteArray("  Kennzeichen: Suchtgift   ");
    QTest::newRow("de_AT.UTF-8, XLS, Suchtgift")
        << "de_AT.UTF-8"
        << "--narcotic"
        << "xls" << QByteArray("  Erstellt: 07.12.2026 15:05:09")
        << QByteArray("  Kennzeichen: Suchtgift   ");
    QTest::newRow("de_AT.UTF-8, fixed, AEP, Veterinär")
        << "de_AT.UTF-8"
        << "--aep --veterinary"
        << "fixed" << QByteArray("  Erstellt: 07.12.2026 15:05:09")
        << QByteArray("  Kennzeichen: Veterinaria   ");
    QTest::newRow("en_US.UTF-8, fixed") << "en_US.UTF-8"
                                        << ""
                                        << "fixed" << QByteArray("  Erstellt: 12/7/2026 3:05:09 PM")
                                        << QByteArray("  Kennzeichen: ");
    // A rate other than 10 % stands after the markers.
    QTest::newRow("C.UTF-8, XLS, Suchtgift, 20 %")
        << "C.UTF-8"
        << "--narcotic --vat 20"
        << "xls" << QByteArray("  Erstellt: 07.12.2026 15:05:09")
        << QByteArray("  Kennzeichen: Suchtgift   USt. 20 %   ");
}

void TestExportMatchesCli::windowAndToolWriteTheSameFile() {
    QFETCH(QString, locale);
    QFETCH(QString, switches);
    QFETCH(QString, layout);
    QFETCH(QByteArray, created);
    QFETCH(QByteArray, markers);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString windowFile = dir.filePath(QStringLiteral("fenster.csv"));
    const QString toolFile = dir.filePath(QStringLiteral("werkzeug.csv"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), locale);
    environment.insert(QStringLiteral("LANG"), locale);
    environment.insert(QStringLiteral("TZ"), QStringLiteral("Europe/Vienna"));
    environment.insert(QStringLiteral("SOURCE_DATE_EPOCH"), QLatin1String(kMoment));

    QProcess window;
    QProcessEnvironment windowEnvironment = environment;
    windowEnvironment.insert(QLatin1String(kTargetVariable), windowFile);
    windowEnvironment.insert(QLatin1String(kSwitchesVariable), switches);
    windowEnvironment.insert(QLatin1String(kLayoutVariable), layout);
    window.setProcessEnvironment(windowEnvironment);
    window.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(window.waitForFinished(120000));
    QVERIFY2(window.exitStatus() == QProcess::NormalExit && window.exitCode() == 0,
             window.readAllStandardError().constData());

    QProcess tool;
    tool.setProcessEnvironment(environment);
    const QStringList arguments =
        QStringList{QStringLiteral("range"), QStringLiteral("0,5"), QStringLiteral("1"),
                    QStringLiteral("0,5")} +
        switches.split(u' ', Qt::SkipEmptyParts) +
        QStringList{QStringLiteral("--format"), layout, QStringLiteral("--header"),
                    QStringLiteral("-o"), toolFile};
    tool.start(QStringLiteral(FAPKALK_CLI), arguments);
    QVERIFY(tool.waitForFinished(60000));
    QVERIFY2(tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0,
             tool.readAllStandardError().constData());

    const QByteArray windowBytes = testkit::ReadFile(windowFile);
    const QByteArray toolBytes = testkit::ReadFile(toolFile);
    QList<QByteArray> lines;
    QVERIFY(testkit::SplitFileLines(windowBytes, lines));
    QCOMPARE(lines.size(), 5 + 1 + 2); // header block, column line, 0.50 and 1.00
    QCOMPARE(lines[1], created);
    QVERIFY2(lines[2].endsWith(" von: 0.5 bis: 1 Staffel: 0.5"), lines[2].constData());
    QCOMPARE(lines[4], markers);
    QCOMPARE(toolBytes, windowBytes);
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet(kTargetVariable)) {
        QApplication app(argc, argv);
        return WriteWindowExport();
    }
    QApplication app(argc, argv);
    TestExportMatchesCli test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_export_matches_cli.moc"
