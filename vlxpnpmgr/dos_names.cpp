#include "dos_names.h"

#include <stdlib.h>

void FreeDosNames(DosNameList* list)
{
    if (list->text && list->text != list->first)
        free(list->text);
    list->text = list->first;
    list->count = 0;
}

// The size the whole list last fitted in. Asking Windows for the list
// costs a walk of every name each time, so a list of several KB is asked
// once at the size it needs, not at 2,048 bytes and at each doubling.
static DWORD g_wholeListFits = DOS_NAME_LIST_SIZE;

bool ReadDosNames(const char* dosName, DosNameList* list)
{
    list->text = list->first;
    list->count = 0;
    DWORD size = sizeof list->first;
    if (!dosName && g_wholeListFits > size) {
        char* bigger = static_cast<char*>(malloc(g_wholeListFits));
        if (bigger) {
            list->text = bigger;
            size = g_wholeListFits;
        }
    }
    for (;;) {
        SetLastError(0);
        DWORD count = QueryDosDeviceA(dosName, list->text, size);
        DWORD error = GetLastError();
        if (count > 0 && count <= size) {
            list->count = count;
            if (!dosName)
                g_wholeListFits = size;
            return true;
        }
        bool tooSmall = error == ERROR_INSUFFICIENT_BUFFER || error == ERROR_MORE_DATA || count > size;
        if (!tooSmall || size >= DOS_NAME_LIST_LIMIT)
            break;
        size *= 2;
        char* bigger = static_cast<char*>(realloc(list->text == list->first ? nullptr : list->text, size));
        if (!bigger)
            break;
        list->text = bigger;
    }
    FreeDosNames(list);
    return false;
}
