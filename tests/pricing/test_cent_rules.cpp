// The engine's integer way against the double steps it replaces: on prices on
// whole cents, on the running sums of ranges, and on prices placed just
// inside and outside every bound that decides between the two ways.
#include "pricing/cent_path.h"
#include "pricing/engine.h"
#include "pricing/numbers.h"
#include "pricing/price_rows.h"
#include "pricing/rounding_detail.h"

#include "switch_sets.h"

#include <QtTest>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>

namespace detail = fapkalk::detail;
using fapkalk::CalcOptions;
using fapkalk::PriceResult;
using fapkalk::RowCells;

Q_DECLARE_METATYPE(CalcOptions)

namespace {

QString Where(double price, const CalcOptions& o, double vat) {
    return QString::asprintf("price %.17g, switches %d%d%d%d%d, VAT %.17g", price, o.AepInput,
                             o.Homeopathic, o.Narcotic, o.Veterinary, o.NotReimbursable, vat);
}

std::string Text(fapkalk::ShownPrice shown) {
    std::string text(fapkalk::kShownTextSize, ' ');
    fapkalk::WriteShownText(text.data(), shown);
    return text;
}

// The engine and a row of cells against the double steps and the display
// text by its rules. Empty when they agree, else what differs.
QString Disagreement(double price, const CalcOptions& o, double vat) {
    const double aep = fapkalk::CalcAep(price, o);
    const double kp = fapkalk::CalcKp(aep, o.Narcotic);
    const double avp = fapkalk::CalcAvp(aep, o.Narcotic, vat);
    const PriceResult r = fapkalk::CalcPrices(price, o, vat);
    if (!(r.aep == aep && r.kp == kp && r.avp == avp))
        return Where(price, o, vat) +
               QString::asprintf(": engine %.17g %.17g %.17g, steps %.17g %.17g %.17g", r.aep, r.kp,
                                 r.avp, aep, kp, avp);
    const RowCells cells = fapkalk::PriceRows(o, vat).Row(price);
    const std::string expected[4] = {
        fapkalk::detail::FormatPriceGeneral(price), fapkalk::detail::FormatPriceGeneral(aep),
        fapkalk::detail::FormatPriceGeneral(kp), fapkalk::detail::FormatPriceGeneral(avp)};
    const std::string shown[4] = {Text(cells.fap), Text(cells.aep), Text(cells.kp),
                                  Text(cells.avp)};
    for (int i = o.AepInput ? 1 : 0; i < 4; ++i)
        if (shown[i] != expected[i])
            return Where(price, o, vat) + QString::asprintf(": cell %d '%s', expected '%s'", i,
                                                            shown[i].c_str(), expected[i].c_str());
    if (cells.fapPlaceholder != o.AepInput)
        return Where(price, o, vat) + ": placeholder";
    return {};
}

// Whether the row of this price is decided on the integer way.
bool OnIntegerWay(double price, const CalcOptions& o, double vat) {
    const int rate = detail::WholeVatRate(vat);
    detail::NearCents near;
    detail::CentPrices cents;
    return rate >= 0 && detail::SplitNearCents(price, near) &&
           detail::PricesNearCents(detail::PriceCentsFor(o), price, near, o.Narcotic,
                                   static_cast<unsigned>(rate), cents) &&
           (o.AepInput || detail::ShownNear(near.cents, near.drift) >= 0) &&
           detail::ShownNear(cents.aepCents, cents.aepDrift) >= 0;
}

// The integer way's tables, and the switches that select each.
const fapkalk::detail::PriceCents* const kTables[] = {
    &detail::kStandardPriceCents, &detail::kNotReimbursablePriceCents,
    &detail::kHomeopathicPriceCents, &detail::kVeterinaryPriceCents, &detail::kAepInputPriceCents};
const unsigned kTableSwitches[] = {0, 16, 2, 8, 1};

} // namespace

class TestCentRules : public QObject {
    Q_OBJECT

private slots:
    // The pharmacy step in integers against the double steps, for every AEP
    // below 41,943.04 € (VAT 10 %, with and without narcotic).
    void everyAep() {
        for (std::int64_t cents = 1; cents < (std::int64_t{1} << 22); ++cents) {
            const double aep = static_cast<double>(cents) / 100.0;
            for (bool narcotic : {false, true}) {
                const PriceResult r =
                    fapkalk::CalcPrices(aep, {.AepInput = true, .Narcotic = narcotic}, 1.1);
                if (r.kp != fapkalk::CalcKp(aep, narcotic) ||
                    r.avp != fapkalk::CalcAvp(aep, narcotic, 1.1))
                    QFAIL(qPrintable(QString::asprintf("AEP %lld cents, narcotic %d",
                                                       (long long)cents, narcotic)));
            }
        }
    }

