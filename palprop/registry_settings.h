// The registry values the pages read and write, all under
// HKEY_LOCAL_MACHINE (their names in bay_registry.h, shared with the bay
// manager). The pages never create a key. A value that cannot be read is
// off; a setting the user changed that cannot be written is told.
#pragma once

#include <windows.h>

#include "bay_registry.h"

// Whether a key opens for reading.
bool KeyOpens(const char* keyPath);

// Queries a value of an open key into 4 bytes, whatever its type. The
// bytes start as 0, so a shorter value reads as its own bytes; a longer
// one fails.
bool QueryFourBytes(HKEY key, const char* valueName, DWORD* value);

// A setting is on (1) exactly when its value reads as the number 1, else 0.
// The key is opened and closed for this one value.
int ReadSetting(const char* keyPath, const char* valueName);

// Writes a setting as REG_DWORD 1 (on: non-zero) or 0, with its own open
// and close of the key; a key that does not open is not made. The
// system's error code, ERROR_SUCCESS when the value was stored.
LONG WriteSetting(const char* keyPath, const char* valueName, int on);

// Tells the user, in a box over the page, which setting was not stored
// and the system's text for why.
void TellNotStored(HWND page, const char* valueName, LONG error);
