// The lists QueryDosDevice gives: every MS-DOS name, or the targets of
// one name. NT 4.0 lists a few hundred bytes; Windows 2000 lists a name
// for every volume and device interface besides the letters, several KB.
// A list is read into a buffer that grows until it fits.
#pragma once

#include <windows.h>

enum {
    DOS_NAME_LIST_SIZE = 2048,      // the first buffer: where a list is short, nothing else is used
    DOS_NAME_LIST_LIMIT = 1 << 20   // past any real list: an answer that never fits is no list
};

struct DosNameList {
    char* text;  // the list: NUL-ended names, an empty name at the end
    DWORD count; // characters the system returned
    char first[DOS_NAME_LIST_SIZE];
};

// Reads every MS-DOS name (dosName null) or the targets of one name into
// the list, from 2,048 bytes on, doubling while the system says the list
// does not fit. False when the system refuses otherwise (a name that is
// no link, a name gone since), or past DOS_NAME_LIST_LIMIT, or when
// memory runs out. The list is freed with FreeDosNames in every case.
bool ReadDosNames(const char* dosName, DosNameList* list);
void FreeDosNames(DosNameList* list);
