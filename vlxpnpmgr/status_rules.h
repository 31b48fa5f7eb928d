// The service's status as the control handler and the worker change it:
// the state, the controls the service accepts in it, and the progress of
// a pending start or stop as the service control manager and a stopper
// such as net.exe judge it: before the wait hint has passed, the
// checkpoint advances or the state changes, or the service is taken for
// hung. Free of system calls; the values are the system's own.
#pragma once

#include <stdint.h>

enum {
    STATUS_STOPPED = 1,
    STATUS_START_PENDING = 2,
    STATUS_STOP_PENDING = 3,
    STATUS_RUNNING = 4,
    STATUS_CONTROL_STOP = 1,
    STATUS_CONTROL_SHUTDOWN = 5,
    STATUS_ACCEPT_STOP = 0x1,
    STATUS_ACCEPT_SHUTDOWN = 0x4
};

enum {
    // The longest the worker goes between two steps while a start or stop
    // is pending: one wait on a starting driver (at most 10 s, see
    // LONGEST_WAIT_HINT_MS) and a progress window (2 s). A box waiting
    // for its answer is longer still: no hint covers a person.
    PENDING_WAIT_HINT_MS = 12000
};

struct StatusRecord {
    uint32_t state;
    uint32_t controlsAccepted;
    uint32_t checkpoint;
    uint32_t waitHint;
    bool stopAsked;
};

// The start: START_PENDING, checkpoint 1, accepting no control yet.
void StatusAtStart(StatusRecord* s);

// A control from the dispatcher. Stop and shutdown while starting or
// running make the state STOP_PENDING (true: report it); every other
// control, and any control once a stop is pending or the service has
// stopped, changes nothing (false).
bool StatusOnControl(StatusRecord* s, uint32_t control);

// The worker reports a state. False (nothing reported) for RUNNING once a
// stop was asked, and for anything after STOPPED: a stop is never undone.
bool StatusOnWorker(StatusRecord* s, uint32_t state, uint32_t checkpoint);

// The worker finished a step: while a start or stop is pending the
// checkpoint advances (true: report it).
bool StatusOnStep(StatusRecord* s);
