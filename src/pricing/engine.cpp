#include "pricing/engine.h"

#include "pricing/cent_path.h"
#include "pricing/numbers.h"
#include "pricing/rounding_detail.h"
#include "pricing/tariff_tables.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>

namespace fapkalk {

namespace {

using detail::CheckedProduct;
using detail::RoundCentsInline;
using detail::RoundFiveCentsInline;

// The price path is written once and instantiated twice: with NoTrace for
// CalcPrices (every trace statement compiles away) and with TextTrace for
// ExplainPrices, so the explanation follows the same steps. CalcPrices takes
// the whole-cent shortcut of cent_path.h where it applies; the tests hold it
// against these steps for every AEP in its range.
struct NoTrace {
    static constexpr bool kOn = false;
    void Line(const std::string&) {}
};

struct TextTrace {
    static constexpr bool kOn = true;
    std::string text;
    void Line(const std::string& line) {
        text += line;
        text += '\n';
    }
};

// Shortest text that reads back as the same double: shows the exact binary
// value of intermediate products (19.273999999999997, not 19.274).
std::string Num(double x) {
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, x);
    return std::string(buf, result.ptr);
}

std::string KindText(BandKind kind) {
    switch (kind) {
    case BandKind::Factor:
        return "Faktor";
    case BandKind::Fixed:
        return "Fixbetrag";
    case BandKind::Add:
        return "Zuschlag";
    }
    return "?";
}

template <class Trace, std::size_t N>
void TraceBand(Trace& trace, const char* title, const std::array<TariffBand, N>& table,
               std::size_t index) {
    if constexpr (Trace::kOn) {
        const TariffBand& band = table[index];
        std::string line = std::string(title) + ", Band " + std::to_string(index + 1) + " (";
        line += index + 1 == N ? "über " + Num(table[index - 1].limit) : "bis " + Num(band.limit);
        line += ", " + KindText(band.kind) + " " + Num(band.value) + ")";
        trace.Line(line);
    }
}

// An AEP with the whole cents it stands for (-1 when it is not such an amount
// or lies beyond the cent path's range).
using detail::CentAmount;

template <class Trace> CentAmount VeterinaryAep(double price, Trace& trace) {
    const double product = CheckedProduct(price, VeterinaryMarkup);
    const CentAmount aep = detail::RoundCentsCounted(product);
    if constexpr (Trace::kOn) {
        trace.Line("AEP: Veterinär " + Num(VeterinaryMarkup));
        trace.Line("  " + Num(price) + " × " + Num(VeterinaryMarkup) + " = " + Num(product) +
                   "; RoundCents → " + Num(aep.value));
    }
    return aep;
}

template <class Trace, std::size_t N>
CentAmount WholesaleAep(const std::array<TariffBand, N>& table, const tables::Lookup<N>& lookup,
                        const char* title, double price, Trace& trace) {
    const std::size_t index = tables::CountBelow(lookup.limits, price);
    const TariffBand& band = table[index];
    TraceBand(trace, title, table, index);
    switch (band.kind) {
    case BandKind::Factor: {
        const double product = CheckedProduct(price, band.value);
        const CentAmount aep = detail::RoundCentsCounted(product);
        if constexpr (Trace::kOn)
            trace.Line("  " + Num(price) + " × " + Num(band.value) + " = " + Num(product) +
                       "; RoundCents → " + Num(aep.value));
        return aep;
    }
    case BandKind::Fixed:
        if constexpr (Trace::kOn)
            trace.Line("  Fixbetrag → " + Num(band.value));
        return {band.value, detail::ExactCents(band.value)};
    case BandKind::Add: {
        // The open band keeps the typed decimals: no rounding to cents.
        const double aep = price + band.value;
        if constexpr (Trace::kOn)
            trace.Line("  " + Num(price) + " + " + Num(band.value) + " = " + Num(aep) +
                       " (nicht auf Cent gerundet)");
        return {aep, detail::ExactCents(aep)};
    }
    }
    return {band.value, -1};
}

template <class Trace> CentAmount AepPath(double price, const CalcOptions& options, Trace& trace) {
    if (options.AepInput) {
        if constexpr (Trace::kOn)
            trace.Line("AEP: AEP-Eingabe, unverändert " + Num(price));
        return {price, detail::ExactCents(price)};
    }
    if (options.Homeopathic) {
        if (options.Veterinary)
            return VeterinaryAep(price, trace);
        return WholesaleAep(tables::kHomeopathicWholesale, tables::kHomeopathicWholesaleLookup,
                            "AEP: Großhandelstabelle homöopathisch", price, trace);
    }
    if (options.NotReimbursable)
        return WholesaleAep(tables::kNotReimbursableWholesale,
                            tables::kNotReimbursableWholesaleLookup,
                            "AEP: Großhandelstabelle (*) nicht kassenzulässig", price, trace);
    if (options.Veterinary)
        return VeterinaryAep(price, trace);
    return WholesaleAep(tables::kStandardWholesale, tables::kStandardWholesaleLookup,
                        "AEP: Großhandelstabelle Standard", price, trace);
}

// A pharmacy band: a Factor band multiplies the AEP, a Fixed band its own
// amount by 1; both products are rounded to cents. The operands are picked by
// masks rather than branches: the bands of random prices are not predictable.
template <class Trace, std::size_t N>
detail::CentAmount PharmacyBand(const std::array<TariffBand, N>& table,
                                const tables::Lookup<N>& lookup, const char* title, double aep,
                                Trace& trace) {
    const std::size_t index = tables::CountBelow(lookup.limits, aep);
    const std::uint64_t aepBits = std::bit_cast<std::uint64_t>(aep) & lookup.takesAep[index];
    const double base =
        std::bit_cast<double>(aepBits | std::bit_cast<std::uint64_t>(lookup.ownBase[index]));
    const double factor = lookup.factor[index];
    const double product = CheckedProduct(base, factor);
    const detail::CentAmount result = detail::RoundCentsCounted(product);
    if constexpr (Trace::kOn) {
        TraceBand(trace, title, table, index);
        trace.Line("  " + Num(base) + " × " + Num(factor) + " = " + Num(product) +
                   "; RoundCents → " + Num(result.value));
    }
    return result;
}

template <class Trace> double AddNarcotic(double amount, Trace& trace) {
    const double sum = amount + NarcoticSurcharge;
    if constexpr (Trace::kOn)
        trace.Line("  " + Num(amount) + " + " + Num(NarcoticSurcharge) +
                   " (Suchtgiftzuschlag) = " + Num(sum));
    return sum;
}

// amount is cents / 100 as a double, or that plus the narcotic surcharge.
template <class Trace> double FiveCents(double amount, std::int64_t cents, Trace& trace) {
    const double result = detail::FiveCentsByDigitApplies(cents) ? detail::FiveCentsByDigit(cents)
                                                                 : RoundFiveCentsInline(amount);
    if constexpr (Trace::kOn)
        trace.Line("  RoundFiveCents(" + Num(amount) + ") → " + Num(result));
    return result;
}

template <class Trace> double KpPath(double aep, bool narcotic, Trace& trace) {
    const detail::CentAmount base =
        PharmacyBand(tables::kKp, tables::kKpLookup, "KP: Kassenpreistabelle", aep, trace);
    if (!narcotic)
        return FiveCents(base.value, base.cents, trace);
    const double kp = AddNarcotic(base.value, trace);
    return FiveCents(kp, base.cents + detail::kNarcoticSurchargeCents, trace);
}

// SurchargeByCents works with the raise as the fraction 23/20.
static_assert(AvpSurchargeFactor == 1.15);

template <class Trace> double AvpPath(double aep, bool narcotic, double vatFactor, Trace& trace) {
    const detail::CentAmount net =
        PharmacyBand(tables::kAvp, tables::kAvpLookup, "AVP: Verkaufspreistabelle", aep, trace);
    double gross = detail::SurchargeByCentsApplies(net.cents)
                       ? detail::SurchargeByCents(net.cents)
                       : RoundCentsInline(CheckedProduct(net.value, AvpSurchargeFactor));
    if constexpr (Trace::kOn)
        trace.Line("  " + Num(net.value) + " × " + Num(AvpSurchargeFactor) + " = " +
                   Num(net.value * AvpSurchargeFactor) + "; RoundCents → " + Num(gross));
    if (narcotic)
        gross = AddNarcotic(gross, trace);
    const double taxed = CheckedProduct(gross, vatFactor);
    const detail::CentAmount cents = detail::RoundCentsCounted(taxed);
    if constexpr (Trace::kOn)
        trace.Line("  " + Num(gross) + " × " + Num(vatFactor) + " (USt-Faktor) = " + Num(taxed) +
                   "; RoundCents → " + Num(cents.value));
    return FiveCents(cents.value, cents.cents, trace);
}

template <class Trace>
PriceResult PricesPath(double price, const CalcOptions& options, double vatFactor, Trace& trace) {
    PriceResult result;
    if (price == 0) {
        result.refusal = options.AepInput ? kAepMissingText : kFapMissingText;
        if constexpr (Trace::kOn)
            trace.Line(result.refusal);
        return result;
    }
    result.aep = AepPath(price, options, trace).value;
    result.kp = KpPath(result.aep, options.Narcotic, trace);
    result.avp = AvpPath(result.aep, options.Narcotic, vatFactor, trace);
    return result;
}

std::string SwitchesText(const CalcOptions& options) {
    std::string text;
    const auto add = [&text](bool on, const char* name) {
        if (!on)
            return;
        if (!text.empty())
            text += ", ";
        text += name;
    };
    add(options.AepInput, "AEP-Eingabe");
    add(options.Homeopathic, "Homöopathisch");
    add(options.Narcotic, "Suchtgift");
    add(options.Veterinary, "Veterinär");
    add(options.NotReimbursable, "(*) nicht kassenzulässig");
    return text.empty() ? "keine" : text;
}

} // namespace

