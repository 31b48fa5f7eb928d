#include "service_control.h"

#include <stdlib.h>

#include "service_status.h"

// The service control manager and one service of it, opened with every
// right and closed together.
struct ManagedService {
    SC_HANDLE manager;
    SC_HANDLE service;
};

// False when the service cannot be opened; what did open is closed by
// CloseManagedService all the same.
static bool OpenManagedService(const char* name, ManagedService* h)
{
    h->manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    h->service = h->manager ? OpenServiceA(h->manager, name, SERVICE_ALL_ACCESS) : nullptr;
    return h->service != nullptr;
}

static void CloseManagedService(ManagedService* h)
{
    if (h->service)
        CloseServiceHandle(h->service);
    if (h->manager)
        CloseServiceHandle(h->manager);
}

int GetServiceState(const char* name)
{
    ManagedService h;
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof status);
    int state = -1;
    if (OpenManagedService(name, &h) && QueryServiceStatus(h.service, &status))
        state = (int)status.dwCurrentState;
    CloseManagedService(&h);
    return state;
}

bool StartServiceAndWait(const char* name)
{
    if (GetServiceState(name) != SERVICE_STOPPED)
        return false;
    ManagedService h;
    bool started = OpenManagedService(name, &h) && StartServiceA(h.service, 0, nullptr);
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof status);
    if (started && QueryServiceStatus(h.service, &status)) {
        while (status.dwCurrentState != SERVICE_RUNNING) {
            DWORD checkpoint = status.dwCheckPoint;
            // A hint is the driver's word: a wild one must not stop the service for good.
            Sleep(status.dwWaitHint < LONGEST_WAIT_HINT_MS ? status.dwWaitHint : LONGEST_WAIT_HINT_MS);
            NoteWorkerStep();
            if (!QueryServiceStatus(h.service, &status) || status.dwCheckPoint <= checkpoint)
                break;
        }
    }
    CloseManagedService(&h);
    return started;
}

bool SetServiceStartType(const char* name, DWORD startType)
{
    enum { kConfigSize = 4096 };
    ManagedService h;
    bool ok = OpenManagedService(name, &h);
    QUERY_SERVICE_CONFIGA* config = ok ? static_cast<QUERY_SERVICE_CONFIGA*>(calloc(1, kConfigSize)) : nullptr;
    DWORD needed = 0;
    ok = ok && config && QueryServiceConfigA(h.service, config, kConfigSize, &needed) &&
         ChangeServiceConfigA(h.service, SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr, config->lpDisplayName);
    free(config);
    CloseManagedService(&h);
    return ok;
}
