// Start-up: the program's windows in their creation order, then the event loop.
#pragma once

#include "ui/main/MainWindowSettings.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace fapkalk {

class TForm1;

// The running program: the main window and the secondary windows, which all
// live until the program ends (they are shown and hidden, never made anew).
class Program {
public:
    explicit Program(QStringList arguments);
    ~Program(); // destroys the windows, the last created first

    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    const QStringList& Arguments() const { return arguments_; }

    // The main window (null before the first creation step has run).
    TForm1* MainWindow() const { return mainWindow_.get(); }
    void SetMainWindow(std::unique_ptr<TForm1> window);

    // Keeps a secondary window (created hidden) until the program ends and
    // returns it; its class stays the creator's business.
    template <class Window> Window* Keep(std::unique_ptr<Window> window) {
        Window* raw = window.get();
        secondary_.push_back(std::move(window));
        return raw;
    }
    const std::vector<std::unique_ptr<QWidget>>& SecondaryWindows() const { return secondary_; }

    // Shows the main window and runs the event loop until it has closed.
    int Run();

private:
    QStringList arguments_;
    std::unique_ptr<TForm1> mainWindow_;
    std::vector<std::unique_ptr<QWidget>> secondary_;
};

// One step of the start-up: creates one window (and attaches it to the main
// window's openers where it has one).
struct CreationStep {
    const char* windowClass;
    std::function<void(Program&)> create;
};

// The windows in the order the program creates them. The main window comes
// first (CreateMainWindow): the command line is evaluated with it, before
// anything is visible.
// The imprint, notes and export dialogs, the detail window and the target price
// dialog follow, in this order, each as one more entry of this list
// (StartProgram.cpp).
const std::vector<CreationStep>& CreationSteps();

// The main window for this command line. The command line is evaluated first,
// so a help box ("/?") comes before any window exists; then the window is
// created with the placement the command line asks for and the other
// settings as given.
std::unique_ptr<TForm1> CreateMainWindow(const QStringList& arguments,
                                         MainWindowSettings settings = {});

// Runs every creation step on a new Program and then its event loop; returns
// the exit code. Needs a QApplication.
int StartProgram(const QStringList& arguments);

} // namespace fapkalk
