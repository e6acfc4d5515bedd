// Decisions of the main window that need no widget: the resize rule, the
// gauge's range in cents and the clock's texts. The window calls these; the
// tests call them directly. (The range checks of a run live with the engine,
// pricing/calc_run.h, shared with fapkalk-cli.)
#pragma once

#include <QDate>
#include <QString>
#include <QTime>

namespace fapkalk {

inline constexpr int kMainWindowWidth = 527;
inline constexpr int kSingleModeHeight = 346;
// In extended mode the user may make the window shorter, but not so short that
// the input group, the column headers, one grid row and the button bar no longer fit.
inline constexpr int kMinExtendedHeight = 232;

// The resize rule: the width is always replaced by 527; in single mode the size
// change is refused (a move stays possible); in extended mode the height is taken.
// Returns whether the change may happen; newWidth is replaced either way.
bool FormCanResize(bool rangeMode, int& newWidth, int& newHeight);

// A price in whole cents for the 32-bit progress gauge: price * 100 formed in
// extended precision, cut toward zero, clamped to the 32-bit range (NaN gives 0).
int GaugeCents(double price);

// The clock's texts: the user's long time format without a time-zone part
// and the user's short date format with a four-digit year, as the export's
// header writes them (tools/date_text.h).
QString StatusTimeText(const QTime& time);
QString StatusDateText(const QDate& date);

} // namespace fapkalk
