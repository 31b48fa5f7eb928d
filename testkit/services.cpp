#include "services.h"
#include "patience.h"

#include <gtest/gtest.h>

namespace testkit {

namespace {

class ServiceHandle {
public:
    ServiceHandle(const char* name, DWORD access)
    {
        manager_ = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        service_ = manager_ ? OpenServiceA(manager_, name, access) : nullptr;
    }
    ~ServiceHandle()
    {
        if (service_)
            CloseServiceHandle(service_);
        if (manager_)
            CloseServiceHandle(manager_);
    }
    SC_HANDLE get() const { return service_; }

private:
    SC_HANDLE manager_;
    SC_HANDLE service_;
};

bool WaitForState(const char* name, DWORD wanted, DWORD waitMs)
{
    for (DWORD waited = 0;; waited += 50) {
        DWORD state = ServiceState(name);
        if (state == wanted || (wanted == SERVICE_STOPPED && state == 0))
            return true;
        if (waited >= Patient(waitMs))
            return false;
        Sleep(50);
    }
}

} // namespace

DWORD ServiceState(const char* name)
{
    ServiceHandle service(name, SERVICE_QUERY_STATUS);
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof status);
    if (!service.get() || !QueryServiceStatus(service.get(), &status))
        return 0;
    return status.dwCurrentState;
}

bool CreateDriverService(const char* name, const std::string& path, bool start)
{
    bool ok = false;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = manager ? CreateServiceA(manager, name, name, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                                                 SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, path.c_str(), nullptr,
                                                 nullptr, nullptr, nullptr, nullptr)
                                : nullptr;
    if (service) {
        ok = !start || StartServiceA(service, 0, nullptr);
        if (!ok)
            ADD_FAILURE() << "cannot start the service " << name << ": " << GetLastError();
        CloseServiceHandle(service);
    } else {
        ADD_FAILURE() << "cannot create the service " << name << ": " << GetLastError();
    }
    if (manager)
        CloseServiceHandle(manager);
    return ok;
}

bool StartNamedService(const char* name)
{
    ServiceHandle service(name, SERVICE_ALL_ACCESS);
    return service.get() && StartServiceA(service.get(), 0, nullptr);
}

bool StopService(const char* name, DWORD waitMs)
{
    DWORD processId = 0;
    {
        ServiceHandle service(name, SERVICE_ALL_ACCESS);
        if (!service.get())
            return true;
        SERVICE_STATUS status;
        ZeroMemory(&status, sizeof status);
        // A stopped service is left alone: a stop sent while its process
        // is still ending has been seen to leave it stop-pending in Wine.
        if (QueryServiceStatus(service.get(), &status) && status.dwCurrentState == SERVICE_STOPPED)
            return true;
        ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
        SERVICE_STATUS_PROCESS process;
        ZeroMemory(&process, sizeof process);
        DWORD needed = 0;
        if (QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, (BYTE*)&process, sizeof process, &needed))
            processId = process.dwProcessId;
    }
    if (WaitForState(name, SERVICE_STOPPED, waitMs))
        return true;
    ADD_FAILURE() << "the service " << name << " did not stop within " << waitMs << " ms (state "
                  << ServiceState(name) << "); its process is ended";
    // A service process that does not stop would spoil every later test.
    HANDLE process = processId ? OpenProcess(PROCESS_TERMINATE, FALSE, processId) : nullptr;
    if (process) {
        TerminateProcess(process, 1);
        CloseHandle(process);
    }
    return WaitForState(name, SERVICE_STOPPED, 5000);
}

void RemoveService(const char* name, DWORD waitMs)
{
    if (!ServiceState(name))
        return;
    StopService(name, waitMs);
    {
        ServiceHandle service(name, SERVICE_ALL_ACCESS);
        if (service.get())
            DeleteService(service.get());
    }
    if (!WaitUntilGone(name, waitMs))
        ADD_FAILURE() << "the service " << name << " is still registered after " << waitMs << " ms";
}

bool WaitUntilGone(const char* name, DWORD waitMs)
{
    for (DWORD waited = 0; ServiceState(name) && waited < Patient(waitMs); waited += 50)
        Sleep(50);
    return ServiceState(name) == 0;
}

DWORD StartProgram(char* commandLine, const char* currentDir, PROCESS_INFORMATION* process)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    DWORD error = 0;
    for (int attempt = 0; attempt < 3; attempt++) {
        error = CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, currentDir, &startup,
                               process)
                    ? 0
                    : GetLastError();
        if (error != ERROR_INTERNAL_ERROR)
            break;
        Sleep(500);
    }
    return error;
}

} // namespace testkit
