#include "cli/cli_run.h"

#include "cli/cli_args.h"
#include "cli/cli_help.h"
#include "cli/cli_time.h"
#include "pricing/calc_run.h"
#include "pricing/engine.h"
#include "pricing/export_lines.h"
#include "pricing/numbers.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fstream>
#include <limits>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

namespace fapkalk::cli {

namespace {

constexpr std::string_view kProgram = "fapkalk-cli";

void Report(ByteSink& err, std::string_view message) {
    std::string line(kProgram);
    line += ": ";
    line += message;
    line += '\n';
    err.Write(line);
    err.Finish();
}

int UsageError(ByteSink& err, Command command, std::string_view message) {
    std::string hint(kProgram);
    switch (command) {
    case Command::Price:
        hint += " price";
        break;
    case Command::Range:
        hint += " range";
        break;
    case Command::Batch:
        hint += " batch";
        break;
    case Command::None:
        break;
    }
    Report(err, std::string(message) + "\n\"" + hint + " --help\" zeigt den Aufruf.");
    return kExitUsage;
}

// Reads a number operand; reports and returns nullopt when it is malformed.
std::optional<double> ReadNumber(ByteSink& err, std::string_view name, std::string_view text) {
    const std::string problem = NumberProblem(text);
    if (!problem.empty()) {
        Report(err, "ungültige Zahl für " + std::string(name) + ": " + Quoted(text) + " (" +
                        problem + ")");
        return std::nullopt;
    }
    return NumberValue(text);
}

// The range loop's prices stay at or below bis, and every amount the engine
// forms grows with the price; so when the largest price can be computed,
// every row can, and a floating-point error is found before anything is
// written.
void CheckComputable(double largestPrice, const CalcOptions& options, double vatFactor) {
    (void)CalcPrices(largestPrice, options, vatFactor);
}

// Where the export bytes go: standard output or a file that is replaced only
// when everything succeeded.
class Destination {
public:
    Destination(ByteSink& out, const std::optional<std::string>& path) : out_(out) {
        if (path && *path != "-") {
            path_ = *path;
            file_ = std::make_unique<FileSink>(*path);
        }
    }

    // Reports and returns false when the file cannot be created.
    bool Open(ByteSink& err) {
        if (file_ && !file_->Open()) {
            ReportFailure(err);
            return false;
        }
        return true;
    }

    ByteSink& sink() { return file_ ? static_cast<ByteSink&>(*file_) : out_; }

    void ReportFailure(ByteSink& err) {
        if (file_)
            Report(err, "Datei \"" + path_ + "\" konnte nicht geschrieben werden! (" +
                            file_->Error() + ")");
        else
            Report(err, "Fehler beim Schreiben der Standardausgabe: " + out_.Error());
    }

private:
    ByteSink& out_;
    std::string path_;
    std::unique_ptr<FileSink> file_;
};

// Collects file lines into 64 KiB chunks for the sink.
class RowStream {
public:
    RowStream(ByteSink& sink, ExportLayout layout) : sink_(sink), builder_(layout) {
        chunk_.reserve(kChunk + 512);
    }

    void AppendHead(std::string_view bytes) { chunk_.append(bytes); }

    // False once the sink has failed.
    bool AppendRow(const ExportRow& row) {
        builder_.AppendRow(chunk_, row);
        if (chunk_.size() >= kChunk)
            return Flush();
        return true;
    }

    bool Flush() {
        const bool ok = sink_.Write(chunk_);
        chunk_.clear();
        return ok;
    }

private:
    static constexpr std::size_t kChunk = 64 * 1024;
    ByteSink& sink_;
    ExportLineBuilder builder_;
    std::string chunk_;
};

// FormatPrice of the last amount again when the amount repeats, as KP and AVP
// do for several rows of a fine range (five-cent steps, fixed bands). The
// text is a function of the amount alone, so this changes nothing but the
// time a long range takes.
class CachedPriceText {
public:
    const std::string& operator()(double amount) {
        if (!valid_ || !(amount == amount_)) {
            text_ = FormatPrice(amount);
            amount_ = amount;
            valid_ = true;
        }
        return text_;
    }

private:
    double amount_ = 0;
    bool valid_ = false;
    std::string text_;
};

// The rows of a range or batch as the export file holds them: the head, then
// one row a price, to standard output or the file named by -o.
class RowWriter {
public:
    RowWriter(const Arguments& a, ByteSink& out)
        : options_(a.options), destination_(out, a.output),
          stream_(destination_.sink(), a.format.value_or(ExportLayout::FixedPosition)) {}

