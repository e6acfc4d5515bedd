#include "settings/placement_rules.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace settings {
namespace {

using Wide = std::int64_t;

// Positions far beyond any screen still have to stay clear of integer overflow
// in the toolkit's rectangle arithmetic.
constexpr Wide kCoordinateLimit = 16777215;

int ClampToInt(Wide value) {
    return static_cast<int>(std::clamp<Wide>(value, INT_MIN, INT_MAX));
}

std::string ReadMarked(const ProfileFile& file, std::string_view section, std::string_view key,
                       std::string_view mark) {
    std::string marked(key);
    marked.append(mark);
    std::string text = file.ReadString(section, marked);
    if (text.empty())
        text = file.ReadString(section, key);
    return text;
}

} // namespace

std::string ScreenMark(int width, int height) {
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) about
    // "(" + std::string.
    std::string mark = "(";
    mark += std::to_string(width);
    mark += 'x';
    mark += std::to_string(height);
    mark += ')';
    return mark;
}

std::string FourNumbers(int a, int b, int c, int d) {
    return std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + "," +
           std::to_string(d);
}

int ShowCmdFor(WindowShow show) {
    switch (show) {
    case WindowShow::Minimized:
        return kShowMinimized;
    case WindowShow::Maximized:
        return kShowMaximized;
    case WindowShow::Normal:
        break;
    }
    return kShowNormal;
}

bool WritePlacement(ProfileFile& file, std::string_view section, std::string_view mark,
                    const PlacementRecord& record) {
    const std::string minMax =
        FourNumbers(record.minMax[0], record.minMax[1], record.minMax[2], record.minMax[3]);
    const std::string normal = FourNumbers(record.normal.left, record.normal.top,
                                           record.normal.right, record.normal.bottom);
    const std::string minMaxMarked = std::string(kKeyMinMaxPos) + std::string(mark);
    const std::string normalMarked = std::string(kKeyNormPos) + std::string(mark);
    return file.WriteInteger(section, kKeyFormVersion, record.formVersion) &&
           file.WriteInteger(section, kKeyFlags, record.flags) &&
           file.WriteInteger(section, kKeyShowCmd, record.showCmd) &&
           file.WriteInteger(section, kKeyPixelsPerInch, record.pixelsPerInch) &&
           file.WriteString(section, minMaxMarked, minMax) &&
           file.WriteString(section, kKeyMinMaxPos, minMax) &&
           file.WriteString(section, normalMarked, normal) &&
           file.WriteString(section, kKeyNormPos, normal) &&
           file.WriteString(section, kKeyVisible, record.visible ? "1" : "0");
}

RestorePlan PlanRestore(const ProfileFile& file, std::string_view section, std::string_view mark,
                        const RestoreInput& input) {
    RestorePlan plan;
    plan.flags = input.flags;
    plan.normal = input.current;
    if (file.ReadInteger(section, kKeyFormVersion, 0) < input.version)
        return plan;
    plan.versionAccepted = true;

    if (input.restorePosition) {
        plan.flags = file.ReadInteger(section, kKeyFlags, input.flags);

        const std::string minMax = ReadMarked(file, section, kKeyMinMaxPos, mark);
        if (!minMax.empty()) {
            plan.savedData = true;
            for (std::size_t i = 0; i < plan.minMax.size(); ++i)
                plan.minMax[i] = WordAsInteger(minMax, i, 0);
        }

        const std::string normal = ReadMarked(file, section, kKeyNormPos, mark);
        if (!normal.empty()) {
            plan.savedData = true;
            const PlacementRect& now = input.current;
            plan.normal.left = WordAsInteger(normal, 0, now.left);
            plan.normal.top = WordAsInteger(normal, 1, now.top);
            plan.normal.right = WordAsInteger(normal, 2, now.right);
            plan.normal.bottom = WordAsInteger(normal, 3, now.bottom);
        }

        if (file.ReadInteger(section, kKeyPixelsPerInch, input.pixelsPerInch) !=
            input.pixelsPerInch)
            plan.savedData = false;

        if (plan.savedData) {
            if (!input.sizeableBorder) {
                const Wide width = Wide{input.current.right} - input.current.left;
                const Wide height = Wide{input.current.bottom} - input.current.top;
                plan.normal.right = ClampToInt(plan.normal.left + width);
                plan.normal.bottom = ClampToInt(plan.normal.top + height);
            }
            plan.applyNormal = plan.normal.right > plan.normal.left;
        }
        if (!plan.applyNormal) {
            plan.normal = input.current;
            plan.flags = input.flags;
            plan.minMax = {};
        }
    }

    if (input.restoreState) {
        plan.applyState = true;
        switch (file.ReadInteger(section, kKeyShowCmd, 0)) {
        case 1:
        case 5:
        case 9:
            plan.show = WindowShow::Normal;
            break;
        case 2:
        case 6:
        case 7:
            plan.show = WindowShow::Minimized;
            break;
        case 3:
            plan.show = WindowShow::Maximized;
            break;
        default:
            break;
        }
        if (plan.show == WindowShow::Minimized && input.mainWindow) {
            plan.show = WindowShow::Normal;
            plan.minimizeApplication = true;
        }
    }
    return plan;
}

PlacementRect FitPlacement(const PlacementRect& requested, const FrameMargins& margins,
                           const SizeLimits& limits, const std::vector<PlacementRect>& workAreas) {
    const Wide frameX = Wide{margins.left} + margins.right;
    const Wide frameY = Wide{margins.top} + margins.bottom;
    const Wide minWidth = std::max(0, limits.minWidth);
    const Wide minHeight = std::max(0, limits.minHeight);
    const Wide clientWidth = std::clamp<Wide>(Wide{requested.right} - requested.left - frameX,
                                              minWidth, std::max<Wide>(minWidth, limits.maxWidth));
    const Wide clientHeight =
        std::clamp<Wide>(Wide{requested.bottom} - requested.top - frameY, minHeight,
                         std::max<Wide>(minHeight, limits.maxHeight));
    const Wide width = clientWidth + frameX;
    const Wide height = clientHeight + frameY;
    Wide left = requested.left;
    Wide top = requested.top;

    auto overlaps = [&](const PlacementRect& area) {
        return left < area.right && left + width > area.left && top < area.bottom &&
               top + height > area.top;
    };
    if (!workAreas.empty() && std::none_of(workAreas.begin(), workAreas.end(), overlaps)) {
        const PlacementRect& area = workAreas.front();
        left = width >= Wide{area.right} - area.left
                   ? Wide{area.left}
                   : std::clamp<Wide>(left, area.left, Wide{area.right} - width);
        top = height >= Wide{area.bottom} - area.top
                  ? Wide{area.top}
                  : std::clamp<Wide>(top, area.top, Wide{area.bottom} - height);
    }
    left = std::clamp(left, -kCoordinateLimit, kCoordinateLimit);
    top = std::clamp(top, -kCoordinateLimit, kCoordinateLimit);
    return {ClampToInt(left), ClampToInt(top), ClampToInt(left + width), ClampToInt(top + height)};
}

} // namespace settings
