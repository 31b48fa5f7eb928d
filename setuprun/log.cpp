#include "log.h"

#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#include "text.h"

static bool s_enabled = false;
static char s_path[kLogPathSize] = SETUPRUN_DEFAULT_LOG_PATH;
static char s_program[64] = "";

void LogSetProgramName(const char* programFileName)
{
    CopyText(s_program, sizeof s_program, programFileName);
}

bool LogSetPath(const char* path)
{
    if (strlen(path) >= sizeof s_path)
        return false;
    CopyText(s_path, sizeof s_path, path);
    return true;
}

const char* LogPath()
{
    return s_path;
}

void LogEnable()
{
    s_enabled = true;
}

bool LogEnabled()
{
    return s_enabled;
}

// Opens the log for one line; null when logging is off or the file (or
// its directory) is missing and cannot be made: the line is dropped.
static FILE* OpenLog()
{
    if (!s_enabled)
        return nullptr;
    return fopen(s_path, "a+");
}

static void CurrentTimeStamp(char* out, size_t size)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    FormatTimeStamp(out, size, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
}

void WriteLog(const char* label, const char* text)
{
    if (!s_enabled)
        return;
    // The system's last error belongs to the caller; a log line must not change it.
    DWORD lastError = GetLastError();
    char stamp[32];
    CurrentTimeStamp(stamp, sizeof stamp);
    FILE* file = OpenLog();
    if (file) {
        char* line = (char*)malloc(kLogLineSize);
        if (line) {
            FormatLogLine(line, kLogLineSize, stamp, s_program, label, text);
            fprintf(file, "%s\n", line);
            free(line);
        }
        fclose(file);
    }
    SetLastError(lastError);
}

void WriteLogf(const char* label, const char* textFormat, ...)
{
    if (!s_enabled)
        return;
    char text[kLogLineSize];
    va_list args;
    va_start(args, textFormat);
    if (vsnprintf(text, sizeof text, textFormat, args) < 0)
        text[0] = '\0';
    va_end(args);
    WriteLog(label, text);
}

void WriteLogLine(const char* text)
{
    if (!s_enabled)
        return;
    DWORD lastError = GetLastError();
    char stamp[32];
    CurrentTimeStamp(stamp, sizeof stamp);
    FILE* file = OpenLog();
    if (file) {
        char* line = (char*)malloc(kLogLineSize);
        if (line) {
            FormatText(line, kLogLineSize, "%s %s", stamp, text);
            fprintf(file, "%s\n", line);
            free(line);
        }
        fclose(file);
    }
    SetLastError(lastError);
}

void WriteLogSeverity(const char* text1, const char* text2, int severity)
{
    if (!s_enabled)
        return;
    DWORD lastError = GetLastError();
    FILE* file = OpenLog();
    if (file) {
        char* line = (char*)malloc(kLogLineSize);
        if (line) {
            const char* prefix = SeverityPrefix(severity);
            FormatText(line, kLogLineSize, "%s%s", prefix, text2);
            fprintf(file, "%s\n", line);
            FormatText(line, kLogLineSize, "%s%s", prefix, text1);
            fprintf(file, "%s\n", line);
            free(line);
        }
        fclose(file);
    }
    SetLastError(lastError);
}

// FormatMessageA's text for a code, or empty when the system has none.
static void SystemMessage(DWORD code, char* buffer, size_t size)
{
    char* message = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                                 FORMAT_MESSAGE_FROM_SYSTEM,
                             nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), (LPSTR)&message, 0,
                             nullptr);
    CopyText(buffer, size, (n && message) ? message : "");
    if (message)
        LocalFree(message);
}

unsigned long GetLastErrorText(char* buffer, size_t size)
{
    DWORD code = GetLastError();
    SystemMessage(code, buffer, size);
    FlattenLineBreaks(buffer);
    SetLastError(code);
    return code;
}

void FormatLastErrorLabel(char* label, size_t size, const char* labelFormat, const char* subject)
{
    char errorText[kLogLineSize];
    DWORD code = GetLastErrorText(errorText, sizeof errorText);
    if (subject)
        FormatText(label, size, labelFormat, subject, code, errorText);
    else
        FormatText(label, size, labelFormat, code, errorText);
}

unsigned long GetErrorText(char* buffer, size_t size, unsigned long code)
{
    SystemMessage(code, buffer, size);
    return code;
}
