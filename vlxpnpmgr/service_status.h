// The status the service reports to the service control manager, shared
// by the worker (the service thread) and the control handler (the
// dispatcher's thread) under one lock, together with the shutdown event
// the handler signals. The rules are status_rules.h's.
#pragma once

#include <windows.h>

// The worker begins: the control handler is registered under the name,
// and START_PENDING reported (in the foreground run the registration fails
// and nothing is reported). The lock exists before the handler can run.
void StatusBegin(const char* serviceName, LPHANDLER_FUNCTION handler);

// The worker reports a state (RUNNING with checkpoint 2, STOPPED with 0);
// RUNNING is never reported over a stop that was asked.
void StatusReport(DWORD state, DWORD checkpoint);

// A stop or shutdown has been asked.
bool StatusStopAsked();

// The event the control handler signals; set once it is made, closed and
// forgotten by the worker under the lock, so that a late control never
// signals a closed handle.
void StatusSetShutdownEvent(HANDLE event);
void StatusCloseShutdownEvent();

// The control handler's work.
void StatusControl(DWORD control);

// The worker finished a step: while a start or a stop is pending, the
// checkpoint advances, so that whoever waits sees the service at work.
// Called from the device procedures; nothing happens outside a service
// run or while running.
void NoteWorkerStep();
