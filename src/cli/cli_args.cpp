#include "cli/cli_args.h"

#include "cli/cli_reverse.h"
#include "pricing/numbers.h"

namespace fapkalk::cli {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// "-5", "-.5", "-0,5": a signed number, given to the command so that it is
// refused as a number rather than as an unknown switch.
bool LooksLikeSignedNumber(std::string_view arg) {
    return arg.size() >= 2 && arg[0] == '-' && (IsDigit(arg[1]) || arg[1] == '.' || arg[1] == ',');
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

std::string Quoted(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    quoted += text;
    quoted += '"';
    return quoted;
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
        if (a.output)
            return "der Befehl price schreibt keine Datei (-o)";
        if (a.explain && a.format)
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
    if (a.reverseFormat && a.command != Command::Reverse)
        return "--format " + *a.reverseFormat + " gibt es nur beim Befehl reverse";
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
        } else if (name == "--vat") {
            const auto value = takeValue();
            ok = value.has_value();
            if (ok)
                a.vat = *value;
        } else if (name == "--format") {
            const auto value = takeValue();
            ok = value.has_value();
            if (ok) {
                if (*value == "fixed") {
                    a.format = ExportLayout::FixedPosition;
                } else if (*value == "xls") {
                    a.format = ExportLayout::Xls;
                } else if (IsReverseFormat(*value)) {
                    a.reverseFormat = *value;
                } else {
                    result.usageError = "--format erwartet fixed oder xls (reverse: text oder "
                                        "json), nicht " +
                                        Quoted(*value);
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

std::string NumberProblem(std::string_view text) {
    std::size_t i = 0;
    const auto describe = [&](char c) -> std::string {
        if (c == '+' || c == '-')
            return "ein Vorzeichen ist nicht erlaubt";
        if (c == 'e' || c == 'E')
            return "ein Exponent ist nicht erlaubt";
        if (c == '.' || c == ',')
            return "nur ein Dezimaltrennzeichen mit Ziffern davor und danach ist erlaubt";
        if (IsBlank(c))
            return "Leerzeichen innerhalb der Zahl";
        if (static_cast<unsigned char>(c) < 32 || c == 127)
            return "unerlaubtes Steuerzeichen";
        return "unerlaubtes Zeichen " + Quoted(std::string_view(&c, 1));
    };
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (i == text.size())
        return "keine Zahl angegeben";
    if (!IsDigit(text[i]))
        return describe(text[i]);
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
        ++i;
        if (i == text.size() || !IsDigit(text[i]))
            return "nach dem Dezimaltrennzeichen fehlen Ziffern";
        while (i < text.size() && IsDigit(text[i]))
            ++i;
    }
    const std::size_t end = i;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (i != text.size())
        return describe(i == end ? text[i] : ' ');
    return {};
}

double NumberValue(std::string_view text) {
    std::string normalized;
    for (char c : text)
        if (!IsBlank(c))
            normalized.push_back(c == ',' ? '.' : c);
    return ParsePrice(normalized);
}

std::optional<unsigned> VatRate(std::string_view text) {
    if (text.empty() || text.size() > 2)
        return std::nullopt;
    unsigned n = 0;
    for (char c : text) {
        if (!IsDigit(c))
            return std::nullopt;
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    return n;
}

} // namespace fapkalk::cli
