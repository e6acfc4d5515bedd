#include "pricing/options/price_key_filter.h"

#include "pricing/numbers.h"

#include <cmath>

namespace fapkalk {

bool RefusesDigits(std::string_view text) {
    double value = 0;
    try {
        value = ParsePrice(text);
    } catch (const FloatError&) {
        return true;
    }
    const double tenfold = value * 10;
    if (!std::isfinite(tenfold))
        return true;
    // The part below the first decimal, with the sign of the value: a value of 0
    // or below never refuses.
    const double fraction = tenfold - std::trunc(tenfold);
    return fraction > 0;
}

bool FilterPriceKey(std::string_view text, char32_t& key) {
    bool pass = true;
    if (key == U',')
        key = U'.';
    if (key == U'.' && text.find('.') != std::string_view::npos)
        key = kBackspaceKey;
    if (key >= U'0' && key <= U'9' && RefusesDigits(text))
        pass = false;
    return pass;
}

} // namespace fapkalk
