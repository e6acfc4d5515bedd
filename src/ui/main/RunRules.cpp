#include "ui/main/RunRules.h"

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

QString StatusTimeText(const QTime& time) {
    return tools::LongTimeText(time);
}

QString StatusDateText(const QDate& date) {
    return tools::ShortDateText(date);
}

} // namespace fapkalk
