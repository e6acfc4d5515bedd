// The main window driven as a user drives it: start state and layout, the two
// modes and the resize rule, the clock, single and range runs with their
// messages, Abbruch, engine errors and starts requested during a run.
#include "message_recorder.h"

#include "pricing/engine.h"
#include "pricing/numbers.h"
#include "publisher.h"
#include "tools/tools.h"
#include "ui/layoutcheck.h"
#include "ui/main/FAP_Main.h"
#include "ui/main/MainLayout.h"
#include "ui/mainwindowkit.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using namespace fapkalk;
using testkit::kNoIni;
using testkit::MainControls;

namespace {

struct Row {
    std::string fap, aep, kp, avp;
};

// The rows a range run must produce: Von, Von + Staffel, ... up to Bis, in
// whole cents.
std::vector<Row> expectedRange(std::int64_t von, std::int64_t bis, std::int64_t step,
                               const CalcOptions& options, double vatFactor) {
    std::vector<Row> rows;
    for (std::int64_t cents = von; cents <= bis; cents += step) {
        const double price = static_cast<double>(cents) / 100.0;
        const PriceResult r = CalcPrices(price, options, vatFactor);
        rows.push_back({options.AepInput ? std::string("     0.00") : FormatPrice(price),
                        FormatPrice(r.aep), FormatPrice(r.kp), FormatPrice(r.avp)});
    }
    return rows;
}

void compareGrid(const TForm1& form, const std::vector<Row>& expected) {
    const ResultGridModel& grid = form.GridModel();
    QCOMPARE(grid.rowCountExact(), int(expected.size()));
    QCOMPARE(grid.rowCount(), int(expected.size())); // the view has been told
    for (int row = 0; row < int(expected.size()); ++row) {
        const Row& want = expected[std::size_t(row)];
        QCOMPARE(grid.cellText(row, 0), std::string_view(want.fap));
        QCOMPARE(grid.cellText(row, 1), std::string_view(want.aep));
        QCOMPARE(grid.cellText(row, 2), std::string_view(want.kp));
        QCOMPARE(grid.cellText(row, 3), std::string_view(want.avp));
    }
}

// A field's price in cents, read the plain way.
std::int64_t centsOf(QString text) {
    return qRound64(text.trimmed().replace(u',', u'.').toDouble() * 100);
}

const QString kLabelStart = QStringLiteral("            0.00");

void enterRange(TForm1& form, const QString& von, const QString& bis, const QString& step) {
    const MainControls ui(form);
    if (!form.RangeMode())
        form.ToggleMode();
    ui.eFAPBASIS->setText(von);
    ui.eBis->setText(bis);
    ui.Edit1->setText(step);
}

QString controlText(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return edit->text();
    if (auto* group = qobject_cast<QGroupBox*>(widget))
        return group->title();
    return {};
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    // Layout and start state.
    void controls_data();
    void controls();
    void layoutTable();
    void startState();
    void substitutedFontsAreInstalled();
    void statusBarBeforeFirstTick();
    void clockTick();
    void dockedLayout_data();
    void dockedLayout();
    void gridLooksLikeTheStringGrid();
    void tabOrderInExtendedMode();

    // Modes and the resize rule.
    void toggleMode_data();
    void toggleMode();
    void resizeRule_data();
    void resizeRule();
    void switchingBackRestoresSingleHeight();

    // Openers and the window's life.
    void openers_data();
    void openers();
    void firstShowingCentresAndRunsShowHandler();
    void beendenClosesTheWindow();

    // Single runs.
    void singleRun_data();
    void singleRun();
    void singleRunRefusesPriceZero_data();
    void singleRunRefusesPriceZero();
    void berechnenMovesFocusToBaseField();

    // Range runs.
    void rangeRun_data();
    void rangeRun();
    void rangeRunRefused_data();
    void rangeRunRefused();
    void singleRunRefusedShowsNoResults_data();
    void singleRunRefusedShowsNoResults();
    void emptyVonFallsBackToResultLabel_data();
    void emptyVonFallsBackToResultLabel();
    void fieldsAreReadAsTyped();
    void rowLimitStopsTheRun();

    // Abbruch, errors, re-entrancy, speed of the display.
    void abbruchKeepsWholeBlocks_data();
    void abbruchKeepsWholeBlocks();
    void engineErrorIsReportedOnceAndCleanedUp_data();
    void engineErrorIsReportedOnceAndCleanedUp();
    void startDuringRangeRunRestarts_data();
    void startDuringRangeRunRestarts();
    void abbruchWhileVatFieldHasFocus();
    void rangeMessageOnceWhenVatFieldHasFocus();
    void closingStopsARun();
    void normalStopsARunFirst();
    void screenUpdatesAreCoalesced();
};

void TestMainWindow::cleanup() {
    tools::SetMessageHandler({});
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

// ------------------------------------------------------------------ layout

void TestMainWindow::controls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QString>("hint");
    const QString ms = QStringLiteral("MS Sans Serif");
    const QString arial = QStringLiteral("Arial");
    auto row = [&](const char* name, const QString& text, const QString& family, int pixels,
                   bool bold, const QString& hint = {}) {
        QTest::newRow(name) << QString::fromLatin1(name) << text << family << pixels << bold
                            << hint;
    };
    const QString any; // texts not checked for frames
    row("Image1", any, {}, 0, false, "Impresum");
    row("lbvon", "Fabriksabgabepreis:", ms, 13, true);
    row("eFAPBASIS", "", ms, 13, false, QString::fromUtf8("Hier muß der FAP eingegeben werden."));
    row("lbBis", "Bis:", ms, 13, true);
    row("eBis", "", ms, 13, false, "Hier wird der FAP eingegeben, zu dem berechnet werden soll.");
    row("lbSteps", "Staffel:", ms, 13, true);
    row("Edit1", "1", ms, 13, false, "Geben Sie bitte die Staffelung (z.B.: 0.50, 1.0, 2,10 ein!");
    row("spFAPAEP", "&FAP/AEP", ms, 13, true, "Umschalten zwischen FAP und AEP-Berechung");
    row("rgRechenModi", "", ms, 13, false);
    row("labUst", "&USt %:", ms, 13, true);
    row("edUST", "10", ms, 13, true);
    row("sbSG", "&Suchtgift", arial, 13, true,
        "Suchtgiftzuschlag (Kassenpreis 55 Cent, Verkaufspreis 55 Cent)");
    row("sbVet", QString::fromUtf8("&Veterinär / Hom. Ansatz"), arial, 13, true,
        QString::fromUtf8("Veterinär (VT,VTW,VN,VNW) oder Homöophatische Preisansätze"));
    row("sbStern", QString::fromUtf8("(*) nicht &kassenzulässig"), arial, 13, true,
        QString::fromUtf8("Bei Artikeln, die als nicht kassenzulässig gekennzeichnet sind \n"
                          "(Kasssenzeichen = *), wird eine andere Kalkulation herangezogen."));
    row("Label1", "Fabriksabgabepreis:       ", arial, 16, false);
    row("Label4", "Apotheken-Einkaufspreis: ", arial, 16, false);
    row("Label5", "Kassenpreis:       ", arial, 16, false);
    row("Label6", "Apotheken-Verkaufspreis:", arial, 16, false);
    for (const char* value : {"lbFAP", "lbAEP", "lbKP", "lbAVP"})
        row(value, "            0.00", ms, 16, true);
    row("Panel2", "FAP", arial, 16, true);
    row("Panel3", "AEP", arial, 16, true);
    row("Panel4", "KP", arial, 16, true);
    row("Panel5", "AVP", arial, 16, true);
    row("GroupBox2", "", {}, 0, false);
    row("Label2", QString::fromUtf8("Verarbeitung läuft"), ms, 19, false);
    row("lbCount", "        0", ms, 19, false);
    row("Gauge1", any, ms, 11, false);
    row("btverab", "Abbruch", ms, 13, true);
    row("btBerechnen", "&Berechnen", ms, 13, true, "Berechnen");
    // Export in the font of the other buttons.
    row("btErweitert", "E&rweitert", ms, 13, true);
    row("btHinweise", "&Hinweise", ms, 13, true);
    row("btExport", "E&xport", ms, 13, true, "Ausgabe auf Textdatei im ASCII oder Excel-Format");
    row("Button2", "B&eenden", ms, 13, true, "Programmende");
    row("btDetMore", "+", ms, 19, true);
}

void TestMainWindow::controls() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, family);
    QFETCH(int, pixels);
    QFETCH(bool, bold);
    QFETCH(QString, hint);
    TForm1 form(kNoIni);
    auto* widget = form.findChild<QWidget*>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(widget->toolTip(), hint);
    if (!text.isNull())
        QCOMPARE(controlText(widget), text);
    if (!family.isEmpty()) {
        QCOMPARE(widget->font().family(), family);
        QCOMPARE(widget->font().pixelSize(), pixels);
        QCOMPARE(widget->font().bold(), bold);
    }
}

