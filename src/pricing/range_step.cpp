#include "pricing/range_step.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace fapkalk {

bool RangeStepAdvances(double von, double bis, double step) {
    if (!(step > 0) || !std::isfinite(von) || !std::isfinite(bis))
        return false;
    // A sum rounds on to the next double only when the step exceeds half the
    // gap to it. The gaps are widest at the end of largest magnitude, so a step
    // that moves there moves every price of the range.
    const double widest = std::max(std::fabs(von), std::fabs(bis));
    const double gap = std::nextafter(widest, std::numeric_limits<double>::infinity()) - widest;
    return step > gap / 2;
}

} // namespace fapkalk
