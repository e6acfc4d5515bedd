// The detail window: the main window's result table in a taller window of its
// own, with an Export button and a close button. Each opening shows the main
// grid's texts as they are at that moment; the window computes nothing and
// changes nothing in the main window.
#pragma once

#include "settings/JvFormPlacement.h"

#include <QDialog>
#include <memory>

class QFrame;
class QKeyEvent;
class QLabel;
class QPushButton;
class QTableView;

namespace fapkalk {

class ResultGridModel;
class TForm1;

inline constexpr int kDetailWindowWidth = 527;
inline constexpr int kDetailDesignWidth = 521;
inline constexpr int kDetailDesignHeight = 640;
inline constexpr int kDetailHeaderHeight = 24;
inline constexpr int kDetailButtonBarHeight = 41;

// The resize rule: every size change is accepted, with the width replaced by 527.
bool DetailCanResize(int& newWidth, int& newHeight);

class TDetMore : public QDialog {
    Q_OBJECT

public:
    explicit TDetMore(QWidget* parent = nullptr);
    ~TDetMore() override;

    // The opening: row count, column widths and texts from the main grid. The
    // detail grid shares the main grid's row store as a snapshot (copy-on-write),
    // so this costs the same for a million rows as for one, and a later run in
    // the main window leaves the shown texts alone.
    void FillFrom(TForm1& form);
    // FillFrom, then shown modally; returns when the window has been closed.
    void ShowFor(TForm1& form);

    // ---- Controls.
    QFrame* Panel1 = nullptr; // header strip
    QLabel* Panel2 = nullptr; // "FAP"
    QLabel* Panel3 = nullptr; // "AEP"
    QLabel* Panel4 = nullptr; // "KP"
    QLabel* Panel5 = nullptr; // "AVP"
    QTableView* StringGrid1 = nullptr;
    QFrame* Panel6 = nullptr; // bottom bar
    QPushButton* btExport = nullptr;
    QPushButton* BitBtn1 = nullptr; // "&Schließen"

    // Position and size in section "detform" of kalvor.ini: restored at every
    // opening, saved at every closing. Created with the window; it always uses
    // the plain file name, whatever the command line says.
    std::unique_ptr<TJvFormPlacement> JvFormPlacement1;

    // The texts shown (a read-only view of the snapshot taken at the opening).
    const ResultGridModel& GridModel() const { return *model_; }
    // The main window of the last opening (null before the first).
    TForm1* Source() const { return source_; }

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
    TForm1* source_ = nullptr;
    bool shownBefore_ = false;
    bool centrePending_ = false;
    bool widthCorrectionQueued_ = false;
};

} // namespace fapkalk
