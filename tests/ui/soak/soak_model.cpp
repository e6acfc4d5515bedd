#include "soak_model.h"

#include "pricing/numbers.h"
#include "pricing/price_rows.h"
#include "pricing/range_step.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace soak {

using fapkalk::CalcOptions;
using fapkalk::FormatPrice;
using fapkalk::ParsePrice;
using fapkalk::PriceResult;

// ----------------------------------------------------------------- actions

const std::vector<ActionWeight>& ActionTable() {
    // Typing and switching dominate, as in real use; the slow actions (long
    // runs, dialogs, re-creating the window) come now and then.
    static const std::vector<ActionWeight> table = {
        {ActionKind::TypeBase, "type Von/price", 18},
        {ActionKind::TypeBis, "type Bis", 10},
        {ActionKind::TypeStep, "type Staffel", 8},
        {ActionKind::ClearField, "clear and retype a field", 8},
        {ActionKind::TypeVat, "type VAT", 8},
        {ActionKind::ClickNarcotic, "click Suchtgift", 5},
        {ActionKind::ClickVet, "click Veterinaer", 5},
        {ActionKind::ClickStern, "click nicht kassenzulaessig", 5},
        {ActionKind::ClickMode, "click calculation mode", 4},
        {ActionKind::KeyMode, "arrow key on calculation mode", 2},
        {ActionKind::ClickFapAep, "click FAP/AEP", 4},
        {ActionKind::ToggleMode, "click Erweitert/Normal", 5},
        {ActionKind::Berechnen, "click Berechnen", 8},
        {ActionKind::SmallRange, "small range", 6},
        {ActionKind::AbortedRange, "long range with Abbruch", 1},
        {ActionKind::SwitchInRun, "switch clicked during a long range", 1},
        {ActionKind::Detail, "detail window", 2},
        {ActionKind::Export, "export", 2},
        {ActionKind::Placement, "placement saved and restored", 1},
    };
    return table;
}

const char* ActionName(ActionKind kind) {
    for (const ActionWeight& entry : ActionTable())
        if (entry.kind == kind)
            return entry.name;
    return "?";
}

ActionKind Generator::NextAction() {
    int total = 0;
    for (const ActionWeight& entry : ActionTable())
        total += entry.weight;
    int pick = Uniform(0, total - 1);
    for (const ActionWeight& entry : ActionTable()) {
        if (pick < entry.weight)
            return entry.kind;
        pick -= entry.weight;
    }
    return ActionTable().front().kind;
}

int Generator::Uniform(int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng_);
}

bool Generator::Chance(int percent) {
    return Uniform(0, 99) < percent;
}

char32_t Generator::PriceKey() {
    const int pick = Uniform(0, 99);
    if (pick < 58)
        return char32_t(U'0' + Uniform(0, 9));
    if (pick < 64)
        return U',';
    if (pick < 70)
        return U'.';
    if (pick < 84)
        return 8; // Backspace
    if (pick < 90)
        return 13; // Enter
    if (pick < 95)
        return char32_t(U'a' + Uniform(0, 25));
    if (pick < 97)
        return U' ';
    if (pick < 99)
        return U'-';
    return U'ä';
}

char32_t Generator::VatKey() {
    const int pick = Uniform(0, 99);
    if (pick < 70)
        return char32_t(U'0' + Uniform(0, 9));
    if (pick < 85)
        return 8;
    if (pick < 92)
        return char32_t(U'a' + Uniform(0, 25));
    if (pick < 96)
        return U' ';
    return U',';
}

std::string Generator::ShortPrice(double low, double high) {
    const int cents = Uniform(int(std::lround(low * 100)), int(std::lround(high * 100)));
    std::string text = std::to_string(cents / 100);
    const int rest = cents % 100;
    if (rest != 0 || Chance(30)) {
        text += Chance(50) ? ',' : '.';
        text += char('0' + rest / 10);
        if (rest % 10 != 0)
            text += char('0' + rest % 10);
    }
    return text;
}

