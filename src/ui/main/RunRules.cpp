#include "ui/main/RunRules.h"

#include "pricing/range_step.h"
#include "tools/date_text.h"

#include <cmath>
#include <limits>

namespace fapkalk {

bool FormCanResize(bool rangeMode, int& newWidth, int& newHeight) {
    (void)newHeight; // taken unchanged in extended mode
    newWidth = kMainWindowWidth;
    return rangeMode;
}

int GaugeCents(double price) {
    const long double cents = std::trunc(static_cast<long double>(price) * 100.0L);
    if (std::isnan(cents))
        return 0;
    if (cents >= static_cast<long double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (cents <= static_cast<long double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(cents);
}

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

QString RangeCheckText(RangeCheck check) {
    switch (check) {
    case RangeCheck::Ok:
        return {};
    case RangeCheck::VonAboveBis:
        return QStringLiteral(
            "Von-FAP darf nicht größer als Bis-FAP sein bzw. Felder dürfen nicht leer sein!");
    case RangeCheck::EmptyField:
        return QStringLiteral("Felder dürfen nicht leer sein!");
    case RangeCheck::BadStep:
        return QStringLiteral("Die Staffel muß größer als 0 sein und den Preis weiterzählen!");
    }
    return {};
}

QString RowLimitText(int maxRows) {
    return QStringLiteral("Die Tabelle ist auf %1 Zeilen begrenzt; die Berechnung wurde dort "
                          "beendet.")
        .arg(maxRows);
}

QString StatusTimeText(const QTime& time) {
    return tools::LongTimeText(time);
}

QString StatusDateText(const QDate& date) {
    return tools::ShortDateText(date);
}

} // namespace fapkalk
