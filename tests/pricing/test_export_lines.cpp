// Export lines byte for byte: both layouts, the column header, the header
// block and the Windows-1252 file form.
#include "pricing/calc_run.h"
#include "pricing/export_lines.h"
#include "pricing/numbers.h"

#include <QTest>

#include <cinttypes>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace fapkalk;

namespace {

QByteArray Bytes(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

// The two-row grid of the export file's example: texts of 10 characters.
const std::array<std::array<std::string, 4>, 2> kExampleGrid = {{
    {"      0.50", "     12.34", "    123.45", "   1234.56"},
    {"      1.00", "      9.99", "     10.00", "  99999.99"},
}};

// The line the builder makes of a computed row's display texts, in file form.
std::string BuilderLine(ExportLayout layout, const RowCells& cells) {
    std::string texts[4];
    const ShownPrice all[4] = {cells.fap, cells.aep, cells.kp, cells.avp};
    for (int c = 0; c < 4; ++c) {
        texts[c].assign(kShownTextSize, ' ');
        WriteShownText(texts[c].data(), all[c]);
    }
    if (cells.fapPlaceholder)
        texts[0] = kAepPlaceholderCell;
    std::string line;
    ExportLineBuilder(layout).AppendRow(line, {texts[0], texts[1], texts[2], texts[3]});
    return line;
}

// One data line as the file holds it, without its line end.
std::string DataLine(ExportLayout layout, const ExportRow& row) {
    std::string out;
    ExportLineBuilder(layout).AppendRow(out, row);
    out.resize(out.size() - 2);
    return out;
}

std::string Cp1252(std::string_view utf8) {
    std::string out;
    AppendWindows1252(out, utf8);
    return out;
}

ExportRow RowOf(const std::array<std::string, 4>& cells) {
    return {cells[0], cells[1], cells[2], cells[3]};
}

std::string ExampleFile(ExportLayout layout, const ExportCriteria* criteria) {
    std::string file = ExportFileHead(criteria);
    ExportLineBuilder builder(layout);
    for (const auto& row : kExampleGrid)
        builder.AppendRow(file, RowOf(row));
    return file;
}

} // namespace

class TestExportLines : public QObject {
    Q_OBJECT

private slots:
    void exampleXlsWithHeader() {
        CalcOptions options;
        options.Narcotic = true;
        const std::string created = CreatedText("07.12.2026", "14:05:09", 14, 5, 9);
        const ExportCriteria criteria{created, "0.5", "1", "0.5", options};
        const std::string expected = "Fileinfo: \r\n"
                                     "  Erstellt: 07.12.2026 14:05:09\r\n"
                                     "  Preise: Basis: FAP von: 0.5 bis: 1 Staffel: 0.5\r\n"
                                     "  Kalkulationsmodus: Standardberechnung\r\n"
                                     "  Kennzeichen: Suchtgift   \r\n"
                                     "FAP ;AEP ;KP ;AVP \r\n"
                                     "0,50;12,34;123,45;1234,56\r\n"
                                     "1,00;9,99;10,00;99999,99\r\n";
        QCOMPARE(Bytes(ExampleFile(ExportLayout::Xls, &criteria)), Bytes(expected));
    }

    void exampleFixedWithoutHeader() {
        const std::string expected = "FAP ;AEP ;KP ;AVP \r\n"
                                     "      050     1234    12345   123456\r\n"
                                     "      100      999     1000  9999999\r\n";
        const std::string file = ExampleFile(ExportLayout::FixedPosition, nullptr);
        QCOMPARE(Bytes(file), Bytes(expected));
        // Two data lines of 36 characters plus CR LF each.
        QCOMPARE(file.size(), std::size_t(20 + 2 * 38));
    }

