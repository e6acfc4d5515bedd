// The main window: price inputs and switches at the top, the four result labels
// (single mode) or the result grid (extended mode) in the middle, the button bar
// and the status bar at the bottom. It owns the program-wide calculation state
// and runs every calculation (RunCalculation). The decisions are made by plain
// objects it holds: the switch rules, the VAT field, the price key filter and
// the run state; the window carries out what they say.
//
// The controls keep the names of the window's layout, also as their objectName;
// tests and assistive technology find them by it.
#pragma once

#include "pricing/calc_run.h"
#include "pricing/options/switch_rules.h"
#include "pricing/options/vat_field.h"
#include "pricing/price_rows.h"
#include "pricing/print_text.h"
#include "settings/JvFormPlacement.h"
#include "settings/history_file.h"
#include "ui/main/MainWindowSettings.h"
#include "ui/main/RunState.h"
#include "ui/widgets/ResultTable.h"
#include "ui/widgets/UniformRowTableView.h"

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTimer;

namespace fapkalk {

class ResultGridModel;
class ClickLabel;
class TRadioGroup;
class TGroupBox;
class TSpeedButton;
struct ResultLabelHints;
class TStatusBar;
class TdlgFAP_Verlauf;

// The other windows the main window opens; each shows its window modally.
struct MainWindowOpeners {
    std::function<void()> imprint;                        // at show, logo, title-bar button
    std::function<void()> notes;                          // btHinweise
    std::function<void(const ResultTable&)> exportDialog; // btExport
    std::function<void(const ResultTable&)> detail;       // btDetMore ("+")
    // "Zielpreis…" in the result panel's menu: for these switches and VAT
    // factor, the price to take into the price field, or nothing.
    std::function<std::optional<std::string>(const CalcOptions&, double)> targetPrice;
};

class TForm1 : public QWidget {
    Q_OBJECT

public:
    explicit TForm1(const MainWindowSettings& settings = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- The calculation state; only the window's controls change it.
    const CalcOptions& Options() const { return switches_.Options(); }
    double VatFactor() const { return vatField_.Factor(); }
    bool VatEdited() const { return vatField_.Edited(); }
    bool RangeMode() const { return rangeMode_; }
    bool IsCalculating() const { return runState_.UnderWay(); }

    // The result grid's texts (ResultGrid.h); only the calculation run writes them.
    const ResultGridModel& GridModel() const { return *gridModel_; }
    // The result table with the criteria as they stand now: what the export
    // dialog and the detail window are given.
    ResultTable Table() const;

    // The placement component (section formpara), set up from the settings.
    const TJvFormPlacement& FormPlacement() const { return *JvFormPlacement1; }

    // ---- The other windows are created after this one; the start-up attaches
    // their openers here. An opener not attached does nothing.
    void SetImprintOpener(std::function<void()> open) { openers_.imprint = std::move(open); }
    void SetNotesOpener(std::function<void()> open) { openers_.notes = std::move(open); }
    void SetExportOpener(std::function<void(const ResultTable&)> open) {
        openers_.exportDialog = std::move(open);
    }
    void SetDetailOpener(std::function<void(const ResultTable&)> open) {
        openers_.detail = std::move(open);
    }
    void SetTargetPriceOpener(
        std::function<std::optional<std::string>(const CalcOptions&, double)> open) {
        openers_.targetPrice = std::move(open);
    }
    const MainWindowOpeners& Openers() const { return openers_; }

    // ---- Operations.
    // Switches between single and extended mode; computes and clears nothing.
    void ToggleMode();
    // Every size change the program makes goes through here and the resize rule.
    void ResizeWindow(int newWidth, int newHeight);
    // The status-bar clock.
    void Timer1Timer();
    // The calculation run; the focus stays where it is. Asked for while a run
    // is under way (from the events it processes), it does not nest: the
    // running one stops as by Abbruch, and a new one starts, with the fields
    // and switches as they are then, as soon as the current one has returned.
    void RunCalculation();
    // RunCalculation, then the focus to eFAPBASIS.
    void btBerechnenClick();
    // Abbruch: the range run under way stops after its current block of rows.
    void btverabClick();
    // Export: opens the export dialog for the table as it stands (also what the
    // detail window's Export button does).
    void btExportClick();
    // The title-bar button (created by the start-up, a child of this window).
    void JvCaptionButton1Click();
    // "Preise kopieren" (and Ctrl+C in single mode): the single result on the
    // clipboard (ResultCopy.h). False when no prices are shown.
    bool CopyResultClick();
    // "Verlauf…": the history window, modal.
    void VerlaufClick();
    // Takes a history entry's input, switches and VAT rate into single mode
    // and computes it.
    void RecalculateEntry(const history::HistoryEntry& entry);
    // The history of this run (kept on disk unless "/noini").
    history::HistoryBook& History();
    // The history window, once VerlaufClick has made it.
    TdlgFAP_Verlauf* VerlaufWindow() const { return verlauf_; }

signals:
    // The window has closed and is hidden (its placement saved); the program ends.
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // ---- Creation and layout (FAP_Main.cpp).
    void BuildControls();
    void FormCreate();
    void ArrangeDocked();
    void ApplySizeConstraints();
    bool FormCanResize(int& newWidth, int& newHeight) const;
    void SetLabelText(QLabel* label, const QString& text);
    // The calculation path of lbAEP, lbKP and lbAVP, as tool tip and as
    // accessible description (empty: none).
    void SetResultHints(const ResultLabelHints& hints);
    void FormShow();
    void btErweitertClick();
    void btHinweiseClick();
    void Image1Click();
    void BitBtn1Click();
    void Button2Click();
    void ZielpreisClick();
    // ---- The result panel's copy and history (ResultDesk.cpp).
    void WireResultDesk(QMenu* panelMenu);
    void RecordSingle(std::int64_t cents, const RowCells& cells);
    // A short note in the status bar, also told to assistive technology.
    void ShowStatusNote(const QString& text);

    // ---- The calculation run (FAP_Main.cpp).
    void RunOnce();
    void RunSingle(std::int64_t cents);
    void RunRange(std::int64_t von, std::int64_t bis, std::int64_t step);
    // A field holds no price: the message names it, the field keeps its text,
    // selected, with the focus.
    void RefuseField(const RunInput& input);
    // The single-mode labels as at the start, without a calculation path: a
    // refused or failed run leaves no results beside input they do not
    // belong to.
    void ShowNoResults();
    // Gives the field the focus with its whole text selected, so typing
    // replaces it.
    void SelectForTyping(QLineEdit* field);

    // ---- Switches, VAT field and price fields (InputWiring.cpp).
    void WireInputs();
    void CarryOutSwitches(RunStart run);
    void ShowSwitchStates();
    void sbSGClick();
    void sbVetClick();
    void sbSternClick();
    void rgRechenModiClick(); // the user selected an item
    void spFAPAEPClick();
    void edUSTChange();
    void edUSTExit();
    void edUSTKeyPress(char32_t key);
    VatAnswer AskVatQuestion(const std::string& question);
    void CarryOutVat(const VatOutcome& outcome);
    void ShowVatBackground();
    // Key handlers of the price fields: key is the typed character; they may
    // change it, or set it to 0 to suppress it. Enter navigates.
    void eFAPBASISKeyPress(char32_t& key);
    void lbBisKeyPress(char32_t& key);
    void Edit1KeyPress(char32_t& key);
    bool PriceFieldKeyPress(QLineEdit* field, QKeyEvent* event);

    // ---- Controls, named as in the window's layout (also their objectName).
    QFrame* Panel1 = nullptr;
    TGroupBox* GroupBox1 = nullptr;
    QFrame* Bevel1 = nullptr;
    ClickLabel* Image1 = nullptr;
    QLabel* lbvon = nullptr;
    QLineEdit* eFAPBASIS = nullptr;
    QLabel* lbBis = nullptr;
    QLineEdit* eBis = nullptr;
    QLabel* lbSteps = nullptr;
    QLineEdit* Edit1 = nullptr;
    TSpeedButton* spFAPAEP = nullptr;
    TRadioGroup* rgRechenModi = nullptr;
    QFrame* Panel6 = nullptr;
    QLabel* labUst = nullptr;
    QLineEdit* edUST = nullptr;
    TSpeedButton* sbSG = nullptr;
    TSpeedButton* sbVet = nullptr;
    TSpeedButton* sbStern = nullptr;
    QFrame* PanelEinzel = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* lbFAP = nullptr;
    QLabel* lbAEP = nullptr;
    QLabel* lbKP = nullptr;
    QLabel* lbAVP = nullptr;
    QFrame* StafelPanel = nullptr;
    QFrame* Panelfapaepkpavp = nullptr;
    QLabel* Panel2 = nullptr;
    QLabel* Panel3 = nullptr;
    QLabel* Panel4 = nullptr;
    QLabel* Panel5 = nullptr;
    UniformRowTableView* StringGrid1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lbCount = nullptr;
    QProgressBar* Gauge1 = nullptr;
    QPushButton* btverab = nullptr;
    QFrame* Panel8 = nullptr;
    QPushButton* btBerechnen = nullptr;
    QPushButton* btErweitert = nullptr;
    QPushButton* btHinweise = nullptr;
    QPushButton* btExport = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* btDetMore = nullptr;
    TStatusBar* StatusBar1 = nullptr;
    QTimer* Timer1 = nullptr;
    // Keeps the window's place in the settings file (section formpara).
    std::unique_ptr<TJvFormPlacement> JvFormPlacement1;

    // ---- State.
    const MainWindowSettings settings_;
    SwitchRules switches_;
    VatField vatField_;
    bool rangeMode_ = false;
    RunState runState_;
    ResultGridModel* gridModel_ = nullptr;
    MainWindowOpeners openers_;
    settings::OpeningPlace opening_;
    QLineEdit* refusedField_ = nullptr;            // the field the last run refused, if any
    bool closing_ = false;                         // closed, about to be hidden
    std::optional<SingleCalculation> shownSingle_; // what the result labels show
    // The single result on screen, for copying; none while the labels show
    // no prices.
    std::optional<RowCells> shownResult_;
    std::optional<history::HistoryBook> history_; // made on first use
    TdlgFAP_Verlauf* verlauf_ = nullptr;
    QTimer* statusNoteTimer_ = nullptr;
};

} // namespace fapkalk
