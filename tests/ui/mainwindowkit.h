// The main window for tests: its controls, found by the names the window's
// layout gives them (objectName), and its settings made as a user makes them.
// The window's own state is read through its accessors; nothing here writes it.
#pragma once

#include "pricing/engine.h"
#include "settings/JvFormPlacement.h"
#include "ui/main/FAP_Main.h"
#include "ui/main/RunRules.h"
#include "ui/widgets/ResultGrid.h"
#include "ui/widgets/Widgets.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace testkit {

// Keyboard tests need the window to own the focus, not only to be shown.
inline void ShowAndActivate(fapkalk::TForm1& form) {
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
}

// A window whose placement component is off ("/noini"): it must not depend on a
// placement another test saved.
inline const fapkalk::MainWindowSettings kNoIni{{false, QStringLiteral("kalvor.ini")}};

// The same with a lower row limit for range runs.
inline fapkalk::MainWindowSettings NoIniWithRowLimit(int maxRows) {
    fapkalk::MainWindowSettings settings = kNoIni;
    settings.MaxRangeRows = [maxRows] { return maxRows; };
    return settings;
}

// The child of window with this objectName; a missing one ends the test run.
template <class W> W* Child(const QObject& window, const char* name) {
    W* child = window.findChild<W*>(QString::fromLatin1(name));
    if (child == nullptr)
        qFatal("no control %s", name);
    return child;
}

struct MainControls {
    explicit MainControls(const fapkalk::TForm1& f)
        : Panel1(Child<QFrame>(f, "Panel1")), GroupBox1(Child<QGroupBox>(f, "GroupBox1")),
          Bevel1(Child<QFrame>(f, "Bevel1")), Image1(Child<fapkalk::ClickLabel>(f, "Image1")),
          lbvon(Child<QLabel>(f, "lbvon")), eFAPBASIS(Child<QLineEdit>(f, "eFAPBASIS")),
          lbBis(Child<QLabel>(f, "lbBis")), eBis(Child<QLineEdit>(f, "eBis")),
          lbSteps(Child<QLabel>(f, "lbSteps")), Edit1(Child<QLineEdit>(f, "Edit1")),
          spFAPAEP(Child<QPushButton>(f, "spFAPAEP")),
          rgRechenModi(Child<fapkalk::TRadioGroup>(f, "rgRechenModi")),
          Panel6(Child<QFrame>(f, "Panel6")), labUst(Child<QLabel>(f, "labUst")),
          edUST(Child<QLineEdit>(f, "edUST")), sbSG(Child<QPushButton>(f, "sbSG")),
          sbVet(Child<QPushButton>(f, "sbVet")), sbStern(Child<QPushButton>(f, "sbStern")),
          PanelEinzel(Child<QFrame>(f, "PanelEinzel")), Label1(Child<QLabel>(f, "Label1")),
          Label4(Child<QLabel>(f, "Label4")), Label5(Child<QLabel>(f, "Label5")),
          Label6(Child<QLabel>(f, "Label6")), lbFAP(Child<QLabel>(f, "lbFAP")),
          lbAEP(Child<QLabel>(f, "lbAEP")), lbKP(Child<QLabel>(f, "lbKP")),
          lbAVP(Child<QLabel>(f, "lbAVP")), StafelPanel(Child<QFrame>(f, "StafelPanel")),
          Panelfapaepkpavp(Child<QFrame>(f, "Panelfapaepkpavp")),
          Panel2(Child<QLabel>(f, "Panel2")), Panel3(Child<QLabel>(f, "Panel3")),
          Panel4(Child<QLabel>(f, "Panel4")), Panel5(Child<QLabel>(f, "Panel5")),
          StringGrid1(Child<fapkalk::UniformRowTableView>(f, "StringGrid1")),
          GroupBox2(Child<QGroupBox>(f, "GroupBox2")), Label2(Child<QLabel>(f, "Label2")),
          lbCount(Child<QLabel>(f, "lbCount")), Gauge1(Child<QProgressBar>(f, "Gauge1")),
          btverab(Child<QPushButton>(f, "btverab")), Panel8(Child<QFrame>(f, "Panel8")),
          btBerechnen(Child<QPushButton>(f, "btBerechnen")),
          btErweitert(Child<QPushButton>(f, "btErweitert")),
          btHinweise(Child<QPushButton>(f, "btHinweise")),
          btExport(Child<QPushButton>(f, "btExport")), Button2(Child<QPushButton>(f, "Button2")),
          btDetMore(Child<QPushButton>(f, "btDetMore")),
          StatusBar1(Child<fapkalk::TStatusBar>(f, "StatusBar1")),
          Timer1(Child<QTimer>(f, "Timer1")) {}

