// The calculation switches: toggles, exclusions, the states shown, and an
// exhaustive search over every state the toggles can reach.
#include "pricing/options/switch_rules.h"

#include <QStringList>
#include <QTest>

#include <deque>
#include <set>
#include <tuple>
#include <vector>

using namespace fapkalk;

namespace {

// The full state the window shows: the five switches and whether the
// not-reimbursable switch is enabled.
using Key = std::tuple<bool, bool, bool, bool, bool, bool>;

Key KeyOf(const CalcOptions& o, bool sternEnabled) {
    return {o.AepInput, o.Homeopathic, o.Narcotic, o.Veterinary, o.NotReimbursable, sternEnabled};
}

CalcOptions OptionsFromBits(int bits) {
    CalcOptions o;
    o.AepInput = bits & 1;
    o.Homeopathic = bits & 2;
    o.Narcotic = bits & 4;
    o.Veterinary = bits & 8;
    o.NotReimbursable = bits & 16;
    return o;
}

enum class Click { SG, Vet, Stern, Standard, Homeopathic, FapAep };
const std::vector<Click> kAllClicks = {Click::SG,       Click::Vet,         Click::Stern,
                                       Click::Standard, Click::Homeopathic, Click::FapAep};

RunStart Apply(SwitchRules& rules, Click click) {
    switch (click) {
    case Click::SG:
        return rules.ToggleNarcotic();
    case Click::Vet:
        return rules.ToggleVeterinary();
    case Click::Stern:
        return rules.ToggleNotReimbursable();
    case Click::Standard:
        return rules.ChooseMode(false);
    case Click::Homeopathic:
        return rules.ChooseMode(true);
    case Click::FapAep:
        break;
    }
    return rules.ToggleAepInput();
}

Click ParseClick(const QString& word) {
    if (word == "sg")
        return Click::SG;
    if (word == "vet")
        return Click::Vet;
    if (word == "stern")
        return Click::Stern;
    if (word == "std")
        return Click::Standard;
    if (word == "hom")
        return Click::Homeopathic;
    if (word == "fap")
        return Click::FapAep;
    qFatal("unknown click %s", qPrintable(word));
}

bool IsOn(const CalcOptions& o, Switch which) {
    return which == Switch::Narcotic     ? o.Narcotic
           : which == Switch::Veterinary ? o.Veterinary
                                         : o.NotReimbursable;
}

// A state the window must never show.
QString Violation(const CalcOptions& o, bool sternEnabled) {
    if (o.Veterinary && o.NotReimbursable)
        return "Veterinary and NotReimbursable both on";
    if (o.NotReimbursable && o.Homeopathic)
        return "NotReimbursable on in homeopathic mode";
    if (sternEnabled == o.Homeopathic)
        return "the not-reimbursable switch's enabled state does not follow the mode";
    return {};
}

// Replays a click on a fresh object positioned in the given state by a path of
// clicks, so the search never relies on anything but the public operations.
struct Node {
    SwitchRules rules;
    QStringList path;
};

} // namespace

class TestSwitchRules : public QObject {
    Q_OBJECT

private slots:
    void startState() {
        const SwitchRules rules;
        QCOMPARE(rules.Options(), CalcOptions{});
        QVERIFY(rules.NotReimbursableEnabled());
        for (SwitchButton b : {SwitchButton::FapAep, SwitchButton::Narcotic,
                               SwitchButton::Veterinary, SwitchButton::NotReimbursable})
            QVERIFY(!SwitchIsOn(rules.Options(), b));
    }

