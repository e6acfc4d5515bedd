#include "pricing/export_lines.h"

#include "pricing/calc_run.h"
#include "pricing/cent_path.h"
#include "pricing/text_rules.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace fapkalk {

std::string ReplaceChar(std::string_view text, char from, char to) {
    std::string result(text);
    for (char& c : result)
        if (c == from)
            c = to;
    return result;
}

std::string DeleteChar(std::string_view text, char ch) {
    std::string result;
    result.reserve(text.size());
    for (char c : text)
        if (c != ch)
            result.push_back(c);
    return result;
}

namespace {

// The two layouts write the line at the end of out, followed by tail (the
// line end in file form), and return the OR of the line's bytes: a builder
// learns without a second pass whether the line is plain ASCII.
unsigned WriteFixedPosition(std::string& out, const ExportRow& row, std::string_view tail) {
    std::size_t total = tail.size();
    for (std::string_view cell : row)
        total += cell.size();
    const std::size_t start = out.size();
    out.resize(start + total);
    char* p = out.data() + start;
    unsigned bits = 0;
    for (std::string_view cell : row) {
        for (char c : cell) {
            if (c != '.')
                *p++ = c;
            bits |= static_cast<unsigned char>(c);
        }
    }
    for (char c : tail)
        *p++ = c;
    out.resize(static_cast<std::size_t>(p - out.data()));
    return bits;
}

unsigned WriteXls(std::string& out, const ExportRow& row, std::string_view tail) {
    std::array<std::string_view, 4> cells;
    std::size_t total = row.size() - 1 + tail.size();
    for (std::size_t i = 0; i < row.size(); ++i) {
        cells[i] = TrimLowCodes(row[i]);
        total += cells[i].size();
    }
    const std::size_t start = out.size();
    out.resize(start + total);
    char* p = out.data() + start;
    unsigned bits = 0;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i != 0)
            *p++ = ';';
        for (char c : cells[i]) {
            *p++ = c == '.' ? ',' : c;
            bits |= static_cast<unsigned char>(c);
        }
    }
    for (char c : tail)
        *p++ = c;
    return bits;
}

} // namespace

std::string CreatedText(std::string_view date, std::string_view time, int hour, int minute,
                        int second) {
    std::string text(date);
    if (hour != 0 || minute != 0 || second != 0) {
        text += ' ';
        text += time;
    }
    return text;
}

std::array<std::string, 5> HeaderBlockLines(const ExportCriteria& criteria) {
    const CalcOptions& o = criteria.options;
    std::array<std::string, 5> lines;
    lines[0] = "Fileinfo: ";
    lines[1] = "  Erstellt: ";
    lines[1] += criteria.created;
    lines[2] = "  Preise: Basis: ";
    lines[2] += o.AepInput ? "AEP" : "FAP";
    if (!criteria.input.empty()) {
        lines[2] += " Eingabe: ";
        lines[2] += criteria.input;
    } else {
        lines[2] += " von: ";
        lines[2] += TrimLowCodes(criteria.von);
        lines[2] += " bis: ";
        lines[2] += TrimLowCodes(criteria.bis);
        lines[2] += " Staffel: ";
        lines[2] += TrimLowCodes(criteria.staffel);
    }
    lines[3] = "  Kalkulationsmodus: ";
    lines[3] += o.Homeopathic ? kModeHomeopathicText : kModeStandardText;
    lines[4] = "  Kennzeichen: ";
    if (o.Narcotic)
        lines[4] += kMarkerNarcoticText;
    if (o.Veterinary)
        lines[4] += kMarkerVeterinaryText;
    if (o.NotReimbursable)
        lines[4] += kMarkerNotReimbursableText;
    lines[4] += VatMarkerText(criteria.vatFactor);
    return lines;
}

std::string VatMarkerText(double vatFactor) {
    constexpr int kUsualRate = 10;
    const int rate = detail::WholeVatRate(vatFactor);
    if (rate == kUsualRate)
        return {};
    if (rate >= 0)
        return "USt. " + std::to_string(rate) + " %   ";
    // Only a factor no VAT field produces: stated as it is.
    char factor[32];
    const auto written = std::to_chars(factor, factor + sizeof factor, vatFactor);
    return "USt.-Faktor " + std::string(factor, written.ptr) + "   ";
}

namespace {

// Code points of the bytes 0x80 to 0x9F; 0 where the code page leaves the
// byte undefined.
constexpr std::uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char Windows1252Byte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] != 0 && kHighControls[i] == cp)
            return static_cast<char>(0x80 + i);
    return '?';
}

// Decodes one UTF-8 sequence at text[pos]; returns its length, or 0 for a
// malformed sequence (then one byte is consumed as "?").
std::size_t DecodeUtf8(std::string_view text, std::size_t pos, char32_t& cp) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    std::size_t length;
    char32_t min;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
        min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
        min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - pos < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char b = byte(pos + i);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

