#include "registry_text.h"

#include <string.h>

#include "text.h"

namespace {

struct RootName {
    RootKeyId id;
    const char* longName;
    const char* abbreviation;
};

const RootName kRootNames[] = {
    {kRootClassesRoot, "HKEY_CLASSES_ROOT", "HKCR"},
    {kRootCurrentUser, "HKEY_CURRENT_USER", "HKCU"},
    {kRootLocalMachine, "HKEY_LOCAL_MACHINE", "HKLM"},
    {kRootUsers, "HKEY_USERS", "HKU"},
    {kRootPerformanceData, "HKEY_PERFORMANCE_DATA", "HKPD"},
    {kRootCurrentConfig, "HKEY_CURRENT_CONFIG", "HKCC"},
    {kRootDynData, "HKEY_DYN_DATA", "HKDD"},
};

// -1 for a character that is not a digit of the base.
int DigitValue(char c, unsigned base)
{
    int digit = -1;
    if (c >= '0' && c <= '9')
        digit = c - '0';
    else if (c >= 'A' && c <= 'F')
        digit = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f')
        digit = c - 'a' + 10;
    return digit >= 0 && (unsigned)digit < base ? digit : -1;
}

// CMD14's hexadecimal data: the text is read upper case, and a character
// that is no digit counts as 0.
int HexDigit(char c)
{
    int digit = DigitValue(c, 16);
    return digit < 0 ? 0 : digit;
}

} // namespace

RootKeyId FindRootByLongName(const char* name)
{
    for (const RootName& root : kRootNames) {
        if (EqualsNoCase(name, root.longName))
            return root.id;
    }
    return kRootNotFound;
}

RootKeyId FindRootByAbbreviation(const char* name)
{
    for (const RootName& root : kRootNames) {
        if (EqualsNoCase(name, root.abbreviation))
            return root.id;
    }
    return kRootNotFound;
}

const char* RootLongName(RootKeyId id)
{
    for (const RootName& root : kRootNames) {
        if (root.id == id)
            return root.longName;
    }
    return "HKEY_LOCAL_MACHINE";
}

int SplitRegistryLine(char* line, char* fields[kRegistryLineFields])
{
    for (int i = 0; i < kRegistryLineFields; i++)
        fields[i] = nullptr;
    fields[0] = line;
    int found = 1;
    char* at = line;
    while (found < kRegistryLineFields) {
        char* comma = strchr(at, ',');
        if (!comma)
            break;
        *comma = '\0';
        at = comma + 1;
        fields[found++] = at;
    }
    return found;
}

bool NamesWholeRoot(const char* keyPath)
{
    for (const char* c = keyPath; *c; c++) {
        if (*c != '\\' && *c != ' ' && *c != '\t')
            return false;
    }
    return true;
}

size_t HexTextToBytes(const char* text, unsigned char* out, size_t outSize)
{
    size_t count = strlen(text) / 2;
    if (count > outSize)
        count = outSize;
    for (size_t i = 0; i < count; i++)
        out[i] = (unsigned char)(HexDigit(text[2 * i]) << 4 | HexDigit(text[2 * i + 1]));
    return count;
}

unsigned long HexTextToDword(const char* text)
{
    unsigned long value = 0;
    size_t length = strlen(text);
    for (size_t i = 0; i < length; i++)
        value = (value << 4 | (unsigned long)HexDigit(text[i])) & 0xFFFFFFFFul;
    if (length % 2)
        value = (value << 4) & 0xFFFFFFFFul;
    return value;
}

bool ParseDwordText(const char* text, unsigned long* value)
{
    unsigned base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
    }
    if (!*text)
        return false;
    unsigned long long number = 0;
    for (; *text; text++) {
        int digit = DigitValue(*text, base);
        if (digit < 0)
            return false;
        number = number * base + (unsigned)digit;
        if (number > 0xFFFFFFFFull)
            return false;
    }
    *value = (unsigned long)number;
    return true;
}
