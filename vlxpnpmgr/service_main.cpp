#include "service_main.h"

#include <stdio.h>
#include <string.h>

#include "bay_devices.h"
#include "bay_driver.h"
#include "bay_plan.h"
#include "error_box.h"
#include "identify.h"
#include "parameters.h"
#include "service_control.h"

// Shared by the service thread and the dispatcher's thread (the control
// handler). The lock keeps a report of the worker from landing over the
// handler's: once a stop is asked, RUNNING is never reported again.
static SERVICE_STATUS g_status;
static SERVICE_STATUS_HANDLE g_statusHandle;
static HANDLE g_shutdown;
static CRITICAL_SECTION g_statusLock;
static bool g_stopAsked;

static void Report(DWORD state, DWORD checkpoint)
{
    EnterCriticalSection(&g_statusLock);
    if (!(g_stopAsked && state == SERVICE_RUNNING)) {
        g_status.dwCurrentState = state;
        g_status.dwCheckPoint = checkpoint;
        g_status.dwWaitHint = 0;
        g_status.dwWin32ExitCode = 0;
        g_status.dwServiceSpecificExitCode = 0;
        if (g_statusHandle)
            SetServiceStatus(g_statusHandle, &g_status);
    }
    LeaveCriticalSection(&g_statusLock);
}

static bool StopAsked()
{
    EnterCriticalSection(&g_statusLock);
    bool asked = g_stopAsked;
    LeaveCriticalSection(&g_statusLock);
    return asked;
}

// One table for the whole run of the service body.
static DeviceTable g_table;

static bool StartupChecks(HANDLE* change)
{
    g_shutdown = CreateEventA(nullptr, FALSE, FALSE, SHUTDOWN_EVENT_NAME);
    if (!g_shutdown) {
        ShowError("Could not create PNPMGR_SHUTDOWN_EVENT.");
        return false;
    }
    *change = OpenEventA(EVENT_ALL_ACCESS, TRUE, BAY_DEVICE_CHANGE_EVENT);
    if (!*change) {
        ShowError("Cannot locate the PnP Device Change Event.");
        return false;
    }
    if (GetServiceState(MINIPORT_SERVICE) != SERVICE_RUNNING) {
        ShowError("This Service requires the Vorlix PIIX4 Scsi Miniport Driver (VLXPX4.SYS)");
        return false;
    }
    if (GetServiceState(BAY_DRIVER_SERVICE) != SERVICE_RUNNING) {
        ShowError("This Service requires the Vorlix PnP Device Manager to be present and running.");
        return false;
    }
    return true;
}

struct DriveWindowSearch {
    const char* title;
    bool told;
};

static BOOL CALLBACK TellDriveWindow(HWND window, LPARAM param)
{
    DriveWindowSearch* search = reinterpret_cast<DriveWindowSearch*>(param);
    char title[256];
    if (GetWindowTextA(window, title, sizeof title) <= 0 || strcmp(title, search->title) != 0)
        return TRUE;
    PostMessageA(window, WM_COMMAND, DRIVE_WINDOW_COMMAND, 0);
    search->told = true;
    return FALSE;
}

void WINAPI ControlHandler(DWORD control)
{
    if (control != SERVICE_CONTROL_STOP && control != SERVICE_CONTROL_SHUTDOWN)
        return;
    EnterCriticalSection(&g_statusLock);
    g_stopAsked = true;
    g_status.dwWin32ExitCode = 0;
    g_status.dwWaitHint = 0;
    g_status.dwCurrentState = SERVICE_STOP_PENDING;
    if (g_statusHandle)
        SetServiceStatus(g_statusHandle, &g_status);
    LeaveCriticalSection(&g_statusLock);
    // Auto-reset: a signal given while the worker is busy waits for it.
    SetEvent(g_shutdown);
}

