// Commands that edit the script file itself (the working copy): keys
// written one by one (CMD26) and another INI file appended whole (CMD28).
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include "commands.h"
#include "log.h"
#include "profile.h"
#include "run_state.h"
#include "text.h"
#include "variables.h"

enum {
    kEntryFieldSize = kMessageSize,
    kCopyChunk = 128,
    kAppendPause = 500,
};

// Copies a field into a 512-byte buffer and expands it; false (with a log
// line) when it does not fit.
static bool ExpandEntryField(const RunState& run, const char* text, char* out)
{
    bool cut = !CopyText(out, kEntryFieldSize, text);
    if (!cut)
        ExpandVariables(run, out, kEntryFieldSize, &cut);
    if (cut)
        WriteLogf("WARNINIG-=-", "entry field longer than %d characters, not written >%s<", kEntryFieldSize - 1, text);
    return !cut;
}

// One line of CMD26's list: section,key,value (the value may hold commas).
static void SetValueFromLine(const RunState& run, char* line)
{
    if (line[0] == ';')
        return;
    char* firstComma = strchr(line, ',');
    if (!firstComma) {
        WriteLogf("WARNINIG-=-", "Missing comma >%s<", line);
        return;
    }
    *firstComma = '\0';
    char* secondComma = strchr(firstComma + 1, ',');
    if (!secondComma) {
        WriteLogf("WARNINIG-=-", "Missing comma >%s<", line);
        return;
    }
    *secondComma = '\0';
    char* sectionText = TrimSpaces(line);
    char* keyText = TrimSpaces(firstComma + 1);
    char* valueText = TrimSpaces(secondComma + 1);
    if (!*sectionText) {
        WriteLogf("WARNINIG-=-", "Invalid Parameters : no section >%s<", sectionText);
        return;
    }
    if (!*keyText) {
        WriteLogf("WARNINIG-=-", "Invalid Parameters : no Key >%s<", sectionText);
        return;
    }
    char section[kEntryFieldSize], key[kEntryFieldSize], value[kEntryFieldSize];
    if (!ExpandEntryField(run, sectionText, section) || !ExpandEntryField(run, keyText, key) ||
        !ExpandEntryField(run, valueText, value))
        return;
    WriteScriptString(run.scriptPath, section, key, value);
}

int CMD26_SetValue(const CommandContext& command)
{
    const RunState& run = command.run;
    if (command.argumentsInFields) {
        char fields[3][2 * kEntryFieldSize];
        char section[kEntryFieldSize], key[kEntryFieldSize], value[kEntryFieldSize];
        for (int m = 0; m < 3; m++)
            ReadCommandField(run.scriptPath, run.commandNumber, m + 1, "", fields[m], sizeof fields[m]);
        if (!ExpandEntryField(run, fields[0], section) || !ExpandEntryField(run, fields[1], key) ||
            !ExpandEntryField(run, fields[2], value))
            return 2;
        WriteLogf("Writing: ", "[%s]:%s=%s", section, key, value);
        WriteScriptString(run.scriptPath, section, key, value);
        FlushScript(run.scriptPath);
        return 0;
    }
    SectionWalk walk = WalkCommandSection(run, "Missing the Data section or an extra comma.", [&](char* line) {
        SetValueFromLine(run, line);
        return true;
    });
    if (walk == kSectionMissing)
        return 2;
    FlushScript(run.scriptPath);
    return 0;
}

static void LogAppendFailure(const char* what, const char* path)
{
    char errorText[kMessageSize];
    DWORD code = GetLastErrorText(errorText, sizeof errorText);
    WriteLogf("ERROR-=-", "CMD28_AppendINIFile() - %s %s: Error=%lu, %s", what, path, code, errorText);
}

// Appends the whole of one file to another in 128-byte pieces. False when
// a read or a write failed or wrote short.
static bool CopyFileBytes(HANDLE from, HANDLE to)
{
    char chunk[kCopyChunk];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(from, chunk, sizeof chunk, &got, nullptr))
            return false;
        if (got == 0)
            return true;
        DWORD written = 0;
        if (!WriteFile(to, chunk, got, &written, nullptr) || written != got)
            return false;
    }
}

