#include "drive_links.h"

#include <windows.h>

#include <string.h>

#include "bay_driver.h"
#include "link_text.h"

bool FindDosName(const char* ntName, char* name, size_t size)
{
    char names[DOS_NAME_LIST_SIZE];
    char targets[DOS_NAME_LIST_SIZE];
    if (size)
        name[0] = '\0';
    DWORD count = QueryDosDeviceA(nullptr, names, sizeof names);
    if (count == 0 || count > sizeof names)
        return false;
    NameList list(names, count);
    for (const char* dosName = list.Next(); dosName; dosName = list.Next()) {
        DWORD targetCount = QueryDosDeviceA(dosName, targets, sizeof targets);
        if (targetCount == 0 || targetCount > sizeof targets)
            return false; // the search ends at the first name that cannot be read
        NameList targetList(targets, targetCount);
        for (const char* target = targetList.Next(); target; target = targetList.Next()) {
            if (strcmp(target, ntName) != 0)
                continue;
            size_t length = strlen(dosName);
            if (length + 1 <= size) {
                memcpy(name, dosName, length + 1);
                return true;
            }
            break; // too long for the caller: a later name may still serve
        }
    }
    return false;
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

bool DefineDriveLink(const char* dosName, const char* ntName)
{
    char linkName[DEFINE_LINK_NAME_SIZE];
    if (!dosName) {
        char letter[3];
        if (!FirstFreeDriveLetter(2, letter, sizeof letter))
            return false;
        FormatLinkName(linkName, sizeof linkName, letter);
    } else if (!FormatLinkName(linkName, sizeof linkName, dosName)) {
        return false;
    }
    if (!ntName)
        return false;
    return SendDefineLink(linkName, ntName);
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
    char targets[DOS_NAME_LIST_SIZE];
    DWORD count = QueryDosDeviceA(dosName, targets, sizeof targets);
    if (count == 0 || count > sizeof targets)
        return false;
    NameList list(targets, count);
    const char* first = list.Next();
    return first && strcmp(first, ntName) == 0;
}

int RemovePartitionLinks(int disk)
{
    // The names are read once, then walked: deleting a link does not
    // move the names still to be looked at.
    char names[DOS_NAME_LIST_SIZE];
    char targets[DOS_NAME_LIST_SIZE];
    DWORD count = QueryDosDeviceA(nullptr, names, sizeof names);
    if (count == 0 || count > sizeof names)
        return 0;
    int removed = 0;
    NameList list(names, count);
    for (const char* dosName = list.Next(); dosName; dosName = list.Next()) {
        DWORD targetCount = QueryDosDeviceA(dosName, targets, sizeof targets);
        if (targetCount == 0 || targetCount > sizeof targets)
            continue;
        NameList targetList(targets, targetCount);
        const char* target = targetList.Next();
        if (target && IsPartitionOfDisk(target, disk) && RemoveDriveLink(dosName))
            removed++;
    }
    return removed;
}
