#include "startup.h"

#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include "command_line.h"
#include "log.h"
#include "profile.h"
#include "run_state.h"
#include "script_file.h"
#include "text.h"
#include "version.h"

static const char kVersionText[] = SETUPRUN_VERSION_TEXT;
static const char kKitIniPath[] = "C:\\system.sav\\util\\kit.ini";
static const char kFallbackTempDir[] = "c:\\temp\\";
static const char kInitLabel[] = "InitINIFile()";
static const char kFirstList[] = "CommandsList";

// Finds the script named by the command line, or the default one beside
// the program. Logging is not on yet, so the failures write nothing.
static bool LocateScript(RunState& run, const char* commandLine)
{
    char argument[kPathSize];
    if (!ExtractScriptArgument(commandLine, argument, sizeof argument)) {
        WriteLog("ERROR-=-", "Cannot find INI file to initialize.");
        return false;
    }
    if (argument[0]) {
        if (!ResolveScriptPath(argument, run.programDir, run.scriptPath, sizeof run.scriptPath) ||
            GetFileAttributesA(run.scriptPath) == INVALID_FILE_ATTRIBUTES) {
            WriteLog("ERROR-=-", "Cannot find INI file to initialize.");
            return false;
        }
        return true;
    }
    // The full program file name, not the display copy cut to 63 characters.
    const char* programName = strrchr(run.programPath, '\\');
    programName = programName ? programName + 1 : run.programPath;
    if (!DefaultScriptPath(run.programDir, programName, run.scriptPath, sizeof run.scriptPath) ||
        GetFileAttributesA(run.scriptPath) == INVALID_FILE_ATTRIBUTES) {
        WriteLog("ERROR-=-no INI file found to process with ", commandLine);
        return false;
    }
    return true;
}

// Log settings come from the source script: [Data] Logging and LogFile.
static void ConfigureLog(const RunState& run)
{
    LogSetPath(kDefaultLogPath);
    if (GetPrivateProfileIntA("Data", "Logging", 0, run.scriptPath) != 0)
        LogEnable();
    char logFile[kPathSize];
    GetPrivateProfileStringA("Data", "LogFile", kDefaultLogPath, logFile, sizeof logFile, run.scriptPath);
    bool refused = logFile[0] && !LogSetPath(logFile);
    WriteLog("", "");
    char label[kMessageSize];
    FormatText(label, sizeof label, "*** Starting %s\\%s Version: %s ***", run.programDir, run.programFileName,
               kVersionText);
    WriteLog(label, "");
    if (refused)
        WriteLogf("WARNING-=-", "LogFile is longer than %d characters, logging to %s instead", kLogPathSize - 1,
                  LogPath());
}

static bool SameDirectory(const char* a, const char* b)
{
    char left[kPathSize];
    char right[kPathSize];
    CopyText(left, sizeof left, a);
    CopyText(right, sizeof right, b);
    size_t n = strlen(left);
    if (n && left[n - 1] == '\\')
        left[n - 1] = '\0';
    n = strlen(right);
    if (n && right[n - 1] == '\\')
        right[n - 1] = '\0';
    return EqualsNoCase(left, right);
}

// The directory of the working copy: the temporary directory, unless it is
// where the program (or the script itself) lives; then c:\temp\, so that
// the working copy never lands on the source script.
static void ChooseWorkingDirectory(const RunState& run, char* out, size_t size)
{
    DWORD n = GetTempPathA((DWORD)size, out);
    if (n == 0 || n >= size) {
        WriteLog("ERROR-=-", "Need to remalloc for temp path...");
        CreateDirectoryA(kFallbackTempDir, nullptr);
        CopyText(out, size, kFallbackTempDir);
        return;
    }
    char scriptDir[kPathSize];
    char scriptName[kPathSize];
    SplitPath(run.scriptPath, scriptDir, sizeof scriptDir, scriptName, sizeof scriptName);
    if (SameDirectory(out, run.programDir) || SameDirectory(out, scriptDir)) {
        CreateDirectoryA(kFallbackTempDir, nullptr);
        CopyText(out, size, kFallbackTempDir);
    }
}

