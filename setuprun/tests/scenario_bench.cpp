#include "scenario_bench.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <fstream>
#include <sstream>

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

void SetWineVersion(const char* programName, const char* wineVersion)
{
    std::string key = std::string("Software\\Wine\\AppDefaults\\") + programName;
    HKEY h;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(h, "Version", 0, REG_SZ, (const BYTE*)wineVersion, (DWORD)strlen(wineVersion) + 1);
    RegCloseKey(h);
}

std::string TestName()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "outside";
    std::replace(name.begin(), name.end(), '/', '_');
    return name;
}

struct BoxSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM param)
{
    BoxSearch* search = (BoxSearch*)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[32] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (pid == search->processId && IsWindowVisible(hwnd) && strcmp(cls, "#32770") == 0) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

BoxSeen Describe(HWND box)
{
    BoxSeen seen;
    char text[2048] = "";
    GetWindowTextA(box, text, sizeof text);
    seen.caption = text;
    text[0] = '\0';
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    seen.text = text;
    for (int id = IDOK; id <= IDNO; id++) {
        HWND button = GetDlgItem(box, id);
        if (button && IsWindowVisible(button))
            seen.buttons.push_back(id);
    }
    seen.exStyle = GetWindowLongA(box, GWL_EXSTYLE);
    return seen;
}

// Presses a button of a box in another process. Wine's modal loop notices
// the end only when a posted message arrives, hence the WM_NULL.
void Press(HWND box, int id)
{
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(box, id));
    PostMessageA(box, WM_NULL, 0, 0);
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

bool RunResult::AskedForRestart() const
{
    return trace.find("wineboot.exe --end-session") != std::string::npos;
}

Bench::Bench(WindowsVersion version)
{
    const VersionSetting& setting = SettingFor(version);
    // One corner per test and program copy, so that a test may use several
    // Windows versions side by side.
    std::string base = setting.programName;
    root = std::string(kBenchRoot) + "\\" + TestName() + "\\" + base.substr(0, base.find('.'));
    RemoveTree(root);
    programDir = root + "\\prog";
    tempDir = root + "\\tmp\\";
    logPath = root + "\\install.log";
    programName = setting.programName;
    programPath = programDir + "\\" + programName;
    MakeDirs(programDir);
    MakeDirs(tempDir);
    std::string built = UnixToWindowsPath(SETUPRUN_EXE);
    if (!CopyFileA(built.c_str(), programPath.c_str(), FALSE))
        ADD_FAILURE() << "cannot copy " << built << " to " << programPath << ": " << GetLastError();
    if (setting.wineVersion)
        SetWineVersion(setting.programName, setting.wineVersion);
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
    EnvironmentOverride debug("WINEDEBUG", options.traceProcesses ? "+process" : "-all");

    std::string tracePath = root + "\\trace.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE traceFile = INVALID_HANDLE_VALUE;
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (options.traceProcesses) {
        traceFile = CreateFileA(tracePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                CREATE_ALWAYS, 0, nullptr);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdError = traceFile;
        startup.hStdOutput = traceFile;
    }

    std::string commandLine = "\"" + programPath + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    std::string cwd = options.currentDir.empty() ? root : options.currentDir;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, options.traceProcesses, 0, nullptr,
                        cwd.c_str(), &startup, &process)) {
        ADD_FAILURE() << "cannot start " << commandLine << ": " << GetLastError();
        if (traceFile != INVALID_HANDLE_VALUE)
            CloseHandle(traceFile);
        return result;
    }

    size_t nextAnswer = 0;
    HWND answered = nullptr;
    DWORD waited = 0;
    for (;;) {
        if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) {
            result.finished = true;
            break;
        }
        waited += 50;
        if (waited >= options.timeoutMs)
            break;
        if (answered && IsWindow(answered) && IsWindowVisible(answered))
            continue; // the box we pressed is still closing
        BoxSearch search = {process.dwProcessId, nullptr};
        EnumWindows(FindBox, (LPARAM)&search);
        if (!search.found)
            continue;
        Sleep(100); // let the box finish drawing its controls
        result.boxes.push_back(Describe(search.found));
        int button = nextAnswer < options.answers.size() ? options.answers[nextAnswer++] : IDOK;
        Press(search.found, button);
        answered = search.found;
    }
    if (!result.finished) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 5000);
    }
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (traceFile != INVALID_HANDLE_VALUE) {
        CloseHandle(traceFile);
        result.trace = ReadTextFile(tracePath);
    }
    return result;
}

std::vector<std::string> Bench::RawLog() const
{
    std::vector<std::string> lines;
    std::istringstream in(ReadTextFile(logPath));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
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

std::string ReadTextFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
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
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (strcmp(found.cFileName, ".") && strcmp(found.cFileName, ".."))
                RemoveTree(path + "\\" + found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

void MakeDirs(const std::string& path)
{
    for (size_t i = 3; i <= path.size(); i++) {
        if (i == path.size() || path[i] == '\\')
            CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    }
}

std::string UnixToWindowsPath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
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

} // namespace scenario
