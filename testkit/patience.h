// How long a test waits for something before it gives up. The 32-bit
// tree's tests run on the emulated i386 machine, where every Wine process
// is several times slower: the build gives that tree a larger factor
// (TEST_PATIENCE). Limits that a behaviour must keep (a pause, "at once")
// are not scaled.
#pragma once

#include <windows.h>

namespace testkit {

inline DWORD Patient(DWORD ms)
{
    return ms * TEST_PATIENCE;
}

} // namespace testkit
