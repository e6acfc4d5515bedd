// fapkalk-cli reverse: its arguments, its sentence and its JSON, every answer
// checked against the forward calculation (CalcPrices and the display text).
#include "cli/cli_run.h"
#include "cli_harness.h"
#include "pricing/engine.h"
#include "pricing/numbers.h"
#include "runner/metatypes.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <cmath>
#include <optional>
#include <sstream>

using namespace fapkalk;
using namespace fapkalk::cli;

namespace {

struct Call {
    CalcOptions options;
    double vat = kDefaultVatFactor;
    QString target; // "aep", "kp", "avp"
};

QStringList Switches(const Call& call) {
    QStringList args;
    if (call.options.AepInput)
        args << "--aep";
    if (call.options.Homeopathic)
        args << "--homeopathic";
    if (call.options.Narcotic)
        args << "--narcotic";
    if (call.options.Veterinary)
        args << "--veterinary";
    if (call.options.NotReimbursable)
        args << "--not-reimbursable";
    if (call.vat != kDefaultVatFactor)
        args << "--vat"
             << "20";
    return args;
}

qint64 Cents(double euros) {
    return std::llround(euros * 100);
}

// What the target column shows for a whole-cent input price, by the forward
// calculation; nullopt when the row does not fit the price cells.
std::optional<qint64> Forward(const Call& call, qint64 inputCents) {
    const double input = static_cast<double>(inputCents) / 100.0;
    const PriceResult r = CalcPrices(input, call.options, call.vat);
    for (double amount : {input, r.aep, r.kp, r.avp})
        if (!ShownPriceOf(amount))
            return std::nullopt;
    const double shown = call.target == "aep" ? r.aep : call.target == "kp" ? r.kp : r.avp;
    return Cents(QString::fromStdString(FormatPrice(shown)).trimmed().toDouble());
}

// Every number of the JSON text has exactly two decimals.
void VerifyTwoDecimals(const QByteArray& json) {
    static const QRegularExpression number(QStringLiteral(R"(:\s*(-?[0-9][0-9.eE+-]*))"));
    auto matches = number.globalMatch(QString::fromUtf8(json));
    QVERIFY(matches.hasNext());
    while (matches.hasNext()) {
        const QString n = matches.next().captured(1);
        QVERIFY2(QRegularExpression(QStringLiteral(R"(^[0-9]+\.[0-9]{2}$)")).match(n).hasMatch(),
                 qPrintable(n));
    }
}

// Runs reverse with --format json for the amount and checks the answer
// against the forward calculation: the range is exactly the inputs giving the
// target, the nearest are the neighbours around it.
void VerifyJsonAnswer(const Call& call, qint64 amount) {
    QStringList args{"reverse", call.target,
                     QString::number(amount / 100) + "." +
                         QString::number(amount % 100).rightJustified(2, '0'),
                     "--format", "json"};
    args << Switches(call);
    const CliResult result = RunTool(args);
    QVERIFY2(result.err.isEmpty(), result.err.constData());
    QVERIFY(result.out.endsWith('\n') && result.out.count('\n') == 1);
    VerifyTwoDecimals(result.out);
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(result.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(o.value("target").toString(), call.target);
    QCOMPARE(Cents(o.value("price").toDouble()), amount);
    const QString input = call.options.AepInput ? "aep" : "fap";

    if (o.contains("from")) {
        QCOMPARE(result.status, kExitOk);
        QCOMPARE(o.keys(), (QStringList{"from", "price", "target", "to"}));
        const qint64 from = Cents(o.value("from").toDouble());
        const qint64 to = Cents(o.value("to").toDouble());
        QVERIFY(from >= 1 && from <= to);
        for (qint64 i : {from, (from + to) / 2, to})
            QCOMPARE(Forward(call, i), std::optional(amount));
        if (from > 1)
            QVERIFY(*Forward(call, from - 1) < amount);
        const auto next = Forward(call, to + 1);
        QVERIFY(!next || *next > amount);
        return;
    }
    QCOMPARE(result.status, kExitRefused);
    QVERIFY(!o.contains("to"));
    const QJsonObject below = o.value("below").toObject();
    const QJsonObject above = o.value("above").toObject();
    QVERIFY(!below.isEmpty() || !above.isEmpty());
    // One key when the input and the target are the same column.
    const QString result_key = input == call.target ? input : call.target;
    if (!below.isEmpty()) {
        const qint64 in = Cents(below.value(input).toDouble());
        const qint64 gives = Cents(below.value(result_key).toDouble());
        QCOMPARE(Forward(call, in), std::optional(gives));
        QVERIFY(gives < amount);
        const auto next = Forward(call, in + 1);
        QVERIFY(!next || *next > amount);
    } else {
        QVERIFY(*Forward(call, 1) > amount);
    }
    if (!above.isEmpty()) {
        const qint64 in = Cents(above.value(input).toDouble());
        const qint64 gives = Cents(above.value(result_key).toDouble());
        QCOMPARE(Forward(call, in), std::optional(gives));
        QVERIFY(gives > amount);
        if (in > 1)
            QVERIFY(*Forward(call, in - 1) < amount);
        if (!below.isEmpty())
            QCOMPARE(Cents(below.value(input).toDouble()) + 1, in);
    }
}

} // namespace

class TestCliReverse : public QObject {
    Q_OBJECT

private slots:
    // The two answers as the issue wrote them, byte for byte.
    void exampleJson() {
        CliResult r = RunTool({"reverse", "avp", "26.05", "--format", "json"});
        QCOMPARE(r.status, kExitOk);
        QCOMPARE(r.out,
                 QByteArray(R"({"target": "avp", "price": 26.05, "from": 12.50, "to": 12.52})"
                            "\n"));
        r = RunTool({"reverse", "avp", "26,07", "--format=json"});
        QCOMPARE(r.status, kExitRefused);
        QCOMPARE(r.out, QByteArray(R"({"target": "avp", "price": 26.07, "below": {"fap": 12.52, )"
                                   R"("avp": 26.05}, "above": {"fap": 12.53, "avp": 26.10}})"
                                   "\n"));
        QVERIFY(r.err.isEmpty());
    }

