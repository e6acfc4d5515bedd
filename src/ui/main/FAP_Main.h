// The main window: price inputs and switches at the top, the four result labels
// (single mode) or the result grid (extended mode) in the middle, the button bar
// and the status bar at the bottom. It owns the program-wide calculation state
// and runs every calculation (RunCalculation).
#pragma once

#include <memory>

#include "app/CommandLine.h"
#include "pricing/calc_run.h"
#include "pricing/engine.h"
#include "ui/main/ResultGrid.h"
#include "ui/main/RunRules.h"
#include "ui/main/Widgets.h"
#include "pricing/options/vat_field.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QWidget>
#include <functional>

class QFrame;
class QGroupBox;
class QLabel;
class QKeyEvent;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QTimer;
class TJvFormPlacement;

namespace fapkalk {

class TForm1 : public QWidget {
    Q_OBJECT

public:
    // arguments: the command line, the program itself first (evaluated once, here).
    explicit TForm1(const QStringList& arguments = QCoreApplication::arguments(),
                    QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- Controls, named as in the window's layout (also their objectName).
    QFrame* Panel1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QFrame* Bevel1 = nullptr;
    TImage* Image1 = nullptr;
    QLabel* lbvon = nullptr;
    QLineEdit* eFAPBASIS = nullptr;
    QLabel* lbBis = nullptr;
    QLineEdit* eBis = nullptr;
    QLabel* lbSteps = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* spFAPAEP = nullptr;
    TRadioGroup* rgRechenModi = nullptr;
    QFrame* Panel6 = nullptr;
    QLabel* labUst = nullptr;
    QLineEdit* edUST = nullptr;
    QPushButton* sbSG = nullptr;
    QPushButton* sbVet = nullptr;
    QPushButton* sbStern = nullptr;
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
    QTableView* StringGrid1 = nullptr;
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
    // The title-bar button. Its widget class lives with the imprint dialog; the
    // start-up creates it with this window as its owner and stores it here, and
    // connects its click to JvCaptionButton1Click. Null until then.
    QWidget* JvCaptionButton1 = nullptr;

    // ---- Program-wide calculation state.
    CalcOptions Options;
    double VatFactor = kDefaultVatFactor;
    bool VatEdited = false;
    bool RangeMode = false;
    bool AbortRequested = false;
    // From the command line, for the window-placement component.
    PlacementSettings Placement;
    // Set by the placement restore when it has placed the window before its first
    // showing; the window then does not centre itself.
    bool PlacementRestored = false;
    // Keeps the window's place in the settings file (section formpara).
    std::unique_ptr<TJvFormPlacement> JvFormPlacement1;
    // The most rows one range run writes (lowered by tests).
    int MaxRangeRows = kMaxRangeRows;

    // ---- The result grid's texts (see ResultGrid.h for the API).
    ResultGridModel& GridModel() { return *gridModel_; }
    const ResultGridModel& GridModel() const { return *gridModel_; }

    // ---- Handlers and operations.
    void ToggleMode();
    void btErweitertClick();
    // The resize rule for this window's current mode (newWidth always becomes 527).
    bool FormCanResize(int& newWidth, int& newHeight) const;
    // Every size change the program makes goes through here and the rule.
    void ResizeWindow(int newWidth, int newHeight);
    void Timer1Timer();

    // The calculation run. A call made while a run is under way (from the events
    // it processes) does not nest: the running range stops as by Abbruch, and
    // the new run starts, with the fields and switches as they are then, as soon
    // as the current one has returned.
    void RunCalculation();
    void btBerechnenClick(); // RunCalculation, then the focus to eFAPBASIS
    void btverabClick();
    bool IsCalculating() const { return running_; }

    // ---- Calculation switches, VAT field and price fields (InputWiring.cpp).
    // The caption colour of a switch button is its state; every click runs the
    // calculation at once and leaves the focus where it was.
    void ToggleSwitch(QPushButton* button);
    void ClearSwitch(QPushButton* button);
    void sbSGClick();
    void sbVetClick();
    void sbSternClick();
    void rgRechenModiClick(); // the user selected an item
    void spFAPAEPClick();
    void edUSTChange();
    void edUSTExit();
    void edUSTKeyPress(char32_t& key);
    void ApplyVatRate();
    // Key handlers of the price fields: key is the typed character; they may
    // change it, or set it to 0 to suppress it. Enter navigates.
    void eFAPBASISKeyPress(char32_t& key);
    void lbBisKeyPress(char32_t& key);
    void Edit1KeyPress(char32_t& key);

    // The other windows are created after this one; the start-up attaches their
    // openers here (each shows its window modally). Unset openers do nothing.
    std::function<void()> ShowImprint; // imprint dialog: at show, logo, title-bar button
    std::function<void()> ShowNotes;   // notes dialog: btHinweise
    std::function<void()> ShowExport;  // export dialog: btExport
    std::function<void()> ShowDetail;  // detail window: btDetMore ("+")

    void btHinweiseClick();
    void Image1Click();
    void JvCaptionButton1Click();
    void btExportClick();
    void BitBtn1Click();
    void Button2Click();

    // The window's own show handler (runs before the window becomes visible):
    // opens the imprint dialog.
    void FormShow();

signals:
    // The window has closed; the program ends.
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    void FormCreate(const QStringList& arguments);
    void ArrangeDocked();
    void ApplySizeConstraints();
    void SetLabelText(QLabel* label, const QString& text);
    // The calculation-path tool tip of lbAEP, lbKP and lbAVP (empty: none).
    void SetResultToolTips(const QString& toolTip);

    void RunOnce();
    void RunSingle(double von);
    void RunRange(double von, double bis, double step);
    void ShowProgress(int row, double price);
    static constexpr int kProgressIntervalMs = 40; // at most 25 screen updates a second
    void FinishRange(int rowsWritten);

    ResultGridModel* gridModel_ = nullptr;
    bool firstShowDone_ = false;
    bool running_ = false;
    bool restartPending_ = false;
    bool closing_ = false;
    // Set while a range loop writes rows: how many it has completed.
    bool rangeActive_ = false;
    int rangeRowsWritten_ = 0;
    QElapsedTimer progressClock_;

    void WireInputs();
    void ShowSwitchState(QPushButton* button);
    void ShowVatBackground();
    void CarryOutVat(const VatOutcome& outcome);
    bool PriceFieldKeyPress(QLineEdit* field, QKeyEvent* event);
    VatField vatField_;
    bool applyingVat_ = false;
};

} // namespace fapkalk
