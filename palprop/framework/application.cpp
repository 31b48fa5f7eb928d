#include "application.h"

static CApplication* g_application = nullptr;
// Zero before any code runs: no constructor touches it.
static HINSTANCE g_module = nullptr;

CApplication::CApplication(const char* appName) : m_pszAppName(appName), m_hMainWnd(nullptr)
{
    g_application = this;
}

void CApplication::AttachModule(HINSTANCE instance)
{
    g_module = instance;
}

CApplication::~CApplication()
{
    if (g_application == this)
        g_application = nullptr;
}

CApplication* CApplication::Current()
{
    return g_application;
}

HINSTANCE ResourceModule()
{
    if (g_module)
        return g_module;
    // The module is the allocation this function's code lies in (found so
    // on every Windows version the applet runs on).
    MEMORY_BASIC_INFORMATION memory;
    if (VirtualQuery(reinterpret_cast<const void*>(&ResourceModule), &memory, sizeof memory) && memory.AllocationBase)
        return static_cast<HINSTANCE>(memory.AllocationBase);
    return GetModuleHandleA(nullptr);
}

HWND MainWindow()
{
    return g_application ? g_application->m_hMainWnd : nullptr;
}
