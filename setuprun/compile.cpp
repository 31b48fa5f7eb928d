#include "compile.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "text.h"

void KeyListInit(KeyList* list)
{
    list->data = nullptr;
    list->used = 0;
    list->capacity = 0;
    list->failed = false;
}

void KeyListFree(KeyList* list)
{
    free(list->data);
    KeyListInit(list);
}

static bool Reserve(KeyList* list, size_t extra)
{
    size_t need = list->used + extra + 1; // room for the end marker
    if (need <= list->capacity)
        return true;
    size_t capacity = list->capacity ? list->capacity : 4096;
    while (capacity < need)
        capacity *= 2;
    char* grown = (char*)realloc(list->data, capacity);
    if (!grown) {
        list->failed = true;
        return false;
    }
    list->data = grown;
    list->capacity = capacity;
    return true;
}

bool KeyListAdd(KeyList* list, const char* key, const char* value)
{
    size_t keyLen = strlen(key);
    size_t valueLen = strlen(value);
    if (!Reserve(list, keyLen + 1 + valueLen + 1))
        return false;
    char* at = list->data + list->used;
    memcpy(at, key, keyLen);
    at[keyLen] = '=';
    memcpy(at + keyLen + 1, value, valueLen + 1);
    list->used += keyLen + 1 + valueLen + 1;
    return true;
}

const char* KeyListText(KeyList* list)
{
    if (!Reserve(list, 1))
        return nullptr;
    list->data[list->used] = '\0';
    list->data[list->used + 1] = '\0';
    return list->data;
}

const char* NextEntry(const char* entry)
{
    entry += strlen(entry) + 1;
    return *entry ? entry : nullptr;
}

bool CompileCommandLine(char* line, int n, KeyList* out)
{
    line = StripText(line);
    if (!line || !*line)
        return false;
    char key[48];
    char* fields;
    char* typeText = SplitCommandType(line, &fields);
    FormatText(key, sizeof key, "Cmd%d", n);
    KeyListAdd(out, key, typeText);
    FormatText(key, sizeof key, "FullCmdSection%d", n);
    if (fields) {
        // The comma was cut by SplitCommandType: put it back for the full text.
        fields[-1] = ',';
        KeyListAdd(out, key, fields - 1);
        fields[-1] = '\0';
    } else {
        KeyListAdd(out, key, "");
    }
    for (int m = 0; fields; m++) {
        char* field = NextCommandField(&fields);
        FormatText(key, sizeof key, "CmdSection%d.%d", n, m);
        KeyListAdd(out, key, field);
    }
    return true;
}

// Reads an optionally signed decimal number; advances *text past it.
static bool ReadNumber(const char** text, long long* value)
{
    const char* p = *text;
    bool negative = *p == '-';
    if (negative)
        p++;
    if (*p < '0' || *p > '9')
        return false;
    long long v = 0;
    for (; *p >= '0' && *p <= '9'; p++) {
        if (v < (long long)INT_MAX * 10)
            v = v * 10 + (*p - '0');
    }
    *value = negative ? -v : v;
    *text = p;
    return true;
}

static bool HasPrefixNoCase(const char* text, const char* prefix, size_t* length)
{
    *length = strlen(prefix);
    char head[32];
    if (*length >= sizeof head)
        return false;
    CopyText(head, *length + 1, text);
    return EqualsNoCase(head, prefix);
}

bool IsCommandKeyInRange(const char* key, int first, int last)
{
    size_t length;
    const char* p;
    long long n;
    bool fieldKey = false;
    if (HasPrefixNoCase(key, "CmdSection", &length)) {
        fieldKey = true;
        p = key + length;
    } else if (HasPrefixNoCase(key, "FullCmdSection", &length) || HasPrefixNoCase(key, "Cmd", &length)) {
        p = key + length;
    } else {
        return false;
    }
    if (!ReadNumber(&p, &n))
        return false;
    if (fieldKey) {
        long long m;
        if (*p++ != '.' || !ReadNumber(&p, &m))
            return false;
    }
    // Keys are compared as the profile functions compare them: trailing
    // blanks before the "=" are not part of the name.
    while (*p == ' ' || *p == '\t')
        p++;
    return *p == '\0' && n >= first && n <= last;
}

// The key part of an entry "key=value", copied into a bounded buffer.
static void EntryKey(const char* entry, char* key, size_t size)
{
    const char* equals = strchr(entry, '=');
    size_t length = equals ? (size_t)(equals - entry) : strlen(entry);
    if (length >= size)
        length = 0; // longer than any command key: never one of them
    memcpy(key, entry, length);
    key[length] = '\0';
}

char* MergeCommandKeys(const char* existing, const KeyList* fresh, int first, int last)
{
    size_t existingSize = 0;
    for (const char* entry = existing; entry && *entry; entry = NextEntry(entry))
        existingSize += strlen(entry) + 1;
    size_t size = existingSize + fresh->used + 2;
    char* merged = (char*)malloc(size);
    if (!merged)
        return nullptr;
    char* at = merged;
    for (const char* entry = existing; entry && *entry; entry = NextEntry(entry)) {
        char key[64];
        EntryKey(entry, key, sizeof key);
        if (IsCommandKeyInRange(key, first, last))
            continue;
        size_t length = strlen(entry) + 1;
        memcpy(at, entry, length);
        at += length;
    }
    if (fresh->used) {
        memcpy(at, fresh->data, fresh->used);
        at += fresh->used;
    }
    at[0] = '\0';
    at[1] = '\0';
    return merged;
}
