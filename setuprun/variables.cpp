#include "variables.h"

#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include "commands.h"
#include "log.h"
#include "profile.h"
#include "run_state.h"
#include "script_file.h"
#include "text.h"

enum { kVariableValueSize = kPathSize };

// The temporary file path of ~%C000, also stored as V000.
static void TemporaryFilePath(char* out, size_t size)
{
    char name[16];
    TemporaryFileName(GetCurrentProcessId(), name, sizeof name);
    char temp[kPathSize];
    DWORD n = GetTempPathA(sizeof temp, temp);
    if (n == 0 || n >= sizeof temp)
        FormatText(out, size, "c:\\%s", name);
    else
        FormatText(out, size, "%s%s", temp, name);
}

// The directory a built-in token (variables.h) stands for; false for the
// temporary file, which the caller makes.
static bool BuiltInDirectory(const char* programDir, const BuiltInToken& token, char* out, size_t size)
{
    char dir[kPathSize] = "";
    switch (token.base) {
    case kBuiltInProgramDir:
        CopyText(dir, sizeof dir, programDir);
        break;
    case kBuiltInWindowsDir:
        GetWindowsDirectoryA(dir, sizeof dir);
        break;
    case kBuiltInSystemDir:
        GetSystemDirectoryA(dir, sizeof dir);
        break;
    case kBuiltInTempFile:
        return false;
    }
    FormatText(out, size, "%s%s", dir, token.tail);
    return true;
}

int ExpandVariables(const RunState& run, char* text, size_t size, bool* cut)
{
    *cut = false;
    int count = 0;
    int replacements = 0;
    const char* scan = text;
    for (;;) {
        const char* token = FindVariableToken(scan);
        if (!token)
            return count;
        // One byte more than a value may use, so that an overlong one is seen.
        char* value = (char*)malloc(kVariableValueSize + 1);
        if (!value) {
            WriteLog("ERROR-=-", "GetVariable().../Cannot malloc memory");
            return 0;
        }
        VariableToken parsed = ParseVariableToken(token);
        if (!parsed.kind) {
            WriteLog("ERROR-=-", " variable token ~% found but leading character not valid");
            WriteLog("ERROR-=-", scan);
            free(value);
            return count;
        }
        count++;
        size_t at = (size_t)(token - text);
        const char* rest = token + parsed.length;
        bool replaced = false;
        bool dropRest = false;
        const BuiltInToken* builtIn = parsed.kind == 'C' ? FindBuiltInToken(parsed.number) : nullptr;
        if (builtIn && builtIn->base == kBuiltInTempFile) {
            TemporaryFilePath(value, kVariableValueSize);
            WriteLogf("", "** creating %s and will save in V000", value);
            WriteScriptString(run.scriptPath, "Variables", "V000", value);
            replaced = dropRest = true;
        } else if (parsed.kind == 'C') {
            replaced = builtIn && BuiltInDirectory(run.programDir, *builtIn, value, kVariableValueSize);
            if (!replaced)
                WriteLog("GetVariable( ) variable not found for ", scan);
        } else if (parsed.number < 0 || parsed.number >= 1000) {
            WriteLog("GetVariable( ) variable not found for ", scan);
        } else {
            char key[8];
            FormatText(key, sizeof key, "V%03d", parsed.number);
            ReadScriptString(run.scriptPath, "Variables", key, "", value, kVariableValueSize + 1);
            if (strlen(value) >= kVariableValueSize) {
                // A cut value would put another text in: the token stays.
                *cut = true;
                WriteLogf("ERROR-=-", " variable %s is longer than %d characters: not expanded", key,
                          kVariableValueSize - 1);
                free(value);
                return count;
            }
            replaced = true;
        }

        if (replaced && replacements >= kMaxReplacements) {
            WriteLogf("ERROR-=-", " variable expansion stopped after %d replacements: a variable refers to itself",
                      kMaxReplacements);
            free(value);
            return count;
        }
        if (replaced) {
            replacements++;
            WriteLog("", "replaced variable in string.");
            if (!SpliceReplacement(text, size, at, value, dropRest ? "" : rest)) {
                // A cut may leave part of a token at the end: expanding
                // that would put a different variable in. Stop here.
                *cut = true;
                WriteLogf("", "full string now is: %s", text);
                WriteLogf("ERROR-=-", " expanded text cut to %d characters", (int)size - 1);
                free(value);
                return count;
            }
            WriteLogf("", "full string now is: %s", text);
            // Scanning resumes at the replacement: a value may hold tokens.
            scan = text + at;
        } else {
            WriteLog("ERROR-=-", " variable token found but no replacement made.");
            WriteLog("ERROR-=-", token);
            // The token stays; scanning goes on behind it.
            scan = rest;
        }
        free(value);
    }
}

int GetVariable(const RunState& run, char* text, size_t size)
{
    bool cut;
    return ExpandVariables(run, text, size, &cut);
}

// Writes [Variables] key=value after expanding both (section form).
static void SetVariableFromLine(const RunState& run, char* line)
{
    char* comma = strchr(line, ',');
    if (!comma) {
        WriteLogf("WARNINIG-=-", "Missing comma >%s<", line);
        return;
    }
    *comma = '\0';
    char key[kMessageSize];
    char value[kMessageSize];
    bool keyFits = CopyText(key, sizeof key, TrimSpaces(line));
    bool valueFits = CopyText(value, sizeof value, TrimSpaces(comma + 1));
    if (key[0] == '\0') {
        WriteLogf("WARNINIG-=-", "Invalid Parameters : no Key >%s<", key);
        return;
    }
    if (!keyFits || !valueFits) {
        WriteLogf("WARNINIG-=-", "variable %s is longer than %d characters: not set", key, kMessageSize - 1);
        return;
    }
    GetVariable(run, key, sizeof key);
    GetVariable(run, value, sizeof value);
    WriteScriptString(run.scriptPath, "Variables", key, value);
}

int CMD27_SetVariable(const CommandContext& command)
{
    RunState& run = command.run;
    if (command.argumentsInFields) {
        // Read into buffers larger than the limit, so that an overlong key
        // or value is seen and refused as in the section form, never cut.
        char key[2 * kMessageSize];
        char value[2 * kMessageSize];
        ReadCommandField(run.scriptPath, run.commandNumber, 1, "", key, sizeof key);
        ReadCommandField(run.scriptPath, run.commandNumber, 2, "", value, sizeof value);
        if (key[0] == '\0') {
            WriteLogf("WARNINIG-=-", "Invalid Parameters : no Key >%s<", key);
        } else if (strlen(key) >= kMessageSize || strlen(value) >= kMessageSize) {
            WriteLogf("WARNINIG-=-", "variable %.*s is longer than %d characters: not set", kMessageSize - 1, key,
                      kMessageSize - 1);
        } else {
            GetVariable(run, value, kMessageSize);
            WriteLogf("Writing: ", "[%s]:%s=%s", "Variables", key, value);
            WriteScriptString(run.scriptPath, "Variables", key, value);
        }
    } else {
        SectionWalk walk = WalkCommandSection(run, "Missing the Data section or an extra comma.", [&](char* line) {
            if (line[0] != ';')
                SetVariableFromLine(run, line);
            return true;
        });
        if (walk == kSectionMissing)
            return 2;
    }
    FlushScript(run.scriptPath);
    return 0;
}
