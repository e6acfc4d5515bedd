#include "ui/main/RunRules.h"

#include "tools/date_text.h"

#include <algorithm>
#include <limits>

namespace fapkalk {

bool FormCanResize(bool rangeMode, int& newWidth, int& newHeight) {
    (void)newHeight; // taken unchanged in extended mode
    newWidth = kMainWindowWidth;
    return rangeMode;
}

int GaugeCents(std::int64_t cents) {
    return static_cast<int>(std::clamp<std::int64_t>(cents, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

QString StatusTimeText(const QTime& time) {
    return tools::LongTimeText(time);
}

QString StatusDateText(const QDate& date) {
    return tools::ShortDateText(date);
}

} // namespace fapkalk
