#include "section_read.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>

bool SectionFits(unsigned long count, unsigned long size)
{
    return (unsigned long long)count + 2 < (unsigned long long)size;
}

char* NextSectionLine(char* line)
{
    line += strlen(line) + 1;
    return *line ? line : nullptr;
}

// After a cut read the last line is incomplete: it is dropped.
static void DropCutLastLine(const SectionReadHooks* hooks, char* buffer)
{
    char* last = nullptr;
    for (char* line = buffer; line && *line; line = NextSectionLine(line))
        last = line;
    if (hooks->cutForWin9x)
        hooks->cutForWin9x(hooks->context, last);
    if (last)
        *last = '\0';
}

char* ReadSectionText(const SectionReadHooks* hooks, const char* section, bool win9x)
{
    int size = win9x ? kFirstSectionBufferSize : kFirstNtSectionBufferSize;
    if (!win9x && hooks->fitsIn > 0 && hooks->fitsIn <= INT_MAX / 2)
        size = (int)hooks->fitsIn;
    char* buffer = (char*)malloc(size);
    if (!buffer)
        return nullptr;
    for (;;) {
        unsigned long n = hooks->read(hooks->context, section, buffer, (unsigned long)size);
        if (SectionFits(n, (unsigned long)size)) {
            if (n == 0 || buffer[0] == '\0') {
                free(buffer);
                return nullptr;
            }
            return buffer;
        }
        if (size > kWin9xSectionLimit / 2 && win9x) {
            DropCutLastLine(hooks, buffer);
            if (buffer[0] == '\0') {
                free(buffer);
                return nullptr;
            }
            return buffer;
        }
        if (size > INT_MAX / 2) {
            if (hooks->tooLarge)
                hooks->tooLarge(hooks->context, section);
            free(buffer);
            return nullptr;
        }
        free(buffer);
        size *= 2;
        buffer = (char*)malloc(size);
        if (!buffer)
            return nullptr;
    }
}
