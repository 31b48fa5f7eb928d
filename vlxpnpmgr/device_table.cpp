#include "device_table.h"

#include <string.h>

void ForgetDevice(DeviceTable* table, int port, int target)
{
    if (port < 0 || port >= DEVICE_PORTS || target < 0 || target >= DEVICE_TARGETS)
        return;
    DeviceRecord& r = table->records[port][target];
    memset(&r, 0, sizeof r);
    r.deviceType = DEVICE_TYPE_NONE;
}

void ResetDeviceTable(DeviceTable* table)
{
    for (int port = 0; port < DEVICE_PORTS; port++) {
        for (int target = 0; target < DEVICE_TARGETS; target++)
            ForgetDevice(table, port, target);
    }
    memset(&table->saved, 0, sizeof table->saved);
}
