// Variable tokens as text: finding, reading and splicing. No Windows calls.
#include <stdlib.h>
#include <string.h>

#include "text.h"
#include "variables.h"

const char* FindVariableToken(const char* from)
{
    return strstr(from, "~%");
}

VariableToken ParseVariableToken(const char* token)
{
    VariableToken parsed;
    parsed.length = strnlen(token, 6);
    char letter = parsed.length > 2 ? token[2] : '\0';
    parsed.kind = (letter == 'C' || letter == 'c') ? 'C' : (letter == 'V' || letter == 'v') ? 'V' : '\0';
    char digits[4] = "";
    if (parsed.length > 3)
        memcpy(digits, token + 3, parsed.length - 3);
    digits[parsed.length > 3 ? parsed.length - 3 : 0] = '\0';
    parsed.number = ParseDecimal(digits);
    return parsed;
}

bool SpliceReplacement(char* text, size_t size, size_t at, const char* value, const char* rest)
{
    if (at >= size)
        return false;
    // rest lies inside text, behind the token: keep a copy before writing.
    size_t restLength = strlen(rest);
    char* restCopy = (char*)malloc(restLength + 1);
    if (!restCopy)
        return false;
    memcpy(restCopy, rest, restLength + 1);
    bool fits = CopyText(text + at, size - at, value);
    fits = AppendText(text, size, restCopy) && fits;
    free(restCopy);
    return fits;
}

void TemporaryFileName(unsigned long processId, char* out, size_t size)
{
    FormatText(out, size, "TMP%05lu", processId % 100000);
}

namespace {

const BuiltInToken kBuiltInTokens[] = {
    {0, kBuiltInTempFile, "", "C:\\TEMP\\TMP00000"},
    {1, kBuiltInProgramDir, "", "C:\\SETUP"},
    {101, kBuiltInWindowsDir, "", "C:\\WINDOWS"},
    {102, kBuiltInWindowsDir, "\\inf", "C:\\WINDOWS\\inf"},
    {103, kBuiltInSystemDir, "", "C:\\WINDOWS\\SYSTEM"},
    {104, kBuiltInSystemDir, "\\Drivers", "C:\\WINDOWS\\SYSTEM\\Drivers"},
};

} // namespace

const BuiltInToken* FindBuiltInToken(int number)
{
    for (const BuiltInToken& token : kBuiltInTokens) {
        if (token.number == number)
            return &token;
    }
    return nullptr;
}
