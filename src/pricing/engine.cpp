#include "pricing/engine.h"

#include "pricing/cent_path.h"
#include "pricing/numbers.h"
#include "pricing/rounding_detail.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace fapkalk {

namespace {

using detail::CheckedProduct;
using detail::RoundCentsInline;
using detail::RoundFiveCentsInline;

// The bands as a plain scan finds them: the first band whose inclusive limit
// is at least the price, the open last band above every limit. A NaN price
// passes every limit and lands in the open band, where the rounding fails.
std::size_t BandIndex(std::span<const TariffBand> table, double price) {
    std::size_t i = 0;
    while (i + 1 < table.size() && !(price <= table[i].limit))
        ++i;
    return i;
}

// The double steps are written once and instantiated twice: with NoTrace for
// CalcPrices' other way (every trace statement compiles away) and with
// TextTrace for ExplainPrices, so the explanation follows the same steps.
// CalcPrices takes the integer way of cent_path.h where it applies; the tests
// hold the two against each other.
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

// An amount with as many decimals as it has: 15 significant digits, so the
// last bits of a binary product do not show (18.6435, not
// 18.643500000000003), and no trailing zeros.
std::string Num(double x) {
    char buf[40];
    const auto result = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 15);
    return std::string(buf, result.ptr);
}

// A price: two decimals at least (19.20, 1590.00); an AEP that keeps the
// typed decimals shows them all (1258.307).
std::string Price(double x) {
    std::string text = Num(x);
    if (text.find_first_of("eE") != std::string::npos)
        return text;
    const std::size_t point = text.find('.');
    const std::size_t decimals = point == std::string::npos ? 0 : text.size() - point - 1;
    if (point == std::string::npos)
        text += '.';
    if (decimals < 2)
        text.append(2 - decimals, '0');
    return text;
}

std::string Euros(double x) {
    return Price(x) + " €";
}

// A band's limit as the tariff prints it: the table holds some limits a
// hair above the printed cent (53.7801) so that the cent itself is inside.
double PrintedLimit(double limit) {
    return std::floor(limit * 100.0 + 1e-6) / 100.0;
}

constexpr std::string_view kCentWords = ", auf Cent gerundet: ";
constexpr std::string_view kFiveCentWords = "  auf 5 Cent gerundet: ";

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

// "Faktor 1.105", "Fixbetrag 7.00 €", "Zuschlag 23.74 €".
std::string BandValueText(const TariffBand& band) {
    return KindText(band.kind) + " " +
           (band.kind == BandKind::Factor ? Num(band.value) : Euros(band.value));
}

template <class Trace>
void TraceBand(Trace& trace, const char* title, std::span<const TariffBand> table,
               std::size_t index) {
    if constexpr (Trace::kOn) {
        const TariffBand& band = table[index];
        // The range in whole cents, as the tariff states it: the cent above
        // the band below, up to the band's own limit.
        std::string line = std::string(title) + ", Band " + std::to_string(index + 1) + " (";
        if (index == 0)
            line += "bis " + Euros(PrintedLimit(band.limit));
        else {
            line += (index + 1 == table.size() ? "ab " : "von ") +
                    Euros(PrintedLimit(table[index - 1].limit) + 0.01);
            if (index + 1 != table.size())
                line += " bis " + Euros(PrintedLimit(band.limit));
        }
        line += ", " + BandValueText(band) + ")";
        trace.Line(line);
    }
}

template <class Trace> double VeterinaryAep(double price, double factor, Trace& trace) {
    const double product = CheckedProduct(price, factor);
    const double aep = RoundCentsInline(product);
    if constexpr (Trace::kOn) {
        trace.Line("AEP: Veterinär, Faktor " + Num(factor));
        trace.Line("  " + Price(price) + " × " + Num(factor) + " = " + Num(product) +
                   std::string(kCentWords) + Price(aep));
    }
    return aep;
}

