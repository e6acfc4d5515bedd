// The main window without a mouse: where Tab goes in either mode and with
// either calculation mode selected, what each access key does, and how a
// field is left after a range message.
#include "message_recorder.h"

#include "ui/main/FAP_Main.h"
#include "ui/main/KeyboardRules.h"
#include "ui/mainwindowkit.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace fapkalk;
using testkit::kNoIni;
using testkit::MainControls;

namespace {

// The focus widget by name; a radio item as "item0" or "item1".
QString focusName() {
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr)
        return QStringLiteral("(none)");
    if (auto* radio = qobject_cast<QRadioButton*>(focus))
        return QStringLiteral("item%1").arg(radio->text().startsWith(u'H') ? 1 : 0);
    return focus->objectName();
}

void pressOnFocus(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(focus);
    QTest::keyClick(focus, Qt::Key(key), modifiers);
}

// Every caption in the window that can carry an access key.
QStringList captions(const TForm1& form) {
    QStringList texts;
    for (const QAbstractButton* button : form.findChildren<QAbstractButton*>())
        texts << button->text();
    for (const QLabel* label : form.findChildren<QLabel*>())
        if (label->buddy() != nullptr)
            texts << label->text();
    return texts;
}

} // namespace

class TestKeyboard : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { tools::SetMessageHandler({}); }

    void accessKeyOf_data();
    void accessKeyOf();
    void noAccessKeyIsClaimedTwice();
    void accessKeys_data();
    void accessKeys();
    void tabCycle_data();
    void tabCycle();
    void focusAfterRangeMessage_data();
    void focusAfterRangeMessage();
};

void TestKeyboard::accessKeyOf_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("key"); // empty: none
    QTest::newRow("first letter") << "&Suchtgift"
                                  << "s";
    QTest::newRow("inner letter") << "B&eenden"
                                  << "e";
    QTest::newRow("umlaut word") << QString::fromUtf8("&Veterinär / Hom. Ansatz") << "v";
    QTest::newRow("none") << "Abbruch"
                          << "";
    QTest::newRow("literal ampersand only") << "Fisch && Chips"
                                            << "";
    QTest::newRow("after a literal ampersand") << "A && &Bier"
                                               << "b";
    QTest::newRow("trailing ampersand") << "Ende&"
                                        << "";
}

void TestKeyboard::accessKeyOf() {
    QFETCH(QString, caption);
    QFETCH(QString, key);
    const QChar got = AccessKeyOf(caption);
    QCOMPARE(got.isNull() ? QString() : QString(got), key);
}

// Qt activates none of several controls that share an access key.
void TestKeyboard::noAccessKeyIsClaimedTwice() {
    TForm1 form(kNoIni);
    const QStringList texts = captions(form);
    QVERIFY(texts.size() > 10);
    QCOMPARE(AccessKeyClashes(texts), QList<QChar>{});
    QCOMPARE(AccessKeyClashes({QStringLiteral("&Suchtgift"), QStringLiteral("&Standard"),
                               QStringLiteral("&Hilfe"), QStringLiteral("&hinweise")}),
             (QList<QChar>{u's', u'h'}));
}

void TestKeyboard::accessKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("extended");
    QTest::addColumn<QString>("effect");
    QTest::addColumn<QString>("focusAfter");
    QTest::newRow("Alt+S: Suchtgift") << int(Qt::Key_S) << false << "Narcotic"
                                      << "eFAPBASIS";
    QTest::newRow("Alt+F: FAP/AEP") << int(Qt::Key_F) << false << "AepInput"
                                    << "eFAPBASIS";
    QTest::newRow("Alt+V: Veterinär") << int(Qt::Key_V) << false << "Veterinary"
                                      << "eFAPBASIS";
    QTest::newRow("Alt+K: (*)") << int(Qt::Key_K) << false << "NotReimbursable"
                                << "eFAPBASIS";
    QTest::newRow("Alt+H: Hinweise") << int(Qt::Key_H) << false << "notes"
                                     << "eFAPBASIS";
    QTest::newRow("Alt+I: imprint") << int(Qt::Key_I) << false << "imprint"
                                    << "eFAPBASIS";
    QTest::newRow("Alt+U: VAT field") << int(Qt::Key_U) << false << ""
                                      << "edUST";
    QTest::newRow("Alt+R: extended mode") << int(Qt::Key_R) << false << "RangeMode"
                                          << "eFAPBASIS";
    QTest::newRow("Alt+S in extended mode") << int(Qt::Key_S) << true << "Narcotic"
                                            << "eFAPBASIS";
}

