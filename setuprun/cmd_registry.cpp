// Registry commands: one value or key at a time (CMD03, CMD04, CMD12) or a
// list of edits with whole subtrees deleted depth first (CMD14).
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include "commands.h"
#include "log.h"
#include "profile.h"
#include "registry_text.h"
#include "run_state.h"
#include "text.h"
#include "variables.h"

enum {
    kSingleFieldSize = kMessageSize, // keys of CMD03/04/12: at most 511 characters
    kListFieldSize = kPathSize,      // expanded value name and data of CMD14: 259
    kSubkeyNameSize = 261,
};

static HKEY RootKey(RootKeyId id)
{
    switch (id) {
    case kRootClassesRoot:
        return HKEY_CLASSES_ROOT;
    case kRootCurrentUser:
        return HKEY_CURRENT_USER;
    case kRootUsers:
        return HKEY_USERS;
    case kRootPerformanceData:
        return HKEY_PERFORMANCE_DATA;
    case kRootCurrentConfig:
        return HKEY_CURRENT_CONFIG;
    case kRootDynData:
        return HKEY_DYN_DATA;
    default:
        return HKEY_LOCAL_MACHINE;
    }
}

static void LogRegistryError(LONG code)
{
    char errorText[kMessageSize];
    GetErrorText(errorText, sizeof errorText, (unsigned long)code);
    WriteLog("ERROR details: ", errorText);
}

// Reads a key of the command section. A value longer than 511 characters
// is refused: a cut key path or value name would change another one.
static bool ReadSingleField(const RunState& run, const char* key, char* out)
{
    char value[kSingleFieldSize + 2];
    ReadScriptString(run.scriptPath, run.commandSection, key, "", value, sizeof value);
    if (strlen(value) >= kSingleFieldSize) {
        WriteLogf("ERROR-=-", "%s of [%s] is longer than %d characters: not done", key, run.commandSection,
                  kSingleFieldSize - 1);
        return false;
    }
    CopyText(out, kSingleFieldSize, value);
    return true;
}

enum SingleRegEdit { kAddValue, kRemoveValue, kRemoveKey };

// CMD03, CMD04 and CMD12: the key (and value) named by the keys of the
// command section, made when missing, then the one edit. Without its
// section, or without a key, the command changes nothing: every field
// would read as empty, which names the root key itself (and its default
// value), never what the script meant.
static int EditSingleRegEntry(const RunState& run, SingleRegEdit edit)
{
    char hive[kSingleFieldSize], keyPath[kSingleFieldSize], valueName[kSingleFieldSize], data[kSingleFieldSize];
    if (!SectionHasText(run.commandSection, run.scriptPath)) {
        WriteLog("ERROR-=-", "Missing the Data section");
        return 2;
    }
    if (!ReadSingleField(run, "RegHive", hive) || !ReadSingleField(run, "RegKey", keyPath) ||
        !ReadSingleField(run, "RegValue", valueName) || !ReadSingleField(run, "RegData", data))
        return 0;
    if (keyPath[0] == '\0') {
        WriteLogf("ERROR-=-", "RegKey of [%s] is missing: the registry is not changed", run.commandSection);
        return 2;
    }
    HKEY root = RootKey(FindRootByLongName(hive));
    bool cut;
    ExpandVariables(run, data, sizeof data, &cut);
    if (cut) {
        WriteLogf("ERROR-=-", "RegData of [%s] is longer than %d characters once expanded: not done",
                  run.commandSection, kSingleFieldSize - 1);
        return 0;
    }
    char description[4 * kSingleFieldSize + 8];
    FormatText(description, sizeof description, "%s\\%s\\%s:<%s>", hive, keyPath, valueName, data);

    // The stored bytes: the text's characters for a binary value, a 32-bit
    // number for a DWORD, else the text and its zero; a multi-string is a
    // list of strings that ends with an empty one, so one more zero.
    unsigned char bytes[kSingleFieldSize + 1];
    DWORD size = (DWORD)strlen(data);
    memcpy(bytes, data, size + 1);
    bytes[size + 1] = '\0';
    DWORD type;
    switch (ReadScriptInt(run.scriptPath, run.commandSection, "RegDataType", 0)) {
    case 1:
        type = REG_BINARY;
        break;
    case 2:
        type = REG_DWORD;
        if (edit == kAddValue) {
            unsigned long number;
            if (!ParseDwordText(data, &number)) {
                WriteLogf("ERROR-=-", "%s\\%s\\%s: RegData >%s< is no 32-bit number (decimal, or hexadecimal "
                          "after 0x): not stored", hive, keyPath, valueName, data);
                return 0;
            }
            for (int i = 0; i < 4; i++)
                bytes[i] = (unsigned char)(number >> (8 * i));
            size = 4;
        }
        break;
    case 3:
        type = REG_EXPAND_SZ;
        size++;
        break;
    case 4:
        type = REG_MULTI_SZ;
        size += 2;
        break;
    default:
        type = REG_SZ;
        size++;
        break;
    }

    HKEY key;
    DWORD disposition;
    LONG status = RegCreateKeyExA(root, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                  &disposition);
    if (status != ERROR_SUCCESS) {
        WriteLog("ERROR opening key: ", description);
        LogRegistryError(status);
        return 0;
    }
    switch (edit) {
    case kAddValue:
        status = RegSetValueExA(key, valueName, 0, type, bytes, size);
        if (status == ERROR_SUCCESS) {
            WriteLog("...adding key: ", description);
        } else {
            WriteLog("ERROR adding key: ", description);
            LogRegistryError(status);
        }
        break;
    case kRemoveValue:
        WriteLog("...deleting Value: ", description);
        if (RegDeleteValueA(key, valueName) != ERROR_SUCCESS)
            WriteLog("...ERROR deleting Value", " ");
        break;
    case kRemoveKey:
        RegCloseKey(key);
        key = nullptr;
        WriteLog("...deleting Key: ", keyPath);
        if (RegDeleteKeyA(root, keyPath) != ERROR_SUCCESS)
            WriteLog("...ERROR deleting Key", " ");
        break;
    }
    if (key)
        RegCloseKey(key);
    return 0;
}

