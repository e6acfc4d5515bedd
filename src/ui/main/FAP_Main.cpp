#include "ui/main/FAP_Main.h"

#include "pricing/calc_run.h"
#include "pricing/numbers.h"
#include "pricing/price_rows.h"
#include "pricing/text_rules.h"
#include "publisher.h"
#include "settings/JvFormPlacement.h"
#include "tools/messages.h"
#include "tools/tools.h"
#include "ui/main/CalcPathHint.h"
#include "ui/main/KeyboardRules.h"
#include "ui/main/MainLayout.h"
#include "ui/main/RangeRun.h"
#include "ui/main/ResultPanelMenu.h"
#include "ui/main/RunRules.h"
#include "ui/output/PrintJobs.h"
#include "ui/widgets/Accessibility.h"
#include "ui/widgets/ResultGrid.h"
#include "ui/widgets/Widgets.h"
#include "ui/widgets/artwork.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QTimer>
#include <algorithm>
#include <new>
#include <stdexcept>
#include <string>

namespace fapkalk {
namespace {

const QColor kBlackColor(0, 0, 0);
const QColor kRedColor(255, 0, 0);
const QColor kLimeColor(0, 255, 0);

const QString kLabelStart = QStringLiteral("            0.00");

const QString kTitle =
    QStringLiteral("FAP-Kalkulation nach der Österreichischen Arzneitaxe 2012 - ");

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

template <class W> W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QFont& font) {
    auto* label = named(new QLabel(text, parent), name);
    label->setFont(font);
    setTextColor(label, kBlackColor);
    return label;
}

QLineEdit* makeEdit(QWidget* parent, const char* name, const QString& hint) {
    auto* edit = named(new QLineEdit(parent), name);
    edit->setFont(PixelFont(kSansSerif, 13));
    setTextColor(edit, kRedColor);
    edit->setToolTip(hint);
    return edit;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const QFont& font, const QString& hint = {}) {
    auto* button = named(new QPushButton(caption, parent), name);
    button->setFont(font);
    button->setAutoDefault(false);
    if (!hint.isEmpty())
        button->setToolTip(hint);
    return button;
}

// Push buttons that never take the focus and don't stay down; the caption's
// colour shows the switch state.
TSpeedButton* makeSpeedButton(QWidget* parent, const char* name, const QString& caption,
                              const QFont& font, const QString& hint) {
    auto* button = named(new TSpeedButton(caption, parent), name);
    button->setFont(font);
    button->setToolTip(hint);
    SetCaptionColour(button, kBlackColor);
    return button;
}

QFrame* makePanel(QWidget* parent, const char* name, QFrame::Shadow shadow) {
    auto* panel = named(new QFrame(parent), name);
    panel->setFrameStyle(QFrame::Panel | shadow);
    panel->setLineWidth(1);
    return panel;
}

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

} // namespace

