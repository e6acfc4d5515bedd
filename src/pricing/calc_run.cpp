#include "pricing/calc_run.h"

#include "pricing/numbers.h"
#include "pricing/price_rows.h"
#include "pricing/text_rules.h"

namespace fapkalk {

RangeCheck CheckRange(std::int64_t von, std::int64_t bis, std::int64_t step) {
    if (von > bis)
        return RangeCheck::VonAboveBis;
    // No price is negative, so a step that is not 0 moves every range on.
    if (von == 0 || bis == 0 || step == 0)
        return RangeCheck::EmptyField;
    return RangeCheck::Ok;
}

std::string_view RangeCheckText(RangeCheck check) {
    switch (check) {
    case RangeCheck::Ok:
        break;
    case RangeCheck::VonAboveBis:
        return "Von-FAP darf nicht größer als Bis-FAP sein bzw. Felder dürfen nicht leer sein!";
    case RangeCheck::EmptyField:
        return "Felder dürfen nicht leer sein!";
    }
    return {};
}

std::string_view PriceFieldName(PriceField field, bool rangeMode, bool aepInput) {
    switch (field) {
    case PriceField::Base:
        break;
    case PriceField::Bis:
        return "Bis";
    case PriceField::Staffel:
        return "Staffel";
    }
    if (rangeMode)
        return "Von";
    return aepInput ? "Einkaufspreis" : "Fabriksabgabepreis";
}

RunInput ReadRunInput(const RunTexts& texts) {
    RunInput input;
    // An empty field reads as 0; any other text must be a price.
    const auto read = [&input](PriceField field, std::string_view text, std::int64_t& cents) {
        const std::string_view trimmed = TrimLowCodes(text);
        const PriceText price = ReadPriceText(trimmed);
        if (price.problem == PriceTextProblem::None || price.problem == PriceTextProblem::Empty) {
            cents = price.cents;
            return true;
        }
        input.refused = field;
        input.problem = price.problem;
        input.refusedText = trimmed;
        return false;
    };
    if (!read(PriceField::Base, texts.base, input.von))
        return input;
    if (input.von == 0)
        input.von = ReadPriceText(TrimLowCodes(texts.shownPrice)).cents;
    if (texts.rangeMode && read(PriceField::Bis, texts.bis, input.bis))
        read(PriceField::Staffel, texts.staffel, input.step);
    return input;
}

std::string TableEndText(TableEnd end, bool aepInput, std::int64_t lastCents) {
    std::string text = "Die Tabelle endet ";
    switch (end) {
    case TableEnd::Complete:
        return {};
    case TableEnd::Aborted:
        text += "nach Abbruch";
        break;
    case TableEnd::RowLimit:
        text += "an der Zeilengrenze";
        break;
    case TableEnd::Failed:
        text += "nach einem Fehler";
        break;
    }
    text += aepInput ? " bei AEP " : " bei FAP ";
    return text + AmountText(lastCents) + ".";
}

std::string RowLimitText(int maxRows) {
    return "Die Tabelle ist auf " + std::to_string(maxRows) +
           " Zeilen begrenzt; die Berechnung wurde dort beendet.";
}

std::string FapLabelText(double price, const CalcOptions& options) {
    return ShowsFapPlaceholder(options) ? std::string(kAepPlaceholderLabel) : FormatPrice(price);
}

} // namespace fapkalk
