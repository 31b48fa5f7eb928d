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

bool DriverSourcePathOfProgram(const char* programPath, const char* tail, char* out, size_t size)
{
    return DriverSourcePath(out, size, programPath, tail);
}

bool CopyDriverFile(const char* source, const char* target, DWORD* code, char* text, size_t textSize)
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

DriverLoadResult LoadDriverFile(const char* programPath, const char* sourceTail, const char* targetTail, char* source,
                                size_t sourceSize, char* target, size_t targetSize, DWORD* code, char* text,
                                size_t textSize)
{
    if (!DriverTargetPath(targetTail, target, targetSize)) {
        *code = GetLastErrorText(text, textSize);
        return kDriverNoSystemDirectory;
    }
    if (!DriverSourcePathOfProgram(programPath, sourceTail, source, sourceSize)) {
        *code = GetErrorText(text, textSize, ERROR_FILENAME_EXCED_RANGE);
        FlattenLineBreaks(text);
        return kDriverCopyFailed;
    }
    return CopyDriverFile(source, target, code, text, textSize) ? kDriverLoaded : kDriverCopyFailed;
}

bool DeleteDriverFile(const char* path, DWORD* code, char* text, size_t textSize)
{
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(path))
        return true;
    *code = GetLastErrorText(text, textSize);
    return false;
}

bool DeviceCall(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned)
{
    *returned = 0;
    return DeviceIoControl(device, code, (void*)in, inSize, out, outSize, returned, nullptr) != FALSE;
}
