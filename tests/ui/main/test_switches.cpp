// The calculation switches and the VAT field of the main window, clicked and
// typed into as a user does: states and colours, exclusions, captions, the runs
// they start, the question and the message, and the focus they leave.
#include "message_recorder.h"

#include "pricing/engine.h"
#include "pricing/numbers.h"
#include "pricing/options/switch_rules.h"
#include "pricing/options/vat_field.h"
#include "ui/main/FAP_Main.h"
#include "ui/mainwindowkit.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace fapkalk;
using testkit::kNoIni;
using testkit::MainControls;

namespace {

const QColor cBlack(0, 0, 0), cRed(255, 0, 0), cBlue(0, 0, 255), cLime(0, 255, 0),
    cYellow(255, 255, 0);

QColor captionColour(const QPushButton* button) {
    // The colour the switch gives; a disabled button draws it grey instead.
    return button->palette().color(QPalette::Active, QPalette::ButtonText);
}

QString fmt(double price) {
    return QString::fromStdString(FormatPrice(price));
}

QString missingPrice() {
    return QString::fromUtf8(kFapMissingText);
}

// Replaces the VAT field's text by typing, as a user would.
void typeVat(TForm1& form, const QString& text) {
    const MainControls ui(form);
    ui.edUST->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.edUST));
    ui.edUST->selectAll();
    QTest::keyClick(ui.edUST, Qt::Key_Backspace);
    QTest::keyClicks(ui.edUST, text);
}

// FAP 10 computed at 20 %, the VAT field applied by Enter.
void computeTenAtTwentyPercent(TForm1& form) {
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    ui.eFAPBASIS->setText(QStringLiteral("10"));
    typeVat(form, QStringLiteral("20"));
    QTest::keyClick(ui.edUST, Qt::Key_Return);
}

} // namespace

class TestSwitches : public QObject {
    Q_OBJECT

private slots:
    void narcoticTwiceRunsTwiceAndEndsOff_data();
    void narcoticTwiceRunsTwiceAndEndsOff();
    void clickSequences_data();
    void clickSequences();
    void modeSelectedByProgramRunsNothing();
    void fapAepCaptions_data();
    void fapAepCaptions();
    void vatApplication_data();
    void vatApplication();
    void refusedRateKeepsLastFactor();
    void declinedRateRecomputes();
    void vatAppliesOnceWhateverTakesTheFocus_data();
    void vatAppliesOnceWhateverTakesTheFocus();
};

void TestSwitches::narcoticTwiceRunsTwiceAndEndsOff_data() {
    QTest::addColumn<QString>("focused");
    QTest::newRow("base field") << "eFAPBASIS";
    QTest::newRow("VAT field") << "edUST";
    QTest::newRow("mode group") << "rgRechenModi";
}

void TestSwitches::narcoticTwiceRunsTwiceAndEndsOff() {
    QFETCH(QString, focused);
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    QWidget* holder = focused == QLatin1String("rgRechenModi") ? ui.rgRechenModi->button(0)
                                                               : form.findChild<QWidget*>(focused);
    holder->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), holder);

    // Right after start there is no price: each click runs and the run refuses 0.
    QTest::mouseClick(ui.sbSG, Qt::LeftButton);
    QVERIFY(form.Options().Narcotic);
    QCOMPARE(captionColour(ui.sbSG), cRed);
    QCOMPARE(messages.texts(), QStringList{missingPrice()});
    QCOMPARE(QApplication::focusWidget(), holder);

    QTest::mouseClick(ui.sbSG, Qt::LeftButton);
    QVERIFY(!form.Options().Narcotic);
    QCOMPARE(captionColour(ui.sbSG), cBlack);
    QCOMPARE(messages.texts(), QStringList({missingPrice(), missingPrice()}));
    QCOMPARE(QApplication::focusWidget(), holder);
    // Nothing was asked: the VAT field never lost the focus.
    for (const tools::Message& message : messages.messages)
        QVERIFY(message.kind != tools::MessageKind::Confirmation);
}

