// The one place that maps command types to names and handlers.
#include "commands.h"

const char CommandNames[kCommandTypeCount][50] = {
    "CMD00",
    "CMD01_Copy_Lnk2StartF_W2000",
    "CMD02_DEL_LnkInStartF_W2000",
    "CMD03_Add single Reg Value",
    "CMD04_Remove single Reg Value",
    "CMD05_IncRunningCounter",
    "CMD06_DecCmdIndex",
    "CMD07_IncCmdIndex",
    "CMD08_ResetCmdIndex",
    "CMD09_BranchOnIsVorlix",
    "CMD10_Exit",
    "CMD11_SpawnProgram",
    "CMD12_RemoveSingleRegKey",
    "CMD13_Sleep",
    "CMD14_MultiRegEdit",
    "CMD15_CopyFile",
    "CMD16_DeleteFileOrDir",
    "CMD17_DisplayMessageBox",
    "CMD18_BranchOnOS",
    "CMD19_JumpToNextSection",
    "CMD20_ExitRebootSystem",
    "CMD21_MakeDir",
    "CMD22_DisplayWindow",
    "CMD23_MergeINIFile",
    "CMD24_ControlOsShutdown",
    "CMD25_BranchOnSystemID",
    "CMD26_SetValue",
    "CMD27_SetVariable",
    "CMD28_AppendINIFile",
    "CMD29_ExitAndDeleteINIFile",
    "CMD30_BranchOnPowerManagement",
    "CMD31_RenameFile",
    "CMD32_LogMsg",
    "CMD33_",
    "CMD34_",
    "CMD35_",
};

// Types marked "not built yet" log " Not Supported yet." until their
// handlers land; 22, 23, 24, 33, 34 and 35 are reserved for good.
const CommandHandler CommandHandlers[kCommandTypeCount] = {
    nullptr,                 // 0  end of the list: the run loop's check
    CmdNotSupported,         // 1  Startup-folder link copy: not built yet
    CmdNotSupported,         // 2  Startup-folder link removal: not built yet
    CmdNotSupported,         // 3  registry value: not built yet
    CmdNotSupported,         // 4  registry value removal: not built yet
    CMD05_IncRunningCounter, // 5
    CMD06_DecCmdIndex,       // 6
    CMD07_IncCmdIndex,       // 7
    CMD08_ResetCmdIndex,     // 8
    CMD09_BranchOnIsVorlix,  // 9
    CMD10_Exit,              // 10
    CmdNotSupported,         // 11 program launch: not built yet
    CmdNotSupported,         // 12 registry key removal: not built yet
    CMD13_Sleep,             // 13
    CmdNotSupported,         // 14 registry list: not built yet
    CmdNotSupported,         // 15 file copy: not built yet
    CMD16_DeleteFileOrDir,   // 16
    CMD17_DisplayMessageBox, // 17
    CMD18_BranchOnOS,        // 18
    CMD19_JumpToNextSection, // 19
    CMD20_ExitRebootSystem,  // 20
    CmdNotSupported,         // 21 directory creation: not built yet
    CmdNotSupported,         // 22 reserved
    CmdNotSupported,         // 23 reserved
    CmdNotSupported,         // 24 reserved
    CMD25_BranchOnSystemID,  // 25
    CmdNotSupported,         // 26 script keys: not built yet
    CMD27_SetVariable,       // 27
    CmdNotSupported,         // 28 INI append: not built yet
    CMD29_ExitAndDeleteINIFile, // 29
    CMD30_BranchOnPowerManagement, // 30
    CmdNotSupported,         // 31 rename: not built yet
    CMD32_LogMsg,            // 32
    CmdNotSupported,         // 33 reserved
    CmdNotSupported,         // 34 reserved
    CmdNotSupported,         // 35 reserved
};