// ------------------------------------------------------------ text checks

bool IsPriceText(const std::string& text) {
    double value = 0;
    try {
        value = ParsePrice(text);
        return FormatPrice(value) == text;
    } catch (const std::exception&) {
        return false;
    }
}

bool IsFiveCentText(const std::string& text) {
    // Blanks, an optional minus, digits, a point and exactly two digits.
    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos)
        return false;
    if (text[i] == '-')
        ++i;
    const std::size_t point = text.find('.', i);
    if (point == std::string::npos || point == i || point + 3 != text.size())
        return false;
    for (std::size_t k = i; k < text.size(); ++k)
        if (k != point && (text[k] < '0' || text[k] > '9'))
            return false;
    return text.back() == '0' || text.back() == '5';
}

bool ShowsCents(const std::string& text) {
    return text.size() >= 3 && text[text.size() - 3] == '.';
}

bool FiveCentRuleApplies(const std::string& text) {
    return ShowsCents(text) && text.find('-') == std::string::npos;
}

bool IsReachableVatFactor(double factor) {
    if (factor == fapkalk::kDefaultVatFactor)
        return true;
    for (unsigned n = 0; n <= 99; ++n)
        if (factor == fapkalk::VatFactorFromRate(n))
            return true;
    return false;
}

// ---------------------------------------------------------------- the model

namespace {

std::string Trimmed(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32)
        --end;
    return text.substr(begin, end - begin);
}

bool DigitsOnly(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// 1 + n/100 formed in extended precision and stored as a double.
double RateFactor(unsigned n) {
    return static_cast<double>(1.0L + static_cast<long double>(n) / 100.0L);
}

} // namespace

std::vector<GridRow> RangeRows(double von, double bis, double step, const CalcOptions& options,
                               double vatFactor, int limit, std::vector<std::string>& refusals,
                               std::string& error) {
    std::vector<GridRow> rows;
    // The running sum, never von + row * step: that is what the window shows.
    for (double price = von; !(price > bis) && int(rows.size()) <= limit; price += step) {
        PriceResult result;
        try {
            result = fapkalk::CalcPrices(price, options, vatFactor);
            // An amount too large for its cell ends the run as an error does.
            (void)fapkalk::CellsOf(price, result, options);
        } catch (const std::exception& failure) {
            error = failure.what();
            break;
        }
        if (result.refusal)
            refusals.emplace_back(result.refusal);
        rows.push_back({options.AepInput ? kRowAepPlaceholder : FormatPrice(price),
                        FormatPrice(result.aep), FormatPrice(result.kp), FormatPrice(result.avp)});
    }
    return rows;
}

void Model::Run(const RunInputs& inputs, Expectation& out) {
    double von = 0, bis = 0, step = 0;
    try {
        von = ParsePrice(Trimmed(inputs.base));
        if (von == 0)
            von = ParsePrice(Trimmed(options.AepInput ? lbAEP : lbFAP));
        bis = ParsePrice(inputs.bis);
        step = ParsePrice(inputs.step);
    } catch (const std::exception& failure) {
        out.messages.emplace_back(failure.what());
        return;
    }
    if (rangeMode)
        RunRange(von, bis, step, out);
    else
        RunSingle(von, out);
}

void Model::RunSingle(double von, Expectation& out) {
    PriceResult result;
    try {
        result = fapkalk::CalcPrices(von, options, vatFactor);
        (void)fapkalk::CellsOf(von, result, options);
    } catch (const std::exception& failure) {
        out.messages.emplace_back(failure.what()); // the labels keep their texts
        return;
    }
    if (result.refusal)
        out.messages.emplace_back(result.refusal);
    lbFAP = options.AepInput ? kLabelAepPlaceholder : FormatPrice(von);
    lbAEP = FormatPrice(result.aep);
    lbKP = FormatPrice(result.kp);
    lbAVP = FormatPrice(result.avp);
}

