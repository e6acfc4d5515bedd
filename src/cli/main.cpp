// fapkalk-cli: the price calculation of the window on the command line.
#include "cli/cli_output.h"
#include "cli/cli_run.h"
#include "cli/cli_time.h"
#include "platform/file_writer.h"
#include "platform/standard_streams.h"
#include "tools/date_text.h"

#include <clocale>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

namespace {

// Ctrl-C or a kill during a long export must not leave the hidden temporary
// file of -o behind; the target itself is still untouched at that point.
extern "C" void OnTerminatingSignal(int signal) {
    fapkalk::RemoveOpenTemporaryFiles();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
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
    fapkalk::cli::FdSink out(1);
    fapkalk::cli::FdSink err(2);
    return fapkalk::cli::RunCli(args, std::cin, out, err);
}
