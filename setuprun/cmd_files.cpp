// File commands: copying files and trees (CMD15), renaming (CMD31),
// creating directories (CMD21) and the Startup-folder link (CMD01, CMD02).
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

static const char kDefaultStartupFolder[] = "C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\Startup";

// Logs the last error as "<label with Error=%d, %s>" and a text.
static void LogCopyFailure(const char* labelFormat, const char* source, const char* target)
{
    char label[kLogLineSize];
    FormatLastErrorLabel(label, sizeof label, labelFormat, nullptr);
    WriteLogf(label, "\nfunction CopyFile() failed on src=%s, dst=%s", source, target);
}

static void LogFailWithLastError(const char* label)
{
    char errorText[kMessageSize];
    DWORD code = GetLastErrorText(errorText, sizeof errorText);
    WriteLogf(label, "%lu - %s", code, errorText);
}

// Copies text into a path buffer and expands it. A path that does not fit,
// before or after expansion, is refused with a log line: a cut path would
// name another file.
static bool ExpandPath(const RunState& run, const char* written, char* out, size_t size)
{
    bool cut = !CopyText(out, size, written);
    if (!cut)
        ExpandVariables(run, out, size, &cut);
    if (cut)
        WriteLogf("ERROR-=-", "path longer than %d characters, not used >%s<", (int)size - 1, written);
    return !cut;
}

// Reads field m of the current command (into a buffer one larger than
// the limit, so that an overlong field is seen) and expands it.
static bool ReadPathField(const RunState& run, int m, char* out, size_t size)
{
    char written[2 * kMessageSize];
    ReadCommandField(run.scriptPath, run.commandNumber, m, "", written, sizeof written);
    return ExpandPath(run, written, out, size);
}

// The language data section's Startup folder (not expanded).
static void StartupFolder(const RunState& run, char* folder, size_t size)
{
    GetPrivateProfileStringA(run.languageSection, "CommonStartupFolder", kDefaultStartupFolder, folder,
                             (DWORD)size, run.scriptPath);
}

int CMD01_Copy_Lnk2StartF_W2000(const CommandContext& command)
{
    const RunState& run = command.run;
    char link[kMessageSize];
    char folder[kMessageSize];
    char target[kPathSize];
    ReadScriptString(run.scriptPath, run.commandSection, "AddLinkFile", "", link, sizeof link);
    // A cut source path would name another file.
    if (strlen(link) >= kPathSize) {
        WriteLogf("ERROR-=-", "AddLinkFile longer than %d characters, not copied >%s<", kPathSize - 1, link);
        return 0;
    }
    StartupFolder(run, folder, sizeof folder);
    if (!JoinPath(folder, LastPathComponent(link), target, sizeof target)) {
        WriteLogf("ERROR-=-", "Startup folder path longer than %d characters >%s<", kPathSize - 1, folder);
        return 0;
    }
    WriteLogf("...", "CopyFile(%s,%s)", link, target);
    if (!CopyFileA(link, target, FALSE))
        LogFailWithLastError("FAIL - Failure with CopyFile( )");
    return 0;
}

int CMD02_DEL_LnkInStartF_W2000(const CommandContext& command)
{
    const RunState& run = command.run;
    char name[kMessageSize];
    char folder[kMessageSize];
    char target[kPathSize];
    ReadScriptString(run.scriptPath, run.commandSection, "DeleteLinkFile", "", name, sizeof name);
    StartupFolder(run, folder, sizeof folder);
    if (!JoinPath(folder, name, target, sizeof target)) {
        WriteLogf("ERROR-=-", "Startup folder path longer than %d characters >%s<", kPathSize - 1, folder);
        return 0;
    }
    WriteLogf("...", "DeleteFile(%s)", target);
    // A read-only link stays: its attributes are not changed.
    if (!DeleteFileA(target))
        LogFailWithLastError("FAIL - Failure with DeleteFile( )");
    return 0;
}