    // Every whole VAT rate: all AEPs up to 655.35 €, and a sample across the
    // whole range (a prime stride hits every band and cent digit).
    void everyVatRate() {
        for (unsigned rate = 0; rate < 100; ++rate) {
            const double factor = fapkalk::VatFactorFromRate(rate);
            QCOMPARE(detail::WholeVatRate(factor), static_cast<int>(rate));
            for (std::int64_t cents = 1; cents < detail::kCentPathLimit;
                 cents += cents < 65536 ? 1 : 9973) {
                const double aep = static_cast<double>(cents) / 100.0;
                for (bool narcotic : {false, true}) {
                    const PriceResult r =
                        fapkalk::CalcPrices(aep, {.AepInput = true, .Narcotic = narcotic}, factor);
                    if (r.avp != fapkalk::CalcAvp(aep, narcotic, factor))
                        QFAIL(qPrintable(QString::asprintf("AEP %lld cents, rate %u, narcotic %d",
                                                           (long long)cents, rate, narcotic)));
                }
            }
        }
    }

    // The whole way from a typed price on whole cents, for every wholesale
    // variant: every price up to 1,310.71 € (far past the last band change of
    // every table, so every stretch and bucket is crossed), then a prime
    // stride on to beyond the range, where the engine must fall back.
    // Narcotic alternates with the cent digit.
    void everyTypedPrice_data() {
        QTest::addColumn<unsigned>("switches");
        QTest::newRow("standard") << 0u;
        QTest::newRow("not reimbursable") << 16u;
        QTest::newRow("homeopathic") << 2u;
        QTest::newRow("veterinary") << 8u;
        QTest::newRow("homeopathic veterinary") << 10u;
        QTest::newRow("veterinary not reimbursable") << 24u;
        QTest::newRow("AEP input") << 1u;
    }

    void everyTypedPrice() {
        QFETCH(unsigned, switches);
        const std::int64_t end = detail::kCentPathLimit + detail::kCentPathLimit / 2;
        for (std::int64_t cents = 1; cents < end; cents += cents < (1 << 17) ? 1 : 997) {
            CalcOptions options = Options(switches);
            options.Narcotic = cents % 2 == 1;
            const double price = static_cast<double>(cents) / 100.0;
            const PriceResult r = fapkalk::CalcPrices(price, options, 1.1);
            const double aep = fapkalk::CalcAep(price, options);
            if (!(r.aep == aep && r.kp == fapkalk::CalcKp(aep, options.Narcotic) &&
                  r.avp == fapkalk::CalcAvp(aep, options.Narcotic, 1.1) && !r.refusal))
                QFAIL(qPrintable(QString::asprintf("price %lld cents", (long long)cents)));
        }
    }

    // The stretch lookup against counting the stretch ends below, for every
    // table, up to beyond its buckets.
    void stretchLookup() {
        for (const detail::PriceCents* table : kTables) {
            for (std::uint64_t cents = 0; cents < 60000; cents += cents < 45000 ? 1 : 97) {
                std::size_t below = 0;
                while (cents > table->last[below])
                    ++below;
                if (table->Find(cents) != below)
                    QFAIL(qPrintable(QString::asprintf("%llu cents", (unsigned long long)cents)));
            }
            const std::size_t open = table->Find(std::uint64_t(detail::kCentPathLimit - 1));
            QCOMPARE(table->last[open], std::numeric_limits<std::uint64_t>::max());
        }
    }

