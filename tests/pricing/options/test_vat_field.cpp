// The VAT field: every state and transition, the question, the refusal and the
// factor in force between applications.
#include "pricing/engine.h"
#include "pricing/options/switch_rules.h"
#include "pricing/options/vat_field.h"

#include <QStringList>
#include <QTest>

#include <cmath>
#include <stdexcept>

using namespace fapkalk;

namespace {

// 1 + n/100 worked out in extended precision and stored as a double: how a
// confirmed rate other than 10 and 20 becomes a factor.
double ExtendedFactor(unsigned n) {
    return static_cast<double>(1.0L + static_cast<long double>(n) / 100.0L);
}

QString Question(const QString& text) {
    return QString::fromUtf8("Möchten Sie die Berechung mit abweichender USt. (") + text +
           QString::fromUtf8(") durchführen?");
}

QString RateKindName(VatRateKind kind) {
    switch (kind) {
    case VatRateKind::Standard:
        return "standard";
    case VatRateKind::Higher:
        return "higher";
    case VatRateKind::Deviating:
        break;
    }
    return "deviating";
}

// Plays the main window around a VatField: carries out each outcome the way the
// window does, while the field applies (setting the text re-enters
// TextChanged), and records everything the user would have seen.
class WindowDouble {
public:
    explicit WindowDouble(QStringList answers) : answers_(std::move(answers)) {}

    VatField field;
    int runs = 0;
    int messages = 0;
    int setTexts = 0;
    bool lastSelectAndFocus = false;
    QStringList questions;
    QString problem; // the first broken rule noticed on the way

    void Step(const QString& step) {
        VatOutcome outcome;
        if (step.startsWith("T:")) {
            field.TextChanged(step.mid(2).toStdString());
            Check(step);
            return;
        }
        const double before = field.Factor();
        const auto ask = [this, before](const std::string& question) {
            questions << QString::fromStdString(question);
            // The box is open: whatever runs now must see a usable factor.
            if (field.Factor() != before && problem.isEmpty())
                problem = "factor changed while the question was open";
            if (answers_.isEmpty()) {
                problem = "question asked without an answer prepared";
                return VatAnswer::Closed;
            }
            const QString a = answers_.takeFirst();
            return a == "yes" ? VatAnswer::Yes : a == "no" ? VatAnswer::No : VatAnswer::Closed;
        };
        const auto carryOut = [this](const VatOutcome& o) {
            if (o.setText) {
                ++setTexts;
                field.TextChanged(*o.setText); // the widget's change notification
            }
        };
        if (step == "X")
            outcome = field.FocusLost(ask, false, carryOut);
        else if (step == "E")
            outcome = field.KeyPress(kEnterKey, ask, carryOut);
        else if (step.startsWith("K:"))
            outcome = field.KeyPress(step.at(2).unicode(), ask, carryOut);
        else
            qFatal("unknown step %s", qPrintable(step));

        if (outcome.showNotNumeric)
            ++messages;
        lastSelectAndFocus = outcome.selectAllAndFocus;
        if (outcome.run != RunStart::None)
            ++runs;
        // Declining keeps the focus in the field: the run that follows it
        // must leave the focus where it is.
        const bool declined = outcome.answer && *outcome.answer != VatAnswer::Yes;
        if (outcome.run != RunStart::None && (outcome.run == RunStart::KeepFocus) != declined &&
            problem.isEmpty())
            problem = "a declined rate runs in place, every other one returns to the price field";
        if (outcome.question && outcome.showNotNumeric && problem.isEmpty())
            problem = "a text that is no rate was asked about";
        if (outcome.question.has_value() != outcome.answer.has_value() && problem.isEmpty())
            problem = "question and answer reported inconsistently";
        if (outcome.showNotNumeric && outcome.run != RunStart::None && problem.isEmpty())
            problem = "a refused text started a run";
        Check(step);
    }

    int UnusedAnswers() const { return answers_.size(); }

private:
    void Check(const QString& step) {
        const double f = field.Factor();
        if (!(f >= 1.0) && problem.isEmpty())
            problem = "unusable factor " + QString::number(f, 'g', 17) + " after " + step;
    }

    QStringList answers_;
};

} // namespace

class TestVatField : public QObject {
    Q_OBJECT

private slots:
    void startState() {
        const VatField field;
        QCOMPARE(field.Text(), std::string("10"));
        QCOMPARE(field.RateKind(), VatRateKind::Standard);
        QVERIFY(!field.Edited());
        QVERIFY(field.Factor() == 1.1);
    }

