// The reverse calculation in words: reading a target amount, the answer
// sentence and the settings line.
#include "pricing/engine.h"
#include "pricing/reverse.h"
#include "pricing/reverse_text.h"
#include "runner/metatypes.h"

#include "switch_sets.h"

#include <QtTest>

using namespace fapkalk;

Q_DECLARE_METATYPE(TargetProblem)
Q_DECLARE_METATYPE(ReverseTarget)

class TestReverseText : public QObject {
    Q_OBJECT

private slots:
    void amounts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qlonglong>("cents");
        QTest::addColumn<TargetProblem>("problem");
        const auto ok = [](const char* name, const char* text, qlonglong cents) {
            QTest::newRow(name) << QString::fromUtf8(text) << cents << TargetProblem::None;
        };
        const auto refused = [](const char* name, const char* text, TargetProblem problem) {
            QTest::newRow(name) << QString::fromUtf8(text) << 0LL << problem;
        };
        ok("point", "26.05", 2605);
        ok("comma", "26,05", 2605);
        ok("whole euros, blanks", " 26\t", 2600);
        ok("one decimal", "26.5", 2650);
        ok("zeros after the cents", "26.0500", 2605);
        ok("leading zeros", "007.10", 710);
        ok("one cent", "0.01", 1);
        ok("largest cell", "9999999.99", 999999999);
        refused("empty", "", TargetProblem::Empty);
        refused("blanks only", "  ", TargetProblem::Empty);
        refused("sign", "-5", TargetProblem::NotANumber);
        refused("plus", "+5", TargetProblem::NotANumber);
        refused("exponent", "1e3", TargetProblem::NotANumber);
        refused("two points", "12.3.4", TargetProblem::NotANumber);
        ok("point first", ".5", 50);
        ok("point last", "5.", 500);
        refused("point alone", ".", TargetProblem::NotANumber);
        refused("letter", "12a", TargetProblem::NotANumber);
        refused("blank inside", "1 2", TargetProblem::NotANumber);
        refused("third decimal", "26.051", TargetProblem::NotWholeCents);
        refused("tenth of a cent", "0.001", TargetProblem::NotWholeCents);
        refused("zero", "0", TargetProblem::Zero);
        refused("zero cents", "0,00", TargetProblem::Zero);
        refused("ten million", "10000000", TargetProblem::TooLarge);
        refused("ten million, cents", "10000000.00", TargetProblem::TooLarge);
        refused("many digits", "123456789012345678901234567890", TargetProblem::TooLarge);
        refused("many digits, odd cents", "123456789012345678901234567890.001",
                TargetProblem::NotWholeCents);
    }

    void amounts() {
        QFETCH(QString, text);
        QFETCH(qlonglong, cents);
        QFETCH(TargetProblem, problem);
        const TargetAmount amount = ReadTargetAmount(text.toStdString());
        QCOMPARE(amount.problem, problem);
        QCOMPARE(qlonglong(amount.cents), cents);
        QCOMPARE(TargetProblemText(problem).empty(), problem == TargetProblem::None);
    }

    void targetNames() {
        QCOMPARE(TargetNamed("aep"), std::optional(ReverseTarget::Aep));
        QCOMPARE(TargetNamed("kp"), std::optional(ReverseTarget::Kp));
        QCOMPARE(TargetNamed("avp"), std::optional(ReverseTarget::Avp));
        for (const char* other : {"fap", "AVP", "", "avp ", "preis"})
            QCOMPARE(TargetNamed(other), std::nullopt);
    }

    // The sentences for the engine's own answers.
    void answers_data() {
        QTest::addColumn<CalcOptions>("options");
        QTest::addColumn<ReverseTarget>("target");
        QTest::addColumn<qlonglong>("cents");
        QTest::addColumn<QString>("text");
        const CalcOptions none;
        QTest::newRow("a range of FAPs") << none << ReverseTarget::Avp << 2605LL
                                         << QStringLiteral("FAP 12.50 bis 12.52 ergibt AVP 26.05.");
        QTest::newRow("one FAP") << none << ReverseTarget::Aep << 1125LL
                                 << QStringLiteral("FAP 10.00 ergibt AEP 11.25.");
        QTest::newRow("between two five-cent steps")
            << none << ReverseTarget::Avp << 2607LL
            << QStringLiteral("AVP 26.07 ist nicht erreichbar: FAP 12.52 ergibt AVP 26.05, "
                              "FAP 12.53 ergibt AVP 26.10.");
        // The fixed AVP net 11.30 (AEP 7.30 to 7.58) widened by the five-cent
        // rounding: 7.29 gives 14.27, 7.60 gives 14.32, 7.61 gives 14.34.
        QTest::newRow("a fixed band, AEP input")
            << Options(Aep) << ReverseTarget::Avp << 1430LL
            << QStringLiteral("AEP 7.29 bis 7.60 ergibt AVP 14.30.");
        QTest::newRow("below the smallest, narcotic")
            << Options(Aep | Narc) << ReverseTarget::Kp << 30LL
            << QStringLiteral(
                   "KP 0.30 ist nicht erreichbar: der kleinste AEP 0.01 ergibt KP 0.55.");
    }

    void answers() {
        QFETCH(CalcOptions, options);
        QFETCH(ReverseTarget, target);
        QFETCH(qlonglong, cents);
        QFETCH(QString, text);
        const ReverseResult result = ReverseSearch(options, kDefaultVatFactor).Find(target, cents);
        QCOMPARE(QString::fromStdString(ReverseAnswerText(target, cents, result, options.AepInput)),
                 text);
    }

    // Above every result: the largest input price and what it gives.
    void aboveTheLargest() {
        const ReverseSearch search({}, kDefaultVatFactor);
        const std::int64_t largest = search.LargestInputCents();
        const std::int64_t top = search.ResultCents(ReverseTarget::Avp, largest);
        const ReverseResult result = search.Find(ReverseTarget::Avp, 999999999);
        QCOMPARE(
            QString::fromStdString(ReverseAnswerText(ReverseTarget::Avp, 999999999, result, false)),
            QStringLiteral("AVP 9999999.99 ist nicht erreichbar: der größte FAP %1 ergibt "
                           "AVP %2.")
                .arg(QString::fromStdString(AmountText(largest)),
                     QString::fromStdString(AmountText(top))));
    }

    void amountTexts() {
        QCOMPARE(AmountText(1), std::string("0.01"));
        QCOMPARE(AmountText(1250), std::string("12.50"));
        QCOMPARE(AmountText(999999999), std::string("9999999.99"));
    }

    // The input price the dialog offers: the lowest that gives the target,
    // else the one below (the result stays under the target), else the one above.
    void offered() {
        ReverseResult reached;
        reached.reached = true;
        reached.fromCents = 1250;
        reached.toCents = 1252;
        QCOMPARE(OfferedInputCents(reached), std::optional<std::int64_t>(1250));
        ReverseResult between;
        between.below = ReversePoint{1252, 2605};
        between.above = ReversePoint{1253, 2610};
        QCOMPARE(OfferedInputCents(between), std::optional<std::int64_t>(1252));
        between.below.reset();
        QCOMPARE(OfferedInputCents(between), std::optional<std::int64_t>(1253));
        QCOMPARE(OfferedInputCents(ReverseResult{}), std::nullopt);
    }

    void settings_data() {
        QTest::addColumn<CalcOptions>("options");
        QTest::addColumn<double>("vat");
        QTest::addColumn<QString>("text");
        QTest::newRow("start") << CalcOptions{} << kDefaultVatFactor
                               << QStringLiteral("Standardberechnung, USt. 10 %");
        QTest::newRow("homeopathic, narcotic, 20 %")
            << Options(Homeo | Narc) << VatFactorFromRate(20)
            << QStringLiteral("Homöop. Arzneispez., Suchtgift, USt. 20 %");
        QTest::newRow("AEP input, not reimbursable, 0 %")
            << Options(Aep | NotReimb) << VatFactorFromRate(0)
            << QStringLiteral("Standardberechnung, (*) nicht kassenzulässig, USt. 0 %");
        QTest::newRow("veterinary, 7 %")
            << Options(Vet) << VatFactorFromRate(7)
            << QStringLiteral("Standardberechnung, Veterinär / Hom. Ansatz, USt. 7 %");
        QTest::newRow("not a whole rate")
            << CalcOptions{} << 1.075 << QStringLiteral("Standardberechnung, USt.-Faktor 1.075");
    }

    void settings() {
        QFETCH(CalcOptions, options);
        QFETCH(double, vat);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(ReverseSettingsText(options, vat)), text);
    }
};

QTEST_APPLESS_MAIN(TestReverseText)
#include "test_reverse_text.moc"
