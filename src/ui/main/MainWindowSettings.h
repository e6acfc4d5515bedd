// What the main window is told when it is created: how its placement component
// starts (the start-up reads this from the command line before the window
// exists) and how many rows a range run may write.
#pragma once

#include "pricing/calc_run.h"

#include <QString>
#include <functional>

namespace fapkalk {

// The two values of the main window's placement component that the command
// line can change.
struct PlacementSettings {
    bool Active = true;                                 // false after "/noini"
    QString IniFileName = QStringLiteral("kalvor.ini"); // bare name or path from "/inidest:"

    friend bool operator==(const PlacementSettings&, const PlacementSettings&) = default;
};

struct MainWindowSettings {
    PlacementSettings Placement;
    // The most rows one range run writes, asked as each run starts (a test
    // may lower it, run by run).
    std::function<int()> MaxRangeRows = [] { return kMaxRangeRows; };
};

} // namespace fapkalk