double CalcAep(double price, const CalcOptions& options) {
    NoTrace trace;
    return AepPath(price, options, trace).value;
}

double CalcKp(double aep, bool narcotic) {
    NoTrace trace;
    return KpPath(aep, narcotic, trace);
}

double CalcAvp(double aep, bool narcotic, double vatFactor) {
    NoTrace trace;
    return AvpPath(aep, narcotic, vatFactor, trace);
}

namespace {

// Anything off the integer way: decimals beyond the cent, an odd VAT factor,
// amounts beyond its range, 0, negative amounts, NaN. An AEP on whole cents
// reached from such a price still gets its KP and AVP in integers. Kept out of
// line so the integer way stays a small body.
[[gnu::noinline]] PriceResult CalcPricesByDoubleSteps(double price, const CalcOptions& options,
                                                      double vatFactor) {
    NoTrace trace;
    if (price == 0)
        return PricesPath(price, options, vatFactor, trace);
    const CentAmount aep = AepPath(price, options, trace);
    const int vatRate = detail::WholeVatRate(vatFactor);
    PriceResult result;
    result.aep = aep.value;
    if (detail::CentPathApplies(aep.cents) && vatRate >= 0) {
        const detail::FiveCounts fives =
            detail::PharmacyFiveCounts(static_cast<std::uint64_t>(aep.cents), options.Narcotic,
                                       static_cast<unsigned>(vatRate));
        result.kp = detail::EurosOfFives(fives.kp);
        result.avp = detail::EurosOfFives(fives.avp);
        return result;
    }
    result.kp = KpPath(aep.value, options.Narcotic, trace);
    result.avp = AvpPath(aep.value, options.Narcotic, vatFactor, trace);
    return result;
}

// Writes into the caller's result, which then needs no copy on the integer
// way (a call returning the structure would need its own).
[[gnu::noinline, gnu::cold]] void FillByDoubleSteps(double price, const CalcOptions& options,
                                                    double vatFactor, PriceResult& out) {
    out = CalcPricesByDoubleSteps(price, options, vatFactor);
}

// The same choice of table as AepPath.
detail::CentPrices PricesOfCents(std::uint64_t priceCents, const CalcOptions& options,
                                 unsigned vatRate) {
    const bool narcotic = options.Narcotic;
    if (options.AepInput)
        return detail::PricesOfCents(detail::kAepInputPriceCents, priceCents, narcotic, vatRate);
    if (options.Homeopathic) {
        if (options.Veterinary)
            return detail::PricesOfCents(detail::kVeterinaryPriceCents, priceCents, narcotic,
                                         vatRate);
        return detail::PricesOfCents(detail::kHomeopathicPriceCents, priceCents, narcotic, vatRate);
    }
    if (options.NotReimbursable)
        return detail::PricesOfCents(detail::kNotReimbursablePriceCents, priceCents, narcotic,
                                     vatRate);
    if (options.Veterinary)
        return detail::PricesOfCents(detail::kVeterinaryPriceCents, priceCents, narcotic, vatRate);
    return detail::PricesOfCents(detail::kStandardPriceCents, priceCents, narcotic, vatRate);
}

} // namespace

