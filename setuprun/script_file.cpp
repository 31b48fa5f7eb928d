#include "script_file.h"

#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include "compile.h"
#include "log.h"
#include "os_version.h"
#include "profile.h"
#include "run_state.h"
#include "text.h"

// Default that tells a missing [State] key from an empty one.
static const char kMissingKey[] = "~x!x@x";
static const char kFirstList[] = "CommandsList";
static const char kInitLabel[] = "InitCommandSection()";

char* StripCommentsAndEtc(char* text)
{
    if (!text) {
        WriteLogLine("warning null pointer passed to StripCommentsAndEtc");
        return nullptr;
    }
    return StripText(text);
}

// Collects the keys of every command line of a section text, numbered
// from first on. *last receives the last number used (first - 1 when the
// section compiled to nothing).
static void CompileSectionText(char* text, int first, KeyList* keys, int* last)
{
    int n = first;
    for (char* line = text; line;) {
        char* next = NextSectionLine(line); // before the line is cut in place
        if (n > kMaxCommandNumber) {
            WriteLogf("ERROR-=-", "command number %d is out of range: the rest of the section is not compiled", n);
            break;
        }
        if (CompileCommandLine(line, n, keys))
            n++;
        line = next;
    }
    *last = n - 1;
}

// Replaces the [Commands] keys of numbers first..last in one section write.
// False when the section could not be read or rebuilt; nothing is written then.
static bool WriteCommandsMerged(const char* script, const KeyList* keys, int first, int last)
{
    char* existing;
    if (!ReadWholeSection("Commands", script, &existing))
        return false;
    char* merged = MergeCommandKeys(existing, keys, first, last);
    free(existing);
    if (!merged)
        return false;
    BOOL written = WritePrivateProfileSectionA("Commands", merged, script);
    free(merged);
    return written != FALSE;
}

// Writes the keys one by one, first removing the fields that an earlier
// compile left at the same numbers (a stale field would be read as this
// command's own).
static void WriteCommandsKeyByKey(const char* script, KeyList* keys, int first, int last)
{
    char key[48];
    char probe[8];
    for (int n = first; n <= last; n++) {
        for (int m = 0;; m++) {
            FormatText(key, sizeof key, "CmdSection%d.%d", n, m);
            ReadScriptString(script, "Commands", key, kMissingKey, probe, sizeof probe);
            if (strcmp(probe, kMissingKey) == 0)
                break;
            WriteScriptString(script, "Commands", key, nullptr);
        }
    }
    const char* text = KeyListText(keys);
    for (const char* entry = text; entry && *entry; entry = NextEntry(entry)) {
        const char* equals = strchr(entry, '=');
        FormatText(key, sizeof key, "%.*s", (int)(equals - entry), entry);
        WriteScriptString(script, "Commands", key, equals + 1);
    }
}

// Compiles a section text at consecutive numbers from first on.
static void CompileSection(const char* script, char* text, int first)
{
    KeyList keys;
    KeyListInit(&keys);
    int last;
    CompileSectionText(text, first, &keys, &last);
    if (keys.failed) {
        WriteLog("ERROR-=-", "InitCommandSection() cannot malloc memory: section not compiled");
    } else if (last >= first) {
        // Windows 95/98 read sections into 32 KB at most: there a big
        // [Commands] could not be read back whole, so keys go one by one.
        bool merged = !(IsWin95() || IsWin98()) && WriteCommandsMerged(script, &keys, first, last);
        if (!merged)
            WriteCommandsKeyByKey(script, &keys, first, last);
    }
    KeyListFree(&keys);
}

// Records the list the run is in, with no branch pending, in one write.
// Written only after the list is compiled: a run cut before this compiles
// the same list at the same number again when resumed, and a run cut
// after it finds the list compiled and no branch left to take.
static void RecordCurrentSection(RunState& run, const char* name)
{
    CopyText(run.currentSection, sizeof run.currentSection, name);
    // "CurrentSection=<name>", "NextSection=" and the empty line that ends
    // a list; the name was cut to its buffer, so everything fits.
    char state[sizeof "CurrentSection=" + kSectionNameSize + sizeof "NextSection=" + 1];
    FormatText(state, sizeof state, "CurrentSection=%s", run.currentSection);
    size_t used = strlen(state) + 1;
    CopyText(state + used, sizeof state - used, "NextSection=");
    used += strlen(state + used) + 1;
    state[used] = '\0';
    WritePrivateProfileSectionA("State", state, run.scriptPath);
}

