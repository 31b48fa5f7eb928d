// The bay manager's program entry.
#include <windows.h>

#include "progress.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    SetProgressInstance(instance);
    return 0;
}
