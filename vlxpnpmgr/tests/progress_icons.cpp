#include "progress_icons.h"

#include <vector>

#include "desktop.h"
#include "resource.h"

namespace baytest {

HMODULE Deliverable()
{
    static HMODULE module =
        LoadLibraryExA(testkit::BuiltFile("bin/vlxpnpmgr.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return module;
}

namespace {

HWND IconControl(HWND window)
{
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            return child;
    }
    return nullptr;
}

// The icon as the static control draws it: on the dialog's face colour.
std::vector<DWORD> ExpectedIcon(int id, int width, int height)
{
    HICON icon = (HICON)LoadImageA(Deliverable(), MAKEINTRESOURCEA(id), IMAGE_ICON, 32, 32, 0);
    if (!icon)
        return {};
    std::vector<DWORD> pixels = testkit::DrawnPixels(width, height, [&](HDC memory) {
        RECT all = {0, 0, width, height};
        FillRect(memory, &all, GetSysColorBrush(COLOR_BTNFACE));
        DrawIconEx(memory, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
    });
    DestroyIcon(icon);
    return pixels;
}

} // namespace

int ProgressTemplateShown(HWND window)
{
    int width = 0, height = 0;
    std::vector<DWORD> shown = testkit::ScreenPixels(IconControl(window), &width, &height);
    for (int id : {IDI_CDROM, IDI_FLOPPY, IDI_DEVICES, IDI_DISK}) {
        if (!shown.empty() && shown == ExpectedIcon(id, width, height))
            return id;
    }
    return 0;
}

} // namespace baytest
