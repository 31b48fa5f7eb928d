// The example scripts of examples/ (not the demo) run as their headers say:
// each is put beside the real setuprun.exe, with the folder of its own name
// when it has one, and run silently without restarts on the Windows
// versions of its rows, against the simulated firmware where a row names a
// machine. A RunOnce entry left by a run is run as Windows would run it
// after the restart. Every run must reach "DONE !" without a line that
// reports a failed step, through the lines that show its way. The examples
// write machine-wide keys and files, so this runs alone.
#include <gtest/gtest.h>
#include <shlwapi.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "firmware_sim_bench.h"
#include "scenario_bench.h"

using namespace scenario;

namespace {

const char kRunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

struct ExampleRun {
    const char* example;       // file name under examples/
    WindowsVersion version;
    const char* rom;           // simulated firmware ROM bytes; null: no firmware driver
    unsigned systemId;
    const char* runOnceValue;  // RunOnce entry the first run leaves for the restart; null: none
    const char* leavesKey;     // HKLM key the example installs, removed afterwards; null: none
    std::vector<std::string> expected; // log lines in this order, over all runs
};

const ExampleRun kRuns[] = {
    {"package.ini", WindowsVersion::Default, nullptr, 0, "VlxFiltSetup",
     "SYSTEM\\CurrentControlSet\\Services\\vlxfilt",
     {" First part: registry values and files",
      "...adding key:  HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\vlxfilt\\Start",
      "...adding key:  HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\vlxfilt\\Parameters\\Channels",
      "...adding key:  HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\vlxfilt\\Parameters\\PollInterval",
      "...adding key:  HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\VlxFiltSetup",
      "Not setting to reboot system since SuppressReboot is set ", "DONE !",
      "InitINIFile() -resume given...will force a resume.", "InitCommandSection()  continuing with [CommandsList]",
      " Second part: after the restart", " vlxfilt installed", "DONE !"}},
    {"versions.ini", WindowsVersion::Win95, nullptr, 0, nullptr, nullptr,
     {"  Setting next section to:  Win95", " Windows 95: the bay tools use the VxD",
      "  Setting next section to:  AskUser", "  Setting next section to:  InstallTools",
      "...adding key:  HKEY_CURRENT_USER\\Software\\Vorlix\\BayTools\\Driver", " Bay tools installed", "DONE !"}},
    {"versions.ini", WindowsVersion::NT4, nullptr, 0, nullptr, nullptr,
     {"  Setting next section to:  WinNT4", " Windows NT 4.0: the bay tools use the kernel driver",
      "  Setting next section to:  InstallTools", " Bay tools installed", "DONE !"}},
    {"versions.ini", WindowsVersion::Default, nullptr, 0, nullptr, nullptr,
     {"  Setting next section to:  OtherWindows", " This Windows has no bay tools: nothing to install", "DONE !"}},
    {"identity.ini", WindowsVersion::Win2000, "VORLIX", 0x0C20, nullptr, nullptr,
     {"  This is a Vorlix.", "  Setting next section to:  VorlixMachine", "  This is a Vorlix with ID  0X0C20",
      "  Setting next section to:  BayModel", " Bay support installed", "DONE !"}},
    {"identity.ini", WindowsVersion::Win2000, "VORLIX", 0x0B00, nullptr, nullptr,
     {"  This is a Vorlix.", "This is not a supported Vorlix  The ID 0X0B00 was not found in list.",
      "  Setting next section to:  NoBayModel", " This model has no bay: nothing to install", "DONE !"}},
    {"identity.ini", WindowsVersion::Default, nullptr, 0, nullptr, nullptr,
     {"  This is not a Vorlix.", "  Setting next section to:  OtherMachine",
      " Not a Vorlix machine: nothing to install", "DONE !"}},
};

std::string ExamplesDir()
{
    return BuiltFile("tests/examples");
}

// The example scripts of the build's copy of examples/, the demo left out.
std::vector<std::string> ExampleScripts()
{
    std::vector<std::string> names;
    ForEachEntry(ExamplesDir(), [&](const std::string& name, bool isDirectory) {
        size_t dot = name.size() > 4 ? name.size() - 4 : 0;
        if (!isDirectory && _stricmp(name.c_str() + dot, ".ini") == 0 && _stricmp(name.c_str(), "demo.ini") != 0)
            names.push_back(name);
    });
    return names;
}

// The lines by which the runner reports a step that failed. The firmware
// driver's load records ("WARNING ERROR-=-") are not among them: without
// the driver beside the program they are expected.
bool ReportsFailure(const std::string& line)
{
    static const char* const kStarts[] = {"ERROR", "Error", "...ERROR", "FATAL-=-", "FAIL - "};
    for (const char* start : kStarts) {
        if (line.compare(0, strlen(start), start) == 0)
            return true;
    }
    return false;
}

// Reads and deletes a value of the RunOnce key, as Windows does when it runs it.
std::string TakeRunOnceValue(const char* name)
{
    std::string value;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return value;
    char data[1024];
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, (BYTE*)data, &size) == ERROR_SUCCESS && type == REG_SZ) {
        data[size] = '\0';
        value = data;
    }
    RegDeleteValueA(key, name);
    RegCloseKey(key);
    return value;
}

