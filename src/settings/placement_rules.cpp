#include "settings/placement_rules.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <tuple>
#include <utility>

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

namespace {

struct OuterSize {
    Wide width = 0, height = 0;
};

// The outer size of `requested` with the client size held within limits and,
// where limits allow, within area.
OuterSize FitSize(const PlacementRect& requested, const FrameMargins& margins,
                  const SizeLimits& limits, const PlacementRect* area) {
    const Wide frameX = Wide{margins.left} + margins.right;
    const Wide frameY = Wide{margins.top} + margins.bottom;
    const Wide minWidth = std::max(0, limits.minWidth);
    const Wide minHeight = std::max(0, limits.minHeight);
    Wide maxWidth = std::max<Wide>(minWidth, limits.maxWidth);
    Wide maxHeight = std::max<Wide>(minHeight, limits.maxHeight);
    if (area != nullptr) {
        maxWidth = std::clamp<Wide>(Wide{area->right} - area->left - frameX, minWidth, maxWidth);
        maxHeight = std::clamp<Wide>(Wide{area->bottom} - area->top - frameY, minHeight, maxHeight);
    }
    return {
        std::clamp<Wide>(Wide{requested.right} - requested.left - frameX, minWidth, maxWidth) +
            frameX,
        std::clamp<Wide>(Wide{requested.bottom} - requested.top - frameY, minHeight, maxHeight) +
            frameY};
}

Wide Overlap(Wide begin, Wide end, Wide areaBegin, Wide areaEnd) {
    return std::max<Wide>(0, std::min(end, areaEnd) - std::max(begin, areaBegin));
}

// The work area that holds the window's usable top strip, or null.
const PlacementRect* UsableArea(Wide left, Wide top, const OuterSize& size,
                                const std::vector<PlacementRect>& workAreas) {
    const Wide stripWidth = std::min<Wide>(kUsableStripWidth, size.width);
    const Wide stripHeight = std::min<Wide>(kUsableStripHeight, size.height);
    for (const PlacementRect& area : workAreas)
        if (Overlap(left, left + size.width, area.left, area.right) >= stripWidth &&
            Overlap(top, top + stripHeight, area.top, area.bottom) >= stripHeight &&
            stripWidth > 0 && stripHeight > 0)
            return &area;
    return nullptr;
}

// The work area the window overlaps most; the first one when it overlaps none.
const PlacementRect& NearestArea(Wide left, Wide top, const OuterSize& size,
                                 const std::vector<PlacementRect>& workAreas) {
    const PlacementRect* best = &workAreas.front();
    Wide bestOverlap = 0;
    for (const PlacementRect& area : workAreas) {
        const Wide overlap = Overlap(left, left + size.width, area.left, area.right) *
                             Overlap(top, top + size.height, area.top, area.bottom);
        if (overlap > bestOverlap) {
            best = &area;
            bestOverlap = overlap;
        }
    }
    return *best;
}

// The corner that puts a window of `size` inside area, as near to (left, top)
// as it can; a window larger than the area keeps to its top-left corner.
std::pair<Wide, Wide> KeepInside(Wide left, Wide top, const OuterSize& size,
                                 const PlacementRect& area) {
    const Wide right = std::max<Wide>(area.left, Wide{area.right} - size.width);
    const Wide bottom = std::max<Wide>(area.top, Wide{area.bottom} - size.height);
    return {std::clamp<Wide>(left, area.left, right), std::clamp<Wide>(top, area.top, bottom)};
}

PlacementRect ToRect(Wide left, Wide top, const OuterSize& size) {
    left = std::clamp(left, -kCoordinateLimit, kCoordinateLimit);
    top = std::clamp(top, -kCoordinateLimit, kCoordinateLimit);
    return {ClampToInt(left), ClampToInt(top), ClampToInt(left + size.width),
            ClampToInt(top + size.height)};
}

} // namespace

bool HasUsablePart(const PlacementRect& outer, const std::vector<PlacementRect>& workAreas) {
    const OuterSize size{std::max<Wide>(0, Wide{outer.right} - outer.left),
                         std::max<Wide>(0, Wide{outer.bottom} - outer.top)};
    return UsableArea(outer.left, outer.top, size, workAreas) != nullptr;
}

PlacementRect FitPlacement(const PlacementRect& requested, const FrameMargins& margins,
                           const SizeLimits& limits, const std::vector<PlacementRect>& workAreas) {
    Wide left = requested.left;
    Wide top = requested.top;
    OuterSize size = FitSize(requested, margins, limits, nullptr);
    if (workAreas.empty())
        return ToRect(left, top, size);
    const PlacementRect* usable = UsableArea(left, top, size, workAreas);
    const PlacementRect& area = usable ? *usable : NearestArea(left, top, size, workAreas);
    const OuterSize held = FitSize(requested, margins, limits, &area);
    // Where the user put it stays as long as it can be grabbed there. A window
    // made smaller to fit the screen is moved onto it as well: otherwise its
    // buttons could stay out of reach (and a narrower one may lose its strip).
    const bool reduced = held.width != size.width || held.height != size.height;
    size = held;
    if (!usable || reduced)
        std::tie(left, top) = KeepInside(left, top, size, area);
    return ToRect(left, top, size);
}

PlacementRect CentreOnArea(const PlacementRect& current, const FrameMargins& margins,
                           const SizeLimits& limits, const PlacementRect& area) {
    const OuterSize size = FitSize(current, margins, limits, &area);
    const Wide left = Wide{area.left} + (Wide{area.right} - area.left - size.width) / 2;
    const Wide top = Wide{area.top} + (Wide{area.bottom} - area.top - size.height) / 2;
    const auto [insideLeft, insideTop] = KeepInside(left, top, size, area);
    return ToRect(insideLeft, insideTop, size);
}

} // namespace settings
