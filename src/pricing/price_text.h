// How the program reads a price that someone typed, pasted or gave on the
// command line: exactly as written, in whole cents, or why the text is none.
// The window's fields, the target price and every number of fapkalk-cli are
// read here, so all of them take and refuse the same texts.
//
//   const PriceText read = ReadPriceText("12,50");   // cents 1250
//   ReadPriceText("12.505").problem;                 // TooManyDecimals
//   PriceTextMessage("Von", "12.505", read.problem); // the window's message
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fapkalk {

enum class PriceTextProblem {
    None,
    Empty,           // nothing to read
    NotAPrice,       // anything but digits with at most one "." or "," as decimal point
    TooManyDecimals, // a digit other than 0 after the second decimal
    TooLarge,        // kPriceTextLimitCents or more
};

// Nothing from 10,000,000,000,000.00 on is read as a price. Below it every
// amount is exact in cents and as a double, and a sum of two such amounts
// stays far inside 64 bits. (Every amount from 10,000,000.00 on is refused
// later anyway, naming the column it does not fit.)
inline constexpr std::int64_t kPriceTextLimitCents = 1'000'000'000'000'000;

struct PriceText {
    std::int64_t cents = 0;
    PriceTextProblem problem = PriceTextProblem::None;
    // NotAPrice: the first character that breaks the rule, or the text's
    // size when the text has no digit at all.
    std::size_t badAt = 0;
};

// Reads the text as it stands (callers trim it first): digits, optionally
// one "." or "," as decimal point ("12.", ".5" and "12,5" are prices), at
// least one digit; no sign, no exponent, no grouping, no blank inside.
// Decimals after the second must be zeros ("26.050" is 26.05).
PriceText ReadPriceText(std::string_view text);

// How many digits follow the text's decimal point ("." or ","); 0 without one.
std::size_t DecimalDigits(std::string_view text);

// Why the text of a field is no price, naming the field as the user sees it,
// in German (UTF-8), for example
//   Von: „12.505“ hat mehr als zwei Nachkommastellen. Preise werden in ganzen Cent eingegeben.
//   Bis: „12x5“ ist kein Preis (Ziffern mit höchstens einem Dezimalpunkt oder -komma, ohne
//   Vorzeichen).
// Empty for None.
std::string PriceTextMessage(std::string_view field, std::string_view text,
                             PriceTextProblem problem);

// A price of 0 cents or more as a field holds it: "12.50", "0.05", "1234567.00".
std::string AmountText(std::int64_t cents);

} // namespace fapkalk
