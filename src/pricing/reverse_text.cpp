#include "pricing/reverse_text.h"

#include "pricing/cent_path.h"
#include "pricing/numbers.h"
#include "pricing/text_rules.h"

#include <charconv>

namespace fapkalk {

namespace {

// 10,000,000.00 €: no price cell holds it.
constexpr std::int64_t kTargetLimitCents = 1'000'000'000;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

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
    const std::string_view t = TrimLowCodes(text);
    if (t.empty())
        return {0, TargetProblem::Empty};
    std::size_t i = 0;
    std::int64_t euros = 0;
    bool tooLarge = false;
    for (; i < t.size() && IsDigit(t[i]); ++i) {
        // Kept below the limit, so the sum never overflows however many
        // digits there are.
        if (!tooLarge)
            euros = euros * 10 + (t[i] - '0');
        tooLarge = tooLarge || euros * 100 >= kTargetLimitCents;
    }
    if (i == 0)
        return {0, TargetProblem::NotANumber};
    std::int64_t cents = 0;
    bool wholeCents = true;
    if (i < t.size() && (t[i] == '.' || t[i] == ',')) {
        const std::size_t first = ++i;
        for (; i < t.size() && IsDigit(t[i]); ++i) {
            const int digit = t[i] - '0';
            if (i - first < 2)
                cents += digit * (i == first ? 10 : 1);
            else if (digit != 0)
                wholeCents = false;
        }
        if (i == first)
            return {0, TargetProblem::NotANumber};
    }
    if (i != t.size())
        return {0, TargetProblem::NotANumber};
    if (!wholeCents)
        return {0, TargetProblem::NotWholeCents};
    if (tooLarge)
        return {0, TargetProblem::TooLarge};
    cents += euros * 100;
    if (cents == 0)
        return {0, TargetProblem::Zero};
    return {cents, TargetProblem::None};
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

std::string AmountText(std::int64_t cents) {
    // The display text's digits, so the sentence shows what the labels show.
    // Targets and results are never negative.
    char text[kShownTextSize + 2];
    char* end = text + sizeof text;
    const ShownPrice shown{static_cast<std::uint64_t>(cents), false};
    return std::string(WriteShownBackwards(end, shown, '.'), end);
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
