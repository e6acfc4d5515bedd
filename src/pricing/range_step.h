// Whether a range's running sum (price := price + step, from von up to bis)
// moves on at every price, so the range ends. Shared by the window's range run
// and the command-line tool, so both refuse the same steps.
#pragma once

namespace fapkalk {

// False for a step that is not positive (NaN included), for infinite ends,
// and for a step so small that adding it leaves some price of the range where
// it is: at exactly half the gap between two doubles the sum ties to the even
// neighbour, so an odd von and bis can move while an even price between stalls.
bool RangeStepAdvances(double von, double bis, double step);

} // namespace fapkalk
