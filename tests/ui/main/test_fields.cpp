// The three price fields typed into as a user types: the key filter, capitals,
// selection on focus, Enter navigation and what pasting leaves to the run.
#include "message_recorder.h"

#include "pricing/engine.h"
#include "pricing/numbers.h"
#include "ui/main/FAP_Main.h"
#include "ui/mainwindowkit.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QtTest>

using namespace fapkalk;
using testkit::kNoIni;
using testkit::MainControls;

namespace {

QString fmt(double price) {
    return QString::fromStdString(FormatPrice(price));
}

QWidget* focused() {
    return QApplication::focusWidget();
}

} // namespace

class TestFields : public QObject {
    Q_OBJECT

private slots:
    void typing_data();
    void typing();
    void selectionOnFocus_data();
    void selectionOnFocus();
    void enterComputesInSingleMode();
    void enterWalksTheFieldsInExtendedMode();
    void pasteIsNotFilteredButSafe();
};

// selStart/selLength: the selection before typing (-1: the caret at the end).
void TestFields::typing_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after");

    for (const char* field : {"eFAPBASIS", "eBis", "Edit1"}) {
        const QString f = QString::fromLatin1(field);
        auto row = [&](const char* name) -> QTestData& {
            return QTest::addRow("%s %s", field, name);
        };
        row("comma becomes point") << f << "" << -1 << 0 << "12,5"
                                   << "12.5";
        row("second decimal refuses digits") << f << "1.25" << -1 << 0 << "3"
                                             << "1.25";
        row("refused even when selected") << f << "1.25" << 0 << 4 << "7"
                                          << "1.25";
        row("refused at the front") << f << "1.25" << 0 << 0 << "9"
                                    << "1.25";
        row("one decimal takes one more") << f << "1.2" << -1 << 0 << "59"
                                          << "1.25";
        row("zero second decimal takes more") << f << "1.20" << -1 << 0 << "59"
                                              << "1.205";
        row("zero value takes digits") << f << "0.0" << -1 << 0 << "01"
                                       << "0.001";
        row("second point deletes") << f << "3.5" << -1 << 0 << "."
                                    << "3.";
        row("second comma deletes") << f << "3.5" << -1 << 0 << ","
                                    << "3.";
        row("point deletes the selection") << f << "3.5" << 0 << 1 << "."
                                           << ".5";
        row("first point appends") << f << "12" << -1 << 0 << "."
                                   << "12.";
        row("leading point, second deletes") << f << ".5" << -1 << 0 << "."
                                             << ".";
        row("negative never refuses") << f << "-1.25" << -1 << 0 << "7"
                                      << "-1.257";
    }
    QTest::newRow("eFAPBASIS capitals") << "eFAPBASIS"
                                        << "" << -1 << 0 << "ab1c"
                                        << "AB1C";
    QTest::newRow("eBis capitals") << "eBis"
                                   << "1" << -1 << 0 << "xz"
                                   << "1XZ";
    QTest::newRow("Edit1 keeps case") << "Edit1"
                                      << "" << -1 << 0 << "ab1C"
                                      << "ab1C";
}

void TestFields::typing() {
    QFETCH(QString, field);
    QFETCH(QString, before);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QString, typed);
    QFETCH(QString, after);
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    form.ToggleMode(); // all three fields shown
    testkit::ShowAndActivate(form);
    auto* edit = form.findChild<QLineEdit*>(field);
    QVERIFY(edit);
    edit->setText(before);
    edit->setFocus();
    QTRY_COMPARE(focused(), static_cast<QWidget*>(edit));
    if (selStart < 0)
        edit->setCursorPosition(int(before.size()));
    else if (selLength == 0)
        edit->setCursorPosition(selStart);
    else
        edit->setSelection(selStart, selLength);
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), after);
    QTest::keyClick(edit, Qt::Key_H, Qt::AltModifier); // a mnemonic, not a letter
    QCOMPARE(edit->text(), after);
    QVERIFY(messages.messages.isEmpty()); // typing computes nothing
}

void TestFields::selectionOnFocus_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("selected");
    QTest::newRow("Tab") << "tab" << true;
    QTest::newRow("Backtab") << "backtab" << true;
    QTest::newRow("program") << "program" << true;
    QTest::newRow("mouse click") << "mouse" << false;
}

