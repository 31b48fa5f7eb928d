// The application object of a module built on this framework. It knows the
// module whose resources the pages come from, and the main window that a
// sheet takes as its owner when it is given none.
#pragma once

#include <windows.h>

class CApplication {
public:
    explicit CApplication(const char* appName = nullptr);
    virtual ~CApplication();

    // Called from the module's entry point, before any page is built.
    void AttachModule(HINSTANCE instance) { m_hInstance = instance; }

    // The one application object of the module, or null.
    static CApplication* Current();

    const char* m_pszAppName;
    HINSTANCE m_hInstance;
    HWND m_hMainWnd; // never set by a Control Panel applet
};

// The module that holds the dialog templates: the application's module, or
// the program's when there is no application object yet.
HINSTANCE ResourceModule();
// The main window of the current application object, or null.
HWND MainWindow();
