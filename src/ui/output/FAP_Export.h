// The export dialog: file name, layout and header-block choice; OK writes the
// result table it was opened for to the file. Created once at start-up and
// only shown and hidden, so its three choices carry over from one opening to
// the next (they are stored nowhere).
#pragma once

#include "pricing/file_writer.h"
#include "ui/main/ResultTable.h"

#include <QDialog>
#include <QPoint>
#include <optional>

class QCheckBox;
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

    // ---- Controls, in tab order.
    QPushButton* CancelBtn = nullptr;
    QLineEdit* Edit1 = nullptr; // the file name
    QPushButton* Button1 = nullptr;
    TRadioGroup* RadioGroup2 = nullptr; // 0 fixed position, 1 XLS
    QCheckBox* cbMeta = nullptr;        // header block on or off
    QLabel* Label1 = nullptr;           // "Dateiname:"

    // ---- Handlers.
    // Writes the table's file, reports the outcome and closes the dialog; a
    // failure is reported with its reason and leaves the dialog open. Before
    // the dialog was first given a table it only closes.
    void Button1Click();
    // key is the typed character; Enter (13) runs Button1Click.
    void Edit1KeyPress(char16_t& key);
    void CancelBtnClick();

    // The table the next OK writes (set by ExecFor).
    void SetTable(ResultTable table) { table_ = std::move(table); }

    // Seam for tests: replaces the system's write(2) in the file writer, so a
    // full disk or an interrupted write can be produced on demand. Empty: the
    // real call.
    SafeFileWriter::WriteFunction WriteHook;

    static constexpr int kClientWidth = 237;
    static constexpr int kClientHeight = 186;

    void setVisible(bool visible) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    std::optional<ResultTable> table_;
    bool centrePending_ = false;
    // Where the dialog was when it was last hidden; none before the first showing.
    std::optional<QPoint> lastPosition_;
};

} // namespace fapkalk
