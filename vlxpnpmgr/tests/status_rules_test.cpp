// The service's status through its life, on a table: what each control
// and each report of the worker does, and whether it is reported.
#include <gtest/gtest.h>

#include "status_rules.h"

namespace {

enum Event { kControl, kWorker, kStep };

struct Row {
    Event event;
    uint32_t value;       // the control, or the state the worker reports
    bool reported;
    uint32_t state, accepted, checkpoint, waitHint;
};

} // namespace

TEST(StatusRules, AStartAStopAndWhatComesTooLate)
{
    const uint32_t kBoth = STATUS_ACCEPT_STOP | STATUS_ACCEPT_SHUTDOWN;
    const uint32_t kHint = PENDING_WAIT_HINT_MS;
    const Row rows[] = {
        {kStep, 0, true, STATUS_START_PENDING, 0, 2, kHint},              // a step of the start shows progress
        {kControl, 4 /* interrogate */, false, STATUS_START_PENDING, 0, 2, kHint},
        {kWorker, STATUS_RUNNING, true, STATUS_RUNNING, kBoth, 2, 0},     // running: stop and shutdown accepted
        {kStep, 0, false, STATUS_RUNNING, kBoth, 2, 0},                   // steps while running change nothing
        {kControl, STATUS_CONTROL_STOP, true, STATUS_STOP_PENDING, 0, 1, kHint},
        {kStep, 0, true, STATUS_STOP_PENDING, 0, 2, kHint},               // the checkpoint advances with the work
        {kStep, 0, true, STATUS_STOP_PENDING, 0, 3, kHint},
        {kControl, STATUS_CONTROL_SHUTDOWN, false, STATUS_STOP_PENDING, 0, 3, kHint}, // a second stop changes nothing
        {kWorker, STATUS_RUNNING, false, STATUS_STOP_PENDING, 0, 3, kHint},  // a stop is never undone
        {kWorker, STATUS_STOPPED, true, STATUS_STOPPED, 0, 0, 0},
        {kControl, STATUS_CONTROL_STOP, false, STATUS_STOPPED, 0, 0, 0},    // a control after the end: nothing
        {kStep, 0, false, STATUS_STOPPED, 0, 0, 0},
        {kWorker, STATUS_RUNNING, false, STATUS_STOPPED, 0, 0, 0},
    };
    StatusRecord s;
    StatusAtStart(&s);
    EXPECT_EQ((uint32_t)STATUS_START_PENDING, s.state);
    EXPECT_EQ(1u, s.checkpoint);
    EXPECT_EQ(0u, s.controlsAccepted) << "no control is accepted while starting";
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        const Row& r = rows[i];
        bool reported = r.event == kControl  ? StatusOnControl(&s, r.value)
                        : r.event == kWorker ? StatusOnWorker(&s, r.value, r.value == STATUS_RUNNING ? 2 : 0)
                                             : StatusOnStep(&s);
        EXPECT_EQ(r.reported, reported) << "row " << i;
        EXPECT_EQ(r.state, s.state) << "row " << i;
        EXPECT_EQ(r.accepted, s.controlsAccepted) << "row " << i;
        EXPECT_EQ(r.checkpoint, s.checkpoint) << "row " << i;
        EXPECT_EQ(r.waitHint, s.waitHint) << "row " << i;
    }

    // A stop while starting: the start ends, RUNNING is never reported.
    StatusAtStart(&s);
    EXPECT_TRUE(StatusOnControl(&s, STATUS_CONTROL_STOP));
    EXPECT_FALSE(StatusOnWorker(&s, STATUS_RUNNING, 2));
    EXPECT_TRUE(s.stopAsked);
    EXPECT_TRUE(StatusOnWorker(&s, STATUS_STOPPED, 0));
}