    void dataLines_data() {
        QTest::addColumn<QByteArray>("fap");
        QTest::addColumn<QByteArray>("aep");
        QTest::addColumn<QByteArray>("kp");
        QTest::addColumn<QByteArray>("avp");
        QTest::addColumn<QByteArray>("fixed");
        QTest::addColumn<QByteArray>("xls");
        QTest::newRow("aep placeholder")
            << QByteArray("     0.00") << QByteArray("     10.00") << QByteArray("     13.70")
            << QByteArray("     18.85") << QByteArray("     000     1000     1370     1885")
            << QByteArray("0,00;10,00;13,70;18,85");
        QTest::newRow("empty row") << QByteArray() << QByteArray() << QByteArray() << QByteArray()
                                   << QByteArray() << QByteArray(";;;");
        // A cell of another length shifts every field after it; nothing is padded.
        QTest::newRow("short cell shifts")
            << QByteArray("1.5") << QByteArray("      2.00") << QByteArray("x") << QByteArray("")
            << QByteArray("15      200x") << QByteArray("1,5;2,00;x;");
        // Only code 32 and below is trimmed, on both ends, never inside.
        QTest::newRow("controls trimmed in xls only")
            << QByteArray("\t 1.00 \r") << QByteArray(" 2 .5")
            << QByteArray("\x01"
                          "3")
            << QByteArray("4.")
            << QByteArray("\t 100 \r 2 5\x01"
                          "34")
            << QByteArray("1,00;2 ,5;3;4,");
        // Ten characters like a price text, but not of its shape.
        QTest::newRow("ten characters, two points")
            << QByteArray("1.2345.678") << QByteArray("12345678.9") << QByteArray(".........9")
            << QByteArray("//////./ab") << QByteArray("12345678123456789\x39///////ab")
            << QByteArray("1,2345,678;12345678,9;,,,,,,,,,9;//////,/ab");
        QTest::newRow("ten characters, points at 4 and 7")
            << QByteArray("1234.56.89") << QByteArray(".234567.90") << QByteArray("")
            << QByteArray("") << QByteArray("1234568923456790")
            << QByteArray("1234,56,89;,234567,90;;");
        QTest::newRow("ten characters, umlaut")
            << QByteArray("  \xC3\xB6\x31\x32\x33.45") << QByteArray("      1.00") << QByteArray()
            << QByteArray() << QByteArray("  \xC3\xB6\x31\x32\x33\x34\x35      100")
            << QByteArray("\xC3\xB6\x31\x32\x33,45;1,00;;");
        QTest::newRow("large amounts")
            << QByteArray("9999999.99") << QByteArray("10000000.0") << QByteArray("123456789.")
            << QByteArray("1234567890") << QByteArray("9999999991000000001234567891234567890")
            << QByteArray("9999999,99;10000000,0;123456789,;1234567890");
    }

    void dataLines() {
        QFETCH(QByteArray, fap);
        QFETCH(QByteArray, aep);
        QFETCH(QByteArray, kp);
        QFETCH(QByteArray, avp);
        QFETCH(QByteArray, fixed);
        QFETCH(QByteArray, xls);
        const std::array<std::string, 4> cells{fap.toStdString(), aep.toStdString(),
                                               kp.toStdString(), avp.toStdString()};
        const ExportRow live = RowOf(cells);
        std::string out = "prefix";
        ExportLineBuilder fixedBuilder(ExportLayout::FixedPosition);
        fixedBuilder.AppendRow(out, live);
        QCOMPARE(Bytes(out), "prefix" + Bytes(Cp1252(fixed.toStdString())) + "\r\n");
        out.clear();
        ExportLineBuilder xlsBuilder(ExportLayout::Xls);
        xlsBuilder.AppendRow(out, live);
        QCOMPARE(Bytes(out), Bytes(Cp1252(xls.toStdString())) + "\r\n");
    }

    void placeholderLineIs35Characters() {
        const std::string line =
            DataLine(ExportLayout::FixedPosition,
                     {kAepPlaceholderCell, FormatPrice(10), FormatPrice(13.7), FormatPrice(18.85)});
        QCOMPARE(line.size(), std::size_t(35));
        QCOMPARE(Bytes(line.substr(0, 8)), QByteArray("     000"));
    }

    // Every amount on whole cents that FormatPrice shows with two decimals
    // becomes its count of cents in 9 characters (at least three digits), or
    // euros and cents with a comma in the spreadsheet layout.
    void formattedCentsBecomeFixedFields() {
        std::mt19937_64 random(20120101);
        std::uniform_int_distribution<long long> cents(0, 999999999);
        for (int i = 0; i < 20000; ++i) {
            const long long c = i < 1000 ? i : cents(random);
            const std::string text = FormatPrice(static_cast<double>(c) / 100);
            char fixed[32];
            std::snprintf(fixed, sizeof fixed, "%9.3lld", c);
            char xls[32];
            std::snprintf(xls, sizeof xls, "%lld,%02lld", c / 100, c % 100);
            const std::string fixedLine =
                DataLine(ExportLayout::FixedPosition, {text, text, text, text});
            const std::string expectedFixed = std::string(fixed) + fixed + fixed + fixed;
            if (fixedLine != expectedFixed)
                QFAIL(qPrintable(QStringLiteral("cents %1: \"%2\"")
                                     .arg(c)
                                     .arg(QString::fromStdString(fixedLine))));
            const std::string expectedXls = std::string(xls) + ";" + xls + ";" + xls + ";" + xls;
            if (DataLine(ExportLayout::Xls, {text, text, text, text}) != expectedXls)
                QFAIL(qPrintable(QStringLiteral("cents %1 in the xls layout").arg(c)));
        }
    }