TEST(Examples, EveryExampleRunsAsItsHeaderSays)
{
    std::vector<std::string> scripts = ExampleScripts();
    ASSERT_FALSE(scripts.empty()) << "no example scripts in " << ExamplesDir();
    for (const std::string& script : scripts) {
        bool covered = std::any_of(std::begin(kRuns), std::end(kRuns),
                                   [&](const ExampleRun& run) { return script == run.example; });
        EXPECT_TRUE(covered) << "examples/" << script << " has no row in the table";
    }

    for (size_t i = 0; i < sizeof kRuns / sizeof kRuns[0]; i++) {
        const ExampleRun& run = kRuns[i];
        SCOPED_TRACE("row " + std::to_string(i) + ": " + run.example);
        Bench b(run.version);
        std::unique_ptr<FirmwareSim> sim;
        if (run.rom) {
            sim.reset(new FirmwareSim);
            sim->SetRom(run.rom);
            sim->SetSystemId(run.systemId);
            sim->PlaceNtDriver(b.programDir);
        }
        std::string example = run.example;
        std::string script = b.programDir + "\\" + example;
        ASSERT_TRUE(CopyFileA((ExamplesDir() + "\\" + example).c_str(), script.c_str(), FALSE));
        std::string folder = example.substr(0, example.size() - 4);
        if (FileExists(ExamplesDir() + "\\" + folder))
            CopyTree(ExamplesDir() + "\\" + folder, b.programDir + "\\" + folder);
        // The log goes where the bench reads it, whatever folder the header names.
        WritePrivateProfileStringA("Data", "LogFile", b.logPath.c_str(), script.c_str());
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, script.c_str());

        if (run.runOnceValue)
            TakeRunOnceValue(run.runOnceValue); // left by an earlier, failed run
        ASSERT_TRUE(b.Run(example + " -silent -noreboot").finished);
        int runs = 1;
        if (run.runOnceValue) {
            // What Windows runs after the restart: the quoted program, then its arguments.
            std::string entry = TakeRunOnceValue(run.runOnceValue);
            std::string program = "\"" + b.programPath + "\" ";
            ASSERT_EQ(0u, entry.find(program)) << "RunOnce entry >" << entry << "<";
            std::string arguments = entry.substr(program.size());
            ASSERT_NE(std::string::npos, arguments.find("-resume")) << arguments;
            // The options again: an entry that started the script afresh
            // must not restart the bench's Wine session.
            ASSERT_TRUE(b.Run(arguments + " -silent -noreboot").finished);
            runs++;
        }

        std::vector<std::string> log = b.Log();
        EXPECT_TRUE(ContainsInOrder(log, run.expected));
        EXPECT_EQ(runs, CountLines(log, "DONE !")) << JoinLines(log);
        for (const std::string& line : log)
            EXPECT_FALSE(ReportsFailure(line)) << line;
        if (run.leavesKey) {
            EXPECT_EQ(ERROR_SUCCESS, (LONG)SHDeleteKeyA(HKEY_LOCAL_MACHINE, run.leavesKey)) << run.leavesKey;
        }
    }
}

} // namespace
