// Deletion of files and whole directory trees (CMD16, and CMD29 through it).
// Read-only, hidden and system files go like any other: their attributes
// are cleared first.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include "commands.h"
#include "file_text.h"
#include "log.h"
#include "profile.h"
#include "run_state.h"
#include "text.h"
#include "variables.h"

static bool EndsWithBackslash(const char* path)
{
    size_t n = strlen(path);
    return n > 0 && path[n - 1] == '\\';
}

// Logs a file that could not be made deletable, in the form of `where`.
static void LogAttributeFailure(const char* path)
{
    char label[kLogLineSize];
    FormatLastErrorLabel(label, sizeof label, " SetFileAttributes() failed, (%lu)-%s", nullptr);
    WriteLogf(label, "RemoveDir() - Error setting attribs on file - %s", path);
}

// Deletes one file found inside a tree.
static void RemoveTreeFile(const char* path)
{
    if (!SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL))
        LogAttributeFailure(path);
    WriteLogf("  Deleting...", ">%s<", path);
    if (!DeleteFileA(path)) {
        char label[kLogLineSize];
        FormatLastErrorLabel(label, sizeof label, " DeleteFile(%s) failed, (%lu)-%s", path);
        WriteLogf(label, "RemoveDir() - Error deleting file - %s", path);
    }
}

void RemoveDir(const char* dir)
{
    char pattern[kPathSize];
    char base[kPathSize];
    bool slash = EndsWithBackslash(dir);
    if (!FormatText(pattern, sizeof pattern, slash ? "%s*.*" : "%s\\*.*", dir) ||
        !FormatText(base, sizeof base, slash ? "%s" : "%s\\", dir)) {
        WriteLogf("ERROR-=-", "RemoveDir() - path longer than %d characters, not deleted - %s", kPathSize - 1, dir);
        return;
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        char label[kLogLineSize];
        FormatLastErrorLabel(label, sizeof label, " FindFirstFile(%s) %lu-%s", pattern);
        WriteLogf(label, "RemoveDir() - Invalid File Handle - %s", pattern);
        return;
    }
    do {
        if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0)
            continue;
        char entry[kPathSize];
        if (!FormatText(entry, sizeof entry, "%s%s", base, found.cFileName)) {
            WriteLogf("ERROR-=-", "RemoveDir() - path longer than %d characters, not deleted - %s%s",
                      kPathSize - 1, base, found.cFileName);
            continue;
        }
        bool isDir = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // A link to a directory elsewhere is removed itself; what it points
        // to is not part of this tree.
        bool isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (isDir && !isLink) {
            RemoveDir(entry);
        } else if (isDir) {
            WriteLogf("  Deleting...", ">%s<", entry);
            if (!RemoveDirectoryA(entry)) {
                char label[kLogLineSize];
                FormatLastErrorLabel(label, sizeof label, " RemoveDirectory(%s) %lu-%s", entry);
                WriteLogf(label, "RemoveDir() - link not removed - %s", entry);
            }
        } else {
            RemoveTreeFile(entry);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);

    if (!SetFileAttributesA(dir, FILE_ATTRIBUTE_NORMAL))
        LogAttributeFailure(dir);
    if (!RemoveDirectoryA(dir)) {
        char label[kLogLineSize];
        FormatLastErrorLabel(label, sizeof label, " RemoveDirectory(%s) %lu-%s", dir);
        WriteLogf(label, "RemoveDir() - Invalid File Handle - %s", dir);
    }
}

void CmdRmdir(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        WriteLogf("WARNING-=-", "Cannot find >%s< to delete", path);
        return;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        WriteLogf("  ", "...deleting directory >%s<", path);
        RemoveDir(path);
        return;
    }
    WriteLogf("  ", "...deleting file <%s>", path);
    if (!SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL)) {
        char errorText[kMessageSize];
        DWORD code = GetLastErrorText(errorText, sizeof errorText);
        char label[kLogLineSize];
        FormatText(label, sizeof label, "CmdRmdir() - Error setting attribs on file - %s", path);
        WriteLogf(label, "\nSetFileAttributes() failed, (%lu)-%s", code, errorText);
    }
    if (!DeleteFileA(path)) {
        char errorText[kMessageSize];
        DWORD code = GetLastErrorText(errorText, sizeof errorText);
        char label[kLogLineSize];
        FormatText(label, sizeof label, "CmdRmdir() - Error deleting file - %s", path);
        WriteLogf(label, "\nDeleteFile(%s) failed, (%lu)-%s", path, code, errorText);
    }
}

// Expands a path from the script and deletes it; a path that does not fit
// 259 characters before or after expansion is refused, never cut.
static void DeletePath(const RunState& run, const char* written)
{
    char path[kPathSize];
    bool cut = !CopyText(path, sizeof path, written);
    if (!cut)
        ExpandVariables(run, path, sizeof path, &cut);
    if (cut) {
        WriteLogf("ERROR-=-", "path longer than %d characters, not deleted >%s<", kPathSize - 1, path);
        return;
    }
    // A variable left empty or a damaged line must not take a whole drive.
    if (NamesDriveRoot(path)) {
        WriteLogf("ERROR-=-", "a whole drive is not deleted >%s<", path);
        return;
    }
    CmdRmdir(path);
}

int CMD16_DeleteFileOrDir(const CommandContext& command)
{
    const RunState& run = command.run;
    if (command.argumentsInFields) {
        // The field is read into 512 bytes so that a path over 259
        // characters is seen as such and refused.
        char written[kMessageSize];
        ReadCommandField(run.scriptPath, run.commandNumber, 1, "", written, sizeof written);
        DeletePath(run, written);
        return 0;
    }
    // Each line is a path exactly as written: no trimming, no comments.
    SectionWalk walk = WalkCommandSection(run, "Missing the Data section", [&](char* line) {
        if (strchr(line, '*'))
            WriteLog("NOTICE:", "Wild Card syntax not supported");
        else
            DeletePath(run, line);
        return true;
    });
    return walk == kSectionMissing ? 2 : 0;
}
