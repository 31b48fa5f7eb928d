#include "text.h"

#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

bool IsBlankOrControl(char c)
{
    unsigned char u = (unsigned char)c;
    return u == ' ' || (u >= 0x01 && u <= 0x1F);
}

char* TrimSpaces(char* text)
{
    while (*text && IsBlankOrControl(*text))
        text++;
    size_t len = strlen(text);
    while (len > 0 && IsBlankOrControl(text[len - 1]))
        text[--len] = '\0';
    return text;
}

char* StripText(char* text)
{
    if (!text)
        return nullptr;
    while (*text && IsBlankOrControl(*text))
        text++;
    char* comment = strchr(text, ';');
    if (comment)
        *comment = '\0';
    return TrimSpaces(text);
}

bool CopyText(char* dst, size_t size, const char* src)
{
    if (size == 0)
        return false;
    size_t len = strlen(src);
    if (len < size) {
        memcpy(dst, src, len + 1);
        return true;
    }
    memcpy(dst, src, size - 1);
    dst[size - 1] = '\0';
    return false;
}

bool FormatText(char* dst, size_t size, const char* format, ...)
{
    if (size == 0)
        return false;
    va_list args;
    va_start(args, format);
    int n = vsnprintf(dst, size, format, args);
    va_end(args);
    if (n < 0) {
        dst[0] = '\0';
        return false;
    }
    return (size_t)n < size;
}

bool AppendText(char* dst, size_t size, const char* src)
{
    size_t used = strnlen(dst, size);
    if (used >= size)
        return false;
    return CopyText(dst + used, size - used, src);
}

static char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
}

bool EqualsNoCase(const char* a, const char* b)
{
    for (; *a && *b; a++, b++) {
        if (LowerAscii(*a) != LowerAscii(*b))
            return false;
    }
    return *a == *b;
}

const char* FindNoCase(const char* haystack, const char* needle)
{
    size_t n = strlen(needle);
    for (; *haystack; haystack++) {
        size_t i = 0;
        while (i < n && haystack[i] && LowerAscii(haystack[i]) == LowerAscii(needle[i]))
            i++;
        if (i == n)
            return haystack;
    }
    return n == 0 ? haystack : nullptr;
}

int ParseDecimal(const char* text)
{
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        text++;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; text++) {
        value = value * 10 + (*text - '0');
        if (value > (long long)INT_MAX + 1)
            value = (long long)INT_MAX + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        value = INT_MAX;
    return (int)value;
}

bool SplitPath(const char* path, char* dir, size_t dirSize, char* name, size_t nameSize)
{
    const char* slash = strrchr(path, '\\');
    if (!slash) {
        CopyText(dir, dirSize, "");
        return CopyText(name, nameSize, path);
    }
    size_t dirLen = (size_t)(slash - path);
    bool fits = dirLen < dirSize;
    size_t copied = fits ? dirLen : (dirSize ? dirSize - 1 : 0);
    if (dirSize) {
        memcpy(dir, path, copied);
        dir[copied] = '\0';
    }
    return CopyText(name, nameSize, slash + 1) && fits;
}

char* SplitCommandType(char* line, char** rest)
{
    char* comma = strchr(line, ',');
    if (comma) {
        *comma = '\0';
        *rest = comma + 1;
    } else {
        *rest = nullptr;
    }
    return line;
}

char* NextCommandField(char** rest)
{
    char* field = *rest;
    if (!field)
        return nullptr;
    char* comma = strchr(field, ',');
    if (comma) {
        *comma = '\0';
        *rest = comma + 1;
    } else {
        *rest = nullptr;
    }
    return StripText(field);
}
