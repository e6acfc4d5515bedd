// The tariff tables and the price engine: AEP, KP and AVP from a typed price.
#include "pricing/engine.h"
#include "pricing/numbers.h"
#include "pricing_testkit.h"
#include "runner/metatypes.h"
#include "switch_sets.h"

#include <QtTest>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

using fapkalk::BandKind;
using fapkalk::CalcOptions;
using fapkalk::FloatError;
using fapkalk::PriceResult;
using fapkalk::TariffBand;

using pricingtest::FloatErrorOf;
using pricingtest::TextOfCents;

namespace {

#define COMPARE_EXACT(actual, expected)                                                            \
    do {                                                                                           \
        const double actual_ = (actual);                                                           \
        const double expected_ = (expected);                                                       \
        QVERIFY2(actual_ == expected_,                                                             \
                 qPrintable(QString::asprintf("%.17g, expected %.17g", actual_, expected_)));      \
    } while (false)

QString Describe(const CalcOptions& o, double vat) {
    return QString("AepInput=%1 Homeopathic=%2 Narcotic=%3 Veterinary=%4 NotReimbursable=%5 vat=%6")
        .arg(int(o.AepInput))
        .arg(int(o.Homeopathic))
        .arg(int(o.Narcotic))
        .arg(int(o.Veterinary))
        .arg(int(o.NotReimbursable))
        .arg(vat, 0, 'g', 17);
}

// The whole number of cents of an amount that must lie on whole cents, or -1
// when it is not exactly the double nearest to a cent value.
std::int64_t ExactCents(double x) {
    if (!(std::fabs(x) < 1e13))
        return -1;
    const auto cents = static_cast<std::int64_t>(std::llround(x * 100.0));
    return static_cast<double>(cents) / 100.0 == x ? cents : -1;
}

const std::vector<double> kVatFactors = {1.1, 1.2, 1.07};

// The band a table gives for a price, found by scanning as the tariff reads.
std::size_t ScanBand(std::span<const TariffBand> table, double price) {
    for (std::size_t i = 0; i < table.size(); ++i)
        if (price <= table[i].limit)
            return i;
    return table.size() - 1;
}

// "Ergebnis: AEP a, KP k, AVP v" read back into three doubles.
std::optional<PriceResult> ExplainedResult(const std::string& text) {
    const std::string marker = "Ergebnis: AEP ";
    const std::size_t at = text.rfind(marker);
    if (at == std::string::npos)
        return std::nullopt;
    PriceResult r;
    const char* p = text.data() + at + marker.size();
    const char* end = text.data() + text.size();
    auto field = [&](double& value, const char* next) {
        const auto res = std::from_chars(p, end, value);
        if (res.ec != std::errc())
            return false;
        p = res.ptr;
        const std::size_t len = std::strlen(next);
        if (static_cast<std::size_t>(end - p) < len || std::string_view(p, len) != next)
            return false;
        p += len;
        return true;
    };
    if (!field(r.aep, ", KP ") || !field(r.kp, ", AVP ") || !field(r.avp, "\n"))
        return std::nullopt;
    return r;
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

private slots:
    // --- Tables -----------------------------------------------------------

    void tableShape_data() {
        QTest::addColumn<int>("table");
        QTest::newRow("standard wholesale") << 0;
        QTest::newRow("not reimbursable wholesale") << 1;
        QTest::newRow("homeopathic wholesale") << 2;
        QTest::newRow("KP") << 3;
        QTest::newRow("AVP") << 4;
    }

    // Alternating Factor and Fixed bands with rising limits and an open last
    // band; each fixed amount is the product at the limit below it, rounded
    // to cents (in the AVP table three of them one cent more).
    void tableShape() {
        QFETCH(int, table);
        const fapkalk::Tariff& tariff = fapkalk::BuiltInTariff();
        const std::span<const TariffBand> bands = table == 0   ? tariff.standardWholesale
                                                  : table == 1 ? tariff.notReimbursableWholesale
                                                  : table == 2 ? tariff.homeopathicWholesale
                                                  : table == 3 ? tariff.kp
                                                               : tariff.avp;
        const bool wholesale = table <= 2;
        QCOMPARE(bands.size(), wholesale ? std::size_t{10} : std::size_t{19});
        QVERIFY(std::isinf(bands.back().limit) && bands.back().limit > 0);
        QCOMPARE(bands.back().kind, wholesale ? BandKind::Add : BandKind::Factor);
        for (std::size_t i = 0; i + 1 < bands.size(); ++i) {
            QVERIFY(bands[i].limit < bands[i + 1].limit);
            QCOMPARE(bands[i].kind, i % 2 == 0 ? BandKind::Factor : BandKind::Fixed);
            if (bands[i].kind != BandKind::Fixed)
                continue;
            const double product = fapkalk::RoundCents(bands[i - 1].limit * bands[i - 1].value);
            const double amount = bands[i].value;
            const bool oneCentMore =
                table == 4 && (amount == 23.40 || amount == 121.60 || amount == 162.20);
            COMPARE_EXACT(amount, oneCentMore ? fapkalk::RoundCents(product + 0.01) : product);
        }
    }

    // --- Wholesale step ---------------------------------------------------

    void calcAep_data() {
        QTest::addColumn<double>("price");
        QTest::addColumn<int>("switches");
        QTest::addColumn<double>("expected");
        QTest::newRow("1.00") << 1.00 << 0 << 1.16;
        QTest::newRow("5.00") << 5.00 << 0 << 5.78;
        QTest::newRow("6.06 band 1") << 6.06 << 0 << 7.00;
        for (int cents = 607; cents <= 622; ++cents)
            QTest::addRow("%d cents band 2", cents) << cents / 100.0 << 0 << 7.00;
        QTest::newRow("6.23 band 3") << 6.23 << 0 << 7.01;
        QTest::newRow("10.00") << 10.00 << 0 << 11.25;
        QTest::newRow("12.11 band 3") << 12.11 << 0 << 13.62;
        QTest::newRow("12.32 band 4") << 12.32 << 0 << 13.62;
        QTest::newRow("50.00") << 50.00 << 0 << 55.25;
        QTest::newRow("100.00") << 100.00 << 0 << 108.50;
        QTest::newRow("181.68 band 7") << 181.68 << 0 << 197.12;
        QTest::newRow("200.00") << 200.00 << 0 << 214.00;
        QTest::newRow("339.14 band 9") << 339.14 << 0 << 362.88;
        QTest::newRow("339.15 band 10") << 339.15 << 0 << 362.89;
        QTest::newRow("400.00") << 400.00 << 0 << 423.74;
        QTest::newRow("400.005 keeps the third decimal") << 400.005 << 0 << 423.745;

        QTest::newRow("(*) 1.00") << 1.00 << int(NotReimb) << 1.18;
        QTest::newRow("(*) 6.06") << 6.06 << int(NotReimb) << 7.12;
        QTest::newRow("(*) 12.33 band 4") << 12.33 << int(NotReimb) << 13.87;
        QTest::newRow("(*) 54.74 inclusive limit") << 54.74 << int(NotReimb) << 60.50;
        QTest::newRow("(*) 54.75 band 7") << 54.75 << int(NotReimb) << 60.50;
        QTest::newRow("(*) 339.15") << 339.15 << int(NotReimb) << 369.67;
        QTest::newRow("homeopathic 6.06") << 6.06 << int(Homeo) << 7.15;
        QTest::newRow("homeopathic 12.32 inclusive limit") << 12.32 << int(Homeo) << 14.05;
        QTest::newRow("homeopathic 12.33 band 5") << 12.33 << int(Homeo) << 14.06;
        QTest::newRow("homeopathic 327.04") << 327.04 << int(Homeo) << 359.74;
        QTest::newRow("veterinary 10.00") << 10.00 << int(Vet) << 12.00;
        QTest::newRow("veterinary homeopathic 10.00") << 10.00 << int(Vet | Homeo) << 12.00;
        QTest::newRow("veterinary 6.07") << 6.07 << int(Vet) << 7.28;
        QTest::newRow("(*) wins over veterinary") << 10.00 << int(NotReimb | Vet) << 11.45;
        QTest::newRow("homeopathic ignores (*)") << 10.00 << int(Homeo | NotReimb) << 11.60;
        QTest::newRow("narcotic leaves the AEP") << 10.00 << int(Narc) << 11.25;
        for (unsigned others = 0; others < 32; others += 2)
            QTest::addRow("AEP input, switches %u", others)
                << 12.345 << int(others | Aep) << 12.345;
    }

    void calcAep() {
        QFETCH(double, price);
        QFETCH(int, switches);
        QFETCH(double, expected);
        const CalcOptions options = Options(static_cast<unsigned>(switches));
        const double aep = fapkalk::CalcPrices(price, options, 1.1).aep;
        if (aep == expected)
            return;
        // The open band adds its amount to the price as doubles without a
        // rounding to cents: the sum may lie a double away from the decimal
        // value. Every other AEP is exactly the double of its decimal value.
        const fapkalk::Tariff& tariff = fapkalk::BuiltInTariff();
        const auto table = options.Homeopathic       ? tariff.homeopathicWholesale
                           : options.NotReimbursable ? tariff.notReimbursableWholesale
                                                     : tariff.standardWholesale;
        const bool veterinary =
            options.Veterinary && (options.Homeopathic || !options.NotReimbursable);
        const bool openBand =
            !options.AepInput && !veterinary && price > table[table.size() - 2].limit;
        QVERIFY2(openBand, qPrintable(QString::asprintf("%.17g, expected %.17g", aep, expected)));
        QVERIFY(std::fabs(aep - expected) <= 2 * (std::nextafter(expected, HUGE_VAL) - expected));
        QCOMPARE(fapkalk::FormatPrice(aep), fapkalk::FormatPrice(expected));
    }

    // --- Pharmacy tariffs and the whole engine ------------------------------

    void calcPrices_data() {
        QTest::addColumn<double>("price");
        QTest::addColumn<int>("switches");
        QTest::addColumn<double>("vat");
        QTest::addColumn<double>("aep");
        QTest::addColumn<double>("kp");
        QTest::addColumn<double>("avp");
        QTest::newRow("FAP 1.00") << 1.00 << 0 << 1.1 << 1.16 << 1.60 << 2.30;
        QTest::newRow("FAP 6.06") << 6.06 << 0 << 1.1 << 7.00 << 9.60 << 13.75;
        QTest::newRow("FAP 10.00") << 10.00 << 0 << 1.1 << 11.25 << 15.20 << 21.20;
        QTest::newRow("FAP 10.00 narcotic") << 10.00 << int(Narc) << 1.1 << 11.25 << 15.75 << 21.80;
        QTest::newRow("FAP 10.00 VAT 20 %") << 10.00 << 0 << 1.2 << 11.25 << 15.20 << 23.10;
        QTest::newRow("FAP 10.00 veterinary")
            << 10.00 << int(Vet) << 1.1 << 12.00 << 16.20 << 22.60;
        QTest::newRow("FAP 10.00 (*)") << 10.00 << int(NotReimb) << 1.1 << 11.45 << 15.45 << 21.60;
        QTest::newRow("FAP 10.00 homeopathic")
            << 10.00 << int(Homeo) << 1.1 << 11.60 << 15.65 << 21.85;
        QTest::newRow("FAP 50.00") << 50.00 << 0 << 1.1 << 55.25 << 70.70 << 97.15;
        QTest::newRow("FAP 100.00") << 100.00 << 0 << 1.1 << 108.50 << 128.05 << 177.05;
        QTest::newRow("FAP 400.00") << 400.00 << 0 << 1.1 << 423.74 << 440.25 << 603.05;
        QTest::newRow("FAP 0.01") << 0.01 << 0 << 1.1 << 0.01 << 0.00 << 0.00;
        QTest::newRow("AEP 0.01 narcotic")
            << 0.01 << int(Aep | Narc) << 1.1 << 0.01 << 0.55 << 0.65;
        QTest::newRow("AEP 10.00") << 10.00 << int(Aep) << 1.1 << 10.00 << 13.70 << 18.85;
        QTest::newRow("AEP 10.15") << 10.15 << int(Aep) << 1.1 << 10.15 << 13.70 << 19.15;
        QTest::newRow("AEP 10.16") << 10.16 << int(Aep) << 1.1 << 10.16 << 13.70 << 19.15;
        QTest::newRow("AEP 7.29") << 7.29 << int(Aep) << 1.1 << 7.29 << 10.00 << 14.30;
        QTest::newRow("AEP 7.58") << 7.58 << int(Aep) << 1.1 << 7.58 << 10.40 << 14.30;
        QTest::newRow("AEP 130.80") << 130.80 << int(Aep) << 1.1 << 130.80 << 149.10 << 205.15;
        QTest::newRow("AEP 130.81") << 130.81 << int(Aep) << 1.1 << 130.81 << 149.10 << 205.20;
        QTest::newRow("AEP 357.07") << 357.07 << int(Aep) << 1.1 << 357.07 << 371.00 << 519.45;
        QTest::newRow("AEP 1000.00") << 1000.00 << int(Aep) << 1.1 << 1000.00 << 1039.00 << 1423.15;

        // Where no integer shortcut applies: negative prices, AEPs above
        // 671,088.63 €, VAT factors of no whole rate, decimals beyond the cent.
        // Expected values worked out by hand from the tariff's steps, e.g.
        // FAP 1,000,000: AEP 1000000 + 23.74 = 1000023.74; KP 1000023.74 × 1.039 =
        // 1039024.66586, 1039024.67, five cents 1039024.65; AVP 1000023.74 ×
        // 1.125 = 1125026.7075, 1125026.71; × 1.15 = 1293780.7165, 1293780.72;
        // × 1.1 = 1423158.792, 1423158.79, five cents 1423158.80. FAP -10: band 1,
        // -11.55 (the double lies just below), -1155 + 0.50001 truncates toward
        // zero to -1154: AEP -11.54; KP -11.54 × 1.37 = -15.8098, -15.80, and
        // the five-cent rounding of a negative amount gives -15.70 and then
        // -15.69 (-1570 + 0.50001 truncated).
        QTest::newRow("FAP -10") << -10.0 << 0 << 1.1 << -11.54 << -15.69 << -22.49;
        QTest::newRow("FAP -0.01") << -0.01 << 0 << 1.1 << 0.0 << 0.0 << 0.0;
        QTest::newRow("FAP -400 narcotic")
            << -400.0 << int(Narc) << 1.1 << -461.99 << -632.24 << -905.09;
        QTest::newRow("AEP -10") << -10.0 << int(Aep) << 1.1 << -10.0 << -13.59 << -19.44;
        QTest::newRow("FAP -12.5 veterinary")
            << -12.5 << int(Vet) << 1.1 << -14.99 << -20.44 << -29.24;
        QTest::newRow("FAP 1,000,000")
            << 1000000.0 << 0 << 1.1 << 1000023.74 << 1039024.65 << 1423158.80;
        QTest::newRow("FAP 800,000 homeopathic VAT 20")
            << 800000.0 << int(Homeo) << 1.2 << 800032.70 << 831234.00 << 1242050.75;
        QTest::newRow("AEP 2,000,000 narcotic")
            << 2000000.0 << int(Aep | Narc) << 1.1 << 2000000.0 << 2078000.55 << 2846250.60;
        // 1039000.02 + 0.55 ends in 7 and goes to .55; another surcharge would not.
        QTest::newRow("AEP 1,000,000.02 narcotic")
            << 1000000.02 << int(Aep | Narc) << 1.1 << 1000000.02 << 1039000.55 << 1423125.65;
        QTest::newRow("FAP 5,000,000 veterinary")
            << 5000000.0 << int(Vet) << 1.1 << 6000000.0 << 6234000.0 << 8538750.0;
        QTest::newRow("FAP 700,000 (*) VAT 7")
            << 700000.0 << int(NotReimb) << 1.07 << 700030.52 << 727331.70 << 969061.00;
        QTest::newRow("FAP 10 VAT 7.5") << 10.0 << 0 << 1.075 << 11.25 << 15.20 << 20.70;
        QTest::newRow("FAP 400.005") << 400.005 << 0 << 1.1 << 423.745 << 440.25 << 603.05;
    }

    void calcPrices() {
        QFETCH(double, price);
        QFETCH(int, switches);
        QFETCH(double, vat);
        QFETCH(double, aep);
        QFETCH(double, kp);
        QFETCH(double, avp);
        const CalcOptions options = Options(static_cast<unsigned>(switches));
        const PriceResult r = fapkalk::CalcPrices(price, options, vat);
        QVERIFY(r.refusal == nullptr);
        COMPARE_EXACT(r.aep, aep);
        COMPARE_EXACT(r.kp, kp);
        COMPARE_EXACT(r.avp, avp);
        // The pharmacy step depends on the AEP alone: typed as AEP, the same.
        CalcOptions typed = options;
        typed.AepInput = true;
        const PriceResult fromAep = fapkalk::CalcPrices(r.aep, typed, vat);
        COMPARE_EXACT(fromAep.kp, kp);
        COMPARE_EXACT(fromAep.avp, avp);
    }

    // The worked example's pharmacy steps from its AEP 11.25, and the KP that
    // never feeds the AVP.
    void pharmacySteps() {
        const auto fromAep = [](double aep, bool narcotic, double vat) {
            return fapkalk::CalcPrices(aep, {.AepInput = true, .Narcotic = narcotic}, vat);
        };
        COMPARE_EXACT(fromAep(11.25, false, 1.1).kp, 15.20);
        COMPARE_EXACT(fromAep(11.25, true, 1.1).kp, 15.75);
        COMPARE_EXACT(fromAep(11.25, false, 1.1).avp, 21.20);
        COMPARE_EXACT(fromAep(11.25, true, 1.1).avp, 21.80);
        // The surcharge reaches the KP before its five-cent rounding: 0.01 + 0.55.
        COMPARE_EXACT(fromAep(0.01, true, 1.1).kp, 0.55);
        // The VAT factor 0 (a refused VAT text) leaves nothing of the AVP.
        COMPARE_EXACT(fromAep(11.25, false, 0.0).avp, 0.00);
    }

    void zeroPriceIsRefused_data() {
        QTest::addColumn<int>("switches");
        QTest::addColumn<QString>("message");
        QTest::newRow("FAP") << 0 << QString::fromUtf8("FAP-Preis muß eingegeben werden");
        QTest::newRow("FAP narcotic")
            << int(Narc) << QString::fromUtf8("FAP-Preis muß eingegeben werden");
        QTest::newRow("AEP") << int(Aep) << QString::fromUtf8("AEP-Preis muß eingegeben werden");
        QTest::newRow("AEP homeopathic")
            << int(Aep | Homeo) << QString::fromUtf8("AEP-Preis muß eingegeben werden");
    }

    void zeroPriceIsRefused() {
        QFETCH(int, switches);
        QFETCH(QString, message);
        for (double zero : {0.0, -0.0}) {
            const PriceResult r =
                fapkalk::CalcPrices(zero, Options(static_cast<unsigned>(switches)), 1.1);
            QVERIFY(r.refusal != nullptr);
            QCOMPARE(QString::fromUtf8(r.refusal), message);
            COMPARE_EXACT(r.aep, 0.0);
            COMPARE_EXACT(r.kp, 0.0);
            COMPARE_EXACT(r.avp, 0.0);
        }
    }

    void negativePriceIsNotRefused() {
        const PriceResult r = fapkalk::CalcPrices(-10.0, {}, 1.1);
        QVERIFY(r.refusal == nullptr);
        QVERIFY(r.aep < 0 && r.kp < 0 && r.avp < 0);
    }

    // --- Properties over every tariff variant --------------------------------

    void variants_data() {
        QTest::addColumn<CalcOptions>("options");
        QTest::addColumn<double>("vat");
        for (unsigned switches = 0; switches < 32; ++switches)
            for (double vat : kVatFactors)
                QTest::addRow("switches %u, VAT %g", switches, vat) << Options(switches) << vat;
    }

    // For prices on whole cents from 0.01 to 1000.00: AEP, KP and AVP never
    // decrease; KP and AVP lie on multiples of five cents, the AEP on whole
    // cents; every amount shows as the decimal text of its cents.
    void variants() {
        QFETCH(CalcOptions, options);
        QFETCH(double, vat);
        PriceResult previous;
        for (std::int64_t cents = 1; cents <= 100'000; ++cents) {
            const double price = static_cast<double>(cents) / 100.0;
            const PriceResult r = fapkalk::CalcPrices(price, options, vat);
            const auto where = [&] {
                return qPrintable(QString::asprintf("price %.2f: AEP %.17g KP %.17g AVP %.17g, ",
                                                    price, r.aep, r.kp, r.avp) +
                                  Describe(options, vat));
            };
            if (r.refusal != nullptr || r.aep < previous.aep || r.kp < previous.kp ||
                r.avp < previous.avp)
                QFAIL(where());
            const std::int64_t kpCents = ExactCents(r.kp);
            const std::int64_t avpCents = ExactCents(r.avp);
            if (kpCents < 0 || kpCents % 5 != 0 || avpCents < 0 || avpCents % 5 != 0)
                QFAIL(where());
            // The open top band adds its amount without rounding to cents.
            const bool openBand =
                !options.AepInput && price > 300.0 &&
                (options.Homeopathic ? !options.Veterinary
                                     : options.NotReimbursable || !options.Veterinary);
            const std::int64_t aepCents =
                openBand ? static_cast<std::int64_t>(std::llround(r.aep * 100.0))
                         : ExactCents(r.aep);
            if (aepCents < 0 || (openBand && std::fabs(r.aep * 100.0 - aepCents) > 1e-6))
                QFAIL(where());
            if (cents % 7 == 0 && (fapkalk::FormatPrice(r.aep) != TextOfCents(aepCents) ||
                                   fapkalk::FormatPrice(r.kp) != TextOfCents(kpCents) ||
                                   fapkalk::FormatPrice(r.avp) != TextOfCents(avpCents)))
                QFAIL(where());
            previous = r;
        }
    }

    // --- Failures -----------------------------------------------------------

    void failures_data() {
        QTest::addColumn<double>("price");
        QTest::addColumn<int>("switches");
        QTest::addColumn<double>("vat");
        QTest::addColumn<int>("kind");
        const int invalid = static_cast<int>(FloatError::Kind::InvalidOperation);
        const int overflow = static_cast<int>(FloatError::Kind::Overflow);
        QTest::newRow("1e17: KP beyond the cent range") << 1e17 << 0 << 1.1 << invalid;
        QTest::newRow("-1e17 in the first band") << -1e17 << 0 << 1.1 << invalid;
        QTest::newRow("1e300 as AEP") << 1e300 << int(Aep) << 1.1 << invalid;
        QTest::newRow("KP product overflows") << 1.7e308 << 0 << 1.1 << overflow;
        QTest::newRow("veterinary markup overflows") << 1.7e308 << int(Vet) << 1.1 << overflow;
        QTest::newRow("veterinary cents overflow") << 1e307 << int(Vet) << 1.1 << overflow;
        QTest::newRow("VAT product overflows") << 10.0 << 0 << 1e308 << overflow;
        QTest::newRow("NaN") << std::nan("") << 0 << 1.1 << invalid;
        QTest::newRow("NaN as AEP") << std::nan("") << int(Aep) << 1.1 << invalid;
        QTest::newRow("NaN homeopathic") << std::nan("") << int(Homeo) << 1.1 << invalid;
        QTest::newRow("infinity") << HUGE_VAL << 0 << 1.1 << invalid;
        QTest::newRow("minus infinity") << -HUGE_VAL << int(NotReimb) << 1.1 << invalid;
        QTest::newRow("NaN VAT factor") << 10.0 << 0 << std::nan("") << invalid;
    }

    void failures() {
        QFETCH(double, price);
        QFETCH(int, switches);
        QFETCH(double, vat);
        QFETCH(int, kind);
        const CalcOptions options = Options(static_cast<unsigned>(switches));
        const auto error = FloatErrorOf([&] { (void)fapkalk::CalcPrices(price, options, vat); });
        QVERIFY(error.has_value());
        QCOMPARE(static_cast<int>(error->kind()), kind);
        const char* text = kind == static_cast<int>(FloatError::Kind::Overflow)
                               ? "Gleitkommaüberlauf"
                               : "Ungültige Gleitkommaoperation";
        QCOMPARE(QString::fromUtf8(error->what()), QString::fromUtf8(text));
        // The explanation runs the same path and fails the same way.
        const auto explained =
            FloatErrorOf([&] { (void)fapkalk::ExplainPrices(price, options, vat); });
        QVERIFY(explained.has_value());
        QCOMPARE(explained->kind(), error->kind());
    }

    // --- Explanation --------------------------------------------------------

    // The explained result is the engine's to the 15 digits the text shows
    // (an open band's sum keeps its binary tail out of the text).
    void explanationAgreesWithEngine() {
        std::vector<double> prices = {0.0,         0.01,     6.06,    6.0601,   10.15,
                                      130.8000001, 339.1401, 400.005, 1234.567, -3.0};
        for (std::int64_t cents = 1; cents <= 120'000; cents += 331)
            prices.push_back(static_cast<double>(cents) / 100.0);
        for (unsigned switches = 0; switches < 32; ++switches) {
            const CalcOptions options = Options(switches);
            for (double vat : kVatFactors) {
                for (double price : prices) {
                    const PriceResult r = fapkalk::CalcPrices(price, options, vat);
                    const std::string text = fapkalk::ExplainPrices(price, options, vat);
                    const auto explained = ExplainedResult(text);
                    const auto same = [](double shown, double exact) {
                        return SameBits(shown, exact) ||
                               std::abs(shown - exact) <= 1e-14 * std::abs(exact);
                    };
                    if (!explained || !same(explained->aep, r.aep) || !same(explained->kp, r.kp) ||
                        !same(explained->avp, r.avp))
                        QFAIL(qPrintable(QString::fromStdString(text)));
                }
            }
        }
    }

    // The bands named in the explanation are those a plain scan of the
    // published tables finds (with AEP input the AEP is the typed price).
    void explanationNamesTheBands() {
        CalcOptions aepInput;
        aepInput.AepInput = true;
        for (std::int64_t cents = 1; cents <= 60'000; cents += 13) {
            const double aep = static_cast<double>(cents) / 100.0;
            const std::string text = fapkalk::ExplainPrices(aep, aepInput, 1.1);
            const std::size_t kpBand = ScanBand(fapkalk::BuiltInTariff().kp, aep) + 1;
            const std::size_t avpBand = ScanBand(fapkalk::BuiltInTariff().avp, aep) + 1;
            const std::string kpLine =
                "KP: Kassenpreistabelle, Band " + std::to_string(kpBand) + " (";
            const std::string avpLine =
                "AVP: Verkaufspreistabelle, Band " + std::to_string(avpBand) + " (";
            if (text.find(kpLine) == std::string::npos || text.find(avpLine) == std::string::npos)
                QFAIL(qPrintable(QString::fromStdString(text)));

            const std::string fap = fapkalk::ExplainPrices(aep, {}, 1.1);
            const std::size_t band = ScanBand(fapkalk::BuiltInTariff().standardWholesale, aep) + 1;
            const std::string line =
                "AEP: Großhandelstabelle Standard, Band " + std::to_string(band) + " (";
            if (fap.find(line) == std::string::npos)
                QFAIL(qPrintable(QString::fromStdString(fap)));
        }
    }

    void explanationPaths_data() {
        QTest::addColumn<double>("price");
        QTest::addColumn<int>("switches");
        QTest::addColumn<QString>("expected");
        QTest::newRow("overlap zone")
            << 6.10 << 0 << "Band 2 (von 6.07 € bis 6.22 €, Fixbetrag 7.00 €)\n  Fixbetrag: 7.00\n";
        QTest::newRow("open band") << 400.0 << 0
                                   << "Band 10 (ab 339.15 €, Zuschlag 23.74 €)\n"
                                      "  400.00 + 23.74 = 423.74 (nicht auf Cent gerundet)";
        QTest::newRow("open band keeps the typed decimals")
            << 400.005 << 0 << "400.005 + 23.74 = 423.745 (nicht auf Cent gerundet)";
        QTest::newRow("(*) table")
            << 10.0 << int(NotReimb) << "AEP: Großhandelstabelle (*) nicht kassenzulässig, Band 3";
        QTest::newRow("homeopathic table")
            << 10.0 << int(Homeo) << "AEP: Großhandelstabelle homöopathisch, Band 3";
        QTest::newRow("veterinary")
            << 10.0 << int(Vet)
            << "AEP: Veterinär, Faktor 1.2\n  10.00 × 1.2 = 12, auf Cent gerundet: 12.00";
        QTest::newRow("AEP input") << 12.345 << int(Aep) << "AEP: eingegeben, unverändert 12.345";
        QTest::newRow("narcotic on both")
            << 10.0 << int(Narc)
            << "15.19 + 0.55 Suchtgiftzuschlag = 15.74\n  auf 5 Cent gerundet: 15.75";
        QTest::newRow("AVP steps, no binary tail")
            << 10.0 << 0
            << "16.76 × 1.15 (Aufschlag 15 %) = 19.274, auf Cent gerundet: 19.27\n"
               "  19.27 × 1.1 (USt 10 %) = 21.197, auf Cent gerundet: 21.20\n"
               "  auf 5 Cent gerundet: 21.20";
        QTest::newRow("fixed KP band")
            << 10.10 << int(Aep) << "Fixbetrag 13.70 €)\n  Fixbetrag: 13.70";
        QTest::newRow("limit a hair above its cent")
            << 130.80 << int(Aep) << "Band 13 (von 113.39 € bis 130.80 €, Faktor 1.24)";
        QTest::newRow("refusal")
            << 0.0 << int(Aep)
            << "AEP-Preis muß eingegeben werden\nErgebnis: AEP 0.00, KP 0.00, AVP 0.00";
        QTest::newRow("header") << 10.0 << int(Narc | Vet)
                                << "Eingabe: FAP 10.00 (Schalter: Suchtgift, Veterinärpräparat; "
                                   "USt 10 %)";
    }

    void explanationPaths() {
        QFETCH(double, price);
        QFETCH(int, switches);
        QFETCH(QString, expected);
        const std::string text =
            fapkalk::ExplainPrices(price, Options(static_cast<unsigned>(switches)), 1.1);
        QVERIFY2(QString::fromStdString(text).contains(expected),
                 qPrintable(QString::fromStdString(text)));
    }

    // --- VAT factor ---------------------------------------------------------

    // For every rate the VAT field can hold, the double nearest to 1 + n/100.
    void vatFactorFromRate() {
        for (unsigned n = 0; n < 100; ++n) {
            char text[16];
            std::snprintf(text, sizeof text, "1.%02u", n);
            COMPARE_EXACT(fapkalk::VatFactorFromRate(n), std::strtod(text, nullptr));
        }
        COMPARE_EXACT(fapkalk::VatFactorFromRate(10), 1.1);
        COMPARE_EXACT(fapkalk::VatFactorFromRate(20), 1.2);
        COMPARE_EXACT(fapkalk::VatFactorFromRate(10), fapkalk::kDefaultVatFactor);
        COMPARE_EXACT(fapkalk::VatFactorFromRate(100), 2.0);
    }
};

QTEST_APPLESS_MAIN(TestEngine)
#include "test_engine.moc"
