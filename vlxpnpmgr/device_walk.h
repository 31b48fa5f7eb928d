// Which numbers of a device class the service looks at. NT's class
// drivers give every drive that arrives the next number and never reuse
// one while the machine runs, so after weeks of swaps the counts are in
// the hundreds, and a driver may answer any count at all. The walk covers
// the numbers that have an MS-DOS name (the devices the service can know)
// and the highest numbers below the count, where drives that arrive are
// numbered: bounded work, whatever the count. Free of system calls.
#pragma once

#include <stdint.h>

#include "device_table.h"

enum DeviceClass { CLASS_DISK, CLASS_FLOPPY, CLASS_CDROM };

enum {
    // The highest numbers looked at whether named or not: as many as the
    // bays, the most drives of a class one event can bring. Each number
    // without a drive behind it costs a letter made and taken back.
    DEVICE_WALK_WINDOW = 4,
    // Named numbers of one class a walk keeps: past every drive letter and
    // disk name a machine can have at once.
    DEVICE_WALK_NAMED = 64
};

// The class and number of an NT device name: "\Device\CdRom<n>",
// "\Device\Floppy<n>", or a whole disk "\Device\Harddisk<n>\Partition0";
// false for any other name, or a number past 32 bits.
bool ClassNumberOf(const char* ntName, DeviceClass* deviceClass, uint32_t* number);

// The NT name of a class's device number, as ClassNumberOf reads it.
void ClassDeviceName(DeviceClass deviceClass, uint32_t number, char* name, int size);

// Numbers of one class that have an MS-DOS name, in the order found, each
// with the first of its names; a number is kept once, and past
// DEVICE_WALK_NAMED no more are kept. A name that does not fit is none.
struct NamedNumbers {
    int count;
    uint32_t numbers[DEVICE_WALK_NAMED];
    char names[DEVICE_WALK_NAMED][DEVICE_NAME_SIZE]; // as a device record holds them
};
void AddNamedNumber(NamedNumbers* named, uint32_t number, const char* name);

// The numbers to look at below the count: every named one and the highest
// `window`, in ascending order, each once, with whether it is named.
struct DeviceWalk {
    int count;
    uint32_t numbers[DEVICE_WALK_NAMED + DEVICE_WALK_WINDOW];
    bool named[DEVICE_WALK_NAMED + DEVICE_WALK_WINDOW];
};
void PlanDeviceWalk(const NamedNumbers& named, uint32_t classCount, uint32_t window, DeviceWalk* walk);

// The lowest named number below the count and its name, or false when
// none is.
bool LowestNamedBelow(const NamedNumbers& named, uint32_t classCount, uint32_t* number, const char** name = nullptr);
