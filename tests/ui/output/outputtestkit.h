// Shared pieces of the export and detail-window tests: a recorder for the
// message boxes, a main window in extended mode, result tables made by hand,
// file helpers, and a way to act inside a modal loop.
#pragma once

#include "tools/messages.h"
#include "ui/widgets/ResultTable.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace fapkalk {
class TForm1;
}

namespace testkit {

// Records every message box while alive and answers it with OK.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    const QList<tools::Message>& messages() const { return messages_; }
    QStringList texts() const;
    void clear() { messages_.clear(); }

private:
    QList<tools::Message> messages_;
    tools::MessageHandler previous_;
};

// A main window in extended mode, nothing shown, its openers unset.
std::unique_ptr<fapkalk::TForm1> MakeMainWindow();

// A result table of a range run as the main window's grid keeps it: count
// rows of the running sum from von by step under options, VAT 10 % (count 0:
// the one empty row of a grid before any run), with these criteria.
fapkalk::ResultTable TableOfRun(double von, double step, int count,
                                const fapkalk::CalcOptions& options = {},
                                const fapkalk::TableCriteria& criteria = {});
// n rows from 0.01 in steps of 0.01, no switches.
fapkalk::ResultTable TableWithPrices(int n);

// Runs a range in the main window through its calculation run.
void RunRange(fapkalk::TForm1& form, const QString& von, const QString& bis,
              const QString& staffel);

QByteArray ReadFile(const QString& path);
bool WriteFile(const QString& path, const QByteArray& bytes);

// The bytes of lines in file form (CR LF after each).
QByteArray FileBytes(const QList<QByteArray>& lines);
// The lines of a file's bytes; false when a line does not end with CR LF.
bool SplitFileLines(const QByteArray& bytes, QList<QByteArray>& lines);

// Runs action from the event loop as soon as window is visible (polling, so it
// works from inside the modal loop that shows it). If the window is still
// visible timeoutMs after the action, onTimeout runs (to close it, so a broken
// test ends instead of hanging).
void WhenVisible(QWidget* window, std::function<void()> action,
                 std::function<void()> onTimeout = {}, int timeoutMs = 10000);

// True when the process runs as root (permissions are then not enforced).
bool RunningAsRoot();

// True in a build with AddressSanitizer (timings are then not representative).
bool SanitizedBuild();

} // namespace testkit
