// The calculation switches: clicks, exclusions, colours, FAP/AEP captions, and an
// exhaustive search over every state the clicks can reach.
#include "pricing/options/switch_rules.h"

#include <QStringList>
#include <QTest>

#include <deque>
#include <set>
#include <tuple>
#include <vector>

using namespace fapkalk;

Q_DECLARE_METATYPE(fapkalk::Rgb)

namespace fapkalk {
// Found by QTest through argument-dependent lookup for failure messages.
char* toString(const Rgb& c) {
    return QTest::toString(QString("Rgb(%1,%2,%3)").arg(c.r).arg(c.g).arg(c.b));
}
} // namespace fapkalk

namespace {

// The full state the window shows: the five switches and sbStern's enabled flag.
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

enum class Click { SG, Vet, Stern, Standard, Homeopathic, FapAepSingle, FapAepRange };
const std::vector<Click> kAllClicks = {Click::SG,         Click::Vet,         Click::Stern,
                                       Click::Standard,   Click::Homeopathic, Click::FapAepSingle,
                                       Click::FapAepRange};

RunStart Apply(SwitchRules& rules, Click click) {
    switch (click) {
    case Click::SG:
        return rules.sbSGClick();
    case Click::Vet:
        return rules.sbVetClick();
    case Click::Stern:
        return rules.sbSternClick();
    case Click::Standard:
        return rules.rgRechenModiClick(0);
    case Click::Homeopathic:
        return rules.rgRechenModiClick(1);
    case Click::FapAepSingle:
        return rules.spFAPAEPClick(false).run;
    case Click::FapAepRange:
        break;
    }
    return rules.spFAPAEPClick(true).run;
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
        return Click::FapAepSingle;
    if (word == "faprange")
        return Click::FapAepRange;
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
        return "sbStern enabled state does not follow the mode";
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
        QVERIFY(rules.SternEnabled());
        QCOMPARE(rules.ModeIndex(), 0);
        for (SwitchButton b : {SwitchButton::FapAep, SwitchButton::Narcotic,
                               SwitchButton::Veterinary, SwitchButton::NotReimbursable})
            QCOMPARE(CaptionColour(rules.Options(), b), kBlack);
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
            << "fap faprange" << false << false << false << false << false << true << 2;
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
            if (Apply(rules, ParseClick(word)) == RunStart::RunCalculation)
                ++runs;
        const CalcOptions& o = rules.Options();
        QTEST(o.Narcotic, "narcotic");
        QTEST(o.Veterinary, "veterinary");
        QTEST(o.NotReimbursable, "notReimbursable");
        QTEST(o.Homeopathic, "homeopathic");
        QTEST(o.AepInput, "aepInput");
        QTEST(rules.SternEnabled(), "sternEnabled");
        QTEST(runs, "runs");
        QCOMPARE(rules.ModeIndex(), o.Homeopathic ? 1 : 0);
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
                const bool sternBefore = next.SternEnabled();
                const RunStart run = Apply(next, click);
                const CalcOptions& after = next.Options();
                ++transitions;
                const QString where =
                    node.path.join(' ') + " + click " + QString::number(static_cast<int>(click));

                const QString violation = Violation(after, next.SternEnabled());
                QVERIFY2(violation.isEmpty(), qPrintable(where + ": " + violation));

                // Only the mode radio group changes the mode; only FAP/AEP changes the input kind.
                const bool isMode = click == Click::Standard || click == Click::Homeopathic;
                const bool isFap = click == Click::FapAepSingle || click == Click::FapAepRange;
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
                    QVERIFY2(next.SternEnabled(), qPrintable(where));
                    QVERIFY2(after.Veterinary == before.Veterinary &&
                                 after.NotReimbursable == before.NotReimbursable,
                             qPrintable(where));
                }