    // Reports and returns false when the file cannot be created.
    bool Open(std::string_view head, ByteSink& err) {
        if (!destination_.Open(err))
            return false;
        stream_.AppendHead(head);
        return true;
    }

    // Reports and returns false once the output has failed.
    bool Append(double price, const PriceResult& r, ByteSink& err) {
        const std::string fap = FapCell(price, options_);
        if (stream_.AppendRow({fap, aep_(r.aep), kp_(r.kp), avp_(r.avp)}))
            return true;
        destination_.ReportFailure(err);
        return false;
    }

    int Finish(ByteSink& err) {
        if (!stream_.Flush() || !destination_.sink().Finish()) {
            destination_.ReportFailure(err);
            return kExitRefused;
        }
        return kExitOk;
    }

private:
    CalcOptions options_;
    Destination destination_;
    RowStream stream_;
    CachedPriceText aep_, kp_, avp_;
};

int RunPrice(const Arguments& a, double vatFactor, ByteSink& out, ByteSink& err) {
    const auto price = ReadNumber(err, "PREIS", a.operands[0]);
    if (!price)
        return kExitRefused;
    const PriceResult r = CalcPrices(*price, a.options, vatFactor);
    if (r.refusal != nullptr) {
        Report(err, r.refusal);
        return kExitRefused;
    }
    std::string text;
    if (a.format) {
        ExportLineBuilder builder(*a.format);
        const std::string fap = FapCell(*price, a.options);
        const std::string aep = FormatPrice(r.aep);
        const std::string kp = FormatPrice(r.kp);
        const std::string avp = FormatPrice(r.avp);
        builder.AppendRow(text, {fap, aep, kp, avp});
    } else {
        text += kFapCaption;
        text += FapLabelText(*price, a.options);
        text += '\n';
        text += kAepCaption;
        text += FormatPrice(r.aep);
        text += '\n';
        text += kKpCaption;
        text += FormatPrice(r.kp);
        text += '\n';
        text += kAvpCaption;
        text += FormatPrice(r.avp);
        text += '\n';
        if (a.explain) {
            text += '\n';
            text += ExplainPrices(*price, a.options, vatFactor);
            if (text.back() != '\n')
                text += '\n';
        }
    }
    if (!out.Write(text) || !out.Finish()) {
        Report(err, "Fehler beim Schreiben der Standardausgabe: " + out.Error());
        return kExitRefused;
    }
    return kExitOk;
}

// The head of the export: the header block when asked for, then the column
// header line. nullopt (reported) when the creation time is unusable.
std::optional<std::string> Head(const Arguments& a, std::string_view von, std::string_view bis,
                                std::string_view staffel, ByteSink& err) {
    if (!a.header)
        return ExportFileHead(nullptr);
    std::string error;
    const auto created = CreatedTextNow(error);
    if (!created) {
        Report(err, error);
        return std::nullopt;
    }
    const ExportCriteria criteria{*created, von, bis, staffel, a.options};
    return ExportFileHead(&criteria);
}

int RunRange(const Arguments& a, double vatFactor, ByteSink& out, ByteSink& err) {
    const auto von = ReadNumber(err, "VON", a.operands[0]);
    if (!von)
        return kExitRefused;
    const auto bis = ReadNumber(err, "BIS", a.operands[1]);
    if (!bis)
        return kExitRefused;
    const auto step = ReadNumber(err, "STAFFEL", a.operands[2]);
    if (!step)
        return kExitRefused;
    if (const RangeCheck check = CheckRange(*von, *bis, *step); check != RangeCheck::Ok) {
        Report(err, RangeCheckText(check));
        return kExitRefused;
    }
    CheckComputable(*bis, a.options, vatFactor);
    // The window's key filter turns a typed comma into a point, so its header
    // never shows "0,5": the texts go into the header as the window holds them.
    const std::string vonText = ReplaceChar(a.operands[0], ',', '.');
    const std::string bisText = ReplaceChar(a.operands[1], ',', '.');
    const std::string stepText = ReplaceChar(a.operands[2], ',', '.');
    const auto head = Head(a, vonText, bisText, stepText, err);
    if (!head)
        return kExitRefused;

    RowWriter writer(a, out);
    if (!writer.Open(*head, err))
        return kExitRefused;
    // The running sum, as the window adds it: price + step each row, never
    // von + row * step, so both list the very same prices.
    for (double price = *von; !(price > *bis); price = price + *step)
        if (!writer.Append(price, CalcPrices(price, a.options, vatFactor), err))
            return kExitRefused;
    return writer.Finish(err);
}

struct BatchEntry {
    double price;
    std::size_t line;
};

// Reads and checks every line before anything is written, so a bad line
// leaves no partial output. nullopt when a line was refused (reported).
std::optional<std::vector<BatchEntry>> ReadBatch(std::istream& in, ByteSink& err) {
    std::vector<BatchEntry> entries;
    std::string line;
    std::size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::string_view text(line);
        if (number == 1 && text.starts_with("\xEF\xBB\xBF"))
            text.remove_prefix(3);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        if (text.find_first_not_of(" \t") == std::string_view::npos)
            continue;
        const std::string problem = NumberProblem(text);
        if (!problem.empty()) {
            Report(err, "Zeile " + std::to_string(number) + ": ungültige Zahl " + Quoted(text) +
                            " (" + problem + ")");
            return std::nullopt;
        }
        try {
            entries.push_back({NumberValue(text), number});
        } catch (const FloatError& e) {
            Report(err, "Zeile " + std::to_string(number) + ": " + e.what());
            return std::nullopt;
        }
    }
    if (in.bad()) {
        Report(err, "Fehler beim Lesen der Eingabe");
        return std::nullopt;
    }
    return entries;
}

int RunBatch(const Arguments& a, double vatFactor, std::istream& stdIn, ByteSink& out,
             ByteSink& err) {
    std::ifstream file;
    std::istream* in = &stdIn;
    if (!a.operands.empty() && a.operands[0] != "-") {
        file.open(a.operands[0], std::ios::binary);
        if (!file) {
            Report(err, "Eingabedatei " + Quoted(a.operands[0]) + " kann nicht gelesen werden (" +
                            std::error_code(errno, std::generic_category()).message() + ")");
            return kExitRefused;
        }
        in = &file;
    }
    const auto entries = ReadBatch(*in, err);
    if (!entries)
        return kExitRefused;
    double largest = 0;
    for (const BatchEntry& e : *entries)
        largest = std::max(largest, e.price);
    if (largest > 0)
        CheckComputable(largest, a.options, vatFactor);
    const auto head = Head(a, {}, {}, {}, err);
    if (!head)
        return kExitRefused;

    RowWriter writer(a, out);
    if (!writer.Open(*head, err))
        return kExitRefused;
    for (const BatchEntry& e : *entries) {
        const PriceResult r = CalcPrices(e.price, a.options, vatFactor);
        if (r.refusal != nullptr)
            Report(err, "Zeile " + std::to_string(e.line) + ": " + r.refusal);
        if (!writer.Append(e.price, r, err))
            return kExitRefused;
    }
    return writer.Finish(err);
}

} // namespace

