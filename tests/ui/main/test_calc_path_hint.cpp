// The calculation path shown when hovering over the single-mode prices: the
// engine's explanation of the run on screen, the same the command-line tool
// prints with --explain, set only while that run's prices are shown.
#include "message_recorder.h"
#include "runner/metatypes.h"

#include "cli/cli_run.h"
#include "pricing/engine.h"
#include "pricing/numbers.h"
#include "ui/main/CalcPathHint.h"
#include "ui/main/FAP_Main.h"
#include "ui/mainwindowkit.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextDocument>
#include <QtTest>
#include <sstream>
#include <string>
#include <vector>

using namespace fapkalk;
using testkit::kNoIni;
using testkit::MainControls;

namespace {

CalcOptions makeOptions(bool aep, bool narcotic, bool veterinary) {
    CalcOptions options;
    options.AepInput = aep;
    options.Narcotic = narcotic;
    options.Veterinary = veterinary;
    return options;
}

// What fapkalk-cli price ... --explain writes on standard output.
std::string cliExplainOutput(const std::vector<std::string>& args) {
    std::istringstream in;
    cli::StringSink out;
    cli::StringSink err;
    const int status = cli::RunCli(args, in, out, err);
    if (status != cli::kExitOk)
        return "exit " + std::to_string(status) + ": " + err.data();
    return out.data();
}

// The plain text a tool tip shows, as Qt reads the markup.
QString shownText(const QString& toolTip) {
    if (!Qt::mightBeRichText(toolTip))
        return toolTip;
    QTextDocument document;
    document.setHtml(toolTip);
    return document.toPlainText();
}

QString withoutTrailingNewlines(QString text) {
    while (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}

} // namespace

class TestCalcPathHint : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { tools::SetMessageHandler({}); }

    void pathMatchesEngineAndTool_data();
    void pathMatchesEngineAndTool();
    void toolTipShowsPlainTextLiterally_data();
    void toolTipShowsPlainTextLiterally();
    void refusedPriceHasNoPath();
    void spokenPathReadsAmountsAsShown_data();
    void spokenPathReadsAmountsAsShown();
    void spokenResultLineMatchesTheLabels_data();
    void spokenResultLineMatchesTheLabels();
    void labelsDescribeThePathAsPlainText();
    void clearedByModeChange();
    void clearedByRefusal();
    void noPathInRangeMode();
    void followsTheSwitches();
};

void TestCalcPathHint::pathMatchesEngineAndTool_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<CalcOptions>("options");
    QTest::addColumn<int>("vatRate");
    QTest::addColumn<QStringList>("cliFlags");
    QTest::newRow("FAP 10.00") << "10.00" << makeOptions(false, false, false) << 10
                               << QStringList{};
    QTest::newRow("AEP 11.25") << "11.25" << makeOptions(true, false, false) << 10
                               << QStringList{"--aep"};
    QTest::newRow("narcotic veterinary") << "12.5" << makeOptions(false, true, true) << 10
                                         << QStringList{"--narcotic", "--veterinary"};
    QTest::newRow("VAT 20") << "400" << makeOptions(false, false, false) << 20
                            << QStringList{"--vat", "20"};
    QTest::newRow("AEP narcotic VAT 20") << "130.81" << makeOptions(true, true, false) << 20
                                         << QStringList{"--aep", "--narcotic", "--vat", "20"};
}

void TestCalcPathHint::pathMatchesEngineAndTool() {
    QFETCH(QString, input);
    QFETCH(CalcOptions, options);
    QFETCH(int, vatRate);
    QFETCH(QStringList, cliFlags);
    const double price = input.toDouble();
    const double vatFactor = VatFactorFromRate(unsigned(vatRate));
    const QString enginePath = QString::fromStdString(ExplainPrices(price, options, vatFactor));
    QVERIFY(enginePath.contains(u'\n'));

    // The window, driven as a user drives it.
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::SetOptions(form, options);
    testkit::SetVatRate(form, vatRate);
    QCOMPARE(form.VatFactor(), vatFactor);
    messages.messages.clear(); // the clicks ran the calculation on an empty field
    ui.eFAPBASIS->setText(input);
    ui.btBerechnen->click();
    QVERIFY(messages.messages.isEmpty());
    // The engine's path, closed by the two margin lines.
    const QString expected = shownText(ui.lbAEP->toolTip());
    QVERIFY2(expected.startsWith(enginePath), qPrintable(expected));
    const QStringList marginLines = expected.mid(enginePath.size()).split(u'\n');
    QCOMPARE(marginLines.size(), 2);
    QVERIFY(marginLines[0].startsWith(QStringLiteral("Marge KP: ")));
    QVERIFY(marginLines[1].startsWith(QStringLiteral("Marge AVP: ")));
    for (QLabel* label : {ui.lbKP, ui.lbAVP})
        QCOMPARE(label->toolTip(), ui.lbAEP->toolTip());
    QVERIFY(ui.lbFAP->toolTip().isEmpty());

    // The command-line tool: the panel, a blank line, then the same path.
    std::vector<std::string> args{"price", input.toStdString(), "--explain", "--margins"};
    for (const QString& flag : cliFlags)
        args.push_back(flag.toStdString());
    const QString printed = QString::fromStdString(cliExplainOutput(args));
    const qsizetype blank = printed.indexOf(QStringLiteral("\n\n"));
    QVERIFY2(blank > 0, qPrintable(printed));
    QCOMPARE(withoutTrailingNewlines(printed.mid(blank + 2)), withoutTrailingNewlines(expected));
    // And the tool's panel shows the labels' prices (its last line the AVP,
    // aligned without the label's leading blanks).
    QVERIFY2(printed.left(blank).endsWith(u' ' + ui.lbAVP->text().trimmed()), qPrintable(printed));
}

