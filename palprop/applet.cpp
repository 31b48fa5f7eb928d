// The Control Panel entry of palprop.cpl: one applet, "Pallard Properties".
#include <windows.h>

#include <cpl.h>

#include "framework/application.h"
#include "pallard_sheet.h"
#include "resource.h"

// The framework needs an application object; the applet uses it for
// nothing else.
class CPalpropApp : public CApplication {
public:
    CPalpropApp() : CApplication(nullptr) {}
};

static CPalpropApp theApp;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        CApplication::AttachModule(instance);
    return TRUE;
}

// The sheet is built on every call, whatever the message, and shown only
// on a double-click. The Control Panel's window is not the sheet's owner.
extern "C" __declspec(dllexport) LONG APIENTRY CPlApplet(HWND, UINT message, LPARAM, LPARAM lParam2)
{
    CPallardSheet sheet;
    LONG result = 0;
    switch (message) {
    case CPL_INIT:
    case CPL_GETCOUNT:
        result = 1;
        break;
    case CPL_INQUIRE:
        // A caller that passes no CPLINFO gets the same answer, unwritten.
        if (lParam2) {
            CPLINFO* info = (CPLINFO*)lParam2;
            info->idIcon = IDI_APPLET;
            info->idName = IDS_APPLET_NAME;
            info->idInfo = IDS_APPLET_INFO;
            info->lData = 0;
        }
        break;
    case CPL_DBLCLK:
        sheet.DoModal();
        break;
    default:
        // CPL_NEWINQUIRE leaves its NEWCPLINFO alone, so the Control Panel
        // takes the CPL_INQUIRE answer.
        break;
    }
    return result;
}
