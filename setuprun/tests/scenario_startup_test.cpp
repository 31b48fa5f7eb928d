// Start-up of a run: finding the script, the options, the working copy,
// clean start and resume, and the boxes shown when start-up fails.
#include <gtest/gtest.h>

#include "scenario_bench.h"

using namespace scenario;

namespace {

const char kUsageText[] = "Usage:  setuprun.exe <script> -silent -noreboot -resume\n\n"
                          "<script> is either full path or just name if in same dir as EXE; "
                          "it must not hold a \"-\" (the name ends at the first one).\n"
                          "-silent will  suppress all GUI prompts\n"
                          "-noreboot will suppress reboots\n"
                          "-resume will force a resume of the INI file processing\n\n";

// A script whose every command adds 1 to [DATA] RunCount.
std::string CounterScript(const Bench& b, int commands, const std::string& extraData = "")
{
    std::string text = "[Data]\n" + b.LogKeys() + extraData + "[CommandsList]\n";
    for (int i = 0; i < commands; i++)
        text += "5\n";
    return text;
}

TEST(StartUp, WithoutArgumentRunsTheScriptNamedAfterTheProgram)
{
    Bench b;
    b.WriteScript("setuprun.INI", CounterScript(b, 2));
    RunResult r = b.Run("");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(0u, r.exitCode);
    EXPECT_TRUE(r.boxes.empty());
    EXPECT_EQ("2", b.WorkingKey("setuprun.INI", "DATA", "RunCount"));
    EXPECT_TRUE(ContainsInOrder(
        b.Log(), {"InitINIFile() " + b.programDir + "\\setuprun.INI has been copied to " + b.tempDir + "setuprun.INI",
                  "InitINIFile() The INI file in use is " + b.tempDir + "setuprun.INI", "DONE !"}));
}

TEST(StartUp, LongProgramNamesAreCutOnlyWhereTheyAreShown)
{
    Bench b;
    std::string base(70, 'p');
    b.RenameProgram(base + ".exe");
    b.WriteScript(base + ".INI", CounterScript(b, 1));
    ASSERT_TRUE(b.Run("").finished);
    EXPECT_EQ("1", b.WorkingKey(base + ".INI", "DATA", "RunCount")) << "the default script keeps the whole name";
    // Log lines carry the name cut to 63 characters.
    std::string shown = base.substr(0, 63);
    bool found = false;
    for (const std::string& line : b.RawLog())
        found |= line.find("  " + shown + "> DONE !") != std::string::npos;
    EXPECT_TRUE(found) << JoinLines(b.RawLog());
}

TEST(StartUp, RelativeScriptIsTakenBesideTheProgramNotTheCurrentDirectory)
{
    Bench b;
    b.WriteScript("rel.ini", CounterScript(b, 1));
    // A decoy of the same name in the current directory of the run.
    WriteTextFile(b.root + "\\rel.ini", CounterScript(b, 3));
    RunResult r = b.Run("rel.ini -silent");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ("1", b.WorkingKey("rel.ini", "DATA", "RunCount"));
}

TEST(StartUp, FullPathScriptAndOptionsWrittenIntoTheWorkingCopy)
{
    Bench b;
    MakeDirs(b.root + "\\scripts");
    std::string source = b.WriteScript(b.root + "\\scripts\\kit.ini", CounterScript(b, 1));
    std::string before = ReadTextFile(source);
    RunResult r = b.Run(source + " -silent -noreboot");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ("1", b.WorkingKey("kit.ini", "DATA", "SilentMode"));
    EXPECT_EQ("1", b.WorkingKey("kit.ini", "DATA", "SuppressReboot"));
    EXPECT_EQ("1", b.WorkingKey("kit.ini", "DATA", "RunCount"));
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"InitINIFile() -noreboot given...will suppress reboots",
                                          "InitINIFile() -silent given...will run silent"}));
    EXPECT_EQ(before, ReadTextFile(source)) << "the source script was written";
}

TEST(StartUp, CleanStartCopiesTheSourceAgainEveryTime)
{
    Bench b;
    b.WriteScript("clean.ini", CounterScript(b, 2));
    ASSERT_TRUE(b.Run("clean.ini").finished);
    ASSERT_TRUE(b.Run("clean.ini").finished);
    EXPECT_EQ("2", b.WorkingKey("clean.ini", "DATA", "RunCount")) << "the second run did not start clean";
    std::vector<std::string> log = b.Log();
    EXPECT_EQ(2, CountLines(log, "InitINIFile() system will be forcing a clean start."));
    EXPECT_EQ(2, CountLines(log, "InitINIFile() To force a resume add [DATA]:ForceCleanStart=0 or use -resume in "
                                 "command line."));
}