void TestMainWindow::layoutTable() {
    TForm1 form(kNoIni);
    QCOMPARE(testkit::LayoutMismatch(form, kMainLayout), QString());
}

void TestMainWindow::startState() {
    TForm1 form(kNoIni);
    const MainControls ui(form);
    QCOMPARE(form.objectName(), QStringLiteral("Form1"));
    QCOMPARE(form.size(), QSize(519, 311));
    QVERIFY(form.windowTitle().contains(QStringLiteral("2012")));
    QVERIFY(form.windowTitle().contains(QString::fromUtf8(publisher::Name)));
    QVERIFY(form.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(form.font().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(form.font().pixelSize(), 11);

    QVERIFY(!form.RangeMode());
    QCOMPARE(form.Options(), CalcOptions{});
    QCOMPARE(form.VatFactor(), 1.1);
    QVERIFY(!form.VatEdited());
    QVERIFY(!form.IsCalculating());
    QVERIFY(!form.FormPlacement().Active); // the tests start with /noini
    QCOMPARE(form.FormPlacement().IniFileName, PlacementSettings{}.IniFileName);
    QCOMPARE(ui.GroupBox1->title(), QString());
    QCOMPARE(ui.btErweitert->text(), QStringLiteral("E&rweitert"));
    QCOMPARE(ui.rgRechenModi->itemIndex(), 0);
    QCOMPARE(ui.rgRechenModi->count(), 2);
    // No access keys: S and H are Suchtgift's and Hinweise's.
    QCOMPARE(ui.rgRechenModi->button(0)->text(), QString::fromUtf8("Standardberechnung"));
    QCOMPARE(ui.rgRechenModi->button(1)->text(), QString::fromUtf8("Homöop. Arzneispez."));
    QCOMPARE(ui.edUST->maxLength(), 2);
    QVERIFY(ui.spFAPAEP->focusPolicy() == Qt::NoFocus);
    const QColor red(255, 0, 0), black(0, 0, 0), lime(0, 255, 0);
    QCOMPARE(ui.eFAPBASIS->palette().color(QPalette::Text), red);
    QCOMPARE(ui.lbAVP->palette().color(QPalette::WindowText), red);
    QCOMPARE(ui.Label6->palette().color(QPalette::WindowText), black);
    QCOMPARE(ui.edUST->palette().color(QPalette::Base), lime);
    QCOMPARE(ui.btDetMore->palette().color(QPalette::ButtonText), lime);
    for (QPushButton* button : {ui.spFAPAEP, ui.sbSG, ui.sbVet, ui.sbStern})
        QCOMPARE(button->palette().color(QPalette::ButtonText), black);
    QVERIFY(ui.sbSG->focusPolicy() == Qt::NoFocus);

    for (QWidget* hidden :
         std::initializer_list<QWidget*>{ui.lbBis, ui.eBis, ui.lbSteps, ui.Edit1, ui.StafelPanel,
                                         ui.btExport, ui.btDetMore, ui.GroupBox2})
        QVERIFY2(hidden->isHidden(), qPrintable(hidden->objectName()));
    QVERIFY(!ui.PanelEinzel->isHidden());

    QCOMPARE(form.GridModel().rowCountExact(), 1);
    for (int column = 0; column < 4; ++column) {
        QVERIFY(form.GridModel().cellText(0, column).empty());
        QCOMPARE(ui.StringGrid1->columnWidth(column), 128);
    }
    QCOMPARE(ui.Timer1->interval(), 1000);
    QVERIFY(ui.Timer1->isActive());
}

void TestMainWindow::substitutedFontsAreInstalled() {
    TForm1 form(kNoIni);
    const MainControls ui(form);
    // The faces the layout names don't exist here; the substitute must be used.
    for (QWidget* widget : {static_cast<QWidget*>(ui.lbvon), static_cast<QWidget*>(ui.sbSG)}) {
        const QFontInfo info(widget->font());
        QCOMPARE(info.family(), QStringLiteral("Liberation Sans"));
        QCOMPARE(info.pixelSize(), 13);
    }
}

void TestMainWindow::statusBarBeforeFirstTick() {
    TForm1 form(kNoIni);
    const MainControls ui(form);
    QCOMPARE(ui.StatusBar1->panelCount(), 4);
    QCOMPARE(ui.StatusBar1->panelText(0), QStringLiteral("4.2-00/2012"));
    QCOMPARE(ui.StatusBar1->panelText(1), QString::fromUtf8(publisher::Name));
    QCOMPARE(ui.StatusBar1->panelText(2), QStringLiteral("12:00:00"));
    QCOMPARE(ui.StatusBar1->panelText(3), QStringLiteral("01.01.2000"));
    QCOMPARE(ui.StatusBar1->geometry(), QRect(0, 311 - 19, 519, 19));
    const int lefts[] = {0, 92, 362, 422};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(ui.StatusBar1->panelLabel(i)->x(), lefts[i]);
    QVERIFY(ui.StatusBar1->panelLabel(3)->geometry().right() >= 519 - 3);
    QVERIFY(ui.StatusBar1->panelLabel(0)->alignment().testFlag(Qt::AlignLeft));
    QVERIFY(ui.StatusBar1->panelLabel(2)->alignment().testFlag(Qt::AlignHCenter));
    QVERIFY(ui.StatusBar1->panelLabel(3)->alignment().testFlag(Qt::AlignHCenter));
}

void TestMainWindow::clockTick() {
    TForm1 form(kNoIni);
    const MainControls ui(form);
    const QTime before = QTime::currentTime();
    const QDate dayBefore = QDate::currentDate();
    form.Timer1Timer();
    const QTime after = QTime::currentTime();
    const QDate dayAfter = QDate::currentDate();
    const QString time = ui.StatusBar1->panelText(3);
    const QString date = ui.StatusBar1->panelText(2);
    QVERIFY2(time == StatusTimeText(before) || time == StatusTimeText(after), qPrintable(time));
    QVERIFY2(date == StatusDateText(dayBefore) || date == StatusDateText(dayAfter),
             qPrintable(date));
    QVERIFY(time != QStringLiteral("12:00:00") || before.toString() == QStringLiteral("12:00:00"));
    // Both fit their panels.
    for (int panel : {2, 3}) {
        QLabel* label = ui.StatusBar1->panelLabel(panel);
        QVERIFY2(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->width(),
                 qPrintable(label->text()));
    }
    // And the timer itself ticks.
    QSignalSpy ticks(ui.Timer1, &QTimer::timeout);
    QVERIFY(ticks.wait(2500));
}

void TestMainWindow::dockedLayout_data() {
    QTest::addColumn<bool>("extended");
    QTest::addColumn<int>("height");
    QTest::newRow("single") << false << 311;
    QTest::newRow("extended, same height") << true << 311;
    QTest::newRow("extended, taller") << true << 600;
    QTest::newRow("extended, shorter") << true << 260;
}

void TestMainWindow::dockedLayout() {
    QFETCH(bool, extended);
    QFETCH(int, height);
    TForm1 form(kNoIni);
    const MainControls ui(form);
    if (extended) {
        form.ToggleMode();
        form.ResizeWindow(519, height);
    }
    QCOMPARE(form.size(), QSize(519, height));
    QCOMPARE(ui.StatusBar1->geometry(), QRect(0, height - 19, 519, 19));
    QCOMPARE(ui.Panel1->geometry(), QRect(0, 0, 519, height - 19));
    QCOMPARE(ui.GroupBox1->y(), ui.Panel1->contentsRect().top());
    QCOMPARE(ui.GroupBox1->height(), 136);
    QCOMPARE(ui.Panel8->height(), 39);
    QCOMPARE(ui.Panel8->geometry().bottom(), ui.Panel1->contentsRect().bottom());
    QCOMPARE(ui.StafelPanel->y(), ui.GroupBox1->geometry().bottom() + 1);
    QCOMPARE(ui.StafelPanel->geometry().bottom() + 1, ui.Panel8->y());
    QCOMPARE(ui.Panelfapaepkpavp->height(), 19);
    QCOMPARE(ui.StringGrid1->y(), ui.Panelfapaepkpavp->geometry().bottom() + 1);
    QCOMPARE(ui.StringGrid1->geometry().bottom(), ui.StafelPanel->contentsRect().bottom());
    QCOMPARE(ui.GroupBox2->geometry(), QRect(110, 0, 280, 113));
    if (!extended) {
        // The result panel meets the button bar and the right edge: no empty band.
        QCOMPARE(ui.PanelEinzel->geometry().bottom() + 1, ui.Panel8->y());
        QCOMPARE(ui.PanelEinzel->geometry().right() + 1, form.width());
    }
}

void TestMainWindow::gridLooksLikeTheStringGrid() {
    TForm1 form(kNoIni);
    const MainControls ui(form);
    UniformRowTableView* grid = ui.StringGrid1;
    QVERIFY(grid->horizontalHeader()->isHidden());
    QVERIFY(grid->verticalHeader()->isHidden());
    QCOMPARE(grid->verticalHeader()->defaultSectionSize(), 14);
    QCOMPARE(grid->rowHeight(0), 14);
    QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(grid->selectionMode(), QAbstractItemView::ExtendedSelection);
    QVERIFY(grid->showGrid());
    QCOMPARE(grid->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(grid->font().pixelSize(), 10);
    QVERIFY(grid->font().bold());
    QCOMPARE(static_cast<const QAbstractItemModel*>(grid->model()),
             static_cast<const QAbstractItemModel*>(&form.GridModel()));
}

void TestMainWindow::tabOrderInExtendedMode() {
    // Walk the focus chain as Tab does: visible, enabled controls that take the
    // focus by Tab; of a group of radio buttons only the checked one. (Actually
    // tabbing out of the VAT field would apply it and start a run.)
    TForm1 form(kNoIni);
    const MainControls ui(form);
    form.ToggleMode();
    const QList<QWidget*> expected{ui.eBis,       ui.Edit1,       ui.rgRechenModi->button(0),
                                   ui.edUST,      ui.btBerechnen, ui.btErweitert,
                                   ui.btHinweise, ui.btExport,    ui.Button2,
                                   ui.btDetMore,  ui.StringGrid1};
    QList<QWidget*> reached;
    for (QWidget* widget = ui.eFAPBASIS->nextInFocusChain();
         widget != ui.eFAPBASIS && reached.size() < expected.size();
         widget = widget->nextInFocusChain()) {
        const auto* radio = qobject_cast<QRadioButton*>(widget);
        if (widget->isVisibleTo(&form) && widget->isEnabled() &&
            (widget->focusPolicy() & Qt::TabFocus) && (!radio || radio->isChecked()))
            reached << widget;
    }
    QCOMPARE(reached, expected);
}

// ------------------------------------------------------- modes and resizing

void TestMainWindow::toggleMode_data() {
    QTest::addColumn<bool>("aepInput");
    QTest::addColumn<QString>("groupCaption");
    QTest::addColumn<QString>("singleLabel");
    QTest::newRow("FAP input") << false << "Fabriksabgabepreis:"
                               << "Fabriksabgabepreis:";
    QTest::newRow("AEP input") << true << "Apothekeneinkaufspreis:"
                               << "Einkaufspreis:";
}

void TestMainWindow::toggleMode() {
    QFETCH(bool, aepInput);
    QFETCH(QString, groupCaption);
    QFETCH(QString, singleLabel);
    MessageRecorder messages; // the FAP/AEP click computes the empty field
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    testkit::SetOptions(form, {.AepInput = aepInput});
    ui.eFAPBASIS->setText(QStringLiteral("7"));
    ui.lbAVP->setText(QStringLiteral("     99.99"));

    ui.btErweitert->click();
    QVERIFY(form.RangeMode());
    QCOMPARE(ui.GroupBox1->title(), groupCaption);
    QCOMPARE(ui.lbvon->text(), QStringLiteral("Von"));
    QCOMPARE(ui.btErweitert->text(), QStringLiteral("No&rmal"));
    QCOMPARE(ui.eFAPBASIS->x(), 88);
    for (QWidget* shown : std::initializer_list<QWidget*>{
             ui.lbBis, ui.eBis, ui.lbSteps, ui.Edit1, ui.StafelPanel, ui.btExport, ui.btDetMore})
        QVERIFY2(shown->isVisible(), qPrintable(shown->objectName()));
    QVERIFY(!ui.PanelEinzel->isVisible());
    QCOMPARE(form.height(), 311); // unchanged
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.eFAPBASIS));

    ui.btErweitert->click();
    QVERIFY(!form.RangeMode());
    QCOMPARE(ui.GroupBox1->title(), QString());
    QCOMPARE(ui.lbvon->text(), singleLabel);
    QCOMPARE(ui.btErweitert->text(), QStringLiteral("E&rweitert"));
    QCOMPARE(ui.eFAPBASIS->x(), 205);
    QVERIFY(ui.PanelEinzel->isVisible());
    QVERIFY(!ui.StafelPanel->isVisible() && !ui.eBis->isVisible() && !ui.btExport->isVisible());
    // The switch computes and clears nothing.
    QCOMPARE(ui.eFAPBASIS->text(), QStringLiteral("7"));
    QCOMPARE(ui.lbAVP->text(), QStringLiteral("     99.99"));
    // The label must not overlap the base field.
    QVERIFY(ui.lbvon->geometry().right() < ui.eFAPBASIS->x());
}

void TestMainWindow::resizeRule_data() {
    QTest::addColumn<bool>("extended");
    QTest::addColumn<QSize>("requested");
    QTest::addColumn<QSize>("result");
    QTest::newRow("single: program resize refused") << false << QSize(800, 600) << QSize(519, 311);
    QTest::newRow("single: shorter refused") << false << QSize(519, 250) << QSize(519, 311);
    QTest::newRow("extended: taller, width kept") << true << QSize(800, 600) << QSize(519, 600);
    QTest::newRow("extended: shorter") << true << QSize(300, 300) << QSize(519, 300);
    QTest::newRow("extended: not below the minimum")
        << true << QSize(519, 50) << QSize(519, kMinExtendedHeight);
}

void TestMainWindow::resizeRule() {
    QFETCH(bool, extended);
    QFETCH(QSize, requested);
    QFETCH(QSize, result);
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    if (extended)
        form.ToggleMode();
    form.ResizeWindow(requested.width(), requested.height());
    QCOMPARE(form.size(), result);
    // A direct resize (as a window manager or a placement restore would do) is
    // bound by the same rule.
    form.resize(requested);
    QCOMPARE(form.size(), result);
    QCOMPARE(form.minimumWidth(), 519);
    QCOMPARE(form.maximumWidth(), 519);
    if (!extended) {
        QCOMPARE(form.minimumHeight(), 311);
        QCOMPARE(form.maximumHeight(), 311);
    }
    // A move is always allowed.
    const QPoint target = form.pos() + QPoint(10, 12);
    form.move(target);
    QCOMPARE(form.pos(), target);
}

void TestMainWindow::switchingBackRestoresSingleHeight() {
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    ui.btErweitert->click();
    form.ResizeWindow(519, 700);
    QCOMPARE(form.height(), 700);
    ui.btErweitert->click();
    QCOMPARE(form.size(), QSize(519, 311));
    ui.btErweitert->click();
    QCOMPARE(form.size(), QSize(519, 311)); // extended keeps the height
    form.ResizeWindow(519, 240);
    ui.btErweitert->click();
    QCOMPARE(form.size(), QSize(519, 311)); // also after making it shorter
}

// ------------------------------------------------------------------ openers

void TestMainWindow::openers_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("opener");
    QTest::newRow("Hinweise") << "btHinweise"
                              << "notes";
    QTest::newRow("Export") << "btExport"
                            << "export";
    QTest::newRow("+") << "btDetMore"
                       << "detail";
    QTest::newRow("logo") << "Image1"
                          << "imprint";
}

