#include "ui/main/RunRules.h"

#include <QLocale>
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

QString LongTimeFormatWithoutZone(const QString& format) {
    // Drop every unquoted 't' field together with the blanks that separate it.
    QString result;
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't')
            continue;
        result += c;
    }
    return result.trimmed();
}

QString StatusTimeText(const QTime& time) {
    const QLocale locale = QLocale::system();
    return locale.toString(time, LongTimeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat)));
}

QString StatusDateText(const QDate& date) {
    return QLocale::system().toString(date, QLocale::ShortFormat);
}

} // namespace fapkalk
