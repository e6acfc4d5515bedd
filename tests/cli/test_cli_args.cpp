// The command line: numbers read as every price is, the VAT rate, switches and
// commands.
#include "cli/cli_args.h"
#include "cli/cli_run.h"
#include "cli_harness.h"

#include <QRegularExpression>
#include <QTest>

using namespace fapkalk;
using namespace fapkalk::cli;

Q_DECLARE_METATYPE(fapkalk::cli::Command)

class TestCliArgs : public QObject {
    Q_OBJECT

private slots:
    void acceptedNumbers_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qint64>("cents");
        QTest::newRow("integer") << QByteArray("12") << qint64(1200);
        QTest::newRow("point") << QByteArray("12.5") << qint64(1250);
        QTest::newRow("comma") << QByteArray("12,34") << qint64(1234);
        QTest::newRow("blanks around") << QByteArray("  7 ") << qint64(700);
        QTest::newRow("tab before") << QByteArray("\t0.01") << qint64(1);
        QTest::newRow("zero") << QByteArray("0") << qint64(0);
        QTest::newRow("leading zeros") << QByteArray("007,50") << qint64(750);
        QTest::newRow("zeros beyond the cents") << QByteArray("400.0500") << qint64(40005);
        QTest::newRow("point at the end") << QByteArray("1.") << qint64(100);
        QTest::newRow("point first") << QByteArray(".5") << qint64(50);
    }

    void acceptedNumbers() {
        QFETCH(QByteArray, text);
        const NumberText number = ParseNumber(text.toStdString());
        QCOMPARE(QString::fromStdString(number.problem), QString());
        QTEST(qint64(number.cents), "cents");
    }

    void refusedNumbers_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty") << QByteArray() << "keine Zahl";
        QTest::newRow("blanks only") << QByteArray("   ") << "keine Zahl";
        QTest::newRow("point alone") << QByteArray(".") << "keine Ziffer";
        QTest::newRow("letters") << QByteArray("abc") << "Zeichen \"a\"";
        QTest::newRow("trailing letter") << QByteArray("12a") << "Zeichen \"a\"";
        QTest::newRow("two points") << QByteArray("1.2.3") << "Dezimaltrennzeichen";
        QTest::newRow("point and comma") << QByteArray("1,5.0") << "Dezimaltrennzeichen";
        QTest::newRow("grouping") << QByteArray("1.234,56") << "Dezimaltrennzeichen";
        QTest::newRow("minus") << QByteArray("-1") << "Vorzeichen";
        QTest::newRow("plus") << QByteArray("+1") << "Vorzeichen";
        QTest::newRow("sign after blanks") << QByteArray(" -1") << "Vorzeichen";
        QTest::newRow("exponent") << QByteArray("1e5") << "Exponent";
        QTest::newRow("capital exponent") << QByteArray("1E5") << "Exponent";
        QTest::newRow("blank inside") << QByteArray("1 2") << "Leerzeichen";
        QTest::newRow("blank before decimals") << QByteArray("1. 5") << "Leerzeichen";
        QTest::newRow("hex") << QByteArray("0x10") << "Zeichen \"x\"";
        QTest::newRow("control") << QByteArray("1\x01") << "Steuerzeichen";
        QTest::newRow("carriage return") << QByteArray("1\r") << "Steuerzeichen";
        QTest::newRow("arabic digit") << QByteArray("\xD9\xA1") << "Zeichen";
        QTest::newRow("three decimals") << QByteArray("400.005") << "zwei Nachkommastellen";
        QTest::newRow("too large") << QByteArray("123456789012345678901234567890") << "zu groß";
    }

    void refusedNumbers() {
        QFETCH(QByteArray, text);
        QFETCH(QString, reason);
        const QString problem = QString::fromStdString(ParseNumber(text.toStdString()).problem);
        QVERIFY2(problem.contains(reason), qPrintable(problem));
    }

    void vatRates_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("rate"); // -1: refused
        QTest::newRow("10") << QByteArray("10") << 10;
        QTest::newRow("20") << QByteArray("20") << 20;
        QTest::newRow("one digit") << QByteArray("7") << 7;
        QTest::newRow("leading zero") << QByteArray("05") << 5;
        QTest::newRow("zero") << QByteArray("0") << 0;
        QTest::newRow("99") << QByteArray("99") << 99;
        QTest::newRow("three digits") << QByteArray("100") << -1;
        QTest::newRow("empty") << QByteArray() << -1;
        QTest::newRow("blank") << QByteArray(" 5") << -1;
        QTest::newRow("sign") << QByteArray("-5") << -1;
        QTest::newRow("decimal") << QByteArray("2.5") << -1;
        QTest::newRow("letter") << QByteArray("1a") << -1;
    }

    void vatRates() {
        QFETCH(QByteArray, text);
        QFETCH(int, rate);
        const auto parsed = VatRate(text.toStdString());
        if (rate < 0) {
            QVERIFY(!parsed.has_value());
        } else {
            QVERIFY(parsed.has_value());
            QCOMPARE(int(*parsed), rate);
        }
    }

    void commands_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<Command>("command");
        QTest::addColumn<QStringList>("operands");
        QTest::newRow("price") << QStringList{"price", "10"} << Command::Price << QStringList{"10"};
        QTest::newRow("switches first")
            << QStringList{"--aep", "--vat", "20", "range", "1", "2", "0.5"} << Command::Range
            << QStringList{"1", "2", "0.5"};
        QTest::newRow("switches between")
            << QStringList{"range", "1", "--narcotic", "2", "-o", "x.csv", "0.5"} << Command::Range
            << QStringList{"1", "2", "0.5"};
        QTest::newRow("batch with stdin dash")
            << QStringList{"batch", "-"} << Command::Batch << QStringList{"-"};
        QTest::newRow("batch without input")
            << QStringList{"batch"} << Command::Batch << QStringList{};
        QTest::newRow("after double dash")
            << QStringList{"batch", "--", "--aep"} << Command::Batch << QStringList{"--aep"};
    }

    void commands() {
        QFETCH(QStringList, args);
        QFETCH(Command, command);
        QFETCH(QStringList, operands);
        const auto list = ToStrings(args);
        const ParsedArguments parsed = ParseArguments(list);
        QCOMPARE(QString::fromStdString(parsed.usageError), QString());
        QCOMPARE(parsed.args.command, command);
        QCOMPARE(parsed.args.operands, ToStrings(operands));
    }

    void switches() {
        const auto list =
            ToStrings({"range", "--aep", "--homeopathic", "--narcotic", "--veterinary", "--vat=7",
                       "--format=xls", "--header", "--output=out.csv", "1", "2", "3"});
        const ParsedArguments parsed = ParseArguments(list);
        QCOMPARE(QString::fromStdString(parsed.usageError), QString());
        const Arguments& a = parsed.args;
        QVERIFY(a.options.AepInput && a.options.Homeopathic && a.options.Narcotic &&
                a.options.Veterinary && !a.options.NotReimbursable);
        QCOMPARE(a.vat.value_or(""), std::string("7"));
        QVERIFY(a.format == OutputFormat::Xls);
        QVERIFY(a.header);
        QCOMPARE(a.output.value_or(""), std::string("out.csv"));

        const auto fixed = ToStrings({"batch", "--format", "fixed", "--not-reimbursable"});
        const ParsedArguments second = ParseArguments(fixed);
        QVERIFY(second.args.format == OutputFormat::Fixed);
        QVERIFY(second.args.options.NotReimbursable);
        QVERIFY(!second.args.header && !second.args.output && !second.args.vat);
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing") << QStringList{} << "kein Befehl";
        QTest::newRow("unknown command") << QStringList{"prize", "10"} << "unbekannter Befehl";
        QTest::newRow("number as command") << QStringList{"10"} << "unbekannter Befehl";
        QTest::newRow("unknown switch")
            << QStringList{"price", "10", "--fast"} << "unbekannter Schalter: \"--fast\"";
        QTest::newRow("short unknown")
            << QStringList{"price", "10", "-x"} << "unbekannter Schalter";
        QTest::newRow("vat without value")
            << QStringList{"price", "10", "--vat"} << "--vat erwartet einen Wert";
        QTest::newRow("output without value")
            << QStringList{"range", "1", "2", "1", "-o"} << "-o erwartet einen Wert";
        QTest::newRow("bad format") << QStringList{"price", "10", "--format", "yaml"}
                                    << "--format erwartet text, fixed, xls, csv, json oder pdf";
        QTest::newRow("flag with value")
            << QStringList{"price", "10", "--aep=1"} << "--aep erwartet keinen Wert";
        QTest::newRow("price missing") << QStringList{"price"} << "PREIS fehlt";
        QTest::newRow("price twice") << QStringList{"price", "1", "2"} << "zu viele Argumente";
        QTest::newRow("bis missing") << QStringList{"range", "1"} << "BIS fehlt";
        QTest::newRow("staffel missing") << QStringList{"range", "1", "2"} << "STAFFEL fehlt";
        QTest::newRow("range too long")
            << QStringList{"range", "1", "2", "3", "4"} << "zu viele Argumente: \"4\"";
        QTest::newRow("two inputs") << QStringList{"batch", "a", "b"} << "zu viele Argumente";
        QTest::newRow("price header") << QStringList{"price", "1", "--header"} << "--header";
        QTest::newRow("price output") << QStringList{"price", "1", "-o", "x"} << "(-o)";
        QTest::newRow("pdf without file")
            << QStringList{"range", "1", "2", "1", "--format", "pdf"} << "verlangt -o DATEI";
        QTest::newRow("pdf to standard output")
            << QStringList{"batch", "--format", "pdf", "-o", "-"} << "verlangt -o DATEI";
        QTest::newRow("price pdf explain")
            << QStringList{"price", "1", "--explain", "--format", "pdf", "-o", "x"} << "--explain";
        QTest::newRow("explain with format")
            << QStringList{"price", "1", "--explain", "--format", "xls"} << "--explain";
        QTest::newRow("range explain")
            << QStringList{"range", "1", "2", "1", "--explain"} << "--explain";
        QTest::newRow("batch explain") << QStringList{"batch", "--explain"} << "--explain";
        QTest::newRow("margins in the export layout")
            << QStringList{"range", "1", "2", "1", "--margins"} << "--margins gilt nur";
        QTest::newRow("margins price xls")
            << QStringList{"price", "1", "--margins", "--format", "xls"} << "--margins gilt nur";
        QTest::newRow("margins on the printed pages")
            << QStringList{"range", "1", "2", "1", "--margins", "--format", "pdf", "-o", "x.pdf"}
            << "--margins gilt nur";
        QTest::newRow("margins reverse")
            << QStringList{"reverse", "kp", "10", "--margins"} << "--margins";
        QTest::newRow("veterinary and not reimbursable")
            << QStringList{"price", "10", "--veterinary", "--not-reimbursable"}
            << "schließen einander aus";
        QTest::newRow("homeopathic and not reimbursable")
            << QStringList{"range", "1", "2", "1", "--not-reimbursable", "--homeopathic"}
            << "--homeopathic nicht wählbar";
    }

    // Through the whole tool as well: exit status 2, a hint, nothing on stdout.
    void usageErrors() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const auto list = ToStrings(args);
        const ParsedArguments parsed = ParseArguments(list);
        QVERIFY2(QString::fromStdString(parsed.usageError).contains(message),
                 parsed.usageError.c_str());
        const CliResult result = RunTool(args);
        QCOMPARE(result.status, kExitUsage);
        QVERIFY(result.out.isEmpty());
        const QString err = QString::fromUtf8(result.err);
        QVERIFY2(err.startsWith("fapkalk-cli: ") && err.contains(message), qPrintable(err));
        QVERIFY(err.contains("--help\" zeigt den Aufruf."));
        QVERIFY(err.endsWith('\n'));
    }

    // A negative number reaches the number check (exit 1, "Vorzeichen")
    // instead of being taken for an unknown switch.
    void signedNumberIsAnOperand() {
        const CliResult result = RunTool({"price", "-5"});
        QCOMPARE(result.status, kExitRefused);
        QVERIFY(QString::fromUtf8(result.err).contains("Vorzeichen"));
        QVERIFY(result.out.isEmpty());
    }

    void helpEverywhere_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("synopsis");
        QTest::newRow("tool") << QStringList{"--help"} << "fapkalk-cli batch [SCHALTER]";
        QTest::newRow("short") << QStringList{"-h"} << "fapkalk-cli range VON BIS STAFFEL";
        QTest::newRow("price") << QStringList{"price", "--help"} << "fapkalk-cli price PREIS";
        QTest::newRow("range") << QStringList{"range", "--help"}
                               << "fapkalk-cli range VON BIS STAFFEL";
        QTest::newRow("batch") << QStringList{"batch", "--help"} << "[EINGABE]";
        QTest::newRow("help wins over missing operands")
            << QStringList{"range", "1", "--help"} << "STAFFEL";
    }

    void helpEverywhere() {
        QFETCH(QStringList, args);
        QFETCH(QString, synopsis);
        const CliResult result = RunTool(args);
        QCOMPARE(result.status, kExitOk);
        QVERIFY(result.err.isEmpty());
        const QString out = QString::fromUtf8(result.out);
        QVERIFY2(out.contains(synopsis), qPrintable(out));
        QVERIFY(out.contains("Aufruf: "));
        QVERIFY(out.contains("Rückgabewert:"));
        QVERIFY(out.contains("--not-reimbursable"));
        // A manual page wants lines that fit a terminal.
        for (const QString& line : out.split('\n'))
            QVERIFY2(line.size() <= 80, qPrintable(line));
    }

    void version() {
        const CliResult result = RunTool({"--version"});
        QCOMPARE(result.status, kExitOk);
        QVERIFY(result.out.startsWith("fapkalk-cli "));
        QVERIFY(
            QString::fromUtf8(result.out).contains(QRegularExpression("^fapkalk-cli \\d+\\.\\d+")));
    }
};

QTEST_GUILESS_MAIN(TestCliArgs)
#include "test_cli_args.moc"
