// The scenario bench: runs the real setuprun.exe on scripts, each test in
// a corner of the machine of its own, and hands back what a run left: the
// install log, the working copy's keys and the message boxes it showed
// (each answered by this process, as a person would).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "desktop.h"
#include "text_files.h"

#include <functional>
#include <string>
#include <vector>

namespace scenario {

// The Windows version Wine reports to the program. Each version has its
// own program file name, so that tests running side by side never change
// each other's setting.
enum class WindowsVersion { Default, Win95, Win98, NT4, Win2000, XP };

using testkit::BoxIcon;
using testkit::BoxSeen;
using testkit::BuiltFile;
using testkit::IconName;
using testkit::ReadTextFile;
using testkit::TextLines;

// Something a test does while a run goes on, as soon as the install log
// shows a line that contains a text (once per run).
struct LogTrigger {
    std::string text;
    std::function<void(const std::string& line)> action;
};

struct RunOptions {
    std::string tempDir;       // TMP and TEMP of the run; default: the bench's own
    std::vector<int> answers;  // button pressed on each box in turn; IDOK when none is left
    DWORD timeoutMs = 60000;   // a run still going after this is killed and reported
    std::string currentDir;    // default: the bench root (not the program directory)
    std::vector<LogTrigger> triggers;
};

struct RunResult {
    bool finished = false; // ended by itself within the time limit
    DWORD exitCode = 0;
    std::vector<BoxSeen> boxes;
};

class Bench {
public:
    explicit Bench(WindowsVersion version = WindowsVersion::Default);

    std::string root;        // C:\srtests\<suite>.<test>\<program base name>
    std::string programDir;  // root\prog, holding the program copy
    std::string tempDir;     // root\tmp\ (with the trailing backslash)
    std::string logPath;     // root\install.log
    std::string programName; // file name of the program copy
    std::string programPath;

    // Runs the program under another file name (Wine's default version).
    void RenameProgram(const std::string& name);

    // [Data] keys that turn the log on into logPath.
    std::string LogKeys() const;
    // Writes a script beside the program; "\n" becomes "\r\n".
    std::string WriteScript(const std::string& name, const std::string& text) const;
    RunResult Run(const std::string& arguments, const RunOptions& options = RunOptions()) const;

    // Install-log lines with the time stamp and "  <program>> " cut off:
    // "label text" for WriteLog, " text" for WriteLogLine; lines without
    // a time stamp whole.
    std::vector<std::string> Log() const;
    std::vector<std::string> RawLog() const;
    void ClearLog() const;

    std::string WorkingCopy(const std::string& scriptName) const { return tempDir + scriptName; }
    // A key of the working copy, or "<missing>".
    std::string WorkingKey(const std::string& scriptName, const char* section, const char* key) const;
};

// Watches for a restart of Windows. Under Wine a restart request starts
// "wineboot --end-session", which runs the commands of the RunOnce key as
// a restarted machine would: the watch puts one there that leaves a file.
// The key belongs to the whole session, so tests that watch run alone.
class RestartWatch {
public:
    explicit RestartWatch(const Bench& bench);
    ~RestartWatch();
    // True once the marker file appears; waits up to waitMs for it.
    bool Happened(DWORD waitMs) const;

private:
    std::string valueName_;
    std::string marker_;
};

// Files and keys, for preparing and checking a machine.
std::string ReadKey(const std::string& file, const char* section, const char* key);
void WriteTextFile(const std::string& path, const std::string& text);
bool FileExists(const std::string& path);
// Calls visit(name, is a directory) for every entry of a directory but
// "." and "..".
void ForEachEntry(const std::string& dir, const std::function<void(const std::string&, bool)>& visit);
void RemoveTree(const std::string& path);
// Copies a directory with everything below it; a file that cannot be
// copied fails the test.
void CopyTree(const std::string& from, const std::string& to);
void MakeDirs(const std::string& path);

// Lines of a log matching a pattern in order, each after the one before.
::testing::AssertionResult ContainsInOrder(const std::vector<std::string>& lines,
                                           const std::vector<std::string>& expected);
// How many lines equal a text.
int CountLines(const std::vector<std::string>& lines, const std::string& text);
std::string JoinLines(const std::vector<std::string>& lines);

// "Error=<code>, <system text>" as the install log writes it through
// GetLastErrorText (line breaks turned into blanks).
std::string ErrorPart(DWORD code);

} // namespace scenario