void TestMainWindow::openers() {
    QFETCH(QString, control);
    QFETCH(QString, opener);
    TForm1 form(kNoIni);
    const MainControls ui(form);
    QStringList opened;
    form.SetNotesOpener([&] { opened << "notes"; });
    form.SetExportOpener([&](const ResultTable&) { opened << "export"; });
    form.SetDetailOpener([&](const ResultTable&) { opened << "detail"; });
    form.SetImprintOpener([&] { opened << "imprint"; });
    form.ToggleMode(); // Export and "+" are on screen in extended mode only
    testkit::ShowAndActivate(form);
    opened.clear(); // the showing itself opened the imprint
    auto* widget = form.findChild<QWidget*>(control);
    QVERIFY(widget && widget->isVisible());
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    QCOMPARE(opened, QStringList{opener});
    // Without an attached window a click does nothing.
    form.SetNotesOpener({});
    form.SetExportOpener({});
    form.SetDetailOpener({});
    form.SetImprintOpener({});
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    QCOMPARE(opened, QStringList{opener});
}

void TestMainWindow::firstShowingCentresAndRunsShowHandler() {
    TForm1 form(kNoIni);
    const MainControls ui(form);
    int imprints = 0;
    bool sizeAtImprint = false;
    form.SetImprintOpener([&] {
        ++imprints;
        sizeAtImprint = form.size() == QSize(519, 311);
    });
    form.move(0, 0);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(imprints, 1);
    QVERIFY(sizeAtImprint);
    const QRect available = form.screen()->availableGeometry();
    QVERIFY2(qAbs(form.geometry().center().x() - available.center().x()) <= 1 &&
                 qAbs(form.geometry().center().y() - available.center().y()) <= 1,
             qPrintable(QStringLiteral("%1,%2").arg(form.x()).arg(form.y())));
    // A later showing runs the show handler again but keeps the window's place.
    form.hide();
    form.move(7, 9);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(imprints, 2);
    QCOMPARE(form.pos(), QPoint(7, 9));

    // A window the placement restore has placed keeps that place: a first
    // window saves its place when it closes, the next one is put there.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    MessageRecorder messages; // a failed save would say so
    MainWindowSettings settings;
    settings.Placement.IniFileName = dir.filePath(QStringLiteral("kalvor.ini"));
    const QPoint place = available.topLeft() + QPoint(20, 30);
    {
        TForm1 first(settings);
        first.show();
        QVERIFY(QTest::qWaitForWindowExposed(&first));
        first.move(place);
        QTRY_COMPARE(first.pos(), place);
        first.close();
    }
    TForm1 restored(settings);
    restored.show();
    QVERIFY(QTest::qWaitForWindowExposed(&restored));
    QVERIFY(restored.FormPlacement().PlacementApplied());
    QCOMPARE(restored.pos(), place);
    QVERIFY(messages.messages.isEmpty());
}