int CMD03_AddSingleRegValue(const CommandContext& command)
{
    return EditSingleRegEntry(command.run, kAddValue);
}

int CMD04_RemoveSingleRegValue(const CommandContext& command)
{
    return EditSingleRegEntry(command.run, kRemoveValue);
}

int CMD12_RemoveSingleRegKey(const CommandContext& command)
{
    return EditSingleRegEntry(command.run, kRemoveKey);
}

// The names of a key's subkeys as a list of NUL-ended names ended by an
// empty one; null when there are none or memory is short.
static char* SubkeyNames(HKEY key)
{
    char* names = nullptr;
    size_t used = 0;
    char name[kSubkeyNameSize];
    for (DWORD index = 0; RegEnumKeyA(key, index, name, sizeof name) == ERROR_SUCCESS; index++) {
        size_t length = strlen(name) + 1;
        char* grown = (char*)realloc(names, used + length + 1);
        if (!grown)
            break;
        names = grown;
        memcpy(names + used, name, length);
        used += length;
        names[used] = '\0';
    }
    return names;
}

// Deletes a key with all its subkeys, deepest first; every subkey is tried
// even when another fails (the parent's removal then fails and is logged).
static void DeleteRegKeyTree(HKEY root, const char* keyPath)
{
    if (RegDeleteKeyA(root, keyPath) == ERROR_SUCCESS)
        return;
    HKEY key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        char* names = SubkeyNames(key);
        RegCloseKey(key);
        for (char* name = names; name && *name; name += strlen(name) + 1) {
            size_t length = strlen(keyPath) + 1 + strlen(name) + 1;
            char* child = (char*)malloc(length);
            if (!child)
                break;
            FormatText(child, length, "%s\\%s", keyPath, name);
            DeleteRegKeyTree(root, child);
            free(child);
        }
        free(names);
    }
    LONG status = RegDeleteKeyA(root, keyPath);
    if (status != ERROR_SUCCESS) {
        WriteLog("ERROR: error removing registry key->", keyPath);
        LogRegistryError(status);
    }
}

static const char* const kMissingFieldNotices[kRegistryLineFields] = {
    "",
    "NOTICE:Root Key not defined in line ->",
    "NOTICE:Key not defined in line ->",
    "NOTICE:Value name not defined in line ->",
    "NOTICE:Data type not defined in line ->",
    "NOTICE:Data not defined in line ->",
};

// Copies a CMD14 field into a 260-byte buffer and expands it; false (with
// a log line) when it does not fit before or after expansion.
static bool ExpandListField(const RunState& run, const char* field, char* out, const char* what)
{
    bool cut = !CopyText(out, kListFieldSize, field);
    if (!cut)
        ExpandVariables(run, out, kListFieldSize, &cut);
    if (cut)
        WriteLogf("ERROR-=-", "%s longer than %d characters, line not done >%s<", what, kListFieldSize - 1, field);
    return !cut;
}

// The key CMD14's last line opened, kept for the next line that names the
// same root and key text: a list sets many values of one key, and opening
// and closing it for each would cost two more registry calls a line.
// keyPath points into the section text, which outlives the list.
struct ListKey {
    HKEY root;
    const char* keyPath;
    HKEY key; // null when none is open
};

static void CloseListKey(ListKey* open)
{
    if (open->key)
        RegCloseKey(open->key);
    open->key = nullptr;
}

// The line's key, made when missing, as every line of CMD14 always had it;
// the open one when it is the same.
static LONG OpenListKey(ListKey* open, HKEY root, const char* keyPath)
{
    if (open->key && open->root == root && strcmp(open->keyPath, keyPath) == 0)
        return ERROR_SUCCESS;
    CloseListKey(open);
    HKEY key;
    DWORD disposition;
    LONG status = RegCreateKeyExA(root, keyPath, 0, nullptr, REG_OPTION_BACKUP_RESTORE, KEY_ALL_ACCESS, nullptr,
                                  &key, &disposition);
    if (status == ERROR_SUCCESS)
        *open = ListKey{root, keyPath, key};
    return status;
}

