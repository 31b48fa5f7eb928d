#include "driver_common.h"

#include <stdarg.h>
#include <stdio.h>

#include "firmware_bytes.h"
#include "log.h"

void WriteErrorRecord(int severity, const char* format, ...)
{
    if (!LogEnabled())
        return;
    char message[kLogLineSize];
    va_list args;
    va_start(args, format);
    if (vsnprintf(message, sizeof message, format, args) < 0)
        message[0] = '\0';
    va_end(args);
    WriteLogSeverity(message, message, severity);
}

void WriteLastErrorRecord(int severity, const char* step)
{
    char text[kMessageSize];
    DWORD code = GetLastErrorText(text, sizeof text);
    WriteErrorRecord(severity, "%s returned with Error=%lu, %s", step, code, text);
}

bool DriverTargetPath(const char* tail, char* out, size_t size)
{
    out[0] = '\0';
    char system[kDriverPathSize];
    UINT n = GetSystemDirectoryA(system, sizeof system);
    if (n == 0)
        return false;
    if (n >= sizeof system || !JoinDriverPath(out, size, system, tail)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    return true;
}

// CopyFile with overwrite; on access denied the read-only attribute of
// the destination is cleared and the copy tried once more. On failure
// *code and text are those of the first failure (5 when the retry failed too).
static bool CopyDriverFile(const char* source, const char* target, DWORD* code, char* text, size_t textSize)
{
    if (CopyFileA(source, target, FALSE))
        return true;
    *code = GetLastErrorText(text, textSize);
    if (*code != ERROR_ACCESS_DENIED)
        return false;
    // A read-only copy left by an earlier run is replaced.
    SetFileAttributesA(target, FILE_ATTRIBUTE_NORMAL);
    return CopyFileA(source, target, FALSE) != FALSE;
}

int LoadDriverFile(const DriverFileDescription& driver, const char* programPath, char* target, size_t targetSize)
{
    char source[kDriverPathSize];
    char text[kMessageSize];
    DWORD code;
    if (!DriverTargetPath(driver.targetTail, target, targetSize)) {
        code = GetLastErrorText(text, sizeof text);
        WriteErrorRecord(2, "%s - GetSystemDirectory() returned with Error=%lu, %s", driver.noSystemDirName, code,
                         text);
        return 1;
    }
    if (!DriverSourcePath(source, sizeof source, programPath, driver.sourceTail)) {
        code = GetErrorText(text, sizeof text, ERROR_FILENAME_EXCED_RANGE);
        FlattenLineBreaks(text);
    } else if (CopyDriverFile(source, target, &code, text, sizeof text)) {
        WriteLogLine(driver.loadedLine);
        return 0;
    }
    WriteErrorRecord(2, "%s - CopyFile(%s, %s, FALSE) returned with Error=%lu, %s", driver.copyFailedName, source,
                     target, code, text);
    return 1;
}

int DeleteDriverFile(const DriverFileDescription& driver, const char* target)
{
    SetFileAttributesA(target, FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(target)) {
        WriteLogLine(driver.deletedLine);
        return 0;
    }
    char text[kMessageSize];
    DWORD code = GetLastErrorText(text, sizeof text);
    WriteErrorRecord(2, "%s - DeleteFile(%s) returned with Error=%lu, %s", driver.deleteFailedName, target, code,
                     text);
    return 1;
}

bool DeviceCall(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned)
{
    *returned = 0;
    return DeviceIoControl(device, code, (void*)in, inSize, out, outSize, returned, nullptr) != FALSE;
}