void TestMainWindow::beendenClosesTheWindow() {
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    QSignalSpy closed(&form, &TForm1::closed);
    QTest::mouseClick(ui.Button2, Qt::LeftButton);
    QCOMPARE(closed.count(), 1);
    QVERIFY(!form.isVisible());
}

// -------------------------------------------------------------- single runs

void TestMainWindow::singleRun_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("aepInput");
    QTest::addColumn<QString>("fap");
    QTest::addColumn<QString>("aep");
    QTest::addColumn<QString>("kp");
    QTest::addColumn<QString>("avp");
    QTest::newRow("FAP 10") << "10" << false << "10.00"
                            << "11.25"
                            << "15.20"
                            << "21.20";
    QTest::newRow("FAP 10 trimmed") << " \t10 " << false << "10.00"
                                    << "11.25"
                                    << "15.20"
                                    << "21.20";
    QTest::newRow("FAP 12.5") << "12.5" << false << "12.50"
                              << "13.81"
                              << ""
                              << "";
    QTest::newRow("AEP 11.25") << "11.25" << true << ""
                               << "11.25"
                               << ""
                               << "";
}

void TestMainWindow::singleRun() {
    QFETCH(QString, input);
    QFETCH(bool, aepInput);
    QFETCH(QString, fap);
    QFETCH(QString, aep);
    QFETCH(QString, kp);
    QFETCH(QString, avp);
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::SetOptions(form, {.AepInput = aepInput});
    messages.messages.clear(); // the click computed the empty field
    ui.eFAPBASIS->setText(input);
    ui.eBis->setText(QStringLiteral("1")); // ignored in single mode
    ui.Edit1->setText(QString());
    ui.btBerechnen->click();
    QVERIFY(messages.messages.isEmpty());

    const double price = ParsePrice(tools::TrimControls(input).toStdString());
    const PriceResult result = CalcPrices(price, form.Options(), form.VatFactor());
    if (aepInput)
        QCOMPARE(ui.lbFAP->text(), QStringLiteral("       0.00"));
    else
        QCOMPARE(ui.lbFAP->text(), QString::fromStdString(FormatPrice(price)));
    QCOMPARE(ui.lbAEP->text(), QString::fromStdString(FormatPrice(result.aep)));
    QCOMPARE(ui.lbKP->text(), QString::fromStdString(FormatPrice(result.kp)));
    QCOMPARE(ui.lbAVP->text(), QString::fromStdString(FormatPrice(result.avp)));
    // The known prices of the tariff where the table gives them.
    for (auto [label, text] : {std::pair{ui.lbFAP, fap}, std::pair{ui.lbAEP, aep},
                               std::pair{ui.lbKP, kp}, std::pair{ui.lbAVP, avp}})
        if (!text.isEmpty())
            QCOMPARE(label->text().trimmed(), text);
    QCOMPARE(ui.lbFAP->text().size(), aepInput ? 11 : 10);
    // Single mode leaves the grid alone.
    QCOMPARE(form.GridModel().rowCountExact(), 1);
    QVERIFY(!QApplication::overrideCursor());
}

