// winnet: "net start" and "net stop" as a Windows administrator meets
// them. A program that waits on a service may give up as soon as the
// service's wait hint has passed without its checkpoint advancing or its
// state changing: that is what the service control manager documents for
// every such program, and Windows' own net.exe gives up so. Wine's
// net.exe waits on its own terms, which hides a service whose pending
// state reports no progress. Test equipment: the install tests put it in
// net.exe's place.
//   winnet start|stop NAME    exit 0: done; 1: refused or no such service;
//                             2: gave up waiting (no progress within the hint)
#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace {

// Waits while the service is in the pending state; true once it is in
// the state wanted. Polls at a tenth of the hint (a quarter to one
// second), and gives up when the hint has passed, a second at least,
// without progress.
bool WaitJudged(SC_HANDLE service, DWORD pending, DWORD wanted, SERVICE_STATUS* status)
{
    DWORD lastCheckpoint = status->dwCheckPoint, lastProgress = GetTickCount();
    while (status->dwCurrentState == pending) {
        DWORD poll = status->dwWaitHint / 10;
        poll = poll < 250 ? 250 : poll > 1000 ? 1000 : poll;
        Sleep(poll);
        if (!QueryServiceStatus(service, status))
            return false;
        DWORD now = GetTickCount();
        if (status->dwCurrentState != pending || status->dwCheckPoint != lastCheckpoint) {
            lastCheckpoint = status->dwCheckPoint;
            lastProgress = now;
            continue;
        }
        DWORD hint = status->dwWaitHint < 1000 ? 1000 : status->dwWaitHint;
        if (now - lastProgress > hint) {
            printf("no progress within the wait hint (%lu ms, checkpoint %lu)\n", status->dwWaitHint,
                   status->dwCheckPoint);
            return false;
        }
    }
    return status->dwCurrentState == wanted;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || (strcmp(argv[1], "start") != 0 && strcmp(argv[1], "stop") != 0)) {
        fprintf(stderr, "usage: winnet start|stop NAME\n");
        return 1;
    }
    bool start = strcmp(argv[1], "start") == 0;
    const char* name = argv[2];
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceA(manager, name, SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS)
                                : nullptr;
    int result = 1;
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof status);
    if (!service) {
        printf("The service name is invalid (error %lu).\n", GetLastError());
    } else if (start ? !StartServiceA(service, 0, nullptr) : !ControlService(service, SERVICE_CONTROL_STOP, &status)) {
        printf("The %s service could not be %s (error %lu).\n", name, start ? "started" : "stopped", GetLastError());
    } else {
        printf("The %s service is %s.\n", name, start ? "starting" : "stopping");
        if (start)
            QueryServiceStatus(service, &status);
        bool done = start ? WaitJudged(service, SERVICE_START_PENDING, SERVICE_RUNNING, &status)
                          : WaitJudged(service, SERVICE_STOP_PENDING, SERVICE_STOPPED, &status);
        printf(done ? "The %s service was %s successfully.\n" : "The %s service could not be %s.\n", name,
               start ? "started" : "stopped");
        result = done ? 0 : 2;
    }
    if (service)
        CloseServiceHandle(service);
    if (manager)
        CloseServiceHandle(manager);
    return result;
}
