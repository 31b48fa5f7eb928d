// What both variants of the firmware operations share: the driver file's
// copy into the system directory and its removal, the error records of
// the install log, and the device call itself.
#pragma once

#include <windows.h>

#include <stddef.h>

enum { kDriverPathSize = 260 };

// An error record: both lines of WriteLogSeverity carry the same message.
void WriteErrorRecord(int severity, const char* format, ...) __attribute__((format(printf, 2, 3)));
// The error record of a failed step, with the calling thread's last error:
// "<step> returned with Error=<code>, <system text>".
void WriteLastErrorRecord(int severity, const char* step);

// System directory + tail (its leading backslash dropped when the
// directory ends in one). False when the system directory cannot be had;
// the last error is then the reason (ERROR_FILENAME_EXCED_RANGE when the
// path would not fit its 260 bytes).
bool DriverTargetPath(const char* tail, char* out, size_t size);
// The driver file of one variant and the words its loading and removal
// log. Each log text is composed as "<name> - <step> returned with
// Error=<code>, <text>"; the names differ even in letter case between the
// steps of one variant ("LoadNVXMgmt", "LoadNVXmgmt") and are kept so.
struct DriverFileDescription {
    const char* sourceTail;       // beside the program
    const char* targetTail;       // in the system directory
    const char* noSystemDirName;  // "<name> - GetSystemDirectory() returned with ..."
    const char* copyFailedName;   // "<name> - CopyFile(<source>, <target>, FALSE) returned with ..."
    const char* loadedLine;       // the trace line of a load
    const char* deleteFailedName; // "<name> - DeleteFile(<target>) returned with ..."
    const char* deletedLine;      // the trace line of a removal
};

// LoadDriver of both variants: copies the driver file from the directory
// of programPath into the system directory (target receives its path,
// empty when the system directory cannot be had) and logs the outcome. A
// read-only copy left by an earlier run is replaced. 0 on success, 1 on
// failure.
int LoadDriverFile(const DriverFileDescription& driver, const char* programPath, char* target, size_t targetSize);

// Clears the read-only attribute of the copied file at target, deletes it
// and logs the outcome. 0 on success, 1 on failure.
int DeleteDriverFile(const DriverFileDescription& driver, const char* target);

// DeviceIoControl without overlapping; *returned is 0 unless the driver
// said otherwise.
bool DeviceCall(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned);