// Copies the source script over the working copy.
static bool MakeWorkingCopy(const RunState& run)
{
    SetFileAttributesA(run.workingCopyPath, FILE_ATTRIBUTE_NORMAL);
    if (!CopyFileA(run.scriptPath, run.workingCopyPath, FALSE)) {
        char label[kLogLineSize];
        FormatLastErrorLabel(label, sizeof label, "InitINIandLogFiles() -  Error=%lu, %s", nullptr);
        WriteLogf(label, "ERROR-=-function CopyFile() failed on src=%s, dst=%s", run.scriptPath,
                  run.workingCopyPath);
        return false;
    }
    WriteLogf(kInitLabel, "%s has been copied to %s", run.scriptPath, run.workingCopyPath);
    return true;
}

// Why the working copy cannot be continued, or null when it can. Wine
// rewrites a profile file by cutting it to nothing and writing it whole:
// a run killed in between leaves an empty copy, and a copy cut short
// loses its last sections. Without the first command list of its source,
// or started ([State] written) without compiled commands, it has lost its
// commands: taken for a run in progress, it would end at once as a
// finished run that ran nothing.
static const char* WorkingCopyDamage(const char* workingCopyPath, const char* sourcePath)
{
    char names[4];
    if (GetPrivateProfileSectionNamesA(names, sizeof names, workingCopyPath) == 0)
        return "it holds no section";
    if (SectionHasText(kFirstList, sourcePath) && !SectionHasText(kFirstList, workingCopyPath))
        return "its [CommandsList] is missing";
    char current[kSectionNameSize];
    GetPrivateProfileStringA("State", "CurrentSection", "", current, sizeof current, workingCopyPath);
    if (current[0] && !SectionHasText("Commands", workingCopyPath))
        return "it was started but holds no [Commands]";
    return nullptr;
}

bool InitINIFile(RunState& run, const char* commandLine)
{
    if (!LocateScript(run, commandLine))
        return false;
    ConfigureLog(run);

    CommandLineOptions options = FindOptions(commandLine);
    if (options.noReboot) {
        run.suppressReboot = true;
        WriteLog(kInitLabel, "-noreboot given...will suppress reboots");
    }
    if (options.silent) {
        run.silent = true;
        WriteLog(kInitLabel, "-silent given...will run silent");
    }

    int force;
    if (options.resume) {
        force = 0;
        WriteLog(kInitLabel, "-resume given...will force a resume.");
    } else {
        force = (int)GetPrivateProfileIntA("Data", "ForceCleanStart", 1, run.scriptPath);
        if (force) {
            WriteLog(kInitLabel, "system will be forcing a clean start.");
            WriteLog(kInitLabel, "To force a resume add [DATA]:ForceCleanStart=0 or use -resume in command line.");
        } else {
            WriteLog(kInitLabel, "system will resume and not force a clean start.");
        }
    }

    char workingDir[kPathSize];
    ChooseWorkingDirectory(run, workingDir, sizeof workingDir);
    const char* scriptName = strrchr(run.scriptPath, '\\');
    scriptName = scriptName ? scriptName + 1 : run.scriptPath;
    FormatText(run.workingCopyPath, sizeof run.workingCopyPath, "%s%s", workingDir, scriptName);
    // The working copy becomes the script path: it must fit there whole.
    if (strlen(run.workingCopyPath) >= sizeof run.scriptPath) {
        WriteLogf("ERROR-=-", "working copy path %s is longer than %d characters", run.workingCopyPath,
                  kPathSize - 1);
        return false;
    }
    if (EqualsNoCase(run.workingCopyPath, run.scriptPath)) {
        WriteLogf("ERROR-=-", "working copy %s would overwrite the script", run.workingCopyPath);
        return false;
    }

    if (GetFileAttributesA(run.workingCopyPath) == INVALID_FILE_ATTRIBUTES || force) {
        if (!MakeWorkingCopy(run))
            return false;
    } else if (const char* damage = WorkingCopyDamage(run.workingCopyPath, run.scriptPath)) {
        // The run position is lost with it. The source script is never
        // written, so it is the last whole state: the run starts afresh.
        WriteLogf("ERROR-=-", "working copy %s is damaged (%s): starting afresh from %s", run.workingCopyPath,
                  damage, run.scriptPath);
        if (!MakeWorkingCopy(run))
            return false;
    }

    CopyText(run.scriptPath, sizeof run.scriptPath, run.workingCopyPath);
    SetFileAttributesA(run.scriptPath, FILE_ATTRIBUTE_NORMAL);
    if (run.suppressReboot)
        WriteScriptString(run.scriptPath, "DATA", "SuppressReboot", "1");
    if (run.silent)
        WriteScriptString(run.scriptPath, "DATA", "SilentMode", "1");
    FlushScript(run.scriptPath);
    WriteLogf(kInitLabel, "The INI file in use is %s", run.scriptPath);

    // Options given at an earlier start of this working copy stay in force.
    if (ReadScriptInt(run.scriptPath, "Data", "SuppressReboot", 0) != 0)
        run.suppressReboot = true;
    if (ReadScriptInt(run.scriptPath, "Data", "SilentMode", 0) != 0)
        run.silent = true;
    return true;
}

