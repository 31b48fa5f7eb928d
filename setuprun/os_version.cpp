#include "os_version.h"

#include <windows.h>

OsKind ClassifyOs(unsigned long platformId, unsigned long major, unsigned long minor)
{
    if (platformId == VER_PLATFORM_WIN32_WINDOWS && major == 4 && minor == 0)
        return kOsWin95;
    if (platformId == VER_PLATFORM_WIN32_WINDOWS && major == 4 && minor == 10)
        return kOsWin98;
    if (platformId == VER_PLATFORM_WIN32_NT && major == 4 && minor == 0)
        return kOsWinNT4;
    if (platformId == VER_PLATFORM_WIN32_NT && major == 5 && minor == 0)
        return kOsWin2000;
    return kOsOther;
}

static bool QueryVersion(OSVERSIONINFOA* info)
{
    ZeroMemory(info, sizeof *info);
    info->dwOSVersionInfoSize = sizeof *info; // 148 bytes
    return GetVersionExA(info) != FALSE;
}

static OsKind CurrentOs()
{
    OSVERSIONINFOA info;
    if (!QueryVersion(&info))
        return kOsOther;
    return ClassifyOs(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

bool IsWin95()
{
    return CurrentOs() == kOsWin95;
}

bool IsWin98()
{
    return CurrentOs() == kOsWin98;
}

bool IsWinNT4()
{
    return CurrentOs() == kOsWinNT4;
}

bool IsWin2000()
{
    return CurrentOs() == kOsWin2000;
}

bool IsWinNT()
{
    OSVERSIONINFOA info;
    return QueryVersion(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}