void TestFields::selectionOnFocus() {
    QFETCH(QString, how);
    QFETCH(bool, selected);
    TForm1 form(kNoIni);
    const MainControls ui(form);
    form.ToggleMode();
    testkit::ShowAndActivate(form);
    ui.eFAPBASIS->setText(QStringLiteral("1.5"));
    ui.eBis->setText(QStringLiteral("12.5"));
    ui.Edit1->setText(QStringLiteral("0.5"));
    // eBis receives the focus: from eFAPBASIS by Tab, from Edit1 by Backtab.
    QWidget* start = how == QLatin1String("backtab") ? ui.Edit1 : ui.eFAPBASIS;
    start->setFocus();
    QTRY_COMPARE(focused(), start);
    if (how == QLatin1String("tab"))
        QTest::keyClick(start, Qt::Key_Tab);
    else if (how == QLatin1String("backtab"))
        QTest::keyClick(start, Qt::Key_Backtab, Qt::ShiftModifier);
    else if (how == QLatin1String("program"))
        ui.eBis->setFocus();
    else
        QTest::mouseClick(ui.eBis, Qt::LeftButton, {}, QPoint(6, ui.eBis->height() / 2));
    QCOMPARE(focused(), static_cast<QWidget*>(ui.eBis));
    QCOMPARE(ui.eBis->selectedText(), selected ? ui.eBis->text() : QString());
    // A digit typed now replaces a selected text, and goes in otherwise.
    QTest::keyClick(ui.eBis, Qt::Key_3);
    QCOMPARE(ui.eBis->text().size(), selected ? 1 : 5);
}

void TestFields::enterComputesInSingleMode() {
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    ui.eFAPBASIS->setFocus();
    QTRY_COMPARE(focused(), static_cast<QWidget*>(ui.eFAPBASIS));
    QTest::keyClicks(ui.eFAPBASIS, QStringLiteral("10"));
    QTest::keyClick(ui.eFAPBASIS, Qt::Key_Return);
    QVERIFY(messages.messages.isEmpty());
    const PriceResult result = CalcPrices(10, form.Options(), form.VatFactor());
    QCOMPARE(ui.lbFAP->text(), fmt(10));
    QCOMPARE(ui.lbAEP->text(), fmt(result.aep));
    QCOMPARE(ui.lbKP->text(), fmt(result.kp));
    QCOMPARE(ui.lbAVP->text(), fmt(result.avp));
    // The worked example of the tariff.
    QCOMPARE(ui.lbAEP->text(), fmt(11.25));
    QCOMPARE(ui.lbKP->text(), fmt(15.20));
    QCOMPARE(ui.lbAVP->text(), fmt(21.20));
    QCOMPARE(focused(), static_cast<QWidget*>(ui.eFAPBASIS));
    QCOMPARE(ui.eFAPBASIS->text(), QStringLiteral("10"));
}

void TestFields::enterWalksTheFieldsInExtendedMode() {
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    form.ToggleMode();
    testkit::ShowAndActivate(form);
    ui.eBis->setText(QStringLiteral("3"));
    ui.Edit1->setText(QStringLiteral("0.5"));
    ui.eFAPBASIS->setFocus();
    QTRY_COMPARE(focused(), static_cast<QWidget*>(ui.eFAPBASIS));
    QTest::keyClicks(ui.eFAPBASIS, QStringLiteral("1"));

    QTest::keyClick(ui.eFAPBASIS, Qt::Key_Return);
    QCOMPARE(focused(), static_cast<QWidget*>(ui.eBis));
    QCOMPARE(ui.eBis->selectedText(), QStringLiteral("3"));
    QTest::keyClick(ui.eBis, Qt::Key_Return);
    QCOMPARE(focused(), static_cast<QWidget*>(ui.Edit1));
    QCOMPARE(ui.Edit1->selectedText(), QStringLiteral("0.5"));
    QCOMPARE(form.GridModel().cellText(0, 0), std::string_view()); // nothing computed yet

    QTest::keyClick(ui.Edit1, Qt::Key_Return);
    QCOMPARE(focused(), static_cast<QWidget*>(ui.StringGrid1));
    QVERIFY(messages.messages.isEmpty());
    QCOMPARE(form.GridModel().rowCountExact(), 5); // 1, 1.5, ..., 3
    for (int row = 0; row < 5; ++row) {
        const double price = 1 + 0.5 * row;
        const PriceResult result = CalcPrices(price, form.Options(), form.VatFactor());
        QCOMPARE(form.GridModel().cellText(row, 0), std::string_view(FormatPrice(price)));
        QCOMPARE(form.GridModel().cellText(row, 3), std::string_view(FormatPrice(result.avp)));
    }
}

void TestFields::pasteIsNotFilteredButSafe() {
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    QApplication::clipboard()->setText(QStringLiteral("12,555x"));
    ui.eFAPBASIS->setFocus();
    QTRY_COMPARE(focused(), static_cast<QWidget*>(ui.eFAPBASIS));
    QTest::keyClick(ui.eFAPBASIS, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(ui.eFAPBASIS->text(), QStringLiteral("12,555X"));
    QTest::keyClick(ui.eFAPBASIS, Qt::Key_Return);
    // The run reads whatever is there, as every run does.
    const double price = ParsePrice("12,555X");
    QCOMPARE(ui.lbFAP->text(), fmt(price));
    QCOMPARE(ui.lbAVP->text(), fmt(CalcPrices(price, form.Options(), form.VatFactor()).avp));
}

QTEST_MAIN(TestFields)
#include "test_fields.moc"
