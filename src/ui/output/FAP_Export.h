// The export dialog: file name, layout and header-block choice; OK writes the
// result table it was opened for to the file. Created once at start-up and
// only shown and hidden, so its three choices carry over from one opening to
// the next (they are stored nowhere).
#pragma once

#include "platform/file_writer.h"
#include "settings/JvFormPlacement.h"
#include "ui/widgets/ResultTable.h"
#include "ui/widgets/Widgets.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QFileDialog;
class QKeyEvent;
class QShowEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace fapkalk {

class TRadioGroup;

class TdlgFAP_EXPORT : public QDialog {
    Q_OBJECT

public:
    explicit TdlgFAP_EXPORT(QWidget* parent = nullptr);

    // Shows the dialog modally for the main window's result table (rows and
    // criteria as they stand when it opens; the main window cannot change
    // while the dialog is open). The result is always "cancel" (Rejected); the
    // opener does not look at it.
    int ExecFor(const ResultTable& table);

    // ---- Controls. The Tab order runs top to bottom, left to right:
    // RadioGroup2, cbMeta, Edit1, btBrowse, Button1, CancelBtn.
    QPushButton* CancelBtn = nullptr;
    QLineEdit* Edit1 = nullptr; // the file name; its tool tip is the whole path
    QPushButton* Button1 = nullptr;
    QPushButton* btBrowse = nullptr;    // "D&urchsuchen…": a file dialog fills Edit1
    TRadioGroup* RadioGroup2 = nullptr; // 0 fixed position, 1 XLS
    QCheckBox* cbMeta = nullptr;        // header block on or off
    QLabel* Label1 = nullptr;           // "&Dateiname:", Alt+D goes to Edit1

    // ---- Handlers.
    // Writes the table's file, reports the outcome and closes the dialog; a
    // failure is reported with its reason and leaves the dialog open. Before
    // the dialog was first given a table it only closes.
    void Button1Click();
    // key is the typed character; Enter (13) runs Button1Click.
    void Edit1KeyPress(char16_t& key);
    void CancelBtnClick();
    // Opens the file dialog in the folder of the name in Edit1 (or the current
    // folder); the file chosen there goes into Edit1. Nothing is written.
    void btBrowseClick();
    // The file dialog btBrowse opens: Qt's own rather than the desktop's, so
    // it behaves alike everywhere and tests can drive it; null before its
    // first opening.
    QFileDialog* FileDialog() const { return fileDialog_; }

    // The table the next OK writes (set by ExecFor).
    void SetTable(ResultTable table) { table_ = std::move(table); }

    // Seam for tests: replaces the system's write(2) in the file writer, so a
    // full disk or an interrupted write can be produced on demand. Empty: the
    // real call.
    SafeFileWriter::WriteFunction WriteHook;

    // Wide enough for a file name with its folder and the Durchsuchen button.
    static constexpr int kClientWidth = 377;
    static constexpr int kClientHeight = 186;

    void setVisible(bool visible) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    std::optional<ResultTable> table_;
    QFileDialog* fileDialog_ = nullptr;
    settings::OpeningPlace opening_;
};

// What the dialog gained in width over its first layout goes to the file
// name; the OK and Abbrechen buttons stay centred beneath.
inline constexpr int kExportShift = (TdlgFAP_EXPORT::kClientWidth - 237) / 2;
inline constexpr LayoutEntry kExportLayout[] = {
    {"RadioGroup2", "dlgFAP_EXPORT", 0, 0, TdlgFAP_EXPORT::kClientWidth - 4, 65},
    {"cbMeta", "dlgFAP_EXPORT", 8, 72, 201, 17},
    {"Label1", "dlgFAP_EXPORT", 8, 120, kFitContent, kFitContent},
    {"Edit1", "dlgFAP_EXPORT", 96, 120, 182, 21},
    {"btBrowse", "dlgFAP_EXPORT", 284, 118, 85, 25},
    {"Button1", "dlgFAP_EXPORT", 40 + kExportShift, 156, 75, 25},
    {"CancelBtn", "dlgFAP_EXPORT", 127 + kExportShift, 156, 75, 25},
};

} // namespace fapkalk