void TestCalcPathHint::toolTipShowsPlainTextLiterally_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("angle brackets") << "AEP <= 10.00 < 10.15";
    QTest::newRow("markup lookalike") << "<b>fett</b> & <i>kursiv</i>";
    QTest::newRow("entity") << "&amp; &lt;";
    QTest::newRow("blanks kept") << "Band 3:   11.25 x 1.35\n  = 15.1875";
    QTest::newRow("umlauts") << QString::fromUtf8("Veterinär, Homöopathisch");
}

void TestCalcPathHint::toolTipShowsPlainTextLiterally() {
    QFETCH(QString, text);
    const QString toolTip = PlainTextToolTip(text);
    // Rich text to Qt, so a text that merely looks like markup cannot be taken
    // for markup of its own; read back it is the text again.
    QVERIFY(Qt::mightBeRichText(toolTip));
    QCOMPARE(shownText(toolTip), text);
    QVERIFY(PlainTextToolTip(QString()).isEmpty());
}

void TestCalcPathHint::refusedPriceHasNoPath() {
    const CalcOptions options;
    const PriceResult refused = CalcPrices(0, options, kDefaultVatFactor);
    QVERIFY(refused.refusal);
    const ResultLabelHints none = ResultLabelHintsFor(0, refused, options, kDefaultVatFactor);
    QVERIFY(none.toolTip.isEmpty());
    QVERIFY(none.description.isEmpty());
    const PriceResult computed = CalcPrices(10, options, kDefaultVatFactor);
    const ResultLabelHints hints = ResultLabelHintsFor(10, computed, options, kDefaultVatFactor);
    const QString path = CalculationPathText(10, options, kDefaultVatFactor);
    QCOMPARE(hints.toolTip, PlainTextToolTip(path));
    QCOMPARE(hints.description, AccessiblePathText(path));
    // The margins close the spoken path, amounts as the window shows them.
    QVERIFY2(hints.description.endsWith(QString::fromUtf8(
                 "Marge AVP: 21.20 ohne 10 % USt = 19.27; 19.27 − 11.25 = 8.02 (41.62 % des "
                 "AVP ohne USt)")),
             qPrintable(hints.description));
}

void TestCalcPathHint::spokenPathReadsAmountsAsShown_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("spoken");
    QTest::newRow("trailing line breaks") << "AVP 26.05\n\n"
                                          << "AVP 26.05";
    QTest::newRow("markup characters stay characters") << "a < AEP 1.50 & b"
                                                       << "a < AEP 1.50 & b";
}

void TestCalcPathHint::spokenPathReadsAmountsAsShown() {
    QFETCH(QString, path);
    QFETCH(QString, spoken);
    QCOMPARE(AccessiblePathText(path), spoken);
}

void TestCalcPathHint::spokenResultLineMatchesTheLabels_data() {
    QTest::addColumn<double>("price");
    QTest::addColumn<CalcOptions>("options");
    QTest::newRow("FAP 12.5") << 12.5 << makeOptions(false, false, false);
    QTest::newRow("FAP 0.01") << 0.01 << makeOptions(false, false, false);
    QTest::newRow("AEP 450.34") << 450.34 << makeOptions(true, false, false);
    QTest::newRow("FAP 400, narcotic") << 400.0 << makeOptions(false, true, false);
    QTest::newRow("FAP 1234.56, veterinary") << 1234.56 << makeOptions(false, false, true);
    QTest::newRow("AEP 99999.99, narcotic") << 99999.99 << makeOptions(true, true, false);
}

