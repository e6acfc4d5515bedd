#include "ui/main/RangeRun.h"

#include "pricing/calc_run.h"
#include "tools/messages.h"
#include "ui/main/RunRules.h"
#include "ui/main/RunState.h"
#include "ui/widgets/ResultGrid.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QWidget>
#include <algorithm>

namespace fapkalk {

RangeRun::RangeRun(ResultGridModel& grid, const Display& display, RunState& state, int maxRows)
    : grid_(grid), display_(display), state_(state), maxRows_(maxRows) {}

RangeRun::Outcome RangeRun::Run(std::int64_t von, std::int64_t bis, std::int64_t step,
                                const CalcOptions& options, double vatFactor) {
    state_.LoopStarts();
    grid_.startRun(options, vatFactor, von, bis, step);
    display_.progressBox->show();
    display_.progressBox->raise();
    display_.gauge->setRange(GaugeCents(von), GaugeCents(bis));
    progressClock_.invalidate();
    progressIntervalNs_ = 0;

    Outcome outcome;
    int row = 0;
    int progressRow = 0;
    std::int64_t progressCents = von;
    try {
        for (; grid_.hasNext() && !state_.StopRequested(); ++row) {
            if (row >= maxRows_) {
                outcome.limitReached = true;
                break;
            }
            const std::int64_t cents = grid_.nextCents();
            // An amount too large for its cell or a floating-point error ends
            // the run here, before the row is added.
            const RowCells cells = grid_.appendRow();
            if (cells.refusal)
                tools::ShowMessage(display_.window, QString::fromUtf8(cells.refusal));
            if (row % 15 == 0) {
                progressRow = row;
                progressCents = cents;
                if (!progressClock_.isValid() ||
                    progressClock_.nsecsElapsed() >= progressIntervalNs_) {
                    // The update's cost includes the repaint it causes.
                    progressClock_.start();
                    ShowProgress(row, cents);
                    QCoreApplication::processEvents();
                    progressIntervalNs_ = std::max(kProgressIntervalMs * qint64(1'000'000),
                                                   kUpdateSpacing * progressClock_.nsecsElapsed());
                    progressClock_.start();
                } else {
                    QCoreApplication::processEvents();
                }
            }
        }
    } catch (...) {
        // The rows computed so far stay as the result; the error is the caller's.
        grid_.setEnd(TableEnd::Failed);
        Finish();
        throw;
    }
    if (outcome.limitReached)
        grid_.setEnd(TableEnd::RowLimit);
    else if (!grid_.hasNext())
        grid_.setEnd(TableEnd::Complete);
    // Otherwise stopped: Abbruch, a new run asked for, the window closing.
    ShowProgress(progressRow, progressCents);
    Finish();
    return outcome;
}

void RangeRun::ShowProgress(int row, std::int64_t cents) {
    grid_.publish();
    display_.count->setText(QString::number(row));
    display_.count->adjustSize();
    display_.gauge->setValue(GaugeCents(cents));
}

void RangeRun::Finish() {
    grid_.publish();
    display_.progressBox->hide();
}

} // namespace fapkalk
