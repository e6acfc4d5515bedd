// The engine's shortcuts on whole cents against the double steps they replace,
// for every cent amount in the range where the engine takes them.
#include "pricing/cent_path.h"
#include "pricing/engine.h"
#include "pricing/numbers.h"
#include "pricing/rounding_detail.h"

#include <QtTest>

#include <cmath>
#include <cstdint>
#include <limits>

namespace detail = fapkalk::detail;

class TestCentRules : public QObject {
    Q_OBJECT

private slots:
    void rangeOfTheShortcuts() {
        QVERIFY(detail::FiveCentsByDigitApplies(0));
        QVERIFY(detail::FiveCentsByDigitApplies(detail::kFiveCentsByDigitLimit - 1));
        QVERIFY(!detail::FiveCentsByDigitApplies(detail::kFiveCentsByDigitLimit));
        QVERIFY(!detail::FiveCentsByDigitApplies(-1));
        QVERIFY(detail::SurchargeByCentsApplies(detail::kFiveCentsByDigitLimit - 1));
        QVERIFY(!detail::SurchargeByCentsApplies(detail::kFiveCentsByDigitLimit));
        QVERIFY(!detail::SurchargeByCentsApplies(-1));
        // The surcharge in cents is the engine's surcharge.
        QVERIFY(static_cast<double>(detail::kNarcoticSurchargeCents) / 100.0 ==
                fapkalk::NarcoticSurcharge);
    }

    // cents/100 as the rounding leaves it, through RoundFiveCents; and the
    // same plus the narcotic surcharge added as a double, which need not be
    // the double nearest to its cent value.
    void fiveCentsByDigit() {
        const std::int64_t limit = detail::kFiveCentsByDigitLimit;
        for (std::int64_t cents = 0; cents < limit; ++cents) {
            const double amount = static_cast<double>(cents) / 100.0;
            if (detail::FiveCentsByDigit(cents) != fapkalk::RoundFiveCents(amount))
                QFAIL(qPrintable(QString::asprintf("%lld cents", (long long)cents)));
            const std::int64_t withSurcharge = cents + detail::kNarcoticSurchargeCents;
            if (withSurcharge < limit &&
                detail::FiveCentsByDigit(withSurcharge) !=
                    fapkalk::RoundFiveCents(amount + fapkalk::NarcoticSurcharge))
                QFAIL(qPrintable(QString::asprintf("%lld cents + surcharge", (long long)cents)));
        }
    }

    void surchargeByCents() {
        for (std::int64_t cents = 0; cents < detail::kFiveCentsByDigitLimit; ++cents) {
            const double net = static_cast<double>(cents) / 100.0;
            if (detail::SurchargeByCents(cents) !=
                fapkalk::RoundCents(net * fapkalk::AvpSurchargeFactor))
                QFAIL(qPrintable(QString::asprintf("%lld cents", (long long)cents)));
        }
    }

    // The pharmacy step in integers against the double steps, for every AEP
    // the engine may send the integer way (VAT 10 %, with and without
    // narcotic). This is the way an AEP on whole cents from a price that is
    // not takes.
    void centPathEveryAep() {
        for (std::int64_t cents = 0; cents < detail::kCentPathLimit; ++cents) {
            const double aep = static_cast<double>(cents) / 100.0;
            const auto c = static_cast<std::uint64_t>(cents);
            for (bool narcotic : {false, true}) {
                const detail::FiveCounts fives = detail::PharmacyFiveCounts(c, narcotic, 10);
                if (detail::EurosOfFives(fives.kp) != fapkalk::CalcKp(aep, narcotic) ||
                    detail::EurosOfFives(fives.avp) != fapkalk::CalcAvp(aep, narcotic, 1.1))
                    QFAIL(qPrintable(QString::asprintf("AEP %lld cents, narcotic %d",
                                                       (long long)cents, narcotic)));
            }
        }
    }

    // Every whole VAT rate: all AEPs up to 655.35 €, and a sample across the
    // whole range (a prime stride hits every band and cent digit).
    void centPathEveryVatRate() {
        for (unsigned rate = 0; rate < 100; ++rate) {
            const double factor = fapkalk::VatFactorFromRate(rate);
            QCOMPARE(detail::WholeVatRate(factor), static_cast<int>(rate));
            for (std::int64_t cents = 0; cents < detail::kCentPathLimit;
                 cents += cents < 65536 ? 1 : 997) {
                const double aep = static_cast<double>(cents) / 100.0;
                for (bool narcotic : {false, true}) {
                    const detail::FiveCounts fives = detail::PharmacyFiveCounts(
                        static_cast<std::uint64_t>(cents), narcotic, rate);
                    if (detail::EurosOfFives(fives.avp) != fapkalk::CalcAvp(aep, narcotic, factor))
                        QFAIL(qPrintable(QString::asprintf("AEP %lld cents, rate %u, narcotic %d",
                                                           (long long)cents, rate, narcotic)));
                }
            }
        }
    }

