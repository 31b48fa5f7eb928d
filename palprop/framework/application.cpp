#include "application.h"

static CApplication* g_application = nullptr;

CApplication::CApplication(const char* appName) : m_pszAppName(appName), m_hInstance(nullptr), m_hMainWnd(nullptr)
{
    g_application = this;
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
    if (g_application && g_application->m_hInstance)
        return g_application->m_hInstance;
    return GetModuleHandleA(nullptr);
}

HWND MainWindow()
{
    return g_application ? g_application->m_hMainWnd : nullptr;
}