// Clicks: S narcotics, V veterinary, K not reimbursable, H homeopathic item,
// N standard item. Expected: the switches on after the last click ("SVK"
// letters), and whether the not-reimbursable button is enabled.
void TestSwitches::clickSequences_data() {
    QTest::addColumn<QString>("clicks");
    QTest::addColumn<QString>("on");
    QTest::addColumn<bool>("sternEnabled");
    QTest::newRow("vet then stern") << "VK"
                                    << "K" << true;
    QTest::newRow("vet, stern, stern") << "VKK"
                                       << "" << true;
    QTest::newRow("stern then vet") << "KV"
                                    << "V" << true;
    QTest::newRow("narcotics with vet") << "SV"
                                        << "SV" << true;
    QTest::newRow("homeopathic clears") << "SVH"
                                        << "" << false;
    QTest::newRow("homeopathic clears stern") << "SKH"
                                              << "" << false;
    QTest::newRow("disabled stern ignores clicks") << "HK"
                                                   << "" << false;
    QTest::newRow("switches again in homeopathic") << "HSV"
                                                   << "SV" << false;
    QTest::newRow("standard re-enables, all off") << "SVHN"
                                                  << "" << true;
    QTest::newRow("standard after homeopathic, stern") << "HNK"
                                                       << "K" << true;
}

void TestSwitches::clickSequences() {
    QFETCH(QString, clicks);
    QFETCH(QString, on);
    QFETCH(bool, sternEnabled);
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    ui.eFAPBASIS->setText(QStringLiteral("10"));
    SwitchRules oracle;
    for (QChar click : clicks) {
        switch (click.toLatin1()) {
        case 'S':
            QTest::mouseClick(ui.sbSG, Qt::LeftButton);
            oracle.ToggleNarcotic();
            break;
        case 'V':
            QTest::mouseClick(ui.sbVet, Qt::LeftButton);
            oracle.ToggleVeterinary();
            break;
        case 'K':
            QTest::mouseClick(ui.sbStern, Qt::LeftButton);
            oracle.ToggleNotReimbursable();
            break;
        case 'H':
        case 'N': {
            const int index = click == u'H' ? 1 : 0;
            QTest::mouseClick(ui.rgRechenModi->button(index), Qt::LeftButton);
            oracle.ChooseMode(index == 1);
            break;
        }
        }
        QCOMPARE(form.Options(), oracle.Options());
        QCOMPARE(ui.sbStern->isEnabled(), oracle.NotReimbursableEnabled());
        // Every click has computed the shown price with the new switches at once.
        const PriceResult result = CalcPrices(10, form.Options(), form.VatFactor());
        QCOMPARE(ui.lbKP->text(), fmt(result.kp));
        QCOMPARE(ui.lbAVP->text(), fmt(result.avp));
    }
    QVERIFY(messages.messages.isEmpty());
    QCOMPARE(form.Options().Narcotic, on.contains(u'S'));
    QCOMPARE(form.Options().Veterinary, on.contains(u'V'));
    QCOMPARE(form.Options().NotReimbursable, on.contains(u'K'));
    QVERIFY(!(form.Options().Veterinary && form.Options().NotReimbursable));
    QCOMPARE(ui.sbStern->isEnabled(), sternEnabled);
    QCOMPARE(ui.rgRechenModi->itemIndex(), form.Options().Homeopathic ? 1 : 0);
    QCOMPARE(captionColour(ui.sbSG), on.contains(u'S') ? cRed : cBlack);
    QCOMPARE(captionColour(ui.sbVet), on.contains(u'V') ? cRed : cBlack);
    QCOMPARE(captionColour(ui.sbStern), on.contains(u'K') ? cRed : cBlack);
    for (QPushButton* button : {ui.sbSG, ui.sbVet, ui.sbStern})
        QVERIFY(button->font().bold());
}

