#include "device_table.h"

#include <stdio.h>
#include <string.h>

const DeviceRecord* FindDeviceRecord(const DeviceTable* table, int port, int target)
{
    if (port < 0 || port >= DEVICE_PORTS || target < 0 || target >= DEVICE_TARGETS)
        return nullptr;
    return &table->records[port][target];
}

// The same record, to be changed: the bounds stay checked in one place.
static DeviceRecord* RecordAt(DeviceTable* table, int port, int target)
{
    return const_cast<DeviceRecord*>(FindDeviceRecord(table, port, target));
}

bool RecordDevice(DeviceTable* table, int port, const InquiryEntry& entry, const char* ntName, const char* dosName)
{
    DeviceRecord* r = RecordAt(table, port, entry.target);
    if (!r)
        return false;
    r->present = true;
    snprintf(r->ntName, sizeof r->ntName, "%s", ntName);
    snprintf(r->dosName, sizeof r->dosName, "%s", dosName);
    snprintf(r->description, sizeof r->description, "%s", entry.description);
    r->port = (uint8_t)port;
    r->path = entry.path;
    r->target = entry.target;
    r->lun = entry.lun;
    r->deviceType = entry.deviceType;
    return true;
}

void ForgetDevice(DeviceTable* table, int port, int target)
{
    DeviceRecord* r = RecordAt(table, port, target);
    if (!r)
        return;
    memset(r, 0, sizeof *r);
    r->deviceType = DEVICE_TYPE_NONE;
}

void ResetDeviceTable(DeviceTable* table)
{
    for (int port = 0; port < DEVICE_PORTS; port++) {
        for (int target = 0; target < DEVICE_TARGETS; target++)
            ForgetDevice(table, port, target);
    }
    memset(&table->saved, 0, sizeof table->saved);
}
