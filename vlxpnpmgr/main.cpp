// The bay manager's program entry: "-install", "-remove" and "-debug"
// (after "-" or "/", any case); without arguments it is the service and
// hands control to the service control manager.
#include <windows.h>

#include <stdlib.h>

#include "error_box.h"
#include "installer.h"
#include "parameters.h"
#include "progress.h"
#include "service_main.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    SetProgressInstance(instance);
    bool debug = false;
    for (int i = 1; i < __argc; i++) {
        const char* argument = __argv[i];
        if (argument[0] != '-' && argument[0] != '/')
            continue;
        const char* word = argument + 1;
        if (lstrcmpiA(word, "install") == 0 && !InstallService()) {
            // A registration left half made is removed and made again.
            RemoveService();
            if (!InstallService())
                ShowError("PNP Manager installation failed.");
        }
        if (lstrcmpiA(word, "remove") == 0 && !RemoveService())
            ShowError("PNP Manager removal failed.");
        if (lstrcmpiA(word, "debug") == 0)
            debug = true;
    }
    if (debug)
        ServiceMain(0, nullptr);
    if (__argc <= 1) {
        static char name[] = SERVICE_NAME;
        SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
        StartServiceCtrlDispatcherA(table);
    }
    return 0;
}