void Model::RunRange(double von, double bis, double step, Expectation& out) {
    if (von > bis) {
        out.messages.emplace_back(
            "Von-FAP darf nicht größer als Bis-FAP sein bzw. Felder dürfen nicht leer sein!");
        out.focusBase = true;
        return;
    }
    if (von == 0 || bis == 0 || step == 0) {
        out.messages.emplace_back("Felder dürfen nicht leer sein!");
        return;
    }
    if (!fapkalk::RangeStepAdvances(von, bis, step)) {
        out.messages.emplace_back("Die Staffel muß größer als 0 sein und den Preis weiterzählen!");
        return;
    }
    std::vector<std::string> refusals;
    std::string error;
    std::vector<GridRow> rows =
        RangeRows(von, bis, step, options, vatFactor, maxRangeRows_, refusals, error);
    const bool limited = int(rows.size()) > maxRangeRows_;
    if (limited)
        rows.resize(std::size_t(maxRangeRows_));
    out.messages.insert(out.messages.end(), refusals.begin(), refusals.end());
    if (!error.empty())
        out.messages.push_back(error);
    if (limited)
        out.messages.push_back("Die Tabelle ist auf " + std::to_string(maxRangeRows_) +
                               " Zeilen begrenzt; die Berechnung wurde dort beendet.");
    if (rows.empty())
        rows.push_back(GridRow{}); // an error at the first price: one empty row
    grid = std::move(rows);
    prefixAllowed = false;
    ++gridVersion;
    char text[200];
    std::snprintf(text, sizeof text,
                  "von %.17g bis %.17g step %.17g vat %.17g aep %d hom %d sg %d vet %d stern %d",
                  von, bis, step, vatFactor, options.AepInput, options.Homeopathic,
                  options.Narcotic, options.Veterinary, options.NotReimbursable);
    lastRangeRun = text;
}

void Model::ClickNarcotic() {
    options.Narcotic = !options.Narcotic;
}

void Model::ClickVet() {
    options.Veterinary = !options.Veterinary;
    options.NotReimbursable = false;
}

void Model::ClickStern() {
    options.NotReimbursable = !options.NotReimbursable;
    options.Veterinary = false;
}

void Model::SelectMode(int index) {
    options.Homeopathic = index == 1;
    sternEnabled = !options.Homeopathic;
    if (options.Homeopathic) {
        options.Narcotic = false;
        options.Veterinary = false;
        options.NotReimbursable = false;
    }
}

void Model::ClickFapAep() {
    options.AepInput = !options.AepInput;
}

void Model::VatTextChanged(const std::string& text) {
    vatText = text;
    vatEdited = true;
}

bool Model::VatWouldAsk() const {
    return vatEdited && vatText != "10" && vatText != "20";
}

bool Model::ApplyVat(std::optional<Answer> answer, Expectation& out) {
    if (!vatEdited)
        return true;
    vatEdited = false;
    if (vatText == "10" || vatText == "20") {
        const bool ten = vatText == "10";
        vatFactor = ten ? 1.1 : 1.2; // the doubles nearest to them
        vatColour = ten ? VatColour::Lime : VatColour::Yellow;
        return true;
    }
    out.messages.push_back("Möchten Sie die Berechung mit abweichender USt. (" + vatText +
                           ") durchführen?");
    if (answer == Answer::Yes) {
        if (DigitsOnly(vatText)) {
            vatColour = VatColour::Red;
            vatFactor = RateFactor(unsigned(std::stoul(vatText)));
            return true;
        }
        // Refused: the factor in force stays (never the marker 0).
        out.messages.emplace_back("USt. muß numerisch sein!");
        out.focusVat = true;
        return false;
    }
    vatText = "10";
    vatEdited = true;
    vatFactor = 1.1;
    out.focusVat = true;
    return false;
}

} // namespace soak
