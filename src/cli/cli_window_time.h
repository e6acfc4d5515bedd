// The header's date and time exactly as the window's export writes them, for
// the mains of fapkalk-cli and fapkalk-cli-pdf (both link QtCore).
#pragma once

#include "tools/date_text.h"

#include <QDateTime>
#include <ctime>
#include <string>

namespace fapkalk::cli {

inline std::string WindowCreatedText(std::time_t moment) {
    const QDateTime local = QDateTime::fromSecsSinceEpoch(moment);
    if (!local.isValid())
        return {};
    return tools::CreatedDateTimeText(local);
}

} // namespace fapkalk::cli