    void clickSequences_data() {
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<bool>("narcotic");
        QTest::addColumn<bool>("veterinary");
        QTest::addColumn<bool>("notReimbursable");
        QTest::addColumn<bool>("homeopathic");
        QTest::addColumn<bool>("aepInput");
        QTest::addColumn<bool>("sternEnabled");
        QTest::addColumn<int>("runs");

        QTest::newRow("narcotics once")
            << "sg" << true << false << false << false << false << true << 1;
        QTest::newRow("narcotics twice")
            << "sg sg" << false << false << false << false << false << true << 2;
        QTest::newRow("vet on") << "vet" << false << true << false << false << false << true << 1;
        QTest::newRow("vet then stern")
            << "vet stern" << false << false << true << false << false << true << 2;
        QTest::newRow("vet, stern, stern")
            << "vet stern stern" << false << false << false << false << false << true << 3;
        QTest::newRow("stern then vet")
            << "stern vet" << false << true << false << false << false << true << 2;
        QTest::newRow("stern twice")
            << "stern stern" << false << false << false << false << false << true << 2;
        QTest::newRow("sg and vet, then homeopathic")
            << "sg vet hom" << false << false << false << true << false << false << 3;
        QTest::newRow("homeopathic, back to standard")
            << "sg vet hom std" << false << false << false << false << false << true << 4;
        QTest::newRow("stern then homeopathic")
            << "stern hom" << false << false << false << true << false << false << 2;
        QTest::newRow("narcotic and vet again in homeopathic mode")
            << "hom sg vet" << true << true << false << true << false << false << 3;
        QTest::newRow("disabled stern cannot be clicked")
            << "hom vet stern" << false << true << false << true << false << false << 2;
        QTest::newRow("homeopathic selected twice")
            << "hom hom" << false << false << false << true << false << false << 2;
        QTest::newRow("standard keeps switches")
            << "sg vet std" << true << true << false << false << false << true << 3;
        QTest::newRow("fap/aep in single mode")
            << "fap" << false << false << false << false << true << true << 1;
        QTest::newRow("fap/aep twice")
            << "fap fap" << false << false << false << false << false << true << 2;
        QTest::newRow("aep combines with everything")
            << "fap sg stern" << true << false << true << false << true << true << 3;
        QTest::newRow("aep survives the mode change")
            << "fap hom std" << false << false << false << false << true << true << 3;
    }

    void clickSequences() {
        QFETCH(QString, clicks);
        SwitchRules rules;
        int runs = 0;
        for (const QString& word : clicks.split(' ', Qt::SkipEmptyParts))
            if (Apply(rules, ParseClick(word)) == RunStart::KeepFocus)
                ++runs;
        const CalcOptions& o = rules.Options();
        QTEST(o.Narcotic, "narcotic");
        QTEST(o.Veterinary, "veterinary");
        QTEST(o.NotReimbursable, "notReimbursable");
        QTEST(o.Homeopathic, "homeopathic");
        QTEST(o.AepInput, "aepInput");
        QTEST(rules.NotReimbursableEnabled(), "sternEnabled");
        QTEST(runs, "runs");
    }

    // Breadth-first over every click from every reachable state: the window can
    // never show a forbidden combination, every legal combination is reachable,
    // and each click changes exactly what it names.
    void exhaustiveInvariant() {
        std::set<Key> seen;
        std::deque<Node> queue;
        queue.push_back({SwitchRules{}, {}});
        seen.insert(KeyOf(CalcOptions{}, true));
        int transitions = 0;

        while (!queue.empty()) {
            const Node node = queue.front();
            queue.pop_front();
            for (Click click : kAllClicks) {
                SwitchRules next = node.rules;
                const CalcOptions before = next.Options();
                const bool sternBefore = next.NotReimbursableEnabled();
                const RunStart run = Apply(next, click);
                const CalcOptions& after = next.Options();
                ++transitions;
                const QString where =
                    node.path.join(' ') + " + click " + QString::number(static_cast<int>(click));

                const QString violation = Violation(after, next.NotReimbursableEnabled());
                QVERIFY2(violation.isEmpty(), qPrintable(where + ": " + violation));

                // Only the mode radio group changes the mode; only FAP/AEP changes the input kind.
                const bool isMode = click == Click::Standard || click == Click::Homeopathic;
                const bool isFap = click == Click::FapAep;
                if (!isMode)
                    QVERIFY2(after.Homeopathic == before.Homeopathic, qPrintable(where));
                if (!isFap)
                    QVERIFY2(after.AepInput == before.AepInput, qPrintable(where));
                else
                    QVERIFY2(after.AepInput != before.AepInput, qPrintable(where));

                if (click == Click::SG)
                    QVERIFY2(after.Narcotic != before.Narcotic, qPrintable(where));
                else if (click == Click::Homeopathic)
                    QVERIFY2(!after.Narcotic && !after.Veterinary && !after.NotReimbursable,
                             qPrintable(where));
                else
                    QVERIFY2(after.Narcotic == before.Narcotic, qPrintable(where));

                if (click == Click::Vet) {
                    QVERIFY2(after.Veterinary != before.Veterinary, qPrintable(where));
                    QVERIFY2(!after.NotReimbursable, qPrintable(where));
                }
                if (click == Click::Stern && sternBefore) {
                    QVERIFY2(after.NotReimbursable != before.NotReimbursable, qPrintable(where));
                    QVERIFY2(!after.Veterinary, qPrintable(where));
                }
                if (click == Click::Standard) {
                    QVERIFY2(next.NotReimbursableEnabled(), qPrintable(where));
                    QVERIFY2(after.Veterinary == before.Veterinary &&
                                 after.NotReimbursable == before.NotReimbursable,
                             qPrintable(where));
                }

                if (click == Click::Stern && !sternBefore) {
                    QVERIFY2(run == RunStart::None, qPrintable(where));
                    QVERIFY2(after == before, qPrintable(where));
                } else {
                    QVERIFY2(run == RunStart::KeepFocus, qPrintable(where));
                }

                if (seen.insert(KeyOf(after, next.NotReimbursableEnabled())).second) {
                    QStringList path = node.path;
                    path << QString::number(static_cast<int>(click));
                    queue.push_back({next, path});
                }
            }
        }

        // Every legal combination of the five switches can be reached.
        std::set<Key> legal;
        for (int bits = 0; bits < 32; ++bits) {
            const CalcOptions o = OptionsFromBits(bits);
            for (bool stern : {false, true})
                if (Violation(o, stern).isEmpty())
                    legal.insert(KeyOf(o, stern));
        }
        QCOMPARE(seen.size(), legal.size());
        QVERIFY(seen == legal);
        QCOMPARE(transitions, static_cast<int>(seen.size() * kAllClicks.size()));
    }

