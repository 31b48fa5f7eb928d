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
static bool WriteCommandsMerged(const KeyList* keys, int first, int last)
{
    char* existing;
    if (!ReadWholeSection("Commands", g_run.scriptPath, &existing))
        return false;
    char* merged = MergeCommandKeys(existing, keys, first, last);
    free(existing);
    if (!merged)
        return false;
    BOOL written = WritePrivateProfileSectionA("Commands", merged, g_run.scriptPath);
    free(merged);
    return written != FALSE;
}

// Writes the keys one by one, first removing the fields that an earlier
// compile left at the same numbers (a stale field would be read as this
// command's own).
static void WriteCommandsKeyByKey(KeyList* keys, int first, int last)
{
    char key[48];
    char probe[8];
    for (int n = first; n <= last; n++) {
        for (int m = 0;; m++) {
            FormatText(key, sizeof key, "CmdSection%d.%d", n, m);
            ReadScriptString("Commands", key, kMissingKey, probe, sizeof probe);
            if (strcmp(probe, kMissingKey) == 0)
                break;
            WriteScriptString("Commands", key, nullptr);
        }
    }
    const char* text = KeyListText(keys);
    for (const char* entry = text; entry && *entry; entry = NextEntry(entry)) {
        const char* equals = strchr(entry, '=');
        FormatText(key, sizeof key, "%.*s", (int)(equals - entry), entry);
        WriteScriptString("Commands", key, equals + 1);
    }
}

// Compiles a section text at consecutive numbers from first on.
static void CompileSection(char* text, int first)
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
        bool merged = !(IsWin95() || IsWin98()) && WriteCommandsMerged(&keys, first, last);
        if (!merged)
            WriteCommandsKeyByKey(&keys, first, last);
    }
    KeyListFree(&keys);
}

// Records the list the run is in, with no branch pending, in one write.
// Written only after the list is compiled: a run cut before this compiles
// the same list at the same number again when resumed, and a run cut
// after it finds the list compiled and no branch left to take.
static void RecordCurrentSection(const char* name)
{
    CopyText(g_run.currentSection, sizeof g_run.currentSection, name);
    // "CurrentSection=<name>", "NextSection=" and the empty line that ends
    // a list; the name was cut to its buffer, so everything fits.
    char state[sizeof "CurrentSection=" + kSectionNameSize + sizeof "NextSection=" + 1];
    FormatText(state, sizeof state, "CurrentSection=%s", g_run.currentSection);
    size_t used = strlen(state) + 1;
    CopyText(state + used, sizeof state - used, "NextSection=");
    used += strlen(state + used) + 1;
    state[used] = '\0';
    WritePrivateProfileSectionA("State", state, g_run.scriptPath);
}

InitResult InitCommandSection(bool atStartUp)
{
    char firstCommand[kPathSize];
    ReadScriptString("Commands", "CMD0", "XX", firstCommand, sizeof firstCommand);
    ReadScriptString("State", "CurrentSection", kMissingKey, g_run.currentSection, sizeof g_run.currentSection);
    ReadScriptString("State", "NextSection", kMissingKey, g_run.nextSection, sizeof g_run.nextSection);
    // A hand-made [State] without NextSection has no branch pending.
    if (EqualsNoCase(g_run.nextSection, kMissingKey))
        g_run.nextSection[0] = '\0';

    char target[kSectionNameSize];
    int first;
    bool recordFirst = false;
    if (EqualsNoCase(g_run.currentSection, kMissingKey)) {
        // First start of this working copy.
        CopyText(target, sizeof target, kFirstList);
        WriteLog(kInitLabel, " starting from [CommandsList]");
        // At start-up the run loop begins where this compile begins.
        first = atStartUp ? 0 : g_run.commandNumber;
        recordFirst = atStartUp;
    } else if (EqualsNoCase(g_run.currentSection, g_run.nextSection) || EqualsNoCase(firstCommand, "XX") ||
               g_run.nextSection[0] == '\0') {
        WriteLogf(kInitLabel, " continuing with [%s]", g_run.currentSection);
        return kInitResumed;
    } else {
        // A branch is pending. At start-up it is compiled at the recorded
        // position, where the run loop is about to continue.
        CopyText(target, sizeof target, g_run.nextSection);
        WriteLogf(kInitLabel, " starting from [%s]", target);
        first = atStartUp ? ReadScriptInt("Commands", "CurrentCmd", 0) : g_run.commandNumber;
    }
    char* text = LoadProfileSection(target, g_run.scriptPath);

    WriteLogf("**", "  Starting section >%s<", target);
    if (!text) {
        RecordCurrentSection(target);
        WriteLogf("ERROR-=-", " section [%s] is empty..cannot initialize", target);
        return kInitFailed;
    }
    if (!IsValidCommandNumber(first)) {
        RecordCurrentSection(target);
        WriteLogf("ERROR-=-", " command number %d is out of range..cannot initialize", first);
        free(text);
        return kInitFailed;
    }
    CompileSection(text, first);
    free(text);
    if (recordFirst)
        WriteScriptInt("Commands", "CurrentCmd", first);
    RecordCurrentSection(target);
    FlushScript();
    WriteLog(kInitLabel, " initializtion complete.");
    return kInitCompiled;
}

bool EndOfListCheck()
{
    char current[kSectionNameSize];
    char next[kSectionNameSize];
    ReadScriptString("State", "CurrentSection", "", current, sizeof current);
    ReadScriptString("State", "NextSection", "", next, sizeof next);
    bool done = EqualsNoCase(current, next) || next[0] == '\0';
    // Only a compiled section moves the run on: a hand-made [State] that
    // makes InitCommandSection resume without compiling would otherwise
    // bring the run back to this check forever.
    if (!done)
        done = InitCommandSection(false) != kInitCompiled;
    if (done)
        WriteLog("No More commands", "");
    return done;
}

bool SectionHasText(const char* name)
{
    char* text = LoadProfileSection(name, g_run.scriptPath);
    free(text);
    return text != nullptr;
}

bool RecordNextSection(const char* name)
{
    // [State] is read back into 128-byte buffers: a longer name would come
    // back cut and name another section.
    if (strlen(name) >= kSectionNameSize) {
        WriteLogf("ERROR-=-", "section name %s is longer than %d characters: no branch", name, kSectionNameSize - 1);
        return false;
    }
    WriteScriptString("State", "NextSection", name);
    return true;
}

void ShowInternalErrorBox()
{
    if (g_run.silent)
        return;
    MessageBoxA(nullptr,
                "An internal error has occured and progress has been aborted.\n\nPlease reinstall installation.",
                "Vorlix SW Installer", MB_SYSTEMMODAL | MB_ICONERROR);
}

bool SetNextSection(const char* name)
{
    if (SectionHasText(name)) {
        WriteLog("  Setting next section to: ", name);
        return RecordNextSection(name);
    }
    ShowInternalErrorBox();
    WriteLogf("ERROR-=-", "Section [%s] is not found!", name);
    return false;
}

void SetNextSectionUnchecked(const char* name)
{
    WriteLog("  Setting next section to: ", name);
    RecordNextSection(name);
}
