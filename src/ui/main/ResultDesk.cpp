// The result panel's desk work: copying the single result, keeping every
// single calculation in the history, and the history window's way back into
// the main window.
#include "pricing/margins.h"
#include "pricing/price_text.h"
#include "publisher.h"
#include "tools/messages.h"
#include "ui/dialogs/FAP_Verlauf.h"
#include "ui/main/FAP_Main.h"
#include "ui/main/SwitchLook.h"
#include "ui/widgets/Accessibility.h"
#include "ui/widgets/ResultCopy.h"
#include "ui/widgets/Widgets.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <ctime>

namespace fapkalk {

namespace {

// The status bar's panel that a note takes for a while.
constexpr int kNotePanel = 1;
constexpr int kNoteMilliseconds = 4000;

} // namespace

void TForm1::WireResultDesk(QMenu* panelMenu) {
    QAction* copy = panelMenu->addAction(QStringLiteral("Preise &kopieren"));
    copy->setObjectName(QStringLiteral("miPreiseKopieren"));
    copy->setShortcut(QKeySequence::Copy); // shown in the menu; the key is taken below
    copy->setShortcutVisibleInContextMenu(true);
    connect(copy, &QAction::triggered, this, [this] { CopyResultClick(); });
    QAction* history = panelMenu->addAction(QStringLiteral("&Verlauf…"));
    history->setObjectName(QStringLiteral("miVerlauf"));
    connect(history, &QAction::triggered, this, [this] { VerlaufClick(); });
    connect(panelMenu, &QMenu::aboutToShow, this,
            [this, copy] { copy->setEnabled(shownResult_.has_value()); });

    // In single mode Ctrl+C with nothing selected in the price field copies
    // the prices shown below it.
    const auto copyKey = [this] { return !rangeMode_ && CopyResultClick(); };
    InstallResultCopyKey(eFAPBASIS, copyKey);
    InstallResultCopyKey(PanelEinzel, copyKey);

    statusNoteTimer_ = new QTimer(this);
    statusNoteTimer_->setSingleShot(true);
    statusNoteTimer_->setInterval(kNoteMilliseconds);
    connect(statusNoteTimer_, &QTimer::timeout, this,
            [this] { StatusBar1->setPanelText(kNotePanel, QString::fromUtf8(publisher::Name)); });
}

void TForm1::ShowStatusNote(const QString& text) {
    StatusBar1->setPanelText(kNotePanel, text);
    // Qt 6.4 has no announcement event; the changed name of the status panel
    // is what a screen reader can be told.
    if (QLabel* panel = StatusBar1->panelLabel(kNotePanel)) {
        QAccessibleEvent changed(panel, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
    statusNoteTimer_->start();
}

bool TForm1::CopyResultClick() {
    if (!shownResult_ || !CopyPrices(*shownResult_))
        return false;
    ShowStatusNote(QStringLiteral("Preise kopiert"));
    return true;
}

history::HistoryBook& TForm1::History() {
    if (!history_) {
        std::string folder;
        if (settings_.Placement.Active)
            folder = history::HistoryFolderFor(qgetenv("XDG_DATA_HOME").toStdString(),
                                               qgetenv("HOME").toStdString());
        history_.emplace(std::move(folder));
        const std::string problem = history_->Load(std::time(nullptr));
        if (!problem.empty())
            tools::ShowMessage(this, QString::fromStdString(problem));
    }
    return *history_;
}

void TForm1::RecordSingle(std::int64_t cents, const RowCells& cells) {
    shownResult_ = cells;
    const auto rate = WholeVatRateOf(VatFactor());
    if (!rate)
        return;
    history::HistoryEntry entry;
    entry.moment = std::time(nullptr);
    entry.inputCents = cents;
    entry.options = Options();
    entry.vatRate = *rate;
    entry.fapCents = cells.fapPlaceholder ? 0 : std::int64_t(cells.fap.cents);
    entry.aepCents = std::int64_t(cells.aep.cents);
    entry.kpCents = std::int64_t(cells.kp.cents);
    entry.avpCents = std::int64_t(cells.avp.cents);
    // A negative or oversized amount is no calculation the history keeps.
    if (cells.fap.negative || cells.aep.negative || !history::IsWritable(entry))
        return;
    const std::string problem = History().Add(entry);
    if (!problem.empty())
        tools::ShowError(this, QString::fromStdString(problem));
    if (verlauf_ != nullptr && verlauf_->isVisible())
        verlauf_->Refill();
}

void TForm1::VerlaufClick() {
    history::HistoryBook& book = History();
    if (verlauf_ == nullptr)
        verlauf_ = new TdlgFAP_Verlauf(
            book, [this](const history::HistoryEntry& entry) { RecalculateEntry(entry); }, this);
    verlauf_->Open();
}

void TForm1::RecalculateEntry(const history::HistoryEntry& entry) {
    if (rangeMode_)
        ToggleMode();
    // The switches as the window's rules set them, without a run for each.
    const CalcOptions& want = entry.options;
    if (Options().Homeopathic != want.Homeopathic) {
        rgRechenModi->setItemIndex(want.Homeopathic ? 1 : 0);
        switches_.ChooseMode(want.Homeopathic);
    }
    // Veterinary and NotReimbursable clear each other: the one to go off first.
    for (int pass = 0; pass < 2; ++pass) {
        if (Options().Narcotic != want.Narcotic)
            switches_.ToggleNarcotic();
        if (Options().Veterinary && !want.Veterinary)
            switches_.ToggleVeterinary();
        if (Options().NotReimbursable && !want.NotReimbursable)
            switches_.ToggleNotReimbursable();
        if (!Options().Veterinary && want.Veterinary)
            switches_.ToggleVeterinary();
        if (!Options().NotReimbursable && want.NotReimbursable)
            switches_.ToggleNotReimbursable();
    }
    if (Options().AepInput != want.AepInput) {
        switches_.ToggleAepInput();
        const FapAepCaptions captions = CaptionsForInput(Options().AepInput, rangeMode_);
        GroupBox1->setTitle(captions.groupCaption);
        if (captions.priceLabel)
            SetLabelText(lbvon, *captions.priceLabel);
    }
    ShowSwitchStates();
    // The rate was confirmed when the entry was made: it is put in force
    // without the question, and the one run below computes with it.
    if (WholeVatRateOf(VatFactor()) != entry.vatRate) {
        edUST->setText(QString::number(entry.vatRate));
        vatField_.ApplyVatRate([](const std::string&) { return VatAnswer::Yes; },
                               [this](const VatOutcome& outcome) {
                                   VatOutcome quiet = outcome;
                                   quiet.run = RunStart::None;
                                   quiet.selectAllAndFocus = false;
                                   CarryOutVat(quiet);
                               });
    }
    eFAPBASIS->setText(QString::fromStdString(AmountText(entry.inputCents)));
    btBerechnenClick();
}

} // namespace fapkalk
