// Services of the test machine, as an administrator handles them: their
// state, kernel drivers registered and started, services stopped and
// deleted. A stop is waited for however long it takes, up to a bound
// that fails only the test that asked.
#pragma once

#include <windows.h>

#include <string>

namespace testkit {

// The current state (SERVICE_RUNNING, ...), or 0 when the service does not exist.
DWORD ServiceState(const char* name);

// Registers a demand-start kernel driver; starts it when asked. False
// (with a test failure) when it cannot.
bool CreateDriverService(const char* name, const std::string& path, bool start);

bool StartNamedService(const char* name);

// Stops a service and waits until it has stopped; true when it has (or
// was not running).
bool StopService(const char* name, DWORD waitMs = 30000);

// Stops and deletes a service if it exists, and waits until it is gone.
void RemoveService(const char* name, DWORD waitMs = 30000);

// Waits until a service is no longer registered (a service deleted while
// it still stops stays until it has stopped); true when it is gone.
bool WaitUntilGone(const char* name, DWORD waitMs = 30000);

// Starts a program as CreateProcess does; 0 or the start's error. On a
// busy machine Wine now and then fails a start with an internal error
// before the program runs at all: such a start is tried again.
DWORD StartProgram(char* commandLine, const char* currentDir, PROCESS_INFORMATION* process);

} // namespace testkit
