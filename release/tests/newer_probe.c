/* A 32-bit program with every fault that tools/pe-check must find in a
 * deliverable: functions that Windows 95 lacks, the default runtime
 * (msvcrt.dll), a header that asks for Windows 5.0, and a version resource
 * that disagrees with itself. Built in the i686 tree, never run: the
 * release check proves on it that it can fail. */
#include <windows.h>

#include <stdio.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    char path[MAX_PATH];
    (void)instance;
    (void)previous;
    (void)show;
    if (IsDebuggerPresent())
        return 1;
    if (!GetLongPathNameA(commandLine, path, sizeof path))
        return 2;
    return printf("%s\n", path) < 0;
}
