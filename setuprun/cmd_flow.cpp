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

int CMD10_Exit()
{
    return 1;
}

int CMD13_Sleep()
{
    if (g_run.commandSection[0] == '\0') {
        WriteLog("..time not defined to sleep", "");
        return 0;
    }
    WriteLog("..sleeping ", g_run.commandSection);
    int milliseconds = ParseDecimal(g_run.commandSection);
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
static void ReadBoxLine(const char* section, const char* key, const char* fallback, char* out)
{
    char line[2 * kBoxLineSize];
    ReadScriptString(section, key, fallback, line, sizeof line);
    if (!CopyText(out, kBoxLineSize, line))
        WriteLogf("WARNING-=-", "%s of [%s] cut to %d characters", key, section, kBoxLineSize - 1);
}

// The message lines Message1, Message2, ... of a message section, each
// followed by a line feed, up to the first empty or missing one.
static void ReadMessageText(const char* section, char* text, size_t size)
{
    text[0] = '\0';
    for (int k = 1;; k++) {
        char key[24];
        char line[kBoxLineSize];
        FormatText(key, sizeof key, "Message%d", k);
        ReadBoxLine(section, key, "NO TEXT", line);
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

int CMD17_DisplayMessageBox()
{
    char section[kPathSize];
    char title[kBoxLineSize];
    FormatText(section, sizeof section, "%s.%s", g_run.commandSection, "US");
    ReadBoxLine(section, "Title", "Vorlix Setup", title);

    int size = GetProfileSectionSize(section, g_run.scriptPath);
    char* lines = LoadProfileSection(section, g_run.scriptPath);
    if (!lines) {
        WriteLogf("ERROR-=-", "Missing the Message Section [%s]", section);
        return 2;
    }
    free(lines);
    // The message is never longer than its section (one line feed a key).
    size_t textSize = (size_t)size + 2;
    char* text = (char*)malloc(textSize);
    if (!text) {
        WriteLog("ERROR-=-", "malloc returned NULL");
        return 3;
    }
    ReadMessageText(section, text, textSize);

    int kind = ReadCommandFieldInt(g_run.commandNumber, 1, 1);
    // Silent: no box, and the answer is OK or Yes.
    int answer = kind == 3 || kind == 4 ? IDYES : IDOK;
    if (!g_run.silent) {
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
        ReadCommandField(g_run.commandNumber, slot, "", g_run.commandSection, sizeof g_run.commandSection);
        SetNextSectionUnchecked(g_run.commandSection);
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

int CMD18_BranchOnOS()
{
    int number = OperatingSystemNumber();
    ReadCommandField(g_run.commandNumber, number, "", g_run.commandSection, sizeof g_run.commandSection);
    if (SectionHasText(g_run.commandSection)) {
        WriteLog("  Setting next section to: ", g_run.commandSection);
        RecordNextSection(g_run.commandSection);
    } else {
        WriteLogf("ERROR-=-", "Section number %d [%s] is not found!", number, g_run.commandSection);
        ShowInternalErrorBox();
    }
    return 0;
}

int CMD19_JumpToNextSection()
{
    WriteLog("  Setting next section to: ", g_run.commandSection);
    GetVariable(g_run.commandSection, sizeof g_run.commandSection);
    if (SectionHasText(g_run.commandSection)) {
        RecordNextSection(g_run.commandSection);
    } else {
        ShowInternalErrorBox();
        WriteLogf("ERROR-=-", "Section [%s] is not found!", g_run.commandSection);
    }
    return 0;
}

int CMD20_ExitRebootSystem()
{
    if (g_run.suppressReboot) {
        WriteLog("Not setting to reboot system since SuppressReboot is set", "");
        g_run.rebootPending = false;
    } else {
        WriteLog("Setting to reboot system...", "");
        g_run.rebootPending = true;
    }
    return 1;
}

int CMD29_ExitAndDeleteINIFile()
{
    WriteLog("", "attempting to delete files....");
    CMD16_DeleteFileOrDir();
    char reboot[64];
    ReadCommandField(g_run.commandNumber, 2, "FALSE", reboot, sizeof reboot);
    if (!EqualsNoCase(reboot, "TRUE")) {
        WriteLog("", "will NOT issue a system reboot.");
    } else if (g_run.suppressReboot) {
        WriteLog("", "Not setting to reboot system since SuppressReboot is set");
        g_run.rebootPending = false;
    } else {
        g_run.rebootPending = true;
        WriteLog("", "will issue a system reboot.");
    }
    WriteLog("will delete :", g_run.scriptPath);
    DeleteFileA(g_run.scriptPath);
    return 1;
}

int CMD30_BranchOnPowerManagement()
{
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
    ReadCommandField(g_run.commandNumber, number, "", g_run.commandSection, sizeof g_run.commandSection);
    SetNextSection(g_run.commandSection);
    return 0;
}

int CMD32_LogMsg()
{
    WriteLog("", g_run.commandSection);
    return 0;
}

int CmdNotSupported()
{
    WriteLog("", " Not Supported yet.");
    return 0;
}
