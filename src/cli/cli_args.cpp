#include "cli/cli_args.h"

#include "cli/cli_reverse.h"
#include "pricing/message_text.h"
#include "pricing/options/vat_field.h"
#include "pricing/price_text.h"
#include "pricing/text_rules.h"

#include <algorithm>
#include <limits>

namespace fapkalk::cli {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// "-5", "-.5", "-0,5": a signed number, given to the command so that it is
// refused as a number rather than as an unknown switch.
bool LooksLikeSignedNumber(std::string_view arg) {
    return arg.size() >= 2 && arg[0] == '-' && (IsDigit(arg[1]) || arg[1] == '.' || arg[1] == ',');
}

std::optional<OutputFormat> FormatNamed(std::string_view name) {
    if (name == "text")
        return OutputFormat::Text;
    if (name == "fixed")
        return OutputFormat::Fixed;
    if (name == "xls")
        return OutputFormat::Xls;
    if (name == "csv")
        return OutputFormat::Csv;
    if (name == "json")
        return OutputFormat::Json;
    if (name == "pdf")
        return OutputFormat::Pdf;
    return std::nullopt;
}

// A row count: digits only, at least 1, at most 2^64 - 1.
std::optional<std::uint64_t> RowCount(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    std::uint64_t n = 0;
    for (char c : text) {
        if (!IsDigit(c))
            return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (n > (std::numeric_limits<std::uint64_t>::max() - digit) / 10)
            return std::nullopt;
        n = n * 10 + digit;
    }
    if (n == 0)
        return std::nullopt;
    return n;
}

std::optional<Command> CommandNamed(std::string_view name) {
    if (name == "price")
        return Command::Price;
    if (name == "range")
        return Command::Range;
    if (name == "batch")
        return Command::Batch;
    if (name == "reverse")
        return Command::Reverse;
    return std::nullopt;
}

} // namespace

std::optional<ExportLayout> ExportLayoutOf(OutputFormat format) {
    switch (format) {
    case OutputFormat::Fixed:
        return ExportLayout::FixedPosition;
    case OutputFormat::Xls:
        return ExportLayout::Xls;
    case OutputFormat::Text:
    case OutputFormat::Csv:
    case OutputFormat::Json:
    case OutputFormat::Pdf:
        break;
    }
    return std::nullopt;
}

namespace {

// Quoted with at most `limit` characters shown.
std::string QuotedUpTo(std::string_view text, std::size_t fullSize, std::size_t limit) {
    std::string quoted = "\"";
    const std::size_t at = AppendEscaped(quoted, text, limit, true);
    quoted += '"';
    if (at < fullSize)
        quoted += "… (gekürzt, " + std::to_string(fullSize) + " Bytes)";
    return quoted;
}

} // namespace

std::string Quoted(std::string_view text, std::size_t fullSize) {
    return QuotedUpTo(text, std::max(fullSize, text.size()), kQuotedLength);
}

std::string Quoted(std::string_view text) {
    return Quoted(text, text.size());
}

std::string QuotedFileName(std::string_view path) {
    constexpr std::size_t kLongestPath = 4096; // PATH_MAX of Linux
    return QuotedUpTo(path, path.size(), kLongestPath);
}

namespace {

// The checks that need the whole command line.
std::string CheckCombination(const Arguments& a) {
    switch (a.command) {
    case Command::None:
        return "kein Befehl angegeben";
    case Command::Price:
        if (a.header)
            return "der Befehl price kennt --header nicht";
        if (a.output && a.format != OutputFormat::Pdf)
            return "der Befehl price schreibt keine Datei (-o), nur mit --format pdf";
        if (a.explain && a.format && *a.format != OutputFormat::Text)
            return "--explain und --format schließen einander aus";
        if (a.operands.empty())
            return "PREIS fehlt";
        if (a.operands.size() > 1)
            return "zu viele Argumente: " + Quoted(a.operands[1]);
        break;
    case Command::Range:
        if (a.explain)
            return "der Befehl range kennt --explain nicht";
        if (a.operands.size() < 3)
            return std::string(a.operands.size() == 0   ? "VON"
                               : a.operands.size() == 1 ? "BIS"
                                                        : "STAFFEL") +
                   " fehlt";
        if (a.operands.size() > 3)
            return "zu viele Argumente: " + Quoted(a.operands[3]);
        break;
    case Command::Batch:
        if (a.explain)
            return "der Befehl batch kennt --explain nicht";
        if (a.operands.size() > 1)
            return "zu viele Argumente: " + Quoted(a.operands[1]);
        break;
    case Command::Reverse:
        if (std::string problem = CheckReverseArguments(a); !problem.empty())
            return problem;
        break;
    }
    // The export layouts stay as the window writes them.
    if (a.margins && a.command == Command::Reverse)
        return "der Befehl reverse kennt --margins nicht";
    // The printed pages carry no margins either.
    if (a.margins && (a.format == OutputFormat::Pdf ||
                      ExportLayoutOf(a.format.value_or(
                          a.command == Command::Price ? OutputFormat::Text : OutputFormat::Fixed))))
        return "--margins gilt nur für --format text, csv und json";
    if (a.maxRows && a.command != Command::Range)
        return "--max-rows gilt nur für den Befehl range";
    if (a.command != Command::Price && a.command != Command::Reverse &&
        a.format == OutputFormat::Text)
        return "--format text gilt nur für die Befehle price und reverse";
    // The header block belongs to the export file; a CSV or JSON reader
    // would take its lines for rows.
    if (a.header && (a.format == OutputFormat::Csv || a.format == OutputFormat::Json))
        return "--header gilt nur für --format fixed und xls";
    // Pages are no stream for a pipe: a PDF is only whole once it is written.
    if (a.format == OutputFormat::Pdf && (!a.output || *a.output == "-"))
        return "--format pdf verlangt -o DATEI";
    // The window's buttons never allow these together.
    if (a.options.Veterinary && a.options.NotReimbursable)
        return "--veterinary und --not-reimbursable schließen einander aus";
    if (a.options.Homeopathic && a.options.NotReimbursable)
        return "--not-reimbursable ist mit --homeopathic nicht wählbar";
    return {};
}

} // namespace

