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

// Types 22, 23, 24, 33, 34 and 35 are reserved: they log " Not Supported yet.".
const CommandHandler CommandHandlers[kCommandTypeCount] = {
    nullptr,                 // 0  end of the list: the run loop's check
    CMD01_Copy_Lnk2StartF_W2000, // 1
    CMD02_DEL_LnkInStartF_W2000, // 2
    CmdSingleRegEdit,        // 3
    CmdSingleRegEdit,        // 4
    CMD05_IncRunningCounter, // 5
    CMD06_DecCmdIndex,       // 6
    CMD07_IncCmdIndex,       // 7
    CMD08_ResetCmdIndex,     // 8
    CMD09_BranchOnIsVorlix,  // 9
    CMD10_Exit,              // 10
    CMD11_SpawnProgram,      // 11
    CmdSingleRegEdit,        // 12
    CMD13_Sleep,             // 13
    CMD14_MultiRegEdit,      // 14
    CMD15_CopyFile,          // 15
    CMD16_DeleteFileOrDir,   // 16
    CMD17_DisplayMessageBox, // 17
    CMD18_BranchOnOS,        // 18
    CMD19_JumpToNextSection, // 19
    CMD20_ExitRebootSystem,  // 20
    CMD21_MakeDir,           // 21
    CmdNotSupported,         // 22 reserved
    CmdNotSupported,         // 23 reserved
    CmdNotSupported,         // 24 reserved
    CMD25_BranchOnSystemID,  // 25
    CMD26_SetValue,          // 26
    CMD27_SetVariable,       // 27
    CMD28_AppendINIFile,     // 28
    CMD29_ExitAndDeleteINIFile, // 29
    CMD30_BranchOnPowerManagement, // 30
    CMD31_RenameFile,        // 31
    CMD32_LogMsg,            // 32
    CmdNotSupported,         // 33 reserved
    CmdNotSupported,         // 34 reserved
    CmdNotSupported,         // 35 reserved
};
