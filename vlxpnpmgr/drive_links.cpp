#include "drive_links.h"

#include <windows.h>

#include <string.h>

#include "bay_driver.h"
#include "dos_names.h"
#include "link_text.h"

bool FindDosName(const char* ntName, char* name, size_t size)
{
    if (size)
        name[0] = '\0';
    DosNameList names, targets;
    if (!ReadDosNames(nullptr, &names))
        return false;
    bool found = false;
    NameList list(names.text, names.count);
    for (const char* dosName = list.Next(); dosName && !found; dosName = list.Next()) {
        if (!ReadDosNames(dosName, &targets))
            break; // the search ends at the first name that cannot be read
        NameList targetList(targets.text, targets.count);
        for (const char* target = targetList.Next(); target; target = targetList.Next()) {
            if (strcmp(target, ntName) != 0)
                continue;
            size_t length = strlen(dosName);
            if (length + 1 <= size) {
                memcpy(name, dosName, length + 1);
                found = true;
            }
            break; // too long for the caller: a later name may still serve
        }
        FreeDosNames(&targets);
    }
    FreeDosNames(&names);
    return found;
}

void ReadNamedNumbers(DeviceClass deviceClass, NamedNumbers* named)
{
    named->count = 0;
    DosNameList names, targets;
    if (!ReadDosNames(nullptr, &names))
        return;
    NameList list(names.text, names.count);
    for (const char* dosName = list.Next(); dosName; dosName = list.Next()) {
        if (!ReadDosNames(dosName, &targets))
            break; // as FindDosName: names after an unreadable one are not found
        NameList targetList(targets.text, targets.count);
        for (const char* target = targetList.Next(); target; target = targetList.Next()) {
            DeviceClass c;
            uint32_t number;
            if (ClassNumberOf(target, &c, &number) && c == deviceClass)
                AddNamedNumber(named, number, dosName); // a name too long for a record is none
        }
        FreeDosNames(&targets);
    }
    FreeDosNames(&names);
}

int FirstFreeDriveLetter(int start, char* letter, size_t size)
{
    if (size < 3)
        return 0;
    int index = FirstClearLetter((uint32_t)GetLogicalDrives(), start);
    if (index < 0)
        return 0;
    letter[0] = (char)('A' + index);
    letter[1] = ':';
    letter[2] = '\0';
    return 2;
}

bool DefineDriveLink(const char* dosName, const char* ntName, char* chosen)
{
    char linkName[DEFINE_LINK_NAME_SIZE];
    char letter[3] = "";
    if (chosen)
        chosen[0] = '\0';
    if (!dosName) {
        if (!FirstFreeDriveLetter(2, letter, sizeof letter))
            return false;
        FormatLinkName(linkName, sizeof linkName, letter);
    } else if (!FormatLinkName(linkName, sizeof linkName, dosName)) {
        return false;
    }
    if (!ntName || !SendDefineLink(linkName, ntName))
        return false;
    if (chosen)
        memcpy(chosen, letter, sizeof letter);
    return true;
}

bool RemoveDriveLink(const char* dosName)
{
    char linkName[REMOVE_LINK_NAME_SIZE];
    if (!FormatLinkName(linkName, sizeof linkName, dosName))
        return false;
    return SendRemoveLink(linkName);
}

bool LinkLeadsTo(const char* dosName, const char* ntName)
{
    DosNameList targets;
    if (!ReadDosNames(dosName, &targets))
        return false;
    NameList list(targets.text, targets.count);
    const char* first = list.Next();
    bool leads = first && strcmp(first, ntName) == 0;
    FreeDosNames(&targets);
    return leads;
}

// Deletes every link whose first target the test accepts; the count
// deleted. The names are read once, then walked: deleting a link does not
// move the names still to be looked at.
static int RemoveLinksWhere(bool (*accepts)(const char* target, const void* context), const void* context)
{
    DosNameList names, targets;
    if (!ReadDosNames(nullptr, &names))
        return 0;
    int removed = 0;
    NameList list(names.text, names.count);
    for (const char* dosName = list.Next(); dosName; dosName = list.Next()) {
        if (!ReadDosNames(dosName, &targets))
            continue;
        NameList targetList(targets.text, targets.count);
        const char* target = targetList.Next();
        if (target && accepts(target, context) && RemoveDriveLink(dosName))
            removed++;
        FreeDosNames(&targets);
    }
    FreeDosNames(&names);
    return removed;
}

// The device's own name, or for a whole disk one of its partitions too
// (never the system disk's: disk 0 holds C:).
static bool IsOfDevice(const char* target, const void* ntName)
{
    const char* device = static_cast<const char*>(ntName);
    int disk = WholeDiskNumber(device);
    return strcmp(target, device) == 0 || (disk > 0 && IsPartitionOfDisk(target, disk));
}

int RemoveLinksTo(const char* ntName)
{
    return RemoveLinksWhere(IsOfDevice, ntName);
}
