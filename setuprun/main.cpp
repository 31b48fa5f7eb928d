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
static bool LocateProgram()
{
    DWORD n = GetModuleFileNameA(nullptr, g_run.programPath, sizeof g_run.programPath);
    if (n == 0 || n >= sizeof g_run.programPath)
        return false;
    // The display name may be cut to 63 characters; the directory may not.
    SplitPath(g_run.programPath, g_run.programDir, sizeof g_run.programDir, g_run.programFileName,
              sizeof g_run.programFileName);
    const char* slash = strrchr(g_run.programPath, '\\');
    return !slash || (size_t)(slash - g_run.programPath) < sizeof g_run.programDir;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    ZeroMemory(&g_run, sizeof g_run);
    if (!LocateProgram())
        return 0;
    LogSetProgramName(g_run.programFileName);
    // Known before anything can fail, so that no start-up box stops an
    // unattended run.
    g_run.silent = FindOptions(commandLine).silent;

    if (!InitINIFile(commandLine)) {
        WriteLog("ERROR - ", "cannot initialize");
        ShowUsageBox();
        return 0;
    }
    if (InitCommandSection(true) == kInitFailed) {
        WriteLog("ERROR - ", "Cannot initialize commands section");
        ShowStartupFailureBox("Cannot initialize commands section...check log file...");
        return 0;
    }
    EnableRunPrivileges();
    ChooseDriverOps();
    DriverOps.LoadDriver();
    if (!ReadLanguageSection())
        return 0;

    g_run.commandNumber = ReadScriptInt("Commands", "CurrentCmd", 0);
    RunLoop();
    EndRun();
    return 0;
}
