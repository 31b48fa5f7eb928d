#include "run_loop.h"

#include <windows.h>

#include "commands.h"
#include "driver_ops.h"
#include "log.h"
#include "profile.h"
#include "run_state.h"
#include "script_file.h"
#include "text.h"

static const char* CommandNameOf(int type)
{
    const CommandType* row = FindCommandType(type);
    return row ? row->name : "";
}

// Logs "CMD<N>> <name>: <type><text from the first comma on>". Without a
// log the line's text is not read: under Wine every read of a script
// written in the last two seconds parses the whole file again.
static void LogCommand(int n, int type)
{
    if (!LogEnabled())
        return;
    char key[40];
    char fullText[kPathSize];
    FormatText(key, sizeof key, "FullCmdSection%d", n);
    ReadScriptString("Commands", key, "", fullText, sizeof fullText);
    char label[kLogLineSize];
    FormatText(label, sizeof label, "CMD%d> %s: %d%s", n, CommandNameOf(type), type, fullText);
    WriteLog(label, "");
}

// Runs command N. Returns true when the run is done; *advance tells
// whether the command number moves on afterwards. fieldFits is false when
// field 0 did not fit the command section buffer.
static bool ExecuteCommand(int type, bool fieldFits, bool* advance)
{
    *advance = true;
    if (!FindCommandType(type)) {
        WriteLogf("NOTICE: ", "CMD >%d< not defined", type);
        return false;
    }
    if (type == 0) {
        *advance = false;
        return EndOfListCheck();
    }
    if (CommandHas(type, kCmdUsesData)) {
        CopyText(g_run.commandSection, sizeof g_run.commandSection, "DATA");
    } else if (!fieldFits) {
        // A cut section name, path or target would be another one.
        WriteLogf("ERROR-=-", "CMD%d: field 0 is longer than %d characters, command not run", g_run.commandNumber,
                  kCommandSectionSize - 1);
        return false;
    }
    int result = CommandHandlerOf(type)();
    // CMD08 erases the run state; after CMD29 the working copy is gone
    // and must not be written again.
    if (CommandHas(type, kCmdKeepsPosition))
        *advance = false;
    return CommandHas(type, kCmdEndsRun) && result != 0;
}

void RunLoop()
{
    for (bool done = false; !done;) {
        int n = g_run.commandNumber;
        if (!IsValidCommandNumber(n)) {
            WriteLogf("ERROR-=-", "command number %d is out of range: the run ends", n);
            break;
        }
        char key[40];
        FormatText(key, sizeof key, "Cmd%d", n);
        g_run.commandType = ReadScriptInt("Commands", key, 0);
        // Read into a buffer larger than the limit, so that an overlong
        // field 0 is seen.
        char field[2 * kCommandSectionSize];
        ReadCommandField(n, 0, "", field, sizeof field);
        bool fieldFits = CopyText(g_run.commandSection, sizeof g_run.commandSection, field);
        if (g_run.commandType != 0)
            LogCommand(n, g_run.commandType);

        bool advance;
        done = ExecuteCommand(g_run.commandType, fieldFits, &advance);
        if (advance) {
            // Recorded and flushed after every command, so that a restart
            // or a power loss resumes with the next one.
            g_run.commandNumber++;
            WriteScriptInt("Commands", "CurrentCmd", g_run.commandNumber);
            FlushScript();
        }
    }
}

void EndRun()
{
    DriverOps.DelDriver();
    if (g_run.rebootPending) {
        WriteLog("DONE", " Shutting down system.");
        ExitWindowsEx(EWX_REBOOT, 0);
    } else {
        WriteLog("DONE", "!");
    }
}