    // A computed row written from its numbers gives the bytes the line
    // builder makes of the row's display texts: every cell width, signs,
    // zero, the largest amount, and the AEP-mode placeholder.
    void rowLinesFromNumbers() {
        std::mt19937_64 random(7);
        const std::uint64_t samples[] = {0,    1,     50,     99,       100,
                                         1234, 99999, 100000, 99999999, 999999999};
        // Written as one block too, the lines follow one another unchanged.
        std::vector<RowCells> block;
        std::string expectedBlock[2];
        for (int i = 0; i < 5000; ++i) {
            RowCells cells;
            cells.fapPlaceholder = i % 7 == 0;
            ShownPrice* all[4] = {&cells.fap, &cells.aep, &cells.kp, &cells.avp};
            for (ShownPrice* shown : all) {
                shown->cents =
                    i < 500 ? samples[random() % std::size(samples)] : random() % 1'000'000'000;
                shown->negative = random() % 5 == 0 && shown->cents < 100'000'000;
            }
            block.push_back(cells);
            for (ExportLayout layout : {ExportLayout::FixedPosition, ExportLayout::Xls}) {
                const std::string expected = BuilderLine(layout, cells);
                char line[kMaxRowLineSize];
                const std::string written(line, WriteRowLine(line, layout, cells));
                if (written != expected)
                    QFAIL(qPrintable(QString::fromStdString("\"" + written + "\", expected \"" +
                                                            expected + "\"")));
                expectedBlock[layout == ExportLayout::Xls] += expected;
            }
        }
        for (ExportLayout layout : {ExportLayout::FixedPosition, ExportLayout::Xls}) {
            std::string lines(block.size() * kMaxRowLineSize, '\0');
            lines.resize(std::size_t(WriteRowLines(lines.data(), layout, block) - lines.data()));
            QVERIFY(lines == expectedBlock[layout == ExportLayout::Xls]);
        }
    }

    // Each amount at the edges of the digit widths and of the short way
    // (below 2^26 cents for all four, below 10^8 for one), in every column,
    // beside short amounts, and with the placeholder.
    void linesAtTheWidthEdges_data() {
        QTest::addColumn<qulonglong>("cents");
        QTest::addColumn<bool>("negative");
        for (const qulonglong cents :
             {0ULL, 9ULL, 99ULL, 100ULL, 999ULL, 1000ULL, 99999ULL, 100000ULL, 9999999ULL,
              67108863ULL, 67108864ULL, 99999999ULL, 100000000ULL, 999999999ULL})
            for (const bool negative : {false, true})
                if (!negative || cents < 100'000'000)
                    QTest::addRow("%llu%s", cents, negative ? " negative" : "")
                        << cents << negative;
    }

    void linesAtTheWidthEdges() {
        QFETCH(qulonglong, cents);
        QFETCH(bool, negative);
        for (int column = 0; column < 8; ++column) {
            RowCells cells;
            cells.fapPlaceholder = column >= 4;
            ShownPrice* all[4] = {&cells.fap, &cells.aep, &cells.kp, &cells.avp};
            *all[column % 4] = {cents, negative};
            for (ExportLayout layout : {ExportLayout::FixedPosition, ExportLayout::Xls}) {
                char line[kMaxRowLineSize];
                QCOMPARE(std::string(line, WriteRowLine(line, layout, cells)),
                         BuilderLine(layout, cells));
            }
        }
    }

    void columnHeaderLine() {
        QCOMPARE(kColumnHeaderLine.size(), std::size_t(18));
        QCOMPARE(Bytes(ExportFileHead(nullptr)), QByteArray("FAP ;AEP ;KP ;AVP \r\n"));
    }

    void markers_data() {
        QTest::addColumn<bool>("narcotic");
        QTest::addColumn<bool>("veterinary");
        QTest::addColumn<bool>("notReimbursable");
        QTest::addColumn<double>("vat");
        QTest::addColumn<QByteArray>("line5");
        const QByteArray s = "Suchtgift   ";
        const QByteArray v = "Veterinaria   ";
        const QByteArray n = "* nicht Kassenzul\xE4ssig   ";
        // A rate other than 10 % stands after the markers.
        const std::pair<double, QByteArray> rates[] = {
            {kDefaultVatFactor, ""}, {1.2, "USt. 20 %   "}, {VatFactorFromRate(0), "USt. 0 %   "}};
        for (int bits = 0; bits < 24; ++bits) {
            const bool narcotic = bits & 1;
            const bool veterinary = bits & 2;
            const bool notReimbursable = bits & 4;
            QByteArray line = "  Kennzeichen: ";
            if (narcotic)
                line += s;
            if (veterinary)
                line += v;
            if (notReimbursable)
                line += n;
            const auto& [vat, rate] = rates[bits / 8];
            QTest::addRow("markers %d", bits)
                << narcotic << veterinary << notReimbursable << vat << line + rate;
        }
    }

