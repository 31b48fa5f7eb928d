#include "service_main.h"

#include <stdio.h>
#include <string.h>

#include "bay_devices.h"
#include "bay_driver.h"
#include "bay_plan.h"
#include "device_walk.h"
#include "drive_links.h"
#include "error_box.h"
#include "identify.h"
#include "parameters.h"
#include "service_control.h"
#include "service_status.h"

// One table for the whole run of the service body.
static DeviceTable g_table;

static bool StartupChecks(HANDLE* shutdown, HANDLE* change)
{
    *shutdown = CreateEventA(nullptr, FALSE, FALSE, SHUTDOWN_EVENT_NAME);
    if (!*shutdown) {
        ShowError("Could not create PNPMGR_SHUTDOWN_EVENT.");
        return false;
    }
    StatusSetShutdownEvent(*shutdown);
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
    StatusControl(control);
}

void WINAPI ServiceMain(DWORD, LPSTR*)
{
    // In the foreground run there is no manager: reports fail silently.
    StatusBegin(SERVICE_NAME, ControlHandler);

    HANDLE shutdown = nullptr, change = nullptr;
    if (StartupChecks(&shutdown, &change)) {
        // A stop asked while starting ends the start at the next step.
        if (!StatusStopAsked())
            ReletterFloppies();
        NoteWorkerStep();
        if (!StatusStopAsked())
            InitialScan(&g_table);
        if (!StatusStopAsked()) {
            StatusReport(SERVICE_RUNNING, 2);
            NotifyDriveWindow();
        }
        HANDLE waits[2] = {change, shutdown};
        while (!StatusStopAsked()) {
            if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) {
                HandleDeviceChange(&g_table);
                NotifyDriveWindow();
            }
        }
    }
    if (change)
        CloseHandle(change);
    StatusCloseShutdownEvent();
    StatusReport(SERVICE_STOPPED, 0);
}

// Only a device with an MS-DOS name can be identified (it is opened
// under that name): the scan walks the named numbers of a class,
// in number order, rather than every number below a count that only grows.
static void IdentifyNamedDevices(DeviceTable* table, DeviceClass deviceClass, uint32_t count)
{
    NamedNumbers named;
    ReadNamedNumbers(deviceClass, &named);
    DeviceWalk walk;
    PlanDeviceWalk(named, count, 0, &walk);
    char name[DEVICE_NAME_SIZE];
    for (int i = 0; i < walk.count; i++) {
        ClassDeviceName(deviceClass, walk.numbers[i], name, sizeof name);
        // The name the pass found is the one FindDosName would find.
        for (int n = 0; n < named.count; n++) {
            if (named.numbers[n] == walk.numbers[i])
                IdentifyDevice(table, name, named.names[n]);
        }
    }
    NoteWorkerStep();
}

void InitialScan(DeviceTable* table)
{
    ResetDeviceTable(table);
    DeviceCounts counts;
    if (!QueryDeviceCounts(&counts))
        ZeroMemory(&counts, sizeof counts);
    IdentifyNamedDevices(table, CLASS_DISK, counts.Disks);
    IdentifyNamedDevices(table, CLASS_CDROM, counts.CdRoms);
    IdentifyNamedDevices(table, CLASS_FLOPPY, counts.Floppies);
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

void HandleDeviceChange(DeviceTable* table)
{
    bool warm = ReadEnableWarmSwapping();
    BayStatus now;
    if (!QueryBayStatus(&now))
        return;
    BayPlan plan = PlanBayChange(table->saved, now, warm);
    int rescans = 0;
    for (int i = 0; i < plan.count; i++) {
        RunStep(table, plan.steps[i], &rescans);
        NoteWorkerStep();
    }
    if (rescans > 0) {
        InstallLs120(table);
        NoteWorkerStep();
        InstallCdRoms(table);
        NoteWorkerStep();
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