// A price on whole cents with a VAT factor from a whole rate (every price a
// pharmacist types) goes the integer way; everything else the double steps.
// Flattened, so the integer way is one body the out-of-order core can overlap
// with the next call.
[[gnu::flatten]] PriceResult CalcPrices(double price, const CalcOptions& options,
                                        double vatFactor) {
    PriceResult result;
    const std::int64_t priceCents = detail::ExactCents(price);
    const int vatRate = detail::WholeVatRate(vatFactor);
    // priceCents 0 is a price of 0: refused by the double steps' path.
    if (priceCents > 0 && vatRate >= 0) [[likely]] {
        const detail::CentPrices cents = PricesOfCents(static_cast<std::uint64_t>(priceCents),
                                                       options, static_cast<unsigned>(vatRate));
        if (cents.aepCents < static_cast<std::uint64_t>(detail::kCentPathLimit)) [[likely]] {
            result.aep = cents.aep;
            result.kp = detail::EurosOfFives(cents.fives.kp);
            result.avp = detail::EurosOfFives(cents.fives.avp);
            return result;
        }
    }
    FillByDoubleSteps(price, options, vatFactor, result);
    return result;
}

std::string ExplainPrices(double price, const CalcOptions& options, double vatFactor) {
    TextTrace trace;
    trace.Line(std::string("Eingabe: ") + (options.AepInput ? "AEP " : "FAP ") + Num(price) +
               " (Schalter: " + SwitchesText(options) + "; USt-Faktor " + Num(vatFactor) + ")");
    const PriceResult result = PricesPath(price, options, vatFactor, trace);
    trace.Line("Ergebnis: AEP " + Num(result.aep) + ", KP " + Num(result.kp) + ", AVP " +
               Num(result.avp));
    return trace.text;
}

double VatFactorFromRate(unsigned n) {
    // The VAT field's arithmetic: 1 + n/100 in extended precision, then stored.
    return static_cast<double>(1.0L + static_cast<long double>(n) / 100.0L);
}

} // namespace fapkalk
