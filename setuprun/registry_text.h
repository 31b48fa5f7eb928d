// Registry command text rules, free of Windows calls: root key names, the
// six-field lines of CMD14 and its hexadecimal data conversions.
#pragma once

#include <stddef.h>

enum RootKeyId {
    kRootClassesRoot,
    kRootCurrentUser,
    kRootLocalMachine,
    kRootUsers,
    kRootPerformanceData,
    kRootCurrentConfig,
    kRootDynData,
    kRootNotFound = -1,
};

// "HKEY_CURRENT_USER" and the like, compared without case (CMD03/04/12).
RootKeyId FindRootByLongName(const char* name);
// "HKCU" and the like, compared without case (CMD14).
RootKeyId FindRootByAbbreviation(const char* name);
const char* RootLongName(RootKeyId id);

// A CMD14 line: action, root, key, value name, type, data. The line is cut
// in place at its first five commas; the data is everything after the
// fifth, commas included. Returns the number of fields found: 6 for a
// well-formed line, fewer when a comma is missing (the fields after the
// last comma found are null).
enum { kRegistryLineFields = 6 };
int SplitRegistryLine(char* line, char* fields[kRegistryLineFields]);

// True when a key path names no key below its root: empty, or nothing but
// blanks and backslashes. Deleting such a "key" with its subtree would
// empty the whole root (every key of the user, or of the machine).
bool NamesWholeRoot(const char* keyPath);

// Hexadecimal data of CMD14, read after turning the text to upper case:
// "0".."9" and "A".."F" are digits, any other character counts as 0.
// Type 1: digit pairs become bytes, first digit high; an unpaired last
// digit is dropped. Returns the byte count (at most outSize).
size_t HexTextToBytes(const char* text, unsigned char* out, size_t outSize);
// Type 2: the text as one number, read as if a "0" followed an odd count
// of digits; only the low 32 bits remain.
unsigned long HexTextToDword(const char* text);

// The DWORD data of CMD03: an unsigned decimal number, or hexadecimal after
// "0x" (or "0X"), of at most 32 bits. Anything else (empty text, a sign,
// blanks, letters, "0x" without digits, a larger number) is refused:
// returns false and leaves *value alone.
bool ParseDwordText(const char* text, unsigned long* value);
