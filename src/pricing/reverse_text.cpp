#include "pricing/reverse_text.h"

#include "pricing/cent_path.h"
#include "pricing/numbers.h"
#include "pricing/text_rules.h"

#include <charconv>

namespace fapkalk {

namespace {

// 10,000,000.00 €: no price cell holds it.
constexpr std::int64_t kTargetLimitCents = 1'000'000'000;

std::string Priced(std::string_view name, std::int64_t cents) {
    std::string text(name);
    text += ' ';
    text += AmountText(cents);
    return text;
}

} // namespace

std::string_view TargetName(ReverseTarget target) {
    switch (target) {
    case ReverseTarget::Aep:
        return "AEP";
    case ReverseTarget::Kp:
        return "KP";
    case ReverseTarget::Avp:
        break;
    }
    return "AVP";
}

std::string_view InputName(bool aepInput) {
    return aepInput ? "AEP" : "FAP";
}

std::optional<ReverseTarget> TargetNamed(std::string_view name) {
    if (name == "aep")
        return ReverseTarget::Aep;
    if (name == "kp")
        return ReverseTarget::Kp;
    if (name == "avp")
        return ReverseTarget::Avp;
    return std::nullopt;
}

TargetAmount ReadTargetAmount(std::string_view text) {
    const PriceText read = ReadPriceText(TrimLowCodes(text));
    switch (read.problem) {
    case PriceTextProblem::None:
        break;
    case PriceTextProblem::Empty:
        return {0, TargetProblem::Empty};
    case PriceTextProblem::NotAPrice:
        return {0, TargetProblem::NotANumber};
    case PriceTextProblem::TooManyDecimals:
        return {0, TargetProblem::NotWholeCents};
    case PriceTextProblem::TooLarge:
        return {0, TargetProblem::TooLarge};
    }
    if (read.cents == 0)
        return {0, TargetProblem::Zero};
    if (read.cents >= kTargetLimitCents)
        return {0, TargetProblem::TooLarge};
    return {read.cents, TargetProblem::None};
}

std::string TargetProblemText(TargetProblem problem) {
    switch (problem) {
    case TargetProblem::None:
        return {};
    case TargetProblem::Empty:
        return "Bitte einen Zielpreis eingeben.";
    case TargetProblem::NotANumber:
        return "Der Zielpreis muß eine Zahl sein (Ziffern, höchstens ein Dezimalpunkt).";
    case TargetProblem::NotWholeCents:
        return "Der Zielpreis hat mehr als zwei Nachkommastellen.";
    case TargetProblem::Zero:
        return "Der Zielpreis muß größer als 0 sein.";
    case TargetProblem::TooLarge:
        break;
    }
    return "Der Zielpreis paßt nicht in die Preisspalte (höchstens 9999999.99).";
}

std::string TargetAmountMessage(std::string_view text, const TargetAmount& amount) {
    const std::string_view trimmed = TrimLowCodes(text);
    if (amount.problem == TargetProblem::NotANumber)
        return PriceTextMessage("Betrag", trimmed, PriceTextProblem::NotAPrice);
    if (amount.problem == TargetProblem::NotWholeCents)
        return PriceTextMessage("Betrag", trimmed, PriceTextProblem::TooManyDecimals);
    return TargetProblemText(amount.problem);
}

std::string ReverseAnswerText(ReverseTarget target, std::int64_t targetCents,
                              const ReverseResult& result, bool aepInput) {
    const std::string_view input = InputName(aepInput);
    const std::string_view column = TargetName(target);
    if (result.reached) {
        std::string text = Priced(input, result.fromCents);
        if (result.toCents != result.fromCents) {
            text += " bis ";
            text += AmountText(result.toCents);
        }
        return text + " ergibt " + Priced(column, targetCents) + ".";
    }
    const auto gives = [&](const ReversePoint& point) {
        return " ergibt " + Priced(column, point.resultCents);
    };
    std::string text = Priced(column, targetCents) + " ist nicht erreichbar";
    if (result.below && result.above)
        return text + ": " + Priced(input, result.below->inputCents) + gives(*result.below) + ", " +
               Priced(input, result.above->inputCents) + gives(*result.above) + ".";
    // Beyond one end of the input prices: what that end gives.
    if (result.above)
        return text + ": der kleinste " + Priced(input, result.above->inputCents) +
               gives(*result.above) + ".";
    if (result.below)
        return text + ": der größte " + Priced(input, result.below->inputCents) +
               gives(*result.below) + ".";
    return text + ".";
}

std::optional<std::int64_t> OfferedInputCents(const ReverseResult& result) {
    if (result.reached)
        return result.fromCents;
    if (result.below)
        return result.below->inputCents;
    if (result.above)
        return result.above->inputCents;
    return std::nullopt;
}

std::string ReverseSettingsText(const CalcOptions& options, double vatFactor) {
    std::string text = options.Homeopathic ? "Homöop. Arzneispez." : "Standardberechnung";
    if (options.Narcotic)
        text += ", Suchtgift";
    if (options.Veterinary)
        text += ", Veterinär / Hom. Ansatz";
    if (options.NotReimbursable)
        text += ", (*) nicht kassenzulässig";
    if (const int rate = detail::WholeVatRate(vatFactor); rate >= 0) {
        text += ", USt. " + std::to_string(rate) + " %";
    } else {
        // Only a factor the VAT field cannot make: shown as it is.
        char factor[32];
        const auto written = std::to_chars(factor, factor + sizeof factor, vatFactor);
        text += ", USt.-Faktor " + std::string(factor, written.ptr);
    }
    return text;
}

} // namespace fapkalk
