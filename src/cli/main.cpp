// fapkalk-cli: the price calculation of the window on the command line.
#include "cli/cli_args.h"
#include "cli/cli_output.h"
#include "cli/cli_pdf.h"
#include "cli/cli_run.h"
#include "cli/cli_time.h"
#include "platform/file_writer.h"
#include "platform/standard_streams.h"
#include "platform/system_error_text.h"
#include "tools/date_text.h"

#include <cerrno>
#include <climits>
#include <clocale>
#include <csignal>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Ctrl-C or a kill during a long export must not leave the hidden temporary
// file of -o behind; the target itself is still untouched at that point.
extern "C" void OnTerminatingSignal(int signal) {
    fapkalk::RemoveOpenTemporaryFiles();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// A PDF is drawn by fapkalk-cli-pdf beside this program, which alone loads
// QtGui: the other commands start as fast as before. Returns only when it
// cannot be started.
int RunPdfProgram(char** argv) {
    std::string self(PATH_MAX, '\0');
    const ssize_t size = ::readlink("/proc/self/exe", self.data(), self.size());
    std::string program = fapkalk::cli::kPdfProgram;
    if (size > 0 && static_cast<std::size_t>(size) < self.size()) {
        self.resize(static_cast<std::size_t>(size));
        const std::string folder = self.substr(0, self.rfind('/') + 1);
        // Beside this program in the build tree, in libexec once installed.
        program = folder + fapkalk::cli::kPdfProgram;
        if (::access(program.c_str(), X_OK) != 0)
            program = folder + FAPKALK_PDF_FROM_BIN + "/" + fapkalk::cli::kPdfProgram;
    }
    argv[0] = program.data();
    ::execv(program.c_str(), argv);
    const int error = errno;
    fapkalk::cli::FdSink err(2);
    fapkalk::cli::Report(err, "PDF kann nicht geschrieben werden: " + program +
                                  " läßt sich nicht starten (" + fapkalk::SystemErrorText(error) +
                                  ")");
    return fapkalk::cli::kExitRefused;
}

} // namespace

int main(int argc, char** argv) {
    fapkalk::SecureProcessEdges();
    // Only the date and time of the header and the rare system error text
    // without a German one of our own follow the user's locale; numbers never do.
    std::setlocale(LC_MESSAGES, "");
    // The header's date and time exactly as the window's export writes them.
    fapkalk::cli::SetCreatedTextFormatter(tools::CreatedTextAt);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, OnTerminatingSignal);
    std::ios::sync_with_stdio(false);

    const std::vector<std::string> args(argv + 1, argv + argc);
    const fapkalk::cli::ParsedArguments parsed = fapkalk::cli::ParseArguments(args);
    if (parsed.usageError.empty() && !parsed.args.help &&
        parsed.args.format == fapkalk::cli::OutputFormat::Pdf)
        return RunPdfProgram(argv);
    fapkalk::cli::FdSink out(1);
    fapkalk::cli::FdSink err(2);
    return fapkalk::cli::RunCli(args, std::cin, out, err);
}