// A CMD14 value as it is stored.
struct ListValue {
    DWORD type;
    DWORD size;
    int textLength; // of a text value; 0 for binary and DWORD values
    unsigned char bytes[kListFieldSize + 1]; // a multi-string's second zero
};

// The stored bytes: hexadecimal for binary and DWORD values, else the text.
static void ConvertListValue(int typeCode, const char* data, ListValue* value)
{
    value->textLength = 0;
    ZeroMemory(value->bytes, sizeof value->bytes);
    if (typeCode == 1) {
        value->type = REG_BINARY;
        value->size = (DWORD)HexTextToBytes(data, value->bytes, sizeof value->bytes - 1);
    } else if (typeCode == 2) {
        value->type = REG_DWORD;
        unsigned long number = HexTextToDword(data);
        for (int i = 0; i < 4; i++)
            value->bytes[i] = (unsigned char)(number >> (8 * i));
        value->size = 4;
    } else {
        value->type = typeCode == 3 ? REG_EXPAND_SZ : typeCode == 4 ? REG_MULTI_SZ : REG_SZ;
        value->textLength = (int)strlen(data);
        memcpy(value->bytes, data, (size_t)value->textLength + 1);
        // A multi-string ends with an empty string: its second zero is
        // already in place.
        value->size = (DWORD)value->textLength + (value->type == REG_MULTI_SZ ? 2 : 1);
    }
}

// One line of CMD14. False when the line lacks a field: the rest of the
// section is then not processed.
static bool ExecuteRegistryLine(const RunState& run, char* line, ListKey* open)
{
    char original[kLogLineSize];
    CopyText(original, sizeof original, line);
    char* fields[kRegistryLineFields];
    int found = SplitRegistryLine(line, fields);
    if (found < kRegistryLineFields) {
        WriteLog(kMissingFieldNotices[found], original);
        return false;
    }
    int action = ParseDecimal(fields[0]);
    char* rootName = TrimSpaces(fields[1]);
    char* keyPath = TrimSpaces(fields[2]);
    char* valueField = TrimSpaces(fields[3]);
    char* typeField = TrimSpaces(fields[4]);
    char* dataField = TrimSpaces(fields[5]);

    char data[kListFieldSize];
    if (!ExpandListField(run, dataField, data, "data"))
        return true;
    RootKeyId rootId = FindRootByAbbreviation(rootName);
    if (rootId == kRootNotFound) {
        WriteLog("NOTICE:", "unable to determine root key, defaulting to -> HKEY_LOCAL_MACHINE");
        rootId = kRootLocalMachine;
    }
    HKEY root = RootKey(rootId);

    ListValue value;
    ConvertListValue(ParseDecimal(typeField), data, &value);
    // The converted bytes shown as text, up to their first zero byte.
    char shown[kListFieldSize];
    CopyText(shown, sizeof shown, (const char*)value.bytes);
    WriteLogf("Size of Data is :", "iSize = %lu  %s strlen=%d", value.size, shown, value.textLength);

    char valueName[kListFieldSize];
    if (!ExpandListField(run, valueField, valueName, "value name"))
        return true;

    LONG status = OpenListKey(open, root, keyPath);
    if (status != ERROR_SUCCESS) {
        WriteLog("ERROR opening key: ", keyPath);
        LogRegistryError(status);
        return true;
    }
    HKEY key = open->key;
    switch (action) {
    case 1:
        WriteLog("Execute  CMD>14 - 1:", " Add Key to registry");
        status = RegSetValueExA(key, valueName, 0, value.type, value.bytes, value.size);
        if (status == ERROR_SUCCESS) {
            WriteLogf("...adding key: ", "%s\\%s\\%s", RootLongName(rootId), keyPath, valueName);
        } else {
            WriteLog("ERROR Setting Value: ", valueName);
            LogRegistryError(status);
        }
        break;
    case 2:
        WriteLog("Execute  CMD>14 - 2:", " Delete Key from registry");
        CloseListKey(open); // the key, or one above it, may go
        if (NamesWholeRoot(keyPath))
            WriteLogf("ERROR-=-", "CMD14 does not delete a whole root key, line not done >%s<", original);
        else
            DeleteRegKeyTree(root, keyPath);
        break;
    case 3:
        WriteLog("Execute  CMD>14 - 3:", " Delete Value from registry");
        status = RegDeleteValueA(key, valueName);
        if (status == ERROR_SUCCESS) {
            WriteLog("...removing value: ", valueName);
        } else {
            WriteLog("ERROR Removing Value: ", valueName);
            LogRegistryError(status);
        }
        break;
    default:
        WriteLog("ERROR:undefined action ->", fields[0]);
        break;
    }
    return true;
}

int CMD14_MultiRegEdit(const CommandContext& command)
{
    const RunState& run = command.run;
    // A line that lacks a field ends the list (the command still ends with 0).
    ListKey open = {nullptr, nullptr, nullptr};
    SectionWalk walk = WalkCommandSection(run, "Missing the Data section",
                                          [&](char* line) { return ExecuteRegistryLine(run, line, &open); });
    CloseListKey(&open);
    return walk == kSectionMissing ? 2 : 0;
}