TForm1::TForm1(const MainWindowSettings& settings, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      settings_(settings) {
    RegisterFontSubstitutions();
    setObjectName(QStringLiteral("Form1"));
    setFont(PixelFont(kSansSerif, 11));
    setWindowIcon(ProgramIcon());
    gridModel_ = new ResultGridModel(this);
    BuildControls();
    FormCreate();
    WireInputs();
    NameControlsFromHints(this);
}

TForm1::~TForm1() {
    if (JvFormPlacement1)
        JvFormPlacement1->FormDestroy();
    // A run still under way (only possible if the window is destroyed from the
    // events a run processes) must stop and start nothing more.
    runState_.WindowClosed();
}

void TForm1::BuildControls() {
    const QFont labelFont = PixelFont(kSansSerif, 13, true);
    const QFont arialBold = PixelFont(kArial, 13, true);
    const QFont resultCaptionFont = PixelFont(kArial, 16);
    const QFont resultFont = PixelFont(kSansSerif, 16, true);

    // Panel1 only carries the parts above the status bar; a frame of its own
    // would leave them a band narrower and lower than they add up to.
    Panel1 = named(new QFrame(this), "Panel1");

    // ---- The input group.
    GroupBox1 = named(new TGroupBox(Panel1), "GroupBox1");
    GroupBox1->setFont(labelFont);
    Bevel1 = named(new QFrame(GroupBox1), "Bevel1");
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Image1 = named(new ClickLabel(ClickLabel::Kind::Picture, GroupBox1), "Image1");
    Image1->setPixmap(PublisherLogo());
    // "Impresum" here and "Berechung", "Homöophatische" and "Kasssenzeichen" in
    // the hints below are spelt as the program has always shown them; they stay.
    Image1->setToolTip(QStringLiteral("Impresum"));
    lbvon = makeLabel(GroupBox1, "lbvon", QStringLiteral("Fabriksabgabepreis:"), labelFont);
    eFAPBASIS =
        makeEdit(GroupBox1, "eFAPBASIS", QStringLiteral("Hier muß der FAP eingegeben werden."));
    lbBis = makeLabel(GroupBox1, "lbBis", QStringLiteral("Bis:"), labelFont);
    eBis = makeEdit(GroupBox1, "eBis",
                    QStringLiteral("Hier wird der FAP eingegeben, zu dem berechnet werden soll."));
    lbSteps = makeLabel(GroupBox1, "lbSteps", QStringLiteral("Staffel:"), labelFont);
    Edit1 = makeEdit(GroupBox1, "Edit1",
                     QStringLiteral("Geben Sie bitte die Staffelung (z.B.: 0.50, 1.0, 2,10 ein!"));
    Edit1->setText(QStringLiteral("1"));
    // Alt+F: the button had no key of its own. The mode items have none
    // either: "S" and "H" belong to Suchtgift and Hinweise (Qt activates
    // neither of two controls that share a key), and Tab and the arrow keys
    // reach the items.
    spFAPAEP = makeSpeedButton(GroupBox1, "spFAPAEP", QStringLiteral("&FAP/AEP"), labelFont,
                               QStringLiteral("Umschalten zwischen FAP und AEP-Berechung"));
    rgRechenModi = named(new TRadioGroup({QStringLiteral("Standardberechnung"),
                                          QStringLiteral("Homöop. Arzneispez.")},
                                         3, GroupBox1),
                         "rgRechenModi");
    rgRechenModi->setFont(PixelFont(kSansSerif, 13));
    rgRechenModi->setItemIndex(0);
    Panel6 = named(new QFrame(GroupBox1), "Panel6");
    Panel6->setFrameStyle(QFrame::NoFrame);
    labUst = makeLabel(Panel6, "labUst", QStringLiteral("&USt %:"), labelFont);
    edUST = named(new QLineEdit(QStringLiteral("10"), Panel6), "edUST");
    edUST->setMaxLength(2);
    edUST->setFont(labelFont);
    {
        QPalette palette = edUST->palette();
        palette.setColor(QPalette::Text, kBlackColor);
        edUST->setPalette(palette);
    }
    sbSG = makeSpeedButton(
        GroupBox1, "sbSG", QStringLiteral("&Suchtgift"), arialBold,
        QStringLiteral("Suchtgiftzuschlag (Kassenpreis 55 Cent, Verkaufspreis 55 Cent)"));
    sbVet = makeSpeedButton(
        GroupBox1, "sbVet", QStringLiteral("&Veterinär / Hom. Ansatz"), arialBold,
        QStringLiteral("Veterinär (VT,VTW,VN,VNW) oder Homöophatische Preisansätze"));
    sbStern = makeSpeedButton(
        GroupBox1, "sbStern", QStringLiteral("(*) nicht &kassenzulässig"), arialBold,
        QStringLiteral("Bei Artikeln, die als nicht kassenzulässig gekennzeichnet sind \n"
                       "(Kasssenzeichen = *), wird eine andere Kalkulation herangezogen."));

    // ---- Single-mode results.
    PanelEinzel = makePanel(Panel1, "PanelEinzel", QFrame::Sunken);
    Label1 = makeLabel(PanelEinzel, "Label1", fromView(kFapCaption), resultCaptionFont);
    Label4 = makeLabel(PanelEinzel, "Label4", fromView(kAepCaption), resultCaptionFont);
    Label5 = makeLabel(PanelEinzel, "Label5", fromView(kKpCaption), resultCaptionFont);
    Label6 = makeLabel(PanelEinzel, "Label6", fromView(kAvpCaption), resultCaptionFont);
    // Named for screen readers by the column they show; the price is the value.
    // Both texts at the top, so each value shares its caption's baseline.
    auto resultLabel = [&](const char* name, const char* caption, QLabel* captionLabel) {
        auto* label =
            named(new ValueLabel(QString::fromLatin1(caption), kLabelStart, PanelEinzel), name);
        captionLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setAlignment(Qt::AlignRight | Qt::AlignTop);
        label->setFont(resultFont);
        setTextColor(label, kRedColor);
        return label;
    };
    lbFAP = resultLabel("lbFAP", "FAP", Label1);
    lbAEP = resultLabel("lbAEP", "AEP", Label4);
    lbKP = resultLabel("lbKP", "KP", Label5);
    lbAVP = resultLabel("lbAVP", "AVP", Label6);
    QMenu* panelMenu = AttachResultPanelMenu(PanelEinzel, [this] { ZielpreisClick(); });
    WireResultDesk(panelMenu);
    AddSheetPrintEntries(panelMenu, PanelEinzel, [this] { return shownSingle_; });

    // ---- Extended-mode results: column headers, grid and progress box.
    StafelPanel = makePanel(Panel1, "StafelPanel", QFrame::Raised);
    Panelfapaepkpavp = makePanel(StafelPanel, "Panelfapaepkpavp", QFrame::Raised);
    const auto captions = AddColumnCaptions(Panelfapaepkpavp, 1);
    Panel2 = captions[0];
    Panel3 = captions[1];
    Panel4 = captions[2];
    Panel5 = captions[3];

    StringGrid1 = named(new UniformRowTableView(StafelPanel), "StringGrid1");
    StringGrid1->setModel(gridModel_);
    SetUpResultGridView(StringGrid1);
    AttachTablePrintMenu(StringGrid1, [this] { return Table(); });

    GroupBox2 = named(new QGroupBox(StafelPanel), "GroupBox2");
    GroupBox2->setAutoFillBackground(true);
    Label2 = makeLabel(GroupBox2, "Label2", QStringLiteral("Verarbeitung läuft"),
                       PixelFont(kSansSerif, 19));
    lbCount =
        makeLabel(GroupBox2, "lbCount", QStringLiteral("        0"), PixelFont(kSansSerif, 19));
    Gauge1 = named(new QProgressBar(GroupBox2), "Gauge1");
    Gauge1->setOrientation(Qt::Horizontal);
    Gauge1->setTextVisible(true);
    Gauge1->setFormat(QStringLiteral("%p%"));
    Gauge1->setAlignment(Qt::AlignCenter);
    Gauge1->setFont(PixelFont(kSansSerif, 11));
    Gauge1->setStyleSheet(QStringLiteral(
        "QProgressBar { border: 1px solid gray; background: white; color: rgb(255,0,0); }"
        "QProgressBar::chunk { background-color: rgb(0,0,255); }"));
    btverab = makeButton(GroupBox2, "btverab", QStringLiteral("Abbruch"), labelFont);
    GroupBox2->hide();

    // ---- The button bar.
    Panel8 = makePanel(Panel1, "Panel8", QFrame::Raised);
    btBerechnen = makeButton(Panel8, "btBerechnen", QStringLiteral("&Berechnen"), labelFont,
                             QStringLiteral("Berechnen"));
    // All buttons of the bar share one font, so they line up.
    btErweitert = makeButton(Panel8, "btErweitert", QStringLiteral("E&rweitert"), labelFont);
    btHinweise = makeButton(Panel8, "btHinweise", QStringLiteral("&Hinweise"), labelFont);
    btExport = makeButton(Panel8, "btExport", QStringLiteral("E&xport"), labelFont,
                          QStringLiteral("Ausgabe auf Textdatei im ASCII oder Excel-Format"));
    Button2 = makeButton(Panel8, "Button2", QStringLiteral("B&eenden"), labelFont,
                         QStringLiteral("Programmende"));
    btDetMore =
        makeButton(Panel8, "btDetMore", QStringLiteral("+"), PixelFont(kSansSerif, 19, true));
    setTextColor(btDetMore, kLimeColor);

    // ---- Status bar and clock.
    StatusBar1 = named(new TStatusBar({{92, Qt::AlignLeft},
                                       {270, Qt::AlignLeft},
                                       {60, Qt::AlignHCenter},
                                       {70, Qt::AlignHCenter}},
                                      this),
                       "StatusBar1");
    StatusBar1->setPanelText(1, QString::fromUtf8(publisher::Name));
    StatusBar1->setPanelText(2, QStringLiteral("12:00:00"));
    StatusBar1->setPanelText(3, QStringLiteral("01.01.2000"));
    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(1000);
    PlaceControls(*this, kMainLayout);
    rgRechenModi->arrange();

    // ---- Buddies, once the labels have their size: labUst's key focuses
    // edUST, and the price fields take the text of the label beside them as
    // their name (it follows the mode). Accessible names where no caption
    // names the control.
    labUst->setBuddy(edUST);
    lbvon->setBuddy(eFAPBASIS);
    lbBis->setBuddy(eBis);
    lbSteps->setBuddy(Edit1);
    Gauge1->setAccessibleName(QStringLiteral("Fortschritt"));
    StatusBar1->setAccessibleName(QStringLiteral("Statusleiste"));

    // ---- Keyboard: the Tab order, and keys for what has no caption to carry one.
    ApplyTabChain(this, MainTabChain());
    btverab->setShortcut(kAbortKey); // a button's key acts only while it is visible
    auto* imprintKey = new QShortcut(kImprintKey, this);
    connect(imprintKey, &QShortcut::activated, this, [this] { Image1Click(); });

    connect(btBerechnen, &QPushButton::clicked, this, [this] { btBerechnenClick(); });
    connect(btErweitert, &QPushButton::clicked, this, [this] { btErweitertClick(); });
    connect(btverab, &QPushButton::clicked, this, [this] { btverabClick(); });
    connect(btHinweise, &QPushButton::clicked, this, [this] { btHinweiseClick(); });
    connect(btExport, &QPushButton::clicked, this, [this] { btExportClick(); });
    connect(btDetMore, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Image1, &ClickLabel::clicked, this, [this] { Image1Click(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

void TForm1::FormCreate() {
    // 1. Title.
    setWindowTitle(kTitle + QString::fromUtf8(publisher::Name));
    // 2. The placement component restores before the window's own show handler
    // and saves when it closes; the command line, evaluated by the start-up,
    // may have switched it off or redirected it.
    JvFormPlacement1 = std::make_unique<TJvFormPlacement>(this, QStringLiteral("formpara"));
    JvFormPlacement1->IsMainForm = true;
    JvFormPlacement1->Active = settings_.Placement.Active;
    JvFormPlacement1->IniFileName = settings_.Placement.IniFileName;
    // 3. Version panel (Panel6 has no caption of its own to empty).
    StatusBar1->setPanelText(0, QStringLiteral("4.2-00/2012"));
    // 4. The VAT field starts applied at 10 %, on lime.
    ShowVatBackground();
    // 5. Start in single mode.
    rangeMode_ = true;
    ToggleMode();
    // 6. Price label.
    SetLabelText(lbvon, QStringLiteral("Fabriksabgabepreis:"));
    // 7. The design size; the window isn't shown yet, so the resize rule doesn't apply.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(kMainWindowWidth, kSingleModeHeight);
    ApplySizeConstraints();
    // 8. Progress box, 9. single-mode panel: placed from the layout table.
    // 10. Columns as wide as the header panels above them.
    for (int column = 0; column < RowStore::kColumns; ++column)
        StringGrid1->setColumnWidth(column, kGridColumnWidth);
    // 11. All switches off, FAP input.
    ShowSwitchStates();

    ArrangeDocked();
    Timer1->start();
}

void TForm1::SetLabelText(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

void TForm1::SetResultHints(const ResultLabelHints& hints) {
    for (QLabel* label : {lbAEP, lbKP, lbAVP}) {
        label->setToolTip(hints.toolTip);
        label->setAccessibleDescription(hints.description);
    }
}

void TForm1::ToggleMode() {
    // A range run under way stops first: the mode it computes for goes, and
    // with it the Abbruch button. (Its rows so far stay, as after Abbruch.)
    if (runState_.UnderWay())
        runState_.Abort();
    // The calculation path belongs to a single run just shown; after a mode
    // change the labels are no longer that run's answer on screen.
    SetResultHints({});
    GroupBox1->setTitle(QString());
    if (rangeMode_) {
        SetLabelText(lbvon, Options().AepInput ? QStringLiteral("Einkaufspreis:")
                                               : QStringLiteral("Fabriksabgabepreis:"));
        btErweitert->setText(QStringLiteral("E&rweitert"));
        eFAPBASIS->move(FindEntry(kMainLayout, "eFAPBASIS").left, eFAPBASIS->y());
        for (QWidget* widget : {static_cast<QWidget*>(btDetMore), static_cast<QWidget*>(lbBis),
                                static_cast<QWidget*>(lbSteps), static_cast<QWidget*>(eBis),
                                static_cast<QWidget*>(Edit1), static_cast<QWidget*>(StafelPanel)})
            widget->hide();
        PanelEinzel->show();
        btExport->hide();
        // Still in extended mode, so the resize rule lets the height through.
        ResizeWindow(width(), kSingleModeHeight);
        rangeMode_ = false;
    } else {
        GroupBox1->setTitle(Options().AepInput ? QStringLiteral("Apothekeneinkaufspreis:")
                                               : QStringLiteral("Fabriksabgabepreis:"));
        SetLabelText(lbvon, QStringLiteral("Von"));
        btErweitert->setText(QStringLiteral("No&rmal"));
        eFAPBASIS->move(88, eFAPBASIS->y());
        for (QWidget* widget : {static_cast<QWidget*>(btDetMore), static_cast<QWidget*>(lbBis),
                                static_cast<QWidget*>(lbSteps), static_cast<QWidget*>(eBis),
                                static_cast<QWidget*>(Edit1), static_cast<QWidget*>(btExport),
                                static_cast<QWidget*>(StafelPanel)})
            widget->show();
        PanelEinzel->hide();
        rangeMode_ = true;
    }
    ApplySizeConstraints();
}

void TForm1::btErweitertClick() {
    ToggleMode();
    eFAPBASIS->setFocus();
}

bool TForm1::FormCanResize(int& newWidth, int& newHeight) const {
    return fapkalk::FormCanResize(rangeMode_, newWidth, newHeight);
}

void TForm1::ResizeWindow(int newWidth, int newHeight) {
    if (!FormCanResize(newWidth, newHeight))
        return;
    setMinimumSize(newWidth, std::min(newHeight, kMinExtendedHeight));
    setMaximumSize(newWidth, QWIDGETSIZE_MAX);
    resize(newWidth, std::max(newHeight, kMinExtendedHeight));
    ApplySizeConstraints();
    ArrangeDocked();
}

void TForm1::ApplySizeConstraints() {
    // Qt applies these to every size change, the user's included: the window
    // manager gets them as hints, and resize() clamps to them.
    if (rangeMode_) {
        setMinimumSize(kMainWindowWidth, kMinExtendedHeight);
        setMaximumSize(kMainWindowWidth, QWIDGETSIZE_MAX);
    } else {
        setFixedSize(kMainWindowWidth, height());
    }
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ArrangeDocked();
}

void TForm1::ArrangeDocked() {
    constexpr int headerHeight = FindEntry(kMainLayout, "Panelfapaepkpavp").height;
    // Called directly as well as from resizeEvent: a window that isn't shown yet
    // gets its resize events only when it is.
    StatusBar1->setGeometry(0, height() - kStatusBarHeight, width(), kStatusBarHeight);
    StatusBar1->arrange();
    Panel1->setGeometry(0, 0, width(), std::max(0, height() - kStatusBarHeight));
    const QRect inner = Panel1->contentsRect();
    GroupBox1->setGeometry(inner.left(), inner.top(), inner.width(), kGroupHeight);
    Panel8->setGeometry(inner.left(), inner.bottom() + 1 - kButtonBarHeight, inner.width(),
                        kButtonBarHeight);
    const int resultsTop = inner.top() + kGroupHeight;
    StafelPanel->setGeometry(inner.left(), resultsTop, inner.width(),
                             std::max(0, Panel8->y() - resultsTop));
    const QRect results = StafelPanel->contentsRect();
    Panelfapaepkpavp->setGeometry(results.left(), results.top(), results.width(), headerHeight);
    StringGrid1->setGeometry(results.left(), results.top() + headerHeight, results.width(),
                             std::max(0, results.height() - headerHeight));
    GroupBox2->raise();
}

void TForm1::Timer1Timer() {
    StatusBar1->setPanelText(3, StatusTimeText(QTime::currentTime()));
    StatusBar1->setPanelText(2, StatusDateText(QDate::currentDate()));
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return; // coming back from minimized is no new showing
    runState_.WindowShown();
    FormShow();
    opening_.Shown(*this, JvFormPlacement1->PlacementApplied());
}

void TForm1::FormShow() {
    if (openers_.imprint)
        openers_.imprint();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A range run in progress stops; nothing more is started.
    runState_.WindowClosed();
    QWidget::closeEvent(event);
    if (!event->isAccepted())
        return;
    // The window is hidden next, and its placement saved then; a message of
    // that save must stay on screen until the user has read it, so the
    // program may end only after the hiding.
    if (isHidden())
        emit closed();
    else
        closing_ = true;
}

void TForm1::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (closing_ && !event->spontaneous()) {
        closing_ = false;
        emit closed();
    }
}

void TForm1::Button2Click() {
    close();
}

void TForm1::btHinweiseClick() {
    if (openers_.notes)
        openers_.notes();
}

void TForm1::Image1Click() {
    if (openers_.imprint)
        openers_.imprint();
}

void TForm1::JvCaptionButton1Click() {
    if (openers_.imprint)
        openers_.imprint();
}

void TForm1::btExportClick() {
    if (openers_.exportDialog)
        openers_.exportDialog(Table());
}

void TForm1::BitBtn1Click() {
    if (openers_.detail)
        openers_.detail(Table());
}

// The price the dialog gives is taken and computed at once, so the panel shows
// the target it was asked for.
void TForm1::ZielpreisClick() {
    if (!openers_.targetPrice)
        return;
    // A rate typed into the VAT field is applied on leaving it, as for any
    // other control: the dialog answers for the rate Berechnen then uses.
    if (VatEdited())
        eFAPBASIS->setFocus();
    const std::optional<std::string> price = openers_.targetPrice(Options(), VatFactor());
    if (!price)
        return;
    eFAPBASIS->setText(QString::fromStdString(*price));
    btBerechnenClick();
}

ResultTable TForm1::Table() const {
    ResultTable table;
    table.rows = gridModel_->snapshot();
    for (int column = 0; column < RowStore::kColumns; ++column)
        table.columnWidths[std::size_t(column)] = StringGrid1->columnWidth(column);
    table.criteria = {eFAPBASIS->text().toStdString(), eBis->text().toStdString(),
                      Edit1->text().toStdString(), Options(), VatFactor()};
    return table;
}

// ------------------------------------------------------------ calculation run

void TForm1::btBerechnenClick() {
    RunCalculation();
    // A field the run refused keeps the focus, to be typed over.
    if (refusedField_)
        return;
    if (focusWidget() == eFAPBASIS)
        eFAPBASIS->setFocus();
    else
        SelectForTyping(eFAPBASIS);
}

void TForm1::SelectForTyping(QLineEdit* field) {
    // The focus-in event selects the text too, but after a message box it comes
    // as the window's reactivation, which leaves the caret where it was.
    field->setFocus();
    field->selectAll();
}

void TForm1::btverabClick() {
    runState_.Abort();
}

void TForm1::RunCalculation() {
    if (!runState_.Request())
        return;
    do
        RunOnce();
    while (runState_.PassDone());
}

void TForm1::RunOnce() {
    tools::BusyCursorOn();
    // The busy cursor processed pending events: they may have asked for a new
    // run or closed the window already.
    if (runState_.PassSuperseded()) {
        tools::BusyCursorOff();
        return;
    }
    refusedField_ = nullptr;
    QString failure;
    try {
        const std::string base = eFAPBASIS->text().toStdString();
        const std::string bis = eBis->text().toStdString();
        const std::string staffel = Edit1->text().toStdString();
        const std::string shown = (Options().AepInput ? lbAEP : lbFAP)->text().toStdString();
        const RunInput input = ReadRunInput({base, bis, staffel, shown, rangeMode_});
        if (input.refused)
            RefuseField(input);
        else if (rangeMode_)
            RunRange(input.von, input.bis, input.step);
        else
            RunSingle(input.von);
    } catch (const std::bad_alloc&) {
        failure = QStringLiteral("Nicht genügend Arbeitsspeicher.");
    } catch (const std::exception& error) {
        failure = QString::fromUtf8(error.what());
    } catch (...) {
        failure = QStringLiteral("Unbekannter Fehler.");
    }
    // A single run that fails leaves no results beside input they do not
    // belong to.
    if (!failure.isNull() && !rangeMode_)
        ShowNoResults();
    tools::BusyCursorOff();
    // The run is abandoned: its rows so far stay as the result, and the
    // progress box and the cursor are put right before the report.
    if (!failure.isNull())
        tools::ReportException(this, std::runtime_error(failure.toStdString()));
}

void TForm1::ShowNoResults() {
    shownSingle_.reset();
    SetResultHints({});
    shownResult_.reset();
    for (QLabel* label : {lbFAP, lbAEP, lbKP, lbAVP}) {
        label->setText(kLabelStart);
        AnnounceValueChange(label);
    }
}

void TForm1::RefuseField(const RunInput& input) {
    const PriceField which = *input.refused;
    QLineEdit* field = which == PriceField::Base  ? eFAPBASIS
                       : which == PriceField::Bis ? eBis
                                                  : Edit1;
    refusedField_ = field;
    if (!rangeMode_)
        ShowNoResults();
    tools::ShowMessage(
        this, fromStd(PriceTextMessage(PriceFieldName(which, rangeMode_, Options().AepInput),
                                       input.refusedText, input.problem)));
    SelectForTyping(field);
}

void TForm1::RunSingle(std::int64_t cents) {
    // Until this run has its answer on screen, no older path may be shown.
    SetResultHints({});
    shownSingle_.reset();
    const CalcOptions options = Options();
    const double vatFactor = VatFactor();
    const double von = static_cast<double>(cents) / 100.0;
    const PriceResult result = CalcPrices(von, options, vatFactor);
    if (result.refusal) {
        ShowNoResults();
        tools::ShowMessage(this, QString::fromUtf8(result.refusal));
        return;
    }
    // An amount too large for its label is refused, never cut: AmountTooLarge
    // takes the run's error path.
    const RowCells cells = CellsOf(von, result, options);
    lbFAP->setText(fromStd(FapLabelText(von, options)));
    lbAEP->setText(fromStd(FormatPrice(result.aep)));
    lbKP->setText(fromStd(FormatPrice(result.kp)));
    lbAVP->setText(fromStd(FormatPrice(result.avp)));
    for (QLabel* label : {lbFAP, lbAEP, lbKP, lbAVP})
        AnnounceValueChange(label);
    SetResultHints(ResultLabelHintsFor(von, result, options, vatFactor));
    RecordSingle(cents, cells);
    shownSingle_ = {von, std::string(TrimLowCodes(FormatPrice(von))), options, vatFactor};
}

void TForm1::RunRange(std::int64_t von, std::int64_t bis, std::int64_t step) {
    const RangeCheck check = CheckRange(von, bis, step);
    if (check != RangeCheck::Ok) {
        tools::ShowMessage(this, fromView(RangeCheckText(check)));
        // The field that has the focus now, or gets it, is ready to be typed
        // over: a message box in between is no mouse click.
        QWidget* focus = check == RangeCheck::VonAboveBis ? eFAPBASIS : focusWidget();
        for (QLineEdit* field : {eFAPBASIS, eBis, Edit1})
            if (focus == field)
                SelectForTyping(field);
        return;
    }
    // One table, one option set: a switch changed while the run processes
    // events restarts the run instead of changing the rows still to come.
    const int maxRows = settings_.MaxRangeRows();
    RangeRun run(*gridModel_, {this, GroupBox2, lbCount, Gauge1}, runState_, maxRows);
    const RangeRun::Outcome outcome = run.Run(von, bis, step, Options(), VatFactor());
    if (outcome.limitReached)
        tools::ShowMessage(this, fromStd(RowLimitText(maxRows)));
}

} // namespace fapkalk
