// Exact Windows version tests. Each asks GetVersionExA and answers false
// when that call fails.
#pragma once

bool IsWin95();   // platform 1 (Windows), 4.0
bool IsWin98();   // platform 1, 4.10
bool IsWinNT4();  // platform 2 (NT), 4.0
bool IsWin2000(); // platform 2, 5.0
bool IsWinNT();   // any platform 2 system

// The classification itself, free of Windows calls.
enum OsKind { kOsOther, kOsWin95, kOsWin98, kOsWinNT4, kOsWin2000 };
OsKind ClassifyOs(unsigned long platformId, unsigned long major, unsigned long minor);
