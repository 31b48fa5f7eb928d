// The program's command line: <script> [-silent] [-noreboot] [-resume].
// Pure text rules; the start-up applies them (startup.cpp).
#pragma once

#include <stddef.h>

struct CommandLineOptions {
    bool silent;
    bool noReboot;
    bool resume;
};

// The options are found by a case-sensitive substring search anywhere in
// the whole command line.
CommandLineOptions FindOptions(const char* commandLine);

// The script argument is the text before the first "-", stripped of
// blanks and comments. Returns false (out empty) when that text does not
// fit in out: a cut path could name another file, so it is refused.
bool ExtractScriptArgument(const char* commandLine, char* out, size_t outSize);

// A script argument holding ":\" is a full path; any other is taken
// relative to the program directory. False when the result does not fit.
bool ResolveScriptPath(const char* argument, const char* programDir, char* out, size_t outSize);

// Without an argument the script is <program directory>\<base>.INI, the
// base being the program file name up to its last ".".
bool DefaultScriptPath(const char* programDir, const char* programFileName, char* out, size_t outSize);
