// The application object of a module built on this framework. It knows the
// module whose resources the pages come from, and the main window that a
// sheet takes as its owner when it is given none.
#pragma once

#include <windows.h>

class CApplication {
public:
    explicit CApplication(const char* appName = nullptr);
    virtual ~CApplication();

    // Called from the module's entry point, before any page is built. The
    // handle is kept apart from the object, so it holds whichever comes
    // first: the entry point or the construction of the object.
    static void AttachModule(HINSTANCE instance);

    // The one application object of the module, or null.
    static CApplication* Current();

    const char* m_pszAppName;
    HWND m_hMainWnd; // never set by a Control Panel applet
};

// The module that holds the dialog templates: the one attached, or else
// the module this code is linked into (never another module's).
HINSTANCE ResourceModule();
// The main window of the current application object, or null.
HWND MainWindow();
