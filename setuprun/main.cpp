// setuprun: executes the numbered commands of an installation script.
//   setuprun <script> [-silent] [-noreboot] [-resume]
#include <windows.h>

#include <string.h>

#include "command_line.h"
#include "driver_ops.h"
#include "log.h"
#include "profile.h"
#include "run_loop.h"
#include "run_state.h"
#include "script_file.h"
#include "startup.h"
#include "text.h"

// Program path, directory and display name. False when the directory does
// not fit its buffer (a path no supported Windows produces).
static bool LocateProgram(RunState& run)
{
    DWORD n = GetModuleFileNameA(nullptr, run.programPath, sizeof run.programPath);
    if (n == 0 || n >= sizeof run.programPath)
        return false;
    // The display name may be cut to 63 characters; the directory may not.
    SplitPath(run.programPath, run.programDir, sizeof run.programDir, run.programFileName,
              sizeof run.programFileName);
    const char* slash = strrchr(run.programPath, '\\');
    return !slash || (size_t)(slash - run.programPath) < sizeof run.programDir;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    // The one run of this process; everything below is handed it.
    RunState& run = g_run;
    ZeroMemory(&run, sizeof run);
    if (!LocateProgram(run))
        return 0;
    LogSetProgramName(run.programFileName);
    // Known before anything can fail, so that no start-up box stops an
    // unattended run.
    run.silent = FindOptions(commandLine).silent;

    if (!InitINIFile(run, commandLine)) {
        WriteLog("ERROR - ", "cannot initialize");
        ShowUsageBox(run);
        return 0;
    }
    if (InitCommandSection(run, true) == kInitFailed) {
        WriteLog("ERROR - ", "Cannot initialize commands section");
        ShowStartupFailureBox(run, "Cannot initialize commands section...check log file...");
        return 0;
    }
    EnableRunPrivileges();
    ChooseDriverOps();
    DriverOps.LoadDriver(run.programPath);
    if (!ReadLanguageSection(run))
        return 0;

    run.commandNumber = ReadScriptInt(run.scriptPath, "Commands", "CurrentCmd", 0);
    RunLoop(run);
    EndRun(run);
    return 0;
}