void EnableRunPrivileges()
{
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version) || version.dwPlatformId != VER_PLATFORM_WIN32_NT)
        return;
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return;
    static const struct {
        const char* name;
        const char* logged;
    } privileges[] = {
        {"SeShutdownPrivilege", "SE_SHUTDOWN_NAME"},
        {"SeRestorePrivilege", "SE_RESTORE_NAME"},
        {"SeBackupPrivilege", "SE_BACKUP_NAME"},
    };
    for (const auto& privilege : privileges) {
        TOKEN_PRIVILEGES wanted;
        ZeroMemory(&wanted, sizeof wanted);
        LookupPrivilegeValueA(nullptr, privilege.name, &wanted.Privileges[0].Luid);
        wanted.PrivilegeCount = 1;
        wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        WriteLog("NOTICE: adjusting token privilege for :", privilege.logged);
        // A privilege the account lacks gives success with a warning code,
        // which is not examined: only a failed call is reported.
        if (!AdjustTokenPrivileges(token, FALSE, &wanted, 0, nullptr, nullptr)) {
            char errorText[kMessageSize];
            GetLastErrorText(errorText, sizeof errorText);
            WriteLog("ERROR: adjusting token privilege ->", errorText);
        }
    }
    // The token stays open for the life of the process.
}

bool ReadLanguageSection(RunState& run)
{
    char code[kMessageSize];
    GetPrivateProfileStringA("Description", "VorlixLanguage", "XX", code, sizeof code, kKitIniPath);
    if (code[0] == '\0') {
        WriteLog("ERROR - ", "Cannont find KIT.INI");
        return false;
    }
    char* kept = StripCommentsAndEtc(code);
    if (!FormatText(run.languageSection, sizeof run.languageSection, "Data.%s", kept))
        WriteLogf("WARNING-=-", "language code cut to fit: the language data section is [%s]",
                  run.languageSection);
    return true;
}

static void ShowStartupBox(const RunState& run, const char* text)
{
    if (run.silent)
        return;
    char title[kMessageSize];
    FormatText(title, sizeof title, "Vorlix Setup Utility - %s", run.programFileName);
    MessageBoxA(nullptr, text, title, MB_SYSTEMMODAL | MB_ICONERROR);
}

// The box names this program and the rule an author trips on: the script
// argument ends at the first "-", so a name holding one finds no script.
void ShowUsageBox(const RunState& run)
{
    char text[kMessageSize];
    FormatText(text, sizeof text,
               "Usage:  %s <script> -silent -noreboot -resume\n\n"
               "<script> is either full path or just name if in same dir as EXE; "
               "it must not hold a \"-\" (the name ends at the first one).\n"
               "-silent will  suppress all GUI prompts\n"
               "-noreboot will suppress reboots\n"
               "-resume will force a resume of the INI file processing\n\n",
               run.programFileName);
    ShowStartupBox(run, text);
}

void ShowStartupFailureBox(const RunState& run, const char* text)
{
    ShowStartupBox(run, text);
}
