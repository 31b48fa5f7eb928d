// What the service does when a drive arrives in a bay or leaves it:
// drivers started, ports rescanned, new devices found and given drive
// letters, leaving devices taken out of use, each step shown in a
// progress window. All on the service thread; each reports success.
#pragma once

#include "device_table.h"

bool RescanPort(int port);
bool InstallFloppy();
bool RemoveFloppy();
void ReletterFloppies();
bool InstallLs120(DeviceTable* table);
bool InstallCdRoms(DeviceTable* table);
bool InstallHardDisks(DeviceTable* table);
bool AssignPartitionLetters(const char* diskName, uint32_t disk);
bool RemoveBayDevice(DeviceTable* table, int port, int target);

#define FLOPPY0_NAME "\\Device\\Floppy0"
#define SYSTEM_PARTITION_NAME "\\Device\\Harddisk0\\Partition1"