int RunCli(std::span<const std::string> args, std::istream& in, ByteSink& out, ByteSink& err) {
    const ParsedArguments parsed = ParseArguments(args);
    const Arguments& a = parsed.args;
    if (!parsed.usageError.empty())
        return UsageError(err, a.command, parsed.usageError);
    if (a.help || a.version) {
        if (!out.Write(a.help ? HelpText(a.command) : VersionText()) || !out.Finish()) {
            Report(err, "Fehler beim Schreiben der Standardausgabe: " + out.Error());
            return kExitRefused;
        }
        return kExitOk;
    }

    double vatFactor = kDefaultVatFactor;
    if (a.vat) {
        const auto rate = VatRate(*a.vat);
        if (!rate) {
            Report(err, "USt. muß eine oder zwei Ziffern sein, nicht " + Quoted(*a.vat));
            return kExitRefused;
        }
        vatFactor = VatFactorFromRate(*rate);
    }

    try {
        switch (a.command) {
        case Command::Price:
            return RunPrice(a, vatFactor, out, err);
        case Command::Range:
            return RunRange(a, vatFactor, out, err);
        case Command::Batch:
            return RunBatch(a, vatFactor, in, out, err);
        case Command::None:
            break;
        }
    } catch (const FloatError& e) {
        // An open output file is dropped as its sink goes out of scope.
        Report(err, e.what());
        return kExitRefused;
    }
    return UsageError(err, a.command, "kein Befehl angegeben");
}

} // namespace fapkalk::cli
