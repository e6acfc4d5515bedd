#include "ui/main/RangeRun.h"

#include "pricing/calc_run.h"
#include "pricing/numbers.h"
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
    grid_.setRowCount(1);
    display_.progressBox->show();
    display_.progressBox->raise();
    display_.gauge->setRange(GaugeCents(von), GaugeCents(bis));
    progressClock_.invalidate();

    Outcome outcome;
    double price = von;
    int row = 0;
    int written = 0;
    int progressRow = 0;
    double progressPrice = von;
    try {
        while (!(price > bis) && !state_.StopRequested()) {
            if (row >= maxRows_) {
                outcome.limitReached = true;
                break;
            }
            const PriceResult result = CalcPrices(price, options, vatFactor);
            if (result.refusal)
                tools::ShowMessage(display_.window, QString::fromUtf8(result.refusal));
            grid_.setRow(row, FapCell(price, options), FormatPrice(result.aep),
                         FormatPrice(result.kp), FormatPrice(result.avp));
            written = row + 1;
            // The row for the next price is there before it is computed.
            grid_.setRowCount(row + 2);
            if (row % 15 == 0) {
                progressRow = row;
                progressPrice = price;
                if (!progressClock_.isValid() || progressClock_.elapsed() >= kProgressIntervalMs) {
                    ShowProgress(row, price);
                    progressClock_.start();
                }
                QCoreApplication::processEvents();
            }
            ++row;
            price += step;
        }
    } catch (...) {
        // The rows computed so far stay as the result; the error is the caller's.
        Finish(written);
        throw;
    }
    ShowProgress(progressRow, progressPrice);
    Finish(row);
    return outcome;
}

void RangeRun::ShowProgress(int row, double price) {
    grid_.publish();
    display_.count->setText(QString::number(row));
    display_.count->adjustSize();
    display_.gauge->setValue(GaugeCents(price));
}

void RangeRun::Finish(int rowsWritten) {
    // The row added for the next price goes again; the grid holds what was written.
    grid_.setRowCount(std::max(rowsWritten, 1));
    if (rowsWritten == 0)
        grid_.clearRow(0); // nothing of an older run may pass for a result
    grid_.publish();
    display_.progressBox->hide();
}

} // namespace fapkalk
