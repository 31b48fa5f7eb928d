// A small Control Panel of our own for the tests: loads an applet, calls
// CPlApplet with every message in the order a Control Panel does, plus the
// messages a Control Panel may send besides, and records each result.
//   cpl_loader APPLET.cpl RECORD.txt
// Record lines: "<message> <result>[ <what the applet filled in>]".
#include <windows.h>

#include <cpl.h>
#include <stdio.h>
#include <string.h>

typedef LONG(APIENTRY* AppletProc)(HWND, UINT, LPARAM, LPARAM);

static FILE* g_record;

static void Record(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vfprintf(g_record, format, args);
    va_end(args);
    fputc('\n', g_record);
    fflush(g_record);
}

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    g_record = fopen(argv[2], "w");
    if (!g_record)
        return 2;
    HMODULE applet = LoadLibraryA(argv[1]);
    // Through void*: the export's real type is known only here.
    AppletProc proc = applet ? (AppletProc)(void*)GetProcAddress(applet, "CPlApplet") : nullptr;
    if (!proc) {
        Record("load failed %lu", GetLastError());
        return 1;
    }
    // The window a Control Panel passes: the applet must not own its sheet by it.
    HWND panel = CreateWindowA("STATIC", "palprop loader", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 500, 200, 100,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);

    Record("CPL_INIT %ld", proc(panel, CPL_INIT, 0, 0));
    Record("CPL_GETCOUNT %ld", proc(panel, CPL_GETCOUNT, 0, 0));
    CPLINFO info;
    memset(&info, 0xcc, sizeof info);
    LONG result = proc(panel, CPL_INQUIRE, 0, (LPARAM)&info);
    Record("CPL_INQUIRE %ld icon=%d name=%d info=%d data=%ld", result, info.idIcon, info.idName, info.idInfo,
           (long)info.lData);
    Record("CPL_INQUIRE(no CPLINFO) %ld", proc(panel, CPL_INQUIRE, 0, 0));
    NEWCPLINFOA newInfo, untouched;
    memset(&newInfo, 0xcc, sizeof newInfo);
    newInfo.dwSize = sizeof newInfo;
    untouched = newInfo;
    result = proc(panel, CPL_NEWINQUIRE, 0, (LPARAM)&newInfo);
    Record("CPL_NEWINQUIRE %ld %s", result, memcmp(&newInfo, &untouched, sizeof newInfo) ? "filled" : "untouched");
    Record("CPL_SELECT %ld", proc(panel, CPL_SELECT, 0, 0));
    Record("CPL_STARTWPARMSA %ld", proc(panel, CPL_STARTWPARMSA, 0, (LPARAM) ""));
    Record("message 99 %ld", proc(panel, 99, 0, 0));
    Record("CPL_DBLCLK %ld", proc(panel, CPL_DBLCLK, 0, 0));
    Record("CPL_STOP %ld", proc(panel, CPL_STOP, 0, 0));
    Record("CPL_EXIT %ld", proc(panel, CPL_EXIT, 0, 0));
    DestroyWindow(panel);
    FreeLibrary(applet);
    fclose(g_record);
    return 0;
}
