// The pharmacy's gross margin on a computed price set: what it keeps when it
// sells to the health insurance (KP − AEP) and privately (AVP without VAT −
// AEP), in euros and as a share of that selling price.
//
// Margins are worked from the prices as they are shown (whole cents), in
// integer arithmetic, so they add up with what the pharmacist reads: a typed
// AEP with more decimals counts with its shown cents. The VAT contained in the
// AVP is taken out at the whole VAT rate and rounded half up to a cent; a
// share is given in hundredths of a percent, rounded half away from zero.
#pragma once

#include "pricing/price_rows.h"

#include <cstdint>
#include <optional>
#include <string>

namespace fapkalk {

struct Margin {
    std::int64_t cents = 0; // selling price − AEP
    // Of the selling price, in hundredths of a percent (2595: 25.95 %);
    // nullopt when the selling price is 0.
    std::optional<std::int64_t> share;
    friend bool operator==(const Margin&, const Margin&) = default;
};

struct PriceMargins {
    Margin kp;                    // KP − AEP, share of the KP
    Margin avp;                   // AVP without VAT − AEP, share of that net AVP
    std::int64_t avpNetCents = 0; // the AVP without VAT
    unsigned vatRate = 0;         // whole percent
    friend bool operator==(const PriceMargins&, const PriceMargins&) = default;
};

// The whole VAT rate whose factor VatFactorFromRate gives exactly vatFactor
// (0 to 99); nullopt for any other factor.
std::optional<unsigned> WholeVatRateOf(double vatFactor);

// The gross amount without VAT at a whole rate, rounded half up to a cent.
std::int64_t NetOfVat(std::int64_t grossCents, unsigned vatRate);

// nullopt for a refused row (price 0) and for a VAT factor of no whole rate.
std::optional<PriceMargins> MarginsOf(const RowCells& cells, double vatFactor);

// "4.84", "-0.05": cents with a decimal point, no blanks.
std::string CentsText(std::int64_t cents);
// "25.95 %"; "–" without a share.
std::string ShareText(const Margin& margin);

// The margins' lines of the calculation path ('\n' after each):
// "Marge KP: 18.65 − 13.81 = 4.84 (25.95 % des KP)"
// "Marge AVP: 26.05 ohne 10 % USt = 23.68; 23.68 − 13.81 = 9.87 (41.68 % des AVP ohne USt)"
std::string ExplainMargins(const RowCells& cells, const PriceMargins& margins);

// The longest text WriteCentsForwards writes: sign, 19 digits and the point.
inline constexpr std::size_t kMaxCentsTextSize = 21;
// CentsText into out; returns its end.
char* WriteCentsForwards(char* out, std::int64_t cents);

} // namespace fapkalk
