#include "cli/cli_run.h"

#include "cli/cli_args.h"
#include "cli/cli_formats.h"
#include "cli/cli_help.h"
#include "cli/cli_input.h"
#include "cli/cli_pdf.h"
#include "cli/cli_reverse.h"
#include "cli/cli_time.h"
#include "platform/standard_streams.h"
#include "platform/system_error_text.h"
#include "pricing/calc_run.h"
#include "pricing/engine.h"
#include "pricing/export_lines.h"
#include "pricing/margins.h"
#include "pricing/numbers.h"
#include "pricing/price_rows.h"
#include "pricing/text_rules.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <sys/stat.h>
#include <vector>

namespace fapkalk::cli {

namespace {
constexpr std::string_view kProgram = "fapkalk-cli";
PdfPrinter pdfPrinter;
} // namespace

void SetPdfPrinter(const PdfPrinter& printer) {
    pdfPrinter = printer;
}

void Report(ByteSink& err, std::string_view message) {
    std::string line(kProgram);
    line += ": ";
    line += message;
    line += '\n';
    err.Write(line);
    err.Finish();
}

std::optional<std::int64_t> ReadNumber(ByteSink& err, std::string_view name,
                                       std::string_view text) {
    const NumberText number = ParseNumber(text);
    if (!number.problem.empty()) {
        Report(err, "ungültige Zahl für " + std::string(name) + ": " + Quoted(text) + " (" +
                        number.problem + ")");
        return std::nullopt;
    }
    return number.cents;
}

namespace {

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

// Where the output goes: standard output or a file that is replaced only
// when everything succeeded.
class Destination {
public:
    // holdBack: nothing may reach standard output before Finish, because a
    // later part of the input can still be refused (batch).
    Destination(ByteSink& out, const std::optional<std::string>& path, bool holdBack)
        : out_(out), holdBack_(holdBack) {
        if (path && *path != "-") {
            path_ = *path;
            file_ = std::make_unique<FileSink>(*path);
        }
    }

    // Reports and returns false when the file cannot be created.
    bool Open(ByteSink& err) {
        if (file_ ? !file_->Open() : !out_.Ready()) {
            ReportFailure(err);
            return false;
        }
        // A file's temporary copy is dropped on failure anyway; standard
        // output, also named as -o /dev/stdout, is spooled.
        if (holdBack_ && (!file_ || file_->writer().direct()))
            spool_.emplace(file_ ? static_cast<ByteSink&>(*file_) : out_);
        return true;
    }

    ByteSink& sink() {
        if (spool_)
            return *spool_;
        return file_ ? static_cast<ByteSink&>(*file_) : out_;
    }

    void ReportFailure(ByteSink& err) {
        if (file_)
            Report(err, "Datei " + QuotedFileName(path_) + " konnte nicht geschrieben werden! (" +
                            sink().Error() + ")");
        else
            Report(err, "Fehler beim Schreiben der Standardausgabe: " + sink().Error());
    }

private:
    ByteSink& out_;
    bool holdBack_;
    std::string path_;
    std::unique_ptr<FileSink> file_;
    std::optional<SpoolSink> spool_; // after Open, when holding back
};

// Room a BlockWriter keeps beyond its block: one row in any format.
constexpr std::size_t kMaxRowSize = std::max(kMaxRowLineSize, kMaxFormatRowSize);
// A range's rows are computed and written this many at a time.
constexpr std::size_t kRowsAtOnce = 256;

// The export bytes in blocks of 256 KiB, each handed to the sink when full.
// (A second thread writing one block while the next is computed measured
// slower on the two shared cores this was tuned on: 106 against 93 ms for a
// million rows, median of 21 interleaved runs.)
class BlockWriter {
public:
    static constexpr std::size_t kBlock = 256 * 1024;

    explicit BlockWriter(ByteSink& sink)
        : sink_(sink),
          data_(std::make_unique_for_overwrite<char[]>(kBlock + kRowsAtOnce * kMaxRowSize)) {}

