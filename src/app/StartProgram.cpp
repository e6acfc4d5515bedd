#include "app/StartProgram.h"

#include "ui/main/FAP_Main.h"

#include <QApplication>
#include <QWidget>

namespace fapkalk {

Program::Program(QStringList arguments) : arguments_(std::move(arguments)) {}

Program::~Program() {
    while (!secondary_.empty())
        secondary_.pop_back();
    mainWindow_.reset();
}

void Program::SetMainWindow(std::unique_ptr<TForm1> window) {
    mainWindow_ = std::move(window);
}

int Program::Run() {
    if (!mainWindow_)
        return 1;
    // Closing the main window ends the program, whatever other window is open.
    QObject::connect(mainWindow_.get(), &TForm1::closed, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    mainWindow_->show();
    return QApplication::exec();
}

const std::vector<CreationStep>& CreationSteps() {
    static const std::vector<CreationStep> steps = {
        {"TForm1",
         [](Program& program) {
             program.SetMainWindow(std::make_unique<TForm1>(program.Arguments()));
         }},
        // Next: TdlgFAPIMPressum, TdlgFAP_Hilfe, TdlgFAP_EXPORT, TDetMore, each
        // created hidden with program.Keep(...) and attached to the main window's
        // ShowImprint / ShowNotes / ShowExport / ShowDetail.
    };
    return steps;
}

int StartProgram(const QStringList& arguments) {
    RegisterFontSubstitutions();
    QApplication::setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11));
    Program program(arguments);
    for (const CreationStep& step : CreationSteps())
        step.create(program);
    return program.Run();
}

} // namespace fapkalk
