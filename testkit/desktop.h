// What a person sees on the test desktop, read from another process (or
// thread) as a person would: dialog boxes found by their owner or
// caption, their texts, buttons and icons, and their buttons pressed.
// Shared by the tests of every deliverable.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testkit {

// The icon of a message box, told by its colours on the screen as a person
// would tell it. Reliable only while no other box covers it: tests that
// check icons run one at a time.
enum class BoxIcon { None, Error, Warning, Information, Unknown };

struct BoxSeen {
    std::string caption;
    std::string text;
    std::vector<int> buttons; // ids of the visible buttons: IDOK, IDCANCEL, IDYES, ...
    bool systemModal = false; // system-modal boxes stay on top of every window
    BoxIcon icon = BoxIcon::Unknown;
    HWND owner = nullptr; // the window it stands over
};

const char* IconName(BoxIcon icon);

// The first visible top-level window of the process (any process when 0)
// of the class and with the caption (either any when null), other than
// `except`.
HWND FindTopWindow(DWORD processId, const char* className, const char* caption, HWND except = nullptr);

// The first visible dialog window (class #32770) of the process (any
// process when 0) with the caption (any when null).
HWND FindDialog(DWORD processId, const char* caption);

// A message box's caption, text, buttons, modality, icon and owner.
BoxSeen DescribeBox(HWND box);

// Presses a button of a box in another thread or process. Wine's modal
// loop notices the end only when a posted message arrives, hence the
// WM_NULL that follows.
void PressButton(HWND box, int id);

// A window's text as the system keeps it, without a message to its
// thread: readable while that thread sleeps.
std::string StoredText(HWND window);

// The window's pixels on the screen (0x00RRGGBB, rows top down); empty
// when it cannot be read.
std::vector<DWORD> ScreenPixels(HWND window, int* width = nullptr, int* height = nullptr);

// The pixels (0x00RRGGBB, rows top down) of a bitmap of that size, like
// the screen's, after `draw` has drawn into it; empty when they cannot be read.
std::vector<DWORD> DrawnPixels(int width, int height, const std::function<void(HDC)>& draw);

// Average colour of a window's pixels on the screen.
bool AverageColour(HWND window, int* red, int* green, int* blue);

// A file of the build tree this test program belongs to, by its path in
// that tree ("bin/setuprun.exe"): the tree is the folder above the
// test program's own, wherever the bench has put it.
std::string BuiltFile(const std::string& relative);

} // namespace testkit
