#include "app/StartProgram.h"

#include "app/CommandLine.h"
#include "tools/messages.h"
#include "ui/dialogs/FAP_Hilfe.h"
#include "ui/dialogs/FAP_Impr.h"
#include "ui/dialogs/FAP_Ziel.h"
#include "ui/dialogs/JvCaptionButton.h"
#include "ui/main/FAP_Main.h"
#include "ui/output/FAP_Export.h"
#include "ui/output/Fap_DetMore.h"
#include "ui/widgets/Widgets.h"
#include "ui/widgets/artwork.h"

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

std::unique_ptr<TForm1> CreateMainWindow(const QStringList& arguments,
                                         MainWindowSettings settings) {
    const CommandLineResult commandLine = ParseCommandLine(arguments);
    if (commandLine.ShowHelp)
        tools::ShowMessage(nullptr, CommandLineHelpText());
    settings.Placement = commandLine.Placement;
    return std::make_unique<TForm1>(settings);
}

const std::vector<CreationStep>& CreationSteps() {
    static const std::vector<CreationStep> steps = {
        {"TForm1",
         [](Program& program) { program.SetMainWindow(CreateMainWindow(program.Arguments())); }},
        // The secondary windows are created hidden, in this order, and only shown
        // and hidden afterwards; each is attached to the main window's opener.
        {"TdlgFAPIMPressum",
         [](Program& program) {
             // Created now so its auto-close timer counts from the start of the program.
             auto* imprint = program.Keep(std::make_unique<TdlgFAPIMPressum>());
             TForm1* form = program.MainWindow();
             form->SetImprintOpener([imprint] { imprint->exec(); });
             auto* button = new TJvCaptionButton(form); // owned by the main window
             button->OnClick = [form] { form->JvCaptionButton1Click(); };
         }},
        {"TdlgFAP_Hilfe",
         [](Program& program) {
             auto* notes = program.Keep(std::make_unique<TdlgFAP_Hilfe>());
             program.MainWindow()->SetNotesOpener([notes] { notes->exec(); });
         }},
        {"TdlgFAP_EXPORT",
         [](Program& program) {
             auto* dialog = program.Keep(std::make_unique<TdlgFAP_EXPORT>());
             program.MainWindow()->SetExportOpener(
                 [dialog](const ResultTable& table) { dialog->ExecFor(table); });
         }},
        {"TDetMore",
         [](Program& program) {
             TForm1* form = program.MainWindow();
             auto* detail = program.Keep(std::make_unique<TDetMore>());
             // "/noini" promises no settings file at all: the detail window
             // neither reads nor writes its place then either.
             detail->JvFormPlacement1->Active = form->FormPlacement().Active;
             // Export in the detail window is the main window's Export.
             detail->SetExportAction([form] { form->btExportClick(); });
             form->SetDetailOpener([detail](const ResultTable& table) { detail->ShowFor(table); });
         }},
        {"TdlgFAP_Ziel",
         [](Program& program) {
             auto* target = program.Keep(std::make_unique<TdlgFAP_Ziel>());
             program.MainWindow()->SetTargetPriceOpener(
                 [target](const CalcOptions& options, double vatFactor) {
                     return target->ExecFor(options, vatFactor);
                 });
         }},
    };
    return steps;
}

int StartProgram(const QStringList& arguments) {
    RegisterFontSubstitutions();
    QApplication::setFont(PixelFont(fapkalk::kSansSerif, 11));
    QApplication::setWindowIcon(ProgramIcon());
    Program program(arguments);
    for (const CreationStep& step : CreationSteps())
        step.create(program);
    return program.Run();
}

} // namespace fapkalk
