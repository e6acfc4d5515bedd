// The soak test's own picture of the main window: which actions it takes and
// how often, what the window must show after each of them (an independent model
// of the calculation state, the VAT field and the results of the last runs),
// and the checks every shown price text must pass. Plain code, no widgets: the
// driver in test_soak.cpp reads the window and hands what it saw to the model.
#pragma once

#include "pricing/calc_run.h"
#include "pricing/engine.h"

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace soak {

// ----------------------------------------------------------------- actions

enum class ActionKind {
    TypeBase,      // keys into eFAPBASIS (digits, separators, letters, Backspace, Enter)
    TypeBis,       // the same into eBis (extended mode)
    TypeStep,      // the same into Edit1 (extended mode)
    ClearField,    // a price field emptied and a short price typed
    TypeVat,       // keys into edUST, then Enter, leaving the field, or nothing
    ClickNarcotic, // sbSG
    ClickVet,      // sbVet
    ClickStern,    // sbStern (also while it is disabled)
    ClickMode,     // an item of rgRechenModi by mouse
    KeyMode,       // an arrow key on the focused radio group
    ClickFapAep,   // spFAPAEP
    ToggleMode,    // btErweitert
    Berechnen,     // btBerechnen
    SmallRange,    // a short range typed and run with Berechnen
    AbortedRange,  // a long range, Abbruch clicked from inside the run
    SwitchInRun,   // a long range, a switch clicked from inside the run
    Detail,        // the "+" window opened, compared, maybe exported from, closed
    Export,        // the export dialog, either layout, the file read back
    Placement,     // the window closed, destroyed and made anew from its settings file
};

struct ActionWeight {
    ActionKind kind;
    const char* name;
    int weight;
};

// The table the generator draws from.
const std::vector<ActionWeight>& ActionTable();
const char* ActionName(ActionKind kind);

class Generator {
public:
    explicit Generator(std::uint64_t seed) : rng_(seed) {}
    ActionKind NextAction();
    int Uniform(int low, int high); // inclusive
    bool Chance(int percent);
    // One key a user types into a price field: a character, or 8 (Backspace) or 13 (Enter).
    char32_t PriceKey();
    // One key for the VAT field: mostly digits, now and then anything else.
    char32_t VatKey();
    // A short price text as a user types it ("12,5", "0.05", "3").
    std::string ShortPrice(double low, double high);

private:
    std::mt19937_64 rng_;
};

// ------------------------------------------------------------ text checks

// "     12.34": a text that FormatPrice gives back unchanged when it is read again.
bool IsPriceText(const std::string& text);
// A price text whose value is a whole multiple of five cents, decided on its
// digits (no floating point).
bool IsFiveCentText(const std::string& text);
// Whether the text shows cents at all: FormatPrice cuts the decimals of amounts
// of ten million euros and more ("10105583.9"), so their cents are not shown.
bool ShowsCents(const std::string& text);
// Whether the five-cent rule is checked for a shown KP or AVP: a text with
// cents and not negative. The rounding rule truncates toward zero, so amounts
// from a negative typed price (a text such as "-86126.97") fall off the grid.
bool FiveCentRuleApplies(const std::string& text);
// A factor the VAT field can produce: 1 + n/100 for n in 0..99, or the start value.
bool IsReachableVatFactor(double factor);

// ---------------------------------------------------------------- the model

inline const std::string kLabelStart = "            0.00";
inline const std::string kLabelAepPlaceholder = "       0.00";
inline const std::string kRowAepPlaceholder = "     0.00";

struct GridRow {
    std::string fap, aep, kp, avp;
    friend bool operator==(const GridRow&, const GridRow&) = default;
};

// What the fields held when a run started.
struct RunInputs {
    std::string base, bis, step; // eFAPBASIS, eBis, Edit1 as typed
};

enum class VatColour { Lime, Yellow, Red };
enum class Answer { Yes, No, Closed };

// What a run or a VAT application must have done, for the driver to compare.
struct Expectation {
    std::vector<std::string> messages; // texts of every box, in order
    bool focusBase = false;            // the focus went to eFAPBASIS
    bool focusVat = false;             // the focus went (back) to edUST
    // A field that holds no price: it has the focus (0 eFAPBASIS, 1 eBis,
    // 2 Edit1); -1 for none.
    int focusRefused = -1;
};

// What a VAT application starts.
enum class VatRun {
    None,
    Berechnen, // btBerechnenClick: the run, then the focus to eFAPBASIS
    InPlace,   // RunCalculation: the focus stays in the VAT field
};

class Model {
public:
    explicit Model(int maxRangeRows) : maxRangeRows_(maxRangeRows) {}

    // ---- state the window must show
    fapkalk::CalcOptions options;
    bool sternEnabled = true;
    bool rangeMode = false;
    double vatFactor = fapkalk::kDefaultVatFactor;
    std::string vatText = "10";
    std::string vatApplied = "10"; // the text of the rate in force
    bool vatEdited = false;
    VatColour vatColour = VatColour::Lime;
    std::string lbFAP = kLabelStart, lbAEP = kLabelStart, lbKP = kLabelStart, lbAVP = kLabelStart;
    // The grid: the rows of exactly one run. While prefixAllowed, the shown
    // rows may be any prefix of `grid` of 15m + 1 rows (the run was aborted).
    std::vector<GridRow> grid{GridRow{}};
    bool prefixAllowed = false;
    // How the model's grid ends when the window shows all of it.
    fapkalk::TableEnd gridEnd = fapkalk::TableEnd::Complete;
    int gridVersion = 0;      // counts the grids the model has set
    std::string lastRangeRun; // the inputs of the run the grid comes from, for reports
    int maxRangeRows() const { return maxRangeRows_; }
    void setMaxRangeRows(int rows) { maxRangeRows_ = rows; }

    // ---- events, as the driver saw them happen
    // A calculation run started with these field texts.
    void Run(const RunInputs& inputs, Expectation& out);
    void ClickNarcotic();
    void ClickVet();
    void ClickStern(); // nothing while the button is disabled
    void SelectMode(int index);
    void ClickFapAep();
    void ToggleMode() { rangeMode = !rangeMode; }
    // The field's text changed (typed or set by the program).
    void VatTextChanged(const std::string& text);
    // The field was applied (Enter, or the focus left it). answer: what the
    // confirmation box was answered, if one was asked. Returns the run that
    // follows.
    VatRun ApplyVat(std::optional<Answer> answer, Expectation& out);
    // Whether ApplyVat would ask the question now.
    bool VatWouldAsk() const;

private:
    void RunSingle(std::int64_t von, Expectation& out);
    void RunRange(std::int64_t von, std::int64_t bis, std::int64_t step, Expectation& out);
    void ShowNoResults();
    int maxRangeRows_;
};

// A field's text as the model reads a price (trimmed; digits with at most one
// "." or ","; at most two decimals but for zeros; below 10^13 euros): cents,
// or why it is none.
struct FieldRead {
    std::int64_t cents = 0;
    fapkalk::PriceTextProblem problem = fapkalk::PriceTextProblem::None;
    std::string trimmed;
};
FieldRead ReadField(const std::string& text);

// The rows a range run writes, computed from scratch: von, von + step, ... in
// cents while they do not pass bis, at most limit + 1 of them (one more than
// the run may write, so the caller sees that the limit cut it). Stops at the
// first price the engine throws for; error then holds what it said.
std::vector<GridRow> RangeRows(std::int64_t von, std::int64_t bis, std::int64_t step,
                               const fapkalk::CalcOptions& options, double vatFactor, int limit,
                               std::vector<std::string>& refusals, std::string& error);

} // namespace soak
