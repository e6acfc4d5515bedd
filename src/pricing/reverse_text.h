// The reverse calculation in words: how a target amount is read, and the one
// German line that answers it. fapkalk-cli reverse and the window's target
// price dialog both use these, so they say the same.
//
//   const TargetAmount amount = ReadTargetAmount("26,05");
//   if (amount.problem == TargetProblem::None) {
//       const ReverseResult r = ReverseSearch(options, vat).Find(ReverseTarget::Avp, amount.cents);
//       ReverseAnswerText(ReverseTarget::Avp, amount.cents, r, options.AepInput);
//       // "FAP 12.50 bis 12.52 ergibt AVP 26.05."
//   }
#pragma once

#include "pricing/engine.h"
#include "pricing/price_text.h"
#include "pricing/reverse.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fapkalk {

// "AEP", "KP", "AVP".
std::string_view TargetName(ReverseTarget target);
// The input price's name: "AEP" when the AEP is typed, otherwise "FAP".
std::string_view InputName(bool aepInput);

// Which target the name gives ("aep", "kp", "avp" in lower case); nullopt
// for any other text.
std::optional<ReverseTarget> TargetNamed(std::string_view name);

enum class TargetProblem {
    None,
    Empty,         // nothing but blanks
    NotANumber,    // no price by the program's rule (price_text.h)
    NotWholeCents, // a digit other than 0 after the second decimal
    Zero,          // 0.00: no price the program shows as a result
    TooLarge,      // 10000000.00 or more: beyond the price columns
};

// A target amount in whole cents, or why the text is none.
struct TargetAmount {
    std::int64_t cents = 0;
    TargetProblem problem = TargetProblem::None;
};

// Reads a target amount as every price is read (ReadPriceText), with the
// characters of code 32 or below around it trimmed; beyond that a target
// must be above 0 and fit the price columns.
TargetAmount ReadTargetAmount(std::string_view text);

// Why the amount is refused, in German (UTF-8); empty for None.
std::string TargetProblemText(TargetProblem problem);

// What the target price dialog says about a refused amount: a text that is
// no price in the words every price field uses, naming the field ("Betrag");
// otherwise TargetProblemText.
std::string TargetAmountMessage(std::string_view text, const TargetAmount& amount);

// The answer as one German sentence (UTF-8), for example
//   "FAP 12.50 bis 12.52 ergibt AVP 26.05."
//   "FAP 10.00 ergibt AVP 21.20."
//   "AVP 26.07 ist nicht erreichbar: FAP 12.52 ergibt AVP 26.05, FAP 12.53 ergibt AVP 26.10."
// and, where one of the nearest is missing, what the smallest or the largest
// input price gives.
std::string ReverseAnswerText(ReverseTarget target, std::int64_t targetCents,
                              const ReverseResult& result, bool aepInput);

// The input price the answer offers to take over: the lowest one that gives
// the target, or else the lower of the two nearest (the one below when there
// is one, so the result stays under the target). nullopt when the answer
// names no input price.
std::optional<std::int64_t> OfferedInputCents(const ReverseResult& result);

// The switches and the VAT rate an answer holds for, in the captions of the
// main window: "Standardberechnung, USt. 10 %", "Homöop. Arzneispez.,
// Suchtgift, USt. 20 %", "Standardberechnung, (*) nicht kassenzulässig,
// USt. 10 %". The input kind is not among them: the answer names it.
std::string ReverseSettingsText(const CalcOptions& options, double vatFactor);

} // namespace fapkalk