void TestMainWindow::singleRunRefusesPriceZero_data() {
    QTest::addColumn<bool>("aepInput");
    QTest::newRow("FAP") << false;
    QTest::newRow("AEP") << true;
}

void TestMainWindow::singleRunRefusesPriceZero() {
    QFETCH(bool, aepInput);
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::SetOptions(form, {.AepInput = aepInput});
    messages.messages.clear(); // the click computed the empty field already
    bool cursorBusyAtMessage = false;
    messages.onMessage = [&](const tools::Message&) {
        cursorBusyAtMessage = QApplication::overrideCursor() != nullptr;
    };
    form.RunCalculation(); // empty field, labels at "0.00": the price is 0
    const PriceResult refused = CalcPrices(0, form.Options(), form.VatFactor());
    QVERIFY(refused.refusal);
    QCOMPARE(messages.texts(), QStringList{QString::fromUtf8(refused.refusal)});
    QCOMPARE(messages.messages[0].kind, tools::MessageKind::Information);
    QVERIFY(cursorBusyAtMessage);
    // No results: the labels as at the start.
    for (QLabel* label : {ui.lbFAP, ui.lbAEP, ui.lbKP, ui.lbAVP})
        QCOMPARE(label->text(), kLabelStart);
    QVERIFY(!QApplication::overrideCursor());
}

void TestMainWindow::berechnenMovesFocusToBaseField() {
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    ui.eFAPBASIS->setText(QStringLiteral("10"));
    ui.edUST->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.edUST));
    form.RunCalculation(); // the run alone leaves the focus
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.edUST));
    form.btBerechnenClick();
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.eFAPBASIS));
}

// --------------------------------------------------------------- range runs

void TestMainWindow::rangeRun_data() {
    QTest::addColumn<QString>("von");
    QTest::addColumn<QString>("bis");
    QTest::addColumn<QString>("step");
    QTest::addColumn<bool>("aepInput");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::newRow("1..10 by 0.5") << "1"
                                  << "10"
                                  << "0.5" << false << 19 << "1.00"
                                  << "10.00";
    QTest::newRow("1..2 by 0.1") << "1"
                                 << "2"
                                 << "0.1" << false << 11 << "1.00"
                                 << "2.00";
    QTest::newRow("1..2 by 0.07") << "1"
                                  << "2"
                                  << "0.07" << false << 15 << "1.00"
                                  << "1.98";
    QTest::newRow("0.1..0.3 by 0.1") << "0.1"
                                     << "0.3"
                                     << "0.1" << false << 3 << "0.10"
                                     << "0.30";
    QTest::newRow("von equals bis") << "5"
                                    << "5"
                                    << "1" << false << 1 << "5.00"
                                    << "5.00";
    QTest::newRow("comma-free decimals") << "0.5"
                                         << "3"
                                         << "0.25" << false << 11 << "0.50"
                                         << "3.00";
    QTest::newRow("AEP input") << "1"
                               << "3"
                               << "1" << true << 3 << "0.00"
                               << "0.00";
    QTest::newRow("a long range") << "0.01"
                                  << "100"
                                  << "0.01" << false << 10000 << "0.01"
                                  << "100.00";
}

void TestMainWindow::rangeRun() {
    QFETCH(QString, von);
    QFETCH(QString, bis);
    QFETCH(QString, step);
    QFETCH(bool, aepInput);
    QFETCH(int, rows);
    QFETCH(QString, first);
    QFETCH(QString, last);
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    enterRange(form, von, bis, step);
    testkit::SetOptions(form, {.AepInput = aepInput});
    bool boxShownDuringRun = false;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, this,
            [&] { boxShownDuringRun |= ui.GroupBox2->isVisible(); });
    watcher.start(0);
    QTest::mouseClick(ui.btBerechnen, Qt::LeftButton);
    watcher.stop();
    QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.texts().join('|')));

    const std::int64_t v = centsOf(von);
    const std::int64_t b = centsOf(bis);
    const std::vector<Row> expected =
        expectedRange(v, b, centsOf(step), form.Options(), form.VatFactor());
    QCOMPARE(int(expected.size()), rows);
    compareGrid(form, expected);
    QCOMPARE(QString::fromStdString(std::string(form.GridModel().cellText(0, 0))).trimmed(), first);
    QCOMPARE(QString::fromStdString(std::string(form.GridModel().cellText(rows - 1, 0))).trimmed(),
             last);
    if (aepInput)
        QCOMPARE(form.GridModel().cellText(0, 0).size(), std::size_t(9));

    QVERIFY(boxShownDuringRun);
    QVERIFY(ui.GroupBox2->isHidden());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(ui.Gauge1->minimum(), GaugeCents(v));
    QCOMPARE(ui.Gauge1->maximum(), GaugeCents(b));
    // The labels of single mode stay as they were.
    QCOMPARE(ui.lbAVP->text(), QStringLiteral("            0.00"));
}

void TestMainWindow::rangeRunRefused_data() {
    QTest::addColumn<QString>("von");
    QTest::addColumn<QString>("bis");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus"); // the field that has the focus, its text selected
    const QString above = QString::fromUtf8(
        "Von-FAP darf nicht größer als Bis-FAP sein bzw. Felder dürfen nicht leer sein!");
    const QString empty = QString::fromUtf8("Felder dürfen nicht leer sein!");
    const QString notAPrice = QStringLiteral(
        "„%1“ ist kein Preis (Ziffern mit höchstens einem Dezimalpunkt oder -komma, ohne "
        "Vorzeichen).");
    auto row = [](const char* name, const QString& von, const QString& bis, const QString& step,
                  const QString& message, const char* focus) {
        QTest::newRow(name) << von << bis << step << message << focus;
    };
    row("empty bis", "3", "", "1", above, "eFAPBASIS");
    row("von above bis", "5", "3", "1", above, "eFAPBASIS");
    row("empty step", "1", "3", "", empty, "Edit1");
    row("step 0", "1", "3", "0.00", empty, "Edit1");
    row("minus in von", "-1", "3", "1", "Von: " + notAPrice.arg("-1"), "eFAPBASIS");
    row("three decimals in bis", "1", "3.005", "1",
        "Bis: „3.005“ hat mehr als zwei Nachkommastellen. Preise werden in ganzen Cent "
        "eingegeben.",
        "eBis");
    row("grouping in staffel", "1", "3", "1.000,5", "Staffel: " + notAPrice.arg("1.000,5"),
        "Edit1");
    // Bis shows letters as capitals.
    row("junk in bis", "1", "12x5", "1", "Bis: " + notAPrice.arg("12X5"), "eBis");
}