static HANDLE OpenForReading(const char* path)
{
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Puts the finished copy in the script's place. Windows NT replaces the
// script in one rename, so that a run cut at any moment leaves either the
// old or the new working copy. Windows 95/98 lack that call: there the
// script is first moved aside and moved back if the copy cannot take its
// place, so that a failure never loses it or cuts it short (renames move
// no bytes).
static bool ReplaceScript(const char* script, const char* replacement, const char* aside)
{
    if (MoveFileExA(replacement, script, MOVEFILE_REPLACE_EXISTING))
        return true;
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) {
        LogAppendFailure("cannot put the appended copy in place from", replacement);
        return false;
    }
    DeleteFileA(aside);
    if (!MoveFileA(script, aside)) {
        LogAppendFailure("cannot move the script aside to", aside);
        return false;
    }
    if (!MoveFileA(replacement, script)) {
        LogAppendFailure("cannot put the appended copy in place from", replacement);
        MoveFileA(aside, script);
        return false;
    }
    DeleteFileA(aside);
    return true;
}

enum AppendStep { kAppendBuilt, kAppendFailed, kAppendNoSecondFile };

// Writes the script's bytes, then the bytes of the file to append, into
// the temporary file.
static AppendStep BuildAppendedCopy(const char* scriptPath, const char* tempPath, const char* appendPath)
{
    AppendStep step = kAppendFailed;
    HANDLE temp = INVALID_HANDLE_VALUE;
    HANDLE appended = INVALID_HANDLE_VALUE;
    HANDLE script = OpenForReading(scriptPath);
    if (script == INVALID_HANDLE_VALUE) {
        LogAppendFailure("cannot read the script", scriptPath);
    } else if ((temp = CreateFileA(tempPath, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr)) == INVALID_HANDLE_VALUE) {
        LogAppendFailure("cannot create", tempPath);
    } else if (!CopyFileBytes(script, temp)) {
        LogAppendFailure("cannot copy the script into", tempPath);
    } else {
        CloseHandle(script);
        script = INVALID_HANDLE_VALUE;
        WriteLog(" coping contents of ", scriptPath);
        appended = OpenForReading(appendPath);
        if (appended == INVALID_HANDLE_VALUE) {
            step = kAppendNoSecondFile;
        } else {
            WriteLog(" coping contents of ", appendPath);
            if (CopyFileBytes(appended, temp))
                step = kAppendBuilt;
            else
                LogAppendFailure("cannot append", appendPath);
        }
    }
    if (script != INVALID_HANDLE_VALUE)
        CloseHandle(script);
    if (appended != INVALID_HANDLE_VALUE)
        CloseHandle(appended);
    if (temp != INVALID_HANDLE_VALUE && !CloseHandle(temp) && step == kAppendBuilt) {
        LogAppendFailure("cannot finish", tempPath);
        step = kAppendFailed;
    }
    return step;
}

int CMD28_AppendINIFile(const CommandContext& command)
{
    RunState& run = command.run;
    bool cut;
    ExpandVariables(run, run.commandSection, sizeof run.commandSection, &cut);
    if (cut) {
        // A cut path would name another file.
        WriteLogf("ERROR-=-", "CMD28_AppendINIFile() - path longer than %d characters, not appended",
                  kCommandSectionSize - 1);
        return 2;
    }
    char scriptDir[kPathSize];
    char scriptName[kPathSize];
    SplitPath(run.scriptPath, scriptDir, sizeof scriptDir, scriptName, sizeof scriptName);
    unsigned long digits = GetCurrentProcessId() % 100000;
    char tempPath[kPathSize];
    char asidePath[kPathSize];
    if (!FormatText(tempPath, sizeof tempPath, "%s\\TMP%05lu.INI", scriptDir, digits) ||
        !FormatText(asidePath, sizeof asidePath, "%s\\TMP%05lu.BAK", scriptDir, digits)) {
        WriteLogf("ERROR-=-", "CMD28_AppendINIFile() - temporary path longer than %d characters", kPathSize - 1);
        return 2;
    }
    WriteLog(" creating temp file: ", tempPath);
    // The script is read as plain bytes: everything written through the
    // private-profile functions must be on disk first.
    FlushScript(run.scriptPath);
    FlushScript(run.scriptPath);
    Sleep(kAppendPause);

    switch (BuildAppendedCopy(run.scriptPath, tempPath, run.commandSection)) {
    case kAppendNoSecondFile:
        // The temporary file stays behind; the script is untouched.
        WriteLog("Error-=-", " cound not open second file...");
        return 2;
    case kAppendFailed:
        DeleteFileA(tempPath);
        return 2;
    case kAppendBuilt:
        break;
    }
    if (!ReplaceScript(run.scriptPath, tempPath, asidePath)) {
        DeleteFileA(tempPath);
        return 2;
    }
    WriteLogf(" ", "renaming %s to %s", tempPath, run.scriptPath);
    return 0;
}
