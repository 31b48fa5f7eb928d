// The script file as the engine runs it: compiling command-list sections
// into [Commands], the run position in [State], the end-of-list check and
// the branch step.
#pragma once

struct RunState;

// The script's comment and blank rule (see StripText); logs a warning and
// returns null for a null text.
char* StripCommentsAndEtc(char* text);

enum InitResult {
    kInitFailed,   // the section to compile is missing or empty
    kInitResumed,  // nothing to compile: the run continues where it stands
    kInitCompiled, // a section was compiled from the returned position on
};

// Compiles the first command list, a pending branch, or nothing (resume).
// At start-up a first start compiles [CommandsList] at 0 and records
// CurrentCmd=0; a pending branch is compiled at the recorded CurrentCmd,
// so that the run loop starts with its first command. From the end-of-list
// check the section is compiled at the run's current command number.
InitResult InitCommandSection(RunState& run, bool atStartUp);

// Command type 0: moves the run into a pending next section, or ends it.
// Returns true when the run is done.
bool EndOfListCheck(RunState& run);

// The branch step. With existence test (CMD09, CMD18, CMD19, CMD25, CMD30):
// records the target when the section exists, else shows the internal-error
// box (unless silent) and logs it; a name over 127 characters is refused
// with a log line. Returns whether the branch was recorded.
bool SetNextSection(const RunState& run, const char* name);
// Without existence test (CMD17): records the name as it is (unless it is
// over 127 characters); an empty name cancels a pending branch.
void SetNextSectionUnchecked(const RunState& run, const char* name);

// Parts of the branch step for commands that order them their own way,
// each given the part of the run it needs (SectionHasText of profile.h
// tells whether the target exists).
// False (logged, nothing recorded) for a name over 127 characters.
bool RecordNextSection(const char* script, const char* name);
void ShowInternalErrorBox(bool silent);
