// Decisions of the main window that need no widget: the resize rule, the
// gauge's range in cents, the range checks of a calculation run, and the
// texts they show. The window calls these; the tests call them directly.
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

// The most rows one range run writes (44 bytes of cell text a row, so about
// 440 MB at the limit). A run that reaches it stops there and keeps its rows.
inline constexpr int kMaxRangeRows = 10'000'000;

// The resize rule: the width is always replaced by 527; in single mode the size
// change is refused (a move stays possible); in extended mode the height is taken.
// Returns whether the change may happen; newWidth is replaced either way.
bool FormCanResize(bool rangeMode, int& newWidth, int& newHeight);

// A price in whole cents for the 32-bit progress gauge: price * 100 formed in
// extended precision, cut toward zero, clamped to the 32-bit range (NaN gives 0).
int GaugeCents(double price);

// What a range run makes of its three inputs before it computes anything.
enum class RangeCheck {
    Ok,
    VonAboveBis, // Von > Bis
    EmptyField,  // Von, Bis or Staffel is 0 (an empty field reads as 0)
    BadStep,     // a negative step, or one too small to move the running sum
};
RangeCheck CheckRange(double von, double bis, double step);

QString RangeCheckText(RangeCheck check); // empty for Ok
QString RowLimitText(int maxRows);

// The clock's texts: the user's long time format without a time-zone part
// and the user's short date format with a four-digit year, as the export's
// header writes them (tools/date_text.h).
QString StatusTimeText(const QTime& time);
QString StatusDateText(const QDate& date);

} // namespace fapkalk
