#include "service_control.h"

#include <stdlib.h>

namespace {

struct Handles {
    SC_HANDLE manager = nullptr;
    SC_HANDLE service = nullptr;
    bool Open(const char* name)
    {
        manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        service = manager ? OpenServiceA(manager, name, SERVICE_ALL_ACCESS) : nullptr;
        return service != nullptr;
    }
    ~Handles()
    {
        if (service)
            CloseServiceHandle(service);
        if (manager)
            CloseServiceHandle(manager);
    }
};

} // namespace

int GetServiceState(const char* name)
{
    Handles h;
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof status);
    if (!h.Open(name) || !QueryServiceStatus(h.service, &status))
        return -1;
    return (int)status.dwCurrentState;
}

bool StartServiceAndWait(const char* name)
{
    if (GetServiceState(name) != SERVICE_STOPPED)
        return false;
    Handles h;
    if (!h.Open(name) || !StartServiceA(h.service, 0, nullptr))
        return false;
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof status);
    if (!QueryServiceStatus(h.service, &status))
        return true;
    while (status.dwCurrentState != SERVICE_RUNNING) {
        DWORD checkpoint = status.dwCheckPoint;
        // A hint is the driver's word: a wild one must not stop the service for good.
        Sleep(status.dwWaitHint < LONGEST_WAIT_HINT_MS ? status.dwWaitHint : LONGEST_WAIT_HINT_MS);
        if (!QueryServiceStatus(h.service, &status) || status.dwCheckPoint <= checkpoint)
            break;
    }
    return true;
}

bool SetServiceStartType(const char* name, DWORD startType)
{
    Handles h;
    if (!h.Open(name))
        return false;
    enum { kConfigSize = 4096 };
    QUERY_SERVICE_CONFIGA* config = static_cast<QUERY_SERVICE_CONFIGA*>(calloc(1, kConfigSize));
    DWORD needed = 0;
    bool ok = config && QueryServiceConfigA(h.service, config, kConfigSize, &needed) &&
              ChangeServiceConfigA(h.service, SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, config->lpDisplayName);
    free(config);
    return ok;
}
