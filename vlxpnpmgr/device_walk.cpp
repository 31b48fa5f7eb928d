#include "device_walk.h"

#include <stdio.h>
#include <string.h>

namespace {

// Decimal digits at *at, moved past; false for none or past 32 bits.
bool ReadNumber(const char** at, uint32_t* number)
{
    const char* p = *at;
    if (*p < '0' || *p > '9')
        return false;
    uint64_t value = 0;
    for (; *p >= '0' && *p <= '9'; p++) {
        value = value * 10 + (uint64_t)(*p - '0');
        if (value > 0xFFFFFFFFu)
            return false;
    }
    *number = (uint32_t)value;
    *at = p;
    return true;
}

bool Skip(const char** at, const char* prefix)
{
    size_t length = strlen(prefix);
    if (strncmp(*at, prefix, length) != 0)
        return false;
    *at += length;
    return true;
}

} // namespace

bool ClassNumberOf(const char* ntName, DeviceClass* deviceClass, uint32_t* number)
{
    const char* at = ntName;
    if (Skip(&at, "\\Device\\CdRom"))
        *deviceClass = CLASS_CDROM;
    else if (Skip(&at, "\\Device\\Floppy"))
        *deviceClass = CLASS_FLOPPY;
    else if (Skip(&at, "\\Device\\Harddisk"))
        *deviceClass = CLASS_DISK;
    else
        return false;
    if (!ReadNumber(&at, number))
        return false;
    if (*deviceClass == CLASS_DISK && !Skip(&at, "\\Partition0"))
        return false;
    return *at == '\0';
}

void ClassDeviceName(DeviceClass deviceClass, uint32_t number, char* name, int size)
{
    static const char* const kFormats[] = {"\\Device\\Harddisk%lu\\Partition0", "\\Device\\Floppy%lu",
                                           "\\Device\\CdRom%lu"};
    snprintf(name, (size_t)size, kFormats[deviceClass], (unsigned long)number);
}

void AddNamedNumber(NamedNumbers* named, uint32_t number, const char* name)
{
    size_t length = strlen(name);
    if (length >= DEVICE_NAME_SIZE)
        return;
    for (int i = 0; i < named->count; i++) {
        if (named->numbers[i] == number)
            return;
    }
    if (named->count >= DEVICE_WALK_NAMED)
        return;
    named->numbers[named->count] = number;
    memcpy(named->names[named->count], name, length + 1);
    named->count++;
}

void PlanDeviceWalk(const NamedNumbers& named, uint32_t classCount, uint32_t window, DeviceWalk* walk)
{
    walk->count = 0;
    if (window > DEVICE_WALK_WINDOW)
        window = DEVICE_WALK_WINDOW;
    uint32_t windowStart = classCount > window ? classCount - window : 0;
    // The named numbers below the window, then the whole window: an
    // insertion sort, as the lists are a few dozen at most.
    for (int i = 0; i < named.count; i++) {
        uint32_t n = named.numbers[i];
        if (n >= windowStart)
            continue;
        int at = walk->count++;
        while (at > 0 && walk->numbers[at - 1] > n) {
            walk->numbers[at] = walk->numbers[at - 1];
            at--;
        }
        walk->numbers[at] = n;
    }
    for (int i = 0; i < walk->count; i++)
        walk->named[i] = true;
    for (uint32_t n = windowStart; n < classCount; n++) {
        bool isNamed = false;
        for (int i = 0; i < named.count && !isNamed; i++)
            isNamed = named.numbers[i] == n;
        walk->numbers[walk->count] = n;
        walk->named[walk->count] = isNamed;
        walk->count++;
    }
}

bool LowestNamedBelow(const NamedNumbers& named, uint32_t classCount, uint32_t* number, const char** name)
{
    int lowest = -1;
    for (int i = 0; i < named.count; i++) {
        if (named.numbers[i] < classCount && (lowest < 0 || named.numbers[i] < named.numbers[lowest]))
            lowest = i;
    }
    if (lowest < 0)
        return false;
    *number = named.numbers[lowest];
    if (name)
        *name = named.names[lowest];
    return true;
}
