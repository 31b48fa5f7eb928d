#include "sim_text.h"

void SimFill(unsigned char* p, unsigned char value, size_t n)
{
    for (size_t i = 0; i < n; i++)
        p[i] = value;
}

void SimCopy(unsigned char* dst, const unsigned char* src, size_t n)
{
    for (size_t i = 0; i < n; i++)
        dst[i] = src[i];
}

size_t SimLength(const char* s, size_t max)
{
    size_t n = 0;
    while (n < max && s[n])
        n++;
    return n;
}

void SimBegin(struct SimLine* line, char* text, size_t size)
{
    line->text = text;
    line->size = size;
    line->length = 0;
    if (size)
        text[0] = '\0';
}

void SimPutChar(struct SimLine* line, char c)
{
    if (line->length + 1 >= line->size)
        return;
    line->text[line->length++] = c;
    line->text[line->length] = '\0';
}

void SimPut(struct SimLine* line, const char* s)
{
    while (*s)
        SimPutChar(line, *s++);
}

void SimPutHex(struct SimLine* line, uint32_t value, int digits)
{
    char s[9];
    if (digits > 8)
        digits = 8;
    for (int i = digits - 1; i >= 0; i--) {
        s[i] = "0123456789ABCDEF"[value & 15];
        value >>= 4;
    }
    s[digits] = '\0';
    SimPut(line, s);
}

void SimPutDec(struct SimLine* line, uint32_t value)
{
    char s[11];
    int i = 10;
    s[i] = '\0';
    do {
        s[--i] = (char)('0' + value % 10);
        value /= 10;
    } while (value);
    SimPut(line, s + i);
}
