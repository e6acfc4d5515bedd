#include "pricing/price_text.h"

#include <algorithm>

namespace fapkalk {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsDecimalPoint(char c) {
    return c == '.' || c == ',';
}

// The length of the well-formed UTF-8 sequence text starts with (1 to 4), or
// 0 when it starts with none: a stray continuation byte, an overlong form, a
// surrogate, a code point beyond U+10FFFF, a cut sequence.
std::size_t Utf8Length(std::string_view text) {
    const auto byte = [&](std::size_t k) {
        return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u;
    };
    const auto follows = [&](std::size_t k, unsigned low = 0x80, unsigned high = 0xBF) {
        return byte(k) >= low && byte(k) <= high;
    };
    const unsigned first = byte(0);
    if (first < 0x80)
        return 1;
    if (first >= 0xC2 && first <= 0xDF)
        return follows(1) ? 2 : 0;
    if (first >= 0xE0 && first <= 0xEF)
        return follows(1, first == 0xE0 ? 0xA0 : 0x80, first == 0xED ? 0x9F : 0xBF) && follows(2)
                   ? 3
                   : 0;
    if (first >= 0xF0 && first <= 0xF4)
        return follows(1, first == 0xF0 ? 0x90 : 0x80, first == 0xF4 ? 0x8F : 0xBF) && follows(2) &&
                       follows(3)
                   ? 4
                   : 0;
    return 0;
}

void AppendEscapedByte(std::string& out, unsigned char byte) {
    constexpr char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
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

std::string_view FirstCharacter(std::string_view text) {
    return text.substr(0, std::max<std::size_t>(1, Utf8Length(text)));
}

std::string QuoteInput(std::string_view text, std::size_t fullSize, std::size_t limit,
                       std::string_view open, std::string_view close, bool cStyle) {
    std::string quoted(open);
    std::size_t at = 0;
    for (std::size_t shown = 0; at < text.size() && shown < limit; ++shown) {
        const std::string_view character = FirstCharacter(text.substr(at));
        at += character.size();
        const auto first = static_cast<unsigned char>(character[0]);
        // C0 controls, DEL, C1 controls (U+0080 to U+009F: a terminal may
        // take U+009B for an escape sequence) and bytes that are no UTF-8.
        const bool control = first < 0x20 || first == 0x7F ||
                             (first == 0xC2 && character.size() == 2 &&
                              static_cast<unsigned char>(character[1]) < 0xA0) ||
                             (first >= 0x80 && Utf8Length(character) == 0);
        if (control) {
            for (char c : character)
                AppendEscapedByte(quoted, static_cast<unsigned char>(c));
        } else {
            if (cStyle && (first == '\\' || first == '"'))
                quoted += '\\';
            quoted += character;
        }
    }
    quoted += close;
    if (at < std::max(fullSize, text.size()))
        quoted += "… (gekürzt, " + std::to_string(std::max(fullSize, text.size())) + " Bytes)";
    return quoted;
}

std::string PriceTextMessage(std::string_view field, std::string_view text,
                             PriceTextProblem problem) {
    // As many characters as fapkalk-cli quotes: a pasted page stays one line.
    constexpr std::size_t kShown = 60;
    std::string message(field);
    message += ": ";
    const std::string quoted = QuoteInput(text, text.size(), kShown, "„", "“", false);
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