void SBCopyFile(const char* sourceDir, const char* destinationDir)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(sourceDir, &found);
    if (search == INVALID_HANDLE_VALUE) {
        char label[kLogLineSize];
        FormatLastErrorLabel(label, sizeof label, " FindFirstFile(%s) %lu-%s", sourceDir);
        WriteLogf(label, "SBCopyFile() - Invalid File Handle - %s", sourceDir);
        return;
    }
    FindClose(search);

    char pattern[kPathSize];
    char sourceBase[kPathSize];
    char destinationBase[kPathSize];
    if (!JoinPath(sourceDir, "*.*", pattern, sizeof pattern) || !JoinPath(sourceDir, "", sourceBase, sizeof sourceBase) ||
        !JoinPath(destinationDir, "", destinationBase, sizeof destinationBase)) {
        WriteLogf("ERROR-=-", "SBCopyFile() - path longer than %d characters, not copied - %s", kPathSize - 1,
                  sourceDir);
        return;
    }
    search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        char errorText[kMessageSize];
        DWORD code = GetLastErrorText(errorText, sizeof errorText);
        char label[kLogLineSize];
        FormatText(label, sizeof label, "SBCopyFile() - Invalid File Handle - %s", pattern);
        WriteLogf(label, "\nFindFirstFile(%s) %lu-%s", pattern, code, errorText);
        return;
    }
    do {
        if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0)
            continue;
        char source[kPathSize];
        char target[kPathSize];
        if (!JoinPath(sourceBase, found.cFileName, source, sizeof source) ||
            !JoinPath(destinationBase, found.cFileName, target, sizeof target)) {
            WriteLogf("ERROR-=-", "SBCopyFile() - path longer than %d characters, not copied - %s%s", kPathSize - 1,
                      sourceBase, found.cFileName);
            continue;
        }
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!CreateDirectoryA(target, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
                char label[kLogLineSize];
                FormatLastErrorLabel(label, sizeof label, "SBCopyFile() -  Error=%lu, %s", nullptr);
                WriteLogf(label, "\nfunction CreateDirectory() failed on Dir=%s", target);
            }
            SBCopyFile(source, target);
        } else {
            WriteLogf("  ", " Copying %s to %s", source, target);
            if (!CopyFileA(source, target, FALSE))
                LogCopyFailure("SBCopyFile -  Error=%lu, %s", source, target);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// The warnings of a two-path list line, in the wording of each command.
struct TwoPathMessages {
    const char* missingComma;      // format, with the line
    const char* sourceMissing;
    const char* destinationMissing;
    const char* trailingBackslash; // format, with the shortened destination
};

static const TwoPathMessages kCopyMessages = {
    "CMD15_CopyFile() -   Missing comma >%s<",
    "CMD15_CopyFile() -  Invalid Parameters : Source Missing",
    "CMD15_CopyFile() -  Invalid Parameters : Destination Missing",
    "CMD15_CopyFile() -  removing trailing \\ from destination",
};

static const TwoPathMessages kRenameMessages = {
    "Missing comma >%s<",
    "Invalid Parameters : Source Missing",
    "Invalid Parameters : Destination Missing",
    "Removing trailing \\ from destination >%s<",
};

// Splits and checks a two-path list line (CMD15, CMD31). False, with the
// warning logged, when the line is to be skipped.
static bool CheckTwoPathLine(char* line, const TwoPathMessages& messages, char** source, char** destination)
{
    char original[kLogLineSize];
    CopyText(original, sizeof original, line);
    TwoPathResult split = SplitTwoPathLine(line, source, destination);
    if (split == kTwoPathNoComma) {
        WriteLogf("WARNINIG-=-", messages.missingComma, original);
        return false;
    }
    if (split == kTwoPathComment)
        return false;
    if (!**source) {
        WriteLog("WARNINIG-=-", messages.sourceMissing);
        return false;
    }
    if (!**destination) {
        WriteLog("WARNINIG-=-", messages.destinationMissing);
        return false;
    }
    if (strchr(*source, '*')) {
        WriteLog("NOTICE:", "Wild Cards not supported yet.");
        return false;
    }
    if (DropTrailingBackslash(*destination))
        WriteLogf("WARNINIG-=-", messages.trailingBackslash, *destination);
    return true;
}

// One line of CMD15's list. False when a file copy failed: the command
// then ends.
static bool CopyListLine(const RunState& run, char* line)
{
    char* sourceText;
    char* destinationText;
    if (!CheckTwoPathLine(line, kCopyMessages, &sourceText, &destinationText))
        return true;
    char source[kPathSize];
    char destination[kMessageSize];
    if (!ExpandPath(run, sourceText, source, sizeof source) ||
        !ExpandPath(run, destinationText, destination, sizeof destination))
        return true;
    WriteLogf("  ", "CMD - copy %s to %s", source, destination);
    DWORD attributes = GetFileAttributesA(source);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        char label[kLogLineSize];
        FormatText(label, sizeof label, "CMD15_CopyFile() -  Invalid Parameters : SourceFile (%s) does not Exist",
                   source);
        WriteLog(label, "");
        return true;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        SBCopyFile(source, destination);
        return true;
    }
    // A file copied into an existing directory keeps its name.
    char target[kMessageSize];
    DWORD targetAttributes = GetFileAttributesA(destination);
    if (targetAttributes != INVALID_FILE_ATTRIBUTES && (targetAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (!JoinPath(destination, LastPathComponent(source), target, sizeof target)) {
            WriteLogf("ERROR-=-", "path longer than %d characters, not used >%s<", kMessageSize - 1, destination);
            return true;
        }
    } else {
        CopyText(target, sizeof target, destination);
    }
    WriteLogf("  ", " Copying %s to %s", source, target);
    if (!CopyFileA(source, target, FALSE)) {
        LogCopyFailure("CMD15_CopyFile() -  Error=%lu, %s", source, target);
        return false;
    }
    return true;
}

int CMD15_CopyFile(const CommandContext& command)
{
    const RunState& run = command.run;
    if (command.argumentsInFields) {
        char source[kMessageSize];
        char destination[kMessageSize];
        if (!ReadPathField(run, 1, source, sizeof source) || !ReadPathField(run, 2, destination, sizeof destination))
            return 2;
        if (!CopyFileA(source, destination, FALSE)) {
            LogCopyFailure("CMD15_CopyFile() -  Error=%lu, %s", source, destination);
            return 2;
        }
        WriteLogf("  ", " Copying %s to %s", source, destination);
        return 0;
    }
    // A failed file copy ends the list, and the command with 2.
    SectionWalk walk = WalkCommandSection(run, "Missing the Data section or need an extra comma",
                                          [&](char* line) { return CopyListLine(run, line); });
    return walk == kSectionWalked ? 0 : 2;
}

// Creates exactly one directory level.
bool MakeDirectory(const char* path)
{
    return CreateDirectoryA(path, nullptr) != FALSE;
}

int CMD21_MakeDir(const CommandContext& command)
{
    const RunState& run = command.run;
    if (command.argumentsInFields) {
        char path[kCommandSectionSize];
        if (!ReadPathField(run, 1, path, sizeof path))
            return 2;
        if (!MakeDirectory(path)) {
            WriteLogf("WARNING-=-", "function MakeDirectory () failed on src=%s", path);
            return 2;
        }
        return 0;
    }
    // Each line is a path exactly as written: no trimming, no comments.
    // The first path that cannot be made ends the list, and the command with 2.
    SectionWalk walk = WalkCommandSection(run, "Missing the Data section or an extra comma.", [&](char* line) {
        char path[kPathSize];
        if (!ExpandPath(run, line, path, sizeof path))
            return false;
        if (!MakeDirectory(path)) {
            WriteLogf("WARNING-=-", "function MakeDirectory () failed on src=%s", path);
            return false;
        }
        return true;
    });
    return walk == kSectionWalked ? 0 : 2;
}

// One line of CMD31's list; any problem is logged and the list goes on.
static void RenameListLine(const RunState& run, char* line)
{
    char* sourceText;
    char* destinationText;
    if (!CheckTwoPathLine(line, kRenameMessages, &sourceText, &destinationText))
        return;
    char source[kPathSize];
    char destination[kPathSize];
    if (!ExpandPath(run, sourceText, source, sizeof source) ||
        !ExpandPath(run, destinationText, destination, sizeof destination))
        return;
    if (MoveFileA(source, destination))
        WriteLogf(" ", " renamed %s to %s", source, destination);
    else
        WriteLogf("WARNING-=-", "function rename() failed on src=%s, dst=%s", source, destination);
}

int CMD31_RenameFile(const CommandContext& command)
{
    const RunState& run = command.run;
    if (command.argumentsInFields) {
        char source[kPathSize];
        char destination[kPathSize];
        if (!ReadPathField(run, 1, source, sizeof source) || !ReadPathField(run, 2, destination, sizeof destination))
            return 2;
        if (!MoveFileA(source, destination)) {
            WriteLogf("WARNING-=-", "function rename() failed on src=%s, dst=%s", source, destination);
            return 2;
        }
        WriteLogf(" ", " Rename %s to %s", source, destination);
        return 0;
    }
    SectionWalk walk = WalkCommandSection(run, "Missing the Data section or need an extra comma", [&](char* line) {
        RenameListLine(run, line);
        return true;
    });
    return walk == kSectionMissing ? 2 : 0;
}
