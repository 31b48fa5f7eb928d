// Start-up of a run: the command line, the script and its working copy,
// the log settings, the process privileges and the language section.
#pragma once

struct RunState;

// Locates the script, configures the log, applies the options and makes
// or keeps the working copy. From its success on run.scriptPath is the
// working copy.
bool InitINIFile(RunState& run, const char* commandLine);

// Enables the shutdown, restore and backup privileges on Windows NT.
void EnableRunPrivileges();

// Reads the language code from kit.ini and sets run.languageSection to
// "Data.<code>". False when the code is empty: the run must not start.
bool ReadLanguageSection(RunState& run);

// The usage box and the start-up failure box (not in silent mode).
void ShowUsageBox(const RunState& run);
void ShowStartupFailureBox(const RunState& run, const char* text);
