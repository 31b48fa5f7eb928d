// Drive letters and disk names of bay devices: links in \DosDevices that
// the bay driver makes and deletes, found with QueryDosDevice and chosen
// with GetLogicalDrives.
#pragma once

#include <stddef.h>

#include "device_walk.h"

// The first MS-DOS name (in the system's order) whose link points at the
// NT name exactly, into name (size bytes). False when there is none, when
// a name before it cannot be read (the search ends there), or when no
// matching name fits the buffer.
bool FindDosName(const char* ntName, char* name, size_t size);

// The numbers of the class whose device FindDosName would find under a
// name a device record holds, each with that name, from one pass over
// the names.
void ReadNamedNumbers(DeviceClass deviceClass, NamedNumbers* named);

// The first free drive letter at or after the index (0 is A:) as "X:"
// with its NUL; 2, or 0 when none is free or the buffer is too small.
int FirstFreeDriveLetter(int start, char* letter, size_t size);

// Links the MS-DOS name (the first free letter from C: when null) to the
// NT name. With no name given, `chosen` (3 bytes, when not null) receives
// the letter linked, or is left empty.
bool DefineDriveLink(const char* dosName, const char* ntName, char* chosen = nullptr);

// Deletes the link of the MS-DOS name.
bool RemoveDriveLink(const char* dosName);

// Whether the MS-DOS name's link leads to the NT name (its first target,
// compared exactly).
bool LinkLeadsTo(const char* dosName, const char* ntName);

// Deletes every link that leads to the NT name (its first target) and,
// for a whole disk other than the system disk (Harddisk0), every link to
// one of its partitions, in one pass over the names; the count deleted.
// A drive taken out of use may have had further letters (a restarted
// class driver gives every drive of its class one more), and a disk's
// partitions leave with it.
int RemoveLinksTo(const char* ntName);

// Buffer sizes of the link operations; a name that does not fit is
// refused, never cut (a cut name could be another device's).
enum {
    DEFINE_LINK_NAME_SIZE = 80,
    REMOVE_LINK_NAME_SIZE = 40
};