    QFrame* Panel1;
    QGroupBox* GroupBox1;
    QFrame* Bevel1;
    fapkalk::ClickLabel* Image1;
    QLabel* lbvon;
    QLineEdit* eFAPBASIS;
    QLabel* lbBis;
    QLineEdit* eBis;
    QLabel* lbSteps;
    QLineEdit* Edit1;
    QPushButton* spFAPAEP;
    fapkalk::TRadioGroup* rgRechenModi;
    QFrame* Panel6;
    QLabel* labUst;
    QLineEdit* edUST;
    QPushButton* sbSG;
    QPushButton* sbVet;
    QPushButton* sbStern;
    QFrame* PanelEinzel;
    QLabel* Label1;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* lbFAP;
    QLabel* lbAEP;
    QLabel* lbKP;
    QLabel* lbAVP;
    QFrame* StafelPanel;
    QFrame* Panelfapaepkpavp;
    QLabel* Panel2;
    QLabel* Panel3;
    QLabel* Panel4;
    QLabel* Panel5;
    fapkalk::UniformRowTableView* StringGrid1;
    QGroupBox* GroupBox2;
    QLabel* Label2;
    QLabel* lbCount;
    QProgressBar* Gauge1;
    QPushButton* btverab;
    QFrame* Panel8;
    QPushButton* btBerechnen;
    QPushButton* btErweitert;
    QPushButton* btHinweise;
    QPushButton* btExport;
    QPushButton* Button2;
    QPushButton* btDetMore;
    fapkalk::TStatusBar* StatusBar1;
    QTimer* Timer1;
};

// Sets the switches as a user does, by clicking them (the mode item first, as
// it clears the others). Every click runs the calculation; its messages go to
// whatever handler the test has installed. A combination no clicks can reach
// ends the test run.
inline void SetOptions(fapkalk::TForm1& form, const fapkalk::CalcOptions& wanted) {
    const MainControls ui(form);
    if (form.Options().Homeopathic != wanted.Homeopathic)
        ui.rgRechenModi->button(wanted.Homeopathic ? 1 : 0)->click();
    const std::pair<bool fapkalk::CalcOptions::*, QPushButton*> switches[] = {
        {&fapkalk::CalcOptions::AepInput, ui.spFAPAEP},
        {&fapkalk::CalcOptions::Narcotic, ui.sbSG},
        {&fapkalk::CalcOptions::Veterinary, ui.sbVet},
        {&fapkalk::CalcOptions::NotReimbursable, ui.sbStern}};
    for (const auto& [field, button] : switches)
        if (form.Options().*field != wanted.*field)
            button->click();
    if (!(form.Options() == wanted))
        qFatal("the switches cannot be set to this combination");
}

// Applies a VAT rate as a user does: types it into the VAT field and presses
// Enter. A rate other than 10 or 20 asks first; the test's handler must say Yes.
inline void SetVatRate(fapkalk::TForm1& form, int rate) {
    const MainControls ui(form);
    ui.edUST->setText(QString::number(rate));
    QTest::keyClick(ui.edUST, Qt::Key_Return);
}

} // namespace testkit
