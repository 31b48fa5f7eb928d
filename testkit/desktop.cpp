#include "desktop.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>

namespace testkit {

namespace {

struct WindowSearch {
    DWORD processId;
    const char* className;
    const char* caption;
    HWND except;
    HWND found;
};

BOOL CALLBACK FindInList(HWND window, LPARAM param)
{
    WindowSearch* search = (WindowSearch*)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if ((search->processId && pid != search->processId) || window == search->except || !IsWindowVisible(window))
        return TRUE;
    char cls[256] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (search->className && strcmp(cls, search->className) != 0)
        return TRUE;
    if (search->caption && StoredText(window) != search->caption)
        return TRUE;
    search->found = window;
    return FALSE;
}

// The icon control of a message box (id 0x440) shows nothing without an
// icon; otherwise its colours tell the icon: red stop sign, yellow
// triangle, blue circle.
BoxIcon IconOf(HWND box)
{
    HWND control = GetDlgItem(box, 0x440);
    if (!control || !SendMessageA(control, STM_GETICON, 0, 0))
        return BoxIcon::None;
    int r, g, b;
    if (!AverageColour(control, &r, &g, &b))
        return BoxIcon::Unknown;
    if (r - g > 50 && std::abs(g - b) < 30)
        return BoxIcon::Error;
    if (r - b > 50 && g - b > 25)
        return BoxIcon::Warning;
    if (b - r > 30)
        return BoxIcon::Information;
    return BoxIcon::Unknown;
}

} // namespace

const char* IconName(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::None:
        return "none";
    case BoxIcon::Error:
        return "error";
    case BoxIcon::Warning:
        return "warning";
    case BoxIcon::Information:
        return "information";
    default:
        return "unknown";
    }
}

HWND FindTopWindow(DWORD processId, const char* className, const char* caption, HWND except)
{
    WindowSearch search = {processId, className, caption, except, nullptr};
    EnumWindows(FindInList, (LPARAM)&search);
    return search.found;
}

HWND FindDialog(DWORD processId, const char* caption)
{
    return FindTopWindow(processId, "#32770", caption);
}

BoxSeen DescribeBox(HWND box)
{
    BoxSeen seen;
    std::vector<char> text(32768);
    GetWindowTextA(box, text.data(), (int)text.size());
    seen.caption = text.data();
    text[0] = '\0';
    GetDlgItemTextA(box, 0xFFFF, text.data(), (int)text.size());
    seen.text = text.data();
    for (int id = IDOK; id <= IDNO; id++) {
        HWND button = GetDlgItem(box, id);
        if (button && IsWindowVisible(button))
            seen.buttons.push_back(id);
    }
    seen.systemModal = (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    seen.icon = IconOf(box);
    seen.owner = GetWindow(box, GW_OWNER);
    return seen;
}

void PressButton(HWND box, int id)
{
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(box, id));
    PostMessageA(box, WM_NULL, 0, 0);
}

std::string StoredText(HWND window)
{
    WCHAR wide[1024];
    int n = InternalGetWindowText(window, wide, sizeof wide / sizeof wide[0]);
    char text[2048];
    int length = WideCharToMultiByte(CP_ACP, 0, wide, n, text, sizeof text, nullptr, nullptr);
    return std::string(text, length > 0 ? (size_t)length : 0);
}

std::vector<DWORD> ScreenPixels(HWND window, int* widthOut, int* heightOut)
{
    std::vector<DWORD> pixels;
    RECT r;
    if (!GetWindowRect(window, &r) || r.right <= r.left || r.bottom <= r.top)
        return pixels;
    int width = r.right - r.left, height = r.bottom - r.top;
    pixels = DrawnPixels(width, height, [&](HDC memory) {
        HDC screen = GetDC(nullptr);
        BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
        ReleaseDC(nullptr, screen);
    });
    if (!pixels.empty() && widthOut)
        *widthOut = width;
    if (!pixels.empty() && heightOut)
        *heightOut = height;
    return pixels;
}

std::vector<DWORD> DrawnPixels(int width, int height, const std::function<void(HDC)>& draw)
{
    std::vector<DWORD> pixels;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    draw(memory);
    SelectObject(memory, old);
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    pixels.resize((size_t)width * height);
    int rows = GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (rows != height) {
        pixels.clear();
        return pixels;
    }
    for (DWORD& p : pixels)
        p &= 0xFFFFFF;
    return pixels;
}

bool AverageColour(HWND window, int* red, int* green, int* blue)
{
    std::vector<DWORD> pixels = ScreenPixels(window);
    if (pixels.empty())
        return false;
    long long sum[3] = {0, 0, 0};
    for (DWORD p : pixels) {
        sum[0] += (p >> 16) & 0xff;
        sum[1] += (p >> 8) & 0xff;
        sum[2] += p & 0xff;
    }
    *red = (int)(sum[0] / (long long)pixels.size());
    *green = (int)(sum[1] / (long long)pixels.size());
    *blue = (int)(sum[2] / (long long)pixels.size());
    return true;
}

std::string BuiltFile(const std::string& relative)
{
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, self, sizeof self);
    std::string tree(self, length < sizeof self ? length : 0);
    // <tree>\tests\<program>.exe: drop the program, then its folder.
    for (int level = 0; level < 2; level++) {
        size_t slash = tree.find_last_of('\\');
        tree.erase(slash == std::string::npos ? 0 : slash);
    }
    std::string path = tree + "\\" + relative;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

} // namespace testkit
