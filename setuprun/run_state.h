// Run-wide state of setuprun: one instance, fixed buffers. The sizes are
// the limits of the values (lengths include the terminating NUL).
#pragma once

#include "buffer_limits.h"

enum {
    kProgramPathSize = 512,
    kProgramNameSize = 64,
    kWorkingCopySize = 512,
    kLanguageSectionSize = 304,
};

// Command numbers stay well inside int so that no step of the run
// (the loop's advance, CMD06, CMD07, compiling) can overflow.
enum { kMaxCommandNumber = 999999999 };

struct RunState {
    char programPath[kProgramPathSize];     // GetModuleFileNameA; later a scratch buffer
    char programDir[kPathSize];             // up to its last backslash
    char programFileName[kProgramNameSize]; // e.g. setup.exe; part of every log line
    char scriptPath[kPathSize];             // the source script, then the working copy
    char workingCopyPath[kWorkingCopySize]; // temporary directory + script file name
    int commandNumber;                      // N, persisted as [Commands] CurrentCmd
    int commandType;
    char commandSection[kCommandSectionSize]; // field 0 of the current command
    char languageSection[kLanguageSectionSize];
    char currentSection[kSectionNameSize];
    char nextSection[kSectionNameSize];
    bool silent;
    bool suppressReboot;
    bool rebootPending;
};

// The run of this process. Only where the run begins (WinMain) names it:
// everything below is handed the run, or the one field it needs.
extern RunState g_run;

bool IsValidCommandNumber(long long n);