void TestSwitches::modeSelectedByProgramRunsNothing() {
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    ui.rgRechenModi->setItemIndex(1); // the program, not the user
    QVERIFY(!form.Options().Homeopathic);
    QVERIFY(ui.sbStern->isEnabled());
    ui.rgRechenModi->setItemIndex(0);
    QTest::mouseClick(ui.rgRechenModi->button(0), Qt::LeftButton); // already selected
    QVERIFY(messages.messages.isEmpty());
    QTest::mouseClick(ui.rgRechenModi->button(1), Qt::LeftButton);
    QVERIFY(form.Options().Homeopathic);
    QCOMPARE(messages.texts(), QStringList{missingPrice()});
}

void TestSwitches::fapAepCaptions_data() {
    QTest::addColumn<bool>("rangeMode");
    QTest::addColumn<QString>("aepGroup");
    QTest::addColumn<QString>("aepLabel");
    QTest::addColumn<QString>("fapGroup");
    QTest::addColumn<QString>("fapLabel");
    QTest::newRow("single") << false << ""
                            << "Einkaufspreis:"
                            << ""
                            << "Fabriksabgabepreis:";
    QTest::newRow("extended") << true << "Apothekeneinkaufspreis:"
                              << "Von"
                              << "Fabriksabgabepreis:"
                              << "Von";
}

void TestSwitches::fapAepCaptions() {
    QFETCH(bool, rangeMode);
    QFETCH(QString, aepGroup);
    QFETCH(QString, aepLabel);
    QFETCH(QString, fapGroup);
    QFETCH(QString, fapLabel);
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    if (rangeMode)
        form.ToggleMode();
    testkit::ShowAndActivate(form);
    ui.eFAPBASIS->setText(QStringLiteral("10"));
    ui.eBis->setText(QStringLiteral("12"));
    ui.Edit1->setText(QStringLiteral("1"));
    ui.eBis->setFocus();
    QTRY_VERIFY(ui.eBis->hasFocus() || !rangeMode);
    QWidget* const holder = QApplication::focusWidget();

    QTest::mouseClick(ui.spFAPAEP, Qt::LeftButton);
    QVERIFY(form.Options().AepInput);
    QCOMPARE(captionColour(ui.spFAPAEP), cBlue);
    QCOMPARE(ui.GroupBox1->title(), aepGroup);
    QCOMPARE(ui.lbvon->text(), aepLabel);
    QCOMPARE(QApplication::focusWidget(), holder);
    const PriceResult asAep = CalcPrices(10, form.Options(), form.VatFactor());
    if (rangeMode) {
        QCOMPARE(form.GridModel().rowCountExact(), 3);
        QCOMPARE(form.GridModel().cellText(0, 1), std::string_view(FormatPrice(asAep.aep)));
    } else {
        QCOMPARE(ui.lbFAP->text(), QStringLiteral("       0.00"));
        QCOMPARE(ui.lbAEP->text(), fmt(asAep.aep));
    }

    QTest::mouseClick(ui.spFAPAEP, Qt::LeftButton);
    QVERIFY(!form.Options().AepInput);
    QCOMPARE(captionColour(ui.spFAPAEP), cBlack);
    QCOMPARE(ui.GroupBox1->title(), fapGroup);
    QCOMPARE(ui.lbvon->text(), fapLabel);
    QVERIFY(messages.messages.isEmpty());
}

