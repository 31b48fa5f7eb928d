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
    kCmdAsksRestart = 1u << 5,   // may ask for a restart at the end of the run
    kCmdAddsSections = 1u << 6,  // brings the sections of another file into the working copy
    kCmdSetsVariable = 1u << 7,  // gives a script variable (~%Vnnn) a value: name, value
    kCmdWritesScript = 1u << 8,  // writes a value into the script: section, key, value ([Variables] sets one)
    kCmdDeletesScript = 1u << 9, // deletes the script when the run ends
    kCmdEndsList = 1u << 10,     // ends a command list: the run loop's own check; no handler, no log line
};

// A field that names the list the run may go on with. Read by the checker,
// which follows the run's branches; the runner's handlers read their own.
enum BranchFieldKind : unsigned char {
    kBranchAsWritten,   // the list's name as the field holds it
    kBranchExpanded,    // the field's variables are expanded first
    kBranchBoxAnswer,   // a message box's answer: an empty one ends the run with this list,
                        // and the box's kind (field 1) says how many answers it has
};
struct BranchField {
    int field; // -1 ends a row's list
    BranchFieldKind kind;
    bool mayBeMissing; // a machine the script need not serve: a missing list is a warning
    const char* role;  // how a finding names the field
};
// clang-format off
inline constexpr BranchField kNoBranches[] = {{-1, kBranchAsWritten, false, nullptr}};
inline constexpr BranchField kMachineBranches[] = {
    {0, kBranchAsWritten, false, "field 0 (the maker's machine)"},
    {1, kBranchAsWritten, false, "field 1 (any other machine)"},
    {-1, kBranchAsWritten, false, nullptr}};
inline constexpr BranchField kAnswerBranches[] = {
    {2, kBranchBoxAnswer, false, "field 2"},
    {3, kBranchBoxAnswer, false, "field 3"},
    {4, kBranchBoxAnswer, false, "field 4"},
    {-1, kBranchAsWritten, false, nullptr}};
inline constexpr BranchField kWindowsBranches[] = {
    {1, kBranchAsWritten, true, "field 1 (Windows 95)"},
    {2, kBranchAsWritten, true, "field 2 (Windows 98)"},
    {3, kBranchAsWritten, true, "field 3 (Windows NT 4.0)"},
    {4, kBranchAsWritten, true, "field 4 (Windows 2000)"},
    {0, kBranchAsWritten, true, "field 0 (any other Windows)"},
    {-1, kBranchAsWritten, false, nullptr}};
inline constexpr BranchField kJumpBranches[] = {
    {0, kBranchExpanded, false, "field 0"},
    {-1, kBranchAsWritten, false, nullptr}};
inline constexpr BranchField kSystemIdBranches[] = {
    {1, kBranchExpanded, false, "field 1 (a supported ID)"},
    {2, kBranchExpanded, false, "field 2 (other IDs)"},
    {-1, kBranchAsWritten, false, nullptr}};
inline constexpr BranchField kPowerBranches[] = {
    {0, kBranchAsWritten, true, "field 0 (not Windows 98)"},
    {1, kBranchAsWritten, true, "field 1 (Windows 98, APM)"},
    {2, kBranchAsWritten, true, "field 2 (Windows 98, ACPI)"},
    {-1, kBranchAsWritten, false, nullptr}};
// clang-format on

