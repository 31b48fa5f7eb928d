// Commands that work directly on the run position. The run loop has set
// the command section of CMD05 to CMD07 to "DATA".
#include <windows.h>

#include <limits.h>

#include "commands.h"
#include "log.h"
#include "profile.h"
#include "run_state.h"
#include "text.h"

int CMD05_IncRunningCounter(const CommandContext& command)
{
    RunState& run = command.run;
    int count = ReadScriptInt(run.scriptPath, run.commandSection, "RunCount", 0);
    // A counter at its top stays there rather than wrapping negative.
    if (count < INT_MAX)
        count++;
    WriteScriptInt(run.scriptPath, run.commandSection, "RunCount", count);
    return 0;
}

// Records a new command number; the run loop advances it by one after the
// handler returns.
static void MoveRunTo(RunState& run, int n)
{
    run.commandNumber = n;
    WriteScriptInt(run.scriptPath, "Commands", "CurrentCmd", n);
    FlushScript(run.scriptPath);
}

static void LogRunMove(const RunState& run, const char* message)
{
    char label[48];
    FormatText(label, sizeof label, "CMD%d=%d", run.commandNumber, run.commandType);
    WriteLog(label, message);
}

int CMD06_DecCmdIndex(const CommandContext& command)
{
    RunState& run = command.run;
    int step = ReadScriptInt(run.scriptPath, run.commandSection, "DecCommand", 0);
    long long target = (long long)run.commandNumber - step - 1;
    char message[kMessageSize];
    if (step <= 0) {
        FormatText(message, sizeof message, "ERROR cannot decrement the CurrentCmd by %d", step);
    } else if (!IsValidCommandNumber(target)) {
        FormatText(message, sizeof message, "ERROR cannot decrement the CurrentCmd by %d: out of range", step);
    } else {
        MoveRunTo(run, (int)target);
        FormatText(message, sizeof message, "Decrement the CurrentCmd by %d", step);
    }
    LogRunMove(run, message);
    return 0;
}

int CMD07_IncCmdIndex(const CommandContext& command)
{
    RunState& run = command.run;
    int step = ReadScriptInt(run.scriptPath, run.commandSection, "IncCommand", 0);
    long long target = (long long)run.commandNumber + step;
    char message[kMessageSize];
    if (step <= 0) {
        FormatText(message, sizeof message, "ERROR cannot increment the CurrentCmd by %d", step);
    } else if (!IsValidCommandNumber(target)) {
        FormatText(message, sizeof message, "ERROR cannot increment the CurrentCmd by %d: out of range", step);
    } else {
        MoveRunTo(run, (int)target);
        FormatText(message, sizeof message, "Increment CurrentCmd by %d", step);
    }
    LogRunMove(run, message);
    return 0;
}

int CMD08_ResetCmdIndex(const CommandContext& command)
{
    RunState& run = command.run;
    run.commandNumber = -1;
    WriteScriptInt(run.scriptPath, "Commands", "CurrentCmd", -1);
    CopyText(run.currentSection, sizeof run.currentSection, "CommandsList");
    WriteScriptString(run.scriptPath, "State", "CurrentSection", "CommandsList");
    WriteScriptString(run.scriptPath, "State", "NextSection", "");
    // With the run state gone the next start is a first start.
    WritePrivateProfileSectionA("Commands", nullptr, run.scriptPath);
    WritePrivateProfileSectionA("State", nullptr, run.scriptPath);
    FlushScript(run.scriptPath);
    return 1;
}
