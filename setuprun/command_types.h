// What each command type of a script is: the one table of types, read by
// the run loop, the dispatcher (command_table.cpp) and the script checker.
// Free of Windows calls: the runner attaches the handlers, the checker its
// checks, each from the same rows (SETUPRUN_COMMAND_TYPES below).
#pragma once

// Properties of a command type, as the run loop and the checker ask.
enum CommandProperty : unsigned {
    kCmdReserved = 1u << 0,      // no command yet: logs " Not Supported yet." and the run goes on
    kCmdEndsRun = 1u << 1,       // a non-zero result ends the run (CMD08, CMD10, CMD29)
    kCmdKeepsPosition = 1u << 2, // the command number is not moved on or written after it
    kCmdUsesData = 1u << 3,      // runs on [DATA], whatever field 0 says
    kCmdFieldForm = 1u << 4,     // with an empty field 0, its arguments are fields 1, 2, ...
    kCmdBranches = 1u << 5,      // may record the list the run goes on with
    kCmdAsksRestart = 1u << 6,   // may ask for a restart at the end of the run
    kCmdAddsSections = 1u << 7,  // brings the sections of another file into the working copy
    kCmdEndsList = 1u << 8,      // ends a command list: the run loop's own check; no handler, no log line
};

// One row per type, in type order: X(number, log name, handler, checker's
// check, properties). The handler is the runner's (commands.h), the check
// the checker's (Checker::Check<name>, scriptcheck/command_checks.cpp);
// each side expands the column it needs and ignores the other.
// clang-format off
#define SETUPRUN_COMMAND_TYPES(X) \
    X(0,  "CMD00",                          nullptr,                        Field0,        kCmdEndsList) \
    X(1,  "CMD01_Copy_Lnk2StartF_W2000",    CMD01_Copy_Lnk2StartF_W2000,    AddLink,       0) \
    X(2,  "CMD02_DEL_LnkInStartF_W2000",    CMD02_DEL_LnkInStartF_W2000,    DeleteLink,    0) \
    X(3,  "CMD03_Add single Reg Value",     CMD03_AddSingleRegValue,        AddRegValue,   0) \
    X(4,  "CMD04_Remove single Reg Value",  CMD04_RemoveSingleRegValue,     RegKeySection, 0) \
    X(5,  "CMD05_IncRunningCounter",        CMD05_IncRunningCounter,        Field0,        kCmdUsesData) \
    X(6,  "CMD06_DecCmdIndex",              CMD06_DecCmdIndex,              DecStep,       kCmdUsesData) \
    X(7,  "CMD07_IncCmdIndex",              CMD07_IncCmdIndex,              IncStep,       kCmdUsesData) \
    X(8,  "CMD08_ResetCmdIndex",            CMD08_ResetCmdIndex,            Field0,        kCmdEndsRun | kCmdKeepsPosition) \
    X(9,  "CMD09_BranchOnIsVorlix",         CMD09_BranchOnIsVorlix,         Field0,        kCmdBranches) \
    X(10, "CMD10_Exit",                     CMD10_Exit,                     Field0,        kCmdEndsRun) \
    X(11, "CMD11_SpawnProgram",             CMD11_SpawnProgram,             Program,       kCmdFieldForm) \
    X(12, "CMD12_RemoveSingleRegKey",       CMD12_RemoveSingleRegKey,       RegKeySection, 0) \
    X(13, "CMD13_Sleep",                    CMD13_Sleep,                    SleepTime,     0) \
    X(14, "CMD14_MultiRegEdit",             CMD14_MultiRegEdit,             RegistryList,  0) \
    X(15, "CMD15_CopyFile",                 CMD15_CopyFile,                 CopyFiles,     kCmdFieldForm) \
    X(16, "CMD16_DeleteFileOrDir",          CMD16_DeleteFileOrDir,          DeletePaths,   kCmdFieldForm) \
    X(17, "CMD17_DisplayMessageBox",        CMD17_DisplayMessageBox,        BoxMessages,   kCmdBranches) \
    X(18, "CMD18_BranchOnOS",               CMD18_BranchOnOS,               Field0,        kCmdBranches) \
    X(19, "CMD19_JumpToNextSection",        CMD19_JumpToNextSection,        Field0,        kCmdBranches) \
    X(20, "CMD20_ExitRebootSystem",         CMD20_ExitRebootSystem,         Field0,        kCmdAsksRestart) \
    X(21, "CMD21_MakeDir",                  CMD21_MakeDir,                  MakeDirs,      kCmdFieldForm) \
    X(22, "CMD22_DisplayWindow",            CmdNotSupported,                Field0,        kCmdReserved) \
    X(23, "CMD23_MergeINIFile",             CmdNotSupported,                Field0,        kCmdReserved) \
    X(24, "CMD24_ControlOsShutdown",        CmdNotSupported,                Field0,        kCmdReserved) \
    X(25, "CMD25_BranchOnSystemID",         CMD25_BranchOnSystemID,         SystemIdList,  kCmdBranches) \
    X(26, "CMD26_SetValue",                 CMD26_SetValue,                 SetValue,      kCmdFieldForm) \
    X(27, "CMD27_SetVariable",              CMD27_SetVariable,              SetVariable,   kCmdFieldForm) \
    X(28, "CMD28_AppendINIFile",            CMD28_AppendINIFile,            Append,        kCmdAddsSections) \
    X(29, "CMD29_ExitAndDeleteINIFile",     CMD29_ExitAndDeleteINIFile,     ExitAndDelete, kCmdEndsRun | kCmdKeepsPosition | \
                                                                                                  kCmdFieldForm | kCmdAsksRestart) \
    X(30, "CMD30_BranchOnPowerManagement",  CMD30_BranchOnPowerManagement,  Field0,        kCmdBranches) \
    X(31, "CMD31_RenameFile",               CMD31_RenameFile,               RenameFiles,   kCmdFieldForm) \
    X(32, "CMD32_LogMsg",                   CMD32_LogMsg,                   LogMessage,    0) \
    X(33, "CMD33_",                         CmdNotSupported,                Field0,        kCmdReserved) \
    X(34, "CMD34_",                         CmdNotSupported,                Field0,        kCmdReserved) \
    X(35, "CMD35_",                         CmdNotSupported,                Field0,        kCmdReserved)
// clang-format on

enum { kCommandTypeCount = 36 };

struct CommandType {
    int number;
    const char* name; // in the command's log line
    unsigned properties;
};

// The row of a type; null for a type that is not defined (below 0, above 35).
const CommandType* FindCommandType(int type);

// True when the type is defined and has the property.
bool CommandHas(int type, CommandProperty property);
