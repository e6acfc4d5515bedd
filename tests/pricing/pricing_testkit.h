// Helpers that several of the engine's tests share.
#pragma once

#include "pricing/numbers.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace pricingtest {

// The FloatError that f throws, if any.
template <class F> std::optional<fapkalk::FloatError> FloatErrorOf(F&& f) {
    try {
        f();
    } catch (const fapkalk::FloatError& error) {
        return error;
    }
    return std::nullopt;
}

// The display text computed independently from a whole number of cents.
inline std::string TextOfCents(std::int64_t cents) {
    char buf[64];
    const std::int64_t magnitude = cents < 0 ? -cents : cents;
    std::snprintf(buf, sizeof buf, "%s%lld.%02lld", cents < 0 ? "-" : "",
                  static_cast<long long>(magnitude / 100), static_cast<long long>(magnitude % 100));
    std::string text = buf;
    if (text.size() < 10)
        text.insert(0, 10 - text.size(), ' ');
    return text.substr(0, 10);
}

// A row cell's text as the grid shows it.
inline std::string ShownText(fapkalk::ShownPrice shown) {
    std::string text(fapkalk::kShownTextSize, ' ');
    fapkalk::WriteShownText(text.data(), shown);
    return text;
}

} // namespace pricingtest