void AppendWindows1252(std::string& out, std::string_view utf8) {
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        // Runs of ASCII, the whole of every data line, are copied as they are.
        std::size_t ascii = pos;
        while (ascii < utf8.size() && static_cast<unsigned char>(utf8[ascii]) < 0x80)
            ++ascii;
        out.append(utf8.substr(pos, ascii - pos));
        pos = ascii;
        if (pos == utf8.size())
            break;
        char32_t cp = 0;
        const std::size_t length = DecodeUtf8(utf8, pos, cp);
        if (length == 0) {
            out.push_back('?');
            ++pos;
        } else {
            out.push_back(Windows1252Byte(cp));
            pos += length;
        }
    }
}

void AppendFileLine(std::string& out, std::string_view utf8Line) {
    AppendWindows1252(out, utf8Line);
    out += "\r\n";
}

void ExportLineBuilder::AppendRow(std::string& out, const ExportRow& row) {
    const std::size_t start = out.size();
    const unsigned bits = layout_ == ExportLayout::Xls ? WriteXls(out, row, "\r\n")
                                                       : WriteFixedPosition(out, row, "\r\n");
    // Price cells are ASCII, which Windows-1252 keeps as it is; only a line
    // with other characters is encoded.
    if (bits & 0x80) {
        scratch_.assign(out, start, out.size() - start - 2);
        out.resize(start);
        AppendFileLine(out, scratch_);
    }
}

namespace {

// The AEP-mode placeholder of the FAP cell in each layout, by the layouts'
// own text rules.
std::string_view PlaceholderField(ExportLayout layout) {
    static const std::string fixed = DeleteChar(kAepPlaceholderCell, '.');
    static const std::string xls = ReplaceChar(TrimLowCodes(kAepPlaceholderCell), '.', ',');
    return layout == ExportLayout::Xls ? xls : fixed;
}

constexpr std::size_t kFixedField = kShownTextSize - 1;

// "0000" to "9999": four digits a step.
constexpr std::array<char, 40000> kDigitQuads = [] {
    std::array<char, 40000> quads{};
    for (std::size_t i = 0; i < 10000; ++i)
        for (std::size_t d = 0, n = i; d < 4; ++d, n /= 10)
            quads[4 * i + 3 - d] = static_cast<char>('0' + n % 10);
    return quads;
}();

// The digits of an amount below 10^8 cents, zero-padded to eight characters
// in one 64-bit word, the first in its lowest byte, and how many of its
// leading zeros the text leaves out: all but the last three digits' (euros,
// at least one, and the cents). Only on a little-endian machine: elsewhere,
// and for amounts that do not take this way, Fits is false.
struct EightDigits {
    static bool Fits(ShownPrice shown) {
        return std::endian::native == std::endian::little && !shown.negative &&
               shown.cents < 100'000'000;
    }

    explicit EightDigits(ShownPrice shown) {
        const auto cents = static_cast<std::uint32_t>(shown.cents);
        std::uint32_t high;
        std::uint32_t low;
        std::memcpy(&high, &kDigitQuads[4 * (cents / 10000)], 4);
        std::memcpy(&low, &kDigitQuads[4 * (cents % 10000)], 4);
        word = high | std::uint64_t{low} << 32;
        // A digit's byte XOR '0' is 0 only for a zero; the bit at byte 5 stops
        // the count before the last three digits.
        const auto zeros = std::countr_zero((word ^ 0x3030303030303030) | (std::uint64_t{1} << 40));
        leadingZeros = static_cast<unsigned>(zeros) / 8;
    }

