// The rules of saving and restoring a window's placement, without any window:
// what a save writes into a section and what a restore makes of a section.
// TJvFormPlacement feeds these from the real window and applies the outcome.
#pragma once

#include "settings/profile_file.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace settings {

inline constexpr std::string_view kKeyFormVersion = "FormVersion";
inline constexpr std::string_view kKeyFlags = "Flags";
inline constexpr std::string_view kKeyShowCmd = "ShowCmd";
inline constexpr std::string_view kKeyPixelsPerInch = "PixelsPerInch";
inline constexpr std::string_view kKeyMinMaxPos = "MinMaxPos";
inline constexpr std::string_view kKeyNormPos = "NormPos";
inline constexpr std::string_view kKeyVisible = "Visible";

// Show commands as the file holds them.
inline constexpr int kShowNormal = 1;
inline constexpr int kShowMinimized = 2;
inline constexpr int kShowMaximized = 3;

// An outer window rectangle: right = left + width, bottom = top + height.
struct PlacementRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const PlacementRect&, const PlacementRect&) = default;
};

// Frame thickness on each side of the client area.
struct FrameMargins {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The client sizes the window accepts (its own size rule).
struct SizeLimits {
    int minWidth = 0, minHeight = 0;
    int maxWidth = 16777215, maxHeight = 16777215;
};

enum class WindowShow { Normal, Minimized, Maximized };

// "(1280x1024)": appended to "MinMaxPos" and "NormPos" for the screen size.
std::string ScreenMark(int width, int height);

// "%d,%d,%d,%d"
std::string FourNumbers(int a, int b, int c, int d);

// What one save writes.
struct PlacementRecord {
    int formVersion = 0;
    int flags = 0;
    int showCmd = kShowNormal;
    int pixelsPerInch = 96;
    std::array<int, 4> minMax{}; // minX, minY, maxX, maxY
    PlacementRect normal;
    bool visible = false; // the save runs while the window is destroyed
};

int ShowCmdFor(WindowShow show);

// Sets the nine keys of `section` in their order: "FormVersion", "Flags",
// "ShowCmd", "PixelsPerInch", "MinMaxPos" + mark, "MinMaxPos", "NormPos" + mark,
// "NormPos", "Visible".
bool WritePlacement(ProfileFile& file, std::string_view section, std::string_view mark,
                    const PlacementRecord& record);

// The window as it is when a restore starts.
struct RestoreInput {
    int version = 0;
    bool restorePosition = true; // fpPosition
    bool restoreState = true;    // fpState
    bool mainWindow = false;
    bool sizeableBorder = true;
    PlacementRect current;  // outer rectangle now
    int pixelsPerInch = 96; // the screen's now
    int flags = 0;          // the window's placement flags now
};

struct RestorePlan {
    bool versionAccepted = false; // stored "FormVersion" >= Version
    bool savedData = false;       // position data found and valid for this screen
    bool applyNormal = false;     // hand `normal` to the window
    PlacementRect normal;
    int flags = 0;
    std::array<int, 4> minMax{};
    bool applyState = false; // set the window state to `show`
    WindowShow show = WindowShow::Normal;
    bool minimizeApplication = false; // queue a request to minimize the application
};

// Reads `section` and decides what a restore does.
RestorePlan PlanRestore(const ProfileFile& file, std::string_view section, std::string_view mark,
                        const RestoreInput& input);

// The part of a window that must be on a screen for the user to reach it: a
// strip along its top edge (where the title bar is), at least this wide and
// this high (less only for a window that is smaller itself).
inline constexpr int kUsableStripWidth = 50;
inline constexpr int kUsableStripHeight = 20;

// True when the top strip of `outer` lies on one of the work areas, at least
// kUsableStripWidth by kUsableStripHeight pixels of it.
bool HasUsablePart(const PlacementRect& outer, const std::vector<PlacementRect>& workAreas);

// The outer rectangle the window ends up with when it is handed `requested`:
// the client size is held within `limits` (the window's own size rule) and,
// where that rule allows, within the work area the window is on. A window
// whose usable part (see HasUsablePart) is on no work area is moved completely
// onto the one it overlaps most, or onto the first one (the primary screen): a
// window lost on a screen that is no longer attached, or stored with a pixel
// on screen, would be out of reach. So is a window that had to be made
// smaller to fit, so that its buttons can be reached. Computed without
// integer overflow.
PlacementRect FitPlacement(const PlacementRect& requested, const FrameMargins& margins,
                           const SizeLimits& limits, const std::vector<PlacementRect>& workAreas);

// Where a window that centres itself goes: its outer rectangle `current` made
// no larger than `area` where its size rule allows, and centred on `area`
// (halves cut towards zero); a window still larger than the area keeps to its
// top-left corner, so that its title bar is on screen.
PlacementRect CentreOnArea(const PlacementRect& current, const FrameMargins& margins,
                           const SizeLimits& limits, const PlacementRect& area);

} // namespace settings
