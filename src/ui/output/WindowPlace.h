// Where the output windows stand when they are shown.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace fapkalk {

// Top-left corner that centres a window (frame included) on the screen area;
// halves are cut towards zero, also for a window larger than the screen.
inline QPoint CentredOnScreen(QSize window, const QRect& screen) {
    return {screen.x() + (screen.width() - window.width()) / 2,
            screen.y() + (screen.height() - window.height()) / 2};
}

} // namespace fapkalk