    std::uint64_t word;
    unsigned leadingZeros; // 0 to 5
};

// The amounts EightDigits does not take, out of the way of the row loop so
// that the common field stays small enough to inline.
[[gnu::noinline]] char* WriteAnyFixedField(char* out, ShownPrice shown) {
    std::memset(out, ' ', kFixedField);
    WriteShownBackwards(out + kFixedField, shown, 0);
    return out + kFixedField;
}

[[gnu::noinline]] char* WriteAnyXlsField(char* out, ShownPrice shown) {
    return WriteShownForwards(out, shown, ',');
}

// Right-aligned in its field; an amount that fits needs no more. The field
// is a blank and the eight digits, the leading zeros' bytes turned from '0'
// (0x30) into blanks (0x20). Only for an amount EightDigits::Fits.
inline char* WriteShortFixedField(char* out, ShownPrice shown) {
    const EightDigits digits(shown);
    const std::uint64_t leading = (std::uint64_t{1} << (8 * digits.leadingZeros)) - 1;
    const std::uint64_t word = digits.word & ~(leading & 0x1010101010101010);
    *out = ' ';
    std::memcpy(out + 1, &word, 8);
    return out + kFixedField;
}

inline char* WriteFixedField(char* out, ShownPrice shown) {
    if (!EightDigits::Fits(shown)) [[unlikely]]
        return WriteAnyFixedField(out, shown);
    return WriteShortFixedField(out, shown);
}

// The amount with a decimal comma, then next (';' or CR), as it starts at
// out: returns the end. The significant digits are moved to the front, then
// comma, cents and next stored as one word over what the eight bytes left.
// Those reach up to three bytes past the end: the next field or the line end
// overwrites them, and a line with such a field stays short of
// kMaxRowLineSize, so they stay inside the line's room. Only for an amount
// EightDigits::Fits.
inline char* WriteShortXlsField(char* out, ShownPrice shown, char next) {
    const EightDigits digits(shown);
    const std::uint64_t word = digits.word >> (8 * digits.leadingZeros);
    const unsigned length = 8 - digits.leadingZeros;
    std::memcpy(out, &word, 8);
    const auto tail = static_cast<std::uint32_t>(
        ',' | (digits.word >> 48) << 8 | std::uint64_t{static_cast<unsigned char>(next)} << 24);
    std::memcpy(out + length - 2, &tail, 4);
    return out + length + 2;
}

inline char* WriteXlsField(char* out, ShownPrice shown, char next) {
    if (!EightDigits::Fits(shown)) [[unlikely]] {
        out = WriteAnyXlsField(out, shown);
        *out++ = next;
        return out;
    }
    return WriteShortXlsField(out, shown, next);
}

// Nearly every row: no placeholder, and all four amounts below 2^26 cents
// (671,088.64 euros, so EightDigits::Fits each): one test for the four.
bool AllShort(const RowCells& cells) {
    return std::endian::native == std::endian::little && !cells.fapPlaceholder &&
           (cells.fap.cents | cells.aep.cents | cells.kp.cents | cells.avp.cents) >> 26 == 0 &&
           !(cells.fap.negative | cells.aep.negative | cells.kp.negative | cells.avp.negative);
}

} // namespace

namespace {

// Inlined into the block loop: a call a row would cost a tenth of the line.
template <ExportLayout layout>
[[gnu::always_inline]] inline char* WriteLine(char* out, const RowCells& cells) {
    if constexpr (layout == ExportLayout::Xls) {
        if (AllShort(cells)) [[likely]] {
            out = WriteShortXlsField(out, cells.fap, ';');
            out = WriteShortXlsField(out, cells.aep, ';');
            out = WriteShortXlsField(out, cells.kp, ';');
            out = WriteShortXlsField(out, cells.avp, '\r');
        } else {
            if (cells.fapPlaceholder) {
                const std::string_view placeholder = PlaceholderField(layout);
                out = std::copy(placeholder.begin(), placeholder.end(), out);
                *out++ = ';';
            } else {
                out = WriteXlsField(out, cells.fap, ';');
            }
            out = WriteXlsField(out, cells.aep, ';');
            out = WriteXlsField(out, cells.kp, ';');
            out = WriteXlsField(out, cells.avp, '\r');
        }
    } else {
        if (AllShort(cells)) [[likely]] {
            out = WriteShortFixedField(out, cells.fap);
            out = WriteShortFixedField(out, cells.aep);
            out = WriteShortFixedField(out, cells.kp);
            out = WriteShortFixedField(out, cells.avp);
        } else {
            if (cells.fapPlaceholder) {
                const std::string_view placeholder = PlaceholderField(layout);
                out = std::copy(placeholder.begin(), placeholder.end(), out);
            } else {
                out = WriteFixedField(out, cells.fap);
            }
            out = WriteFixedField(out, cells.aep);
            out = WriteFixedField(out, cells.kp);
            out = WriteFixedField(out, cells.avp);
        }
        *out++ = '\r';
    }
    *out++ = '\n';
    return out;
}

template <ExportLayout layout> char* WriteLines(char* out, std::span<const RowCells> rows) {
    for (const RowCells& cells : rows)
        out = WriteLine<layout>(out, cells);
    return out;
}

} // namespace

char* WriteRowLine(char* out, ExportLayout layout, const RowCells& cells) {
    return layout == ExportLayout::Xls ? WriteLine<ExportLayout::Xls>(out, cells)
                                       : WriteLine<ExportLayout::FixedPosition>(out, cells);
}

char* WriteRowLines(char* out, ExportLayout layout, std::span<const RowCells> rows) {
    // The layout is decided once a block, not once a row.
    return layout == ExportLayout::Xls ? WriteLines<ExportLayout::Xls>(out, rows)
                                       : WriteLines<ExportLayout::FixedPosition>(out, rows);
}

std::string ExportFileHead(const ExportCriteria* criteria) {
    std::string out;
    if (criteria != nullptr)
        for (const std::string& line : HeaderBlockLines(*criteria))
            AppendFileLine(out, line);
    AppendFileLine(out, kColumnHeaderLine);
    return out;
}

} // namespace fapkalk
