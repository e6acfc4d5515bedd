// The VAT field as plain logic: its text, the kind of rate in force (which the
// window shows as the field's background), whether it was changed since it was
// last applied (VatEdited) and the VAT factor in force.
//
// The factor in force is always a usable one, and the field shows it whenever
// it is not being edited. A text that is not a whole number is refused before
// any question ("USt. muß numerisch sein!"): the field shows the rate in force
// again. Declining the question for another rate puts 10 % in force, shown as
// "10", and computes the results again.
//
// The main window owns one VatField and hands it every event of the field:
// each text change (typed or set by the program), the field losing the focus,
// and the keys typed into it. The window answers the question through the
// message-box seam and carries out each outcome (text, colour, message, focus,
// run) in the carry-out function it passes; everything else is decided here.
#pragma once

#include "pricing/options/option_types.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace fapkalk {

// The rate in force: the standard 10 %, the higher 20 %, or another rate the
// user confirmed.
enum class VatRateKind { Standard, Higher, Deviating };

// The user's answer to the confirmation box; Closed: the box was closed
// without a button (Escape, title-bar button), which counts as No.
enum class VatAnswer { Yes, No, Closed };
using VatQuestion = std::function<VatAnswer(const std::string& question)>;

inline constexpr const char* kVatNotNumericText = "USt. muß numerisch sein!";

// "Möchten Sie die Berechung mit abweichender USt. (<text>) durchführen?"
std::string VatQuestionText(std::string_view fieldText);

// What the window has to carry out after an event of the field, in this
// order: the text, the background, the message, the focus, the run.
struct VatOutcome {
    RunStart run = RunStart::None;       // None, KeepFocus or ReturnToPrice
    std::optional<std::string> setText;  // the program puts this text into the field
    bool showNotNumeric = false;         // message box kVatNotNumericText
    bool selectAllAndFocus = false;      // select the whole text, focus the field
    std::optional<std::string> question; // the question that was asked, if any
    std::optional<VatAnswer> answer;     // and its answer
};
using VatCarryOut = std::function<void(const VatOutcome& outcome)>;

class VatField {
public:
    // Start state: "10", the standard rate, factor 1.1, not edited.
    VatField();

    const std::string& Text() const { return text_; }
    VatRateKind RateKind() const { return rateKind_; }
    bool Edited() const { return edited_; }
    double Factor() const { return factor_; }

    // The text changed, typed or set by the program. The text an
    // application itself puts into the field (VatOutcome::setText) is no edit.
    void TextChanged(std::string_view newText);
    // The field lost the focus. While a calculation run is under
    // way, the field is left by the run's own focus moves and by the clicks
    // the run processes (Abbruch among them); an unchanged field then asks for
    // nothing, because the run computes with the factor in force already and
    // a new one would repeat its messages and undo an Abbruch.
    VatOutcome FocusLost(const VatQuestion& ask, bool runUnderWay = false,
                         const VatCarryOut& carryOut = {});
    // Enter applies the field; every other key does nothing here.
    VatOutcome KeyPress(char32_t key, const VatQuestion& ask, const VatCarryOut& carryOut = {});
    // Evaluates the field and hands the outcome to carryOut. An empty ask
    // counts as a closed box. While an application asks its question or is
    // being carried out, a further one (from the events the modal box, the
    // refocusing or the run cause) does nothing.
    VatOutcome ApplyVatRate(const VatQuestion& ask, const VatCarryOut& carryOut = {});

private:
    VatOutcome Evaluate(const VatQuestion& ask);
    // The program puts text into the field as the rate in force: no edit.
    void ShowApplied(VatOutcome& outcome, std::string text);

    std::string text_ = "10";
    std::string appliedText_ = "10"; // the text of the rate in force
    VatRateKind rateKind_ = VatRateKind::Standard;
    bool edited_ = false;
    double factor_;
    bool applying_ = false;
};

// The VAT field holds this many characters; fapkalk-cli's --vat takes as many.
inline constexpr std::size_t kVatRateDigits = 2;

// The rate a confirmed digits-only text stands for, read as a decimal integer
// ("05" is 5). nullopt for an empty text, any character other than 0 to 9, or a
// rate too large to be a percentage the engine can take.
std::optional<unsigned> VatRateFromText(std::string_view text);

} // namespace fapkalk