    void markers() {
        QFETCH(bool, narcotic);
        QFETCH(bool, veterinary);
        QFETCH(bool, notReimbursable);
        QFETCH(double, vat);
        QFETCH(QByteArray, line5);
        CalcOptions options;
        options.Narcotic = narcotic;
        options.Veterinary = veterinary;
        options.NotReimbursable = notReimbursable;
        const ExportCriteria criteria{.created = "d",
                                      .von = "1",
                                      .bis = "2",
                                      .staffel = "3",
                                      .options = options,
                                      .vatFactor = vat};
        const auto lines = HeaderBlockLines(criteria);
        QCOMPARE(Bytes(Cp1252(lines[4])), line5);
        const std::string head = ExportFileHead(&criteria);
        QVERIFY(head.find(line5.toStdString() + "\r\nFAP ;AEP ;KP ;AVP \r\n") != std::string::npos);
    }

    void headerBlock_data() {
        QTest::addColumn<bool>("aepInput");
        QTest::addColumn<bool>("homeopathic");
        QTest::addColumn<QByteArray>("von");
        QTest::addColumn<QByteArray>("bis");
        QTest::addColumn<QByteArray>("staffel");
        QTest::addColumn<QByteArray>("line3");
        QTest::addColumn<QByteArray>("line4");
        QTest::newRow("fap standard")
            << false << false << QByteArray("0.5") << QByteArray("1") << QByteArray("0.5")
            << QByteArray("  Preise: Basis: FAP von: 0.5 bis: 1 Staffel: 0.5")
            << QByteArray("  Kalkulationsmodus: Standardberechnung");
        QTest::newRow("aep homeopathic")
            << true << true << QByteArray("10") << QByteArray("20") << QByteArray("1")
            << QByteArray("  Preise: Basis: AEP von: 10 bis: 20 Staffel: 1")
            << QByteArray("  Kalkulationsmodus: Hom\xF6op. Arzneispezialit\xE4t");
        QTest::newRow("empty fields stand alone")
            << false << false << QByteArray() << QByteArray() << QByteArray()
            << QByteArray("  Preise: Basis: FAP von:  bis:  Staffel: ")
            << QByteArray("  Kalkulationsmodus: Standardberechnung");
        QTest::newRow("trimmed at both ends, kept as typed")
            << false << false << QByteArray(" \t1,5 ") << QByteArray("2.50\r\n")
            << QByteArray("  0 . 1 ")
            << QByteArray("  Preise: Basis: FAP von: 1,5 bis: 2.50 "
                          "Staffel: 0 . 1")
            << QByteArray("  Kalkulationsmodus: Standardberechnung");
    }

    void headerBlock() {
        QFETCH(bool, aepInput);
        QFETCH(bool, homeopathic);
        QFETCH(QByteArray, von);
        QFETCH(QByteArray, bis);
        QFETCH(QByteArray, staffel);
        QFETCH(QByteArray, line3);
        QFETCH(QByteArray, line4);
        CalcOptions options;
        options.AepInput = aepInput;
        options.Homeopathic = homeopathic;
        const std::string v = von.toStdString(), b = bis.toStdString(), s = staffel.toStdString();
        const ExportCriteria criteria{"07.12.2026 14:05:09", v, b, s, options};
        const std::string head = ExportFileHead(&criteria);
        const QByteArray expected = "Fileinfo: \r\n  Erstellt: 07.12.2026 14:05:09\r\n" + line3 +
                                    "\r\n" + line4 + "\r\n  Kennzeichen: \r\n" +
                                    "FAP ;AEP ;KP ;AVP \r\n";
        QCOMPARE(Bytes(head), expected);
    }

    void createdText_data() {
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<int>("second");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("afternoon") << 14 << 5 << 9 << QByteArray("07.12.2026 14:05:09");
        QTest::newRow("midnight") << 0 << 0 << 0 << QByteArray("07.12.2026");
        QTest::newRow("one second later") << 0 << 0 << 1 << QByteArray("07.12.2026 00:00:01");
        QTest::newRow("one minute past") << 0 << 1 << 0 << QByteArray("07.12.2026 00:01:00");
        QTest::newRow("one hour past") << 1 << 0 << 0 << QByteArray("07.12.2026 01:00:00");
    }