// Makes a working copy that stopped before command `position` of three
// counter commands, as a restart would leave it.
void InterruptAt(const Bench& b, const std::string& name, int position)
{
    std::string copy = b.WorkingCopy(name);
    WritePrivateProfileStringA("Commands", "CurrentCmd", std::to_string(position).c_str(), copy.c_str());
    WritePrivateProfileStringA("DATA", "RunCount", "10", copy.c_str());
}

TEST(StartUp, ResumeContinuesAtTheRecordedCommand)
{
    Bench b;
    b.WriteScript("res.ini", CounterScript(b, 3, "ForceCleanStart=0\n"));
    ASSERT_TRUE(b.Run("res.ini").finished);
    EXPECT_EQ("3", b.WorkingKey("res.ini", "DATA", "RunCount"));
    InterruptAt(b, "res.ini", 1);
    b.ClearLog();
    ASSERT_TRUE(b.Run("res.ini").finished);
    EXPECT_EQ("12", b.WorkingKey("res.ini", "DATA", "RunCount")) << "commands 1 and 2 should have run";
    std::vector<std::string> log = b.Log();
    EXPECT_TRUE(ContainsInOrder(log, {"InitINIFile() system will resume and not force a clean start.",
                                      "InitCommandSection()  continuing with [CommandsList]",
                                      "CMD1> CMD05_IncRunningCounter: 5 ", "CMD2> CMD05_IncRunningCounter: 5 ",
                                      "No More commands ", "DONE !"}));
    EXPECT_EQ(0, CountLines(log, "CMD0> CMD05_IncRunningCounter: 5 "));
}

// A run killed while Wine rewrote its working copy leaves it empty; one
// cut short may keep [Data] alone. Either is found at the next start,
// logged, and the run starts afresh from the source script, never ending
// as a finished run that ran nothing.
TEST(StartUp, DamagedWorkingCopyStartsAfreshFromTheScript)
{
    Bench b;
    const struct {
        const char* how;
        std::string copyText; // what the interruption left
        const char* damage;
        const char* arguments;
        std::string extraData;
    } cases[] = {
        {"empty, resumed by ForceCleanStart=0", "", "it holds no section", "", "ForceCleanStart=0\n"},
        {"empty, resumed by -resume", "", "it holds no section", "-resume", ""},
        {"blank lines only", "\n\n", "it holds no section", "-resume", ""},
        {"[Data] alone", "[Data]\nRunCount=1\n", "its [CommandsList] is missing", "-resume", ""},
        {"cut before [Commands]", "[Data]\nRunCount=1\n[CommandsList]\n5\n[State]\nCurrentSection=CommandsList\n",
         "it was started but holds no [Commands]", "-resume", ""},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        std::string name = "damaged" + std::to_string(i) + ".ini";
        b.WriteScript(name, CounterScript(b, 5, cases[i].extraData));
        ASSERT_TRUE(b.Run(name + " -silent").finished);
        ASSERT_EQ("5", b.WorkingKey(name, "DATA", "RunCount"));
        std::string copy = b.WorkingCopy(name);
        WriteTextFile(copy, cases[i].copyText);
        b.ClearLog();
        ASSERT_TRUE(b.Run(name + " " + cases[i].arguments).finished) << cases[i].how;
        std::vector<std::string> log = b.Log();
        EXPECT_TRUE(ContainsInOrder(log, {"ERROR-=- working copy " + copy + " is damaged (" + cases[i].damage +
                                              "): starting afresh from " + b.programDir + "\\" + name,
                                          "InitINIFile() " + b.programDir + "\\" + name + " has been copied to " + copy,
                                          "InitCommandSection()  starting from [CommandsList]",
                                          "CMD0> CMD05_IncRunningCounter: 5 ", "CMD4> CMD05_IncRunningCounter: 5 ",
                                          "No More commands ", "DONE !"}))
            << cases[i].how;
        EXPECT_EQ("5", b.WorkingKey(name, "DATA", "RunCount")) << cases[i].how;

        // The fresh copy is whole again: the next resume continues it.
        b.ClearLog();
        ASSERT_TRUE(b.Run(name + " -resume").finished);
        log = b.Log();
        EXPECT_TRUE(ContainsInOrder(log, {"InitCommandSection()  continuing with [CommandsList]", "DONE !"}));
        for (const std::string& line : log)
            EXPECT_EQ(std::string::npos, line.find("is damaged")) << cases[i].how;
    }

    // A source without a command list: the fresh copy cannot start either,
    // and the start says so instead of finishing.
    b.WriteScript("nolist.ini", "[Data]\n" + b.LogKeys() + "ForceCleanStart=0\n");
    WriteTextFile(b.WorkingCopy("nolist.ini"), "");
    b.ClearLog();
    ASSERT_TRUE(b.Run("nolist.ini -silent").finished);
    std::vector<std::string> log = b.Log();
    EXPECT_TRUE(ContainsInOrder(log, {"ERROR-=- working copy " + b.WorkingCopy("nolist.ini") +
                                          " is damaged (it holds no section): starting afresh from " + b.programDir +
                                          "\\nolist.ini",
                                      "ERROR -  Cannot initialize commands section"}));
    EXPECT_EQ(0, CountLines(log, "DONE !"));
}