// Whatever digits the engine's path carries, the spoken result line names the
// prices as the labels show them.
void TestCalcPathHint::spokenResultLineMatchesTheLabels() {
    QFETCH(double, price);
    QFETCH(CalcOptions, options);
    const PriceResult result = CalcPrices(price, options, kDefaultVatFactor);
    QVERIFY(!result.refusal);
    const QString spoken =
        ResultLabelHintsFor(price, result, options, kDefaultVatFactor).description;
    const QStringList lines = spoken.split(u'\n').filter(QRegularExpression("^Ergebnis: "));
    QCOMPARE(lines.size(), 1);
    const QString last = lines.front();
    auto shown = [](double x) { return QString::fromStdString(FormatPrice(x)).trimmed(); };
    const QString want = QStringLiteral("Ergebnis: AEP %1, KP %2, AVP %3")
                             .arg(shown(result.aep), shown(result.kp), shown(result.avp));
    QCOMPARE(last, want);
    QVERIFY(!spoken.contains(QRegularExpression(QStringLiteral(R"(\d{16})"))));
}

void TestCalcPathHint::labelsDescribeThePathAsPlainText() {
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    ui.eFAPBASIS->setText(QStringLiteral("12.5"));
    ui.btBerechnen->click();
    const QString path = CalculationPathText(12.5, form.Options(), form.VatFactor());
    for (QLabel* label : {ui.lbAEP, ui.lbKP, ui.lbAVP}) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(label);
        QVERIFY(accessible);
        const QString description = accessible->text(QAccessible::Description);
        QCOMPARE(description, AccessiblePathText(path));
        QVERIFY2(!description.contains(u'<'), qPrintable(description));
        QCOMPARE(shownText(label->toolTip()), withoutTrailingNewlines(path)); // the look stays
    }
    ui.btErweitert->click();
    QVERIFY(
        QAccessible::queryAccessibleInterface(ui.lbAEP)->text(QAccessible::Description).isEmpty());
}

void TestCalcPathHint::clearedByModeChange() {
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    ui.eFAPBASIS->setText(QStringLiteral("10"));
    ui.btBerechnen->click();
    QVERIFY(!ui.lbAVP->toolTip().isEmpty());
    ui.btErweitert->click(); // to extended mode
    for (QLabel* label : {ui.lbAEP, ui.lbKP, ui.lbAVP})
        QVERIFY(label->toolTip().isEmpty());
    ui.btErweitert->click(); // back: the labels show an older answer
    for (QLabel* label : {ui.lbAEP, ui.lbKP, ui.lbAVP})
        QVERIFY(label->toolTip().isEmpty());
    ui.btBerechnen->click();
    QVERIFY(!ui.lbKP->toolTip().isEmpty());
}

void TestCalcPathHint::clearedByRefusal() {
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    ui.eFAPBASIS->setText(QStringLiteral("10"));
    ui.btBerechnen->click();
    QVERIFY(!ui.lbAEP->toolTip().isEmpty());
    // An empty field recomputes the shown FAP; with the labels back at 0 the
    // price is 0 and refused.
    ui.eFAPBASIS->setText(QStringLiteral("0"));
    ui.lbFAP->setText(QStringLiteral("      0.00"));
    ui.btBerechnen->click();
    QCOMPARE(messages.messages.size(), 1);
    for (QLabel* label : {ui.lbAEP, ui.lbKP, ui.lbAVP})
        QVERIFY2(label->toolTip().isEmpty(), qPrintable(label->objectName()));
}

void TestCalcPathHint::noPathInRangeMode() {
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    form.ToggleMode();
    ui.eFAPBASIS->setText(QStringLiteral("1"));
    ui.eBis->setText(QStringLiteral("3"));
    ui.Edit1->setText(QStringLiteral("1"));
    form.RunCalculation();
    QVERIFY(messages.messages.isEmpty());
    QCOMPARE(form.GridModel().rowCountExact(), 3);
    for (QLabel* label : {ui.lbFAP, ui.lbAEP, ui.lbKP, ui.lbAVP})
        QVERIFY(label->toolTip().isEmpty());
}

void TestCalcPathHint::followsTheSwitches() {
    // A switch click runs the calculation again: the path follows the new options.
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    ui.eFAPBASIS->setText(QStringLiteral("10"));
    ui.btBerechnen->click();
    const QString before = ui.lbAVP->toolTip();
    ui.sbSG->click();
    QVERIFY(form.Options().Narcotic);
    QVERIFY(ui.lbAVP->toolTip() != before);
    QCOMPARE(ui.lbAVP->toolTip(),
             PlainTextToolTip(CalculationPathText(10, form.Options(), form.VatFactor())));
}

QTEST_MAIN(TestCalcPathHint)
#include "test_calc_path_hint.moc"
