#include "error_box.h"

#include <windows.h>

#include <stdio.h>

#include "progress.h"
#include "service_status.h"

void ShowError(const char* message)
{
    // The failure's code, taken before the first box can change it.
    DWORD error = GetLastError();
    // No box rather than no service: the failure's outcome stands anyway.
    if (!DesktopCanShowWindows())
        return;
    MessageBoxA(nullptr, message, ERROR_BOX_CAPTION, MB_TOPMOST);
    NoteWorkerStep();

    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error, 0x0400,
                                  reinterpret_cast<char*>(&text), 0, nullptr);
    char fallback[32];
    if (length == 0 || !text) {
        // A code the system has no text for is still shown.
        snprintf(fallback, sizeof fallback, "Error %lu", error);
    }
    MessageBoxA(nullptr, length && text ? text : fallback, ERROR_TEXT_CAPTION, MB_ICONINFORMATION);
    if (text)
        LocalFree(text);
    NoteWorkerStep();
}