void TestMainWindow::rangeRunRefused() {
    QFETCH(QString, von);
    QFETCH(QString, bis);
    QFETCH(QString, step);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    // A grid from an earlier run must survive a refused run untouched.
    enterRange(form, QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("1"));
    form.RunCalculation();
    const auto before = form.GridModel().snapshot();

    enterRange(form, von, bis, step);
    ui.Edit1->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.Edit1));
    form.RunCalculation();
    QCOMPARE(messages.texts(), QStringList{message});
    QCOMPARE(messages.messages[0].caption, tools::ProgramTitle());
    auto* field = form.findChild<QLineEdit*>(focus);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(field));
    QCOMPARE(field->selectedText(), field->text()); // kept, selected for typing over
    QCOMPARE(form.GridModel().rowCountExact(), 3);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            QCOMPARE(form.GridModel().cellText(row, column), before->cellText(row, column));
    QVERIFY(ui.GroupBox2->isHidden());
    QVERIFY(!QApplication::overrideCursor());
}

// A refused single run leaves no results of an earlier one beside the input,
// nor their calculation path.
void TestMainWindow::singleRunRefusedShowsNoResults_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("selected"); // a refused field is selected, to be typed over
    QTest::newRow("three decimals")
        << "12.505"
        << "Fabriksabgabepreis: „12.505“ hat mehr als zwei Nachkommastellen. Preise werden in "
           "ganzen Cent eingegeben."
        << true;
    QTest::newRow("minus") << "-5"
                           << "Fabriksabgabepreis: „-5“ ist kein Preis (Ziffern mit höchstens "
                              "einem Dezimalpunkt oder -komma, ohne Vorzeichen)."
                           << true;
    QTest::newRow("too large for a label")
        << "60000000"
        << "FAP 60000000.00 paßt nicht in die Preisspalte (-999999.99 bis 9999999.99)" << false;
}

void TestMainWindow::singleRunRefusedShowsNoResults() {
    QFETCH(QString, input);
    QFETCH(QString, message);
    QFETCH(bool, selected);
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    ui.eFAPBASIS->setText(QStringLiteral("12.50"));
    form.btBerechnenClick();
    QCOMPARE(ui.lbAVP->text().trimmed(), QStringLiteral("26.05"));
    QVERIFY(!ui.lbAVP->toolTip().isEmpty());

    ui.eFAPBASIS->setText(input);
    form.btBerechnenClick();
    QCOMPARE(messages.texts(), QStringList{message});
    for (QLabel* label : {ui.lbFAP, ui.lbAEP, ui.lbKP, ui.lbAVP}) {
        QCOMPARE(label->text(), kLabelStart);
        QVERIFY(label->toolTip().isEmpty());
        QVERIFY(label->accessibleDescription().isEmpty());
    }
    QCOMPARE(ui.eFAPBASIS->text(), input);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.eFAPBASIS));
    if (selected)
        QCOMPARE(ui.eFAPBASIS->selectedText(), input);
}

void TestMainWindow::emptyVonFallsBackToResultLabel_data() {
    QTest::addColumn<bool>("aepInput");
    QTest::addColumn<QString>("vonText");
    QTest::newRow("FAP: lbFAP") << false << "";
    QTest::newRow("FAP: blanks only") << false << "   ";
    QTest::newRow("FAP: explicit zero") << false << "0.00";
    QTest::newRow("AEP: lbAEP") << true << "";
}

void TestMainWindow::emptyVonFallsBackToResultLabel() {
    QFETCH(bool, aepInput);
    QFETCH(QString, vonText);
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::SetOptions(form, {.AepInput = aepInput});
    messages.messages.clear(); // the click computed the empty field
    ui.eFAPBASIS->setText(QStringLiteral("12"));
    form.RunCalculation(); // single run: the labels show 12.00 or the AEP of 12
    const QLabel* source = aepInput ? ui.lbAEP : ui.lbFAP;
    const std::int64_t start = centsOf(source->text());
    QVERIFY(start > 0);

    form.ToggleMode();
    ui.eFAPBASIS->setText(vonText);
    ui.eBis->setText(QString::number(double(start + 200) / 100, 'f', 2));
    ui.Edit1->setText(QStringLiteral("1"));
    form.RunCalculation();
    QVERIFY(messages.messages.isEmpty());
    compareGrid(form, expectedRange(start, start + 200, 100, form.Options(), form.VatFactor()));

    // The same fallback in single mode recomputes the shown price.
    form.ToggleMode();
    ui.lbAVP->setText(QStringLiteral("x"));
    form.RunCalculation();
    QCOMPARE(ui.lbAVP->text(),
             QString::fromStdString(FormatPrice(
                 CalcPrices(double(start) / 100, form.Options(), form.VatFactor()).avp)));
}

void TestMainWindow::fieldsAreReadAsTyped() {
    // Every field is read trimmed, as the user sees it: "25.5 " is 25.50.
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    enterRange(form, QStringLiteral(" 24 "), QStringLiteral("25.5 "), QStringLiteral("\t1 "));
    form.RunCalculation();
    QVERIFY(messages.messages.isEmpty());
    compareGrid(form, expectedRange(2400, 2550, 100, form.Options(), form.VatFactor()));
    QCOMPARE(form.GridModel().rowCountExact(), 2);
}

void TestMainWindow::rowLimitStopsTheRun() {
    MessageRecorder messages;
    TForm1 form(testkit::NoIniWithRowLimit(100));
    const MainControls ui(form);
    enterRange(form, QStringLiteral("1"), QStringLiteral("1000"), QStringLiteral("1"));
    bool boxHiddenAtMessage = false;
    messages.onMessage = [&](const tools::Message&) {
        boxHiddenAtMessage = ui.GroupBox2->isHidden();
    };
    form.RunCalculation();
    QCOMPARE(messages.texts(), QStringList{QString::fromStdString(RowLimitText(100))});
    QVERIFY(boxHiddenAtMessage);
    compareGrid(form, expectedRange(100, 10000, 100, form.Options(), form.VatFactor()));
}

// ------------------------------------------- Abbruch, errors, re-entrancy

void TestMainWindow::abbruchKeepsWholeBlocks_data() {
    QTest::addColumn<int>("clickAfterRows");
    QTest::newRow("at the first row") << 0;
    QTest::newRow("after 40 rows") << 40;
    QTest::newRow("after 1000 rows") << 1000;
}