// One row per type, in type order: X(number, log name, handler, checker's
// check, plan step, branch fields, properties). The handler is the
// runner's (commands.h), the check the checker's (Checker::Check<name>,
// scriptcheck/command_checks.cpp), the plan step what the checker's plan
// writes down for it (Planner::Plan<name>, scriptcheck/plan.cpp); each
// side expands the column it needs and ignores the others.
// clang-format off
#define SETUPRUN_COMMAND_TYPES(X) \
    X(0,  "CMD00",                          nullptr,                        Field0,        Nothing,        kNoBranches,       kCmdEndsList) \
    X(1,  "CMD01_Copy_Lnk2StartF_W2000",    CMD01_Copy_Lnk2StartF_W2000,    AddLink,       AddLink,        kNoBranches,       0) \
    X(2,  "CMD02_DEL_LnkInStartF_W2000",    CMD02_DEL_LnkInStartF_W2000,    DeleteLink,    DeleteLink,     kNoBranches,       0) \
    X(3,  "CMD03_Add single Reg Value",     CMD03_AddSingleRegValue,        AddRegValue,   SetRegValue,    kNoBranches,       0) \
    X(4,  "CMD04_Remove single Reg Value",  CMD04_RemoveSingleRegValue,     RegKeySection, DeleteRegValue, kNoBranches,       0) \
    X(5,  "CMD05_IncRunningCounter",        CMD05_IncRunningCounter,        Field0,        Counter,        kNoBranches,       kCmdUsesData) \
    X(6,  "CMD06_DecCmdIndex",              CMD06_DecCmdIndex,              DecStep,       StepBack,       kNoBranches,       kCmdUsesData) \
    X(7,  "CMD07_IncCmdIndex",              CMD07_IncCmdIndex,              IncStep,       StepOn,         kNoBranches,       kCmdUsesData) \
    X(8,  "CMD08_ResetCmdIndex",            CMD08_ResetCmdIndex,            Field0,        Reset,          kNoBranches,       kCmdEndsRun | kCmdKeepsPosition) \
    X(9,  "CMD09_BranchOnIsVorlix",         CMD09_BranchOnIsVorlix,         Field0,        MachineBranch,  kMachineBranches,  0) \
    X(10, "CMD10_Exit",                     CMD10_Exit,                     Field0,        Exit,           kNoBranches,       kCmdEndsRun) \
    X(11, "CMD11_SpawnProgram",             CMD11_SpawnProgram,             Program,       Start,          kNoBranches,       kCmdFieldForm) \
    X(12, "CMD12_RemoveSingleRegKey",       CMD12_RemoveSingleRegKey,       RegKeySection, DeleteRegKey,   kNoBranches,       0) \
    X(13, "CMD13_Sleep",                    CMD13_Sleep,                    SleepTime,     Nothing,        kNoBranches,       0) \
    X(14, "CMD14_MultiRegEdit",             CMD14_MultiRegEdit,             RegistryList,  RegistryList,   kNoBranches,       0) \
    X(15, "CMD15_CopyFile",                 CMD15_CopyFile,                 CopyFiles,     Copy,           kNoBranches,       kCmdFieldForm) \
    X(16, "CMD16_DeleteFileOrDir",          CMD16_DeleteFileOrDir,          DeletePaths,   Delete,         kNoBranches,       kCmdFieldForm) \
    X(17, "CMD17_DisplayMessageBox",        CMD17_DisplayMessageBox,        BoxMessages,   Box,            kAnswerBranches,   0) \
    X(18, "CMD18_BranchOnOS",               CMD18_BranchOnOS,               Field0,        WindowsBranch,  kWindowsBranches,  0) \
    X(19, "CMD19_JumpToNextSection",        CMD19_JumpToNextSection,        Field0,        Jump,           kJumpBranches,     0) \
    X(20, "CMD20_ExitRebootSystem",         CMD20_ExitRebootSystem,         Field0,        Restart,        kNoBranches,       kCmdAsksRestart) \
    X(21, "CMD21_MakeDir",                  CMD21_MakeDir,                  MakeDirs,      MakeFolders,    kNoBranches,       kCmdFieldForm) \
    X(22, "CMD22_DisplayWindow",            CmdNotSupported,                Field0,        Nothing,        kNoBranches,       kCmdReserved) \
    X(23, "CMD23_MergeINIFile",             CmdNotSupported,                Field0,        Nothing,        kNoBranches,       kCmdReserved) \
    X(24, "CMD24_ControlOsShutdown",        CmdNotSupported,                Field0,        Nothing,        kNoBranches,       kCmdReserved) \
    X(25, "CMD25_BranchOnSystemID",         CMD25_BranchOnSystemID,         SystemIdList,  SystemIdBranch, kSystemIdBranches, 0) \
    X(26, "CMD26_SetValue",                 CMD26_SetValue,                 SetValue,      SetValue,       kNoBranches,       kCmdFieldForm | kCmdWritesScript) \
    X(27, "CMD27_SetVariable",              CMD27_SetVariable,              SetVariable,   SetVariable,    kNoBranches,       kCmdFieldForm | kCmdSetsVariable) \
    X(28, "CMD28_AppendINIFile",            CMD28_AppendINIFile,            Append,        Append,         kNoBranches,       kCmdAddsSections) \
    X(29, "CMD29_ExitAndDeleteINIFile",     CMD29_ExitAndDeleteINIFile,     ExitAndDelete, ExitAndDelete,  kNoBranches,       kCmdEndsRun | kCmdKeepsPosition | kCmdFieldForm | kCmdAsksRestart | kCmdDeletesScript) \
    X(30, "CMD30_BranchOnPowerManagement",  CMD30_BranchOnPowerManagement,  Field0,        PowerBranch,    kPowerBranches,    0) \
    X(31, "CMD31_RenameFile",               CMD31_RenameFile,               RenameFiles,   Rename,         kNoBranches,       kCmdFieldForm) \
    X(32, "CMD32_LogMsg",                   CMD32_LogMsg,                   LogMessage,    Nothing,        kNoBranches,       0) \
    X(33, "CMD33_",                         CmdNotSupported,                Field0,        Nothing,        kNoBranches,       kCmdReserved) \
    X(34, "CMD34_",                         CmdNotSupported,                Field0,        Nothing,        kNoBranches,       kCmdReserved) \
    X(35, "CMD35_",                         CmdNotSupported,                Field0,        Nothing,        kNoBranches,       kCmdReserved)
// clang-format on

enum { kCommandTypeCount = 36 };

struct CommandType {
    int number;
    const char* name; // in the command's log line
    unsigned properties;
    const BranchField* branches; // ends with field -1
};

// The row of a type; null for a type that is not defined (below 0, above 35).
const CommandType* FindCommandType(int type);

// True when the type is defined and has the property.
bool CommandHas(int type, CommandProperty property);

// The fields that name lists the run may go on with (field -1 ends them);
// an empty list for a type that never branches or is not defined.
const BranchField* CommandBranches(int type);

// The highest type that is a working command (not reserved): the range
// authors are told to use is 1 to this.
int HighestWorkingCommandType();
