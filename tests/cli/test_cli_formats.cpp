// fapkalk-cli's output for scripts (CSV, JSON Lines) read back with a JSON
// parser and compared with the engine; the limits that keep memory and
// messages bounded.
#include "cli/cli_args.h"
#include "cli/cli_input.h"
#include "cli/cli_output.h"
#include "cli/cli_run.h"
#include "cli_harness.h"
#include "pricing/engine.h"
#include "pricing/numbers.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <sstream>

using namespace fapkalk;
using namespace fapkalk::cli;

namespace {

struct Prices {
    QByteArray fap, aep, kp, avp; // as the engine formats them, without blanks
};

Prices EnginePrices(double price, const QStringList& switches) {
    CalcOptions o;
    o.AepInput = switches.contains("--aep");
    o.Homeopathic = switches.contains("--homeopathic");
    o.Narcotic = switches.contains("--narcotic");
    o.Veterinary = switches.contains("--veterinary");
    const qsizetype vatAt = switches.indexOf("--vat");
    const double vat =
        vatAt >= 0 ? VatFactorFromRate(switches[vatAt + 1].toUInt()) : kDefaultVatFactor;
    const PriceResult r = CalcPrices(price, o, vat);
    const auto text = [](double amount) {
        return QByteArray::fromStdString(FormatPrice(amount)).trimmed();
    };
    return {o.AepInput ? QByteArray() : text(price), text(r.aep), text(r.kp), text(r.avp)};
}

// The prices a command computes, in order.
QList<double> InputPrices(const QStringList& command) {
    if (command[0] == "price")
        return {command[1].toDouble()};
    if (command[0] == "batch") {
        QList<double> prices;
        for (const QString& p : command.mid(1))
            prices.append(p.toDouble());
        return prices;
    }
    // Von, Von + Staffel, ... in whole cents up to Bis.
    QList<double> prices;
    const auto cents = [&](int i) { return qRound64(command[i].toDouble() * 100); };
    for (qint64 c = cents(1); c <= cents(2); c += cents(3))
        prices.append(double(c) / 100);
    return prices;
}

// The tool's arguments for a command of the table: batch takes its prices
// from standard input.
QStringList ToolArgs(const QStringList& command) {
    return command[0] == "batch" ? QStringList{"batch"} : command;
}

QByteArray BatchInput(const QStringList& command) {
    return command[0] == "batch" ? command.mid(1).join('\n').toUtf8() + '\n' : QByteArray();
}

CliResult RunFormat(const QStringList& command, const QStringList& switches, const char* format) {
    return RunTool(ToolArgs(command) + switches + QStringList{"--format", format},
                   BatchInput(command));
}

// The lines of a script format: LF only, the last one ended too.
QList<QByteArray> LfLines(const QByteArray& out) {
    if (out.contains('\r') || !out.endsWith('\n'))
        return {"<not LF lines>"};
    return out.chopped(1).split('\n');
}

} // namespace

