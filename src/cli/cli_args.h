// Command line of fapkalk-cli: commands, switches and the strict reading of
// the numbers typed on it.
#pragma once

#include "pricing/engine.h"
#include "pricing/export_lines.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fapkalk::cli {

enum class Command { None, Price, Range, Batch, Reverse };

struct Arguments {
    Command command = Command::None;
    bool help = false;
    bool version = false;
    CalcOptions options;
    std::optional<std::string> vat;     // the text after --vat, checked later
    std::optional<ExportLayout> format; // --format
    bool header = false;                // --header
    bool explain = false;               // --explain
    std::optional<std::string> output;  // -o / --output
    std::vector<std::string> operands;  // the command's own arguments

    // reverse answers in text or json (--format), not in the export layouts.
    std::optional<std::string> reverseFormat;
};

struct ParsedArguments {
    Arguments args;
    // Set for a usage error (exit status 2): unknown command or switch, a
    // missing argument, a switch the command does not take, a bad --format,
    // switches that exclude each other, too many or too few operands.
    std::string usageError;
};

// args without the program name.
ParsedArguments ParseArguments(std::span<const std::string> args);

// Strict form of a number on the command line or in a batch file: optional
// blanks, digits, optionally one "." or "," followed by digits, optional
// blanks. Returns an empty text when the number is well formed, otherwise
// why it is not (German, for the message).
std::string NumberProblem(std::string_view text);

// The value of a well-formed number, read as the window reads a price.
// Throws FloatError(Overflow) for a value beyond the double range.
double NumberValue(std::string_view text);

// The text between double quotes, for messages that name what was given.
std::string Quoted(std::string_view text);

// The VAT rate: one or two digits. nullopt when the text is anything else.
std::optional<unsigned> VatRate(std::string_view text);

} // namespace fapkalk::cli
