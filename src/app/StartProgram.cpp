#include "app/StartProgram.h"

#include "ui/dialogs/FAP_Hilfe.h"
#include "ui/dialogs/FAP_Impr.h"
#include "ui/dialogs/JvCaptionButton.h"
#include "ui/dialogs/artwork.h"
#include "ui/main/FAP_Main.h"
#include "ui/output/FAP_Export.h"
#include "ui/output/Fap_DetMore.h"

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
        // The secondary windows are created hidden, in this order, and only shown
        // and hidden afterwards; each is attached to the main window's opener.
        {"TdlgFAPIMPressum",
         [](Program& program) {
             // Created now so its auto-close timer counts from the start of the program.
             auto* imprint = program.Keep(std::make_unique<TdlgFAPIMPressum>());
             TForm1* form = program.MainWindow();
             form->ShowImprint = [imprint] { imprint->exec(); };
             auto* button = new TJvCaptionButton(form); // owned by the main window
             button->OnClick = [form] { form->JvCaptionButton1Click(); };
             form->JvCaptionButton1 = button;
         }},
        {"TdlgFAP_Hilfe",
         [](Program& program) {
             auto* notes = program.Keep(std::make_unique<TdlgFAP_Hilfe>());
             program.MainWindow()->ShowNotes = [notes] { notes->exec(); };
         }},
        {"TdlgFAP_EXPORT",
         [](Program& program) {
             TForm1* form = program.MainWindow();
             auto* dialog = program.Keep(std::make_unique<TdlgFAP_EXPORT>());
             form->ShowExport = [dialog, form] { dialog->ExecFor(*form); };
         }},
        {"TDetMore",
         [](Program& program) {
             TForm1* form = program.MainWindow();
             auto* detail = program.Keep(std::make_unique<TDetMore>());
             form->ShowDetail = [detail, form] { detail->ShowFor(*form); };
         }},
    };
    return steps;
}

int StartProgram(const QStringList& arguments) {
    RegisterFontSubstitutions();
    QApplication::setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11));
    QApplication::setWindowIcon(ProgramIcon());
    Program program(arguments);
    for (const CreationStep& step : CreationSteps())
        step.create(program);
    return program.Run();
}

} // namespace fapkalk
