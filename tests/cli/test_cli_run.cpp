// fapkalk-cli driven in-process: outputs, exit statuses, refusals, files.
#include "cli/cli_run.h"
#include "cli/cli_time.h"
#include "cli_harness.h"
#include "pricing/calc_run.h"
#include "pricing/engine.h"
#include "pricing/export_lines.h"
#include "pricing/numbers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

using namespace fapkalk;
using namespace fapkalk::cli;

namespace {

// 07.12.2026 14:05:09 and the midnight before, in UTC.
constexpr const char* kAfternoonEpoch = "1796652309";
constexpr const char* kMidnightEpoch = "1796601600";

QByteArray ReadFile(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream data;
    data << in.rdbuf();
    return QByteArray::fromStdString(data.str());
}

void WriteFile(const QString& path, const QByteArray& content) {
    std::ofstream out(path.toStdString(), std::ios::binary | std::ios::trunc);
    out << content.toStdString();
}

QByteArray Q(const std::string& s) {
    return QByteArray::fromStdString(s);
}

// The data line the export holds for one price, built from the engine.
QByteArray ExpectedRow(double price, const CalcOptions& options, double vat, ExportLayout layout) {
    const PriceResult r = CalcPrices(price, options, vat);
    const std::string fap =
        options.AepInput ? std::string(kAepPlaceholderCell) : FormatPrice(price);
    const std::string aep = FormatPrice(r.aep), kp = FormatPrice(r.kp), avp = FormatPrice(r.avp);
    std::string line;
    ExportLineBuilder(layout).AppendRow(line, {fap, aep, kp, avp});
    line.resize(line.size() - 2); // without CR LF
    return Q(line);
}

CalcOptions OptionsOf(const QStringList& switches) {
    CalcOptions o;
    o.AepInput = switches.contains("--aep");
    o.Homeopathic = switches.contains("--homeopathic");
    o.Narcotic = switches.contains("--narcotic");
    o.Veterinary = switches.contains("--veterinary");
    o.NotReimbursable = switches.contains("--not-reimbursable");
    return o;
}

} // namespace

