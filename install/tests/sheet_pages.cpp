// Opens the installed applet as an administrator does, "control.exe
// palprop.cpl" from the system directory, and prints the labels of the
// pages its sheet shows, one a line; then cancels the sheet, which writes
// nothing. Exit status 0 when a sheet came up and closed, 1 otherwise.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <stdio.h>

#include "desktop.h"
#include "services.h"

int main()
{
    char system[MAX_PATH];
    UINT length = GetSystemDirectoryA(system, sizeof system);
    char command[MAX_PATH + 32];
    if (length == 0 || length >= sizeof system ||
        snprintf(command, sizeof command, "%s\\control.exe palprop.cpl", system) >= (int)sizeof command)
        return 1;
    PROCESS_INFORMATION process;
    if (DWORD error = testkit::StartProgram(command, system, &process)) {
        fprintf(stderr, "sheet_pages: cannot start %s: %lu\n", command, error);
        return 1;
    }
    HWND sheet = nullptr;
    for (int waited = 0; !sheet && waited < 20000; waited += 50) {
        Sleep(50);
        sheet = testkit::FindDialog(process.dwProcessId, "Vorlix Pallard Properties");
    }
    int status = 1;
    if (sheet) {
        // Each page in turn: a page's window exists once it has been shown,
        // and its text is the label of its tab.
        HWND tabs = (HWND)SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0);
        int count = tabs ? (int)SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0) : 0;
        for (int i = 0; i < count; i++) {
            SendMessageA(sheet, PSM_SETCURSEL, (WPARAM)i, 0);
            HWND page = (HWND)SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
            printf("%s\n", page ? testkit::StoredText(page).c_str() : "<no page>");
        }
        testkit::PressButton(sheet, IDCANCEL);
        status = 0;
    } else {
        fprintf(stderr, "sheet_pages: no sheet after 20 s\n");
    }
    if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) {
        fprintf(stderr, "sheet_pages: control.exe still runs after 20 s: ended\n");
        TerminateProcess(process.hProcess, 1);
        status = 1;
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return status;
}