TEST(StartUp, ResumeOptionOverridesForceCleanStart)
{
    Bench b;
    b.WriteScript("opt.ini", CounterScript(b, 3));
    ASSERT_TRUE(b.Run("opt.ini").finished);
    InterruptAt(b, "opt.ini", 2);
    b.ClearLog();
    ASSERT_TRUE(b.Run("opt.ini -resume").finished);
    EXPECT_EQ("11", b.WorkingKey("opt.ini", "DATA", "RunCount"));
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"InitINIFile() -resume given...will force a resume.",
                                          "InitCommandSection()  continuing with [CommandsList]"}));
}

TEST(StartUp, ResumeWithoutWorkingCopyStartsFromAFreshCopy)
{
    Bench b;
    b.WriteScript("fresh.ini", CounterScript(b, 2, "ForceCleanStart=0\n"));
    ASSERT_TRUE(b.Run("fresh.ini -resume").finished);
    EXPECT_EQ("2", b.WorkingKey("fresh.ini", "DATA", "RunCount"));
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"InitINIFile() " + b.programDir + "\\fresh.ini has been copied to " +
                                              b.tempDir + "fresh.ini",
                                          "InitCommandSection()  starting from [CommandsList]"}));
}

TEST(StartUp, OptionsGivenOnceStayInForceForLaterResumes)
{
    Bench b;
    b.WriteScript("keep.ini", CounterScript(b, 1, "ForceCleanStart=0\n"));
    ASSERT_TRUE(b.Run("keep.ini -silent -noreboot").finished);
    b.WriteScript("keep.ini", "[Data]\n" + b.LogKeys() + "ForceCleanStart=0\n[CommandsList]\n5\n5\n");
    ASSERT_TRUE(b.Run("keep.ini").finished);
    EXPECT_EQ("1", b.WorkingKey("keep.ini", "DATA", "SilentMode"));
    EXPECT_EQ("1", b.WorkingKey("keep.ini", "DATA", "SuppressReboot"));
}

TEST(StartUp, MissingScriptShowsTheUsageBoxUnlessSilent)
{
    Bench b;
    RunResult r = b.Run("missing.ini");
    ASSERT_TRUE(r.finished);
    ASSERT_EQ(1u, r.boxes.size());
    EXPECT_EQ("Vorlix Setup Utility - setuprun.exe", r.boxes[0].caption);
    EXPECT_EQ(kUsageText, r.boxes[0].text);
    EXPECT_EQ(std::vector<int>{IDOK}, r.boxes[0].buttons);

    // -silent holds even when the script cannot be found: an unattended
    // run must never wait for a box.
    r = b.Run("missing.ini -silent");
    ASSERT_TRUE(r.finished);
    EXPECT_TRUE(r.boxes.empty());
    EXPECT_FALSE(FileExists(b.WorkingCopy("missing.ini")));
    EXPECT_FALSE(FileExists(b.logPath));

    // Without an argument and without <program>.INI: the same box.
    r = b.Run("");
    ASSERT_TRUE(r.finished);
    ASSERT_EQ(1u, r.boxes.size());
    EXPECT_EQ(kUsageText, r.boxes[0].text);

    // A script whose name holds a "-" is there, but the argument ends at
    // the "-": nothing runs, and the box says why.
    b.WriteScript("my-setup.ini", CounterScript(b, 1));
    r = b.Run("my-setup.ini");
    ASSERT_TRUE(r.finished);
    ASSERT_EQ(1u, r.boxes.size());
    EXPECT_EQ(kUsageText, r.boxes[0].text);
    EXPECT_FALSE(FileExists(b.WorkingCopy("my-setup.ini")));
}

TEST(StartUp, ScriptWithoutCommandListShowsTheInitializeBox)
{
    Bench b;
    b.WriteScript("empty.ini", "[Data]\n" + b.LogKeys() + "[CommandsList]\n; nothing yet\n");
    RunResult r = b.Run("empty.ini");
    ASSERT_TRUE(r.finished);
    ASSERT_EQ(1u, r.boxes.size());
    EXPECT_EQ("Vorlix Setup Utility - setuprun.exe", r.boxes[0].caption);
    EXPECT_EQ("Cannot initialize commands section...check log file...", r.boxes[0].text);
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"**   Starting section >CommandsList<",
                                          "ERROR-=-  section [CommandsList] is empty..cannot initialize",
                                          "ERROR -  Cannot initialize commands section"}));
    EXPECT_EQ(0, CountLines(b.Log(), "DONE !"));

    b.ClearLog();
    r = b.Run("empty.ini -silent");
    ASSERT_TRUE(r.finished);
    EXPECT_TRUE(r.boxes.empty());
    EXPECT_EQ(1, CountLines(b.Log(), "ERROR -  Cannot initialize commands section"));
}

