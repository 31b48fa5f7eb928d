// Commands that work directly on the run position. The run loop has set
// the command section of CMD05 to CMD07 to "DATA".
#include <windows.h>

#include <limits.h>

#include "commands.h"
#include "log.h"
#include "profile.h"
#include "run_state.h"
#include "text.h"

int CMD05_IncRunningCounter()
{
    int count = ReadScriptInt(g_run.commandSection, "RunCount", 0);
    // A counter at its top stays there rather than wrapping negative.
    if (count < INT_MAX)
        count++;
    WriteScriptInt(g_run.commandSection, "RunCount", count);
    return 0;
}

// Records a new command number; the run loop advances it by one after the
// handler returns.
static void MoveRunTo(int n)
{
    g_run.commandNumber = n;
    WriteScriptInt("Commands", "CurrentCmd", n);
    FlushScript();
}

static void LogRunMove(int type, const char* message)
{
    char label[48];
    FormatText(label, sizeof label, "CMD%d=%d", g_run.commandNumber, type);
    WriteLog(label, message);
}

int CMD06_DecCmdIndex()
{
    int step = ReadScriptInt(g_run.commandSection, "DecCommand", 0);
    long long target = (long long)g_run.commandNumber - step - 1;
    char message[kMessageSize];
    if (step <= 0) {
        FormatText(message, sizeof message, "ERROR cannot decrement the CurrentCmd by %d", step);
    } else if (!IsValidCommandNumber(target)) {
        FormatText(message, sizeof message, "ERROR cannot decrement the CurrentCmd by %d: out of range", step);
    } else {
        MoveRunTo((int)target);
        FormatText(message, sizeof message, "Decrement the CurrentCmd by %d", step);
    }
    LogRunMove(6, message);
    return 0;
}

int CMD07_IncCmdIndex()
{
    int step = ReadScriptInt(g_run.commandSection, "IncCommand", 0);
    long long target = (long long)g_run.commandNumber + step;
    char message[kMessageSize];
    if (step <= 0) {
        FormatText(message, sizeof message, "ERROR cannot increment the CurrentCmd by %d", step);
    } else if (!IsValidCommandNumber(target)) {
        FormatText(message, sizeof message, "ERROR cannot increment the CurrentCmd by %d: out of range", step);
    } else {
        MoveRunTo((int)target);
        FormatText(message, sizeof message, "Increment CurrentCmd by %d", step);
    }
    LogRunMove(7, message);
    return 0;
}

int CMD08_ResetCmdIndex()
{
    g_run.commandNumber = -1;
    WriteScriptInt("Commands", "CurrentCmd", -1);
    CopyText(g_run.currentSection, sizeof g_run.currentSection, "CommandsList");
    WriteScriptString("State", "CurrentSection", "CommandsList");
    WriteScriptString("State", "NextSection", "");
    // With the run state gone the next start is a first start.
    WritePrivateProfileSectionA("Commands", nullptr, g_run.scriptPath);
    WritePrivateProfileSectionA("State", nullptr, g_run.scriptPath);
    FlushScript();
    return 1;
}
