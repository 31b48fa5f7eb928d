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
    HMODULE own = nullptr;
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&ResourceModule), &own))
        return own;
    return GetModuleHandleA(nullptr);
}

HWND MainWindow()
{
    return g_application ? g_application->m_hMainWnd : nullptr;
}