void TestMainWindow::abbruchKeepsWholeBlocks() {
    QFETCH(int, clickAfterRows);
    MessageRecorder messages;
    TForm1 form(testkit::NoIniWithRowLimit(200000)); // a safety net should the click be lost
    const MainControls ui(form);
    enterRange(form, QStringLiteral("1"), QStringLiteral("100000"), QStringLiteral("0.01"));
    testkit::ShowAndActivate(form);
    QTimer clicker;
    bool clicked = false;
    connect(&clicker, &QTimer::timeout, this, [&] {
        if (!clicked && ui.GroupBox2->isVisible() &&
            form.GridModel().rowCountExact() > clickAfterRows) {
            clicked = true;
            QVERIFY(ui.btverab->isVisible());
            QTest::mouseClick(ui.btverab, Qt::LeftButton);
        }
    });
    clicker.start(0);
    form.RunCalculation();
    clicker.stop();
    QVERIFY(clicked);
    QVERIFY(messages.messages.isEmpty());
    const int rows = form.GridModel().rowCountExact();
    QCOMPARE(rows % 15, 1);
    // The click is heard at the first event processing after it, which is at
    // the first row r = 15m whose growing grid (r + 2 rows) exceeds the mark.
    int expected = 0;
    while (expected + 2 <= clickAfterRows)
        expected += 15;
    QCOMPARE(rows, expected + 1);
    compareGrid(form, [&] {
        auto all = expectedRange(100, 100 + rows + 5, 1, form.Options(), form.VatFactor());
        all.resize(std::size_t(rows));
        return all;
    }());
    QVERIFY(ui.GroupBox2->isHidden());
    QVERIFY(!QApplication::overrideCursor());
    // The table knows it ends early: its export says so.
    QCOMPARE(form.GridModel().snapshot()->end(), TableEnd::Aborted);
    // A click outside a run is forgotten by the next one.
    form.btverabClick();
    enterRange(form, QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("1"));
    form.RunCalculation();
    QCOMPARE(form.GridModel().rowCountExact(), 3);
    QCOMPARE(form.GridModel().snapshot()->end(), TableEnd::Complete);
}

void TestMainWindow::engineErrorIsReportedOnceAndCleanedUp_data() {
    QTest::addColumn<bool>("range");
    QTest::addColumn<QString>("von");
    QTest::addColumn<QString>("bis");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("message"); // a pattern of the whole text
    // Amounts too large for a price cell are refused, never shown shortened.
    const QString tooLarge = QStringLiteral(" paßt nicht in die Preisspalte \\(-999999\\.99 bis "
                                            "9999999\\.99\\)$");
    QTest::newRow("range, first row")
        << true << "60000000"
        << "70000000"
        << "1000000" << QStringLiteral("^FAP 60000000\\.00") + tooLarge;
    QTest::newRow("single, FAP too large") << false << "60000000"
                                           << ""
                                           << "" << QStringLiteral("^FAP 60000000\\.00") + tooLarge;
    QTest::newRow("single, AVP too large")
        << false << "8000000"
        << ""
        << "" << QStringLiteral("^FAP 8000000\\.00: (KP|AVP) \\d{8}\\.\\d\\d") + tooLarge;
    QTest::newRow("range, later row too large")
        << true << "1000000"
        << "20000000"
        << "1000000"
        << QStringLiteral("^FAP [0-9]000000\\.00: (KP|AVP) \\d{8}\\.\\d\\d") + tooLarge;
}

void TestMainWindow::engineErrorIsReportedOnceAndCleanedUp() {
    QFETCH(bool, range);
    QFETCH(QString, von);
    QFETCH(QString, bis);
    QFETCH(QString, step);
    QFETCH(QString, message);
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    // Earlier results that must not be mistaken for this run's.
    ui.eFAPBASIS->setText(QStringLiteral("10"));
    form.RunCalculation();
    const QString avpBefore = ui.lbAVP->text();
    enterRange(form, QStringLiteral("1"), QStringLiteral("40"), QStringLiteral("1"));
    form.RunCalculation();
    if (!range)
        form.ToggleMode();

    bool cursorBackAtReport = false;
    bool boxHiddenAtReport = false;
    messages.onMessage = [&](const tools::Message&) {
        cursorBackAtReport = QApplication::overrideCursor() == nullptr;
        boxHiddenAtReport = ui.GroupBox2->isHidden();
    };
    if (range)
        enterRange(form, von, bis, step);
    else
        ui.eFAPBASIS->setText(von);
    form.RunCalculation();

    QCOMPARE(messages.messages.size(), 1);
    QCOMPARE(messages.messages[0].kind, tools::MessageKind::Error);
    QVERIFY2(QRegularExpression(message).match(messages.messages[0].text).hasMatch(),
             qPrintable(messages.messages[0].text));
    QVERIFY(cursorBackAtReport);
    QVERIFY(boxHiddenAtReport);
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(ui.GroupBox2->isHidden());
    QVERIFY(!form.IsCalculating());

    if (!range) {
        // No results beside input they do not belong to.
        QVERIFY(avpBefore != kLabelStart);
        QCOMPARE(ui.lbAVP->text(), kLabelStart);
        return;
    }
    // The rows computed before the error stay, and nothing else.
    std::vector<Row> written;
    for (std::int64_t cents = centsOf(von); cents <= centsOf(bis); cents += centsOf(step)) {
        const double price = double(cents) / 100;
        try {
            const PriceResult r = CalcPrices(price, form.Options(), form.VatFactor());
            if (!ShownPriceOf(price) || !ShownPriceOf(r.aep) || !ShownPriceOf(r.kp) ||
                !ShownPriceOf(r.avp))
                break;
            written.push_back(
                {FormatPrice(price), FormatPrice(r.aep), FormatPrice(r.kp), FormatPrice(r.avp)});
        } catch (const FloatError&) {
            break;
        }
    }
    if (written.empty()) {
        QCOMPARE(form.GridModel().rowCountExact(), 1);
        for (int column = 0; column < 4; ++column)
            QVERIFY(form.GridModel().cellText(0, column).empty());
    } else {
        QVERIFY(written.size() < 100); // the error came before the end
        compareGrid(form, written);
    }
    // The window goes on working.
    messages.messages.clear();
    enterRange(form, QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("1"));
    form.RunCalculation();
    QVERIFY(messages.messages.isEmpty());
    QCOMPARE(form.GridModel().rowCountExact(), 2);
}

void TestMainWindow::startDuringRangeRunRestarts_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("switch: RunCalculation") << "switch";
    QTest::newRow("VAT field: btBerechnenClick") << "vat";
    QTest::newRow("Berechnen button") << "button";
}

