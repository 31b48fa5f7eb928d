// Commands that steer the run and talk to the user: end the run, wait,
// message boxes and their branches, branches on the Windows version and
// the power management, jumps, the restart request and log messages.
#include <windows.h>

#include <stdlib.h>

#include "commands.h"
#include "log.h"
#include "os_version.h"
#include "profile.h"
#include "run_state.h"
#include "script_file.h"
#include "text.h"
#include "variables.h"

int CMD10_Exit(const CommandContext&)
{
    return 1;
}

int CMD13_Sleep(const CommandContext& command)
{
    const RunState& run = command.run;
    // Field 0 is the time itself (no field form): without it there is no wait.
    if (run.commandSection[0] == '\0') {
        WriteLog("..time not defined to sleep", "");
        return 0;
    }
    WriteLog("..sleeping ", run.commandSection);
    int milliseconds = ParseDecimal(run.commandSection);
    // Sleep takes its argument unsigned: a negative time would be a wait
    // of weeks, or for ever. It counts as no wait.
    if (milliseconds < 0) {
        WriteLogf("WARNING-=-", "negative time %d to sleep: not sleeping", milliseconds);
        milliseconds = 0;
    }
    Sleep((DWORD)milliseconds);
    return 0;
}

// The branch slot of a CMD17 answer; 0 for kinds that do not branch.
static int MessageBoxSlot(int kind, int answer)
{
    switch (kind) {
    case 2:
        return answer == IDOK ? 2 : 3;
    case 3:
        return answer == IDYES ? 2 : 3;
    case 4:
        return answer == IDYES ? 2 : answer == IDNO ? 3 : 4;
    default:
        return 0;
    }
}

static UINT MessageBoxStyle(int kind)
{
    switch (kind) {
    case 2:
        return MB_SYSTEMMODAL | MB_OKCANCEL;
    case 3:
        return MB_SYSTEMMODAL | MB_YESNO;
    case 4:
        return MB_SYSTEMMODAL | MB_YESNOCANCEL;
    case 5:
        return MB_SYSTEMMODAL | MB_ICONWARNING;
    case 6:
        return MB_SYSTEMMODAL | MB_ICONERROR;
    default:
        return MB_SYSTEMMODAL;
    }
}

// Reads a text of a message section, at most 127 characters. A longer one
// is only shown, so it is cut on purpose, with a warning.
static void ReadBoxLine(const char* script, const char* section, const char* key, const char* fallback, char* out)
{
    char line[2 * kBoxLineSize];
    ReadScriptString(script, section, key, fallback, line, sizeof line);
    if (!CopyText(out, kBoxLineSize, line))
        WriteLogf("WARNING-=-", "%s of [%s] cut to %d characters", key, section, kBoxLineSize - 1);
}

// The message lines Message1, Message2, ... of a message section, each
// followed by a line feed, up to the first empty or missing one.
static void ReadMessageText(const char* script, const char* section, char* text, size_t size)
{
    text[0] = '\0';
    for (int k = 1;; k++) {
        char key[24];
        char line[kBoxLineSize];
        FormatText(key, sizeof key, "Message%d", k);
        ReadBoxLine(script, section, key, "NO TEXT", line);
        if (line[0] == '\0' || EqualsNoCase(line, "NO TEXT"))
            break;
        if (line[0] == ';')
            line[0] = '\0';
        if (!AppendText(text, size, line) || !AppendText(text, size, "\n")) {
            WriteLogf("WARNING-=-", "message of [%s] cut to %d characters", section, (int)size - 1);
            break;
        }
    }
}

int CMD17_DisplayMessageBox(const CommandContext& command)
{
    RunState& run = command.run;
    char section[kPathSize];
    char title[kBoxLineSize];
    FormatText(section, sizeof section, "%s.%s", run.commandSection, "US");
    ReadBoxLine(run.scriptPath, section, "Title", "Vorlix Setup", title);

    int size = GetProfileSectionSize(section, run.scriptPath);
    if (!SectionHasText(section, run.scriptPath)) {
        WriteLogf("ERROR-=-", "Missing the Message Section [%s]", section);
        return 2;
    }
    // The message is never longer than its section (one line feed a key).
    size_t textSize = (size_t)size + 2;
    char* text = (char*)malloc(textSize);
    if (!text) {
        WriteLog("ERROR-=-", "malloc returned NULL");
        return 3;
    }
    ReadMessageText(run.scriptPath, section, text, textSize);

    int kind = ReadCommandFieldInt(run.scriptPath, run.commandNumber, 1, 1);
    // Silent: no box, and the answer is OK or Yes.
    int answer = kind == 3 || kind == 4 ? IDYES : IDOK;
    if (!run.silent) {
        answer = MessageBoxA(nullptr, text, title, MessageBoxStyle(kind));
        if (answer == 0) {
            char errorText[kMessageSize];
            DWORD code = GetLastErrorText(errorText, sizeof errorText);
            WriteLogf("ERROR-=-", "the message box of [%s] could not be shown: Error=%lu, %s", section, code,
                      errorText);
        }
    }
    free(text);

    int slot = MessageBoxSlot(kind, answer);
    if (slot) {
        ReadCommandField(run.scriptPath, run.commandNumber, slot, "", run.commandSection, sizeof run.commandSection);
        SetNextSectionUnchecked(run, run.commandSection);
    }
    return 0;
}

