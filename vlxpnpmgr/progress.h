// The small progress windows that tell the user what the service does
// with a bay device: an icon of the device class and one line of text.
#pragma once

#include <windows.h>

// The module whose dialog templates the windows are made from; the
// program's entry point sets it.
void SetProgressInstance(HINSTANCE instance);

// Whether a window made now can reach the desktop. The desktop's process
// can end with the last program of the user's session while the service
// runs on; a window made on that desktop then takes the service's process
// down with it, so the window is left out, never the work.
bool DesktopCanShowWindows();

// Shows the template with the text for 2 seconds, on the calling thread,
// when EnableMessages (read afresh) is nonzero.
void ShowProgress(int templateId, const char* text);

// The search window, kept for exactly as long as a rescan takes: null
// when messages are off or the window cannot be made.
HWND OpenSearchWindow();
void CloseSearchWindow(HWND window);

enum { PROGRESS_SHOW_MS = 2000 };
