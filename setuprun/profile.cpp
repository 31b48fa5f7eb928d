#include "profile.h"

#include <windows.h>

#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "log.h"
#include "os_version.h"
#include "run_state.h"
#include "text.h"

enum {
    kFirstSectionBufferSize = 260,
    kWin9xSectionLimit = 32768, // the largest buffer on 9x is 16640 bytes
};

// GetPrivateProfileSectionA answers size - 2 when the section did not fit.
static bool SectionFits(DWORD n, int size)
{
    return (long long)n < (long long)size - 2;
}

// After a cut read the last line is incomplete. Drops it, so that a
// shortened command (a cut path, a cut section name) is never executed.
static void DropCutLastLine(char* buffer)
{
    char* last = nullptr;
    for (char* line = buffer; line && *line; line = NextSectionLine(line))
        last = line;
    if (!last)
        return;
    WriteLogf("WARNING-=-", "section cut at its size limit, dropping its last line >%s<", last);
    *last = '\0';
}

char* LoadProfileSection(const char* section, const char* file)
{
    int size = kFirstSectionBufferSize;
    char* buffer = (char*)malloc(size);
    if (!buffer)
        return nullptr;
    for (;;) {
        DWORD n = GetPrivateProfileSectionA(section, buffer, (DWORD)size, file);
        if (SectionFits(n, size)) {
            if (n == 0 || buffer[0] == '\0') {
                free(buffer);
                return nullptr;
            }
            return buffer;
        }
        if (size > kWin9xSectionLimit / 2 && (IsWin95() || IsWin98())) {
            WriteLog("WARINING", "-=-Section Size is to large for Win9X");
            DropCutLastLine(buffer);
            if (buffer[0] == '\0') {
                free(buffer);
                return nullptr;
            }
            return buffer;
        }
        if (size > INT_MAX / 2) {
            WriteLogf("ERROR-=-", "section [%s] is too large to read", section);
            free(buffer);
            return nullptr;
        }
        free(buffer);
        size *= 2;
        buffer = (char*)malloc(size);
        if (!buffer)
            return nullptr;
    }
}

int GetProfileSectionSize(const char* section, const char* file)
{
    int size = kFirstSectionBufferSize;
    for (;;) {
        char* buffer = (char*)malloc(size);
        if (!buffer) {
            WriteLog("GetProfileSectionSize()", "malloc returned a NULL pointer");
            return 0;
        }
        DWORD n = GetPrivateProfileSectionA(section, buffer, (DWORD)size, file);
        free(buffer);
        if (SectionFits(n, size))
            return (int)n;
        if (size > kWin9xSectionLimit / 2) {
            WriteLog("WARINING", "-=-Section Size is to large for Win9X");
            return size;
        }
        size *= 2;
    }
}

char* NextSectionLine(char* line)
{
    line += strlen(line) + 1;
    return *line ? line : nullptr;
}

void ReadScriptString(const char* section, const char* key, const char* fallback, char* out, size_t size)
{
    GetPrivateProfileStringA(section, key, fallback, out, (DWORD)size, g_run.scriptPath);
}

int ReadScriptInt(const char* section, const char* key, int fallback)
{
    return (int)GetPrivateProfileIntA(section, key, fallback, g_run.scriptPath);
}

bool WriteScriptString(const char* section, const char* key, const char* value)
{
    return WritePrivateProfileStringA(section, key, value, g_run.scriptPath) != FALSE;
}

bool WriteScriptInt(const char* section, const char* key, int value)
{
    char text[16];
    FormatText(text, sizeof text, "%d", value);
    return WriteScriptString(section, key, text);
}

void FlushScript()
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, g_run.scriptPath);
}

void ReadCommandField(int n, int m, const char* fallback, char* out, size_t size)
{
    char key[40];
    FormatText(key, sizeof key, "CmdSection%d.%d", n, m);
    ReadScriptString("Commands", key, fallback, out, size);
}

bool ReadWholeSection(const char* section, const char* file, char** text)
{
    *text = nullptr;
    for (int size = kFirstSectionBufferSize;; size *= 2) {
        char* buffer = (char*)malloc(size);
        if (!buffer)
            return false;
        DWORD n = GetPrivateProfileSectionA(section, buffer, (DWORD)size, file);
        if (SectionFits(n, size)) {
            if (n == 0 || buffer[0] == '\0')
                free(buffer);
            else
                *text = buffer;
            return true;
        }
        free(buffer);
        if (size > INT_MAX / 2)
            return false;
    }
}

int ReadCommandFieldInt(int n, int m, int fallback)
{
    char key[40];
    FormatText(key, sizeof key, "CmdSection%d.%d", n, m);
    return ReadScriptInt("Commands", key, fallback);
}
