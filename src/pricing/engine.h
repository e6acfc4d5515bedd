// The price engine: from a typed FAP (or AEP) to AEP, KP and AVP.
#pragma once

#include "pricing/exact_fp.h"

#include <span>
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

enum class BandKind { Factor, Fixed, Add };

// One row of a tariff table. limit is an inclusive upper limit; the open last
// band of a table has limit +infinity.
struct TariffBand {
    double limit;
    BandKind kind;
    double value;
};

std::span<const TariffBand> StandardWholesaleTable();
std::span<const TariffBand> NotReimbursableWholesaleTable();
std::span<const TariffBand> HomeopathicWholesaleTable();
std::span<const TariffBand> KpTable();
std::span<const TariffBand> AvpTable();

inline constexpr double VeterinaryMarkup = 1.2;
inline constexpr double NarcoticSurcharge = 0.55;
inline constexpr double AvpSurchargeFactor = 1.15;

double CalcAep(double price, const CalcOptions& options);
double CalcKp(double aep, bool narcotic);
double CalcAvp(double aep, bool narcotic, double vatFactor);

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

// Throws FloatError (numbers.h) for amounts too large for the roundings.
PriceResult CalcPrices(double price, const CalcOptions& options, double vatFactor);

// The calculation path of one price as readable lines (UTF-8, '\n' separated):
// which table and band gave the AEP, KP and AVP, every product and rounding.
// The command-line tool's --explain and the window's tool tip both show it.
std::string ExplainPrices(double price, const CalcOptions& options, double vatFactor);

// The VAT factor for a whole-number rate as the VAT field computes it:
// 1 + n/100 in extended precision, stored as double. 10 and 20 give the doubles
// nearest 1.1 and 1.2.
double VatFactorFromRate(unsigned n);

inline constexpr double kDefaultVatFactor = 1.1;

} // namespace fapkalk