    // The whole way from a typed price on whole cents, for every wholesale
    // variant, against the double steps: every price up to 1,310.71 € (far
    // past the last band change of every table, so every stretch and bucket
    // is crossed), then a prime stride on to beyond the range, where the
    // engine must fall back. Narcotic alternates with the cent digit.
    void everyTypedPrice_data() {
        QTest::addColumn<bool>("aepInput");
        QTest::addColumn<bool>("homeopathic");
        QTest::addColumn<bool>("veterinary");
        QTest::addColumn<bool>("notReimbursable");
        QTest::newRow("standard") << false << false << false << false;
        QTest::newRow("not reimbursable") << false << false << false << true;
        QTest::newRow("homeopathic") << false << true << false << false;
        QTest::newRow("veterinary") << false << false << true << false;
        QTest::newRow("homeopathic veterinary") << false << true << true << false;
        QTest::newRow("veterinary not reimbursable") << false << false << true << true;
        QTest::newRow("AEP input") << true << false << false << false;
    }

    void everyTypedPrice() {
        QFETCH(bool, aepInput);
        QFETCH(bool, homeopathic);
        QFETCH(bool, veterinary);
        QFETCH(bool, notReimbursable);
        const std::int64_t end = detail::kCentPathLimit + detail::kCentPathLimit / 2;
        for (std::int64_t cents = 1; cents < end; cents += cents < (1 << 17) ? 1 : 61) {
            const fapkalk::CalcOptions options{.AepInput = aepInput,
                                               .Homeopathic = homeopathic,
                                               .Narcotic = cents % 2 == 1,
                                               .Veterinary = veterinary,
                                               .NotReimbursable = notReimbursable};
            const double price = static_cast<double>(cents) / 100.0;
            const fapkalk::PriceResult r = fapkalk::CalcPrices(price, options, 1.1);
            const double aep = fapkalk::CalcAep(price, options);
            if (!(r.aep == aep && r.kp == fapkalk::CalcKp(aep, options.Narcotic) &&
                  r.avp == fapkalk::CalcAvp(aep, options.Narcotic, 1.1) && !r.refusal))
                QFAIL(qPrintable(QString::asprintf("price %lld cents", (long long)cents)));
        }
    }

    // The one-multiplication division next to every multiple of each divisor
    // the engine uses, up to 2^40.
    void divideSmall() {
        const auto check = [](std::uint64_t x) {
            return detail::DivideSmall<20>(x) == x / 20 && detail::DivideSmall<500>(x) == x / 500 &&
                   detail::DivideSmall<1000>(x) == x / 1000 &&
                   detail::DivideSmall<5000>(x) == x / 5000 &&
                   detail::DivideSmall<10000>(x) == x / 10000 &&
                   detail::DivideSmall<100000>(x) == x / 100000;
        };
        for (std::uint64_t x = 0; x < 2000000; ++x)
            if (!check(x))
                QFAIL(qPrintable(QString::asprintf("%llu", (unsigned long long)x)));
        // Multiples of 100000 are multiples of every divisor: both sides of each.
        for (std::uint64_t q = std::uint64_t{1} << 40; q > 1; q = q * 15 / 16)
            for (std::uint64_t x : {q / 100000 * 100000 - 1, q / 100000 * 100000, q})
                if (!check(x))
                    QFAIL(qPrintable(QString::asprintf("%llu", (unsigned long long)x)));
    }

    // The one-lookup band search against counting the limits below (a typed
    // AEP's stretches are the pharmacy bands).
    void bandFinder() {
        const auto& limits = detail::kPharmacyLimits;
        for (std::uint64_t cents = 0; cents < 50000; ++cents) {
            std::size_t below = 0;
            for (std::uint32_t limit : limits)
                below += limit < cents ? 1 : 0;
            if (detail::kAepInputPriceCents.finder.Find(cents) != below)
                QFAIL(qPrintable(QString::asprintf("%llu cents", (unsigned long long)cents)));
        }
        // Beyond the table every amount is in the open last band.
        for (std::uint64_t cents : {std::uint64_t{50000}, std::uint64_t{1} << 21,
                                    std::uint64_t(detail::kCentPathLimit - 1)})
            QCOMPARE(detail::kAepInputPriceCents.finder.Find(cents), limits.size());
    }

