// Command handlers and the dispatch table. A handler takes no arguments:
// it reads the command context from g_run (script path, command number,
// command section, run flags) and its further fields from [Commands].
// It returns 0 when done, 2 for a missing section or bad parameters,
// 3 when memory is short, 1 to end the run (CMD08, CMD10, CMD29).
#pragma once

#include "command_types.h"

typedef int (*CommandHandler)();

// The handler of a command type (its row in command_types.h); null for
// type 0 (the end of the list, the run loop's own) and undefined types.
CommandHandler CommandHandlerOf(int type);

// Run-position commands (cmd_run_position.cpp).
int CMD05_IncRunningCounter();
int CMD06_DecCmdIndex();
int CMD07_IncCmdIndex();
int CMD08_ResetCmdIndex();

// Flow-control and interaction commands (cmd_flow.cpp).
int CMD10_Exit();
int CMD13_Sleep();
int CMD17_DisplayMessageBox();
int CMD18_BranchOnOS();
int CMD19_JumpToNextSection();
int CMD20_ExitRebootSystem();
int CMD29_ExitAndDeleteINIFile();
int CMD30_BranchOnPowerManagement();
int CMD32_LogMsg();

// Deletion (cmd_delete.cpp). CmdRmdir deletes a file or a whole tree;
// RemoveDir empties and removes a directory, depth first.
int CMD16_DeleteFileOrDir();
void CmdRmdir(const char* path);
void RemoveDir(const char* dir);

// Registry commands (cmd_registry.cpp): CMD03, CMD04 and CMD12 edit one
// value or key, read from the keys of their section.
int CMD03_AddSingleRegValue();
int CMD04_RemoveSingleRegValue();
int CMD12_RemoveSingleRegKey();
int CMD14_MultiRegEdit();

// File commands (cmd_files.cpp). SBCopyFile copies a directory's whole
// content into an existing directory; MakeDirectory creates one level.
int CMD01_Copy_Lnk2StartF_W2000();
int CMD02_DEL_LnkInStartF_W2000();
int CMD15_CopyFile();
int CMD21_MakeDir();
int CMD31_RenameFile();
void SBCopyFile(const char* sourceDir, const char* destinationDir);
bool MakeDirectory(const char* path);

// Commands that edit the script file itself (cmd_ini.cpp).
int CMD26_SetValue();
int CMD28_AppendINIFile();

// Program launch (cmd_launch.cpp).
int CMD11_SpawnProgram();

// Variables (variables.cpp).
int CMD27_SetVariable();

// Reserved command types.
int CmdNotSupported();

// Machine-identity branches (cmd_identity.cpp).
int CMD09_BranchOnIsVorlix();
int CMD25_BranchOnSystemID();
