// Command line of fapkalk-cli: commands, switches and the strict reading of
// the numbers typed on it.
#pragma once

#include "pricing/engine.h"
#include "pricing/export_lines.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fapkalk::cli {

enum class Command { None, Price, Range, Batch, Reverse };

// --format: what a command writes.
enum class OutputFormat {
    Text,  // price: the panel's four lines (its default)
    Fixed, // the export's data lines, fixed positions (range and batch's default)
    Xls,   // the export's data lines, ";" and decimal comma
    Csv,   // RFC 4180: "FAP,AEP,KP,AVP", then a row a price; UTF-8, LF
    Json,  // JSON Lines: an object a price
    Pdf,   // the printed pages, into the -o file (fapkalk-cli-pdf draws them)
};

// The export layout of Fixed and Xls; nullopt for the other formats.
std::optional<ExportLayout> ExportLayoutOf(OutputFormat format);

struct Arguments {
    Command command = Command::None;
    bool help = false;
    bool version = false;
    CalcOptions options;
    std::optional<std::string> vat;       // the text after --vat, checked later
    std::optional<OutputFormat> format;   // --format; nullopt: the command's default
    bool header = false;                  // --header
    bool explain = false;                 // --explain
    bool margins = false;                 // --margins
    std::optional<std::string> output;    // -o FILE, -oFILE, --output
    std::optional<std::uint64_t> maxRows; // --max-rows (range)
    std::vector<std::string> operands;    // the command's own arguments
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

// A number on the command line or in a batch file: blanks and tabs around
// it, then a price as the window reads one (pricing/price_text.h). problem
// is empty when the text is one, otherwise it says why not (German, for the
// message).
struct NumberText {
    std::int64_t cents = 0;
    std::string problem;
};
NumberText ParseNumber(std::string_view text);

// What was given, between double quotes, for messages: escaped by the
// program's one rule (AppendEscaped, pricing/message_text.h: "\x1b",
// "\u202e", "\\", "\""), so nothing reaches the terminal raw; beyond kQuotedLength
// characters shortened and marked: "12345…" (gekürzt, 10485760 Bytes).
// fullSize is the size of the whole input when text is only its beginning.
inline constexpr std::size_t kQuotedLength = 60;
std::string Quoted(std::string_view text);
std::string Quoted(std::string_view text, std::size_t fullSize);
// A file name: escaped alike, shortened only beyond the longest path.
std::string QuotedFileName(std::string_view path);

// The VAT rate as the window's field takes it: one or two digits. nullopt
// when the text is anything else.
std::optional<unsigned> VatRate(std::string_view text);

} // namespace fapkalk::cli
