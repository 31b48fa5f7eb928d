// The service body: start-up checks, the stock of drives, and the loop
// that handles every bay change until the service is stopped.
#pragma once

#include <windows.h>

#include "device_table.h"

#define SHUTDOWN_EVENT_NAME "PNPMGR_SHUTDOWN_EVENT"
#define MY_COMPUTER_KEY "CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}"
// WM_COMMAND to the My Computer window: command 0xA065, notification 1.
#define DRIVE_WINDOW_COMMAND 0x1A065

void WINAPI ServiceMain(DWORD argc, LPSTR* argv);
void WINAPI ControlHandler(DWORD control);
void InitialScan(DeviceTable* table);
void HandleDeviceChange(DeviceTable* table);
void NotifyDriveWindow();
