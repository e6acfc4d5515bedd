// The --help and --version texts of fapkalk-cli (UTF-8). The help follows the
// usual layout of a manual page (name line, synopsis, sections with indented
// option lists), so help2man can turn it into one.
#pragma once

#include "cli/cli_args.h"

#include <string>

namespace fapkalk::cli {

// The whole help for Command::None, otherwise the help of one command.
std::string HelpText(Command command);
std::string VersionText();

} // namespace fapkalk::cli