    void text_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("line");
        QTest::newRow("reached") << QStringList{"avp", "26.05"} << kExitOk
                                 << "FAP 12.50 bis 12.52 ergibt AVP 26.05.";
        QTest::newRow("text asked for") << QStringList{"avp", "26.05", "--format", "text"}
                                        << kExitOk << "FAP 12.50 bis 12.52 ergibt AVP 26.05.";
        QTest::newRow("not reached")
            << QStringList{"avp", "26,07"} << kExitRefused
            << "AVP 26.07 ist nicht erreichbar: FAP 12.52 ergibt AVP 26.05, FAP 12.53 ergibt "
               "AVP 26.10.";
        QTest::newRow("AEP input, KP") << QStringList{"--aep", "kp", "15.20"} << kExitOk
                                       << "AEP 11.25 bis 11.27 ergibt KP 15.20.";
        QTest::newRow("narcotic, below the smallest")
            << QStringList{"kp", "0.50", "--narcotic"} << kExitRefused
            << "KP 0.50 ist nicht erreichbar: der kleinste FAP 0.01 ergibt KP 0.55.";
    }

    void text() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, line);
        const CliResult r = RunTool(QStringList{"reverse"} + args);
        QCOMPARE(r.status, status);
        QCOMPARE(QString::fromUtf8(r.out), line + "\n");
        QVERIFY(r.err.isEmpty());
    }

    // Every seventh cent from 0.01 to 30.00 (on five cents and between them)
    // as a target of each column, for a few switch sets, and targets near the
    // top; each answer against the forward calculation. The engine's own test
    // walks every cent; here the tool's numbers and keys are what is checked.
    void jsonAgainstForward_data() {
        QTest::addColumn<CalcOptions>("options");
        QTest::addColumn<double>("vat");
        QTest::newRow("standard") << CalcOptions{} << kDefaultVatFactor;
        QTest::newRow("AEP input, narcotic")
            << CalcOptions{.AepInput = true, .Narcotic = true} << kDefaultVatFactor;
        QTest::newRow("homeopathic, veterinary, 20 %")
            << CalcOptions{.Homeopathic = true, .Veterinary = true} << VatFactorFromRate(20);
        QTest::newRow("not reimbursable")
            << CalcOptions{.NotReimbursable = true} << kDefaultVatFactor;
    }

    void jsonAgainstForward() {
        QFETCH(CalcOptions, options);
        QFETCH(double, vat);
        for (const char* target : {"aep", "kp", "avp"}) {
            const Call call{options, vat, QString::fromLatin1(target)};
            for (qint64 amount = 1; amount <= 3000; amount += 7) {
                VerifyJsonAnswer(call, amount);
                if (QTest::currentTestFailed())
                    QFAIL(qPrintable(QString("target %1, %2 cents").arg(target).arg(amount)));
            }
            for (qint64 amount : {123456, 5000000, 700000000, 999999999}) {
                VerifyJsonAnswer(call, amount);
                if (QTest::currentTestFailed())
                    QFAIL(qPrintable(QString("target %1, %2 cents").arg(target).arg(amount)));
            }
        }
    }

    // The AEP asked for while the AEP is typed: beyond the largest input
    // the one point has a single key.
    void sameColumnHasOneKey() {
        const CliResult r = RunTool({"reverse", "aep", "9999999.99", "--aep", "--format", "json"});
        QCOMPARE(r.status, kExitRefused);
        const QJsonObject o = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(o.value("below").toObject().keys(), QStringList{"aep"});
        QVERIFY(!o.contains("above"));
        QCOMPARE(r.out.count("\"aep\":"), 1);
    }

    // Usage errors: exit 2, the hint to reverse's help, nothing on stdout.
    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no target") << QStringList{"reverse"} << "ZIEL (aep, kp oder avp) fehlt";
        QTest::newRow("no amount") << QStringList{"reverse", "avp"} << "BETRAG fehlt";
        QTest::newRow("unknown target")
            << QStringList{"reverse", "fap", "10"} << "unbekannter Zielpreis \"fap\"";
        QTest::newRow("amount first")
            << QStringList{"reverse", "26.05", "avp"} << "unbekannter Zielpreis \"26.05\"";
        QTest::newRow("too many") << QStringList{"reverse", "avp", "1", "2"}
                                  << "zu viele Argumente: \"2\"";
        QTest::newRow("header") << QStringList{"reverse", "avp", "1", "--header"} << "--header";
        QTest::newRow("output") << QStringList{"reverse", "avp", "1", "-o", "x"} << "(-o)";
        QTest::newRow("explain") << QStringList{"reverse", "avp", "1", "--explain"} << "--explain";
        QTest::newRow("export layout") << QStringList{"reverse", "avp", "1", "--format", "xls"}
                                       << "nur --format text oder json";
        QTest::newRow("unknown format")
            << QStringList{"reverse", "avp", "1", "--format", "yaml"}
            << "--format erwartet text, fixed, xls, csv, json oder pdf, nicht \"yaml\"";
        QTest::newRow("csv for reverse") << QStringList{"reverse", "avp", "1", "--format", "csv"}
                                         << "nur --format text oder json";
        QTest::newRow("switches that exclude each other")
            << QStringList{"reverse", "avp", "1", "--veterinary", "--not-reimbursable"}
            << "schließen einander aus";
    }

    void usageErrors() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const CliResult r = RunTool(args);
        QCOMPARE(r.status, kExitUsage);
        QVERIFY(r.out.isEmpty());
        const QString err = QString::fromUtf8(r.err);
        QVERIFY2(err.startsWith("fapkalk-cli: ") && err.contains(message), qPrintable(err));
        if (args.front() == "reverse")
            QVERIFY2(err.contains("\"fapkalk-cli reverse --help\""), qPrintable(err));
    }

    // Refused amounts and rates: exit 1, a message, no answer.
    void refusals_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("sign") << QStringList{"avp", "-5"} << "Vorzeichen";
        QTest::newRow("letters") << QStringList{"avp", "zwölf"} << "ungültige Zahl für BETRAG";
        QTest::newRow("third decimal")
            << QStringList{"avp", "26.051"}
            << "ungültige Zahl für BETRAG: \"26.051\" (mehr als zwei Nachkommastellen";
        QTest::newRow("zero") << QStringList{"kp", "0,00"} << "größer als 0";
        QTest::newRow("beyond the columns")
            << QStringList{"aep", "10000000"} << "paßt nicht in die Preisspalte";
        QTest::newRow("VAT") << QStringList{"avp", "26", "--vat", "100"} << "USt.";
    }

    void refusals() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        for (const char* format : {"text", "json"}) {
            const CliResult r = RunTool(QStringList{"reverse", "--format", format} + args);
            QCOMPARE(r.status, kExitRefused);
            QVERIFY(r.out.isEmpty());
            const QString err = QString::fromUtf8(r.err);
            QVERIFY2(err.startsWith("fapkalk-cli: ") && err.contains(message), qPrintable(err));
        }
    }

    // Extra zeros after the cents are the same amount.
    void zerosAfterTheCents() {
        QCOMPARE(RunTool({"reverse", "avp", "26.0500"}).out,
                 RunTool({"reverse", "avp", "26.05"}).out);
    }

    void help() {
        const CliResult r = RunTool({"reverse", "--help"});
        QCOMPARE(r.status, kExitOk);
        const QString out = QString::fromUtf8(r.out);
        QVERIFY(out.startsWith("Aufruf: fapkalk-cli reverse aep|kp|avp BETRAG"));
        QVERIFY(out.contains(R"({"target": "avp", "price": 26.05, "from": 12.50, "to": 12.52})"));
        QVERIFY(out.contains("--not-reimbursable") && out.contains("Zahlen:"));
        for (const QString& line : out.split('\n'))
            QVERIFY2(line.size() <= 80, qPrintable(line));
        QVERIFY(QString::fromUtf8(RunTool({"--help"}).out).contains("fapkalk-cli reverse "));
    }

    void writeFailure() {
        FailingSink out(10);
        StringSink err;
        std::istringstream in;
        const std::vector<std::string> args{"reverse", "avp", "26.05"};
        QCOMPARE(RunCli(args, in, out, err), kExitRefused);
        QVERIFY(QString::fromStdString(err.data()).contains("Fehler beim Schreiben"));
    }
};

QTEST_APPLESS_MAIN(TestCliReverse)
#include "test_cli_reverse.moc"
