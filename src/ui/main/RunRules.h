// Decisions of the main window that need no widget: the resize rule, the
// gauge's range in cents and the clock's texts. The window calls these; the
// tests call them directly. (The range checks of a run live with the engine,
// pricing/calc_run.h, shared with fapkalk-cli.)
#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <cstdint>

namespace fapkalk {

// The window sizes of the layout are outer sizes of a Windows window, frame and
// caption included: 527 x 346 for the main window. Its controls fill a client
// area two 4-pixel frames narrower and 35 pixels (caption and frames) lower.
// On Linux the window manager draws its own frame around the client area, so
// the program sizes the client area.
inline constexpr int kWindowsFrameWidth = 8;
inline constexpr int kWindowsFrameHeight = 35;
constexpr int ClientWidthOfWindowsWindow(int outerWidth) {
    return outerWidth - kWindowsFrameWidth;
}
constexpr int ClientHeightOfWindowsWindow(int outerHeight) {
    return outerHeight - kWindowsFrameHeight;
}

// The main window's docked parts and its single-mode result panel.
inline constexpr int kGroupHeight = 136;   // GroupBox1, at the top
inline constexpr int kResultPanelLeft = 5; // PanelEinzel
inline constexpr int kResultPanelWidth = 514;
inline constexpr int kResultPanelHeight = 117;
inline constexpr int kButtonBarHeight = 39; // Panel8, at the bottom
inline constexpr int kStatusBarHeight = 19; // StatusBar1, below everything

// The client area: as wide as the result panel reaches, and in single mode
// exactly as high as the input group, the result panel, the button bar and the
// status bar on top of each other, so no empty band is left.
inline constexpr int kMainWindowWidth = kResultPanelLeft + kResultPanelWidth;
inline constexpr int kSingleModeHeight =
    kGroupHeight + kResultPanelHeight + kButtonBarHeight + kStatusBarHeight;
static_assert(kMainWindowWidth == ClientWidthOfWindowsWindow(527));
static_assert(kSingleModeHeight == ClientHeightOfWindowsWindow(346));

// In extended mode the user may make the window shorter, but not so short that
// the input group, the column headers, one grid row and the button bar no longer fit.
inline constexpr int kMinExtendedHeight = 232;

// The resize rule: the width is always replaced by the fixed width; in single
// mode the size change is refused (a move stays possible); in extended mode the
// height is taken. Returns whether the change may happen; newWidth is replaced
// either way.
bool FormCanResize(bool rangeMode, int& newWidth, int& newHeight);

// A price in whole cents for the 32-bit progress gauge: clamped to its range
// (prices above 21,474,836.47 show the gauge at its end).
int GaugeCents(std::int64_t cents);

// The clock's texts: the user's long time format without a time-zone part
// and the user's short date format with a four-digit year, as the export's
// header writes them (tools/date_text.h).
QString StatusTimeText(const QTime& time);
QString StatusDateText(const QDate& date);

} // namespace fapkalk
