// What the service knows of the devices behind the bay controller: one
// record per SCSI port (0-5) and target (0-1), and the bay status saved
// at the previous device-change event.
#pragma once

#include <stdint.h>

#include "bay_requests.h"

enum {
    DEVICE_PORTS = BAY_SCSI_PORTS,
    DEVICE_TARGETS = 2,
    DEVICE_NAME_SIZE = 40,
    DEVICE_DESCRIPTION_SIZE = 63,
    DEVICE_TYPE_NONE = 99
};

struct DeviceRecord {
    bool present;
    char ntName[DEVICE_NAME_SIZE];
    char dosName[DEVICE_NAME_SIZE];
    char description[DEVICE_DESCRIPTION_SIZE];
    uint8_t port, path, target, lun;
    uint32_t deviceType;
};

struct ScsiAddress {
    uint8_t port, path, target, lun;
};

struct DeviceTable {
    DeviceRecord records[DEVICE_PORTS][DEVICE_TARGETS];
    BayStatus saved;
};

// Every record as nothing present; the saved status all zero.
void ResetDeviceTable(DeviceTable* table);

// The record of (port, target) as nothing present: its device has left,
// or the bay now holds something else.
void ForgetDevice(DeviceTable* table, int port, int target);