                if (click == Click::Stern && !sternBefore) {
                    QVERIFY2(run == RunStart::None, qPrintable(where));
                    QVERIFY2(after == before, qPrintable(where));
                } else {
                    QVERIFY2(run == RunStart::RunCalculation, qPrintable(where));
                }

                if (seen.insert(KeyOf(after, next.SternEnabled())).second) {
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

    void captionColours_data() {
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<Rgb>("fapAep");
        QTest::addColumn<Rgb>("sg");
        QTest::addColumn<Rgb>("vet");
        QTest::addColumn<Rgb>("stern");

        QTest::newRow("start") << "" << kBlack << kBlack << kBlack << kBlack;
        QTest::newRow("aep") << "fap" << Rgb{0, 0, 255} << kBlack << kBlack << kBlack;
        QTest::newRow("narcotic") << "sg" << kBlack << Rgb{255, 0, 0} << kBlack << kBlack;
        QTest::newRow("vet") << "vet" << kBlack << kBlack << Rgb{255, 0, 0} << kBlack;
        QTest::newRow("vet then stern")
            << "vet stern" << kBlack << kBlack << kBlack << Rgb{255, 0, 0};
        QTest::newRow("all that can be on")
            << "fap sg stern" << Rgb{0, 0, 255} << Rgb{255, 0, 0} << kBlack << Rgb{255, 0, 0};
        QTest::newRow("homeopathic clears")
            << "fap sg vet hom" << Rgb{0, 0, 255} << kBlack << kBlack << kBlack;
        QTest::newRow("all off again") << "sg sg fap fap" << kBlack << kBlack << kBlack << kBlack;
    }

    void captionColours() {
        QFETCH(QString, clicks);
        SwitchRules rules;
        for (const QString& word : clicks.split(' ', Qt::SkipEmptyParts))
            Apply(rules, ParseClick(word));
        QTEST(CaptionColour(rules.Options(), SwitchButton::FapAep), "fapAep");
        QTEST(CaptionColour(rules.Options(), SwitchButton::Narcotic), "sg");
        QTEST(CaptionColour(rules.Options(), SwitchButton::Veterinary), "vet");
        QTEST(CaptionColour(rules.Options(), SwitchButton::NotReimbursable), "stern");
    }

    void fapAepCaptions_data() {
        QTest::addColumn<bool>("rangeMode");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QString>("groupCaption");
        QTest::addColumn<bool>("labelChanges");
        QTest::addColumn<QString>("priceLabel");

        QTest::newRow("range, to AEP") << true << 1 << "Apothekeneinkaufspreis:" << false << "";
        QTest::newRow("range, back to FAP") << true << 2 << "Fabriksabgabepreis:" << false << "";
        QTest::newRow("single, to AEP") << false << 1 << "" << true << "Einkaufspreis:";
        QTest::newRow("single, back to FAP") << false << 2 << "" << true << "Fabriksabgabepreis:";
        QTest::newRow("single, AEP again") << false << 3 << "" << true << "Einkaufspreis:";
    }

    void fapAepCaptions() {
        QFETCH(bool, rangeMode);
        QFETCH(int, clicks);
        SwitchRules rules;
        FapAepClick last;
        for (int i = 0; i < clicks; ++i)
            last = rules.spFAPAEPClick(rangeMode);
        QCOMPARE(rules.Options().AepInput, clicks % 2 == 1);
        QCOMPARE(last.run, RunStart::RunCalculation);
        QTEST(QString::fromStdString(last.captions.groupCaption), "groupCaption");
        QTEST(last.captions.priceLabel.has_value(), "labelChanges");
        if (last.captions.priceLabel)
            QTEST(QString::fromStdString(*last.captions.priceLabel), "priceLabel");
        // The captions depend on the new input kind and the mode only.
        QCOMPARE(last.captions, CaptionsForInput(rules.Options().AepInput, rangeMode));
    }
};

QTEST_APPLESS_MAIN(TestSwitchRules)
#include "test_switch_rules.moc"
