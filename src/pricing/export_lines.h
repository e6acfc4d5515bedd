// The lines of the export file: data lines in the two layouts, the column
// header, the optional header block, and the byte form the file holds
// (Windows-1252, CR LF after every line). Shared by the window's export dialog
// and the command-line tool, so both write the same bytes.
#pragma once

#include "pricing/engine.h"
#include "pricing/price_rows.h"

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace fapkalk {

enum class ExportLayout {
    FixedPosition, // cells joined without separator, every "." deleted
    Xls,           // cells trimmed, joined with ";", every "." replaced by ","
};

// The four cell texts of one result row: FAP, AEP, KP, AVP.
using ExportRow = std::array<std::string_view, 4>;

inline constexpr std::string_view kColumnHeaderLine = "FAP ;AEP ;KP ;AVP ";

inline constexpr std::string_view kModeStandardText = "Standardberechnung";
inline constexpr std::string_view kModeHomeopathicText = "Homöop. Arzneispezialität";
inline constexpr std::string_view kMarkerNarcoticText = "Suchtgift   ";
inline constexpr std::string_view kMarkerVeterinaryText = "Veterinaria   ";
inline constexpr std::string_view kMarkerNotReimbursableText = "* nicht Kassenzulässig   ";
// After the markers, when the rate is not 10 %: "USt. 20 %   ".
std::string VatMarkerText(double vatFactor);

// Every occurrence of from replaced by to.
std::string ReplaceChar(std::string_view text, char from, char to);
// Every occurrence of ch removed.
std::string DeleteChar(std::string_view text, char ch);

// Header line 2's date-time text: date and time joined by one blank, or the
// date alone in the first second after midnight.
std::string CreatedText(std::string_view date, std::string_view time, int hour, int minute,
                        int second);

// What the header block records about a calculation. von, bis and staffel are
// the input texts as typed; they are trimmed here. Prices read from a list
// have no von, bis and Staffel: input names the list instead ("Eingabe: "),
// and line 3 shows it in their place.
struct ExportCriteria {
    std::string_view created = {}; // from CreatedText
    std::string_view von = {};
    std::string_view bis = {};
    std::string_view staffel = {};
    CalcOptions options = {};
    std::string_view input = {};
    // The rate stands after the markers when it is not 10 %.
    double vatFactor = kDefaultVatFactor;
};

// The five header lines, UTF-8, without line ends.
std::array<std::string, 5> HeaderBlockLines(const ExportCriteria& criteria);

// UTF-8 to Windows-1252: characters outside the code page, and malformed
// UTF-8, become "?". Appends to out.
void AppendWindows1252(std::string& out, std::string_view utf8);

// Appends the line's file form: Windows-1252 bytes and CR LF.
void AppendFileLine(std::string& out, std::string_view utf8Line);

// Builds file lines of data rows with a reused scratch buffer, so a long
// export allocates nothing per row.
class ExportLineBuilder {
public:
    explicit ExportLineBuilder(ExportLayout layout) : layout_(layout) {}
    ExportLayout layout() const { return layout_; }

    // Appends the data line of row in file form (Windows-1252, CR LF) to out.
    void AppendRow(std::string& out, const ExportRow& row);

private:
    ExportLayout layout_;
    std::string scratch_;
};

// The longest data line WriteRowLine writes: four fields of at most 11
// characters, three separators, CR LF.
inline constexpr std::size_t kMaxRowLineSize = 4 * 11 + 3 + 2;

// Writes the data line of a computed row in file form (ASCII, CR LF) at out
// and returns its end (out has room for kMaxRowLineSize bytes: a short line
// may scribble past its end): the same bytes ExportLineBuilder makes of the row's
// FormatPrice texts, without them.
char* WriteRowLine(char* out, ExportLayout layout, const RowCells& cells);

// WriteRowLine for each row, one line after the other; returns the end. At
// most rows.size() * kMaxRowLineSize bytes.
char* WriteRowLines(char* out, ExportLayout layout, std::span<const RowCells> rows);

// The whole file head in file form: the header block when criteria is given,
// then the column header line.
std::string ExportFileHead(const ExportCriteria* criteria);

} // namespace fapkalk