void TestKeyboard::accessKeys() {
    QFETCH(int, key);
    QFETCH(bool, extended);
    QFETCH(QString, effect);
    QFETCH(QString, focusAfter);
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    QStringList opened;
    form.SetNotesOpener([&] { opened << "notes"; });
    form.SetImprintOpener([&] { opened << "imprint"; });
    testkit::ShowAndActivate(form);
    opened.clear(); // the imprint at the first showing
    if (extended) {
        form.ToggleMode();
        ui.eBis->setText(QStringLiteral("20"));
    }
    ui.eFAPBASIS->setText(QStringLiteral("10"));
    ui.eFAPBASIS->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(focusName(), QStringLiteral("eFAPBASIS"));

    pressOnFocus(key, Qt::AltModifier);
    auto happened = [&] {
        const CalcOptions options = form.Options();
        if (effect == "Narcotic")
            return options.Narcotic;
        if (effect == "AepInput")
            return options.AepInput;
        if (effect == "Veterinary")
            return options.Veterinary;
        if (effect == "NotReimbursable")
            return options.NotReimbursable;
        if (effect == "RangeMode")
            return form.RangeMode();
        if (effect.isEmpty())
            return true;
        return opened == QStringList{effect};
    };
    QTRY_VERIFY(happened());
    QTRY_COMPARE(focusName(), focusAfter);
    // A switch key also recalculates, and one press is one change.
    if (effect == "Narcotic") {
        QVERIFY(messages.messages.isEmpty());
        QVERIFY(extended ? form.GridModel().rowCountExact() == 11
                         : ui.lbKP->text().trimmed() == QStringLiteral("15.75"));
        pressOnFocus(key, Qt::AltModifier);
        QTRY_VERIFY(!form.Options().Narcotic);
    }
}

void TestKeyboard::tabCycle_data() {
    QTest::addColumn<bool>("extended");
    QTest::addColumn<int>("item");
    QTest::addColumn<QStringList>("inputs");  // after the base field, up to the VAT field
    QTest::addColumn<QStringList>("buttons"); // after Berechnen, back to the base field
    const QStringList single{"btErweitert", "btHinweise", "Button2"};
    const QStringList extended{"btErweitert", "btHinweise", "btExport",
                               "Button2",     "btDetMore",  "StringGrid1"};
    QTest::newRow("single, Standard") << false << 0 << QStringList{"item0", "edUST"} << single;
    QTest::newRow("single, Homöop.") << false << 1 << QStringList{"item1", "edUST"} << single;
    QTest::newRow("extended, Standard")
        << true << 0 << QStringList{"eBis", "Edit1", "item0", "edUST"} << extended;
    QTest::newRow("extended, Homöop.")
        << true << 1 << QStringList{"eBis", "Edit1", "item1", "edUST"} << extended;
}

// Tab reaches the mode group whichever item is selected; the grid lets go; no
// switch button takes the focus. Leaving the VAT field applies it, which ends
// like Berechnen with the focus in the base field; from there Shift+Tab goes
// back through the buttons.
void TestKeyboard::tabCycle() {
    QFETCH(bool, extended);
    QFETCH(int, item);
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, buttons);
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    if (extended) {
        form.ToggleMode();
        ui.eBis->setText(QStringLiteral("3"));
    }
    ui.eFAPBASIS->setText(QStringLiteral("1"));
    ui.rgRechenModi->button(item)->click();
    form.RunCalculation(); // the grid has rows to move in
    auto walk = [&](QWidget* from, int key, Qt::KeyboardModifiers modifiers) {
        from->setFocus(Qt::OtherFocusReason);
        QStringList reached;
        for (int press = 0; press < 30 && (reached.isEmpty() || reached.last() != "eFAPBASIS");
             ++press) {
            pressOnFocus(key, modifiers);
            reached << focusName();
        }
        return reached;
    };
    QCOMPARE(walk(ui.eFAPBASIS, Qt::Key_Tab, Qt::NoModifier), inputs + QStringList{"eFAPBASIS"});
    QCOMPARE(walk(ui.btBerechnen, Qt::Key_Tab, Qt::NoModifier), buttons + QStringList{"eFAPBASIS"});
    QStringList back(buttons.rbegin(), buttons.rend());
    back << "btBerechnen"
         << "edUST"
         << "eFAPBASIS";
    QCOMPARE(walk(ui.eFAPBASIS, Qt::Key_Backtab, Qt::ShiftModifier), back);
    QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.texts().join(u'|')));
}

