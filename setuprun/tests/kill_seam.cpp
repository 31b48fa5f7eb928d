// The kill seam, linked only into setuprun_seam.exe (a test program built
// from the deliverable's own objects): every call that changes the machine
// or the working copy is counted, and the program ends itself right after
// the one that SETUPRUN_KILL_AFTER names, as a power loss at that moment
// would. SETUPRUN_SEAM_TRACE names a file that gets one line per call:
//   <count> <call> <argument>
// The calls are reached through the linker's --wrap of their import
// pointers, so the deliverable's sources carry nothing of this.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

namespace {

long g_count;
long g_killAfter = -1;
char g_trace[MAX_PATH];

} // namespace

// The linker's names of an import pointer and of its wrapper: the 32-bit
// names carry the symbol prefix and the stdcall argument size.
#if defined(__i386__)
#define SEAM_SYMBOL(kind, name, bytes) "___" #kind "__imp__" #name "@" #bytes
#else
#define SEAM_SYMBOL(kind, name, bytes) "__" #kind "___imp_" #name
#endif

extern "C" {
extern decltype(&WriteFile) RealWriteFile asm(SEAM_SYMBOL(real, WriteFile, 20));
}

static void Effect(const char* call, const char* a, const char* b = "", const char* c = "")
{
    if (g_killAfter < 0) {
        char value[32];
        DWORD n = GetEnvironmentVariableA("SETUPRUN_KILL_AFTER", value, sizeof value);
        g_killAfter = (n > 0 && n < sizeof value) ? atol(value) : 0;
        n = GetEnvironmentVariableA("SETUPRUN_SEAM_TRACE", g_trace, sizeof g_trace);
        if (n == 0 || n >= sizeof g_trace)
            g_trace[0] = '\0';
    }
    g_count++;
    if (g_trace[0]) {
        char line[1024];
        int length = snprintf(line, sizeof line, "%ld %s %s %s %s\n", g_count, call, a ? a : "(null)",
                              b ? b : "(null)", c ? c : "(null)");
        if (length < 0 || length >= (int)sizeof line)
            length = (int)sizeof line - 1;
        HANDLE h = CreateFileA(g_trace, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD written;
            RealWriteFile(h, line, (DWORD)length, &written, nullptr);
            CloseHandle(h);
        }
    }
    if (g_count == g_killAfter)
        TerminateProcess(GetCurrentProcess(), 0xDEAD);
}

// One wrapper per call: the real call first, then the count. The size is
// the call's stdcall argument size, as in the build's list of the calls.
#define SEAM(ret, name, bytes, params, args, ...)                                                                      \
    extern "C" {                                                                                                       \
    extern decltype(&name) Real##name asm(SEAM_SYMBOL(real, name, bytes));                                             \
    static ret WINAPI Seam##name params                                                                                \
    {                                                                                                                  \
        ret result = Real##name args;                                                                                  \
        Effect(#name, __VA_ARGS__);                                                                                    \
        return result;                                                                                                 \
    }                                                                                                                  \
    decltype(&name) Wrap##name asm(SEAM_SYMBOL(wrap, name, bytes)) = Seam##name;                                       \
    }

SEAM(BOOL, WritePrivateProfileStringA, 16, (LPCSTR s, LPCSTR k, LPCSTR v, LPCSTR f), (s, k, v, f), s, k, v)
SEAM(BOOL, WritePrivateProfileSectionA, 12, (LPCSTR s, LPCSTR v, LPCSTR f), (s, v, f), s, v ? "(list)" : "(null)")
SEAM(BOOL, MoveFileA, 8, (LPCSTR from, LPCSTR to), (from, to), from, to)
SEAM(BOOL, MoveFileExA, 12, (LPCSTR from, LPCSTR to, DWORD flags), (from, to, flags), from, to)
SEAM(BOOL, DeleteFileA, 4, (LPCSTR path), (path), path)
SEAM(BOOL, CopyFileA, 12, (LPCSTR from, LPCSTR to, BOOL failIfExists), (from, to, failIfExists), from, to)
SEAM(BOOL, CreateDirectoryA, 8, (LPCSTR path, LPSECURITY_ATTRIBUTES sa), (path, sa), path)
SEAM(BOOL, RemoveDirectoryA, 4, (LPCSTR path), (path), path)
SEAM(BOOL, SetFileAttributesA, 8, (LPCSTR path, DWORD attributes), (path, attributes), path)
SEAM(BOOL, WriteFile, 20, (HANDLE h, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED o),
     (h, data, size, written, o), "(bytes)")
SEAM(LONG, RegSetValueExA, 24, (HKEY k, LPCSTR name, DWORD r, DWORD type, const BYTE* data, DWORD size),
     (k, name, r, type, data, size), name)
SEAM(LONG, RegDeleteValueA, 8, (HKEY k, LPCSTR name), (k, name), name)
SEAM(LONG, RegDeleteKeyA, 8, (HKEY k, LPCSTR name), (k, name), name)
SEAM(BOOL, CreateProcessA, 40,
     (LPCSTR app, LPSTR line, LPSECURITY_ATTRIBUTES pa, LPSECURITY_ATTRIBUTES ta, BOOL inherit, DWORD flags,
      LPVOID env, LPCSTR dir, LPSTARTUPINFOA si, LPPROCESS_INFORMATION pi),
     (app, line, pa, ta, inherit, flags, env, dir, si, pi), line)