void TestMainWindow::startDuringRangeRunRestarts() {
    QFETCH(QString, how);
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    enterRange(form, QStringLiteral("1"), QStringLiteral("300"), QStringLiteral("0.01"));
    int nestedRowsBefore = -1;
    int nestedRowsAfter = -1;
    bool requested = false;
    QTimer trigger;
    connect(&trigger, &QTimer::timeout, this, [&] {
        if (requested || form.GridModel().rowCountExact() <= 100)
            return;
        requested = true;
        QVERIFY(form.IsCalculating());
        nestedRowsBefore = form.GridModel().rowCountExact();
        if (how == "switch") {
            QTest::mouseClick(ui.sbSG, Qt::LeftButton);
        } else if (how == "vat") {
            ui.edUST->setText(QStringLiteral("20"));
            QTest::keyClick(ui.edUST, Qt::Key_Return); // applied, then btBerechnenClick
        } else {
            QTest::mouseClick(ui.sbVet, Qt::LeftButton);
            QTest::mouseClick(ui.btBerechnen, Qt::LeftButton);
        }
        nestedRowsAfter = form.GridModel().rowCountExact();
    });
    trigger.start(0);
    form.RunCalculation();
    trigger.stop();
    QVERIFY(requested);
    // The request did not run a calculation inside the running one...
    QCOMPARE(nestedRowsAfter, nestedRowsBefore);
    QVERIFY(!form.IsCalculating());
    QVERIFY(how != "switch" || form.Options().Narcotic);
    QVERIFY(how != "vat" || form.VatFactor() == 1.2);
    QVERIFY(how != "button" || form.Options().Veterinary);
    // ...and the table is one whole run with the new settings.
    QVERIFY(messages.messages.isEmpty());
    compareGrid(form, expectedRange(100, 30000, 1, form.Options(), form.VatFactor()));
    QVERIFY(ui.GroupBox2->isHidden());
    QVERIFY(!QApplication::overrideCursor());
}

// The click on Abbruch takes the focus from the VAT field; leaving the field
// unchanged must not start the running range afresh instead of stopping it.
void TestMainWindow::abbruchWhileVatFieldHasFocus() {
    MessageRecorder messages;
    TForm1 form(testkit::NoIniWithRowLimit(5000));
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    enterRange(form, QStringLiteral("1"), QStringLiteral("100000"), QStringLiteral("0.01"));
    ui.edUST->setFocus(Qt::MouseFocusReason);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.edUST));
    QVERIFY(!form.VatEdited());
    bool clicked = false;
    QTimer clicker;
    connect(&clicker, &QTimer::timeout, this, [&] {
        if (!clicked && ui.GroupBox2->isVisible() && form.GridModel().rowCountExact() > 40) {
            clicked = true;
            QTest::mouseClick(ui.btverab, Qt::LeftButton);
        }
    });
    clicker.start(0);
    form.RunCalculation();
    clicker.stop();
    QVERIFY(clicked);
    QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.texts().join(u'|')));
    const int rows = form.GridModel().rowCountExact();
    QVERIFY2(rows < 100, qPrintable(QString::number(rows)));
    QCOMPARE(rows % 15, 1);
    QVERIFY(!form.IsCalculating());
}

// A switch clicked while the VAT field holds the focus: the run's message moves
// the focus to eFAPBASIS, which leaves the unchanged VAT field; that must not
// repeat the run and its message.
void TestMainWindow::rangeMessageOnceWhenVatFieldHasFocus() {
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    enterRange(form, QStringLiteral("5"), QStringLiteral("3"), QStringLiteral("1"));
    ui.edUST->setFocus(Qt::MouseFocusReason);
    QTest::mouseClick(ui.sbSG, Qt::LeftButton);
    QCOMPARE(messages.texts(),
             QStringList{QStringLiteral("Von-FAP darf nicht größer als Bis-FAP sein bzw. Felder "
                                        "dürfen nicht leer sein!")});
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.eFAPBASIS));
    QVERIFY(form.Options().Narcotic);
    // Leaving a changed VAT field during the run still applies it.
    messages.messages.clear();
    ui.edUST->setFocus(Qt::MouseFocusReason);
    ui.edUST->setText(QStringLiteral("20"));
    QTest::mouseClick(ui.sbSG, Qt::LeftButton);
    QCOMPARE(form.VatFactor(), 1.2);
    QVERIFY(!form.VatEdited());
    QCOMPARE(messages.messages.size(), 2); // the click's run, then the run with 20 %
}

void TestMainWindow::closingStopsARun() {
    MessageRecorder messages;
    TForm1 form(testkit::NoIniWithRowLimit(200000));
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    enterRange(form, QStringLiteral("1"), QStringLiteral("100000"), QStringLiteral("0.01"));
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&] {
        if (form.GridModel().rowCountExact() > 300 && form.isVisible()) {
            form.RunCalculation(); // a pending restart must not survive the close
            form.close();
        }
    });
    closer.start(0);
    form.RunCalculation();
    closer.stop();
    QVERIFY(!form.isVisible());
    const int rows = form.GridModel().rowCountExact();
    QVERIFY2(rows < 1000, qPrintable(QString::number(rows)));
    QCOMPARE(rows % 15, 1);
    QVERIFY(!QApplication::overrideCursor());
}

// "Normal" hides the progress box with its Abbruch: the run must not go on
// unseen and unstoppable. It stops as after Abbruch, keeping whole blocks.
void TestMainWindow::normalStopsARunFirst() {
    MessageRecorder messages;
    TForm1 form(testkit::NoIniWithRowLimit(200000));
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    enterRange(form, QStringLiteral("1"), QStringLiteral("100000"), QStringLiteral("0.01"));
    int rowsAtClick = -1;
    QTimer clicker;
    connect(&clicker, &QTimer::timeout, this, [&] {
        if (rowsAtClick < 0 && form.GridModel().rowCountExact() > 300) {
            rowsAtClick = form.GridModel().rowCountExact();
            QTest::mouseClick(ui.btErweitert, Qt::LeftButton); // "Normal"
        }
    });
    clicker.start(0);
    form.RunCalculation();
    clicker.stop();
    QVERIFY(rowsAtClick > 0);
    QVERIFY(!form.RangeMode());
    QVERIFY(!form.IsCalculating());
    const int rows = form.GridModel().rowCountExact();
    QVERIFY2(rows <= rowsAtClick + 15, qPrintable(QString::number(rows)));
    QCOMPARE(rows % 15, 1);
    QVERIFY(ui.GroupBox2->isHidden());
    QVERIFY(messages.messages.isEmpty());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(form.size(), QSize(519, 311));
}

void TestMainWindow::screenUpdatesAreCoalesced() {
    MessageRecorder messages;
    TForm1 form(kNoIni);
    const MainControls ui(form);
    testkit::ShowAndActivate(form);
    enterRange(form, QStringLiteral("0.01"), QStringLiteral("1500"), QStringLiteral("0.01"));
    QSignalSpy inserted(&form.GridModel(), &QAbstractItemModel::rowsInserted);
    int countTexts = 0;
    QString lastCount;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, this, [&] {
        if (ui.lbCount->text() != lastCount) {
            lastCount = ui.lbCount->text();
            ++countTexts;
        }
    });
    watcher.start(0);
    QElapsedTimer clock;
    clock.start();
    form.RunCalculation();
    const qint64 elapsed = clock.elapsed();
    watcher.stop();
    QCOMPARE(form.GridModel().rowCountExact(), 150000);
    // At most one update per 40 ms, plus the first and the final one.
    const qint64 allowed = elapsed / 40 + 3;
    QVERIFY2(inserted.count() <= allowed,
             qPrintable(QStringLiteral("%1 updates in %2 ms").arg(inserted.count()).arg(elapsed)));
    QVERIFY2(countTexts <= allowed, qPrintable(QString::number(countTexts)));
    QVERIFY(inserted.count() >= 1);
    // What was shown last is the last row that had its progress turn.
    const int lastTurn = (150000 - 1) / 15 * 15;
    QCOMPARE(ui.lbCount->text(), QString::number(lastTurn));
    QCOMPARE(ui.Gauge1->value(), 1 + lastTurn);
}

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