class TestCliFormats : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    static void FormatCases() {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QStringList>("switches");
        QTest::newRow("price") << QStringList{"price", "10"} << QStringList{};
        QTest::newRow("price aep narcotic")
            << QStringList{"price", "12.5"} << QStringList{"--aep", "--narcotic"};
        QTest::newRow("price vat 20") << QStringList{"price", "400"} << QStringList{"--vat", "20"};
        QTest::newRow("range") << QStringList{"range", "0.01", "1000", "99.99"} << QStringList{};
        QTest::newRow("range running sum")
            << QStringList{"range", "0.1", "1", "0.1"} << QStringList{"--homeopathic"};
        QTest::newRow("range aep") << QStringList{"range", "1", "5", "2"} << QStringList{"--aep"};
        QTest::newRow("batch") << QStringList{"batch", "0.01", "999999.99", "130.81", "7"}
                               << QStringList{"--veterinary"};
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        // Where the spool of standard output goes once it leaves memory.
        ::setenv("TMPDIR", dir_.path().toLocal8Bit().constData(), 1);
    }

    // JSON Lines: a valid object a price, the engine's amounts as numbers
    // written with two decimals; no FAP to give for an AEP input.
    void jsonLines_data() { FormatCases(); }
    void jsonLines() {
        QFETCH(QStringList, command);
        QFETCH(QStringList, switches);
        const CliResult result = RunFormat(command, switches, "json");
        QCOMPARE(result.status, kExitOk);
        QVERIFY2(result.err.isEmpty(), result.err.constData());
        const QList<QByteArray> lines = LfLines(result.out);
        const QList<double> prices = InputPrices(command);
        QCOMPARE(lines.size(), prices.size());
        const QRegularExpression twoDecimals(
            "^\\{\"fap\": (null|\\d+\\.\\d\\d), \"aep\": \\d+\\.\\d\\d, \"kp\": \\d+\\.\\d\\d, "
            "\"avp\": \\d+\\.\\d\\d\\}$");
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QVERIFY2(twoDecimals.match(QString::fromUtf8(lines[i])).hasMatch(),
                     lines[i].constData());
            QJsonParseError error;
            const QJsonDocument doc = QJsonDocument::fromJson(lines[i], &error);
            QCOMPARE(error.error, QJsonParseError::NoError);
            const QJsonObject row = doc.object();
            QCOMPARE(row.size(), 4);
            const Prices expected = EnginePrices(prices[i], switches);
            if (expected.fap.isEmpty())
                QVERIFY(row["fap"].isNull());
            else
                QCOMPARE(row["fap"].toDouble(), expected.fap.toDouble());
            QCOMPARE(row["aep"].toDouble(), expected.aep.toDouble());
            QCOMPARE(row["kp"].toDouble(), expected.kp.toDouble());
            QCOMPARE(row["avp"].toDouble(), expected.avp.toDouble());
        }
    }

    // CSV: the header, then the engine's amounts field for field; LF only.
    void csvRows_data() { FormatCases(); }
    void csvRows() {
        QFETCH(QStringList, command);
        QFETCH(QStringList, switches);
        const CliResult result = RunFormat(command, switches, "csv");
        QCOMPARE(result.status, kExitOk);
        QVERIFY(!result.out.contains('"'));
        const QList<QByteArray> lines = LfLines(result.out);
        const QList<double> prices = InputPrices(command);
        QCOMPARE(lines.size(), prices.size() + 1);
        QCOMPARE(lines[0], QByteArray("FAP,AEP,KP,AVP"));
        for (qsizetype i = 0; i < prices.size(); ++i) {
            const Prices e = EnginePrices(prices[i], switches);
            QCOMPARE(lines[i + 1].split(','), (QList<QByteArray>{e.fap, e.aep, e.kp, e.avp}));
        }
    }

    // --margins: the same prices, then KP - AEP and the AVP without VAT - AEP
    // in euros, worked here from the row's own amounts.
    void marginColumns_data() { FormatCases(); }
    void marginColumns() {
        QFETCH(QStringList, command);
        QFETCH(QStringList, switches);
        const qsizetype vatAt = switches.indexOf("--vat");
        const int rate = vatAt >= 0 ? switches[vatAt + 1].toInt() : 10;
        const auto cents = [](const QJsonValue& v) { return qRound64(v.toDouble() * 100); };
        const QList<QByteArray> csv =
            LfLines(RunFormat(command, switches + QStringList{"--margins"}, "csv").out);
        const QList<QByteArray> plainCsv = LfLines(RunFormat(command, switches, "csv").out);
        const QList<QByteArray> json =
            LfLines(RunFormat(command, switches + QStringList{"--margins"}, "json").out);
        QCOMPARE(csv.size(), plainCsv.size());
        QCOMPARE(json.size(), plainCsv.size() - 1);
        QCOMPARE(csv[0], QByteArray("FAP,AEP,KP,AVP,MARGE_KP,MARGE_AVP"));
        for (qsizetype i = 0; i < json.size(); ++i) {
            const QJsonObject row = QJsonDocument::fromJson(json[i]).object();
            QCOMPARE(row.size(), 6);
            const qint64 aep = cents(row["aep"]);
            const qint64 net = qRound64(double(cents(row["avp"])) * 100 / (100 + rate));
            QCOMPARE(cents(row["margin_kp"]), cents(row["kp"]) - aep);
            QCOMPARE(cents(row["margin_avp"]), net - aep);
            const QList<QByteArray> fields = csv[i + 1].split(',');
            QCOMPARE(fields.mid(0, 4), plainCsv[i + 1].split(','));
            QCOMPARE(qRound64(fields[4].toDouble() * 100), cents(row["margin_kp"]));
            QCOMPARE(qRound64(fields[5].toDouble() * 100), cents(row["margin_avp"]));
        }
    }

    // The row limit counts the rows the range really gives: exactly that many
    // pass, one fewer is refused before anything is written.
    void rowLimit_data() {
        QTest::addColumn<QStringList>("range");
        QTest::newRow("whole steps") << QStringList{"range", "1", "10", "1"};
        QTest::newRow("bis a multiple of the step") << QStringList{"range", "0.1", "1", "0.1"};
        QTest::newRow("bis between two rows") << QStringList{"range", "0.1", "1", "0.07"};
        QTest::newRow("single row") << QStringList{"range", "5", "5", "1"};
        QTest::newRow("small step") << QStringList{"range", "1000", "1000.5", "0.01"};
    }

    void rowLimit() {
        QFETCH(QStringList, range);
        const qsizetype rows = InputPrices(range).size();
        const auto run = [&](qsizetype limit) {
            return RunTool(range +
                           QStringList{"--format", "json", "--max-rows", QString::number(limit)});
        };
        const CliResult exact = run(rows);
        QCOMPARE(exact.status, kExitOk);
        QCOMPARE(exact.out.count('\n'), rows);
        const CliResult below = run(rows - 1);
        if (rows > 1) {
            QCOMPARE(below.status, kExitRefused);
            QVERIFY(below.out.isEmpty());
            QVERIFY2(below.err.contains("--max-rows"), below.err.constData());
        }
    }

    // Without --max-rows the window's limit holds: refused at once, without
    // computing a hundred million rows.
    void defaultRowLimit() {
        const CliResult over = RunTool({"range", "0.01", "100000.01", "0.01"});
        QCOMPARE(over.status, kExitRefused);
        QVERIFY(over.out.isEmpty());
        QVERIFY2(over.err.contains("10000000 Zeilen"), over.err.constData());
        QCOMPARE(RunTool({"range", "0.01", "1000000", "0.01"}).status, kExitRefused);
    }

    // What a message shows of the input: never a raw control byte, never
    // more than a line's worth.
    void quoted_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("plain") << QByteArray("12x") << QByteArray("\"12x\"");
        QTest::newRow("escape sequence") << QByteArray("\x1b[2J1") << QByteArray("\"\\x1b[2J1\"");
        QTest::newRow("bell and delete") << QByteArray("\a\x7f") << QByteArray("\"\\x07\\x7f\"");
        QTest::newRow("C1 CSI as UTF-8") << QByteArray("\xc2\x9b"
                                                       "31m")
                                         << QByteArray("\"\\xc2\\x9b31m\"");
        QTest::newRow("invalid UTF-8") << QByteArray("\xff\xc3") << QByteArray("\"\\xff\\xc3\"");
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << QByteArray("\"\\xc0\\xaf\"");
        QTest::newRow("umlaut kept") << QByteArray("Größe") << QByteArray("\"Größe\"");
        QTest::newRow("quote and backslash")
            << QByteArray("a\"b\\c") << QByteArray("\"a\\\"b\\\\c\"");
        QTest::newRow("60 characters whole")
            << QByteArray(60, '7') << "\"" + QByteArray(60, '7') + "\"";
        QTest::newRow("61 characters shortened")
            << QByteArray(61, '7') << "\"" + QByteArray(60, '7') + "\"… (gekürzt, 61 Bytes)";
        QTest::newRow("umlauts count as characters")
            << QByteArray(61, 'a').replace('a', "ä")
            << "\"" + QByteArray(60, 'a').replace('a', "ä") + "\"… (gekürzt, 122 Bytes)";
    }

    void quoted() {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, shown);
        QCOMPARE(QByteArray::fromStdString(Quoted(input.toStdString())), shown);
    }

    // Through the whole tool: control bytes of an argument or a batch line,
    // a 10 MB line. The message stays short and holds no control byte but
    // its line end; nothing is written.
    void hostileInput_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("named");
        const QByteArray huge = QByteArray(10 * 1024 * 1024, '9') + "x\n";
        QTest::newRow("argument") << QStringList{"price", "1\x1b]0;owned\a"} << QByteArray()
                                  << QByteArray("\"1\\x1b]0;owned\\x07\"");
        QTest::newRow("switch") << QStringList{"price", "1", "--\x1b[2J"} << QByteArray()
                                << QByteArray("\"--\\x1b[2J\"");
        QTest::newRow("batch line") << QStringList{"batch"} << QByteArray("1\n2\x1b[31m\n")
                                    << QByteArray("Zeile 2: ungültige Zahl \"2\\x1b[31m\"");
        QTest::newRow("10 MB line")
            << QStringList{"batch"} << "1\n" + huge
            << "Zeile 2: ungültige Zahl \"" + QByteArray(60, '9') + "\"… (gekürzt, 10485761 Bytes)";
        QTest::newRow("10 MB line last without LF")
            << QStringList{"batch", "--format", "csv"} << huge.chopped(1)
            << QByteArray("(gekürzt, 10485761 Bytes)");
    }

    void hostileInput() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, named);
        const CliResult result = RunTool(args, input);
        QVERIFY(result.status != kExitOk);
        QVERIFY(result.out.isEmpty());
        QVERIFY2(result.err.contains(named), result.err.constData());
        QVERIFY2(result.err.size() < 400, result.err.left(400).constData());
        for (const char c : result.err.chopped(1))
            QVERIFY2(static_cast<unsigned char>(c) >= 0x20 || c == '\n', result.err.constData());
    }

    // Larger than the spool's memory: handed on whole when all is well, and
    // not at all when a line at the very end is refused.
    void batchSpool_data() {
        QTest::addColumn<QByteArray>("lastLine");
        QTest::addColumn<int>("status");
        QTest::newRow("all good") << QByteArray("3\n") << kExitOk;
        QTest::newRow("refused at the end") << QByteArray("3a\n") << kExitRefused;
    }

    void batchSpool() {
        QFETCH(QByteArray, lastLine);
        QFETCH(int, status);
        const int lines = 200'000; // about 7 MB of fixed rows
        QByteArray input;
        for (int i = 1; i <= lines; ++i)
            input += QByteArray::number(i % 5000) + ".5\n";
        input += lastLine;
        const CliResult result = RunTool({"batch"}, input);
        QCOMPARE(result.status, status);
        if (status != kExitOk) {
            QVERIFY(result.out.isEmpty());
            QVERIFY(result.err.contains("Zeile 200001"));
            return;
        }
        QVERIFY(result.out.size() > qsizetype(SpoolSink::kMemory));
        QCOMPARE(FileLines(result.out).size(), lines + 2); // the column header line, the rows
        // Spooled standard output and the streamed file (named the getopt
        // way, -oFILE) hold the same bytes.
        const QString path = dir_.filePath("batch.txt");
        QCOMPARE(RunTool({"batch", "-o" + path}, input).status, kExitOk);
        std::ifstream file(path.toStdString(), std::ios::binary);
        std::ostringstream written;
        written << file.rdbuf();
        QVERIFY(result.out.toStdString() == written.str());
    }

    // The spool itself: what passes through is unchanged, however it is cut,
    // and a spool dropped before Finish hands on nothing.
    void spoolSink_data() {
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<qsizetype>("piece");
        QTest::addColumn<bool>("spilled");
        QTest::newRow("small") << qsizetype(1000) << qsizetype(7) << false;
        QTest::newRow("exactly the memory")
            << qsizetype(SpoolSink::kMemory) << qsizetype(4096) << true;
        QTest::newRow("three times, odd pieces")
            << qsizetype(3 * SpoolSink::kMemory + 11) << qsizetype(999'983) << true;
    }

    void spoolSink() {
        QFETCH(qsizetype, size);
        QFETCH(qsizetype, piece);
        QFETCH(bool, spilled);
        std::string data(static_cast<std::size_t>(size), '\0');
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<char>('a' + i % 23);
        StringSink target;
        {
            SpoolSink dropped(target);
            QVERIFY(dropped.Write(data));
        }
        QVERIFY(target.data().empty());
        SpoolSink spool(target);
        for (std::size_t at = 0; at < data.size(); at += static_cast<std::size_t>(piece))
            QVERIFY(spool.Write(std::string_view(data).substr(at, piece)));
        QVERIFY(target.data().empty());
        QVERIFY(spool.Finish());
        QCOMPARE(spool.spilled(), spilled);
        QVERIFY(target.data() == data);
    }

    // Lines as batch sees them: across the reader's buffer, without a final
    // LF, longer than what is kept.
    void lineReader_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QList<qsizetype>>("sizes");
        const qsizetype kept = qsizetype(LineReader::kMaxKept);
        QTest::newRow("empty input") << QByteArray() << QList<qsizetype>{};
        QTest::newRow("only LF") << QByteArray("\n") << QList<qsizetype>{0};
        QTest::newRow("no final LF") << QByteArray("12\n\n3") << QList<qsizetype>{2, 0, 1};
        QTest::newRow("across the buffer")
            << QByteArray(kept - 2, '1') + "\n" + QByteArray(5, '2') + "\n"
            << QList<qsizetype>{kept - 2, 5};
        QTest::newRow("exactly kept") << QByteArray(kept, '1') + "\n3\n"
                                      << QList<qsizetype>{kept, 1};
        QTest::newRow("longer than kept")
            << QByteArray(3 * kept + 1, '1') + "\n3" << QList<qsizetype>{3 * kept + 1, 1};
    }

    void lineReader() {
        QFETCH(QByteArray, input);
        QFETCH(QList<qsizetype>, sizes);
        std::istringstream in(input.toStdString());
        LineReader reader(in);
        LineReader::Line line;
        qsizetype at = 0;
        for (qsizetype expected : sizes) {
            QVERIFY(reader.Next(line));
            QCOMPARE(qsizetype(line.size), expected);
            QCOMPARE(qsizetype(line.text.size()),
                     std::min(expected, qsizetype(LineReader::kMaxKept)));
            QCOMPARE(QByteArray(line.text.data(), qsizetype(line.text.size())),
                     input.mid(at, qsizetype(line.text.size())));
            at += expected + 1;
        }
        QVERIFY(!reader.Next(line));
        QVERIFY(!reader.failed());
    }
};

QTEST_GUILESS_MAIN(TestCliFormats)
#include "test_cli_formats.moc"