InitResult InitCommandSection(RunState& run, bool atStartUp)
{
    char firstCommand[kPathSize];
    ReadScriptString(run.scriptPath, "Commands", "CMD0", "XX", firstCommand, sizeof firstCommand);
    ReadScriptString(run.scriptPath, "State", "CurrentSection", kMissingKey, run.currentSection,
                     sizeof run.currentSection);
    ReadScriptString(run.scriptPath, "State", "NextSection", kMissingKey, run.nextSection, sizeof run.nextSection);
    // A hand-made [State] without NextSection has no branch pending.
    if (EqualsNoCase(run.nextSection, kMissingKey))
        run.nextSection[0] = '\0';

    char target[kSectionNameSize];
    int first;
    bool recordFirst = false;
    if (EqualsNoCase(run.currentSection, kMissingKey)) {
        // First start of this working copy.
        CopyText(target, sizeof target, kFirstList);
        WriteLog(kInitLabel, " starting from [CommandsList]");
        // At start-up the run loop begins where this compile begins.
        first = atStartUp ? 0 : run.commandNumber;
        recordFirst = atStartUp;
    } else if (EqualsNoCase(run.currentSection, run.nextSection) || EqualsNoCase(firstCommand, "XX") ||
               run.nextSection[0] == '\0') {
        WriteLogf(kInitLabel, " continuing with [%s]", run.currentSection);
        return kInitResumed;
    } else {
        // A branch is pending. At start-up it is compiled at the recorded
        // position, where the run loop is about to continue.
        CopyText(target, sizeof target, run.nextSection);
        WriteLogf(kInitLabel, " starting from [%s]", target);
        first = atStartUp ? ReadScriptInt(run.scriptPath, "Commands", "CurrentCmd", 0) : run.commandNumber;
    }
    char* text = LoadProfileSection(target, run.scriptPath);

    WriteLogf("**", "  Starting section >%s<", target);
    if (!text) {
        RecordCurrentSection(run, target);
        WriteLogf("ERROR-=-", " section [%s] is empty..cannot initialize", target);
        return kInitFailed;
    }
    if (!IsValidCommandNumber(first)) {
        RecordCurrentSection(run, target);
        WriteLogf("ERROR-=-", " command number %d is out of range..cannot initialize", first);
        free(text);
        return kInitFailed;
    }
    CompileSection(run.scriptPath, text, first);
    free(text);
    if (recordFirst)
        WriteScriptInt(run.scriptPath, "Commands", "CurrentCmd", first);
    RecordCurrentSection(run, target);
    FlushScript(run.scriptPath);
    WriteLog(kInitLabel, " initializtion complete.");
    return kInitCompiled;
}

bool EndOfListCheck(RunState& run)
{
    char current[kSectionNameSize];
    char next[kSectionNameSize];
    ReadScriptString(run.scriptPath, "State", "CurrentSection", "", current, sizeof current);
    ReadScriptString(run.scriptPath, "State", "NextSection", "", next, sizeof next);
    bool done = EqualsNoCase(current, next) || next[0] == '\0';
    // Only a compiled section moves the run on: a hand-made [State] that
    // makes InitCommandSection resume without compiling would otherwise
    // bring the run back to this check forever.
    if (!done)
        done = InitCommandSection(run, false) != kInitCompiled;
    if (done)
        WriteLog("No More commands", "");
    return done;
}

bool RecordNextSection(const char* script, const char* name)
{
    // [State] is read back into 128-byte buffers: a longer name would come
    // back cut and name another section.
    if (strlen(name) >= kSectionNameSize) {
        WriteLogf("ERROR-=-", "section name %s is longer than %d characters: no branch", name, kSectionNameSize - 1);
        return false;
    }
    WriteScriptString(script, "State", "NextSection", name);
    return true;
}

void ShowInternalErrorBox(bool silent)
{
    if (silent)
        return;
    MessageBoxA(nullptr,
                "An internal error has occured and progress has been aborted.\n\nPlease reinstall installation.",
                "Vorlix SW Installer", MB_SYSTEMMODAL | MB_ICONERROR);
}

bool SetNextSection(const RunState& run, const char* name)
{
    if (SectionHasText(name, run.scriptPath)) {
        WriteLog("  Setting next section to: ", name);
        return RecordNextSection(run.scriptPath, name);
    }
    ShowInternalErrorBox(run.silent);
    WriteLogf("ERROR-=-", "Section [%s] is not found!", name);
    return false;
}

void SetNextSectionUnchecked(const RunState& run, const char* name)
{
    WriteLog("  Setting next section to: ", name);
    RecordNextSection(run.scriptPath, name);
}