    // Every row of these running sums, in every switch combination, against
    // the double steps and the display texts by their rules. The sums drift
    // off whole cents; the steps of a thousandth and a quarter cent put
    // prices between the cents.
    void runningSums_data() {
        QTest::addColumn<double>("von");
        QTest::addColumn<double>("step");
        QTest::addColumn<double>("bis");
        QTest::addColumn<double>("vat");
        QTest::newRow("0.01 to 400") << 0.01 << 0.01 << 400.0 << 1.1;
        QTest::newRow("0.07 to 2000, VAT 20") << 0.07 << 0.07 << 2000.0 << 1.2;
        QTest::newRow("0.001 to 20") << 0.001 << 0.001 << 20.0 << 1.1;
        QTest::newRow("0.0125 to 200") << 0.0125 << 0.0125 << 200.0 << 1.1;
        QTest::newRow("1 to 700000 by 33.3, VAT 7") << 1.0 << 33.3 << 700000.0 << 1.07;
        QTest::newRow("VAT 7.5 %") << 0.01 << 0.13 << 1000.0 << 1.075;
    }

    void runningSums() {
        QFETCH(double, von);
        QFETCH(double, step);
        QFETCH(double, bis);
        QFETCH(double, vat);
        for (unsigned switches = 0; switches < 32; ++switches) {
            const CalcOptions options = Options(switches);
            for (double price = von; !(price > bis); price = price + step) {
                const QString disagreement = Disagreement(price, options, vat);
                if (!disagreement.isEmpty())
                    QFAIL(qPrintable(disagreement));
            }
        }
    }