// How the VAT field is applied and what follows. answer: the answer to the
// question, if one is asked.
void TestSwitches::vatApplication_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key"); // Enter or Tab applies
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("asks");
    QTest::addColumn<int>("rate"); // -1: refused ("USt. muß numerisch sein!")
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QString>("textAfter");

    const int enter = Qt::Key_Return, tab = Qt::Key_Tab;
    QTest::newRow("20 by Enter") << "20" << enter << true << false << 20 << cYellow << "20";
    QTest::newRow("20 by Tab") << "20" << tab << true << false << 20 << cYellow << "20";
    QTest::newRow("10 again") << "10" << tab << true << false << 10 << cLime << "10";
    QTest::newRow("7 yes") << "7" << enter << true << true << 7 << cRed << "7";
    QTest::newRow("05 yes") << "05" << tab << true << true << 5 << cRed << "05";
    QTest::newRow("00 yes") << "00" << enter << true << true << 0 << cRed << "00";
    QTest::newRow("7 no") << "7" << enter << false << true << 10 << cLime << "10";
    QTest::newRow("7 no by Tab") << "7" << tab << false << true << 10 << cLime << "10";
    // No whole number: refused before any question, the rate in force shown.
    QTest::newRow("letter") << "a" << enter << true << false << -1 << cLime << "10";
    QTest::newRow("letter by Tab") << "a" << tab << true << false << -1 << cLime << "10";
    QTest::newRow("blank digit") << " 5" << enter << true << false << -1 << cLime << "10";
    QTest::newRow("empty") << "" << enter << true << false << -1 << cLime << "10";
}

void TestSwitches::vatApplication() {
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(bool, yes);
    QFETCH(bool, asks);
    QFETCH(int, rate);
    QFETCH(QColor, background);
    QFETCH(QString, textAfter);
    MessageRecorder messages;
    messages.answer = yes ? tools::MessageAnswer::Yes : tools::MessageAnswer::No;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    ui.eFAPBASIS->setText(QStringLiteral("10"));
    typeVat(form, typed);
    QVERIFY(form.VatEdited());
    const QString avpBefore = ui.lbAVP->text();
    QTest::keyClick(ui.edUST, Qt::Key(key));

    const QString question =
        QString::fromUtf8("Möchten Sie die Berechung mit abweichender USt. (") + typed +
        QString::fromUtf8(") durchführen?");
    QStringList expected;
    if (asks)
        expected << question;
    if (rate < 0)
        expected << QString::fromUtf8("USt. muß numerisch sein!");
    QCOMPARE(messages.texts(), expected);
    if (asks) {
        QCOMPARE(messages.messages[0].kind, tools::MessageKind::Confirmation);
        QCOMPARE(messages.messages[0].caption, QString::fromUtf8("Bestätigung"));
    }
    QCOMPARE(ui.edUST->text(), textAfter);
    QCOMPARE(ui.edUST->palette().color(QPalette::Base), background);

    const bool declined = asks && !yes;
    const double factor = rate < 0 ? kDefaultVatFactor : VatFactorFromRate(unsigned(rate));
    QCOMPARE(form.VatFactor(), factor);
    QVERIFY(form.VatFactor() != 0);
    QVERIFY(!form.VatEdited());
    if (rate < 0 || declined) {
        // The field keeps the focus with its whole text selected.
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.edUST));
        QCOMPARE(ui.edUST->selectedText(), textAfter);
        // Refused: no results; declined: the results of 10 %.
        QCOMPARE(ui.lbAVP->text(), rate < 0 ? QStringLiteral("            0.00")
                                            : fmt(CalcPrices(10, form.Options(), factor).avp));
        QVERIFY(avpBefore != ui.lbAVP->text() || rate < 0);
    } else {
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.eFAPBASIS));
        QCOMPARE(ui.lbAVP->text(), fmt(CalcPrices(10, form.Options(), factor).avp));
    }
    if (typed == QLatin1String("20"))
        QCOMPARE(ui.lbAVP->text(), fmt(23.10));
    if (typed == QLatin1String("7"))
        QCOMPARE(form.VatFactor(), yes ? 1.07 : 1.1);

    if (declined) {
        // Leaving the field now applies the "10" it got back: lime, no question.
        QTest::keyClick(ui.edUST, Qt::Key_Tab);
        QCOMPARE(messages.messages.size(), 1);
        QCOMPARE(ui.edUST->palette().color(QPalette::Base), cLime);
        QVERIFY(!form.VatEdited());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.eFAPBASIS));
    }
}

