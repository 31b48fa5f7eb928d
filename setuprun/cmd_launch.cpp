// CMD11: starts a program and, when the script asks for it, waits for it.
#include <windows.h>

#include <string.h>

#include "commands.h"
#include "file_text.h"
#include "log.h"
#include "profile.h"
#include "run_state.h"
#include "text.h"
#include "variables.h"

enum {
    kWaitSlice = 50,
    kPauseAfterExit = 1000,
};

// The command line, expanded (twice in the section form, so that a
// variable may name another). A line that does not fit 259 characters,
// before or after expansion, is refused.
static bool ReadProgramLine(const CommandContext& command, char* commandLine, char* waitFlag)
{
    const RunState& run = command.run;
    char written[2 * kMessageSize];
    int passes;
    if (command.argumentsInFields) {
        ReadCommandField(run.scriptPath, run.commandNumber, 1, "", written, sizeof written);
        ReadCommandField(run.scriptPath, run.commandNumber, 2, "", waitFlag, kWaitFlagSize);
        passes = 1;
    } else {
        ReadScriptString(run.scriptPath, run.commandSection, "Program", "", written, sizeof written);
        ReadScriptString(run.scriptPath, run.commandSection, "WaitToExit", "FALSE", waitFlag, kWaitFlagSize);
        passes = 2;
    }
    bool cut = !CopyText(commandLine, kPathSize, written);
    for (int pass = 0; pass < passes && !cut; pass++)
        ExpandVariables(run, commandLine, kPathSize, &cut);
    if (cut)
        WriteLogf("ERROR-=-", "program line longer than %d characters, not started >%s<", kPathSize - 1, written);
    return !cut;
}

int CMD11_SpawnProgram(const CommandContext& command)
{
    char commandLine[kPathSize];
    char waitFlag[kWaitFlagSize];
    if (!ReadProgramLine(command, commandLine, waitFlag))
        return 0;
    char workingDir[kPathSize];
    if (!LaunchDirectory(commandLine, workingDir, sizeof workingDir))
        GetCurrentDirectoryA(sizeof workingDir, workingDir);
    WriteLogf("...Spawning ", "<%s>", commandLine);
    WriteLogf("...Setting CWD to ", "<%s>", workingDir);
    WriteLog("...WaitToFinish:", waitFlag);

    SECURITY_ATTRIBUTES processAttributes;
    SECURITY_ATTRIBUTES threadAttributes;
    ZeroMemory(&processAttributes, sizeof processAttributes);
    processAttributes.nLength = sizeof processAttributes;
    processAttributes.bInheritHandle = TRUE;
    threadAttributes = processAttributes;
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USEPOSITION;
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);
    if (!CreateProcessA(nullptr, commandLine, &processAttributes, &threadAttributes, FALSE, NORMAL_PRIORITY_CLASS,
                        nullptr, workingDir, &startup, &process)) {
        char errorText[kMessageSize];
        DWORD code = GetLastErrorText(errorText, sizeof errorText);
        WriteLogf("FAIL - Failure with CreateProcess( )", "%lu - %s", code, errorText);
    } else {
        if (EqualsNoCase(waitFlag, "TRUE")) {
            WriteLog("...waiting.....", "");
            // No overall limit: the run waits as long as the program runs.
            while (WaitForSingleObject(process.hProcess, kWaitSlice) == WAIT_TIMEOUT) {
            }
            Sleep(kPauseAfterExit);
        } else {
            WriteLog("...not waiting", "");
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    WriteLog("...Spawn Complete", "");
    return 0;
}
