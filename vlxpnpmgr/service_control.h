// The drivers' services as the bay manager sees them: their state, a
// start that waits for them to run, and their start type.
#pragma once

#include <windows.h>

// The service's current state (SERVICE_STOPPED, SERVICE_RUNNING, ...), or
// -1 when it cannot be had.
int GetServiceState(const char* name);

// Starts a stopped service and waits while it reports progress; false
// when it was not stopped or cannot be started.
bool StartServiceAndWait(const char* name);

bool SetServiceStartType(const char* name, DWORD startType);

// The longest single wait StartServiceAndWait takes on a wait hint.
const DWORD LONGEST_WAIT_HINT_MS = 10000;
