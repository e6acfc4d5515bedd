#include "cli/cli_run.h"

#include "cli/cli_args.h"
#include "cli/cli_help.h"
#include "cli/cli_reverse.h"
#include "cli/cli_time.h"
#include "pricing/calc_run.h"
#include "pricing/engine.h"
#include "pricing/export_lines.h"
#include "pricing/numbers.h"
#include "pricing/price_rows.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
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
    case Command::Reverse:
        hint += " reverse";
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

// The export bytes in blocks of 256 KiB, each handed to the sink when full.
// (A second thread writing one block while the next is computed measured
// slower on the two shared cores this was tuned on: 106 against 93 ms for a
// million rows, median of 21 interleaved runs.)
class BlockWriter {
public:
    static constexpr std::size_t kBlock = 256 * 1024;

    explicit BlockWriter(ByteSink& sink)
        : sink_(sink), data_(std::make_unique_for_overwrite<char[]>(kBlock + kMaxRowLineSize)) {}

    // Where the next bytes go: room for kMaxRowLineSize bytes at least.
    char* end() { return data_.get() + size_; }

    // The block now ends at end; written out once it is full. False once
    // writing has failed.
    bool Advance(char* end) {
        size_ = static_cast<std::size_t>(end - data_.get());
        return size_ < kBlock || Flush();
    }

    bool Append(std::string_view bytes) {
        while (!bytes.empty()) {
            const std::size_t n = std::min(bytes.size(), kBlock - std::min(kBlock, size_));
            std::memcpy(end(), bytes.data(), n);
            bytes.remove_prefix(n);
            if (!Advance(end() + n))
                return false;
        }
        return true;
    }

    bool Flush() {
        const bool ok = size_ == 0 || sink_.Write({data_.get(), size_});
        size_ = 0;
        return ok;
    }

private:
    ByteSink& sink_;
    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0;
};

// The rows of a range or batch as the export file holds them: the head, then
// one row a price, to standard output or the file named by -o. The lines are
// written from the rows' numbers; no cell text is made.
class RowWriter {
public:
    RowWriter(const Arguments& a, ByteSink& out)
        : destination_(out, a.output), layout_(a.format.value_or(ExportLayout::FixedPosition)) {}

    // Reports and returns false when the file cannot be created or written.
    bool Open(std::string_view head, ByteSink& err) {
        if (!destination_.Open(err))
            return false;
        blocks_.emplace(destination_.sink());
        if (blocks_->Append(head))
            return true;
        destination_.ReportFailure(err);
        return false;
    }

    // Reports and returns false once the output has failed.
    bool Append(const RowCells& cells, ByteSink& err) {
        if (blocks_->Advance(WriteRowLine(blocks_->end(), layout_, cells)))
            return true;
        destination_.ReportFailure(err);
        return false;
    }

    int Finish(ByteSink& err) {
        if (!blocks_->Flush() || !destination_.sink().Finish()) {
            destination_.ReportFailure(err);
            return kExitRefused;
        }
        return kExitOk;
    }

private:
    Destination destination_;
    ExportLayout layout_;
    std::optional<BlockWriter> blocks_; // after Open
};

// bis need not be a price of the range: when the rows up to it are refused,
// the last price of the running sum decides. Either way a refusal comes
// before anything is written.
void CheckRangeRows(const PriceRows& rows, double von, double bis, double step) {
    try {
        rows.CheckRows(von, bis);
        return;
    } catch (const AmountTooLarge&) {
    } catch (const FloatError&) {
    }
    double last = von;
    for (double price = von; !(price > bis); price = price + step)
        last = price;
    rows.CheckRows(von, last);
}

int RunPrice(const Arguments& a, double vatFactor, ByteSink& out, ByteSink& err) {
    const auto price = ReadNumber(err, "PREIS", a.operands[0]);
    if (!price)
        return kExitRefused;
    const PriceResult r = CalcPrices(*price, a.options, vatFactor);
    if (r.refusal != nullptr) {
        Report(err, r.refusal);
        return kExitRefused;
    }
    const RowCells cells = CellsOf(*price, r, a.options);
    std::string text;
    if (a.format) {
        char line[kMaxRowLineSize];
        text.assign(line, WriteRowLine(line, *a.format, cells));
    } else {
        const auto add = [&text](std::string_view label, ShownPrice shown) {
            char cell[kShownTextSize];
            WriteShownText(cell, shown);
            text += label;
            text.append(cell, sizeof cell);
            text += '\n';
        };
        text += kFapCaption;
        text += FapLabelText(*price, a.options);
        text += '\n';
        add(kAepCaption, cells.aep);
        add(kKpCaption, cells.kp);
        add(kAvpCaption, cells.avp);
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
    const PriceRows rows(a.options, vatFactor);
    CheckRangeRows(rows, *von, *bis, *step);
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
        if (!writer.Append(rows.Row(price), err))
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
    const PriceRows rows(a.options, vatFactor);
    if (!entries->empty()) {
        const auto [lowest, highest] = std::minmax_element(
            entries->begin(), entries->end(),
            [](const BatchEntry& x, const BatchEntry& y) { return x.price < y.price; });
        rows.CheckRows(lowest->price, highest->price);
    }
    const auto head = Head(a, {}, {}, {}, err);
    if (!head)
        return kExitRefused;

    RowWriter writer(a, out);
    if (!writer.Open(*head, err))
        return kExitRefused;
    for (const BatchEntry& e : *entries) {
        const RowCells cells = rows.Row(e.price);
        if (cells.refusal != nullptr)
            Report(err, "Zeile " + std::to_string(e.line) + ": " + cells.refusal);
        if (!writer.Append(cells, err))
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
        case Command::Reverse:
            return RunReverse(a, vatFactor, out, [&err](std::string_view m) { Report(err, m); });
        case Command::None:
            break;
        }
    } catch (const FloatError& e) {
        // An open output file is dropped as its sink goes out of scope.
        Report(err, e.what());
        return kExitRefused;
    } catch (const AmountTooLarge& e) {
        Report(err, e.what());
        return kExitRefused;
    }
    return UsageError(err, a.command, "kein Befehl angegeben");
}

} // namespace fapkalk::cli