// 1 Windows 95, 2 Windows 98, 3 Windows NT 4.0, 4 Windows 2000, 0 any other.
static int OperatingSystemNumber()
{
    if (IsWin95())
        return 1;
    if (IsWin98())
        return 2;
    if (IsWinNT4())
        return 3;
    if (IsWin2000())
        return 4;
    return 0;
}

int CMD18_BranchOnOS(const CommandContext& command)
{
    RunState& run = command.run;
    int number = OperatingSystemNumber();
    ReadCommandField(run.scriptPath, run.commandNumber, number, "", run.commandSection, sizeof run.commandSection);
    if (SectionHasText(run.commandSection, run.scriptPath)) {
        WriteLog("  Setting next section to: ", run.commandSection);
        RecordNextSection(run.scriptPath, run.commandSection);
    } else {
        WriteLogf("ERROR-=-", "Section number %d [%s] is not found!", number, run.commandSection);
        ShowInternalErrorBox(run.silent);
    }
    return 0;
}

int CMD19_JumpToNextSection(const CommandContext& command)
{
    RunState& run = command.run;
    WriteLog("  Setting next section to: ", run.commandSection);
    GetVariable(run, run.commandSection, sizeof run.commandSection);
    if (SectionHasText(run.commandSection, run.scriptPath)) {
        RecordNextSection(run.scriptPath, run.commandSection);
    } else {
        ShowInternalErrorBox(run.silent);
        WriteLogf("ERROR-=-", "Section [%s] is not found!", run.commandSection);
    }
    return 0;
}

int CMD20_ExitRebootSystem(const CommandContext& command)
{
    RunState& run = command.run;
    if (run.suppressReboot) {
        WriteLog("Not setting to reboot system since SuppressReboot is set", "");
        run.rebootPending = false;
    } else {
        WriteLog("Setting to reboot system...", "");
        run.rebootPending = true;
    }
    return 1;
}

int CMD29_ExitAndDeleteINIFile(const CommandContext& command)
{
    RunState& run = command.run;
    WriteLog("", "attempting to delete files....");
    // Its row has the field form as CMD16's does: the flag means the same there.
    CMD16_DeleteFileOrDir(command);
    char reboot[64];
    ReadCommandField(run.scriptPath, run.commandNumber, 2, "FALSE", reboot, sizeof reboot);
    if (!EqualsNoCase(reboot, "TRUE")) {
        WriteLog("", "will NOT issue a system reboot.");
    } else if (run.suppressReboot) {
        WriteLog("", "Not setting to reboot system since SuppressReboot is set");
        run.rebootPending = false;
    } else {
        run.rebootPending = true;
        WriteLog("", "will issue a system reboot.");
    }
    WriteLog("will delete :", run.scriptPath);
    DeleteFileA(run.scriptPath);
    return 1;
}

int CMD30_BranchOnPowerManagement(const CommandContext& command)
{
    RunState& run = command.run;
    char* keyName = (char*)malloc(256);
    if (!keyName) {
        WriteLog("ERROR-=-", "malloc returned NULL");
        return 3;
    }
    int number = 0;
    if (IsWin98()) {
        FormatText(keyName, 256, "%s\\%s", "ENUM", "ACPI");
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            RegCloseKey(key);
            WriteLog("", " This OS is ACPI");
            number = 2;
        } else {
            WriteLog("", " This OS is APM");
            number = 1;
        }
    } else {
        WriteLog("", "...not running Win98");
    }
    free(keyName);
    ReadCommandField(run.scriptPath, run.commandNumber, number, "", run.commandSection, sizeof run.commandSection);
    SetNextSection(run, run.commandSection);
    return 0;
}

int CMD32_LogMsg(const CommandContext& command)
{
    WriteLog("", command.run.commandSection);
    return 0;
}

int CmdNotSupported(const CommandContext&)
{
    WriteLog("", " Not Supported yet.");
    return 0;
}
