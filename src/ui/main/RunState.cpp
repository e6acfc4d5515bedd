#include "ui/main/RunState.h"

namespace fapkalk {

bool RunState::UnderWay() const {
    return phase_ == Phase::Running || phase_ == Phase::Restarting ||
           phase_ == Phase::ClosedRunning;
}

bool RunState::Request() {
    switch (phase_) {
    case Phase::Idle:
        phase_ = Phase::Running;
        return true;
    case Phase::Running:
    case Phase::Restarting:
        phase_ = Phase::Restarting;
        return false;
    case Phase::Closed:
    case Phase::ClosedRunning:
        break;
    }
    return false;
}

bool RunState::PassDone() {
    switch (phase_) {
    case Phase::Restarting:
        phase_ = Phase::Running;
        return true;
    case Phase::Running:
    case Phase::Idle:
        phase_ = Phase::Idle;
        return false;
    case Phase::ClosedRunning:
    case Phase::Closed:
        break;
    }
    phase_ = Phase::Closed;
    return false;
}

bool RunState::PassSuperseded() const {
    return phase_ == Phase::Restarting || phase_ == Phase::ClosedRunning;
}

void RunState::WindowClosed() {
    // Also an Abbruch: should the window be shown again before the stopped
    // run has returned, that run must still stop.
    abortRequested_ = true;
    phase_ = UnderWay() ? Phase::ClosedRunning : Phase::Closed;
}

void RunState::WindowShown() {
    if (phase_ == Phase::ClosedRunning)
        phase_ = Phase::Running;
    else if (phase_ == Phase::Closed)
        phase_ = Phase::Idle;
}

} // namespace fapkalk