template <class Trace>
double WholesaleAep(std::span<const TariffBand> table, const char* title, double price,
                    Trace& trace) {
    const std::size_t index = BandIndex(table, price);
    const TariffBand& band = table[index];
    TraceBand(trace, title, table, index);
    switch (band.kind) {
    case BandKind::Factor: {
        const double product = CheckedProduct(price, band.value);
        const double aep = RoundCentsInline(product);
        if constexpr (Trace::kOn)
            trace.Line("  " + Price(price) + " × " + Num(band.value) + " = " + Num(product) +
                       std::string(kCentWords) + Price(aep));
        return aep;
    }
    case BandKind::Fixed:
        if constexpr (Trace::kOn)
            trace.Line("  Fixbetrag: " + Price(band.value));
        return band.value;
    case BandKind::Add: {
        // The open band keeps the typed decimals: no rounding to cents.
        const double aep = price + band.value;
        if constexpr (Trace::kOn)
            trace.Line("  " + Price(price) + " + " + Price(band.value) + " = " + Price(aep) +
                       " (nicht auf Cent gerundet)");
        return aep;
    }
    }
    return band.value;
}

template <class Trace>
double AepPath(double price, const CalcOptions& options, const Tariff& tariff, Trace& trace) {
    switch (detail::AepWayOf(options)) {
    case detail::AepWay::Typed:
        if constexpr (Trace::kOn)
            trace.Line("AEP: eingegeben, unverändert " + Price(price));
        return price;
    case detail::AepWay::Veterinary:
        return VeterinaryAep(price, tariff.veterinaryFactor, trace);
    case detail::AepWay::Homeopathic:
        return WholesaleAep(tariff.homeopathicWholesale, "AEP: Großhandelstabelle homöopathisch",
                            price, trace);
    case detail::AepWay::NotReimbursable:
        return WholesaleAep(tariff.notReimbursableWholesale,
                            "AEP: Großhandelstabelle (*) nicht kassenzulässig", price, trace);
    case detail::AepWay::Standard:
        break;
    }
    return WholesaleAep(tariff.standardWholesale, "AEP: Großhandelstabelle Standard", price, trace);
}

// A pharmacy band: a Factor band multiplies the AEP, a Fixed band its own
// amount by 1; both products are rounded to cents.
template <class Trace>
double PharmacyBand(std::span<const TariffBand> table, const char* title, double aep,
                    Trace& trace) {
    const std::size_t index = BandIndex(table, aep);
    const TariffBand& band = table[index];
    const bool isFactor = band.kind == BandKind::Factor;
    const double base = isFactor ? aep : band.value;
    const double factor = isFactor ? band.value : 1.0;
    const double product = CheckedProduct(base, factor);
    const double result = RoundCentsInline(product);
    if constexpr (Trace::kOn) {
        TraceBand(trace, title, table, index);
        if (isFactor)
            trace.Line("  " + Price(base) + " × " + Num(factor) + " = " + Num(product) +
                       std::string(kCentWords) + Price(result));
        else
            trace.Line("  Fixbetrag: " + Price(result));
    }
    return result;
}

template <class Trace> double AddNarcotic(double amount, double surcharge, Trace& trace) {
    const double sum = amount + surcharge;
    if constexpr (Trace::kOn)
        trace.Line("  " + Price(amount) + " + " + Price(surcharge) +
                   " Suchtgiftzuschlag = " + Price(sum));
    return sum;
}

template <class Trace> double FiveCents(double amount, Trace& trace) {
    const double result = RoundFiveCentsInline(amount);
    if constexpr (Trace::kOn)
        trace.Line(std::string(kFiveCentWords) + Price(result));
    return result;
}

template <class Trace>
double KpPath(double aep, bool narcotic, const Tariff& tariff, Trace& trace) {
    const double base = PharmacyBand(tariff.kp, "KP: Kassenpreistabelle", aep, trace);
    return FiveCents(narcotic ? AddNarcotic(base, tariff.narcoticSurcharge, trace) : base, trace);
}

// "USt 10 %"; a factor no VAT field makes is named as it is.
std::string VatWords(double vatFactor) {
    const int rate = detail::WholeVatRate(vatFactor);
    return rate >= 0 ? "USt " + std::to_string(rate) + " %" : "USt-Faktor " + Num(vatFactor);
}

