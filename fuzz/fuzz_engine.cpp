// The whole engine on arbitrary doubles and switch combinations. Input: one
// byte of switches, one byte of form, the price and the VAT factor. The price
// is 8 bytes of a double (form bit 0) or 4 bytes of whole cents, so both the
// odd doubles and the ordinary prices of every tariff band are reached; the
// VAT factor is 8 bytes of a double (form bit 1) or one byte of a whole rate
// as the VAT field makes it, 10 % when missing. Every call either gives prices
// or the floating-point error; prices of a sane size lie on the five-cent
// grid, and the explanation ends with the very prices the engine returned.
#include "fuzz_check.h"
#include "pricing/engine.h"
#include "pricing/numbers.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

namespace {

double DoubleAt(const std::uint8_t* data) {
    double x;
    std::memcpy(&x, data, sizeof x);
    return x;
}

// The amount is the double nearest a whole number of cents divisible by five.
bool OnFiveCentGrid(double amount) {
    const double cents = std::nearbyint(amount * 100);
    const auto whole = static_cast<std::int64_t>(cents);
    return whole % 5 == 0 && static_cast<double>(whole) / 100 == amount;
}

// Sane: an amount anyone could type, where a cent is far above the double's
// resolution. Negative prices pass through the same steps, but the roundings
// truncate toward zero, so their results are not on the grid.
bool Sane(double amount) {
    return amount >= 0 && amount < 1e9;
}

template <class F> std::optional<fapkalk::FloatError::Kind> FloatErrorOf(F&& f) {
    try {
        f();
    } catch (const fapkalk::FloatError& e) {
        return e.kind();
    }
    return std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::uint8_t switches = data[0];
    const std::uint8_t form = data[1];
    data += 2;
    size -= 2;
    double price = 0;
    if (form & 1) {
        if (size < 8)
            return 0;
        price = DoubleAt(data);
        data += 8;
        size -= 8;
    } else {
        if (size < 4)
            return 0;
        std::uint32_t cents;
        std::memcpy(&cents, data, sizeof cents);
        price = static_cast<double>(cents) / 100;
        data += 4;
        size -= 4;
    }
    double vat = fapkalk::kDefaultVatFactor;
    if ((form & 2) && size >= 8)
        vat = DoubleAt(data);
    else if (!(form & 2) && size >= 1)
        vat = fapkalk::VatFactorFromRate(data[0] % 100);

    fapkalk::CalcOptions options;
    options.AepInput = switches & 1;
    options.Homeopathic = switches & 2;
    options.Narcotic = switches & 4;
    options.Veterinary = switches & 8;
    options.NotReimbursable = switches & 16;

    fapkalk::PriceResult result;
    const auto calcError = FloatErrorOf([&] { result = fapkalk::CalcPrices(price, options, vat); });
    std::string explained;
    const auto explainError =
        FloatErrorOf([&] { explained = fapkalk::ExplainPrices(price, options, vat); });
    FUZZ_CHECK(calcError == explainError);
    if (calcError)
        return 0;

    if (result.refusal != nullptr) {
        FUZZ_CHECK(price == 0);
        FUZZ_CHECK(result.aep == 0 && result.kp == 0 && result.avp == 0);
        return 0;
    }
    FUZZ_CHECK(price != 0);
    FUZZ_CHECK(std::isfinite(result.aep) && std::isfinite(result.kp) && std::isfinite(result.avp));
    if (Sane(price) && Sane(result.kp))
        FUZZ_CHECK(OnFiveCentGrid(result.kp));
    if (Sane(price) && Sane(result.avp))
        FUZZ_CHECK(OnFiveCentGrid(result.avp));

    using fapkalk::ExplainedPriceText;
    const std::string last = "Ergebnis: AEP " + ExplainedPriceText(result.aep) + ", KP " +
                             ExplainedPriceText(result.kp) + ", AVP " +
                             ExplainedPriceText(result.avp) + "\n";
    FUZZ_CHECK(explained.size() >= last.size() &&
               explained.compare(explained.size() - last.size(), last.size(), last) == 0);

    // The integer way, where it applies, gives what the double steps give.
    const fapkalk::PriceResult steps =
        fapkalk::detail::DoubleStepPrices(price, options, vat, fapkalk::BuiltInTariff());
    FUZZ_CHECK(steps.aep == result.aep && steps.kp == result.kp && steps.avp == result.avp);
    return 0;
}
