#include "value_text.h"

#include <ctype.h>
#include <stdio.h>

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

std::string DwordAsHex(unsigned long value)
{
    char text[16];
    snprintf(text, sizeof text, "0x%lx", value & 0xFFFFFFFFul);
    return text;
}

std::string EightDigits(const std::string& data)
{
    std::string digits = data.size() < 8 ? std::string(8 - data.size(), '0') + data : data;
    for (char& c : digits)
        c = (char)toupper((unsigned char)c);
    return digits;
}
