#include "scenario_bench.h"
#include "patience.h"

#include "registry.h"
#include "services.h"

#include <tlhelp32.h>

#include <stdio.h>
#include <string.h>

#include <stdlib.h>

#include <algorithm>
#include <fstream>

namespace scenario {

namespace {

const char kBenchRoot[] = "C:\\srtests";

struct VersionSetting {
    WindowsVersion version;
    const char* programName;
    const char* wineVersion; // null: Wine's default
};

const VersionSetting kVersions[] = {
    {WindowsVersion::Default, "setuprun.exe", nullptr},
    {WindowsVersion::Win95, "setup95.exe", "win95"},
    {WindowsVersion::Win98, "setup98.exe", "win98"},
    {WindowsVersion::NT4, "setupnt4.exe", "nt40"},
    {WindowsVersion::Win2000, "setup2k.exe", "win2k"},
    {WindowsVersion::XP, "setupxp.exe", "winxp"},
};

const VersionSetting& SettingFor(WindowsVersion version)
{
    for (const auto& s : kVersions) {
        if (s.version == version)
            return s;
    }
    return kVersions[0];
}

std::string TestName()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "outside";
    std::replace(name.begin(), name.end(), '/', '_');
    return name;
}

class EnvironmentOverride {
public:
    EnvironmentOverride(const char* name, const std::string& value) : name_(name)
    {
        char old[2048];
        DWORD n = GetEnvironmentVariableA(name, old, sizeof old);
        hadValue_ = n > 0 && n < sizeof old;
        if (hadValue_)
            old_ = old;
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~EnvironmentOverride() { SetEnvironmentVariableA(name_, hadValue_ ? old_.c_str() : nullptr); }

private:
    const char* name_;
    bool hadValue_;
    std::string old_;
};

} // namespace

static const char kRunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

RestartWatch::RestartWatch(const Bench& bench)
{
    valueName_ = "srtest-restart-" + std::to_string(GetCurrentProcessId());
    marker_ = bench.root + "\\restarted.txt";
    DeleteFileA(marker_.c_str());
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    std::string command = std::string(system) + "\\cmd.exe /c echo restarted> " + marker_;
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot open the RunOnce key";
        return;
    }
    RegSetValueExA(key, valueName_.c_str(), 0, REG_SZ, (const BYTE*)command.c_str(), (DWORD)command.size() + 1);
    RegCloseKey(key);
}

// Whether a process of that file name runs.
static bool ProcessRuns(const char* name)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32 entry;
    ZeroMemory(&entry, sizeof entry);
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry))
        found = _stricmp(entry.szExeFile, name) == 0;
    CloseHandle(snapshot);
    return found;
}

RestartWatch::~RestartWatch()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, valueName_.c_str());
        RegCloseKey(key);
    }
    // A restart still running the RunOnce commands would run the next
    // watch's command too: the next watch starts after it has ended.
    for (DWORD waited = 0; waited < 10000 && ProcessRuns("wineboot.exe"); waited += 100)
        Sleep(100);
}

bool RestartWatch::Happened(DWORD waitMs) const
{
    for (DWORD waited = 0;; waited += 100) {
        if (FileExists(marker_))
            return true;
        if (waited >= testkit::Patient(waitMs))
            return false;
        Sleep(100);
    }
}

Bench::Bench(WindowsVersion version)
{
    const VersionSetting& setting = SettingFor(version);
    // One corner per test and program copy, so that a test may use several
    // Windows versions side by side.
    std::string base = setting.programName;
    root = std::string(kBenchRoot) + "\\" + TestName() + "\\" + base.substr(0, base.find('.'));
    programDir = root + "\\prog";
    tempDir = root + "\\tmp\\";
    logPath = root + "\\install.log";
    programName = setting.programName;
    programPath = programDir + "\\" + programName;
    // An earlier case's copy of the program may still be held for a moment
    // after its process ended (Wine lets the image go when the process is
    // gone, which a busy machine delays): wait for it rather than fail.
    std::string built = BuiltFile(SETUPRUN_EXE);
    DWORD error = 0;
    for (int waited = 0; waited <= 20000; waited += 200) {
        RemoveTree(root);
        MakeDirs(programDir);
        MakeDirs(tempDir);
        error = CopyFileA(built.c_str(), programPath.c_str(), FALSE) ? 0 : GetLastError();
        if (error != ERROR_SHARING_VIOLATION)
            break;
        Sleep(200);
    }
    if (error)
        ADD_FAILURE() << "cannot copy " << built << " to " << programPath << ": " << error;
    if (setting.wineVersion)
        testkit::SetWineVersion(setting.programName, setting.wineVersion);
}

void Bench::RenameProgram(const std::string& name)
{
    std::string renamed = programDir + "\\" + name;
    if (!MoveFileA(programPath.c_str(), renamed.c_str()))
        ADD_FAILURE() << "cannot rename the program to " << renamed;
    programName = name;
    programPath = renamed;
}

std::string Bench::LogKeys() const
{
    return "Logging=1\nLogFile=" + logPath + "\n";
}

std::string Bench::WriteScript(const std::string& name, const std::string& text) const
{
    std::string path = name.find(":\\") != std::string::npos ? name : programDir + "\\" + name;
    WriteTextFile(path, text);
    return path;
}

