// The detail window: the main window's result table in a taller window of its
// own, with an Export button and a close button. Each opening shows the table
// it is given, as it was at that moment; the window computes nothing and
// changes nothing in the main window.
#pragma once

#include "settings/JvFormPlacement.h"
#include "ui/widgets/ResultTable.h"
#include "ui/widgets/UniformRowTableView.h"
#include "ui/widgets/Widgets.h"

#include <QDialog>
#include <functional>
#include <memory>

class QFrame;
class QKeyEvent;
class QLabel;
class QPushButton;

namespace fapkalk {

class ResultGridModel;

inline constexpr int kDetailWindowWidth = 527;
inline constexpr int kDetailDesignWidth = 521;
inline constexpr int kDetailDesignHeight = 640;
inline constexpr int kDetailHeaderHeight = 24;
inline constexpr int kDetailButtonBarHeight = 41;
inline constexpr LayoutEntry kDetMoreLayout[] = {
    {"Panel1", "DetMore", 0, 0, 0, kDetailHeaderHeight, Dock::Top}, // captions: AddColumnCaptions
    {"StringGrid1", "DetMore", 0, 0, 0, 0, Dock::Fill},
    {"Panel6", "DetMore", 0, 0, 0, kDetailButtonBarHeight, Dock::Bottom},
    {"btDrucken", "Panel6", 16, 8, 89, 25},
    {"btPdf", "Panel6", 112, 8, 140, 25},
    {"btExport", "Panel6", 304, 8, 89, 25},
    {"BitBtn1", "Panel6", 416, 8, 75, 25},
};

// The resize rule: every size change is accepted, with the width replaced by 527.
bool DetailCanResize(int& newWidth, int& newHeight);

class TDetMore : public QDialog {
    Q_OBJECT

public:
    explicit TDetMore(QWidget* parent = nullptr);
    ~TDetMore() override;

    // The opening: row count, column widths and texts of the table. The detail
    // grid shares the table's rows, a snapshot of the main grid (copy-on-write),
    // so this costs the same for a million rows as for one, and a later run in
    // the main window leaves the shown texts alone.
    void FillFrom(const ResultTable& table);
    // FillFrom, then shown modally; returns when the window has been closed.
    void ShowFor(const ResultTable& table);
    // What the Export button does: the start-up makes it the main window's
    // Export, which opens the export dialog above this window.
    void SetExportAction(std::function<void()> action) { exportAction_ = std::move(action); }

    // ---- Controls.
    QFrame* Panel1 = nullptr; // header strip
    QLabel* Panel2 = nullptr; // "FAP"
    QLabel* Panel3 = nullptr; // "AEP"
    QLabel* Panel4 = nullptr; // "KP"
    QLabel* Panel5 = nullptr; // "AVP"
    UniformRowTableView* StringGrid1 = nullptr;
    QFrame* Panel6 = nullptr; // bottom bar
    QPushButton* btExport = nullptr;
    QPushButton* BitBtn1 = nullptr;   // "&Schließen"
    QPushButton* btDrucken = nullptr; // "&Drucken…": the table on paper
    QPushButton* btPdf = nullptr;     // "Als &PDF speichern…"

    // Position and size in section "detform" of kalvor.ini: restored at every
    // opening, saved at every closing. Created with the window; it always uses
    // the plain file name, and the start-up switches it off for "/noini".
    std::unique_ptr<TJvFormPlacement> JvFormPlacement1;

    // The texts shown (a read-only view of the snapshot taken at the opening).
    const ResultGridModel& GridModel() const { return *model_; }

    // ---- Handlers.
    void FormShow();
    bool FormCanResize(int& newWidth, int& newHeight) const;
    void btExportClick();
    void BitBtn1Click();

    // Every size change the program makes goes through here and the rule.
    void ResizeWindow(int newWidth, int newHeight);

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Arrange();

    ResultGridModel* model_ = nullptr;
    ResultTable table_; // as given at the opening, for printing
    std::function<void()> exportAction_;
    settings::OpeningPlace opening_;
    bool widthCorrectionQueued_ = false;
};

} // namespace fapkalk
