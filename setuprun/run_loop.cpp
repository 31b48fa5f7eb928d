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
static void LogCommand(const RunState& run, int n, int type)
{
    if (!LogEnabled())
        return;
    char key[40];
    char fullText[kPathSize];
    FormatText(key, sizeof key, "FullCmdSection%d", n);
    ReadScriptString(run.scriptPath, "Commands", key, "", fullText, sizeof fullText);
    char label[kLogLineSize];
    FormatText(label, sizeof label, "CMD%d> %s: %d%s", n, CommandNameOf(type), type, fullText);
    WriteLog(label, "");
}

// Runs command N. Returns true when the run is done; *advance tells
// whether the command number moves on afterwards. fieldFits is false when
// field 0 did not fit the command section buffer.
static bool ExecuteCommand(RunState& run, int type, bool fieldFits, bool* advance)
{
    *advance = true;
    if (!FindCommandType(type)) {
        WriteLogf("NOTICE: ", "CMD >%d< not defined", type);
        return false;
    }
    if (CommandHas(type, kCmdEndsList)) {
        *advance = false;
        return EndOfListCheck(run);
    }
    if (CommandHas(type, kCmdUsesData)) {
        CopyText(run.commandSection, sizeof run.commandSection, "DATA");
    } else if (!fieldFits) {
        // A cut section name, path or target would be another one.
        WriteLogf("ERROR-=-", "CMD%d: field 0 is longer than %d characters, command not run", run.commandNumber,
                  kCommandSectionSize - 1);
        return false;
    }
    CommandContext command = {run, CommandHas(type, kCmdFieldForm) && run.commandSection[0] == '\0'};
    int result = CommandHandlerOf(type)(command);
    // CMD08 erases the run state; after CMD29 the working copy is gone
    // and must not be written again.
    if (CommandHas(type, kCmdKeepsPosition))
        *advance = false;
    return CommandHas(type, kCmdEndsRun) && result != 0;
}

void RunLoop(RunState& run)
{
    for (bool done = false; !done;) {
        int n = run.commandNumber;
        if (!IsValidCommandNumber(n)) {
            WriteLogf("ERROR-=-", "command number %d is out of range: the run ends", n);
            break;
        }
        char key[40];
        FormatText(key, sizeof key, "Cmd%d", n);
        run.commandType = ReadScriptInt(run.scriptPath, "Commands", key, 0);
        // Read into a buffer larger than the limit, so that an overlong
        // field 0 is seen.
        char field[2 * kCommandSectionSize];
        ReadCommandField(run.scriptPath, n, 0, "", field, sizeof field);
        bool fieldFits = CopyText(run.commandSection, sizeof run.commandSection, field);
        if (!CommandHas(run.commandType, kCmdEndsList))
            LogCommand(run, n, run.commandType);

        bool advance;
        done = ExecuteCommand(run, run.commandType, fieldFits, &advance);
        if (advance) {
            // Recorded and flushed after every command, so that a restart
            // or a power loss resumes with the next one.
            run.commandNumber++;
            WriteScriptInt(run.scriptPath, "Commands", "CurrentCmd", run.commandNumber);
            FlushScript(run.scriptPath);
        }
    }
}

void EndRun(const RunState& run)
{
    DriverOps.DelDriver();
    if (run.rebootPending) {
        WriteLog("DONE", " Shutting down system.");
        ExitWindowsEx(EWX_REBOOT, 0);
    } else {
        WriteLog("DONE", "!");
    }
}
