#include "dos_names.h"

#include <stdlib.h>

void FreeDosNames(DosNameList* list)
{
    if (list->text && list->text != list->first)
        free(list->text);
    list->text = list->first;
    list->count = 0;
}

bool ReadDosNames(const char* dosName, DosNameList* list)
{
    list->text = list->first;
    list->count = 0;
    DWORD size = sizeof list->first;
    for (;;) {
        SetLastError(0);
        DWORD count = QueryDosDeviceA(dosName, list->text, size);
        DWORD error = GetLastError();
        if (count > 0 && count <= size) {
            list->count = count;
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
