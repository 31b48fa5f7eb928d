// Command handlers and the dispatch table. A handler receives the command
// it runs: the run it acts on (script path, command number, command
// section, run flags) and what the run loop has learnt of the command;
// it reads its further fields from [Commands]. It returns 0 when done,
// 2 for a missing section or bad parameters, 3 when memory is short, 1 to
// end the run (CMD08, CMD10, CMD29).
#pragma once

#include "command_types.h"
#include "log.h"
#include "profile.h"
#include "run_state.h"

// The command a handler runs. The run loop fills it before each handler;
// it lives as long as that call.
struct CommandContext {
    RunState& run; // commandNumber and commandSection (field 0) are this command's
    // Its row has kCmdFieldForm and its field 0 is empty: its arguments
    // are fields 1, 2, ... rather than the keys or lines of a section.
    bool argumentsInFields;
};

typedef int (*CommandHandler)(const CommandContext& command);

// A handler's walk through the lines of its command section in the script
// (ForEachSectionLine): a missing or empty one is logged as an error in
// the handler's own words.
template <typename Visit>
SectionWalk WalkCommandSection(const RunState& run, const char* missingText, Visit visit)
{
    SectionWalk walk = ForEachSectionLine(run.commandSection, run.scriptPath, visit);
    if (walk == kSectionMissing)
        WriteLog("ERROR-=-", missingText);
    return walk;
}

// The handler of a command type (its row in command_types.h); null for
// the end of the list (kCmdEndsList, the run loop's own) and undefined types.
CommandHandler CommandHandlerOf(int type);

// Run-position commands (cmd_run_position.cpp).
int CMD05_IncRunningCounter(const CommandContext& command);
int CMD06_DecCmdIndex(const CommandContext& command);
int CMD07_IncCmdIndex(const CommandContext& command);
int CMD08_ResetCmdIndex(const CommandContext& command);

// Flow-control and interaction commands (cmd_flow.cpp).
int CMD10_Exit(const CommandContext& command);
int CMD13_Sleep(const CommandContext& command);
int CMD17_DisplayMessageBox(const CommandContext& command);
int CMD18_BranchOnOS(const CommandContext& command);
int CMD19_JumpToNextSection(const CommandContext& command);
int CMD20_ExitRebootSystem(const CommandContext& command);
int CMD29_ExitAndDeleteINIFile(const CommandContext& command);
int CMD30_BranchOnPowerManagement(const CommandContext& command);
int CMD32_LogMsg(const CommandContext& command);

// Deletion (cmd_delete.cpp). CmdRmdir deletes a file or a whole tree;
// RemoveDir empties and removes a directory, depth first.
int CMD16_DeleteFileOrDir(const CommandContext& command);
void CmdRmdir(const char* path);
void RemoveDir(const char* dir);

// Registry commands (cmd_registry.cpp): CMD03, CMD04 and CMD12 edit one
// value or key, read from the keys of their section.
int CMD03_AddSingleRegValue(const CommandContext& command);
int CMD04_RemoveSingleRegValue(const CommandContext& command);
int CMD12_RemoveSingleRegKey(const CommandContext& command);
int CMD14_MultiRegEdit(const CommandContext& command);

// File commands (cmd_files.cpp). SBCopyFile copies a directory's whole
// content into an existing directory; MakeDirectory creates one level.
int CMD01_Copy_Lnk2StartF_W2000(const CommandContext& command);
int CMD02_DEL_LnkInStartF_W2000(const CommandContext& command);
int CMD15_CopyFile(const CommandContext& command);
int CMD21_MakeDir(const CommandContext& command);
int CMD31_RenameFile(const CommandContext& command);
void SBCopyFile(const char* sourceDir, const char* destinationDir);
bool MakeDirectory(const char* path);

// Commands that edit the script file itself (cmd_ini.cpp).
int CMD26_SetValue(const CommandContext& command);
int CMD28_AppendINIFile(const CommandContext& command);

// Program launch (cmd_launch.cpp).
int CMD11_SpawnProgram(const CommandContext& command);

// Variables (variables.cpp).
int CMD27_SetVariable(const CommandContext& command);

// Reserved command types.
int CmdNotSupported(const CommandContext& command);

// Machine-identity branches (cmd_identity.cpp).
int CMD09_BranchOnIsVorlix(const CommandContext& command);
int CMD25_BranchOnSystemID(const CommandContext& command);
