// The reverse calculation against a walk over every whole-cent input price.
#include "pricing/engine.h"
#include "pricing/price_rows.h"
#include "pricing/reverse.h"
#include "runner/metatypes.h"

#include "switch_sets.h"

#include <QtTest>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

using namespace fapkalk;

namespace {

constexpr std::array<ReverseTarget, 3> kTargets = {ReverseTarget::Aep, ReverseTarget::Kp,
                                                   ReverseTarget::Avp};

// The answer read off the results of inputs first, first + 1, ...: the
// target must lie below the last result, so every input that gives it or
// less is among them.
ReverseResult Walked(const std::vector<std::int64_t>& results, std::int64_t first,
                     std::int64_t target) {
    std::size_t i = 0;
    while (results[i] < target)
        ++i;
    ReverseResult answer;
    const auto input = [first](std::size_t index) {
        return first + static_cast<std::int64_t>(index);
    };
    if (results[i] == target) {
        answer.reached = true;
        answer.fromCents = input(i);
        std::size_t j = i;
        while (results[j + 1] == target)
            ++j;
        answer.toCents = input(j);
        return answer;
    }
    if (i > 0)
        answer.below = ReversePoint{input(i - 1), results[i - 1]};
    answer.above = ReversePoint{input(i), results[i]};
    return answer;
}

QString Describe(const ReverseResult& r) {
    if (r.reached)
        return QString::asprintf("from %lld to %lld", (long long)r.fromCents, (long long)r.toCents);
    QString text = "not reached";
    if (r.below)
        text += QString::asprintf(", below %lld gives %lld", (long long)r.below->inputCents,
                                  (long long)r.below->resultCents);
    if (r.above)
        text += QString::asprintf(", above %lld gives %lld", (long long)r.above->inputCents,
                                  (long long)r.above->resultCents);
    return text;
}

} // namespace

class TestReverse : public QObject {
    Q_OBJECT

private slots:
    // The example of a retail price: FAP 12.50 to 12.52 give an AVP of 26.05;
    // 26.07 lies between 12.52's 26.05 and 12.53's 26.10.
    void example() {
        const ReverseSearch search({}, kDefaultVatFactor);
        const ReverseResult reached = search.Find(ReverseTarget::Avp, 2605);
        QVERIFY(reached.reached);
        QCOMPARE(reached.fromCents, 1250);
        QCOMPARE(reached.toCents, 1252);
        const ReverseResult between = search.Find(ReverseTarget::Avp, 2607);
        QVERIFY(!between.reached);
        QCOMPARE(between.below, (ReversePoint{1252, 2605}));
        QCOMPARE(between.above, (ReversePoint{1253, 2610}));
    }

    void everySwitchSet_data() {
        QTest::addColumn<CalcOptions>("options");
        QTest::addColumn<double>("vat");
        for (unsigned switches = 0; switches < 32; ++switches)
            QTest::addRow("switches %u", switches) << Options(switches) << kDefaultVatFactor;
        QTest::newRow("VAT 20 %, narcotic") << Options(4) << 1.2;
        QTest::newRow("VAT 7.5 %") << Options(0) << 1.075;
    }

    // Every whole-cent input up to 600 €: the results never fall, and every
    // target from 0 to 15 € (each cent: amounts on five cents, unreachable
    // ones between them, the fixed bands where many inputs give one price)
    // and random ones up to the walk's end get the walk's answer.
    void everySwitchSet() {
        QFETCH(CalcOptions, options);
        QFETCH(double, vat);
        const ReverseSearch search(options, vat);
        constexpr std::int64_t kWalk = 60000;
        std::mt19937_64 random(1);
        for (ReverseTarget target : kTargets) {
            std::vector<std::int64_t> results;
            for (std::int64_t input = 1; input <= kWalk; ++input) {
                results.push_back(search.ResultCents(target, input));
                if (results.size() > 1 && results.back() < results[results.size() - 2])
                    QFAIL(qPrintable(QString::asprintf("result falls at %lld", (long long)input)));
            }
            std::vector<std::int64_t> amounts;
            for (std::int64_t amount = -1; amount <= 1500; ++amount)
                amounts.push_back(amount);
            for (int i = 0; i < 300; ++i)
                amounts.push_back(static_cast<std::int64_t>(
                    random() % static_cast<std::uint64_t>(results.back())));
            for (std::int64_t amount : amounts) {
                const ReverseResult expected = Walked(results, 1, amount);
                const ReverseResult found = search.Find(target, amount);
                if (found != expected)
                    QFAIL(qPrintable(QString::asprintf("target %d, %lld cents: ", int(target),
                                                       (long long)amount) +
                                     Describe(found) + "; walked: " + Describe(expected)));
            }
        }
    }

    // The top end: the largest input's row fits, the next one's does not;
    // targets around its results against a walk over the last inputs.
    void largestInput_data() {
        QTest::addColumn<CalcOptions>("options");
        QTest::addColumn<double>("vat");
        QTest::newRow("standard") << Options(0) << kDefaultVatFactor;
        QTest::newRow("AEP input, narcotic") << Options(5) << kDefaultVatFactor;
        QTest::newRow("veterinary, VAT 0") << Options(8) << 1.0;
        QTest::newRow("homeopathic, VAT 99") << Options(2) << VatFactorFromRate(99);
    }

    void largestInput() {
        QFETCH(CalcOptions, options);
        QFETCH(double, vat);
        const ReverseSearch search(options, vat);
        const std::int64_t largest = search.LargestInputCents();
        const PriceRows rows(options, vat);
        (void)rows.Row(largest);
        QVERIFY_THROWS_EXCEPTION(AmountTooLarge, rows.Row(largest + 1));

        constexpr std::int64_t kWalk = 3000;
        const std::int64_t first = largest - kWalk + 1;
        for (ReverseTarget target : kTargets) {
            std::vector<std::int64_t> results;
            for (std::int64_t input = first; input <= largest; ++input)
                results.push_back(search.ResultCents(target, input));
            const std::int64_t top = results.back();
            // Up to the largest result, walked among the last inputs where
            // the first of them already gives less.
            for (std::int64_t amount = top - 40; amount <= top; ++amount) {
                if (amount <= results.front())
                    continue;
                results.push_back(top + 1); // beyond: a target never reaches it
                const ReverseResult expected = Walked(results, first, amount);
                results.pop_back();
                QCOMPARE(search.Find(target, amount), expected);
            }
            // Above the largest result: nothing above.
            const ReverseResult beyond = search.Find(target, top + 1);
            QVERIFY(!beyond.reached && !beyond.above);
            QCOMPARE(beyond.below, (ReversePoint{largest, top}));
        }
    }

    // The bottom end: 0.01 € gives the smallest result; a target below it
    // has nothing below.
    void smallestInput() {
        for (unsigned switches = 0; switches < 32; ++switches) {
            const ReverseSearch search(Options(switches), kDefaultVatFactor);
            for (ReverseTarget target : kTargets) {
                const std::int64_t smallest = search.ResultCents(target, 1);
                const ReverseResult at = search.Find(target, smallest);
                QVERIFY(at.reached);
                QCOMPARE(at.fromCents, 1);
                const ReverseResult under = search.Find(target, smallest - 1);
                QVERIFY(!under.reached && !under.below);
                QCOMPARE(under.above, (ReversePoint{1, smallest}));
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestReverse)
#include "test_reverse.moc"
