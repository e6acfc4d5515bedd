// The VAT field edUST as plain logic: its text, its background, whether it was
// changed since it was last applied (VatEdited) and the VAT factor in force.
//
// The factor in force is always a usable one. A text the user confirms but that
// is not a whole number ("USt. muß numerisch sein!") leaves the last valid factor
// and background in force until the field is changed and applied again, so no
// run in between computes a retail price with a factor of 0.
//
// Wiring in TForm1 (one VatField member, here called Vat; the window's VatFactor
// and VatEdited mirror Vat.Factor() and Vat.Edited() after every event):
//
//   edUST->setMaxLength(2); edUST->setText("10");   // before connecting: the start
//                                                   // state is "not edited"
//   connect(edUST, &QLineEdit::textChanged, ...) -> edUSTChange:
//       Vat.TextChanged(edUST->text().toStdString());
//     (textChanged, not textEdited: a text the program sets counts as a change.)
//   edUSTExit (focus out, not for a focus lost to a popup or another window):
//       CarryOut(Vat.Exit(Ask));
//   edUSTKeyPress(key):
//       CarryOut(Vat.KeyPress(key, Ask));   // the key still goes on to the field
//   where
//     VatAnswer Ask(const std::string& question) {
//         switch (tools::AskConfirmation(this, QString::fromStdString(question))) {
//         case tools::MessageAnswer::Yes: return VatAnswer::Yes;
//         case tools::MessageAnswer::No: return VatAnswer::No;
//         default: return VatAnswer::Closed;
//         }
//     }
//     void CarryOut(const VatOutcome& o) {   // in exactly this order
//         if (o.setText) edUST->setText(QString::fromStdString(*o.setText));
//         set edUST's background to Vat.Background(); VatFactor = Vat.Factor();
//         VatEdited = Vat.Edited();
//         if (o.showNotNumeric) tools::ShowMessage(this, QString::fromUtf8(kVatNotNumericText));
//         if (o.selectAllAndFocus) { edUST->selectAll(); edUST->setFocus(); }
//         if (o.run == RunStart::BerechnenClick) btBerechnenClick();
//     }
//
// setText re-enters edUSTChange with "10"; the field already holds that text and
// VatEdited stays true, so the echo is harmless.
#pragma once

#include "pricing/options/option_types.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace fapkalk {

enum class VatBackground { Lime, Yellow, Red };
Rgb ToRgb(VatBackground background);

// The user's answer to the confirmation box; Closed: the box was closed
// without a button (Escape, title-bar button), which counts as No.
enum class VatAnswer { Yes, No, Closed };
using VatQuestion = std::function<VatAnswer(const std::string& question)>;

inline constexpr const char* kVatNotNumericText = "USt. muß numerisch sein!";

// "Möchten Sie die Berechung mit abweichender USt. (<text>) durchführen?"
std::string VatQuestionText(std::string_view fieldText);

// What the window has to carry out after an event of the field.
struct VatOutcome {
    RunStart run = RunStart::None;       // None or BerechnenClick
    std::optional<std::string> setText;  // the program puts this text into the field
    bool showNotNumeric = false;         // message box kVatNotNumericText
    bool selectAllAndFocus = false;      // select the whole text, focus the field
    std::optional<std::string> question; // the question that was asked, if any
    std::optional<VatAnswer> answer;     // and its answer
};

class VatField {
public:
    // Start state: "10" on lime, factor 1.1, not edited.
    VatField();

    const std::string& Text() const { return text_; }
    VatBackground Background() const { return background_; }
    bool Edited() const { return edited_; }
    double Factor() const { return factor_; }

    // edUSTChange: the text changed, typed or set by the program.
    void TextChanged(std::string_view newText);
    // edUSTExit: the field lost the focus.
    VatOutcome Exit(const VatQuestion& ask);
    // edUSTKeyPress: Enter applies the field; every other key does nothing here.
    VatOutcome KeyPress(char32_t key, const VatQuestion& ask);
    // Evaluates the field. An empty ask counts as a closed box. A call while a
    // question of this field is still open (a nested event during the modal
    // box) does nothing.
    VatOutcome ApplyVatRate(const VatQuestion& ask);

private:
    std::string text_ = "10";
    VatBackground background_ = VatBackground::Lime;
    bool edited_ = false;
    double factor_;
    bool asking_ = false;
};

// The rate a confirmed digits-only text stands for, read as a decimal integer
// ("05" is 5). nullopt for an empty text, any character other than 0 to 9, or a
// rate too large to be a percentage the engine can take.
std::optional<unsigned> VatRateFromText(std::string_view text);

} // namespace fapkalk