void WINAPI ServiceMain(DWORD, LPSTR*)
{
    static bool lockMade = false;
    if (!lockMade)
        InitializeCriticalSection(&g_statusLock);
    lockMade = true;
    g_stopAsked = false;
    ZeroMemory(&g_status, sizeof g_status);
    g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    g_status.dwControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN;
    // In the foreground run there is no manager: reports fail silently.
    g_statusHandle = RegisterServiceCtrlHandlerA(SERVICE_NAME, ControlHandler);
    Report(SERVICE_START_PENDING, 1);

    HANDLE change = nullptr;
    if (StartupChecks(&change)) {
        // A stop asked while starting ends the start at the next step.
        if (!StopAsked())
            ReletterFloppies();
        if (!StopAsked())
            InitialScan(&g_table);
        if (!StopAsked()) {
            Report(SERVICE_RUNNING, 2);
            NotifyDriveWindow();
        }
        HANDLE waits[2] = {change, g_shutdown};
        while (!StopAsked()) {
            if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) {
                HandleDeviceChange(&g_table);
                NotifyDriveWindow();
            }
        }
    }
    if (change)
        CloseHandle(change);
    if (g_shutdown)
        CloseHandle(g_shutdown);
    g_shutdown = nullptr;
    Report(SERVICE_STOPPED, 0);
}

void InitialScan(DeviceTable* table)
{
    ResetDeviceTable(table);
    DeviceCounts counts;
    if (!QueryDeviceCounts(&counts))
        ZeroMemory(&counts, sizeof counts);
    char name[DEVICE_NAME_SIZE];
    for (uint32_t i = 0; i < counts.Disks; i++) {
        snprintf(name, sizeof name, "\\Device\\Harddisk%u\\Partition0", (unsigned)i);
        IdentifyDevice(table, name);
    }
    for (uint32_t i = 0; i < counts.CdRoms; i++) {
        snprintf(name, sizeof name, "\\Device\\CdRom%u", (unsigned)i);
        IdentifyDevice(table, name);
    }
    for (uint32_t i = 0; i < counts.Floppies; i++) {
        snprintf(name, sizeof name, "\\Device\\Floppy%u", (unsigned)i);
        IdentifyDevice(table, name);
    }
    if (!QueryBayStatus(&table->saved))
        ZeroMemory(&table->saved, sizeof table->saved);
}

// One step of a bay change; a rescan that succeeded counts.
static void RunStep(DeviceTable* table, const BayStep& step, int* rescans)
{
    switch (step.kind) {
    case BAY_STEP_REMOVE_FLOPPY:
        RemoveFloppy();
        break;
    case BAY_STEP_REMOVE_DEVICE:
        RemoveBayDevice(table, step.port, step.target);
        break;
    case BAY_STEP_INSTALL_FLOPPY:
        InstallFloppy();
        break;
    case BAY_STEP_RESCAN_PORT:
        if (RescanPort(step.port))
            (*rescans)++;
        break;
    }
}

// After the removals: a bay whose IDE device left (or was swapped) keeps
// no record of it, removed or not. A bay that was not holding one keeps
// its record: a device found early, by a search while its change was
// still on the way, is the one the bay now holds.
static void ForgetChangedBays(DeviceTable* table, const BayStatus& now, bool warm)
{
    for (int b = 0; b < BAY_COUNT; b++) {
        uint8_t was = table->saved.Kind[b], is = now.Kind[b];
        bool left = was == BAY_KIND_IDE && (is != BAY_KIND_IDE || warm);
        if (!(now.ChangeMask & (1u << b)) || !left)
            continue;
        uint8_t port, target;
        BayAddress(b, &port, &target);
        ForgetDevice(table, port, target);
    }
}

void HandleDeviceChange(DeviceTable* table)
{
    bool warm = ReadEnableWarmSwapping();
    BayStatus now;
    if (!QueryBayStatus(&now))
        return;
    BayPlan plan = PlanBayChange(table->saved, now, warm);
    int rescans = 0, i = 0;
    // The plan puts every removal first.
    for (; i < plan.count && (plan.steps[i].kind == BAY_STEP_REMOVE_DEVICE || plan.steps[i].kind == BAY_STEP_REMOVE_FLOPPY); i++)
        RunStep(table, plan.steps[i], &rescans);
    ForgetChangedBays(table, now, warm);
    for (; i < plan.count; i++)
        RunStep(table, plan.steps[i], &rescans);
    if (rescans > 0) {
        InstallLs120(table);
        InstallCdRoms(table);
        InstallHardDisks(table);
    }
    table->saved = now;
}

void NotifyDriveWindow()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, MY_COMPUTER_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    char name[256];
    DWORD size = sizeof name - 1; // room kept for a NUL the value may lack
    LONG result = RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(name), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return;
    name[size < sizeof name ? size : sizeof name - 1] = '\0';
    DriveWindowSearch search = {name, false};
    EnumWindows(TellDriveWindow, reinterpret_cast<LPARAM>(&search));
}
