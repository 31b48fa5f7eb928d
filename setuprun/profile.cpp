#include "profile.h"

#include <windows.h>

#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "log.h"
#include "os_version.h"
#include "section_read.h"
#include "text.h"

// The private-profile reader behind the shared section-read logic.
static unsigned long ReadProfileSection(void* context, const char* section, char* buffer, unsigned long size)
{
    return GetPrivateProfileSectionA(section, buffer, (DWORD)size, (const char*)context);
}

static void LogCutForWin9x(void*, const char* droppedLine)
{
    WriteLog("WARINING", "-=-Section Size is to large for Win9X");
    if (droppedLine)
        WriteLogf("WARNING-=-", "section cut at its size limit, dropping its last line >%s<", droppedLine);
}

static void LogTooLarge(void*, const char* section)
{
    WriteLogf("ERROR-=-", "section [%s] is too large to read", section);
}

// A section's text is never longer than its file: its lines lose their
// line ends to one NUL each, and the list's last NUL and the two that
// GetPrivateProfileSectionA keeps free are the few bytes more. 0 when the
// file cannot be found.
static unsigned long SectionBufferFor(const char* file)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(file, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    if (found.nFileSizeHigh != 0 || found.nFileSizeLow > INT_MAX / 2)
        return 0;
    return found.nFileSizeLow + 4;
}

char* LoadProfileSection(const char* section, const char* file)
{
    bool win9x = IsWin95() || IsWin98();
    SectionReadHooks hooks = {ReadProfileSection, LogCutForWin9x, LogTooLarge, (void*)file,
                              win9x ? 0 : SectionBufferFor(file)};
    return ReadSectionText(&hooks, section, win9x);
}

bool SectionHasText(const char* section, const char* file)
{
    return ForEachSectionLine(section, file, [](char*) { return false; }) != kSectionMissing;
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

void ReadScriptString(const char* script, const char* section, const char* key, const char* fallback, char* out,
                      size_t size)
{
    GetPrivateProfileStringA(section, key, fallback, out, (DWORD)size, script);
}

int ReadScriptInt(const char* script, const char* section, const char* key, int fallback)
{
    return (int)GetPrivateProfileIntA(section, key, fallback, script);
}

bool WriteScriptString(const char* script, const char* section, const char* key, const char* value)
{
    return WritePrivateProfileStringA(section, key, value, script) != FALSE;
}

bool WriteScriptInt(const char* script, const char* section, const char* key, int value)
{
    char text[16];
    FormatText(text, sizeof text, "%d", value);
    return WriteScriptString(script, section, key, text);
}

void FlushScript(const char* script)
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, script);
}

void ReadCommandField(const char* script, int n, int m, const char* fallback, char* out, size_t size)
{
    char key[40];
    FormatText(key, sizeof key, "CmdSection%d.%d", n, m);
    ReadScriptString(script, "Commands", key, fallback, out, size);
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

int ReadCommandFieldInt(const char* script, int n, int m, int fallback)
{
    char key[40];
    FormatText(key, sizeof key, "CmdSection%d.%d", n, m);
    return ReadScriptInt(script, "Commands", key, fallback);
}
