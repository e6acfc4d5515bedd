// The export dialog: file name, layout and header-block choice; OK writes the
// main window's result grid to the file. Created once at start-up and only
// shown and hidden, so its three choices carry over from one opening to the
// next (they are stored nowhere).
#pragma once

#include "pricing/file_writer.h"
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

class TForm1;
class TRadioGroup;

class TdlgFAP_EXPORT : public QDialog {
    Q_OBJECT

public:
    explicit TdlgFAP_EXPORT(QWidget* parent = nullptr);

    // Shows the dialog modally for the given main window, whose grid, fields
    // and switches an OK exports. The result is always "cancel" (Rejected);
    // the opener does not look at it.
    int ExecFor(TForm1& form);

    // ---- Controls, in tab order.
    QPushButton* CancelBtn = nullptr;
    QLineEdit* Edit1 = nullptr; // the file name
    QPushButton* Button1 = nullptr;
    TRadioGroup* RadioGroup2 = nullptr; // 0 fixed position, 1 XLS
    QCheckBox* cbMeta = nullptr;        // header block on or off
    QLabel* Label1 = nullptr;           // "Dateiname:"

    // ---- Handlers.
    // Writes the file (the main window as it stands now), reports the outcome
    // and closes the dialog.
    void Button1Click();
    // key is the typed character; Enter (13) runs Button1Click.
    void Edit1KeyPress(char16_t& key);
    void CancelBtnClick();

    // The main window the next OK exports (set by ExecFor).
    void SetSource(TForm1* form) { source_ = form; }
    TForm1* Source() const { return source_; }

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
    TForm1* source_ = nullptr;
    bool centrePending_ = false;
    // Where the dialog was when it was last hidden; none before the first showing.
    std::optional<QPoint> lastPosition_;
};

} // namespace fapkalk
