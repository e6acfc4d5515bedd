// What the main window's calculation run is doing, and what a request for a
// run leads to. A run processes pending events (the busy cursor, every
// fifteenth row of a range, its message boxes), so a click handled meanwhile
// can ask for another run, press Abbruch or close the window. No widgets here:
// the window asks this object and carries out what it says.
#pragma once

namespace fapkalk {

class RunState {
public:
    enum class Phase {
        Idle,          // the window is open, no run under way
        Running,       // a run under way
        Restarting,    // a run under way must make way: it stops, a new one follows
        Closed,        // the window is closed: no run starts
        ClosedRunning, // the window closed during a run: it stops, nothing follows
    };

    Phase phase() const { return phase_; }
    // A run is under way (it may be about to stop).
    bool UnderWay() const;
    bool WindowOpen() const { return phase_ != Phase::Closed && phase_ != Phase::ClosedRunning; }

    // RunCalculation asks for a run. True: carry it out now. False: a run is
    // under way, so it stops early (as by Abbruch) and a new one with the
    // settings as they are then follows once it has returned, and a table
    // never mixes rows of two option sets; or the window is closed.
    bool Request();
    // The run allowed by Request() has made one pass. True: make another pass
    // (a new run was asked for meanwhile); false: the run is over.
    bool PassDone();
    // The pass under way has been overtaken (a new run is due, or the window
    // closed): it computes nothing more.
    bool PassSuperseded() const;
    // The range loop under way is to stop before its next row: overtaken, or
    // Abbruch.
    bool StopRequested() const { return abortRequested_ || PassSuperseded(); }

    // Abbruch: the range loop under way stops at its next test. A click
    // outside a run is forgotten when the next range loop starts.
    void Abort() { abortRequested_ = true; }
    void LoopStarts() { abortRequested_ = false; }

    // The window closes: a run under way stops, and nothing is started until
    // it is shown again.
    void WindowClosed();
    void WindowShown();

private:
    Phase phase_ = Phase::Idle;
    bool abortRequested_ = false;
};

} // namespace fapkalk
