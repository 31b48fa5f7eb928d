#include "installer.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "bay_requests.h"
#include "error_box.h"
#include "parameters.h"

// Registry functions return their error instead of setting it: it is
// set here, so that the error box that follows shows the real failure.
static bool Succeeded(LONG result)
{
    if (result == ERROR_SUCCESS)
        return true;
    SetLastError((DWORD)result);
    return false;
}

// The dependency goes straight into the registry: the name, its NUL and
// the NUL that ends the list.
static bool WriteDependency(HKEY serviceKey)
{
    static const char kDependency[] = BAY_DRIVER_SERVICE "\0";
    return Succeeded(RegSetValueExA(serviceKey, "DependOnService", 0, REG_MULTI_SZ,
                                    reinterpret_cast<const BYTE*>(kDependency), sizeof kDependency));
}

static bool WriteZero(HKEY key, const char* name)
{
    DWORD zero = 0;
    return Succeeded(RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), sizeof zero));
}

// Closing handles must not replace the error a caller is about to show.
static void CloseKeepingError(SC_HANDLE handle)
{
    DWORD error = GetLastError();
    if (handle)
        CloseServiceHandle(handle);
    SetLastError(error);
}

static bool RegisterWithTheManager(SC_HANDLE manager, SC_HANDLE* service)
{
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, sizeof path);
    // A system directory too long for the path is refused, never cut.
    if (length == 0 || length >= sizeof path ||
        snprintf(path + length, sizeof path - length, "\\%s", SERVICE_NAME) >= (int)(sizeof path - length)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    *service = CreateServiceA(manager, SERVICE_NAME, SERVICE_DISPLAY_PREFIX SERVICE_VERSION_TEXT, SERVICE_ALL_ACCESS,
                              SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS, SERVICE_AUTO_START,
                              SERVICE_ERROR_IGNORE, path, nullptr, nullptr, nullptr, nullptr, nullptr);
    return *service != nullptr;
}

bool InstallService()
{
    bool result = true;
    SC_HANDLE service = nullptr;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
    if (!manager || !RegisterWithTheManager(manager, &service)) {
        result = false;
    } else {
        HKEY key;
        if (!Succeeded(RegOpenKeyExA(HKEY_LOCAL_MACHINE, SERVICE_KEY, 0, KEY_ALL_ACCESS, &key))) {
            ShowError("Failed to open VLXPNPMGR registry key.");
            result = false;
        } else {
            if (!WriteDependency(key)) {
                ShowError("Failed to add DependOnService value.");
                result = false;
            }
            RegCloseKey(key);
        }
        if (!Succeeded(RegCreateKeyExA(HKEY_LOCAL_MACHINE, PARAMETERS_KEY, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_ALL_ACCESS, nullptr, &key, nullptr))) {
            ShowError("Failed to create Parameters subkey.");
            result = false;
        } else {
            if (!WriteZero(key, ENABLE_MESSAGES_VALUE)) {
                ShowError("Failed to store EnableMessages value.");
                result = false;
            }
            if (!WriteZero(key, ENABLE_WARM_SWAPPING_VALUE)) {
                ShowError("Failed to store EnableWarmSwapping value.");
                result = false;
            }
            RegCloseKey(key);
        }
    }
    CloseKeepingError(service);
    CloseKeepingError(manager);
    return result;
}

bool RemoveService()
{
    bool result = false;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceA(manager, SERVICE_NAME, DELETE) : nullptr;
    if (service) {
        DeleteService(service); // marked for deletion; its result says nothing more
        result = true;
        CloseServiceHandle(service);
    }
    CloseKeepingError(manager);
    return result;
}