    // Toggle and clear touch their own switch only.
    void toggleAndClear() {
        for (int bits = 0; bits < 32; ++bits) {
            for (Switch s : {Switch::Narcotic, Switch::Veterinary, Switch::NotReimbursable}) {
                const CalcOptions start = OptionsFromBits(bits);
                CalcOptions toggled = start;
                ToggleSwitch(toggled, s);
                QCOMPARE(IsOn(toggled, s), !IsOn(start, s));
                CalcOptions restored = toggled;
                ToggleSwitch(restored, s);
                QCOMPARE(restored, start);

                CalcOptions cleared = start;
                ClearSwitch(cleared, s);
                QVERIFY(!IsOn(cleared, s));
                // Everything else is as before: put the named switch back and compare.
                if (IsOn(start, s))
                    ToggleSwitch(cleared, s);
                QCOMPARE(cleared, start);

                // Toggling changes exactly one field of the five.
                int differing = 0;
                differing += toggled.AepInput != start.AepInput;
                differing += toggled.Homeopathic != start.Homeopathic;
                differing += toggled.Narcotic != start.Narcotic;
                differing += toggled.Veterinary != start.Veterinary;
                differing += toggled.NotReimbursable != start.NotReimbursable;
                QCOMPARE(differing, 1);
            }
        }
    }

    // What each switch shows after a path of toggles.
    void shownStates_data() {
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<bool>("fapAep");
        QTest::addColumn<bool>("sg");
        QTest::addColumn<bool>("vet");
        QTest::addColumn<bool>("stern");

        QTest::newRow("start") << "" << false << false << false << false;
        QTest::newRow("aep") << "fap" << true << false << false << false;
        QTest::newRow("narcotic") << "sg" << false << true << false << false;
        QTest::newRow("vet") << "vet" << false << false << true << false;
        QTest::newRow("vet then stern") << "vet stern" << false << false << false << true;
        QTest::newRow("all that can be on") << "fap sg stern" << true << true << false << true;
        QTest::newRow("homeopathic clears") << "fap sg vet hom" << true << false << false << false;
        QTest::newRow("all off again") << "sg sg fap fap" << false << false << false << false;
    }

    void shownStates() {
        QFETCH(QString, clicks);
        SwitchRules rules;
        for (const QString& word : clicks.split(' ', Qt::SkipEmptyParts))
            Apply(rules, ParseClick(word));
        QTEST(SwitchIsOn(rules.Options(), SwitchButton::FapAep), "fapAep");
        QTEST(SwitchIsOn(rules.Options(), SwitchButton::Narcotic), "sg");
        QTEST(SwitchIsOn(rules.Options(), SwitchButton::Veterinary), "vet");
        QTEST(SwitchIsOn(rules.Options(), SwitchButton::NotReimbursable), "stern");
    }
};

QTEST_APPLESS_MAIN(TestSwitchRules)
#include "test_switch_rules.moc"