    // Where the next bytes go: room for kRowsAtOnce rows at least.
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

// The rows of a range or batch: the head, then one row a price, to standard
// output or the file named by -o. The lines are written from the rows'
// numbers; no cell text is made.
class RowWriter {
public:
    RowWriter(const Arguments& a, ByteSink& out, bool holdBack)
        : destination_(out, a.output, holdBack), format_(a.format.value_or(OutputFormat::Fixed)),
          layout_(ExportLayoutOf(format_)), margins_(a.margins) {}

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
    bool Append(const RowCells& cells, double vatFactor, ByteSink& err) {
        char* end = blocks_->end();
        if (layout_) [[likely]]
            end = WriteRowLine(end, *layout_, cells);
        else if (format_ == OutputFormat::Csv)
            end = WriteCsvRow(end, cells);
        else
            end = WriteJsonRow(end, cells);
        if (margins_)
            end = AddMargins(end, format_ == OutputFormat::Json, MarginsOf(cells, vatFactor));
        if (blocks_->Advance(end))
            return true;
        destination_.ReportFailure(err);
        return false;
    }

    // Append for each row; the export layouts without margins write the
    // block's lines in one go.
    bool AppendRows(std::span<const RowCells> rows, double vatFactor, ByteSink& err) {
        if (!layout_ || margins_) {
            for (const RowCells& cells : rows)
                if (!Append(cells, vatFactor, err))
                    return false;
            return true;
        }
        if (blocks_->Advance(WriteRowLines(blocks_->end(), *layout_, rows)))
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
    OutputFormat format_;
    std::optional<ExportLayout> layout_; // Fixed and Xls: the export's lines
    bool margins_;
    std::optional<BlockWriter> blocks_; // after Open
};

// The panel's four lines, the amounts right-aligned in one column: the
// captions' blanks were set for the window's proportional font.
std::string PanelText(double price, const RowCells& cells, const CalcOptions& options) {
    const auto shown = [](ShownPrice amount) {
        char cell[kShownTextSize];
        WriteShownText(cell, amount);
        return std::string(cell, sizeof cell);
    };
    const std::string_view captions[] = {kFapCaption, kAepCaption, kKpCaption, kAvpCaption};
    const std::string amounts[] = {FapLabelText(price, options), shown(cells.aep), shown(cells.kp),
                                   shown(cells.avp)};
    std::size_t captionWidth = 0;
    std::size_t amountWidth = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        captionWidth = std::max(captionWidth, TrimLowCodes(captions[i]).size());
        amountWidth = std::max(amountWidth, TrimLowCodes(amounts[i]).size());
    }
    std::string text;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string_view caption = TrimLowCodes(captions[i]);
        const std::string_view amount = TrimLowCodes(amounts[i]);
        text += caption;
        text.append(captionWidth - caption.size() + 1 + amountWidth - amount.size(), ' ');
        text += amount;
        text += '\n';
    }
    return text;
}

// The criteria of the run with the moment of creation, handed to print; a
// file that could not be written is reported as the export reports it.
template <class Print>
int PrintPdf(const Arguments& a, ExportCriteria criteria, ByteSink& err, Print&& print) {
    if (pdfPrinter.table == nullptr || pdfPrinter.sheet == nullptr) {
        Report(err, std::string("PDF kann nicht geschrieben werden: ") + kPdfProgram + " fehlt");
        return kExitRefused;
    }
    std::string error;
    const auto created = CreatedTextNow(error);
    if (!created) {
        Report(err, error);
        return kExitRefused;
    }
    criteria.created = *created;
    criteria.options = a.options;
    error = print(criteria);
    if (!error.empty()) {
        Report(err, "Datei " + QuotedFileName(*a.output) + " konnte nicht geschrieben werden! (" +
                        error + ")");
        return kExitRefused;
    }
    return kExitOk;
}

int RunPrice(const Arguments& a, double vatFactor, ByteSink& out, ByteSink& err) {
    const auto cents = ReadNumber(err, "PREIS", a.operands[0]);
    if (!cents)
        return kExitRefused;
    const double price = static_cast<double>(*cents) / 100.0;
    const PriceResult r = CalcPrices(price, a.options, vatFactor);
    if (r.refusal != nullptr) {
        Report(err, r.refusal);
        return kExitRefused;
    }
    const RowCells cells = CellsOf(price, r, a.options);
    if (a.format == OutputFormat::Pdf) {
        const std::string typed = ReplaceChar(a.operands[0], ',', '.');
        return PrintPdf(
            a, {.von = typed, .vatFactor = vatFactor}, err, [&](const ExportCriteria& criteria) {
                return pdfPrinter.sheet(*a.output, {criteria, price, cells,
                                                    ExplainPrices(price, a.options, vatFactor)});
            });
    }
    std::string text;
    char line[kMaxRowSize];
    switch (a.format.value_or(OutputFormat::Text)) {
    case OutputFormat::Text:
        text = PanelText(price, cells, a.options);
        if (a.explain) {
            text += '\n';
            text += ExplainPrices(price, a.options, vatFactor);
            if (text.back() != '\n')
                text += '\n';
        }
        // After the prices, or at the end of their path.
        if (a.margins)
            if (const auto margins = MarginsOf(cells, vatFactor))
                text += ExplainMargins(cells, *margins);
        break;
    case OutputFormat::Fixed:
    case OutputFormat::Xls:
        // The column line first, as in every export file and in range and batch.
        text = ExportFileHead(nullptr);
        text.append(line, WriteRowLine(line, *ExportLayoutOf(*a.format), cells));
        break;
    case OutputFormat::Csv:
    case OutputFormat::Json: {
        const bool json = a.format == OutputFormat::Json;
        if (!json)
            text = a.margins ? kCsvMarginsHeaderLine : kCsvHeaderLine;
        char* end = json ? WriteJsonRow(line, cells) : WriteCsvRow(line, cells);
        if (a.margins)
            end = AddMargins(end, json, MarginsOf(cells, vatFactor));
        text.append(line, end);
        break;
    }
    case OutputFormat::Pdf:
        break;
    }
    if (!out.Write(text) || !out.Finish()) {
        Report(err, "Fehler beim Schreiben der Standardausgabe: " + out.Error());
        return kExitRefused;
    }
    return kExitOk;
}

// What precedes the rows: for the export layouts the header block when asked
// for, then the column header line; CSV's header line; nothing for JSON Lines.
// nullopt (reported) when the creation time is unusable.
std::optional<std::string> Head(const Arguments& a, const ExportCriteria& inputs, ByteSink& err) {
    switch (a.format.value_or(OutputFormat::Fixed)) {
    case OutputFormat::Csv:
        return std::string(a.margins ? kCsvMarginsHeaderLine : kCsvHeaderLine);
    case OutputFormat::Json:
        return std::string();
    default:
        break;
    }
    if (!a.header)
        return ExportFileHead(nullptr);
    std::string error;
    const auto created = CreatedTextNow(error);
    if (!created) {
        Report(err, error);
        return std::nullopt;
    }
    ExportCriteria criteria = inputs;
    criteria.created = *created;
    criteria.options = a.options;
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
    // The window's table stops at its row limit; a script gets all rows or
    // none, so the range is refused before anything is written.
    const std::uint64_t maxRows = a.maxRows.value_or(kMaxRangeRows);
    const std::uint64_t count = RangeRowCount(*von, *bis, *step);
    if (count > maxRows) {
        Report(err, "Die Tabelle ist auf " + std::to_string(maxRows) +
                        " Zeilen begrenzt, der Bereich ergibt mehr; nichts wurde geschrieben. "
                        "--max-rows N erlaubt mehr Zeilen.");
        return kExitRefused;
    }
    // Rows that do not fit their cells are refused before anything is written.
    const PriceRows rows(a.options, vatFactor);
    rows.CheckRows(*von, RangeRowCents(*von, *step, count - 1));
    // The window's key filter turns a typed comma into a point, so its header
    // never shows "0,5": the texts go into the header as the window holds them.
    const std::string vonText = ReplaceChar(a.operands[0], ',', '.');
    const std::string bisText = ReplaceChar(a.operands[1], ',', '.');
    const std::string stepText = ReplaceChar(a.operands[2], ',', '.');
    if (a.format == OutputFormat::Pdf)
        return PrintPdf(
            a, {.von = vonText, .bis = bisText, .staffel = stepText, .vatFactor = vatFactor}, err,
            [&](const ExportCriteria& criteria) {
                return pdfPrinter.table(*a.output,
                                        {criteria, count, [&](std::uint64_t row) {
                                             return rows.Row(RangeRowCents(*von, *step, row));
                                         }});
            });
    const auto head =
        Head(a, {.von = vonText, .bis = bisText, .staffel = stepText, .vatFactor = vatFactor}, err);
    if (!head)
        return kExitRefused;

    // The rows are all checked: they stream out as they are computed.
    RowWriter writer(a, out, false);
    if (!writer.Open(*head, err))
        return kExitRefused;
    std::array<RowCells, kRowsAtOnce> block;
    for (std::uint64_t row = 0; row < count; row += kRowsAtOnce) {
        const std::span<RowCells> cells(block.data(),
                                        std::min<std::uint64_t>(kRowsAtOnce, count - row));
        rows.Rows(RangeRowCents(*von, *step, row), *step, cells);
        if (!writer.AppendRows(cells, vatFactor, err))
            return kExitRefused;
    }
    return writer.Finish(err);
}

// "Zeile 7: " and the message.
std::string AtLine(std::size_t number, std::string_view message) {
    return "Zeile " + std::to_string(number) + ": " + std::string(message);
}

// A price a line, written as it is read: memory stays the same however long
// the input. A refused line ends the run, and what was written is dropped
// (the temporary file of -o, the spool of standard output), so a bad line
// even at the very end leaves no partial output.
int RunBatch(const Arguments& a, double vatFactor, std::istream& stdIn, ByteSink& out,
             ByteSink& err) {
    std::ifstream file;
    std::istream* in = &stdIn;
    std::string inputName = "der Standardeingabe";
    const bool fromFile = !a.operands.empty() && a.operands[0] != "-";
    if (fromFile) {
        const std::string& path = a.operands[0];
        struct stat st {};
        errno = 0;
        if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            errno = EISDIR; // opened, a folder would only fail at the first read
        else
            file.open(path, std::ios::binary);
        if (!file.is_open()) {
            Report(err, "Eingabedatei " + QuotedFileName(path) + " kann nicht gelesen werden (" +
                            SystemErrorText(errno != 0 ? errno : EIO) + ")");
            return kExitRefused;
        }
        in = &file;
        inputName = "der Eingabedatei " + QuotedFileName(path);
    } else if (StandardStreamWasClosed(0)) {
        // It reads as empty now (/dev/null): that is no input the user gave.
        Report(err, "Standardeingabe ist geschlossen; es wurde nichts geschrieben");
        return kExitRefused;
    }
    // The header names the list the prices came from, as one line of text.
    std::string input = fromFile ? a.operands[0] : "Standardeingabe";
    std::replace_if(
        input.begin(), input.end(), [](char c) { return (c >= 0 && c < ' ') || c == '\x7f'; }, '?');
    // A PDF's page count is known only once every price has been read: the
    // prices are kept (8 bytes each), the rows computed again as pages are drawn.
    const bool pdf = a.format == OutputFormat::Pdf;
    std::vector<std::int64_t> pdfPrices;
    std::optional<RowWriter> writer;
    if (!pdf) {
        const auto head = Head(a, {.input = input, .vatFactor = vatFactor}, err);
        if (!head)
            return kExitRefused;
        writer.emplace(a, out, true);
        if (!writer->Open(*head, err))
            return kExitRefused;
    }

    const PriceRows rows(a.options, vatFactor);
    LineReader reader(*in);
    LineReader::Line line;
    for (std::size_t number = 1; reader.Next(line); ++number) {
        std::string_view text = line.text;
        std::size_t size = line.size;
        if (number == 1 && text.starts_with("\xEF\xBB\xBF")) {
            text.remove_prefix(3);
            size -= 3;
        }
        if (size == text.size() && text.ends_with('\r')) {
            text.remove_suffix(1);
            --size;
        }
        const bool whole = size == text.size();
        if (whole && text.find_first_not_of(" \t") == std::string_view::npos)
            continue;
        const NumberText price =
            whole
                ? ParseNumber(text)
                : NumberText{0, "länger als " + std::to_string(LineReader::kMaxKept) + " Zeichen"};
        if (!price.problem.empty()) {
            Report(err, AtLine(number, "ungültige Zahl " + Quoted(text, size) + " (" +
                                           price.problem + ")"));
            return kExitRefused;
        }
        RowCells cells;
        try {
            cells = rows.Row(price.cents);
        } catch (const FloatError& e) {
            Report(err, AtLine(number, e.what()));
            return kExitRefused;
        } catch (const AmountTooLarge& e) {
            Report(err, AtLine(number, e.what()));
            return kExitRefused;
        }
        if (cells.refusal != nullptr)
            Report(err, AtLine(number, cells.refusal));
        if (pdf)
            pdfPrices.push_back(price.cents);
        else if (!writer->Append(cells, vatFactor, err))
            return kExitRefused;
    }
    if (reader.failed()) {
        Report(err, "Fehler beim Lesen " + inputName + ": " + SystemErrorText(reader.error()));
        return kExitRefused;
    }
    if (pdf)
        return PrintPdf(
            a, {.input = input, .vatFactor = vatFactor}, err, [&](const ExportCriteria& criteria) {
                return pdfPrinter.table(
                    *a.output, {criteria, pdfPrices.size(),
                                [&](std::uint64_t row) { return rows.Row(pdfPrices[row]); }});
            });
    return writer->Finish(err);
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
            return RunReverse(a, vatFactor, out, err);
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
