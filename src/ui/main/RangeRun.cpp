#include "ui/main/RangeRun.h"

#include "pricing/calc_run.h"
#include "tools/messages.h"
#include "ui/main/ResultGrid.h"
#include "ui/main/RunRules.h"
#include "ui/main/RunState.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QWidget>
#include <algorithm>

namespace fapkalk {

RangeRun::RangeRun(ResultGridModel& grid, const Display& display, RunState& state, int maxRows)
    : grid_(grid), display_(display), state_(state), maxRows_(maxRows) {}

RangeRun::Outcome RangeRun::Run(double von, double bis, double step, const CalcOptions& options,
                                double vatFactor) {
    state_.LoopStarts();
    grid_.startRun(options, vatFactor, von, step);
    display_.progressBox->show();
    display_.progressBox->raise();
    display_.gauge->setRange(GaugeCents(von), GaugeCents(bis));
    progressClock_.invalidate();
    progressIntervalNs_ = 0;

    Outcome outcome;
    int row = 0;
    int progressRow = 0;
    double progressPrice = von;
    try {
        // The grid's store keeps the running sum: its next price is the last
        // one plus the step.
        for (double price = grid_.nextPrice(); !(price > bis) && !state_.StopRequested();
             price = grid_.nextPrice()) {
            if (row >= maxRows_) {
                outcome.limitReached = true;
                break;
            }
            // An amount too large for its cell or a floating-point error ends
            // the run here, before the row is added.
            const RowCells cells = grid_.appendRow();
            if (cells.refusal)
                tools::ShowMessage(display_.window, QString::fromUtf8(cells.refusal));
            if (row % 15 == 0) {
                progressRow = row;
                progressPrice = price;
                if (!progressClock_.isValid() ||
                    progressClock_.nsecsElapsed() >= progressIntervalNs_) {
                    // The update's cost includes the repaint it causes.
                    progressClock_.start();
                    ShowProgress(row, price);
                    QCoreApplication::processEvents();
                    progressIntervalNs_ = std::max(kProgressIntervalMs * qint64(1'000'000),
                                                   kUpdateSpacing * progressClock_.nsecsElapsed());
                    progressClock_.start();
                } else {
                    QCoreApplication::processEvents();
                }
            }
            ++row;
        }
    } catch (...) {
        // The rows computed so far stay as the result; the error is the caller's.
        Finish();
        throw;
    }
    ShowProgress(progressRow, progressPrice);
    Finish();
    return outcome;
}

void RangeRun::ShowProgress(int row, double price) {
    grid_.publish();
    display_.count->setText(QString::number(row));
    display_.count->adjustSize();
    display_.gauge->setValue(GaugeCents(price));
}

void RangeRun::Finish() {
    grid_.publish();
    display_.progressBox->hide();
}

} // namespace fapkalk
