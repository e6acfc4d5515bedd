#include "pricing/calc_run.h"

#include "pricing/numbers.h"
#include "pricing/price_rows.h"
#include "pricing/range_step.h"

namespace fapkalk {

RangeCheck CheckRange(double von, double bis, double step) {
    if (von > bis)
        return RangeCheck::VonAboveBis;
    if (von == 0 || bis == 0 || step == 0)
        return RangeCheck::EmptyField;
    // A step that never reaches Bis (negative, NaN) or that some price of the
    // running sum would swallow makes a run that never ends.
    if (!RangeStepAdvances(von, bis, step))
        return RangeCheck::BadStep;
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
    case RangeCheck::BadStep:
        return "Die Staffel muß größer als 0 sein und den Preis weiterzählen!";
    }
    return {};
}

std::string RowLimitText(int maxRows) {
    return "Die Tabelle ist auf " + std::to_string(maxRows) +
           " Zeilen begrenzt; die Berechnung wurde dort beendet.";
}

std::string FapLabelText(double price, const CalcOptions& options) {
    return ShowsFapPlaceholder(options) ? std::string(kAepPlaceholderLabel) : FormatPrice(price);
}

} // namespace fapkalk
