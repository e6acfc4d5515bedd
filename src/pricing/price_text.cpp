#include "pricing/price_text.h"

#include "pricing/message_text.h"
#include "pricing/text_rules.h"

#include <algorithm>

namespace fapkalk {

namespace {

bool IsDecimalPoint(char c) {
    return c == '.' || c == ',';
}

} // namespace

PriceText ReadPriceText(std::string_view text) {
    if (text.empty())
        return {0, PriceTextProblem::Empty};
    std::size_t i = 0;
    std::size_t digits = 0;
    std::int64_t euros = 0;
    bool tooLarge = false;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++digits) {
        // Kept below the limit, so the sum never overflows however many
        // digits there are.
        if (!tooLarge)
            euros = euros * 10 + (text[i] - '0');
        tooLarge = tooLarge || euros >= kPriceTextLimitCents / 100;
    }
    std::int64_t cents = 0;
    bool beyondCents = false;
    if (i < text.size() && IsDecimalPoint(text[i])) {
        const std::size_t first = ++i;
        for (; i < text.size() && IsDigit(text[i]); ++i, ++digits) {
            const int digit = text[i] - '0';
            if (i == first)
                cents += 10 * digit;
            else if (i == first + 1)
                cents += digit;
            else if (digit != 0)
                beyondCents = true;
        }
    }
    if (i != text.size())
        return {0, PriceTextProblem::NotAPrice, i};
    if (digits == 0)
        return {0, PriceTextProblem::NotAPrice, text.size()};
    if (beyondCents)
        return {0, PriceTextProblem::TooManyDecimals};
    if (tooLarge)
        return {0, PriceTextProblem::TooLarge};
    return {euros * 100 + cents, PriceTextProblem::None};
}

std::size_t DecimalDigits(std::string_view text) {
    const std::size_t point = text.find_first_of(".,");
    if (point == std::string_view::npos)
        return 0;
    return static_cast<std::size_t>(
        std::count_if(text.begin() + static_cast<std::ptrdiff_t>(point) + 1, text.end(), IsDigit));
}

std::string PriceTextMessage(std::string_view field, std::string_view text,
                             PriceTextProblem problem) {
    // As many characters as fapkalk-cli quotes: a pasted page stays one line.
    constexpr std::size_t kShown = 60;
    std::string message(field);
    message += ": ";
    std::string quoted = "„";
    const bool cut = AppendEscaped(quoted, text, kShown, false) < text.size();
    quoted += "“";
    if (cut)
        quoted += "… (gekürzt, " + std::to_string(text.size()) + " Bytes)";
    switch (problem) {
    case PriceTextProblem::None:
        return {};
    case PriceTextProblem::Empty:
        return message + "Bitte einen Preis eingeben.";
    case PriceTextProblem::NotAPrice:
        return message + quoted +
               " ist kein Preis (Ziffern mit höchstens einem Dezimalpunkt oder -komma, ohne "
               "Vorzeichen).";
    case PriceTextProblem::TooManyDecimals:
        return message + quoted +
               " hat mehr als zwei Nachkommastellen. Preise werden in ganzen Cent eingegeben.";
    case PriceTextProblem::TooLarge:
        break;
    }
    return message + quoted + " ist zu groß für einen Preis.";
}

std::string AmountText(std::int64_t cents) {
    std::string text = std::to_string(cents / 100);
    text += '.';
    text += static_cast<char>('0' + cents % 100 / 10);
    text += static_cast<char>('0' + cents % 10);
    return text;
}

} // namespace fapkalk