TEST(StartUp, WorkingCopyFailureIsLoggedAndEndsTheStart)
{
    Bench b;
    b.WriteScript("nocopy.ini", CounterScript(b, 1));
    RunOptions options;
    options.tempDir = b.root + "\\no\\such\\dir\\";
    RunResult r = b.Run("nocopy.ini -silent", options);
    ASSERT_TRUE(r.finished);
    EXPECT_TRUE(r.boxes.empty());
    std::vector<std::string> log = b.Log();
    std::string failure = "ERROR-=-function CopyFile() failed on src=" + b.programDir +
                          "\\nocopy.ini, dst=" + options.tempDir + "nocopy.ini";
    bool found = false;
    for (const std::string& line : log) {
        if (line.rfind("InitINIandLogFiles() -  Error=3, ", 0) == 0 &&
            line.size() > failure.size() && line.compare(line.size() - failure.size(), failure.size(), failure) == 0)
            found = true;
    }
    EXPECT_TRUE(found) << JoinLines(log);
    EXPECT_EQ(1, CountLines(log, "ERROR -  cannot initialize"));
}

TEST(StartUp, TemporaryDirectoryBesideTheProgramOrScriptMovesToCTemp)
{
    Bench b;
    b.WriteScript("tmpprog.ini", CounterScript(b, 1));
    RunOptions options;
    options.tempDir = b.programDir + "\\";
    std::string source = b.programDir + "\\tmpprog.ini";
    std::string before = ReadTextFile(source);
    ASSERT_TRUE(b.Run("tmpprog.ini -silent", options).finished);
    EXPECT_EQ("1", ReadKey("c:\\temp\\tmpprog.ini", "DATA", "RunCount"));
    EXPECT_EQ(before, ReadTextFile(source));

    // A script given by full path inside the temporary directory would be
    // its own working copy: it moves to c:\temp\ too.
    MakeDirs(b.root + "\\scripttemp");
    std::string inTemp = b.WriteScript(b.root + "\\scripttemp\\tmpscr.ini", CounterScript(b, 1));
    before = ReadTextFile(inTemp);
    options.tempDir = b.root + "\\scripttemp\\";
    ASSERT_TRUE(b.Run(inTemp + " -silent", options).finished);
    EXPECT_EQ(before, ReadTextFile(inTemp)) << "the source script was written";
    EXPECT_EQ("1", ReadKey("c:\\temp\\tmpscr.ini", "DATA", "RunCount"));
    DeleteFileA("c:\\temp\\tmpprog.ini");
    DeleteFileA("c:\\temp\\tmpscr.ini");
}

TEST(StartUp, OverlongCommandLineIsRefused)
{
    Bench b;
    std::string name(300, 'a');
    RunResult r = b.Run(name + ".ini -silent");
    ASSERT_TRUE(r.finished);
    EXPECT_TRUE(r.boxes.empty());

    // Long option text after a good script name is harmless.
    b.WriteScript("ok.ini", CounterScript(b, 1));
    r = b.Run("ok.ini -silent " + std::string(400, 'x'));
    ASSERT_TRUE(r.finished);
    EXPECT_EQ("1", b.WorkingKey("ok.ini", "DATA", "RunCount"));
}

TEST(StartUp, UnreadableAndBinaryScriptsEndWithoutHarm)
{
    Bench b;
    // Opened elsewhere without sharing: neither readable nor copyable.
    std::string locked = b.WriteScript("locked.ini", CounterScript(b, 1));
    HANDLE h = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    RunResult r = b.Run("locked.ini -silent");
    CloseHandle(h);
    ASSERT_TRUE(r.finished);
    EXPECT_TRUE(r.boxes.empty());
    EXPECT_FALSE(FileExists(b.WorkingCopy("locked.ini")));

    // Binary bytes around a readable [Data] section and command list.
    std::string binary = "[Data]\r\n" + b.LogKeys() + "\r\n";
    for (int i = 0; i < 4096; i++)
        binary += (char)((i * 37 + 11) % 256);
    binary += "\r\n[CommandsList]\r\n5\r\n";
    std::string path = b.programDir + "\\binary.ini";
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    fwrite(binary.data(), 1, binary.size(), f);
    fclose(f);
    r = b.Run("binary.ini -silent");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(1, CountLines(b.Log(), "DONE !")) << JoinLines(b.Log());
}

} // namespace
