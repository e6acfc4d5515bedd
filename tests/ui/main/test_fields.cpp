// The three price fields typed into as a user types: the key filter, capitals,
// selection on focus, Enter navigation, and pastes and drops that must be
// prices.
#include "message_recorder.h"

#include "pricing/engine.h"
#include "pricing/numbers.h"
#include "ui/main/FAP_Main.h"
#include "ui/mainwindowkit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTableView>
#include <QTimer>
#include <QToolTip>
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
    void pasteOnlyPrices_data();
    void pasteOnlyPrices();
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
        row("no third decimal") << f << "1.25" << -1 << 0 << "3"
                                << "1.25";
        row("typing over a selection") << f << "1.25" << 0 << 3 << "7"
                                       << "75";
        row("typing over the whole text") << f << "13.89" << 0 << 5 << "8.9"
                                          << "8.9";
        row("typing over the decimals") << f << "12.50" << 3 << 2 << "75"
                                        << "12.75";
        row("digits before the point") << f << "1.25" << 0 << 0 << "9"
                                       << "91.25";
        row("one decimal takes one more") << f << "1.2" << -1 << 0 << "59"
                                          << "1.25";
        row("no third decimal after a zero") << f << "1.20" << -1 << 0 << "59"
                                             << "1.20";
        row("zero value, second decimal") << f << "0.0" << -1 << 0 << "1"
                                          << "0.01";
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
        row("no third decimal after a minus") << f << "-1.25" << -1 << 0 << "7"
                                              << "-1.25";
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

// A paste (Ctrl+V, Shift+Insert, the context menu) or a drop goes in only as a
// price that leaves a price in the field; anything else leaves the field as
// it was and says why in a tip.
void TestFields::pasteOnlyPrices_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("before"); // selected entirely
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("tip"); // empty: none
    const QString notAPrice = QStringLiteral(
        "Fabriksabgabepreis: „%1“ ist kein Preis (Ziffern mit höchstens einem Dezimalpunkt oder "
        "-komma, ohne Vorzeichen).");
    QTest::newRow("Ctrl+C form") << "ctrl+v"
                                 << "13.89"
                                 << "12,50"
                                 << "12.50"
                                 << "";
    QTest::newRow("Shift+Insert") << "shift+insert"
                                  << ""
                                  << " 7\n"
                                  << "7"
                                  << "";
    QTest::newRow("junk") << "ctrl+v"
                          << "13.89"
                          << "12x5"
                          << "13.89" << notAPrice.arg("12x5");
    QTest::newRow("three decimals")
        << "ctrl+v"
        << ""
        << "12.505"
        << ""
        << "Fabriksabgabepreis: „12.505“ hat mehr als zwei Nachkommastellen. Preise werden in "
           "ganzen Cent eingegeben.";
    QTest::newRow("context menu") << "menu"
                                  << "1"
                                  << "2,5"
                                  << "2.5"
                                  << "";
    QTest::newRow("context menu, junk") << "menu"
                                        << "1"
                                        << "ABC"
                                        << "1" << notAPrice.arg("ABC");
    QTest::newRow("drop") << "drop"
                          << ""
                          << "12,50"
                          << "12.50"
                          << "";
    QTest::newRow("drop, junk") << "drop"
                                << ""
                                << "12,555x"
                                << "" << notAPrice.arg("12,555x");
}

void TestFields::pasteOnlyPrices() {
    QFETCH(QString, how);
    QFETCH(QString, before);
    QFETCH(QString, pasted);
    QFETCH(QString, after);
    QFETCH(QString, tip);
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    QApplication::clipboard()->setText(pasted);
    ui.eFAPBASIS->setText(before);
    ui.eFAPBASIS->setFocus();
    QTRY_COMPARE(focused(), static_cast<QWidget*>(ui.eFAPBASIS));
    ui.eFAPBASIS->selectAll();
    QToolTip::hideText();
    if (how == QLatin1String("ctrl+v")) {
        QTest::keyClick(ui.eFAPBASIS, Qt::Key_V, Qt::ControlModifier);
    } else if (how == QLatin1String("shift+insert")) {
        QTest::keyClick(ui.eFAPBASIS, Qt::Key_Insert, Qt::ShiftModifier);
    } else if (how == QLatin1String("menu")) {
        // The field's own menu; its "Einfügen" is triggered as a click would.
        QTimer::singleShot(0, this, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction* action : menu->actions())
                if (action->text().startsWith(QLineEdit::tr("&Paste")))
                    action->trigger();
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                ui.eFAPBASIS->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(ui.eFAPBASIS, &event);
    } else {
        QMimeData data;
        data.setText(pasted);
        const QPoint at(ui.eFAPBASIS->width() - 2, 5);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(ui.eFAPBASIS, &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(ui.eFAPBASIS, &drop);
    }
    QTRY_COMPARE(ui.eFAPBASIS->text(), after);
    QTRY_COMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), tip);
    QVERIFY(messages.messages.isEmpty()); // no box: a tip and a beep
}

QTEST_MAIN(TestFields)
#include "test_fields.moc"
