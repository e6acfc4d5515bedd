#include "pricing/margins.h"

#include <cmath>
#include <cstring>

namespace fapkalk {

namespace {

std::int64_t Signed(ShownPrice shown) {
    const auto cents = static_cast<std::int64_t>(shown.cents);
    return shown.negative ? -cents : cents;
}

// numerator / denominator rounded half away from zero; denominator > 0.
// The callers keep numerator far below the int64 limit (cents below 10^9,
// times at most 20,000).
std::int64_t DivideRounded(std::int64_t numerator, std::int64_t denominator) {
    const std::int64_t magnitude = numerator < 0 ? -numerator : numerator;
    const std::int64_t quotient = (2 * magnitude + denominator) / (2 * denominator);
    return numerator < 0 ? -quotient : quotient;
}

Margin MarginOn(std::int64_t selling, std::int64_t aep) {
    Margin margin{selling - aep, std::nullopt};
    if (selling != 0) {
        const std::int64_t base = selling < 0 ? -selling : selling;
        margin.share = DivideRounded(margin.cents * 10'000, base);
    }
    return margin;
}

} // namespace

std::optional<unsigned> WholeVatRateOf(double vatFactor) {
    const double rate = (vatFactor - 1.0) * 100.0;
    if (!(rate > -0.5 && rate < 99.5))
        return std::nullopt;
    const auto whole = static_cast<unsigned>(std::lround(rate));
    if (VatFactorFromRate(whole) != vatFactor)
        return std::nullopt;
    return whole;
}

std::int64_t NetOfVat(std::int64_t grossCents, unsigned vatRate) {
    return DivideRounded(grossCents * 100, 100 + static_cast<std::int64_t>(vatRate));
}

std::optional<PriceMargins> MarginsOf(const RowCells& cells, double vatFactor) {
    const std::optional<unsigned> rate = WholeVatRateOf(vatFactor);
    if (cells.refusal != nullptr || !rate)
        return std::nullopt;
    const std::int64_t aep = Signed(cells.aep);
    PriceMargins margins;
    margins.vatRate = *rate;
    margins.avpNetCents = NetOfVat(Signed(cells.avp), *rate);
    margins.kp = MarginOn(Signed(cells.kp), aep);
    margins.avp = MarginOn(margins.avpNetCents, aep);
    return margins;
}

char* WriteCentsForwards(char* out, std::int64_t cents) {
    // Built backwards in a small buffer: at least "0.00".
    char digits[kMaxCentsTextSize];
    char* p = digits + sizeof digits;
    std::uint64_t rest = cents < 0 ? std::uint64_t(0) - static_cast<std::uint64_t>(cents)
                                   : static_cast<std::uint64_t>(cents);
    for (int place = 0; place < 3 || rest != 0; ++place) {
        if (place == 2)
            *--p = '.';
        *--p = static_cast<char>('0' + rest % 10);
        rest /= 10;
    }
    if (cents < 0)
        *--p = '-';
    const auto size = static_cast<std::size_t>(digits + sizeof digits - p);
    std::memcpy(out, p, size);
    return out + size;
}

std::string CentsText(std::int64_t cents) {
    char text[kMaxCentsTextSize];
    return std::string(text, WriteCentsForwards(text, cents));
}

std::string ShareText(const Margin& margin) {
    return margin.share ? CentsText(*margin.share) + " %" : std::string("–");
}

std::string ExplainMargins(const RowCells& cells, const PriceMargins& margins) {
    const std::string aep = CentsText(Signed(cells.aep));
    const std::string net = CentsText(margins.avpNetCents);
    std::string text = "Marge KP: " + CentsText(Signed(cells.kp)) + " − " + aep + " = " +
                       CentsText(margins.kp.cents) + " (" + ShareText(margins.kp) + " des KP)\n";
    text += "Marge AVP: " + CentsText(Signed(cells.avp)) + " ohne " +
            std::to_string(margins.vatRate) + " % USt = " + net + "; " + net + " − " + aep + " = " +
            CentsText(margins.avp.cents) + " (" + ShareText(margins.avp) + " des AVP ohne USt)\n";
    return text;
}

} // namespace fapkalk
