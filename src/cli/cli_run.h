// fapkalk-cli as a function: the whole tool minus the process around it, so
// tests drive it with strings and main() with the standard streams.
#pragma once

#include "cli/cli_output.h"

#include <cstdint>
#include <istream>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace fapkalk::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1; // input refused, or a write or engine failure
inline constexpr int kExitUsage = 2;   // the command line itself is wrong

// Writes "fapkalk-cli: message" as one line to err.
void Report(ByteSink& err, std::string_view message);

// Reads a number operand in cents; reports (naming the operand) and returns
// nullopt when it is no price.
std::optional<std::int64_t> ReadNumber(ByteSink& err, std::string_view name, std::string_view text);

// args without the program name. Reads batch input from in when no file is
// named; writes results to out (or the -o file) and messages to err. Returns
// the exit status. out is finished (flushed) before returning.
int RunCli(std::span<const std::string> args, std::istream& in, ByteSink& out, ByteSink& err);

} // namespace fapkalk::cli
