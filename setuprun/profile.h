// Access to INI files, always through the private-profile functions, and
// the script file's keys as the engine and the commands read them.
#pragma once

#include <stddef.h>
#include <stdlib.h>

#include "section_read.h"

// Reads a whole section: a newly allocated buffer of NUL-ended lines, the
// list ended by an empty line, which the caller frees with free(). Null
// when the section is missing or empty or memory is short. On Windows
// 95/98 a section is read into 16640 bytes at most.
char* LoadProfileSection(const char* section, const char* file);

// How a walk through the lines of a section ended.
enum SectionWalk {
    kSectionMissing, // missing or empty, or memory was short: no line visited
    kSectionWalked,  // every line visited
    kSectionStopped, // the visitor returned false for a line: the rest not visited
};

// Loads a whole section (LoadProfileSection) and hands its lines in order
// to visit(char* line), which returns false to stop the walk there. A
// visitor may cut its line in place: the next line is found before it is
// called. The text is freed when the walk ends. A template, so that a
// visitor holds what it needs (the run, an open key) with its own types.
template <typename Visit>
SectionWalk ForEachSectionLine(const char* section, const char* file, Visit visit)
{
    char* text = LoadProfileSection(section, file);
    if (!text)
        return kSectionMissing;
    SectionWalk walk = kSectionWalked;
    for (char* line = text; line;) {
        char* next = NextSectionLine(line);
        if (!visit(line)) {
            walk = kSectionStopped;
            break;
        }
        line = next;
    }
    free(text);
    return walk;
}

// Whether a section has a line: it is loaded whole as for a walk, so that
// a section too large for Windows 95/98 is logged the same way.
bool SectionHasText(const char* section, const char* file);

// The number of characters of a section as GetPrivateProfileSectionA
// counts them; at most 16640 on every system, 0 when memory is short.
int GetProfileSectionSize(const char* section, const char* file);

// Keys of a script file: the run's scriptPath (the working copy once the
// start-up has made it), passed in by the caller.
void ReadScriptString(const char* script, const char* section, const char* key, const char* fallback, char* out,
                      size_t size);
int ReadScriptInt(const char* script, const char* section, const char* key, int fallback);
bool WriteScriptString(const char* script, const char* section, const char* key, const char* value);
bool WriteScriptInt(const char* script, const char* section, const char* key, int value);
// Writes the private-profile cache of the script file to disk.
void FlushScript(const char* script);

// [Commands] keys of command n: Cmd<n>, CmdSection<n>.<m>, FullCmdSection<n>.
void ReadCommandField(const char* script, int n, int m, const char* fallback, char* out, size_t size);
int ReadCommandFieldInt(const char* script, int n, int m, int fallback);

// Reads a whole section whatever its size, for rewriting it. *text is a
// newly allocated list (null when the section is missing or empty).
// False only when memory is short, so that a caller never mistakes a
// failed read for an empty section.
bool ReadWholeSection(const char* section, const char* file, char** text);
