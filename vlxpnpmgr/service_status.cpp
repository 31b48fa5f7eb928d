#include "service_status.h"

#include "status_rules.h"

static CRITICAL_SECTION g_lock;
static bool g_begun; // written and read by the worker thread only
static StatusRecord g_record;
static SERVICE_STATUS_HANDLE g_handle;
static HANDLE g_shutdown;

// Under the lock.
static void ReportLocked()
{
    if (!g_handle)
        return;
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof status);
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = g_record.state;
    status.dwControlsAccepted = g_record.controlsAccepted;
    status.dwCheckPoint = g_record.checkpoint;
    status.dwWaitHint = g_record.waitHint;
    SetServiceStatus(g_handle, &status);
}

void StatusBegin(const char* serviceName, LPHANDLER_FUNCTION handler)
{
    static bool lockMade = false;
    if (!lockMade)
        InitializeCriticalSection(&g_lock);
    lockMade = true;
    EnterCriticalSection(&g_lock);
    g_handle = nullptr;
    g_shutdown = nullptr;
    StatusAtStart(&g_record);
    LeaveCriticalSection(&g_lock);
    SERVICE_STATUS_HANDLE handle = RegisterServiceCtrlHandlerA(serviceName, handler);
    EnterCriticalSection(&g_lock);
    g_handle = handle;
    ReportLocked();
    LeaveCriticalSection(&g_lock);
    g_begun = true;
}

void StatusReport(DWORD state, DWORD checkpoint)
{
    EnterCriticalSection(&g_lock);
    if (StatusOnWorker(&g_record, state, checkpoint))
        ReportLocked();
    LeaveCriticalSection(&g_lock);
}

bool StatusStopAsked()
{
    EnterCriticalSection(&g_lock);
    bool asked = g_record.stopAsked;
    LeaveCriticalSection(&g_lock);
    return asked;
}

void StatusSetShutdownEvent(HANDLE event)
{
    EnterCriticalSection(&g_lock);
    g_shutdown = event;
    LeaveCriticalSection(&g_lock);
}

void StatusCloseShutdownEvent()
{
    EnterCriticalSection(&g_lock);
    if (g_shutdown)
        CloseHandle(g_shutdown);
    g_shutdown = nullptr;
    LeaveCriticalSection(&g_lock);
}

void StatusControl(DWORD control)
{
    EnterCriticalSection(&g_lock);
    if (StatusOnControl(&g_record, control)) {
        ReportLocked();
        // Auto-reset: a signal given while the worker is busy waits for it.
        if (g_shutdown)
            SetEvent(g_shutdown);
    }
    LeaveCriticalSection(&g_lock);
}

void NoteWorkerStep()
{
    if (!g_begun)
        return;
    EnterCriticalSection(&g_lock);
    if (StatusOnStep(&g_record))
        ReportLocked();
    LeaveCriticalSection(&g_lock);
}