RunResult Bench::Run(const std::string& arguments, const RunOptions& options) const
{
    RunResult result;
    std::string temp = options.tempDir.empty() ? tempDir : options.tempDir;
    EnvironmentOverride tmp("TMP", temp);
    EnvironmentOverride tempVar("TEMP", temp);
    std::string commandLine = "\"" + programPath + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    std::string cwd = options.currentDir.empty() ? root : options.currentDir;
    PROCESS_INFORMATION process;
    DWORD startError = testkit::StartProgram(mutableLine.data(), cwd.c_str(), &process);
    if (startError) {
        ADD_FAILURE() << "cannot start " << commandLine << ": " << startError;
        return result;
    }

    size_t nextAnswer = 0;
    HWND answered = nullptr;
    DWORD waited = 0;
    std::vector<bool> fired(options.triggers.size(), false);
    for (;;) {
        if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) {
            result.finished = true;
            break;
        }
        waited += 50;
        if (waited >= testkit::Patient(options.timeoutMs))
            break;
        if (std::find(fired.begin(), fired.end(), false) != fired.end()) {
            std::vector<std::string> lines = RawLog();
            for (size_t t = 0; t < options.triggers.size(); t++) {
                for (const std::string& line : lines) {
                    if (!fired[t] && line.find(options.triggers[t].text) != std::string::npos) {
                        fired[t] = true;
                        options.triggers[t].action(line);
                    }
                }
            }
        }
        if (answered && IsWindow(answered) && IsWindowVisible(answered))
            continue; // the box we pressed is still closing
        HWND found = testkit::FindDialog(process.dwProcessId, nullptr);
        if (!found)
            continue;
        Sleep(100); // let the box finish drawing its controls
        result.boxes.push_back(testkit::DescribeBox(found));
        int button = nextAnswer < options.answers.size() ? options.answers[nextAnswer++] : IDOK;
        testkit::PressButton(found, button);
        answered = found;
    }
    if (!result.finished) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 5000);
    }
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

std::vector<std::string> Bench::RawLog() const
{
    return testkit::TextLines(ReadTextFile(logPath));
}

static bool HasTimeStamp(const std::string& line)
{
    // "[HH:MM:SS.mmm] "
    static const char kShape[] = "[99:99:99.999] ";
    if (line.size() < sizeof kShape - 1)
        return false;
    for (size_t i = 0; i < sizeof kShape - 1; i++) {
        bool digit = line[i] >= '0' && line[i] <= '9';
        if (kShape[i] == '9' ? !digit : line[i] != kShape[i])
            return false;
    }
    return true;
}

std::vector<std::string> Bench::Log() const
{
    std::vector<std::string> lines;
    std::string prefix = " " + programName + "> ";
    for (std::string line : RawLog()) {
        if (HasTimeStamp(line)) {
            line = line.substr(15);
            if (line.compare(0, prefix.size(), prefix) == 0)
                line = line.substr(prefix.size());
        }
        lines.push_back(line);
    }
    return lines;
}

void Bench::ClearLog() const
{
    DeleteFileA(logPath.c_str());
}

std::string Bench::WorkingKey(const std::string& scriptName, const char* section, const char* key) const
{
    return ReadKey(WorkingCopy(scriptName), section, key);
}

std::string ReadKey(const std::string& file, const char* section, const char* key)
{
    char value[4096];
    GetPrivateProfileStringA(section, key, "<missing>", value, sizeof value, file.c_str());
    return value;
}

void WriteTextFile(const std::string& path, const std::string& text)
{
    std::string crlf;
    for (char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << crlf;
    if (!out)
        ADD_FAILURE() << "cannot write " << path;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA(path.c_str());
        return;
    }
    ForEachEntry(path, [&](const std::string& name, bool) { RemoveTree(path + "\\" + name); });
    RemoveDirectoryA(path.c_str());
}

void ForEachEntry(const std::string& dir, const std::function<void(const std::string&, bool)>& visit)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (strcmp(found.cFileName, ".") && strcmp(found.cFileName, ".."))
            visit(found.cFileName, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void CopyTree(const std::string& from, const std::string& to)
{
    MakeDirs(to);
    ForEachEntry(from, [&](const std::string& name, bool isDirectory) {
        if (isDirectory)
            CopyTree(from + "\\" + name, to + "\\" + name);
        else if (!CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE))
            ADD_FAILURE() << "cannot copy " << from << "\\" << name;
    });
}

void MakeDirs(const std::string& path)
{
    for (size_t i = 3; i <= path.size(); i++) {
        if (i == path.size() || path[i] == '\\')
            CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    }
}

::testing::AssertionResult ContainsInOrder(const std::vector<std::string>& lines,
                                           const std::vector<std::string>& expected)
{
    size_t at = 0;
    for (size_t i = 0; i < expected.size(); i++) {
        while (at < lines.size() && lines[at] != expected[i])
            at++;
        if (at == lines.size())
            return ::testing::AssertionFailure()
                   << "expected line " << i << " >" << expected[i] << "< not found in order in the log:\n"
                   << JoinLines(lines);
        at++;
    }
    return ::testing::AssertionSuccess();
}

int CountLines(const std::vector<std::string>& lines, const std::string& text)
{
    return (int)std::count(lines.begin(), lines.end(), text);
}

std::string JoinLines(const std::vector<std::string>& lines)
{
    std::string all;
    for (const std::string& line : lines)
        all += "  |" + line + "|\n";
    return all;
}

std::string ErrorPart(DWORD code)
{
    char* message = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                   code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), (LPSTR)&message, 0, nullptr);
    std::string text = message ? message : "";
    if (message)
        LocalFree(message);
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return "Error=" + std::to_string(code) + ", " + text;
}

} // namespace scenario
