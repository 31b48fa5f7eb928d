// What the C++ code of the i686 deliverables needs from a C++ runtime,
// for builds linked against crtdll.dll instead of libstdc++ and
// msvcrt.dll (a retail Windows 95 has no msvcrt.dll). The code is built
// without exceptions and run-time type information and allocates
// nothing with new; classes with virtual destructors still refer to
// operator delete, and abstract classes to __cxa_pure_virtual.
#include <windows.h>

#include <stdlib.h>

void operator delete(void* p) noexcept
{
    free(p);
}

void operator delete(void* p, size_t) noexcept
{
    free(p);
}

// A pure virtual call is a programming error that no caller can handle:
// end the process as the C runtime does for its own fatal errors.
extern "C" void __cxa_pure_virtual()
{
    FatalAppExitA(0, "pure virtual function call");
}
