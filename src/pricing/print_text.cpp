#include "pricing/print_text.h"

#include "pricing/cent_path.h"
#include "pricing/text_rules.h"

#include <algorithm>
#include <charconv>

namespace fapkalk {

namespace {

// "Suchtgift, Veterinaria": the export's markers without their padding.
std::string SwitchWords(const CalcOptions& o) {
    std::string words;
    const auto add = [&words](std::string_view marker) {
        if (!words.empty())
            words += ", ";
        words += TrimLowCodes(marker);
    };
    if (o.Narcotic)
        add(kMarkerNarcoticText);
    if (o.Veterinary)
        add(kMarkerVeterinaryText);
    if (o.NotReimbursable)
        add(kMarkerNotReimbursableText);
    return words.empty() ? std::string("keine") : words;
}

std::string VatWords(double vatFactor) {
    const int rate = detail::WholeVatRate(vatFactor);
    if (rate >= 0)
        return "USt-Satz: " + std::to_string(rate) + " %";
    char factor[32];
    const auto written = std::to_chars(factor, factor + sizeof factor, vatFactor);
    return "USt-Faktor: " + std::string(factor, written.ptr);
}

} // namespace

std::vector<std::string> PrintCriteriaLines(const ExportCriteria& c, bool single) {
    std::vector<std::string> lines;
    std::string prices = "Basis: ";
    prices += c.options.AepInput ? "AEP" : "FAP";
    if (single) {
        prices += "   Preis: ";
        prices += TrimLowCodes(c.von);
    } else if (!c.input.empty()) {
        prices += "   Eingabe: ";
        prices += c.input;
    } else {
        prices += "   von: ";
        prices += TrimLowCodes(c.von);
        prices += "   bis: ";
        prices += TrimLowCodes(c.bis);
        prices += "   Staffel: ";
        prices += TrimLowCodes(c.staffel);
    }
    lines.push_back(std::move(prices));
    lines.push_back("Kalkulationsmodus: " +
                    std::string(c.options.Homeopathic ? kModeHomeopathicText : kModeStandardText));
    lines.push_back("Kennzeichen: " + SwitchWords(c.options));
    lines.push_back(VatWords(c.vatFactor));
    lines.push_back("Tarif: " + std::string(kTariffName));
    lines.push_back("Erstellt: " + std::string(c.created));
    return lines;
}

std::string PageNumberText(std::uint64_t page, std::uint64_t pages) {
    return "Seite " + std::to_string(page) + " von " + std::to_string(pages);
}

std::uint64_t PageCount(std::uint64_t rows, PageSplit split) {
    if (rows <= split.firstPageRows)
        return 1;
    const std::uint64_t rest = rows - split.firstPageRows;
    return 1 + rest / split.rowsPerPage + (rest % split.rowsPerPage != 0 ? 1 : 0);
}

PageRows RowsOfPage(std::uint64_t rows, PageSplit split, std::uint64_t page) {
    const std::uint64_t first =
        page == 0 ? 0 : split.firstPageRows + (page - 1) * split.rowsPerPage;
    if (first >= rows)
        return {rows, 0};
    const std::uint64_t room = page == 0 ? split.firstPageRows : split.rowsPerPage;
    return {first, std::min(room, rows - first)};
}

} // namespace fapkalk
