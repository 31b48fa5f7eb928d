// Compiling command lines into [Commands] keys, as pure text work: the
// keys of each command are collected in a KeyList and then either merged
// into the existing [Commands] text (one section write) or written key by
// key. No Windows calls here.
#pragma once

#include <stddef.h>

// "key=value" entries, each NUL-ended, the list ended by an empty entry:
// the layout of GetPrivateProfileSectionA and WritePrivateProfileSectionA.
struct KeyList {
    char* data;
    size_t used;     // bytes of entries, without the final empty entry
    size_t capacity;
    bool failed;     // an allocation failed; the list is incomplete
};

void KeyListInit(KeyList* list);
void KeyListFree(KeyList* list);
bool KeyListAdd(KeyList* list, const char* key, const char* value);
// The entries with the list's end marker, for WritePrivateProfileSectionA.
const char* KeyListText(KeyList* list);
// Moves to the next entry of a NUL-ended list; null at the end.
const char* NextEntry(const char* entry);

// Compiles one command line as command n: Cmd<n> = the type text,
// FullCmdSection<n> = the text from the first comma on (empty without a
// comma), CmdSection<n>.<m> = field m, stripped. The line is cut in place.
// Returns false when the line is empty after stripping (it takes no number).
bool CompileCommandLine(char* line, int n, KeyList* out);

// True for Cmd<n>, FullCmdSection<n> and CmdSection<n>.<m> with n in
// [first, last], compared without case: the keys a compile of those
// numbers replaces.
bool IsCommandKeyInRange(const char* key, int first, int last);

// The [Commands] text after a compile of numbers first..last: every
// existing entry except the replaced keys (so no stale field of an earlier
// command at the same number survives), then the fresh entries. Null when
// memory is short.
char* MergeCommandKeys(const char* existing, const KeyList* fresh, int first, int last);