template <class Trace>
double AvpPath(double aep, bool narcotic, double vatFactor, const Tariff& tariff, Trace& trace) {
    const double net = PharmacyBand(tariff.avp, "AVP: Verkaufspreistabelle", aep, trace);
    const double raised = CheckedProduct(net, tariff.avpRaise);
    double gross = RoundCentsInline(raised);
    if constexpr (Trace::kOn)
        trace.Line("  " + Price(net) + " × " + Num(tariff.avpRaise) + " (Aufschlag " +
                   Num(std::round((tariff.avpRaise - 1.0) * 10000.0) / 100.0) +
                   " %) = " + Num(raised) + std::string(kCentWords) + Price(gross));
    if (narcotic)
        gross = AddNarcotic(gross, tariff.narcoticSurcharge, trace);
    const double taxed = CheckedProduct(gross, vatFactor);
    const double cents = RoundCentsInline(taxed);
    if constexpr (Trace::kOn)
        trace.Line("  " + Price(gross) + " × " + Num(vatFactor) + " (" + VatWords(vatFactor) +
                   ") = " + Num(taxed) + std::string(kCentWords) + Price(cents));
    return FiveCents(cents, trace);
}

template <class Trace>
PriceResult PricesPath(double price, const CalcOptions& options, double vatFactor,
                       const Tariff& tariff, Trace& trace) {
    PriceResult result;
    if (price == 0) {
        result.refusal = options.AepInput ? kAepMissingText : kFapMissingText;
        if constexpr (Trace::kOn)
            trace.Line(result.refusal);
        return result;
    }
    result.aep = AepPath(price, options, tariff, trace);
    result.kp = KpPath(result.aep, options.Narcotic, tariff, trace);
    result.avp = AvpPath(result.aep, options.Narcotic, vatFactor, tariff, trace);
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
    add(options.AepInput, "Preis ist AEP");
    add(options.Homeopathic, "homöopathische Arzneispezialität");
    add(options.Narcotic, "Suchtgift");
    add(options.Veterinary, "Veterinärpräparat");
    add(options.NotReimbursable, "nicht kassenzulässig (*)");
    return text.empty() ? "keine" : text;
}

} // namespace

std::string ExplainedPriceText(double price) {
    return Price(price);
}

namespace detail {

PriceResult DoubleStepPrices(double price, const CalcOptions& options, double vatFactor,
                             const Tariff& tariff) {
    NoTrace trace;
    return PricesPath(price, options, vatFactor, tariff, trace);
}

} // namespace detail

// A price on whole cents with a VAT factor from a whole rate (every price a
// pharmacist types, every row of a range) goes the integer way; everything
// else the double steps.
PriceResult CalcPrices(double price, const CalcOptions& options, double vatFactor) {
    std::int64_t cents = 0;
    detail::CentPrices way;
    if (detail::WholeCentsOf(price, cents) &&
        detail::CentWay(detail::kBuiltInCentTables.For(options), cents, options.Narcotic,
                        detail::WholeVatRate(vatFactor), way))
        return {way.aep, detail::EurosOfFives(way.fives.kp), detail::EurosOfFives(way.fives.avp),
                nullptr};
    return detail::DoubleStepPrices(price, options, vatFactor, kTariff2012);
}

PriceResult CalcPrices(double price, const CalcOptions& options, double vatFactor,
                       const Tariff& tariff) {
    if (&tariff == &kTariff2012)
        return CalcPrices(price, options, vatFactor);
    return detail::DoubleStepPrices(price, options, vatFactor, tariff);
}

std::string ExplainPrices(double price, const CalcOptions& options, double vatFactor) {
    return ExplainPrices(price, options, vatFactor, kTariff2012);
}

std::string ExplainPrices(double price, const CalcOptions& options, double vatFactor,
                          const Tariff& tariff) {
    TextTrace trace;
    trace.Line(std::string("Eingabe: ") + (options.AepInput ? "AEP " : "FAP ") + Price(price) +
               " (Schalter: " + SwitchesText(options) + "; " + VatWords(vatFactor) + ")");
    const PriceResult result = PricesPath(price, options, vatFactor, tariff, trace);
    trace.Line("Ergebnis: AEP " + Price(result.aep) + ", KP " + Price(result.kp) + ", AVP " +
               Price(result.avp));
    return trace.text;
}

bool CentPathHolds(const Tariff& tariff) {
    return detail::CentTablesHold(tariff);
}

double VatFactorFromRate(unsigned n) {
    // The VAT field's arithmetic: 1 + n/100 in extended precision, then stored.
    return static_cast<double>(1.0L + static_cast<long double>(n) / 100.0L);
}

} // namespace fapkalk