    void script_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("rateKind");
        QTest::addColumn<bool>("edited");
        QTest::addColumn<double>("factor");
        QTest::addColumn<int>("runs");
        QTest::addColumn<int>("messages");
        QTest::addColumn<QStringList>("questions");
        QTest::addColumn<bool>("selectAndFocus");

        const QStringList none;
        auto row = [](const char* name) -> QTestData& { return QTest::newRow(name); };

        row("leave unchanged") << QStringList{"X"} << none << "10"
                               << "standard" << false << 1.1 << 1 << 0 << none << false;
        row("enter unchanged") << QStringList{"E"} << none << "10"
                               << "standard" << false << 1.1 << 1 << 0 << none << false;
        row("other keys apply nothing") << QStringList{"T:5", "K:a", "K:5"} << none << "5"
                                        << "standard" << true << 1.1 << 0 << 0 << none << false;
        row("10 typed again") << QStringList{"T:1", "T:10", "X"} << none << "10"
                              << "standard" << false << 1.1 << 1 << 0 << none << false;
        row("20") << QStringList{"T:2", "T:20", "X"} << none << "20"
                  << "higher" << false << 1.2 << 1 << 0 << none << false;
        row("20 by enter") << QStringList{"T:20", "E"} << none << "20"
                           << "higher" << false << 1.2 << 1 << 0 << none << false;
        row("20 applied, then left again") << QStringList{"T:20", "X", "X"} << none << "20"
                                           << "higher" << false << 1.2 << 2 << 0 << none << false;
        row("20 to 2 to 20") << QStringList{"T:20", "X", "T:2", "T:20", "X"} << none << "20"
                             << "higher" << false << 1.2 << 2 << 0 << none << false;
        row("20 then back to 10") << QStringList{"T:20", "X", "T:1", "T:10", "X"} << none << "10"
                                  << "standard" << false << 1.1 << 2 << 0 << none << false;
        row("5 confirmed") << QStringList{"T:5", "X"} << QStringList{"yes"} << "5"
                           << "deviating" << false << 1.05 << 1 << 0 << QStringList{Question("5")}
                           << false;
        row("05 confirmed") << QStringList{"T:0", "T:05", "X"} << QStringList{"yes"} << "05"
                            << "deviating" << false << 1.05 << 1 << 0 << QStringList{Question("05")}
                            << false;
        row("7 confirmed by enter")
            << QStringList{"T:7", "E"} << QStringList{"yes"} << "7"
            << "deviating" << false << 1.07 << 1 << 0 << QStringList{Question("7")} << false;
        row("0 confirmed") << QStringList{"T:0", "X"} << QStringList{"yes"} << "0"
                           << "deviating" << false << 1.0 << 1 << 0 << QStringList{Question("0")}
                           << false;
        row("00 confirmed") << QStringList{"T:00", "X"} << QStringList{"yes"} << "00"
                            << "deviating" << false << 1.0 << 1 << 0 << QStringList{Question("00")}
                            << false;
        row("99 confirmed") << QStringList{"T:99", "X"} << QStringList{"yes"} << "99"
                            << "deviating" << false << ExtendedFactor(99) << 1 << 0
                            << QStringList{Question("99")} << false;
        row("rate applied, then left again")
            << QStringList{"T:5", "E", "X"} << QStringList{"yes"} << "5"
            << "deviating" << false << 1.05 << 2 << 0 << QStringList{Question("5")} << false;
        row("deviating back to standard")
            << QStringList{"T:5", "X", "T:1", "T:10", "X"} << QStringList{"yes"} << "10"
            << "standard" << false << 1.1 << 2 << 0 << QStringList{Question("5")} << false;
        // A text that is no whole number is refused before any question; the
        // field shows the rate in force again.
        row("empty refused") << QStringList{"T:", "X"} << none << "10"
                             << "standard" << false << 1.1 << 0 << 1 << none << true;
        row("blank and digit refused") << QStringList{"T: 5", "X"} << none << "10"
                                       << "standard" << false << 1.1 << 0 << 1 << none << true;
        row("letters refused") << QStringList{"T:ab", "X"} << none << "10"
                               << "standard" << false << 1.1 << 0 << 1 << none << true;
        row("sign refused") << QStringList{"T:-5", "E"} << none << "10"
                            << "standard" << false << 1.1 << 0 << 1 << none << true;
        row("umlaut refused") << QStringList{QString::fromUtf8("T:ü"), "X"} << none << "10"
                              << "standard" << false << 1.1 << 0 << 1 << none << true;
        row("refused shows the last rate")
            << QStringList{"T:5", "X", "T:x", "X"} << QStringList{"yes"} << "5"
            << "deviating" << false << 1.05 << 1 << 1 << QStringList{Question("5")} << true;
        row("refused, then left without change")
            << QStringList{"T:20", "X", "T:a", "X", "X"} << none << "20"
            << "higher" << false << 1.2 << 2 << 1 << none << false;
        row("refused, then corrected")
            << QStringList{"T:x", "X", "T:8", "X"} << QStringList{"yes"} << "8"
            << "deviating" << false << 1.08 << 1 << 1 << QStringList{Question("8")} << false;
        // Declining puts 10 % in force, shown as such, and computes again.
        row("declined") << QStringList{"T:5", "X"} << QStringList{"no"} << "10"
                        << "standard" << false << 1.1 << 1 << 0 << QStringList{Question("5")}
                        << true;
        row("closed counts as declined")
            << QStringList{"T:5", "E"} << QStringList{"closed"} << "10"
            << "standard" << false << 1.1 << 1 << 0 << QStringList{Question("5")} << true;
        row("declined after 20") << QStringList{"T:20", "X", "T:7", "X"} << QStringList{"no"}
                                 << "10"
                                 << "standard" << false << 1.1 << 2 << 0
                                 << QStringList{Question("7")} << true;
        row("declined after a red rate")
            << QStringList{"T:5", "X", "T:7", "X"} << QStringList{"yes", "no"} << "10"
            << "standard" << false << 1.1 << 2 << 0 << QStringList{Question("5"), Question("7")}
            << true;
        row("declined, then left")
            << QStringList{"T:20", "X", "T:7", "X", "X"} << QStringList{"no"} << "10"
            << "standard" << false << 1.1 << 3 << 0 << QStringList{Question("7")} << false;
        row("declined twice") << QStringList{"T:5", "X", "T:6", "X"} << QStringList{"no", "no"}
                              << "10"
                              << "standard" << false << 1.1 << 2 << 0
                              << QStringList{Question("5"), Question("6")} << true;
        row("three digits") << QStringList{"T:123", "X"} << QStringList{"yes"} << "123"
                            << "deviating" << false << ExtendedFactor(123) << 1 << 0
                            << QStringList{Question("123")} << false;
        row("leading zeros") << QStringList{"T:0000000007", "X"} << QStringList{"yes"}
                             << "0000000007"
                             << "deviating" << false << 1.07 << 1 << 0
                             << QStringList{Question("0000000007")} << false;
        row("too many digits refused") << QStringList{"T:99999999999", "X"} << none << "10"
                                       << "standard" << false << 1.1 << 0 << 1 << none << true;
    }

    void script() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, answers);
        QFETCH(double, factor);

        WindowDouble window(answers);
        for (const QString& step : steps)
            window.Step(step);

        QVERIFY2(window.problem.isEmpty(), qPrintable(window.problem));
        QCOMPARE(window.UnusedAnswers(), 0);
        QTEST(QString::fromStdString(window.field.Text()), "text");
        QTEST(RateKindName(window.field.RateKind()), "rateKind");
        QTEST(window.field.Edited(), "edited");
        QVERIFY2(window.field.Factor() == factor,
                 qPrintable(QString::number(window.field.Factor(), 'g', 17) +
                            " != " + QString::number(factor, 'g', 17)));
        QTEST(window.runs, "runs");
        QTEST(window.messages, "messages");
        QTEST(window.questions, "questions");
        QTEST(window.lastSelectAndFocus, "selectAndFocus");
    }

    // A confirmed rate other than 10 and 20 follows 1 + n/100 for every
    // two-digit text, and 10 and 20 never ask.
    void everyTwoDigitRate() {
        for (int n = 0; n <= 99; ++n) {
            for (int width : {1, 2}) {
                if (width == 1 && n > 9)
                    continue;
                const QString text = QString("%1").arg(n, width, 10, QChar('0'));
                WindowDouble window(QStringList{"yes"});
                window.Step("T:" + text);
                window.Step("X");
                QVERIFY2(window.problem.isEmpty(), qPrintable(window.problem));
                QCOMPARE(window.runs, 1);
                const double expected = text == "20"   ? 1.2
                                        : text == "10" ? 1.1
                                                       : ExtendedFactor(static_cast<unsigned>(n));
                QVERIFY2(window.field.Factor() == expected, qPrintable(text));
                const bool asks = text != "10" && text != "20";
                QCOMPARE(window.questions.size(), asks ? 1 : 0);
                QCOMPARE(window.UnusedAnswers(), asks ? 0 : 1);
                QCOMPARE(window.field.RateKind(), text == "10"   ? VatRateKind::Standard
                                                  : text == "20" ? VatRateKind::Higher
                                                                 : VatRateKind::Deviating);
            }
        }
    }

    // A refused text must not leave a factor of 0 behind: the next switch click
    // computes with the last valid rate.
    void refusedTextThenSwitchClick_data() {
        QTest::addColumn<QString>("validRate");
        QTest::addColumn<double>("validFactor");
        QTest::newRow("start rate") << "" << 1.1;
        QTest::newRow("20 %") << "20" << 1.2;
        QTest::newRow("5 %") << "5" << 1.05;
    }

    void refusedTextThenSwitchClick() {
        QFETCH(QString, validRate);
        QFETCH(double, validFactor);

        // 10 and 20 are taken without a question; any other rate asks once.
        QStringList answers;
        if (!validRate.isEmpty() && validRate != "10" && validRate != "20")
            answers << "yes";
        WindowDouble window(answers);
        if (!validRate.isEmpty()) {
            window.Step("T:" + validRate);
            window.Step("X");
        }
        window.Step("T:x");
        window.Step("X");
        QCOMPARE(window.messages, 1);
        QCOMPARE(window.UnusedAnswers(), 0);
        QVERIFY2(window.problem.isEmpty(), qPrintable(window.problem));

        SwitchRules switches;
        QCOMPARE(switches.ToggleNarcotic(), RunStart::KeepFocus);
        const double price = 10.0;
        const PriceResult shown = CalcPrices(price, switches.Options(), window.field.Factor());
        const PriceResult expected = CalcPrices(price, switches.Options(), validFactor);
        QVERIFY(shown.refusal == nullptr);
        QVERIFY(shown.avp > shown.kp);
        QVERIFY(shown.avp == expected.avp);
        QVERIFY(shown.kp == expected.kp);

        // Leaving the field again only runs, with the same factor.
        window.Step("X");
        QVERIFY(window.field.Factor() == validFactor);
    }

    void questionText() {
        QCOMPARE(QString::fromStdString(VatQuestionText("5")), Question("5"));
        QCOMPARE(QString::fromStdString(VatQuestionText("")), Question(""));
        QCOMPARE(QString::fromUtf8(kVatNotNumericText),
                 QString::fromUtf8("USt. muß numerisch sein!"));
    }

    void rateFromText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<uint>("rate");
        QTest::newRow("5") << "5" << true << 5u;
        QTest::newRow("05") << "05" << true << 5u;
        QTest::newRow("0") << "0" << true << 0u;
        QTest::newRow("99") << "99" << true << 99u;
        QTest::newRow("largest") << "4294967295" << true << 4294967295u;
        QTest::newRow("leading zeros before the largest") << "0004294967295" << true << 4294967295u;
        QTest::newRow("one beyond") << "4294967296" << false << 0u;
        QTest::newRow("far beyond") << "123456789012345678901234567890" << false << 0u;
        QTest::newRow("empty") << "" << false << 0u;
        QTest::newRow("blank") << " 5" << false << 0u;
        QTest::newRow("trailing blank") << "5 " << false << 0u;
        QTest::newRow("sign") << "+5" << false << 0u;
        QTest::newRow("point") << "5." << false << 0u;
        QTest::newRow("non-ascii digit") << QString::fromUtf8("５") << false << 0u;
    }

    void rateFromText() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(uint, rate);
        const std::optional<unsigned> got = VatRateFromText(text.toStdString());
        QCOMPARE(got.has_value(), valid);
        if (valid)
            QCOMPARE(*got, rate);
    }

    // While the question is open, another notification of the same field (the
    // focus leaving while the box takes it) must not evaluate the text again.
    void nestedApplicationDoesNothing() {
        VatField field;
        field.TextChanged("5");
        VatOutcome nested;
        int asked = 0;
        const VatOutcome outcome = field.FocusLost([&](const std::string&) {
            ++asked;
            nested = field.FocusLost([&](const std::string&) {
                ++asked;
                return VatAnswer::Yes;
            });
            return VatAnswer::Yes;
        });
        QCOMPARE(asked, 1);
        QCOMPARE(nested.run, RunStart::None);
        QVERIFY(!nested.question.has_value());
        QCOMPARE(outcome.run, RunStart::ReturnToPrice);
        QVERIFY(field.Factor() == 1.05);
        // After the box is gone the field works as usual again.
        QCOMPARE(field.FocusLost({}).run, RunStart::ReturnToPrice);
    }

    // During a run the field is left by the run's own focus moves and by the
    // clicks it processes: unchanged, it applies nothing; changed, it is
    // applied as always.
    void exitDuringRun_data() {
        QTest::addColumn<QString>("typed"); // empty: unchanged
        QTest::addColumn<bool>("runUnderWay");
        QTest::addColumn<int>("run");
        QTest::addColumn<double>("factor");
        const int none = int(RunStart::None), toPrice = int(RunStart::ReturnToPrice);
        QTest::newRow("unchanged, no run under way") << "" << false << toPrice << 1.1;
        QTest::newRow("unchanged, run under way") << "" << true << none << 1.1;
        QTest::newRow("20, run under way") << "20" << true << toPrice << 1.2;
        QTest::newRow("10 typed again, run under way") << "10" << true << toPrice << 1.1;
    }

    void exitDuringRun() {
        QFETCH(QString, typed);
        QFETCH(bool, runUnderWay);
        QFETCH(int, run);
        QFETCH(double, factor);
        VatField field;
        if (!typed.isEmpty())
            field.TextChanged(typed.toStdString());
        int asked = 0;
        const VatOutcome outcome = field.FocusLost(
            [&](const std::string&) {
                ++asked;
                return VatAnswer::Yes;
            },
            runUnderWay);
        QCOMPARE(int(outcome.run), run);
        QCOMPARE(asked, 0);
        QVERIFY(!field.Edited());
        QVERIFY(field.Factor() == factor);
    }

    // Carrying out an outcome moves the focus and starts a run, and either may
    // leave the field again: such an exit, or Enter, applies nothing until the
    // outcome has been carried out.
    void nestedDuringCarryOutDoesNothing() {
        VatField field;
        field.TextChanged("20");
        int carried = 0;
        VatOutcome nestedExit, nestedEnter;
        const VatCarryOut carryOut = [&](const VatOutcome& outcome) {
            ++carried;
            QCOMPARE(outcome.run, RunStart::ReturnToPrice);
            nestedExit = field.FocusLost({}, false, [&](const VatOutcome&) { ++carried; });
            nestedEnter = field.KeyPress(kEnterKey, {}, [&](const VatOutcome&) { ++carried; });
        };
        const VatOutcome outcome = field.FocusLost({}, false, carryOut);
        QCOMPARE(carried, 1);
        QCOMPARE(outcome.run, RunStart::ReturnToPrice);
        QCOMPARE(nestedExit.run, RunStart::None);
        QCOMPARE(nestedEnter.run, RunStart::None);
        QVERIFY(field.Factor() == 1.2);
        // Afterwards the field answers as usual again.
        QCOMPARE(field.FocusLost({}, false, [&](const VatOutcome&) { ++carried; }).run,
                 RunStart::ReturnToPrice);
        QCOMPARE(carried, 2);
    }

    void missingQuestionCountsAsClosed() {
        VatField field;
        field.TextChanged("7");
        const VatOutcome outcome = field.ApplyVatRate({});
        QVERIFY(outcome.question.has_value());
        QVERIFY(outcome.answer == VatAnswer::Closed);
        QVERIFY(outcome.setText == "10");
        QVERIFY(outcome.run == RunStart::KeepFocus);
        QCOMPARE(field.Text(), std::string("10"));
        QVERIFY(!field.Edited());
        QVERIFY(field.Factor() == 1.1);
    }

    // A failing box (an exception out of the question) leaves the field usable.
    void failingQuestion() {
        VatField field;
        field.TextChanged("7");
        bool thrown = false;
        try {
            field.FocusLost(
                [](const std::string&) -> VatAnswer { throw std::runtime_error("box"); });
        } catch (const std::runtime_error&) {
            thrown = true;
        }
        QVERIFY(thrown);
        QVERIFY(field.Factor() == 1.1);
        field.TextChanged("7");
        int asked = 0;
        const VatOutcome outcome = field.FocusLost([&](const std::string&) {
            ++asked;
            return VatAnswer::Yes;
        });
        QCOMPARE(asked, 1);
        QCOMPARE(outcome.run, RunStart::ReturnToPrice);
        QVERIFY(field.Factor() == 1.07);
    }
};

QTEST_APPLESS_MAIN(TestVatField)
#include "test_vat_field.moc"
