// The price engine: from a typed FAP (or AEP) to AEP, KP and AVP.
#pragma once

#include "pricing/exact_fp.h"
#include "pricing/tariff.h"

#include <string>

namespace fapkalk {

// The five calculation switches; all off at start.
struct CalcOptions {
    bool AepInput = false;        // the typed price is an AEP
    bool Homeopathic = false;     // homeopathic calculation mode
    bool Narcotic = false;        // narcotics surcharge
    bool Veterinary = false;      // flat veterinary markup
    bool NotReimbursable = false; // tariff for articles not reimbursed ("(*)")

    friend bool operator==(const CalcOptions&, const CalcOptions&) = default;
};

struct PriceResult {
    double aep = 0;
    double kp = 0;
    double avp = 0;
    // A price of exactly 0 is refused: all three results 0 and refusal holds the
    // text the caller must show (UTF-8). nullptr when the price was computed.
    const char* refusal = nullptr;
};

inline constexpr const char* kFapMissingText = "FAP-Preis muß eingegeben werden";
inline constexpr const char* kAepMissingText = "AEP-Preis muß eingegeben werden";

// The built-in tariff's prices. Throws FloatError (numbers.h) for amounts too
// large for the roundings.
PriceResult CalcPrices(double price, const CalcOptions& options, double vatFactor);
// The same by another tariff. Only the built-in one has the integer way's
// tables ready (PriceRows builds them for a range); here another tariff takes
// the double steps.
PriceResult CalcPrices(double price, const CalcOptions& options, double vatFactor,
                       const Tariff& tariff);

// The calculation path of one price as readable lines (UTF-8, '\n' separated):
// which table and band gave the AEP, KP and AVP, every product and rounding.
// The command-line tool's --explain and the window's tool tip both show it.
std::string ExplainPrices(double price, const CalcOptions& options, double vatFactor);
std::string ExplainPrices(double price, const CalcOptions& options, double vatFactor,
                          const Tariff& tariff);
// A price as the explanation writes it: two decimals at least (19.20), every
// decimal an AEP was typed with (1258.307), 15 significant digits.
std::string ExplainedPriceText(double price);

// Whether the engine's integer way gives the double steps' prices for every
// price on whole cents under this tariff (cent_path.h says what it needs:
// limits on cents, factors in whole thousandths, amounts in whole cents,
// Factor and Fixed bands in the pharmacy tables, ...). A tariff that fails it
// is computed by the double steps only.
bool CentPathHolds(const Tariff& tariff);

// The VAT factor for a whole-number rate as the VAT field computes it:
// 1 + n/100 in extended precision, stored as double. 10 and 20 give the doubles
// nearest 1.1 and 1.2.
double VatFactorFromRate(unsigned n);

inline constexpr double kDefaultVatFactor = 1.1;

namespace detail {

// How the AEP is found: the one choice of the double steps and the integer way.
enum class AepWay { Typed, Veterinary, Standard, NotReimbursable, Homeopathic };

constexpr AepWay AepWayOf(const CalcOptions& options) {
    if (options.AepInput)
        return AepWay::Typed;
    if (options.Homeopathic)
        return options.Veterinary ? AepWay::Veterinary : AepWay::Homeopathic;
    if (options.NotReimbursable)
        return AepWay::NotReimbursable;
    return options.Veterinary ? AepWay::Veterinary : AepWay::Standard;
}

// The double steps alone, which CalcPrices leaves for the integer way where it
// applies; the tests hold the two against each other.
PriceResult DoubleStepPrices(double price, const CalcOptions& options, double vatFactor,
                             const Tariff& tariff);

} // namespace detail

} // namespace fapkalk
