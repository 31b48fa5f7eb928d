// Telling a progress window's template by the icon it shows on the
// screen, compared pixel for pixel with the deliverable's own icons.
#pragma once

#include <windows.h>

namespace baytest {

// vlxpnpmgr.exe of the build, loaded as data (templates and icons).
HMODULE Deliverable();

// The template (103, 108, 109, 110) whose icon the window shows; 0 when
// none matches.
int ProgressTemplateShown(HWND window);

} // namespace baytest
