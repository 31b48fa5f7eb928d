// What both variants of the firmware operations share: the driver file's
// copy into the system directory and its removal, the error records of
// the install log, and the device call itself.
#pragma once

#include <windows.h>

#include <stddef.h>

enum { kDriverPathSize = 260 };

// An error record: both lines of WriteLogSeverity carry the same message.
void WriteErrorRecord(int severity, const char* format, ...) __attribute__((format(printf, 2, 3)));

// System directory + tail (its leading backslash dropped when the
// directory ends in one). False when the system directory cannot be had;
// the last error is then the reason (ERROR_FILENAME_EXCED_RANGE when the
// path would not fit its 260 bytes).
bool DriverTargetPath(const char* tail, char* out, size_t size);
// Directory of the program at programPath + tail. False when it would not fit.
bool DriverSourcePathOfProgram(const char* programPath, const char* tail, char* out, size_t size);

// CopyFile with overwrite; on access denied the read-only attribute of
// the destination is cleared and the copy tried once more. On failure
// *code and text are those of the first failure (5 when the retry failed too).
bool CopyDriverFile(const char* source, const char* target, DWORD* code, char* text, size_t textSize);

// Clears the read-only attribute and deletes the file; on failure *code
// and text are the deletion's error.
bool DeleteDriverFile(const char* path, DWORD* code, char* text, size_t textSize);

enum DriverLoadResult { kDriverLoaded, kDriverNoSystemDirectory, kDriverCopyFailed };
// LoadDriver of both variants: target := system directory + targetTail,
// source := directory of programPath + sourceTail, then the copy. On
// failure *code and text say why (for the step the result names).
DriverLoadResult LoadDriverFile(const char* programPath, const char* sourceTail, const char* targetTail, char* source,
                                size_t sourceSize, char* target, size_t targetSize, DWORD* code, char* text,
                                size_t textSize);

// DeviceIoControl without overlapping; *returned is 0 unless the driver
// said otherwise.
bool DeviceCall(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned);
