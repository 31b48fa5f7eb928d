#include "progress.h"

#include "parameters.h"
#include "resource.h"
#include "service_status.h"

static HINSTANCE g_instance;

static INT_PTR CALLBACK ProgressProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

static HWND OpenWindow(int templateId, const char* text)
{
    if (ReadEnableMessages() == 0 || !DesktopCanShowWindows())
        return nullptr;
    HWND window = CreateDialogParamA(g_instance, MAKEINTRESOURCEA(templateId), nullptr, ProgressProc, 0);
    if (!window)
        return nullptr;
    SetDlgItemTextA(window, IDC_PROGRESS_TEXT, text);
    // Nothing is dispatched while the window stays: it is painted now,
    // text included, or it would stay blank.
    UpdateWindow(window);
    return window;
}

bool DesktopCanShowWindows()
{
    // The desktop window outlives its process as a handle without a
    // thread; a window made on it then takes the process down.
    HWND desktop = GetDesktopWindow();
    return desktop && GetWindowThreadProcessId(desktop, nullptr) != 0;
}

void SetProgressInstance(HINSTANCE instance)
{
    g_instance = instance;
}

void ShowProgress(int templateId, const char* text)
{
    HWND window = OpenWindow(templateId, text);
    if (!window)
        return;
    Sleep(PROGRESS_SHOW_MS);
    DestroyWindow(window);
    NoteWorkerStep();
}

HWND OpenSearchWindow()
{
    return OpenWindow(IDD_PROGRESS_SEARCH, "Searching for new devices...");
}

void CloseSearchWindow(HWND window)
{
    if (window)
        DestroyWindow(window);
    NoteWorkerStep();
}
