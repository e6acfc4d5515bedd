// The calculation run's state: what a request, Abbruch and the closing window
// lead to while a run is under way or not.
#include "ui/main/RunState.h"

#include <QtTest>

using namespace fapkalk;

namespace {

const char* Name(RunState::Phase phase) {
    switch (phase) {
    case RunState::Phase::Idle:
        return "idle";
    case RunState::Phase::Running:
        return "running";
    case RunState::Phase::Restarting:
        return "restarting";
    case RunState::Phase::Closed:
        return "closed";
    case RunState::Phase::ClosedRunning:
        break;
    }
    return "closed running";
}

} // namespace

class TestRunState : public QObject {
    Q_OBJECT

private slots:
    void startState() {
        const RunState state;
        QCOMPARE(state.phase(), RunState::Phase::Idle);
        QVERIFY(!state.UnderWay());
        QVERIFY(state.WindowOpen());
        QVERIFY(!state.StopRequested());
    }

    // Events, one letter each: R a run is asked for (the answer, carry it out
    // or not, is recorded as + or -), P the run's pass is done (recorded as
    // + for another pass, - for the end), A Abbruch, L a range loop starts,
    // C the window closes, S it is shown again.
    void sequences_data() {
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("phase");
        QTest::addColumn<bool>("stop");

        QTest::newRow("one run") << "RP"
                                 << "+-"
                                 << "idle" << false;
        QTest::newRow("asked during a run: one restart") << "RRP"
                                                         << "+-+"
                                                         << "running" << false;
        QTest::newRow("asked twice during a run: still one restart") << "RRRPP"
                                                                     << "+--+-"
                                                                     << "idle" << false;
        QTest::newRow("a run asked for stops the one under way") << "RR"
                                                                 << "+-"
                                                                 << "restarting" << true;
        QTest::newRow("Abbruch stops the loop") << "RLA"
                                                << "+"
                                                << "running" << true;
        QTest::newRow("a new loop forgets the Abbruch") << "RLAL"
                                                        << "+"
                                                        << "running" << false;
        QTest::newRow("Abbruch outside a run waits for the next loop") << "ARL"
                                                                       << "+"
                                                                       << "running" << false;
        QTest::newRow("Abbruch outside a run is pending until the loop starts")
            << "AR"
            << "+"
            << "running" << true;
        QTest::newRow("closing stops the run, nothing follows") << "RRCP"
                                                                << "+--"
                                                                << "closed" << true;
        QTest::newRow("closed: nothing starts") << "CR"
                                                << "-"
                                                << "closed" << true;
        QTest::newRow("shown again: runs start") << "CSRP"
                                                 << "+-"
                                                 << "idle" << true;
        QTest::newRow("shown again before the stopped run returned") << "RCS"
                                                                     << "+"
                                                                     << "running" << true;
    }

    void sequences() {
        QFETCH(QString, events);
        RunState state;
        QString answers;
        for (QChar event : events) {
            switch (event.toLatin1()) {
            case 'R':
                answers += state.Request() ? u'+' : u'-';
                break;
            case 'P':
                answers += state.PassDone() ? u'+' : u'-';
                break;
            case 'A':
                state.Abort();
                break;
            case 'L':
                state.LoopStarts();
                break;
            case 'C':
                state.WindowClosed();
                break;
            case 'S':
                state.WindowShown();
                break;
            default:
                QFAIL("unknown event");
            }
        }
        QTEST(answers, "answers");
        QTEST(QString::fromLatin1(Name(state.phase())), "phase");
        QTEST(state.StopRequested(), "stop");
    }

    // Only a new run due or the closed window make a pass give up before it
    // computes; an Abbruch is left to the range loop.
    void passSuperseded() {
        RunState state;
        QVERIFY(state.Request());
        state.Abort();
        QVERIFY(!state.PassSuperseded());
        QVERIFY(!state.Request());
        QVERIFY(state.PassSuperseded());
        QVERIFY(state.PassDone());
        QVERIFY(!state.PassSuperseded());
        state.WindowClosed();
        QVERIFY(state.PassSuperseded());
        QVERIFY(state.UnderWay());
        QVERIFY(!state.WindowOpen());
        QVERIFY(!state.PassDone());
        QVERIFY(!state.UnderWay());
    }
};

QTEST_APPLESS_MAIN(TestRunState)
#include "test_run_state.moc"