void TestSwitches::refusedRateKeepsLastFactor() {
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    computeTenAtTwentyPercent(form);
    QCOMPARE(form.VatFactor(), 1.2);

    typeVat(form, QStringLiteral("x"));
    QTest::keyClick(ui.edUST, Qt::Key_Return);
    QCOMPARE(messages.texts().last(), QString::fromUtf8("USt. muß numerisch sein!"));
    QCOMPARE(ui.edUST->text(), QStringLiteral("20"));
    QCOMPARE(ui.edUST->palette().color(QPalette::Base), cYellow);

    // The next switch click computes with 20 %, never with a factor of 0.
    QTest::mouseClick(ui.sbSG, Qt::LeftButton);
    QCOMPARE(form.VatFactor(), 1.2);
    QCOMPARE(ui.lbAVP->text(), fmt(CalcPrices(10, form.Options(), 1.2).avp));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.edUST));

    // Leaving the refused field unchanged asks nothing and keeps the factor.
    const qsizetype before = messages.messages.size();
    QTest::keyClick(ui.edUST, Qt::Key_Tab);
    QCOMPARE(messages.messages.size(), before);
    QCOMPARE(form.VatFactor(), 1.2);
    QCOMPARE(ui.edUST->text(), QStringLiteral("20"));
}

// "Nein" to another rate puts 10 % in force and the results follow it at once.
void TestSwitches::declinedRateRecomputes() {
    MessageRecorder messages;
    messages.answer = tools::MessageAnswer::No;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    computeTenAtTwentyPercent(form);
    QCOMPARE(ui.lbAVP->text(), fmt(23.10));
    typeVat(form, QStringLiteral("7"));
    QTest::keyClick(ui.edUST, Qt::Key_Return);
    QCOMPARE(ui.edUST->text(), QStringLiteral("10"));
    QCOMPARE(ui.edUST->palette().color(QPalette::Base), cLime);
    QCOMPARE(form.VatFactor(), 1.1);
    QCOMPARE(ui.lbAVP->text(), fmt(21.20));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.edUST));
    QCOMPARE(ui.edUST->selectedText(), QStringLiteral("10"));
}

// One application starts one run, however the focus moves on the way: the run's
// own move to eFAPBASIS, or a focus change while the question is open.
void TestSwitches::vatAppliesOnceWhateverTakesTheFocus_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("moveFocusWhileAsking");
    QTest::addColumn<int>("questions");
    QTest::newRow("unchanged, Tab") << "" << int(Qt::Key_Tab) << false << 0;
    QTest::newRow("unchanged, Enter") << "" << int(Qt::Key_Return) << false << 0;
    QTest::newRow("20, Enter") << "20" << int(Qt::Key_Return) << false << 0;
    QTest::newRow("20, Tab") << "20" << int(Qt::Key_Tab) << false << 0;
    QTest::newRow("7, Enter, focus moved while asking") << "7" << int(Qt::Key_Return) << true << 1;
    QTest::newRow("7, Tab, focus moved while asking") << "7" << int(Qt::Key_Tab) << true << 1;
}

void TestSwitches::vatAppliesOnceWhateverTakesTheFocus() {
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(bool, moveFocusWhileAsking);
    QFETCH(int, questions);
    MessageRecorder messages; // the base field is empty: every run says so once
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    if (typed.isEmpty()) {
        ui.edUST->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.edUST));
    } else {
        typeVat(form, typed);
    }
    if (moveFocusWhileAsking)
        messages.onMessage = [&](const tools::Message& message) {
            if (message.kind == tools::MessageKind::Confirmation)
                ui.eFAPBASIS->setFocus();
        };
    QTest::keyClick(ui.edUST, Qt::Key(key));
    int asked = 0, runs = 0;
    for (const tools::Message& message : messages.messages) {
        asked += message.kind == tools::MessageKind::Confirmation;
        runs += message.text == missingPrice();
    }
    QCOMPARE(asked, questions);
    QCOMPARE(runs, 1);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.eFAPBASIS));
    QVERIFY(!form.VatEdited());
}

QTEST_MAIN(TestSwitches)
#include "test_switches.moc"