    // The sum of a million steps of 0.01 drifts by up to 2e-5 cents; every
    // row of it stays on the integer way, also in the open band, but for the
    // last cents of stretches, which only an exact price takes; and agrees.
    void longSumStaysOnTheIntegerWay() {
        for (unsigned switches : {0u, 1u, 4u, 8u}) {
            const CalcOptions options = Options(switches);
            const detail::PriceCents& table = detail::PriceCentsFor(options);
            int rows = 0;
            for (double price = 0.01; !(price > 10000.0); price = price + 0.01, ++rows) {
                if (!OnIntegerWay(price, options, 1.1)) {
                    detail::NearCents near;
                    QVERIFY(detail::SplitNearCents(price, near));
                    if (near.cents != table.last[table.Find(near.cents)])
                        QFAIL(qPrintable("left the integer way: " + Where(price, options, 1.1)));
                }
                if (rows % 97 == 0) {
                    const QString disagreement = Disagreement(price, options, 1.1);
                    if (!disagreement.isEmpty())
                        QFAIL(qPrintable(disagreement));
                }
            }
            QCOMPARE(rows, 999'999);
        }
    }

    // Prices placed at each bound of the integer way (cent_path.h, 1 to 5)
    // and a little inside and outside it: wherever the integer way decides,
    // it agrees with the double steps, and it does decide inside the bounds.
    void driftBounds() {
        std::mt19937_64 random(20260101);
        int decided = 0;
        int tried = 0;
        const auto check = [&](double price, const CalcOptions& o, double vat) {
            ++tried;
            decided += OnIntegerWay(price, o, vat) ? 1 : 0;
            const QString disagreement = Disagreement(price, o, vat);
            if (!disagreement.isEmpty())
                QFAIL(qPrintable(disagreement));
        };
        const double nudges[] = {0.0, 1e-9, -1e-9, 1e-7, -1e-7, 2e-6, -2e-6, 1e-5, -1e-5};
        for (std::size_t t = 0; t < std::size(kTables); ++t) {
            const detail::PriceCents& table = *kTables[t];
            for (int n = 0; n < 4000; ++n) {
                // Mostly the open and top bands, where large drifts occur;
                // every stretch now and then.
                const std::uint64_t cents =
                    n % 4 == 0 ? 1 + random() % 40000 : 1 + random() % (1u << 25);
                const detail::PriceStretch& s = table.stretches[table.Find(cents)];
                CalcOptions o = Options(kTableSwitches[t]);
                o.Narcotic = n % 3 == 0;
                const double vat = n % 5 == 0 ? 1.2 : 1.1;
                // 2: the wholesale rounding's bounds for this price.
                const double m =
                    static_cast<double>((cents * s.aep.perMille + s.aep.offset) % 1000);
                for (double bound : {-(m + detail::kTolerance), 1000.0 - m - detail::kTolerance}) {
                    if (s.aep.perMille == 0)
                        continue;
                    const double d = bound / static_cast<double>(s.aep.perMille);
                    for (double nudge : nudges)
                        if (std::fabs(d + nudge) < detail::kMaxDrift)
                            check((static_cast<double>(cents) + d + nudge) / 100.0, o, vat);
                }
                // 4: the pharmacy roundings' bounds, for the AEP's drift.
                const std::uint64_t aepCents = (cents * s.aep.perMille + s.aep.offset) / 1000;
                for (const detail::CentBand& band : {s.kp, s.avp}) {
                    if (band.perMille == 0 || !s.keepsSum)
                        continue;
                    const double mm =
                        static_cast<double>((aepCents * band.perMille + band.offset) % 1000);
                    for (double bound :
                         {-(mm + detail::kTolerance), 1000.0 - mm - detail::kTolerance}) {
                        const double d = bound / static_cast<double>(band.perMille);
                        for (double nudge : nudges)
                            if (std::fabs(d + nudge) < detail::kMaxDrift)
                                check((static_cast<double>(cents) + d + nudge) / 100.0, o, vat);
                    }
                }
                // 5: where the text shows the cent below.
                for (double nudge : nudges)
                    check((static_cast<double>(cents) + detail::kTextCut + nudge) / 100.0, o, vat);
                // Random drifts of every size up to the largest taken.
                const double size =
                    std::pow(10.0, -12.0 + 11.5 * static_cast<double>(random() % 1000) / 1000.0);
                check((static_cast<double>(cents) + (n % 2 == 0 ? size : -size)) / 100.0, o, vat);
            }
            // 1: the last and first cents of every stretch, exact and beside.
            for (std::size_t i = 0; table.last[i] != std::numeric_limits<std::uint64_t>::max();
                 ++i) {
                for (std::uint64_t cents : {table.last[i], table.last[i] + 1}) {
                    const double exact = static_cast<double>(cents) / 100.0;
                    for (double price :
                         {exact, std::nextafter(exact, 0.0), std::nextafter(exact, HUGE_VAL),
                          exact + 1e-7, exact - 1e-7, exact + 1e-3, exact - 1e-3})
                        for (bool narcotic : {false, true}) {
                            CalcOptions o = Options(kTableSwitches[t]);
                            o.Narcotic = narcotic;
                            check(price, o, 1.1);
                        }
                }
            }
        }
        // Half of the nudges lie outside a bound, and the random drifts reach
        // beyond the largest one taken; still many prices are decided.
        QVERIFY2(decided > tried / 4, qPrintable(QString::asprintf("%d of %d", decided, tried)));
    }

    // What leaves the integer way at once: prices too far from whole cents,
    // outside its range, and VAT factors that no whole rate gives.
    void gate_data() {
        QTest::addColumn<double>("price");
        QTest::addColumn<bool>("taken");
        const double limit = static_cast<double>(detail::kCentPathLimit);
        QTest::newRow("one cent") << 0.01 << true;
        QTest::newRow("a fifth of a cent off") << 7.292 << true;
        QTest::newRow("more than a quarter cent off") << 7.2926 << false;
        QTest::newRow("half a cent") << 7.295 << false;
        QTest::newRow("four fifths of a cent") << 0.008 << true;
        QTest::newRow("seven tenths of a cent") << 0.007 << false;
        QTest::newRow("zero") << 0.0 << false;
        QTest::newRow("last cent below the limit") << (limit - 1) / 100.0 << true;
        QTest::newRow("the limit") << limit / 100.0 << false;
        QTest::newRow("minus one cent") << -0.01 << false;
        QTest::newRow("NaN") << std::nan("") << false;
        QTest::newRow("infinity") << HUGE_VAL << false;
        QTest::newRow("1e17") << 1e17 << false;
    }

    void gate() {
        QFETCH(double, price);
        QFETCH(bool, taken);
        detail::NearCents near;
        QCOMPARE(detail::SplitNearCents(price, near), taken);
    }

    void wholeVatRateRefusesOtherFactors() {
        for (unsigned rate = 0; rate < 100; ++rate) {
            const double factor = fapkalk::VatFactorFromRate(rate);
            QCOMPARE(detail::WholeVatRate(std::nextafter(factor, 0.0)), -1);
            QCOMPARE(detail::WholeVatRate(std::nextafter(factor, 3.0)), -1);
        }
        for (double factor : {0.0, 0.99, 0.995, 1.005, 1.075, 1.995, 2.0, -1.1, 2147483.0, 1e308,
                              -1e308, std::nan(""), HUGE_VAL, -HUGE_VAL})
            QCOMPARE(detail::WholeVatRate(factor), -1);
    }
};

QTEST_APPLESS_MAIN(TestCentRules)
#include "test_cent_rules.moc"