    void createdText() {
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(int, second);
        QFETCH(QByteArray, expected);
        char time[16];
        std::snprintf(time, sizeof time, "%02d:%02d:%02d", hour, minute, second);
        QCOMPARE(Bytes(CreatedText("07.12.2026", time, hour, minute, second)), expected);
    }

    void windows1252_data() {
        QTest::addColumn<QByteArray>("utf8");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("ascii") << QByteArray("FAP ;AEP") << QByteArray("FAP ;AEP");
        QTest::newRow("o umlaut") << QByteArray("\xC3\xB6") << QByteArray("\xF6");
        QTest::newRow("a umlaut") << QByteArray("\xC3\xA4") << QByteArray("\xE4");
        QTest::newRow("sharp s, capital umlauts")
            << QByteArray("\xC3\x9F\xC3\x84\xC3\x96\xC3\x9C") << QByteArray("\xDF\xC4\xD6\xDC");
        QTest::newRow("euro sign") << QByteArray("\xE2\x82\xAC") << QByteArray("\x80");
        QTest::newRow("quotes and dash")
            << QByteArray("\xE2\x80\x9E\xE2\x80\x9C\xE2\x80\x93") << QByteArray("\x84\x93\x96");
        QTest::newRow("y diaeresis") << QByteArray("\xC5\xB8") << QByteArray("\x9F");
        QTest::newRow("latin-1 top") << QByteArray("\xC3\xBF") << QByteArray("\xFF");
        QTest::newRow("not in the code page") << QByteArray("a\xC4\x80"
                                                            "b\xE2\x82\xBF"
                                                            "c\xF0\x9F\x98\x80"
                                                            "d")
                                              << QByteArray("a?b?c?d");
        QTest::newRow("undefined byte's code point") << QByteArray("\xC2\x81") << QByteArray("?");
        QTest::newRow("lone lead byte") << QByteArray("x\xC3") << QByteArray("x?");
        QTest::newRow("lone continuation") << QByteArray("\x80y") << QByteArray("?y");
        QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << QByteArray("??");
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << QByteArray("???");
        QTest::newRow("beyond unicode") << QByteArray("\xF4\x90\x80\x80") << QByteArray("????");
        QTest::newRow("truncated sequence then ascii") << QByteArray("\xE2\x82"
                                                                     "A")
                                                       << QByteArray("??A");
    }

    void windows1252() {
        QFETCH(QByteArray, utf8);
        QFETCH(QByteArray, expected);
        QCOMPARE(Bytes(Cp1252(utf8.toStdString())), expected);
        std::string line;
        AppendFileLine(line, utf8.toStdString());
        QCOMPARE(Bytes(line), expected + "\r\n");
    }

    // A line with other characters is encoded; the next, plain, line is not
    // disturbed by what the builder's scratch buffer held before.
    void builderEncodesOnlyWhatNeedsIt() {
        const std::string umlaut = "\xC3\xB6.5";
        ExportLineBuilder builder(ExportLayout::Xls);
        std::string out;
        builder.AppendRow(out, {umlaut, "1.00", "", "\xE2\x82\xAC"});
        builder.AppendRow(out, {"2.00", "3.00", "4.00", "5.00"});
        QCOMPARE(Bytes(out), QByteArray("\xF6,5;1,00;;\x80\r\n2,00;3,00;4,00;5,00\r\n"));
    }

    void replaceAndDelete_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("replaced");
        QTest::addColumn<QByteArray>("deleted");
        QTest::newRow("empty") << QByteArray() << QByteArray() << QByteArray();
        QTest::newRow("price") << QByteArray("  12.34") << QByteArray("  12,34")
                               << QByteArray("  1234");
        QTest::newRow("several") << QByteArray("..1.2..") << QByteArray(",,1,2,,")
                                 << QByteArray("12");
        QTest::newRow("none") << QByteArray("abc") << QByteArray("abc") << QByteArray("abc");
        QTest::newRow("only points") << QByteArray("...") << QByteArray(",,,") << QByteArray();
    }

    void replaceAndDelete() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, replaced);
        QFETCH(QByteArray, deleted);
        QCOMPARE(Bytes(ReplaceChar(text.toStdString(), '.', ',')), replaced);
        QCOMPARE(Bytes(DeleteChar(text.toStdString(), '.')), deleted);
    }
};

QTEST_GUILESS_MAIN(TestExportLines)
#include "test_export_lines.moc"
