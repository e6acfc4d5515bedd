// One range calculation of the main window: the prices Von, Von + Staffel,
// Von + 2 Staffel, ... in whole cents while they do not exceed Bis, one row
// of the result grid a price. Every fifteenth row
// it shows its progress and lets the window process pending events, which is
// how Abbruch, a switch click or the closing window are heard; the run state
// says when to stop. The grid's store is the only place its rows go.
#pragma once

#include "pricing/engine.h"

#include <QElapsedTimer>
#include <cstdint>

class QLabel;
class QProgressBar;
class QWidget;

namespace fapkalk {

class ResultGridModel;
class RunState;

class RangeRun {
public:
    // Where the run shows itself: the window (parent of its messages) and the
    // progress box with its row count and gauge.
    struct Display {
        QWidget* window = nullptr;
        QWidget* progressBox = nullptr;
        QLabel* count = nullptr;
        QProgressBar* gauge = nullptr;
    };

    struct Outcome {
        bool limitReached = false; // stopped at maxRows, the rows so far kept
    };

    RangeRun(ResultGridModel& grid, const Display& display, RunState& state, int maxRows);

    // Fills the grid for a range (cents) that passed CheckRange, with these
    // options and this VAT factor throughout. A price the engine refuses is
    // reported in a message box and its row shows the zeros it returns. An
    // exception (a floating-point error) ends the run with the rows written
    // so far as the table and the progress box hidden, and goes on to the
    // caller. The table records how it ended (TableEnd).
    Outcome Run(std::int64_t von, std::int64_t bis, std::int64_t step, const CalcOptions& options,
                double vatFactor);

    // At most 25 screen updates a second, however fast the rows come.
    static constexpr int kProgressIntervalMs = 40;
    // An update can cost the views work that grows with the rows (a view
    // whose header places every row anew), so updates are also spaced by this
    // many times their own cost: they then take a bounded share of any run,
    // and a run stays linear in its rows.
    static constexpr int kUpdateSpacing = 10;

private:
    void ShowProgress(int row, std::int64_t cents);
    void Finish();

    ResultGridModel& grid_;
    Display display_;
    RunState& state_;
    int maxRows_;
    QElapsedTimer progressClock_;
    qint64 progressIntervalNs_ = 0;
};

} // namespace fapkalk