ParsedArguments ParseArguments(std::span<const std::string> args) {
    ParsedArguments result;
    Arguments& a = result.args;
    bool optionsEnded = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool isOption =
            !optionsEnded && arg.size() >= 2 && arg[0] == '-' && !LooksLikeSignedNumber(arg);
        if (!isOption) {
            if (a.command == Command::None) {
                const auto command = CommandNamed(arg);
                if (!command) {
                    result.usageError = "unbekannter Befehl: " + Quoted(arg);
                    return result;
                }
                a.command = *command;
            } else {
                a.operands.push_back(arg);
            }
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }

        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        } else if (arg.starts_with("-o") && arg.size() > 2) {
            name = "-o"; // -oFILE, as getopt reads it
            inlineValue = arg.substr(2);
        }
        const auto takeValue = [&]() -> std::optional<std::string> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < args.size())
                return args[++i];
            result.usageError = name + " erwartet einen Wert";
            return std::nullopt;
        };
        const auto flag = [&](bool& field) {
            if (inlineValue) {
                result.usageError = name + " erwartet keinen Wert";
                return false;
            }
            field = true;
            return true;
        };

        bool ok = true;
        if (name == "--help" || name == "-h") {
            ok = flag(a.help);
        } else if (name == "--version") {
            ok = flag(a.version);
        } else if (name == "--aep") {
            ok = flag(a.options.AepInput);
        } else if (name == "--homeopathic") {
            ok = flag(a.options.Homeopathic);
        } else if (name == "--narcotic") {
            ok = flag(a.options.Narcotic);
        } else if (name == "--veterinary") {
            ok = flag(a.options.Veterinary);
        } else if (name == "--not-reimbursable") {
            ok = flag(a.options.NotReimbursable);
        } else if (name == "--header") {
            ok = flag(a.header);
        } else if (name == "--explain") {
            ok = flag(a.explain);
        } else if (name == "--margins") {
            ok = flag(a.margins);
        } else if (name == "--vat") {
            const auto value = takeValue();
            ok = value.has_value();
            if (ok)
                a.vat = *value;
        } else if (name == "--format") {
            const auto value = takeValue();
            ok = value.has_value();
            if (ok) {
                a.format = FormatNamed(*value);
                if (!a.format) {
                    result.usageError =
                        "--format erwartet text, fixed, xls, csv, json oder pdf, nicht " +
                        Quoted(*value);
                    ok = false;
                }
            }
        } else if (name == "--max-rows") {
            const auto value = takeValue();
            ok = value.has_value();
            if (ok) {
                a.maxRows = RowCount(*value);
                if (!a.maxRows) {
                    result.usageError =
                        "--max-rows erwartet eine ganze Zahl ab 1, nicht " + Quoted(*value);
                    ok = false;
                }
            }
        } else if (name == "-o" || name == "--output") {
            const auto value = takeValue();
            ok = value.has_value();
            if (ok)
                a.output = *value;
        } else {
            result.usageError = "unbekannter Schalter: " + Quoted(name);
            ok = false;
        }
        if (!ok)
            return result;
    }

    if (a.help || a.version)
        return result;
    result.usageError = CheckCombination(a);
    return result;
}

NumberText ParseNumber(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    const std::string_view number = text.substr(begin, end - begin);
    const PriceText read = ReadPriceText(number);
    switch (read.problem) {
    case PriceTextProblem::None:
        return {read.cents, {}};
    case PriceTextProblem::Empty:
        return {0, "keine Zahl angegeben"};
    case PriceTextProblem::TooManyDecimals:
        return {0, "mehr als zwei Nachkommastellen; Preise werden in ganzen Cent angegeben"};
    case PriceTextProblem::TooLarge:
        return {0, "zu groß für einen Preis"};
    case PriceTextProblem::NotAPrice:
        break;
    }
    if (read.badAt >= number.size())
        return {0, "keine Ziffer"};
    const char c = number[read.badAt];
    if (c == '+' || c == '-')
        return {0, "ein Vorzeichen ist nicht erlaubt"};
    if (c == 'e' || c == 'E')
        return {0, "ein Exponent ist nicht erlaubt"};
    if (c == '.' || c == ',')
        return {0, "nur ein Dezimaltrennzeichen ist erlaubt"};
    if (IsBlank(c))
        return {0, "Leerzeichen innerhalb der Zahl"};
    if (static_cast<unsigned char>(c) < 32 || c == 127)
        return {0, "unerlaubtes Steuerzeichen"};
    return {0, "unerlaubtes Zeichen " + Quoted(FirstCharacter(number.substr(read.badAt)))};
}

std::optional<unsigned> VatRate(std::string_view text) {
    if (text.size() > kVatRateDigits)
        return std::nullopt;
    return VatRateFromText(text);
}

} // namespace fapkalk::cli