    // What leaves the integer way: amounts that are not whole cents or lie
    // outside the range, and VAT factors that no whole rate gives.
    void centPathGate_data() {
        QTest::addColumn<double>("amount");
        QTest::addColumn<qint64>("cents");
        const double limit = static_cast<double>(detail::kCentPathLimit);
        QTest::newRow("zero") << 0.0 << qint64(0);
        QTest::newRow("one cent") << 0.01 << qint64(1);
        QTest::newRow("7.29") << 7.29 << qint64(729);
        QTest::newRow("half a cent") << 7.295 << qint64(-1);
        QTest::newRow("one ulp above 7.29") << std::nextafter(7.29, 8.0) << qint64(-1);
        QTest::newRow("one ulp below 7.29") << std::nextafter(7.29, 7.0) << qint64(-1);
        QTest::newRow("last cent below the limit")
            << (limit - 1) / 100.0 << qint64(detail::kCentPathLimit - 1);
        QTest::newRow("the limit") << limit / 100.0 << qint64(-1);
        QTest::newRow("minus one cent") << -0.01 << qint64(-1);
        QTest::newRow("NaN") << std::nan("") << qint64(-1);
        QTest::newRow("infinity") << HUGE_VAL << qint64(-1);
        QTest::newRow("minus infinity") << -HUGE_VAL << qint64(-1);
        // Beyond 64 bits once scaled, on both sides, and just below the sign bit.
        QTest::newRow("1e17") << 1e17 << qint64(-1);
        QTest::newRow("-1e17") << -1e17 << qint64(-1);
        QTest::newRow("2^63 cents") << 0x1p63 / 100.0 << qint64(-1);
        QTest::newRow("minus half a cent") << -0.005 << qint64(-1);
    }

    void centPathGate() {
        QFETCH(double, amount);
        QFETCH(qint64, cents);
        QCOMPARE(detail::ExactCents(amount), cents);
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

    // The engine's answer does not depend on the way it takes: an AEP just
    // off whole cents or an odd VAT factor gives the double steps' prices.
    void enginePathsAgree_data() {
        QTest::addColumn<double>("price");
        QTest::addColumn<bool>("aepInput");
        QTest::addColumn<double>("vat");
        QTest::newRow("AEP on cents, VAT 10") << 12.34 << true << 1.1;
        QTest::newRow("AEP half a cent") << 12.345 << true << 1.1;
        QTest::newRow("AEP ulp above 7.29") << std::nextafter(7.29, 8.0) << true << 1.1;
        QTest::newRow("open band, typed decimals") << 400.005 << false << 1.1;
        QTest::newRow("VAT 7.5 %") << 55.55 << false << 1.075;
        QTest::newRow("VAT factor ulp off 1.2") << 55.55 << false << std::nextafter(1.2, 2.0);
        QTest::newRow("beyond the cent path") << 50000.0 << true << 1.2;
    }

    void enginePathsAgree() {
        QFETCH(double, price);
        QFETCH(bool, aepInput);
        QFETCH(double, vat);
        for (bool narcotic : {false, true}) {
            const fapkalk::CalcOptions options{.AepInput = aepInput, .Narcotic = narcotic};
            const fapkalk::PriceResult r = fapkalk::CalcPrices(price, options, vat);
            const double aep = fapkalk::CalcAep(price, options);
            // Bit for bit: QCOMPARE on doubles would forgive the last digits.
            QVERIFY(r.aep == aep);
            QVERIFY(r.kp == fapkalk::CalcKp(aep, narcotic));
            QVERIFY(r.avp == fapkalk::CalcAvp(aep, narcotic, vat));
        }
    }

    // The counted rounding hands back the cents its value stands for.
    void countedRounding() {
        for (double x : {0.0, 0.004999, 7.1508, 10.3949999, 123456.785, 1e15}) {
            const detail::CentAmount counted = detail::RoundCentsCounted(x);
            QVERIFY(counted.value == fapkalk::RoundCents(x));
            QVERIFY(static_cast<double>(counted.cents) / 100.0 == counted.value);
        }
    }
};

QTEST_APPLESS_MAIN(TestCentRules)
#include "test_cent_rules.moc"
