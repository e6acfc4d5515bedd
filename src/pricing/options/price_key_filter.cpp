#include "pricing/options/price_key_filter.h"

#include "pricing/export_lines.h"
#include "pricing/text_rules.h"

namespace fapkalk {

namespace {

bool HoldsPoint(std::string_view text) {
    return text.find_first_of(".,") != std::string_view::npos;
}

} // namespace

bool FilterPriceKey(std::string_view before, std::string_view after, char32_t& key) {
    if (key == U',')
        key = U'.';
    if (key == U'.' && (HoldsPoint(before) || HoldsPoint(after)))
        key = kBackspaceKey;
    if (key >= U'0' && key <= U'9') {
        std::string made(before);
        made += static_cast<char>(key);
        made += after;
        return DecimalDigits(made) <= 2;
    }
    return true;
}

PastedPrice PastePrice(std::string_view before, std::string_view after, std::string_view pasted) {
    PastedPrice result;
    const std::string_view trimmed = TrimLowCodes(pasted);
    if (const PriceText read = ReadPriceText(trimmed); read.problem != PriceTextProblem::None) {
        result.problem = read.problem;
        result.judged = trimmed;
        return result;
    }
    const std::string insert = ReplaceChar(trimmed, ',', '.');
    std::string made(before);
    made += insert;
    made += after;
    if (const PriceText read = ReadPriceText(made); read.problem != PriceTextProblem::None) {
        result.problem = read.problem;
        result.judged = made;
        return result;
    }
    result.insert = insert;
    return result;
}

} // namespace fapkalk
