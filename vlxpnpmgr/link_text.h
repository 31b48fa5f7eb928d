// Text rules of drive-letter links, free of system calls: letter choice,
// link names, the define request's bytes, and walking the name lists
// that the system returns. Lists and names come from outside: nothing
// here reads or writes past the bytes it is given.
#pragma once

#include <stddef.h>
#include <stdint.h>

// The lowest letter index from start (a negative start counts as 0) to 25
// whose bit is clear in the mask of letters in use; -1 when none is.
int FirstClearLetter(uint32_t lettersInUse, int start);

// "\DosDevices\<name>" into out; false (out empty) when it does not fit.
bool FormatLinkName(char* out, size_t size, const char* dosName);

// The define request: the link name, NUL, the NT name, NUL. Its length,
// or 0 when it does not fit.
size_t BuildDefineLinkRequest(const char* linkName, const char* ntName, char* out, size_t size);

// The disk number of a whole disk's NT name "\Device\Harddisk<n>\Partition0",
// or -1 for any other name (numbers past what an int holds included).
int WholeDiskNumber(const char* ntName);

// Whether the NT name is a partition (number 1 or more) of the disk:
// "\Device\Harddisk<disk>\Partition<n>", n written in decimal digits.
bool IsPartitionOfDisk(const char* ntName, int disk);

// Walks a list of NUL-ended names as the system returns it, within the
// count of characters returned. The list ends at an empty name or at the
// count; a last name without its NUL inside the count is not taken.
class NameList {
public:
    NameList(const char* list, size_t count) : list_(list), count_(count) {}
    // The next name, or null at the end of the list.
    const char* Next();

private:
    const char* list_;
    size_t count_;
    size_t at_ = 0;
};
