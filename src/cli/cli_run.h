// fapkalk-cli as a function: the whole tool minus the process around it, so
// tests drive it with strings and main() with the standard streams.
#pragma once

#include "cli/cli_output.h"

#include <istream>
#include <span>
#include <string>
#include <string_view>

namespace fapkalk::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1; // input refused, or a write or engine failure
inline constexpr int kExitUsage = 2;   // the command line itself is wrong

// The single-mode panel's label texts, each followed by the price text.
inline constexpr std::string_view kLabelFap = "Fabriksabgabepreis:       ";
inline constexpr std::string_view kLabelAep = "Apotheken-Einkaufspreis: ";
inline constexpr std::string_view kLabelKp = "Kassenpreis:       ";
inline constexpr std::string_view kLabelAvp = "Apotheken-Verkaufspreis:";
// The FAP label's text in AEP mode (seven blanks, 11 characters).
inline constexpr std::string_view kPanelAepPlaceholder = "       0.00";

inline constexpr std::string_view kVonAboveBisText =
    "Von-FAP darf nicht größer als Bis-FAP sein bzw. Felder dürfen nicht leer sein!";
inline constexpr std::string_view kFieldsEmptyText = "Felder dürfen nicht leer sein!";
inline constexpr std::string_view kStepTooSmallText =
    "Die Staffel muß größer als 0 sein und den Preis weiterzählen!";

// args without the program name. Reads batch input from in when no file is
// named; writes results to out (or the -o file) and messages to err. Returns
// the exit status. out is finished (flushed) before returning.
int RunCli(std::span<const std::string> args, std::istream& in, ByteSink& out, ByteSink& err);

} // namespace fapkalk::cli
