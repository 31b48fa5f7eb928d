#include "service_bench.h"
#include "patience.h"

#include <gtest/gtest.h>

#include "parameters.h"
#include "progress_icons.h"
#include "registry.h"
#include "resource.h"
#include "services.h"

namespace baytest {

DesktopWatcher::DesktopWatcher() : thread_([this] { Run(); }) {}

DesktopWatcher::~DesktopWatcher()
{
    stop_ = true;
    thread_.join();
}

void DesktopWatcher::Run()
{
    HWND pressed = nullptr, progress = nullptr;
    DWORD progressFirst = 0;
    while (!stop_) {
        // A progress window gone, or another in its place: its time is known.
        HWND seen = testkit::FindDialog(0, "Vorlix PnP Manager");
        if (seen && !GetDlgItem(seen, IDC_PROGRESS_TEXT))
            seen = nullptr;
        if (progress && (!IsWindow(progress) || seen != progress)) {
            std::lock_guard<std::mutex> g(lock_);
            windows_.back().shownMs = GetTickCount() - progressFirst;
            progress = nullptr;
        }
        if (seen && seen != progress) {
            progress = seen;
            progressFirst = GetTickCount();
            // The window is painted after its text is set: its icon first,
            // while it lasts, then the text.
            ProgressSeen p;
            for (int tries = 0; tries < 10 && !p.templateId && IsWindow(seen); tries++) {
                p.templateId = ProgressTemplateShown(seen);
                if (!p.templateId)
                    Sleep(15);
            }
            p.text = testkit::StoredText(GetDlgItem(seen, IDC_PROGRESS_TEXT));
            if (p.text.empty()) {
                progress = nullptr; // gone before it could be read: a glimpse, not a window seen
                continue;
            }
            std::lock_guard<std::mutex> g(lock_);
            windows_.push_back(p);
        }
        HWND window = testkit::FindDialog(0, nullptr);
        if (window && GetDlgItem(window, IDOK) && window != pressed) {
            Sleep(100); // let the box finish drawing its controls
            testkit::BoxSeen box = testkit::DescribeBox(window);
            testkit::PressButton(window, IDOK);
            pressed = window;
            std::lock_guard<std::mutex> g(lock_);
            boxes_.push_back(box);
        }
        Sleep(10);
    }
}

std::vector<testkit::BoxSeen> DesktopWatcher::Boxes()
{
    std::lock_guard<std::mutex> g(lock_);
    return boxes_;
}

std::vector<ProgressSeen> DesktopWatcher::Windows()
{
    std::lock_guard<std::mutex> g(lock_);
    return windows_;
}

bool DesktopWatcher::WaitForBoxes(size_t count, DWORD waitMs)
{
    for (DWORD waited = 0; Boxes().size() < count; waited += 50) {
        if (waited >= testkit::Patient(waitMs))
            return false;
        Sleep(50);
    }
    return true;
}

bool DesktopWatcher::WaitForWindowsToClose(DWORD waitMs)
{
    for (DWORD waited = 0;; waited += 20) {
        {
            std::lock_guard<std::mutex> g(lock_);
            bool closed = true;
            for (const ProgressSeen& w : windows_)
                closed = closed && w.shownMs > 0;
            if (closed)
                return true;
        }
        if (waited >= testkit::Patient(waitMs))
            return false;
        Sleep(20);
    }
}

void DesktopWatcher::Clear()
{
    std::lock_guard<std::mutex> g(lock_);
    boxes_.clear();
    windows_.clear();
}

DriveWindow::DriveWindow(const char* title) : title_(title)
{
    thread_ = std::thread([this] {
        WNDCLASSA cls;
        ZeroMemory(&cls, sizeof cls);
        cls.lpfnWndProc = Proc;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.lpszClassName = "BayTestDriveWindow";
        RegisterClassA(&cls);
        HWND w = CreateWindowA(cls.lpszClassName, title_.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                               nullptr, nullptr, cls.hInstance, nullptr);
        if (!w) {
            made_ = true; // no desktop: the window is reported missing, nothing waits for ever
            return;
        }
        SetWindowLongPtrA(w, GWLP_USERDATA, (LONG_PTR)this);
        window_ = w;
        made_ = true;
        MSG m;
        while (GetMessageA(&m, nullptr, 0, 0) > 0)
            DispatchMessageA(&m);
    });
    while (!made_)
        Sleep(10);
    if (!window_)
        ADD_FAILURE() << "cannot make the window \"" << title_ << "\" (no desktop? start the bench)";
}

DriveWindow::~DriveWindow()
{
    if (window_)
        PostMessageA(window_, WM_CLOSE, 0, 0);
    thread_.join();
}

LRESULT CALLBACK DriveWindow::Proc(HWND w, UINT message, WPARAM wp, LPARAM lp)
{
    DriveWindow* self = (DriveWindow*)GetWindowLongPtrA(w, GWLP_USERDATA);
    if (message == WM_COMMAND && wp == 0x1A065 && lp == 0 && self)
        self->told_++;
    if (message == WM_CLOSE) {
        DestroyWindow(w);
        return 0;
    }
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcA(w, message, wp, lp);
}

bool DriveWindow::WaitTold(int count, DWORD waitMs) const
{
    for (DWORD waited = 0; told_ < count; waited += 20) {
        if (waited >= testkit::Patient(waitMs))
            return false;
        Sleep(20);
    }
    return true;
}

BayService::BayService(const char* wineVersion)
{
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    programPath = std::string(system) + "\\vlxpnpmgr.exe";
    if (!CopyFileA(testkit::BuiltFile("bin/vlxpnpmgr.exe").c_str(), programPath.c_str(), FALSE))
        ADD_FAILURE() << "cannot place the program in " << programPath << ": " << GetLastError();
    testkit::SetWineVersion("vlxpnpmgr.exe", wineVersion);
}

BayService::~BayService()
{
    EndForeground();
    testkit::RemoveService(SERVICE_NAME);
}

ProgramEnd RunProgram(const std::string& path, const std::string& arguments, DWORD waitMs)
{
    ProgramEnd end;
    std::string line = "\"" + path + "\"" + (arguments.empty() ? "" : " " + arguments);
    std::vector<char> mutableLine(line.begin(), line.end());
    mutableLine.push_back('\0');
    PROCESS_INFORMATION process;
    if (DWORD error = testkit::StartProgram(mutableLine.data(), nullptr, &process)) {
        ADD_FAILURE() << "cannot start " << line << ": " << error;
        return end;
    }
    end.finished = WaitForSingleObject(process.hProcess, testkit::Patient(waitMs)) == WAIT_OBJECT_0;
    if (!end.finished)
        TerminateProcess(process.hProcess, 1);
    GetExitCodeProcess(process.hProcess, &end.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return end;
}

ProgramEnd BayService::Run(const std::string& arguments, DWORD waitMs) const
{
    return RunProgram(programPath, arguments, waitMs);
}

ProgramEnd BayService::NetAsOnWindows(const char* verb, DWORD waitMs) const
{
    return RunProgram(testkit::BuiltFile("sim/winnet.exe"), std::string(verb) + " " SERVICE_NAME, waitMs);
}

bool BayService::Start() const
{
    if (!testkit::StartNamedService(SERVICE_NAME))
        return false;
    for (DWORD waited = 0; waited < testkit::Patient(20000); waited += 50) {
        DWORD state = State();
        if (state == SERVICE_RUNNING)
            return true;
        if (state == SERVICE_STOPPED || state == 0)
            return false;
        Sleep(50);
    }
    return false;
}

bool BayService::Stop(DWORD waitMs) const
{
    return testkit::StopService(SERVICE_NAME, waitMs);
}

DWORD BayService::State() const
{
    return testkit::ServiceState(SERVICE_NAME);
}

DWORD BayService::ExitCode() const
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceA(manager, SERVICE_NAME, SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof status);
    status.dwWin32ExitCode = 0xDEADBEEF;
    if (service) {
        QueryServiceStatus(service, &status);
        CloseServiceHandle(service);
    }
    if (manager)
        CloseServiceHandle(manager);
    return status.dwWin32ExitCode;
}

void BayService::StartForeground(const std::string& arguments)
{
    std::string line = "\"" + programPath + "\" " + arguments;
    std::vector<char> mutableLine(line.begin(), line.end());
    mutableLine.push_back('\0');
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &foreground_))
        ADD_FAILURE() << "cannot start " << line << ": " << GetLastError();
}

ProgramEnd BayService::WaitForeground(DWORD waitMs)
{
    ProgramEnd end;
    if (!foreground_.hProcess)
        return end;
    end.finished = WaitForSingleObject(foreground_.hProcess, testkit::Patient(waitMs)) == WAIT_OBJECT_0;
    if (end.finished)
        GetExitCodeProcess(foreground_.hProcess, &end.exitCode);
    return end;
}

void BayService::EndForeground()
{
    if (!foreground_.hProcess)
        return;
    TerminateProcess(foreground_.hProcess, 1);
    WaitForSingleObject(foreground_.hProcess, 5000);
    CloseHandle(foreground_.hThread);
    CloseHandle(foreground_.hProcess);
    foreground_ = PROCESS_INFORMATION{};
}

} // namespace baytest
