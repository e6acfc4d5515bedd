// The engine's shortcuts on whole cents against the double steps they replace,
// for every cent amount in the range where the engine takes them.
#include "pricing/engine.h"
#include "pricing/numbers.h"
#include "pricing/rounding_detail.h"

#include <QtTest>

#include <cstdint>

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
