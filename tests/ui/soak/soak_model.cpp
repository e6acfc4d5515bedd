#include "soak_model.h"

#include "pricing/numbers.h"
#include "pricing/price_rows.h"
#include "pricing/price_text.h"

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

FieldRead ReadField(const std::string& text) {
    using fapkalk::PriceTextProblem;
    FieldRead read;
    read.trimmed = Trimmed(text);
    const std::string& t = read.trimmed;
    if (t.empty()) {
        read.problem = PriceTextProblem::Empty;
        return read;
    }
    const std::size_t point = t.find_first_of(".,");
    const std::string whole = t.substr(0, point);
    const std::string decimals = point == std::string::npos ? std::string() : t.substr(point + 1);
    const auto digits = [](const std::string& part) {
        return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(whole) || !digits(decimals) || whole.size() + decimals.size() == 0) {
        read.problem = PriceTextProblem::NotAPrice;
        return read;
    }
    if (decimals.size() > 2 && decimals.find_first_not_of('0', 2) != std::string::npos) {
        read.problem = PriceTextProblem::TooManyDecimals;
        return read;
    }
    const std::size_t significant = whole.find_first_not_of('0');
    if (significant != std::string::npos && whole.size() - significant > 13) {
        read.problem = PriceTextProblem::TooLarge;
        return read;
    }
    const std::string cents = (decimals + "00").substr(0, 2);
    read.cents = (whole.empty() ? 0 : std::stoll(whole)) * 100 + std::stoll(cents);
    return read;
}

std::vector<GridRow> RangeRows(std::int64_t von, std::int64_t bis, std::int64_t step,
                               const CalcOptions& options, double vatFactor, int limit,
                               std::vector<std::string>& refusals, std::string& error) {
    std::vector<GridRow> rows;
    for (std::int64_t cents = von; cents <= bis && int(rows.size()) <= limit; cents += step) {
        const double price = static_cast<double>(cents) / 100.0;
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

void Model::ShowNoResults() {
    lbFAP = lbAEP = lbKP = lbAVP = kLabelStart;
}

void Model::Run(const RunInputs& inputs, Expectation& out) {
    using fapkalk::PriceTextProblem;
    const std::string* texts[] = {&inputs.base, &inputs.bis, &inputs.step};
    std::int64_t cents[3] = {0, 0, 0};
    for (int field = 0; field < (rangeMode ? 3 : 1); ++field) {
        const FieldRead read = ReadField(*texts[field]);
        if (read.problem != PriceTextProblem::None && read.problem != PriceTextProblem::Empty) {
            if (!rangeMode)
                ShowNoResults();
            out.messages.push_back(fapkalk::PriceTextMessage(
                fapkalk::PriceFieldName(fapkalk::PriceField(field), rangeMode, options.AepInput),
                read.trimmed, read.problem));
            out.focusRefused = field;
            return;
        }
        cents[field] = read.cents;
        if (field == 0 && cents[0] == 0)
            cents[0] = ReadField(options.AepInput ? lbAEP : lbFAP).cents;
    }
    if (rangeMode)
        RunRange(cents[0], cents[1], cents[2], out);
    else
        RunSingle(cents[0], out);
}

void Model::RunSingle(std::int64_t cents, Expectation& out) {
    const double von = static_cast<double>(cents) / 100.0;
    PriceResult result;
    try {
        result = fapkalk::CalcPrices(von, options, vatFactor);
        (void)fapkalk::CellsOf(von, result, options);
    } catch (const std::exception& failure) {
        ShowNoResults();
        out.messages.emplace_back(failure.what());
        return;
    }
    if (result.refusal) {
        ShowNoResults();
        out.messages.emplace_back(result.refusal);
        return;
    }
    lbFAP = options.AepInput ? kLabelAepPlaceholder : FormatPrice(von);
    lbAEP = FormatPrice(result.aep);
    lbKP = FormatPrice(result.kp);
    lbAVP = FormatPrice(result.avp);
}

void Model::RunRange(std::int64_t von, std::int64_t bis, std::int64_t step, Expectation& out) {
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
    gridEnd = !error.empty() ? fapkalk::TableEnd::Failed
              : limited      ? fapkalk::TableEnd::RowLimit
                             : fapkalk::TableEnd::Complete;
    if (rows.empty())
        rows.push_back(GridRow{}); // an error at the first price: one empty row
    grid = std::move(rows);
    prefixAllowed = false;
    ++gridVersion;
    char text[200];
    std::snprintf(text, sizeof text,
                  "von %lld bis %lld step %lld cents, vat %.17g aep %d hom %d sg %d vet %d "
                  "stern %d",
                  static_cast<long long>(von), static_cast<long long>(bis),
                  static_cast<long long>(step), vatFactor, options.AepInput, options.Homeopathic,
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
    return vatEdited && vatText != "10" && vatText != "20" && DigitsOnly(vatText);
}

VatRun Model::ApplyVat(std::optional<Answer> answer, Expectation& out) {
    if (!vatEdited)
        return VatRun::Berechnen;
    vatEdited = false;
    if (vatText == "10" || vatText == "20") {
        const bool ten = vatText == "10";
        vatFactor = ten ? 1.1 : 1.2; // the doubles nearest to them
        vatColour = ten ? VatColour::Lime : VatColour::Yellow;
        vatApplied = vatText;
        return VatRun::Berechnen;
    }
    if (!DigitsOnly(vatText)) {
        // Refused before any question: the rate in force stays and shows.
        if (!rangeMode)
            ShowNoResults();
        out.messages.emplace_back("USt. muß numerisch sein!");
        vatText = vatApplied;
        out.focusVat = true;
        return VatRun::None;
    }
    out.messages.push_back("Möchten Sie die Berechung mit abweichender USt. (" + vatText +
                           ") durchführen?");
    if (answer == Answer::Yes) {
        vatColour = VatColour::Red;
        vatFactor = RateFactor(unsigned(std::stoul(vatText)));
        vatApplied = vatText;
        return VatRun::Berechnen;
    }
    // Declined: 10 % in force, shown as such, and the results follow it.
    vatText = vatApplied = "10";
    vatFactor = 1.1;
    vatColour = VatColour::Lime;
    out.focusVat = true;
    return VatRun::InPlace;
}

} // namespace soak
