#include "pricing/options/vat_field.h"

#include "pricing/engine.h"
#include "pricing/text_rules.h"

#include <limits>

namespace fapkalk {

namespace {
constexpr double kHigherVatFactor = 1.2;
} // namespace

std::string VatQuestionText(std::string_view fieldText) {
    // "Berechung" is the question's word as the program has always asked it; it stays.
    std::string question = "Möchten Sie die Berechung mit abweichender USt. (";
    question += fieldText;
    question += ") durchführen?";
    return question;
}

std::optional<unsigned> VatRateFromText(std::string_view text) {
    if (!IsDigitsOnly(text))
        return std::nullopt;
    unsigned long long rate = 0;
    for (char c : text) {
        rate = rate * 10 + static_cast<unsigned>(c - '0');
        // The field holds two characters; a longer text (only possible if the
        // length limit is bypassed) must not wrap around into a small rate.
        if (rate > std::numeric_limits<unsigned>::max())
            return std::nullopt;
    }
    return static_cast<unsigned>(rate);
}

VatField::VatField() : factor_(kDefaultVatFactor) {}

void VatField::TextChanged(std::string_view newText) {
    if (applying_ && newText == text_)
        return; // the application's own setText, carried out by the window
    text_.assign(newText);
    edited_ = true;
}

void VatField::ShowApplied(VatOutcome& outcome, std::string text) {
    text_ = text;
    appliedText_ = text;
    edited_ = false;
    outcome.setText = std::move(text);
    outcome.selectAllAndFocus = true;
}

VatOutcome VatField::FocusLost(const VatQuestion& ask, bool runUnderWay,
                               const VatCarryOut& carryOut) {
    if (runUnderWay && !edited_)
        return {};
    return ApplyVatRate(ask, carryOut);
}

VatOutcome VatField::KeyPress(char32_t key, const VatQuestion& ask, const VatCarryOut& carryOut) {
    if (key != kEnterKey)
        return {};
    return ApplyVatRate(ask, carryOut);
}

VatOutcome VatField::ApplyVatRate(const VatQuestion& ask, const VatCarryOut& carryOut) {
    if (applying_)
        return {};
    applying_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{applying_};
    const VatOutcome outcome = Evaluate(ask);
    if (carryOut)
        carryOut(outcome);
    return outcome;
}

VatOutcome VatField::Evaluate(const VatQuestion& ask) {
    VatOutcome outcome;
    if (!edited_) {
        outcome.run = RunStart::ReturnToPrice;
        return outcome;
    }

    edited_ = false;
    // 0 marks "no rate found yet"; it lives only in this local and never
    // replaces the factor in force.
    double found = 0;
    if (text_ == "10") {
        found = kDefaultVatFactor;
        rateKind_ = VatRateKind::Standard;
    }
    if (text_ == "20") {
        found = kHigherVatFactor;
        rateKind_ = VatRateKind::Higher;
    }
    if (found != 0) {
        factor_ = found;
        appliedText_ = text_;
        outcome.run = RunStart::ReturnToPrice;
        return outcome;
    }

    const std::optional<unsigned> rate = VatRateFromText(text_);
    if (!rate) {
        // Refused before anything is asked: the rate in force stays, and the
        // field shows it again.
        outcome.showNotNumeric = true;
        ShowApplied(outcome, appliedText_);
        return outcome;
    }

    outcome.question = VatQuestionText(text_);
    VatAnswer answer = VatAnswer::Closed;
    if (ask)
        answer = ask(*outcome.question);
    outcome.answer = answer;

    if (answer == VatAnswer::Yes) {
        rateKind_ = VatRateKind::Deviating;
        factor_ = VatFactorFromRate(*rate);
        appliedText_ = text_;
        outcome.run = RunStart::ReturnToPrice;
        return outcome;
    }

    // Declined: 10 % goes back into force, shown as such, and the results
    // follow it; the focus stays in the field.
    factor_ = kDefaultVatFactor;
    rateKind_ = VatRateKind::Standard;
    ShowApplied(outcome, "10");
    outcome.run = RunStart::KeepFocus;
    return outcome;
}

} // namespace fapkalk
