// The bay manager as a user meets it: the real vlxpnpmgr.exe in the system
// directory, installed and started through Wine's service control manager
// or run in the foreground, with its boxes answered and its progress
// windows recorded from this process, and a window titled like My
// Computer that counts the commands the service tells it.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "desktop.h"

namespace baytest {

struct ProgressSeen {
    std::string text;
    int templateId = 0; // told by the icon on the screen; 0 when none matched
    DWORD shownMs = 0;
};

// Watches the whole desktop on a thread of its own: every message box is
// recorded and answered with OK, every progress window recorded.
class DesktopWatcher {
public:
    DesktopWatcher();
    ~DesktopWatcher();
    std::vector<testkit::BoxSeen> Boxes();
    std::vector<ProgressSeen> Windows();
    bool WaitForBoxes(size_t count, DWORD waitMs = 10000);
    // True once every window seen has closed and its time is known (the
    // watcher notices a close at its next look).
    bool WaitForWindowsToClose(DWORD waitMs = 5000);
    void Clear();

private:
    void Run();
    std::mutex lock_;
    std::atomic<bool> stop_{false};
    std::vector<testkit::BoxSeen> boxes_;
    std::vector<ProgressSeen> windows_;
    std::thread thread_;
};

// A top-level window with the My Computer folder's title.
class DriveWindow {
public:
    explicit DriveWindow(const char* title = "My Computer");
    ~DriveWindow();
    int Told() const { return told_; }
    // True once told at least `count` times in all.
    bool WaitTold(int count, DWORD waitMs = 20000) const;

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    std::string title_;
    std::atomic<int> told_{0};
    std::atomic<HWND> window_{nullptr};
    std::atomic<bool> made_{false};
    std::thread thread_;
};

struct ProgramEnd {
    bool finished = false;
    DWORD exitCode = 0;
};

// Runs a program with the arguments to its end, or ends it after waitMs.
ProgramEnd RunProgram(const std::string& path, const std::string& arguments, DWORD waitMs = 30000);

class BayService {
public:
    // Places the program in the system directory, as the service's
    // registration expects, and has Wine report the version
    // ("nt40", "win2k").
    explicit BayService(const char* wineVersion = "win2k");
    ~BayService();

    // Runs vlxpnpmgr.exe with the arguments to its end (boxes are the
    // watcher's to answer).
    ProgramEnd Run(const std::string& arguments, DWORD waitMs = 30000) const;

    // "net start" or "net stop" as Windows judges the service's progress
    // (sim/winnet.cpp): exit code 0 done, 2 gave up waiting.
    ProgramEnd NetAsOnWindows(const char* verb, DWORD waitMs = 60000) const;

    // Through the service control manager; Start waits for RUNNING.
    bool Start() const;
    bool Stop(DWORD waitMs = 30000) const;
    DWORD State() const;
    DWORD ExitCode() const;

    // The body in the foreground ("-debug"); ended from outside.
    void StartForeground(const std::string& arguments = "-debug");
    ProgramEnd WaitForeground(DWORD waitMs);
    void EndForeground();

    std::string programPath;

private:
    PROCESS_INFORMATION foreground_{};
};

} // namespace baytest
