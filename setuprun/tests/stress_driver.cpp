// The stress run: setuprun.exe on thousands of mutated scripts under Wine,
// from one process, so that Wine's start-up is paid once.
//   setuprun_stress <cases> [first case] [parallel runs]
// Every case gets a directory of its own (program, script, temporary
// directory, files) and a registry key of its own, and a time bound. A
// case fails when setuprun ends by an exception, runs past its bound
// without a loop in its script, or changes the script it was given.
#include <windows.h>
#include <shlwapi.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "embedded_files.h"
#include "script_mutator.h"

namespace stress_files {
extern const testkit::EmbeddedFile kEmbeddedFiles[];
} // namespace stress_files

namespace {

const char kRoot[] = "C:\\srstress";        // the program every case copies
const char kCaseRootPrefix[] = "C:\\srs-";   // C:\srs-c000001 ...
const char kKeyRoot[] = "Software\\SrStress";
const DWORD kBoundMs = 60000;     // far beyond any seed's run, even on a busy machine
const DWORD kLoopBoundMs = 4000;  // a script that loops by design is cut short
const DWORD kProgressWindowMs = 3000; // a run at its bound is watched this long more
const int kResumeEvery = 4;       // every fourth case is also resumed
HANDLE g_nul = INVALID_HANDLE_VALUE;
long g_startRetries = 0;

std::string Embedded(const char* name)
{
    std::string text;
    if (!testkit::FindEmbeddedFile(stress_files::kEmbeddedFiles, name, &text))
        fprintf(stderr, "stress: no embedded file %s\n", name);
    return text;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// The seeds, by weight: the demo (slow: it waits for a program and appends
// a file) one case in ten.
const char* const kSeedSlots[] = {"demo.ini", "registry.ini", "files.ini", "flow.ini", "endings.ini",
                                  "registry.ini", "files.ini", "flow.ini", "endings.ini", "flow.ini"};
const int kSeedSlotCount = sizeof kSeedSlots / sizeof kSeedSlots[0];
const char* const kSeeds[] = {"demo.ini", "registry.ini", "files.ini", "flow.ini", "endings.ini"};
const int kSeedCount = sizeof kSeeds / sizeof kSeeds[0];

std::string SeedFor(const char* name, const std::string& caseDir, const std::string& key)
{
    std::string text = Embedded(name);
    ReplaceAll(text, "C:\\demo\\work", caseDir + "\\work");
    ReplaceAll(text, "Software\\VorlixDemo", key);
    ReplaceAll(text, "@CASE@", caseDir);
    ReplaceAll(text, "@KEY@", key);
    // The demo logs where a machine of the maker keeps its log; a case
    // logs in its own folder, so that a cut run can be judged by its log.
    if (text.find("LogFile=") == std::string::npos)
        ReplaceAll(text, "Logging=1", "Logging=1\nLogFile=" + caseDir + "\\install.log");
    return text;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(h, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

bool ReadFileBytes(const std::string& path, std::string* bytes)
{
    bytes->clear();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes->append(chunk, got);
    CloseHandle(h);
    return true;
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0)
                continue;
            std::string child = path + "\\" + found.cFileName;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

// The environment of this process with TMP and TEMP replaced, as a block
// for CreateProcess: each parallel run has its own temporary directory.
std::vector<char> EnvironmentWithTemp(const std::string& temp)
{
    std::vector<char> block;
    char* strings = GetEnvironmentStringsA();
    for (const char* s = strings; s && *s; s += strlen(s) + 1) {
        if (_strnicmp(s, "TMP=", 4) == 0 || _strnicmp(s, "TEMP=", 5) == 0)
            continue;
        block.insert(block.end(), s, s + strlen(s) + 1);
    }
    FreeEnvironmentStringsA(strings);
    for (const char* name : {"TMP=", "TEMP="}) {
        std::string entry = name + temp;
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back('\0');
    }
    block.push_back('\0');
    return block;
}

enum class Outcome { Ended, Crashed, TimedOut, NotStarted };

struct RunOutcome {
    Outcome outcome = Outcome::NotStarted;
    DWORD exitCode = 0;
    DWORD ms = 0;
    bool stillWorking = false;     // cut at the bound while its log or working copy still changed
    bool positionWentBack = false; // the recorded position moved back meanwhile: a loop
};

// [Commands] CurrentCmd of a working copy's text, or -1.
long RecordedPosition(const std::string& copy)
{
    size_t at = copy.find("\nCurrentCmd=");
    return at == std::string::npos ? -1 : atol(copy.c_str() + at + 12);
}

// Runs setuprun in a job, so that a run cut at its bound takes the
// programs it started with it.
RunOutcome RunSetuprun(const std::string& caseDir, const std::string& arguments, DWORD boundMs)
{
    RunOutcome result;
    std::string line = "\"" + caseDir + "\\setuprun.exe\" " + arguments;
    std::vector<char> mutableLine(line.begin(), line.end());
    mutableLine.push_back('\0');
    std::vector<char> environment = EnvironmentWithTemp(caseDir + "\\tmp\\");
    // What the programs of a script print is of no interest; Wine's own
    // reports of a crash go to the standard error, which stays.
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = g_nul;
    startup.hStdOutput = g_nul;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process;
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    DWORD start = GetTickCount();
    // Wine under heavy load now and then refuses a start (1359): tried
    // again after a pause, and counted.
    BOOL started = FALSE;
    for (int attempt = 0; attempt < 3 && !started; attempt++) {
        if (attempt > 0) {
            InterlockedIncrement(&g_startRetries);
            Sleep(500);
        }
        started = CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                                 environment.data(), caseDir.c_str(), &startup, &process);
    }
    if (!started) {
        fprintf(stderr, "stress: cannot start %s: %lu\n", line.c_str(), GetLastError());
        if (job)
            CloseHandle(job);
        return result;
    }
    if (job)
        AssignProcessToJobObject(job, process.hProcess);
    ResumeThread(process.hThread);
    if (WaitForSingleObject(process.hProcess, boundMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &result.exitCode);
        // setuprun always ends with 0: anything else is an exception code
        // or Wine's end of a crashed program.
        result.outcome = result.exitCode == 0 ? Outcome::Ended : Outcome::Crashed;
    } else {
        result.outcome = Outcome::TimedOut;
        // A run whose log still grows is working, only slowly (a script
        // made huge costs time with every command it records).
        // The working copy shows it too, also when the log is off: its
        // position moves on, and moves back in a loop.
        std::string log, copy, logAfter, copyAfter;
        ReadFileBytes(caseDir + "\\install.log", &log);
        ReadFileBytes(caseDir + "\\tmp\\s.ini", &copy);
        long position = RecordedPosition(copy);
        for (DWORD watched = 0; watched < kProgressWindowMs; watched += 100) {
            WaitForSingleObject(process.hProcess, 100);
            ReadFileBytes(caseDir + "\\tmp\\s.ini", &copyAfter);
            long now = RecordedPosition(copyAfter);
            result.positionWentBack = result.positionWentBack || now < position;
            position = now;
        }
        ReadFileBytes(caseDir + "\\install.log", &logAfter);
        result.stillWorking = logAfter.size() > log.size() || copyAfter != copy;
        if (job)
            TerminateJobObject(job, 1);
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 10000);
    }
    result.ms = GetTickCount() - start;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (job)
        CloseHandle(job);
    return result;
}

// A cycle shows in the log as the same command number run again and again.
bool LogShowsCycle(const std::string& log)
{
    std::vector<std::string> seen;
    for (size_t at = log.find("  setuprun.exe> CMD"); at != std::string::npos;
         at = log.find("  setuprun.exe> CMD", at + 1)) {
        size_t end = log.find('>', at + 19);
        if (end == std::string::npos)
            break;
        std::string label = log.substr(at + 16, end - at - 16);
        int count = 0;
        for (const std::string& s : seen)
            count += s == label;
        if (count >= 2)
            return true;
        seen.push_back(label);
    }
    return false;
}

// The last command the log shows, "CMD<n>> <name>", or "".
std::string LastCommand(const std::string& log)
{
    size_t at = log.rfind("  setuprun.exe> CMD");
    if (at == std::string::npos)
        return std::string();
    size_t end = log.find_first_of(":\r\n", at);
    return log.substr(at + 16, (end == std::string::npos ? log.size() : end) - at - 16);
}

struct Totals {
    CRITICAL_SECTION lock;
    long runs = 0, crashes = 0, hangs = 0, changes = 0;
    long loopsByDesign = 0, loopsSeen = 0, waits = 0, slow = 0, setupFailures = 0, deletedByScript = 0;
    DWORD slowestMs = 0;
    bool benchDamaged = false;
};

struct Work {
    long next;
    long end;
    std::string exe;
    Totals* totals;
};

void Report(Totals* totals, long caseNumber, const char* seed, const stress::Mutated& m, const char* what,
            const std::string& detail)
{
    EnterCriticalSection(&totals->lock);
    printf("case %ld (%s, %s): %s%s%s\n", caseNumber, seed, m.kinds.c_str(), what, detail.empty() ? "" : ": ",
           detail.c_str());
    fflush(stdout);
    LeaveCriticalSection(&totals->lock);
}

// What Wine needs to go on: a case that deleted them spoiled the bench.
bool BenchIntact()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    char system[MAX_PATH] = "";
    GetSystemDirectoryA(system, sizeof system);
    return GetFileAttributesA((std::string(system) + "\\kernel32.dll").c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RunCase(Work* work, long caseNumber)
{
    Totals* totals = work->totals;
    char name[32];
    snprintf(name, sizeof name, "c%06ld", caseNumber);
    // A folder of its own at the top of the drive: a script cut short by
    // a NUL or a deleted line deletes at most a part of its own path, and
    // no part of it holds another case or the program they all copy.
    std::string caseDir = std::string(kCaseRootPrefix) + name;
    std::string key = std::string(kKeyRoot) + "\\" + name;
    RemoveTree(caseDir);

    // The first cases apply each mutation alone to each seed; then mixes.
    const int single = stress::MutationCount() * kSeedCount;
    const char* seed = caseNumber < single ? kSeeds[caseNumber / stress::MutationCount()]
                                           : kSeedSlots[(caseNumber * 7) % kSeedSlotCount];
    int index = caseNumber < single ? (int)(caseNumber % stress::MutationCount()) : -1;
    stress::Mutated m = stress::MutateScript(SeedFor(seed, caseDir, key), 0x5EEDull + (uint64_t)caseNumber, index);

    bool ready = CreateDirectoryA(caseDir.c_str(), nullptr) && CreateDirectoryA((caseDir + "\\tmp").c_str(), nullptr) &&
                 CreateDirectoryA((caseDir + "\\payload").c_str(), nullptr) &&
                 CreateDirectoryA((caseDir + "\\payload\\docs").c_str(), nullptr) &&
                 CreateDirectoryA((caseDir + "\\work").c_str(), nullptr) &&
                 CreateDirectoryA((caseDir + "\\work\\old").c_str(), nullptr) &&
                 WriteFileBytes(caseDir + "\\payload\\notes.txt", "notes\r\n") &&
                 WriteFileBytes(caseDir + "\\payload\\docs\\manual.txt", "manual\r\n") &&
                 WriteFileBytes(caseDir + "\\work\\old\\readme.txt", "old\r\n") &&
                 WriteFileBytes(caseDir + "\\extra.ini", SeedFor("extra.ini", caseDir, key)) &&
                 WriteFileBytes(caseDir + "\\s.ini", m.script);
    // A copy, not a link: Wine refuses to delete a file whose image
    // another process runs, and links share that image.
    std::string program = caseDir + "\\setuprun.exe";
    ready = ready && CopyFileA(work->exe.c_str(), program.c_str(), FALSE);
    if (!ready) {
        Report(totals, caseNumber, seed, m, "cannot prepare the case", std::to_string(GetLastError()));
        InterlockedIncrement(&totals->setupFailures);
        return;
    }
    const uint64_t sourceHash = stress::HashBytes(m.script);
    bool failed = false;
    int runsOfCase = (caseNumber % kResumeEvery == 0) ? 2 : 1;
    for (int run = 0; run < runsOfCase; run++) {
        RunOutcome r = RunSetuprun(caseDir, run == 0 ? "s.ini -silent -noreboot" : "s.ini -silent -noreboot -resume",
                                   m.loopsByDesign ? kLoopBoundMs : kBoundMs);
        InterlockedIncrement(&totals->runs);
        std::string log;
        ReadFileBytes(caseDir + "\\install.log", &log);
        if (r.outcome == Outcome::NotStarted) {
            InterlockedIncrement(&totals->setupFailures);
            Report(totals, caseNumber, seed, m, "NOT STARTED", "");
            failed = true;
        } else if (r.outcome == Outcome::Crashed) {
            InterlockedIncrement(&totals->crashes);
            char code[32];
            snprintf(code, sizeof code, "exit code 0x%08lX", r.exitCode);
            Report(totals, caseNumber, seed, m, "CRASH", code);
            failed = true;
        } else if (r.outcome == Outcome::TimedOut) {
            std::string last = LastCommand(log);
            if (m.loopsByDesign) {
                InterlockedIncrement(&totals->loopsByDesign);
            } else if (LogShowsCycle(log) || r.positionWentBack) {
                // A damaged step or branch made a loop the generator did
                // not plan: the script loops, not the runner.
                InterlockedIncrement(&totals->loopsSeen);
            } else if (r.stillWorking) {
                InterlockedIncrement(&totals->slow);
                Report(totals, caseNumber, seed, m, "slow", "still working at the bound, at " + last);
            } else if (last.find("CMD13_Sleep") != std::string::npos ||
                       last.find("CMD11_SpawnProgram") != std::string::npos) {
                // A damaged time or a program that does not end: the
                // script waits as it says.
                InterlockedIncrement(&totals->waits);
            } else {
                InterlockedIncrement(&totals->hangs);
                Report(totals, caseNumber, seed, m, "HANG", "last logged command: " + last);
                failed = true;
            }
            break;
        }
        EnterCriticalSection(&totals->lock);
        if (r.outcome == Outcome::Ended && r.ms > totals->slowestMs)
            totals->slowestMs = r.ms;
        LeaveCriticalSection(&totals->lock);
        if (r.outcome != Outcome::Ended)
            break;
    }
    std::string after;
    if (!ReadFileBytes(caseDir + "\\s.ini", &after)) {
        // The runner never deletes a folder by itself: when the case's own
        // folder is gone, a delete command of the script took it.
        if (GetFileAttributesA(caseDir.c_str()) == INVALID_FILE_ATTRIBUTES) {
            InterlockedIncrement(&totals->deletedByScript);
        } else {
            InterlockedIncrement(&totals->changes);
            Report(totals, caseNumber, seed, m, "SOURCE DELETED", "its folder is still there");
            failed = true;
        }
    } else if (stress::HashBytes(after) != sourceHash) {
        InterlockedIncrement(&totals->changes);
        Report(totals, caseNumber, seed, m, "SOURCE CHANGED", std::to_string(after.size()) + " bytes now");
        failed = true;
    }
    if (!BenchIntact()) {
        totals->benchDamaged = true;
        Report(totals, caseNumber, seed, m, "BENCH DAMAGED", "Wine's own files or keys are gone");
        failed = true;
    }
    SHDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    if (!failed)
        RemoveTree(caseDir); // a failed case stays for a look
}

DWORD WINAPI Worker(void* context)
{
    Work* work = (Work*)context;
    for (;;) {
        long caseNumber = InterlockedIncrement(&work->next) - 1;
        if (caseNumber >= work->end || work->totals->benchDamaged)
            return 0;
        RunCase(work, caseNumber);
    }
}

std::string BuiltSetuprun()
{
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string tree(self, length < sizeof self ? length : 0);
    for (int level = 0; level < 2; level++)
        tree.erase(tree.find_last_of('\\') == std::string::npos ? 0 : tree.find_last_of('\\'));
    return tree + "\\bin\\setuprun.exe";
}

} // namespace

int main(int argc, char** argv)
{
    long cases = argc > 1 ? atol(argv[1]) : 300;
    long first = argc > 2 ? atol(argv[2]) : 0;
    int parallel = argc > 3 ? atoi(argv[3]) : 2;
    if (cases <= 0 || first < 0 || parallel < 1 || parallel > 16) {
        fprintf(stderr, "usage: setuprun_stress <cases> [first case] [parallel runs]\n");
        return 2;
    }
    // One copy on drive C: that every case copies.
    CreateDirectoryA(kRoot, nullptr);
    Work work;
    work.exe = std::string(kRoot) + "\\setuprun.exe";
    if (!CopyFileA(BuiltSetuprun().c_str(), work.exe.c_str(), FALSE)) {
        fprintf(stderr, "stress: cannot copy %s: %lu\n", BuiltSetuprun().c_str(), GetLastError());
        return 2;
    }
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    g_nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                        OPEN_EXISTING, 0, nullptr);
    Totals totals;
    InitializeCriticalSection(&totals.lock);
    work.next = first;
    work.end = first + cases;
    work.totals = &totals;
    DWORD start = GetTickCount();
    std::vector<HANDLE> threads;
    for (int i = 0; i < parallel; i++)
        threads.push_back(CreateThread(nullptr, 0, Worker, &work, 0, nullptr));
    for (HANDLE t : threads) {
        WaitForSingleObject(t, INFINITE);
        CloseHandle(t);
    }
    double seconds = (GetTickCount() - start) / 1000.0;
    printf("stress: cases %ld (from %ld, %d at a time), runs %ld, crashes %ld, hangs %ld, source changes %ld, "
           "cases not prepared or started %ld (starts tried again %ld)\n",
           cases, first, parallel, totals.runs, totals.crashes, totals.hangs, totals.changes, totals.setupFailures,
           g_startRetries);
    printf("stress: cut at the bound: %ld planned loops, %ld loops the damage made, %ld long waits, %ld still "
           "working; slowest finished run %.1f s; time %.1f s (%.0f ms a case)\n",
           totals.loopsByDesign, totals.loopsSeen, totals.waits, totals.slow, totals.slowestMs / 1000.0, seconds,
           seconds * 1000.0 / cases);
    printf("stress: %ld cases deleted their own folder, source included, by a delete command of the script\n",
           totals.deletedByScript);
    bool ok = totals.crashes == 0 && totals.hangs == 0 && totals.changes == 0 && totals.setupFailures == 0 &&
              !totals.benchDamaged;
    printf("stress: %s\n", ok ? "PASSED" : "FAILED");
    return ok ? 0 : 1;
}
