// fapkalk-cli reverse: from a target AEP, KP or AVP back to the input prices
// (FAP, or AEP with --aep) that give it, or the nearest results when none
// does. The answer is the window's target price dialog's, in the same words.
#pragma once

#include "cli/cli_args.h"
#include "cli/cli_output.h"
#include "pricing/reverse.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace fapkalk::cli {

// What is wrong with the arguments of reverse (German), empty when nothing:
// ZIEL and BETRAG, a known target, no --header, -o or --explain, and only
// --format text or json.
std::string CheckReverseArguments(const Arguments& a);

// Writes the answer to out: one sentence, or one JSON object, and a line end.
// Refusals (a malformed or impossible amount, a write failure) go to err.
// Returns 0 when the target is reached, 1 when it is not or was refused.
// Throws what ReverseSearch throws.
int RunReverse(const Arguments& a, double vatFactor, ByteSink& out, ByteSink& err);

// The help of reverse, with the tool's text on the switches.
std::string ReverseHelp(std::string_view switches);

} // namespace fapkalk::cli
