// What the service knows of the devices behind the bay controller: one
// record per SCSI port (0-5) and target (0-1), and the bay status saved
// at the previous device-change event. Records are filled, found and
// forgotten only here, so the table's bounds are checked in one place.
#pragma once

#include <stdint.h>

#include "bay_requests.h"
#include "scsi_text.h"

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

// The record of (port, target), present or not; null for a port or
// target the controller does not have.
const DeviceRecord* FindDeviceRecord(const DeviceTable* table, int port, int target);

// Records the device found at the entry's target of `port`, known by its
// NT and MS-DOS names; names too long for the record are cut to fit.
// False, and nothing recorded, for a port or target without a record.
bool RecordDevice(DeviceTable* table, int port, const InquiryEntry& entry, const char* ntName, const char* dosName);

// The record of (port, target) as nothing present: its device has left,
// or the bay now holds something else. Nothing for an address without a
// record.
void ForgetDevice(DeviceTable* table, int port, int target);
