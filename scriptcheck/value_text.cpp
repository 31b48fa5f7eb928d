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
