// Variable tokens in command arguments: "~%V000".."~%V999" read [Variables]
// of the working copy; "~%C000" (a temporary file name), "~%C001" (the
// program's directory), "~%C101".."~%C104" (Windows, inf, system and
// drivers directories) are built in.
#pragma once

#include <stddef.h>

struct RunState;

// Expands the tokens of text in place, from the run's script ([Variables])
// and program directory; size is the capacity of the caller's buffer,
// which the result never exceeds. Returns the number of tokens found
// (replaced or not); 0 when there is none or memory is short.
int GetVariable(const RunState& run, char* text, size_t size);

// GetVariable that also tells whether the result had to be cut to fit, or
// was left unexpanded because a variable's value is over 259 characters.
int ExpandVariables(const RunState& run, char* text, size_t size, bool* cut);

// CMD27, which defines script variables, is in commands.h.

// Token scanning, free of Windows calls. A token is "~%" plus a kind
// letter and three characters read as a decimal number; it is six
// characters long, or shorter where the text ends first.
struct VariableToken {
    char kind;       // 'C' or 'V' (upper case); 0 for an invalid kind letter
    int number;
    size_t length;   // characters the token occupies in the text
};
// Finds the next "~%" at or after from; null when there is none.
const char* FindVariableToken(const char* from);
VariableToken ParseVariableToken(const char* token);
// Replaces text[at..] (the token and all after it) by value followed by
// rest, within size. False when the result had to be cut.
bool SpliceReplacement(char* text, size_t size, size_t at, const char* value, const char* rest);
// The temporary file name of ~%C000: "TMP" and the last five decimal
// digits of the process id.
void TemporaryFileName(unsigned long processId, char* out, size_t size);

// The built-in tokens ~%Cnnn: what each stands for on the machine. The
// runner asks Windows for the directory; the checker shows the example.
enum BuiltInBase {
    kBuiltInTempFile,   // a whole temporary file name, also stored as V000: text after the token is dropped
    kBuiltInProgramDir, // the runner's own directory
    kBuiltInWindowsDir, // GetWindowsDirectory
    kBuiltInSystemDir,  // GetSystemDirectory
};
struct BuiltInToken {
    int number;
    BuiltInBase base;
    const char* tail;    // appended to the base directory
    const char* example; // what it gives on a typical machine, for the checker
};
// The token's row; null for a number that is no built-in token.
const BuiltInToken* FindBuiltInToken(int number);