class TestCliRun : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString Path(const QString& name) const { return dir_.path() + "/" + name; }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        ::setenv("SOURCE_DATE_EPOCH", kAfternoonEpoch, 1);
    }

    // The figures of the price table, as the panel shows them.
    void priceLikeThePanel_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("fap");
        QTest::addColumn<QByteArray>("aep");
        QTest::addColumn<QByteArray>("kp");
        QTest::addColumn<QByteArray>("avp");
        QTest::newRow("FAP 10") << QStringList{"10"} << QByteArray("     10.00")
                                << QByteArray("     11.25") << QByteArray("     15.20")
                                << QByteArray("     21.20");
        QTest::newRow("FAP 10,00 narcotic")
            << QStringList{"10,00", "--narcotic"} << QByteArray("     10.00")
            << QByteArray("     11.25") << QByteArray("     15.75") << QByteArray("     21.80");
        QTest::newRow("FAP 10 vat 20")
            << QStringList{"10", "--vat", "20"} << QByteArray("     10.00")
            << QByteArray("     11.25") << QByteArray("     15.20") << QByteArray("     23.10");
        QTest::newRow("FAP 10 veterinary")
            << QStringList{"--veterinary", "10"} << QByteArray("     10.00")
            << QByteArray("     12.00") << QByteArray("     16.20") << QByteArray("     22.60");
        QTest::newRow("FAP 10 not reimbursable")
            << QStringList{"10", "--not-reimbursable"} << QByteArray("     10.00")
            << QByteArray("     11.45") << QByteArray("     15.45") << QByteArray("     21.60");
        QTest::newRow("FAP 10 homeopathic")
            << QStringList{"10", "--homeopathic"} << QByteArray("     10.00")
            << QByteArray("     11.60") << QByteArray("     15.65") << QByteArray("     21.85");
        QTest::newRow("FAP 400") << QStringList{" 400 "} << QByteArray("    400.00")
                                 << QByteArray("    423.74") << QByteArray("    440.25")
                                 << QByteArray("    603.05");
        QTest::newRow("AEP 0.01 narcotic")
            << QStringList{"0.01", "--aep", "--narcotic"} << QByteArray("       0.00")
            << QByteArray("      0.01") << QByteArray("      0.55") << QByteArray("      0.65");
        QTest::newRow("AEP 130,81")
            << QStringList{"--aep", "130,81"} << QByteArray("       0.00")
            << QByteArray("    130.81") << QByteArray("    149.10") << QByteArray("    205.20");
    }

    void priceLikeThePanel() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, fap);
        QFETCH(QByteArray, aep);
        QFETCH(QByteArray, kp);
        QFETCH(QByteArray, avp);
        const CliResult result = RunTool(QStringList{"price"} + args);
        QCOMPARE(result.status, kExitOk);
        QVERIFY(result.err.isEmpty());
        // The window's captions and amounts, the amounts right-aligned in one
        // column whatever their width.
        const QList<QByteArray> lines = result.out.split('\n');
        QCOMPARE(lines.size(), 5);
        QVERIFY(lines[4].isEmpty());
        const QByteArray captions[] = {"Fabriksabgabepreis:", "Apotheken-Einkaufspreis:",
                                       "Kassenpreis:", "Apotheken-Verkaufspreis:"};
        const QByteArray amounts[] = {fap.trimmed(), aep.trimmed(), kp.trimmed(), avp.trimmed()};
        for (int i = 0; i < 4; ++i) {
            QVERIFY2(lines[i].startsWith(captions[i] + ' '), lines[i].constData());
            QVERIFY2(lines[i].endsWith(' ' + amounts[i]), lines[i].constData());
            QCOMPARE(lines[i].size(), lines[0].size());
            QCOMPARE(lines[i].mid(captions[i].size()).trimmed(), amounts[i]);
        }
    }

    void priceDataLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("fixed") << QStringList{"10", "--format", "fixed"}
                               << QByteArray("     1000     1125     1520     2120\r\n");
        QTest::newRow("xls") << QStringList{"10", "--format=xls"}
                             << QByteArray("10,00;11,25;15,20;21,20\r\n");
        QTest::newRow("aep fixed, 35 characters")
            << QStringList{"10", "--aep", "--format", "fixed"}
            << QByteArray("     000     1000     1370     1885\r\n");
        QTest::newRow("aep xls") << QStringList{"10", "--aep", "--format", "xls"}
                                 << QByteArray("0,00;10,00;13,70;18,85\r\n");
    }

    void priceDataLine() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, expected);
        const CliResult result = RunTool(QStringList{"price"} + args);
        QCOMPARE(result.status, kExitOk);
        // Headed by the column line, as range and batch are.
        QCOMPARE(result.out, "FAP ;AEP ;KP ;AVP \r\n" + expected);
        QVERIFY(result.err.isEmpty());
    }

    void priceExplained() {
        const CliResult result = RunTool({"price", "10", "--explain", "--narcotic"});
        QCOMPARE(result.status, kExitOk);
        const QByteArray panel = RunTool({"price", "10", "--narcotic"}).out;
        QVERIFY(result.out.startsWith(panel + "\n"));
        CalcOptions options;
        options.Narcotic = true;
        QCOMPARE(result.out.mid(panel.size() + 1),
                 Q(ExplainPrices(10, options, kDefaultVatFactor)));
        QVERIFY(result.out.endsWith('\n'));
    }

    void zeroPriceRefused_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("fap") << QStringList{"price", "0"} << "FAP-Preis muß eingegeben werden";
        QTest::newRow("aep") << QStringList{"price", "0,00", "--aep"}
                             << "AEP-Preis muß eingegeben werden";
        QTest::newRow("as data line") << QStringList{"price", " 0.0 ", "--format", "xls"}
                                      << "FAP-Preis muß eingegeben werden";
    }

    void zeroPriceRefused() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const CliResult result = RunTool(args);
        QCOMPARE(result.status, kExitRefused);
        QVERIFY(result.out.isEmpty());
        QCOMPARE(QString::fromUtf8(result.err), "fapkalk-cli: " + message + "\n");
    }

    // Range rows: Von, Von + Staffel, ... in whole cents up to Bis, each equal
    // to the engine's result for its price.
    void rangeRows_data() {
        QTest::addColumn<QString>("von");
        QTest::addColumn<QString>("bis");
        QTest::addColumn<QString>("step");
        QTest::addColumn<QStringList>("switches");
        QTest::addColumn<int>("rows");
        QTest::newRow("1 to 10 by 0.5") << "1"
                                        << "10"
                                        << "0.5" << QStringList{} << 19;
        QTest::newRow("1 to 2 by 0.1") << "1"
                                       << "2"
                                       << "0.1" << QStringList{} << 11;
        QTest::newRow("1 to 2 by 0.3") << "1"
                                       << "2"
                                       << "0.3" << QStringList{} << 4;
        QTest::newRow("0.1 to 0.3 by 0.1") << "0.1"
                                           << "0.3"
                                           << "0.1" << QStringList{} << 3;
        QTest::newRow("0.01 to 100 by 0.01") << "0.01"
                                             << "100"
                                             << "0.01" << QStringList{} << 10000;
        QTest::newRow("von = bis") << "5"
                                   << "5"
                                   << "1" << QStringList{} << 1;
        QTest::newRow("step beyond bis") << "1"
                                         << "2"
                                         << "100" << QStringList{} << 1;
        QTest::newRow("commas, xls, switches")
            << "0,5"
            << "3,5"
            << "0,25" << QStringList{"--format", "xls", "--narcotic", "--vat", "7"} << 13;
        QTest::newRow("aep mode") << "7"
                                  << "8"
                                  << "0.01" << QStringList{"--aep"} << 101;
        QTest::newRow("homeopathic veterinary")
            << "300"
            << "340"
            << "0.7" << QStringList{"--homeopathic", "--veterinary"} << 58;
    }

    void rangeRows() {
        QFETCH(QString, von);
        QFETCH(QString, bis);
        QFETCH(QString, step);
        QFETCH(QStringList, switches);
        QFETCH(int, rows);
        const CliResult result = RunTool(QStringList{"range", von, bis, step} + switches);
        QCOMPARE(result.status, kExitOk);
        QVERIFY(result.err.isEmpty());
        const QList<QByteArray> lines = FileLines(result.out);
        QCOMPARE(lines.size(), rows + 1);
        QCOMPARE(lines[0], QByteArray("FAP ;AEP ;KP ;AVP "));

        const auto cents = [](QString text) {
            return qRound64(text.replace(',', '.').toDouble() * 100);
        };
        const CalcOptions options = OptionsOf(switches);
        const double vat = switches.contains("--vat") ? VatFactorFromRate(7) : kDefaultVatFactor;
        const ExportLayout layout =
            switches.contains("xls") ? ExportLayout::Xls : ExportLayout::FixedPosition;
        for (int row = 0; row < rows; ++row) {
            const double price = double(cents(von) + row * cents(step)) / 100.0;
            QCOMPARE(lines[row + 1], ExpectedRow(price, options, vat, layout));
        }
        QVERIFY(cents(von) + rows * cents(step) > cents(bis));
    }

    // Every row of a long range (here where a running sum used to drift) is
    // what price gives for the FAP the row shows.
    void rangeRowsArePrices() {
        const CliResult range =
            RunTool({"range", "18880", "18890", "0.01", "--format", "csv", "--narcotic"});
        QCOMPARE(range.status, kExitOk);
        const QList<QByteArray> rows = range.out.split('\n');
        QCOMPARE(rows.size(), 1 + 1001 + 1); // header, rows, the empty rest after the last LF
        for (qsizetype i = 1; i + 1 < rows.size(); ++i) {
            // One cent a row: none repeated, none skipped, Bis the last.
            const QByteArray fap = rows[i].left(rows[i].indexOf(','));
            QCOMPARE(fap, QByteArray::number(double(1888000 + i - 1) / 100.0, 'f', 2));
            const CliResult price =
                RunTool({"price", QString::fromLatin1(fap), "--format", "csv", "--narcotic"});
            QCOMPARE(price.out.split('\n').value(1), rows[i]);
        }
    }

    void rangeAepPlaceholder() {
        const CliResult fixed = RunTool({"range", "10", "10", "1", "--aep"});
        const QList<QByteArray> lines = FileLines(fixed.out);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[1], QByteArray("     000     1000     1370     1885"));
        QCOMPARE(lines[1].size(), 35);
        const CliResult xls = RunTool({"range", "10", "10", "1", "--aep", "--format", "xls"});
        QCOMPARE(FileLines(xls.out)[1], QByteArray("0,00;10,00;13,70;18,85"));
    }

    void rangeHeaderBlock_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("epoch");
        QTest::addColumn<QByteArray>("head");
        QTest::newRow("the example's criteria")
            << QStringList{"0.5", "1", "0.5", "--narcotic", "--format", "xls"}
            << QByteArray(kAfternoonEpoch)
            << QByteArray("Fileinfo: \r\n  Erstellt: 07.12.2026 14:05:09\r\n"
                          "  Preise: Basis: FAP von: 0.5 bis: 1 Staffel: 0.5\r\n"
                          "  Kalkulationsmodus: Standardberechnung\r\n"
                          "  Kennzeichen: Suchtgift   \r\nFAP ;AEP ;KP ;AVP \r\n");
        QTest::newRow("midnight, homeopathic aep, texts as the window's fields hold them")
            << QStringList{" 1,5", "2.50 ", "1", "--homeopathic", "--aep", "--veterinary"}
            << QByteArray(kMidnightEpoch)
            << QByteArray("Fileinfo: \r\n  Erstellt: 07.12.2026\r\n"
                          "  Preise: Basis: AEP von: 1.5 bis: 2.50 Staffel: 1\r\n"
                          "  Kalkulationsmodus: Hom\xF6op. Arzneispezialit\xE4t\r\n"
                          "  Kennzeichen: Veterinaria   \r\nFAP ;AEP ;KP ;AVP \r\n");
        QTest::newRow("commas typed: points, as the window's key filter writes them")
            << QStringList{"0,5", "1", "0,5", "--narcotic", "--format", "xls"}
            << QByteArray(kAfternoonEpoch)
            << QByteArray("Fileinfo: \r\n  Erstellt: 07.12.2026 14:05:09\r\n"
                          "  Preise: Basis: FAP von: 0.5 bis: 1 Staffel: 0.5\r\n"
                          "  Kalkulationsmodus: Standardberechnung\r\n"
                          "  Kennzeichen: Suchtgift   \r\nFAP ;AEP ;KP ;AVP \r\n");
        QTest::newRow("not reimbursable")
            << QStringList{"1", "1", "1", "--not-reimbursable", "--narcotic"}
            << QByteArray(kAfternoonEpoch)
            << QByteArray("Fileinfo: \r\n  Erstellt: 07.12.2026 14:05:09\r\n"
                          "  Preise: Basis: FAP von: 1 bis: 1 Staffel: 1\r\n"
                          "  Kalkulationsmodus: Standardberechnung\r\n"
                          "  Kennzeichen: Suchtgift   * nicht Kassenzul\xE4ssig   \r\n"
                          "FAP ;AEP ;KP ;AVP \r\n");
        QTest::newRow("VAT 20 after the markers")
            << QStringList{"1", "1", "1", "--narcotic", "--vat", "20"}
            << QByteArray(kAfternoonEpoch)
            << QByteArray("Fileinfo: \r\n  Erstellt: 07.12.2026 14:05:09\r\n"
                          "  Preise: Basis: FAP von: 1 bis: 1 Staffel: 1\r\n"
                          "  Kalkulationsmodus: Standardberechnung\r\n"
                          "  Kennzeichen: Suchtgift   USt. 20 %   \r\n"
                          "FAP ;AEP ;KP ;AVP \r\n");
    }

    void rangeHeaderBlock() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, epoch);
        QFETCH(QByteArray, head);
        ::setenv("SOURCE_DATE_EPOCH", epoch.constData(), 1);
        const CliResult result = RunTool(QStringList{"range", "--header"} + args);
        ::setenv("SOURCE_DATE_EPOCH", kAfternoonEpoch, 1);
        QCOMPARE(result.status, kExitOk);
        QVERIFY(result.out.startsWith(head));
        const CliResult plain = RunTool(QStringList{"range"} + args);
        QCOMPARE(result.out.mid(head.size()), plain.out.mid(20)); // the same rows follow
    }

    void malformedEpochRefused() {
        ::setenv("SOURCE_DATE_EPOCH", "yesterday", 1);
        const CliResult result = RunTool({"range", "1", "2", "1", "--header"});
        const CliResult noHeader = RunTool({"range", "1", "2", "1"});
        ::setenv("SOURCE_DATE_EPOCH", kAfternoonEpoch, 1);
        QCOMPARE(result.status, kExitRefused);
        QVERIFY(result.out.isEmpty());
        QVERIFY(QString::fromUtf8(result.err).contains("SOURCE_DATE_EPOCH"));
        QCOMPARE(noHeader.status, kExitOk); // only the header needs the date
    }

    void createdTextFollowsTheClock() {
        ::unsetenv("SOURCE_DATE_EPOCH");
        const std::time_t before = std::time(nullptr);
        std::string error;
        const auto text = CreatedTextNow(error);
        const std::time_t after = std::time(nullptr);
        ::setenv("SOURCE_DATE_EPOCH", kAfternoonEpoch, 1);
        QVERIFY(text.has_value());
        // No formatter is set in this library (fapkalk-cli's main sets the
        // window's): the German form of local time.
        bool matched = false;
        for (std::time_t t = before; t <= after; ++t) {
            std::tm local{};
            ::localtime_r(&t, &local);
            char expected[64];
            std::strftime(expected, sizeof expected,
                          local.tm_hour || local.tm_min || local.tm_sec ? "%d.%m.%Y %H:%M:%S"
                                                                        : "%d.%m.%Y",
                          &local);
            matched = matched || *text == expected;
        }
        QVERIFY2(matched, text->c_str());
    }

    void refusals_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("malformed price")
            << QStringList{"price", "12a"} << "ungültige Zahl für PREIS: \"12a\"";
        QTest::newRow("malformed von")
            << QStringList{"range", "1..2", "3", "1"} << "ungültige Zahl für VON";
        QTest::newRow("malformed bis")
            << QStringList{"range", "1", "", "1"} << "ungültige Zahl für BIS: \"\" (keine Zahl";
        QTest::newRow("signed staffel") << QStringList{"range", "1", "2", "-0.5"}
                                        << "ungültige Zahl für STAFFEL: \"-0.5\" (ein Vorzeichen";
        QTest::newRow("exponent") << QStringList{"price", "1e3"} << "Exponent";
        QTest::newRow("vat three digits")
            << QStringList{"price", "10", "--vat", "100"} << "USt. muß eine oder zwei Ziffern sein";
        QTest::newRow("vat letters") << QStringList{"range", "1", "2", "1", "--vat", "zehn"}
                                     << "USt. muß eine oder zwei Ziffern sein, nicht \"zehn\"";
        QTest::newRow("vat empty") << QStringList{"batch", "--vat="} << "USt.";
        QTest::newRow("von above bis")
            << QStringList{"range", "2", "1", "1"}
            << "Von-FAP darf nicht größer als Bis-FAP sein bzw. Felder dürfen nicht leer sein!";
        QTest::newRow("bis zero counts as von above bis")
            << QStringList{"range", "2", "0", "1"} << "Von-FAP darf nicht größer";
        QTest::newRow("von zero") << QStringList{"range", "0", "1", "1"}
                                  << "Felder dürfen nicht leer sein!";
        QTest::newRow("all zero") << QStringList{"range", "0", "0", "0"}
                                  << "Felder dürfen nicht leer sein!";
        QTest::newRow("staffel zero")
            << QStringList{"range", "1", "2", "0,00"} << "Felder dürfen nicht leer sein!";
        QTest::newRow("three decimals")
            << QStringList{"price", "12.505"}
            << "ungültige Zahl für PREIS: \"12.505\" (mehr als zwei Nachkommastellen";
        QTest::newRow("staffel below a cent")
            << QStringList{"range", "1", "1", "0.0000000000000001"}
            << "ungültige Zahl für STAFFEL: \"0.0000000000000001\" (mehr als zwei";
        QTest::newRow("grouping") << QStringList{"range", "1", "1.234,56", "1"}
                                  << "ungültige Zahl für BIS: \"1.234,56\" (nur ein";
        QTest::newRow("price too large")
            << QStringList{"price", "100000000000000000000"} << "(zu groß für einen Preis)";
        QTest::newRow("range end too large")
            << QStringList{"range", "1", "10000000000000", "1"}
            << "ungültige Zahl für BIS: \"10000000000000\" (zu groß";
        QTest::newRow("beyond the double range")
            << QStringList{"price", "1" + QString(400, '0')} << "(zu groß für einen Preis)";
        // Amounts of 10,000,000 and more do not fit the 10-character cells:
        // refused, never cut.
        QTest::newRow("price does not fit")
            << QStringList{"price", "60000000"}
            << "FAP 60000000.00 paßt nicht in die Preisspalte (-999999.99 bis 9999999.99)";
        QTest::newRow("price's AVP does not fit")
            << QStringList{"price", "8000000", "--format", "xls"}
            << "FAP 8000000.00: AVP 11385033.80 paßt nicht";
        QTest::newRow("AEP does not fit")
            << QStringList{"price", "10000000", "--aep"} << "AEP 10000000.00 paßt nicht";
        QTest::newRow("range row of 10,000,000, fixed")
            << QStringList{"range", "10000000", "10000000", "1", "--format", "fixed"}
            << "FAP 10000000.00 paßt nicht";
        QTest::newRow("range row of 10,000,000, xls")
            << QStringList{"range", "1", "10000000", "9999999", "--format", "xls", "--aep"}
            << "AEP 10000000.00 paßt nicht";
        QTest::newRow("range whose last AVP does not fit")
            << QStringList{"range", "7000000", "7200000", "100000"}
            << "FAP 7200000.00: AVP 10246533.80 paßt nicht";
        QTest::newRow("batch file missing") << QStringList{"batch", "/nonexistent/prices.txt"}
                                            << "Eingabedatei \"/nonexistent/prices.txt\"";
    }

    // A refusal writes nothing on stdout and leaves an -o file as it was.
    void refusals() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const CliResult result = RunTool(args);
        QCOMPARE(result.status, kExitRefused);
        QVERIFY(result.out.isEmpty());
        const QString err = QString::fromUtf8(result.err);
        QVERIFY2(err.startsWith("fapkalk-cli: ") && err.contains(message), qPrintable(err));
        QCOMPARE(err.count('\n'), 1);

        if (args[0] == "price")
            return;
        const QString target = Path("kept.csv");
        WriteFile(target, "old bytes\r\n");
        const CliResult withFile = RunTool(args + QStringList{"-o", target});
        QCOMPARE(withFile.status, kExitRefused);
        QCOMPARE(ReadFile(target), QByteArray("old bytes\r\n"));
        QCOMPARE(
            QDir(dir_.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
            QStringList{"kept.csv"});
        QFile::remove(target);
    }

    // Bis itself would not fit, the range's last price does: the rows are
    // written.
    void rangeEndsBeforeBisWouldNotFit() {
        const CliResult result =
            RunTool({"range", "7000000", "7029000", "10000", "--format", "xls"});
        QCOMPARE(result.status, kExitOk);
        QCOMPARE(result.err, QByteArray());
        QCOMPARE(
            FileLines(result.out),
            (QList<QByteArray>{"FAP ;AEP ;KP ;AVP ", "7000000,00;7000023,74;7273024,65;9961908,80",
                               "7010000,00;7010023,74;7283414,65;9976140,05",
                               "7020000,00;7020023,74;7293804,65;9990371,30"}));
    }

    void outputFile_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("range fixed") << QStringList{"range", "1", "50", "0.01"};
        QTest::newRow("range xls header")
            << QStringList{"range", "1", "3", "0.5", "--format", "xls", "--header", "--aep"};
        QTest::newRow("batch") << QStringList{"batch", "--header"};
    }

    // -o holds exactly the bytes standard output would get, and replaces a
    // longer old file completely.
    void outputFile() {
        QFETCH(QStringList, args);
        const QByteArray input = "1\n2,5\n";
        const CliResult toStdout = RunTool(args, input);
        QCOMPARE(toStdout.status, kExitOk);
        const QString target = Path("out.csv");
        WriteFile(target, QByteArray(500000, 'z'));
        const CliResult toFile = RunTool(args + QStringList{"-o", target}, input);
        QCOMPARE(toFile.status, kExitOk);
        QVERIFY(toFile.out.isEmpty());
        QVERIFY(toFile.err.isEmpty());
        QCOMPARE(ReadFile(target), toStdout.out);
        const CliResult dash = RunTool(args + QStringList{"--output", "-"}, input);
        QCOMPARE(dash.out, toStdout.out);
        QCOMPARE(
            QDir(dir_.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
            QStringList{"out.csv"});
        QFile::remove(target);
    }

    void unwritableOutputFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing folder") << "missing/out.csv"
                                        << "Datei oder Ordner nicht vorhanden";
        QTest::newRow("a folder") << "."
                                  << "ist ein Ordner";
        QTest::newRow("empty name") << ""
                                    << "Datei oder Ordner nicht vorhanden";
    }

    void unwritableOutputFile() {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        const QString target = name.isEmpty() ? QString() : Path(name);
        const CliResult result = RunTool({"range", "1", "2", "0.5", "-o", target});
        QCOMPARE(result.status, kExitRefused);
        QVERIFY(result.out.isEmpty());
        const QString err = QString::fromUtf8(result.err);
        QVERIFY2(err.contains("Datei \"" + target + "\" konnte nicht geschrieben werden!") &&
                     err.contains(reason),
                 qPrintable(err));
    }

    // Standard output that fails part way (a full disk, a closed pipe): a
    // message and exit status 1, never success.
    void failingStandardOutput_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("limit");
        QTest::newRow("price") << QStringList{"price", "10"} << 5;
        QTest::newRow("price data line") << QStringList{"price", "10", "--format", "xls"} << 0;
        QTest::newRow("help") << QStringList{"--help"} << 100;
        QTest::newRow("small range") << QStringList{"range", "1", "2", "1"} << 30;
        QTest::newRow("long range") << QStringList{"range", "0.01", "5000", "0.01"} << 200000;
        QTest::newRow("batch") << QStringList{"batch"} << 10;
    }

    void failingStandardOutput() {
        QFETCH(QStringList, args);
        QFETCH(int, limit);
        std::istringstream in("1\n2\n");
        FailingSink out(static_cast<std::size_t>(limit));
        StringSink err;
        const auto list = ToStrings(args);
        QCOMPARE(RunCli(list, in, out, err), kExitRefused);
        QVERIFY(
            QString::fromStdString(err.data())
                .contains("Fehler beim Schreiben der Standardausgabe: No space left on device"));
    }

    void batch_data() {
        QTest::addColumn<QStringList>("switches");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QList<double>>("prices");
        QTest::addColumn<QString>("messages");
        QTest::newRow("points, commas, blanks, CR LF, empty lines")
            << QStringList{} << QByteArray("10\r\n\r\n 20,5 \n\n   \n0.01\n")
            << QList<double>{10, 20.5, 0.01} << QString();
        QTest::newRow("no final line end")
            << QStringList{"--format", "xls"} << QByteArray("1,5\n400") << QList<double>{1.5, 400}
            << QString();
        QTest::newRow("byte order mark") << QStringList{}
                                         << QByteArray("\xEF\xBB\xBF"
                                                       "7\n")
                                         << QList<double>{7} << QString();
        QTest::newRow("zero gives message and zero row")
            << QStringList{"--narcotic"} << QByteArray("5\n0\n6\n") << QList<double>{5, 0, 6}
            << "fapkalk-cli: Zeile 2: FAP-Preis muß eingegeben werden\n";
        QTest::newRow("aep zero") << QStringList{"--aep", "--format", "xls"}
                                  << QByteArray("\n0,0\n") << QList<double>{0}
                                  << "fapkalk-cli: Zeile 2: AEP-Preis muß eingegeben werden\n";
        QTest::newRow("empty input")
            << QStringList{} << QByteArray() << QList<double>{} << QString();
    }

    void batch() {
        QFETCH(QStringList, switches);
        QFETCH(QByteArray, input);
        QFETCH(QList<double>, prices);
        QFETCH(QString, messages);
        const CliResult result = RunTool(QStringList{"batch"} + switches, input);
        QCOMPARE(result.status, kExitOk);
        QCOMPARE(QString::fromUtf8(result.err), messages);
        const QList<QByteArray> lines = FileLines(result.out);
        QCOMPARE(lines.size(), prices.size() + 1);
        QCOMPARE(lines[0], QByteArray("FAP ;AEP ;KP ;AVP "));
        const CalcOptions options = OptionsOf(switches);
        const ExportLayout layout =
            switches.contains("xls") ? ExportLayout::Xls : ExportLayout::FixedPosition;
        for (int i = 0; i < prices.size(); ++i)
            QCOMPARE(lines[i + 1], ExpectedRow(prices[i], options, kDefaultVatFactor, layout));

        // The same prices from a file named on the command line.
        const QString file = Path("input.txt");
        WriteFile(file, input);
        const CliResult fromFile = RunTool(QStringList{"batch", file} + switches);
        QCOMPARE(fromFile.out, result.out);
        QFile::remove(file);
    }

    void batchHeaderNamesItsInput_data() {
        QTest::addColumn<QString>("file");     // the operand; none when empty
        QTest::addColumn<QByteArray>("named"); // how line 3 ends
        QTest::newRow("standard input") << "" << QByteArray(" Standardeingabe");
        QTest::newRow("a file, its control byte as ?") << "a\tb" << QByteArray("/a?b");
    }

    void batchHeaderNamesItsInput() {
        QFETCH(QString, file);
        QFETCH(QByteArray, named);
        if (!file.isEmpty())
            WriteFile(Path(file), "3\n");
        const CliResult result =
            RunTool(QStringList{"batch", "--header", "--aep"} +
                        (file.isEmpty() ? QStringList() : QStringList{Path(file)}),
                    "3\n");
        QCOMPARE(result.status, kExitOk);
        // Still five lines before the column line; line 3 names the input.
        const QList<QByteArray> lines = result.out.split('\n');
        QCOMPARE(lines[5], QByteArray("FAP ;AEP ;KP ;AVP \r"));
        QVERIFY(lines[2].startsWith("  Preise: Basis: AEP Eingabe: "));
        QVERIFY(lines[2].endsWith(named + "\r"));
    }

    void batchRefusals_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("message");
        QTest::newRow("letters on line 3")
            << QByteArray("1\n2\nzwei\n4\n") << "Zeile 3: ungültige Zahl \"zwei\"";
        QTest::newRow("after empty lines")
            << QByteArray("\n\n1.2.3\r\n") << "Zeile 3: ungültige Zahl \"1.2.3\" (nur ein";
        QTest::newRow("signed") << QByteArray("-4\n")
                                << "Zeile 1: ungültige Zahl \"-4\" (ein Vorzeichen";
        QTest::newRow("overflow") << QByteArray("1\n" + QByteArray(400, '9') + "\n")
                                  << "Zeile 2: ungültige Zahl \"999";
        QTest::newRow("three decimals")
            << QByteArray("1\n2.505\n") << "Zeile 2: ungültige Zahl \"2.505\" (mehr als zwei";
        QTest::newRow("grouping") << QByteArray("1.234,56\n") << "Zeile 1: ungültige Zahl";
        QTest::newRow("does not fit")
            << QByteArray("1\n10000000\n2\n") << "FAP 10000000.00 paßt nicht in die Preisspalte";
    }

    // A bad line is found before anything is written.
    void batchRefusals() {
        QFETCH(QByteArray, input);
        QFETCH(QString, message);
        const CliResult result = RunTool({"batch"}, input);
        QCOMPARE(result.status, kExitRefused);
        QVERIFY(result.out.isEmpty());
        QVERIFY2(QString::fromUtf8(result.err).contains(message), result.err.constData());
        const QString target = Path("batch.csv");
        WriteFile(target, "previous\r\n");
        QCOMPARE(RunTool({"batch", "-o", target}, input).status, kExitRefused);
        QCOMPARE(ReadFile(target), QByteArray("previous\r\n"));
        QFile::remove(target);
    }
};

QTEST_GUILESS_MAIN(TestCliRun)
#include "test_cli_run.moc"