void TestKeyboard::focusAfterRangeMessage_data() {
    QTest::addColumn<QString>("von");
    QTest::addColumn<QString>("bis");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("startIn"); // the field that has the focus, caret at its end
    QTest::addColumn<QString>("how");     // "berechnen" (button) or "switch" (Suchtgift)
    QTest::addColumn<QString>("endIn");
    const QString vonAboveBis = QString::fromUtf8(
        "Von-FAP darf nicht größer als Bis-FAP sein bzw. Felder dürfen nicht leer sein!");
    const QString empty = QString::fromUtf8("Felder dürfen nicht leer sein!");
    QTest::newRow("Von above Bis, Berechnen") << "9"
                                              << "5"
                                              << "1"
                                              << "Edit1"
                                              << "berechnen"
                                              << "eFAPBASIS";
    QTest::newRow("Von above Bis, switch in Staffel") << "9"
                                                      << "5"
                                                      << "1"
                                                      << "Edit1"
                                                      << "switch"
                                                      << "eFAPBASIS";
    QTest::newRow("empty Bis, switch in Von") << "3"
                                              << ""
                                              << "1"
                                              << "eFAPBASIS"
                                              << "switch"
                                              << "eFAPBASIS";
    QTest::newRow("empty Staffel, switch in Bis") << "1"
                                                  << "5"
                                                  << ""
                                                  << "eBis"
                                                  << "switch"
                                                  << "eBis";
    QTest::newRow("empty Staffel, switch in Von") << "1"
                                                  << "5"
                                                  << ""
                                                  << "eFAPBASIS"
                                                  << "switch"
                                                  << "eFAPBASIS";
    QTest::newRow("empty Staffel, Berechnen") << "1"
                                              << "5"
                                              << ""
                                              << "eBis"
                                              << "berechnen"
                                              << "eFAPBASIS";
    QTest::newRow("zero Staffel, switch in Staffel") << "1"
                                                     << "5"
                                                     << "0"
                                                     << "Edit1"
                                                     << "switch"
                                                     << "Edit1";
}

// After a range message the field with the focus is ready to be typed over, as
// after Tab: "5" replaces the text instead of being appended to it.
void TestKeyboard::focusAfterRangeMessage() {
    QFETCH(QString, von);
    QFETCH(QString, bis);
    QFETCH(QString, step);
    QFETCH(QString, startIn);
    QFETCH(QString, how);
    QFETCH(QString, endIn);
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    form.ToggleMode();
    ui.eFAPBASIS->setText(von);
    ui.eBis->setText(bis);
    ui.Edit1->setText(step);
    auto* start = form.findChild<QLineEdit*>(startIn);
    start->setFocus(Qt::MouseFocusReason);
    start->deselect();
    start->end(false);
    QTRY_COMPARE(focusName(), startIn);

    if (how == "berechnen")
        QTest::mouseClick(ui.btBerechnen, Qt::LeftButton);
    else
        QTest::mouseClick(ui.sbSG, Qt::LeftButton);
    QCOMPARE(messages.messages.size(), 1);
    QTRY_COMPARE(focusName(), endIn);
    auto* field = form.findChild<QLineEdit*>(endIn);
    QVERIFY(!field->text().isEmpty());
    QCOMPARE(field->selectedText(), field->text());
    QTest::keyClick(field, Qt::Key_5);
    QCOMPARE(field->text(), QStringLiteral("5"));
}

QTEST_MAIN(TestKeyboard)
#include "test_keyboard.moc"
