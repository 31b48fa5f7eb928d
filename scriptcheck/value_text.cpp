#include "value_text.h"

static int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool ParseDwordText(const char* text, unsigned long* value)
{
    unsigned long long v = 0;
    bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* p = hex ? text + 2 : text;
    if (!*p)
        return false;
    for (; *p; p++) {
        int digit = hex ? HexValue(*p) : (*p >= '0' && *p <= '9' ? *p - '0' : -1);
        if (digit < 0)
            return false;
        v = v * (hex ? 16 : 10) + (unsigned)digit;
        if (v > 0xFFFFFFFFull)
            return false;
    }
    *value = (unsigned long)v;
    return true;
}

HexTextShape ExamineHexText(const char* text)
{
    HexTextShape shape = {0, 0};
    for (; *text; text++) {
        if (HexValue(*text) >= 0)
            shape.digits++;
        else
            shape.others++;
    }
    return shape;
}
