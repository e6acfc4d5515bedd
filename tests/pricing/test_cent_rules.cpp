// The engine's integer way against the double steps it replaces: on prices on
// whole cents, on the rows of ranges, at every stretch's bounds, and under
// tariffs other than the built-in one.
#include "pricing/cent_path.h"
#include "pricing/engine.h"
#include "pricing/numbers.h"
#include "pricing/price_rows.h"
#include "pricing/rounding_detail.h"
#include "pricing_testkit.h"
#include "runner/metatypes.h"

#include "switch_sets.h"

#include <QtTest>

#include <array>
#include <cmath>
#include <cstdint>
#include <deque>
#include <limits>
#include <string>
#include <vector>

namespace detail = fapkalk::detail;
using fapkalk::CalcOptions;
using fapkalk::PriceResult;
using fapkalk::RowCells;
using fapkalk::Tariff;
using fapkalk::TariffBand;
using enum fapkalk::BandKind;

Q_DECLARE_METATYPE(Tariff)

using pricingtest::ShownText;

namespace {

QString Where(double price, const CalcOptions& o, double vat) {
    return QString::asprintf("price %.17g, switches %d%d%d%d%d, VAT %.17g", price, o.AepInput,
                             o.Homeopathic, o.Narcotic, o.Veterinary, o.NotReimbursable, vat);
}

PriceResult Steps(double price, const CalcOptions& o, double vat) {
    return detail::DoubleStepPrices(price, o, vat, fapkalk::BuiltInTariff());
}

// The engine and a row of cells against the double steps and the display
// text by its rules. Empty when they agree, else what differs.
QString Disagreement(std::int64_t cents, const CalcOptions& o, double vat) {
    const double price = static_cast<double>(cents) / 100.0;
    const auto [aep, kp, avp, refusal] = Steps(price, o, vat);
    const PriceResult r = fapkalk::CalcPrices(price, o, vat);
    if (!(r.aep == aep && r.kp == kp && r.avp == avp))
        return Where(price, o, vat) +
               QString::asprintf(": engine %.17g %.17g %.17g, steps %.17g %.17g %.17g", r.aep, r.kp,
                                 r.avp, aep, kp, avp);
    const RowCells cells = fapkalk::PriceRows(o, vat).Row(cents);
    const std::string expected[4] = {
        fapkalk::detail::FormatPriceGeneral(price), fapkalk::detail::FormatPriceGeneral(aep),
        fapkalk::detail::FormatPriceGeneral(kp), fapkalk::detail::FormatPriceGeneral(avp)};
    const std::string shown[4] = {ShownText(cells.fap), ShownText(cells.aep), ShownText(cells.kp),
                                  ShownText(cells.avp)};
    for (int i = o.AepInput ? 1 : 0; i < 4; ++i)
        if (shown[i] != expected[i])
            return Where(price, o, vat) + QString::asprintf(": cell %d '%s', expected '%s'", i,
                                                            shown[i].c_str(), expected[i].c_str());
    if (cells.fapPlaceholder != o.AepInput)
        return Where(price, o, vat) + ": placeholder";
    return {};
}

// The integer way's tables, and the switches that select each.
const std::array<detail::PriceCents, 5>& kTables = detail::kBuiltInCentTables.byWay;
unsigned SwitchesOf(detail::AepWay way) {
    switch (way) {
    case detail::AepWay::Typed:
        return Aep;
    case detail::AepWay::Veterinary:
        return Vet;
    case detail::AepWay::NotReimbursable:
        return NotReimb;
    case detail::AepWay::Homeopathic:
        return Homeo;
    case detail::AepWay::Standard:
        break;
    }
    return 0;
}

// A table of the built-in tariff with band i replaced, or with n bands.
std::span<const TariffBand> Changed(std::span<const TariffBand> table, std::size_t i,
                                    TariffBand band) {
    static std::deque<std::vector<TariffBand>> kept;
    std::vector<TariffBand>& copy = kept.emplace_back(table.begin(), table.end());
    copy.resize(std::max(copy.size(), i + 1), band);
    copy[i] = band;
    return copy;
}

const Tariff& Built() {
    return fapkalk::BuiltInTariff();
}

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
                const PriceResult steps = Steps(aep, {.AepInput = true, .Narcotic = narcotic}, 1.1);
                if (r.kp != steps.kp || r.avp != steps.avp)
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
                    if (r.avp != Steps(aep, {.AepInput = true, .Narcotic = narcotic}, factor).avp)
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
            const PriceResult steps = Steps(price, options, 1.1);
            if (!(r.aep == steps.aep && r.kp == steps.kp && r.avp == steps.avp && !r.refusal))
                QFAIL(qPrintable(QString::asprintf("price %lld cents", (long long)cents)));
        }
    }

    // The stretch lookup against counting the stretch ends below, for every
    // table, up to beyond its buckets.
    void stretchLookup() {
        for (const detail::PriceCents& table : kTables) {
            for (std::uint64_t cents = 0; cents < 80000; cents += cents < 70000 ? 1 : 97) {
                std::size_t below = 0;
                while (cents > table.last[below])
                    ++below;
                if (table.Find(cents) != below)
                    QFAIL(qPrintable(QString::asprintf("%llu cents", (unsigned long long)cents)));
            }
            const std::size_t open = table.Find(std::uint64_t(detail::kCentPathLimit - 1));
            QCOMPARE(table.last[open], std::numeric_limits<std::uint64_t>::max());
        }
    }

    // Every row of these ranges, in every switch combination, against the
    // double steps and the display texts by their rules.
    void rangeRows_data() {
        QTest::addColumn<qint64>("von");
        QTest::addColumn<qint64>("step");
        QTest::addColumn<qint64>("bis");
        QTest::addColumn<double>("vat");
        QTest::newRow("0.01 to 400") << qint64(1) << qint64(1) << qint64(40000) << 1.1;
        QTest::newRow("0.07 to 2000, VAT 20") << qint64(7) << qint64(7) << qint64(200000) << 1.2;
        QTest::newRow("1 to 700000 by 33.3, VAT 7")
            << qint64(100) << qint64(3330) << qint64(70'000'000) << 1.07;
        QTest::newRow("VAT 7.5 %") << qint64(1) << qint64(13) << qint64(100000) << 1.075;
    }

    void rangeRows() {
        QFETCH(qint64, von);
        QFETCH(qint64, step);
        QFETCH(qint64, bis);
        QFETCH(double, vat);
        for (unsigned switches = 0; switches < 32; ++switches) {
            const CalcOptions options = Options(switches);
            for (std::int64_t cents = von; cents <= bis; cents += step) {
                const QString disagreement = Disagreement(cents, options, vat);
                if (!disagreement.isEmpty())
                    QFAIL(qPrintable(disagreement));
            }
        }
    }

    // The last and first cents of every stretch, where the bands change.
    void stretchBounds() {
        for (detail::AepWay way : detail::kAepWays) {
            const detail::PriceCents& table = kTables[static_cast<std::size_t>(way)];
            for (std::size_t i = 0; table.last[i] != std::numeric_limits<std::uint64_t>::max(); ++i)
                for (std::uint64_t cents : {table.last[i], table.last[i] + 1})
                    for (bool narcotic : {false, true})
                        for (double vat : {1.1, 1.2}) {
                            CalcOptions o = Options(SwitchesOf(way));
                            o.Narcotic = narcotic;
                            const QString disagreement = Disagreement(std::int64_t(cents), o, vat);
                            if (!disagreement.isEmpty())
                                QFAIL(qPrintable(disagreement));
                        }
        }
    }

    // Only amounts exactly on whole cents within the range take the integer
    // way.
    void gate_data() {
        QTest::addColumn<double>("price");
        QTest::addColumn<bool>("taken");
        const double limit = static_cast<double>(detail::kCentPathLimit);
        QTest::newRow("one cent") << 0.01 << true;
        QTest::newRow("12.50") << 12.5 << true;
        QTest::newRow("a fifth of a cent off") << 7.292 << false;
        QTest::newRow("a running sum's drift") << 0.1 + 0.2 << false;
        QTest::newRow("the double beside 0.30") << std::nextafter(0.3, 1.0) << false;
        QTest::newRow("half a cent") << 0.005 << false;
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
        std::int64_t cents = 0;
        QCOMPARE(detail::WholeCentsOf(price, cents), taken);
        if (taken)
            QCOMPARE(static_cast<double>(cents) / 100.0, price);
    }

    // What the integer way needs of a tariff; one unfit value is enough to
    // leave it to the double steps.
    void centPathHolds_data() {
        QTest::addColumn<Tariff>("tariff");
        QTest::addColumn<bool>("holds");
        Tariff t = Built();
        QTest::newRow("built in") << t << true;
        t.narcoticSurcharge = 0.60, t.avpRaise = 1.2, t.veterinaryFactor = 1.25;
        QTest::newRow("other amounts on cents and thousandths") << t << true;
        const auto row = [](const char* name, auto change) {
            Tariff odd = Built();
            change(odd);
            QTest::newRow(name) << odd << false;
        };
        row("limit a hair below a cent", [](Tariff& o) {
            o.kp = Changed(o.kp, 0, {9.999999999, Factor, 1.37});
        });
        row("two limits in one cent", [](Tariff& o) {
            o.kp = Changed(o.kp, 1, {10.004, Fixed, 13.70});
        });
        row("limit NaN", [](Tariff& o) {
            o.avp = Changed(o.avp, 0, {std::nan(""), Factor, 1.55});
        });
        row("factor in ten-thousandths", [](Tariff& o) {
            o.standardWholesale = Changed(o.standardWholesale, 0, {6.0601, Factor, 1.1555});
        });
        row("negative factor", [](Tariff& o) {
            o.homeopathicWholesale = Changed(o.homeopathicWholesale, 0, {6.06, Factor, -1.18});
        });
        row("fixed amount off the cent", [](Tariff& o) {
            o.kp = Changed(o.kp, 1, {10.15, Fixed, 13.705});
        });
        row("Add band in a pharmacy table", [](Tariff& o) {
            o.avp = Changed(o.avp, 18, {detail::kOpen, Add, 10.0});
        });
        row("surcharge off the cent", [](Tariff& o) { o.narcoticSurcharge = 0.555; });
        row("raise in ten-thousandths", [](Tariff& o) { o.avpRaise = 1.1505; });
        row("markup in ten-thousandths", [](Tariff& o) { o.veterinaryFactor = 1.2005; });
        row("amounts beyond 2^28 cents", [](Tariff& o) {
            o.avp = Changed(o.avp, 18, {detail::kOpen, Factor, 2.0});
        });
        row("more band changes than stretches", [](Tariff& o) {
            for (std::size_t i = 0; i < 70; ++i)
                o.notReimbursableWholesale =
                    Changed(o.notReimbursableWholesale, i, {0.01 * double(i + 1), Fixed, 1.0});
        });
    }

    // Whether or not the integer way holds, every row is the double steps'.
    void centPathHolds() {
        QFETCH(Tariff, tariff);
        QTEST(fapkalk::CentPathHolds(tariff), "holds");
        for (unsigned switches = 0; switches < 32; switches += 3) {
            const CalcOptions o = Options(switches);
            const fapkalk::PriceRows rows(o, 1.1, tariff);
            for (std::int64_t cents = 1; cents < 80000; cents += cents < 40000 ? 1 : 13) {
                const double price = static_cast<double>(cents) / 100.0;
                if (rows.Row(cents) !=
                    fapkalk::CellsOf(price, detail::DoubleStepPrices(price, o, 1.1, tariff), o))
                    QFAIL(qPrintable(Where(price, o, 1.1)));
            }
        }
    }

    // A factor of 1.0004 rounds to 1000 thousandths but makes 12.51 of 12.50:
    // AEP 12.505 up to 12.51, KP 12.50, AVP 12.51 × 1.1 = 13.761 to 13.75.
    void oddTariffByHand() {
        static constexpr TariffBand wholesale[] = {{detail::kOpen, Factor, 1.0004}};
        static constexpr TariffBand one[] = {{detail::kOpen, Factor, 1.0}};
        const Tariff odd = {"odd", {2012, 1, 1}, wholesale, wholesale, wholesale,
                            one,   one,          1.0,       1.0,       0.0};
        QVERIFY(!fapkalk::CentPathHolds(odd));
        const PriceResult r = fapkalk::CalcPrices(12.50, {}, 1.1, odd);
        QCOMPARE(r.aep, 12.51);
        QCOMPARE(r.kp, 12.50);
        QCOMPARE(r.avp, 13.75);
        QCOMPARE(fapkalk::PriceRows({}, 1.1, odd).Row(1250), fapkalk::CellsOf(12.50, r, {}));
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
