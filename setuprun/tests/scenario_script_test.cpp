// Compiling command lists into [Commands], the end of a list, pending
// branches and hand-made run states, and sections of every size.
#include <gtest/gtest.h>

#include "scenario_bench.h"

using namespace scenario;

namespace {

TEST(Script, CompilesEveryNonBlankLineAndSkipsComments)
{
    Bench b;
    b.WriteScript("comp.ini", "[Data]\n" + b.LogKeys() +
                                  "[CommandsList]\n"
                                  "  ; a pure comment line\n"
                                  "  5   ; count once\n"
                                  "\n"
                                  "32,Now copying ,the drivers,\n"
                                  "   ;   \n"
                                  "13\n");
    RunResult r = b.Run("comp.ini -silent");
    ASSERT_TRUE(r.finished);
    auto key = [&](const char* k) { return b.WorkingKey("comp.ini", "Commands", k); };
    EXPECT_EQ("5", key("Cmd0"));
    EXPECT_EQ("", key("FullCmdSection0"));
    EXPECT_EQ("<missing>", key("CmdSection0.0")) << "a line without comma has no fields";
    EXPECT_EQ("32", key("Cmd1"));
    EXPECT_EQ(",Now copying ,the drivers,", key("FullCmdSection1"));
    EXPECT_EQ("Now copying", key("CmdSection1.0"));
    EXPECT_EQ("the drivers", key("CmdSection1.1"));
    EXPECT_EQ("", key("CmdSection1.2")) << "a trailing comma gives an empty last field";
    EXPECT_EQ("<missing>", key("CmdSection1.3"));
    EXPECT_EQ("13", key("Cmd2"));
    EXPECT_EQ("<missing>", key("Cmd3"));
    EXPECT_EQ("3", key("CurrentCmd"));
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"InitCommandSection()  starting from [CommandsList]",
                                          "**   Starting section >CommandsList<",
                                          "InitCommandSection()  initializtion complete.",
                                          "CMD0> CMD05_IncRunningCounter: 5 ",
                                          "CMD1> CMD32_LogMsg: 32,Now copying ,the drivers, ",
                                          "CMD2> CMD13_Sleep: 13 ", "No More commands ", "DONE !"}));
}

TEST(Script, ThreeLinesWithOneCommentRunTwoCommandsThenEnd)
{
    Bench b;
    b.WriteScript("three.ini", "[Data]\n" + b.LogKeys() + "[CommandsList]\n5\n; skip me\n5\n");
    ASSERT_TRUE(b.Run("three.ini -silent").finished);
    std::vector<std::string> log = b.Log();
    EXPECT_TRUE(ContainsInOrder(log, {"CMD0> CMD05_IncRunningCounter: 5 ", "CMD1> CMD05_IncRunningCounter: 5 ",
                                      "No More commands ", "DONE !"}));
    EXPECT_EQ(1, CountLines(log, "No More commands "));
    EXPECT_EQ("2", b.WorkingKey("three.ini", "Commands", "CurrentCmd")) << "the end-of-list check does not advance";
}

TEST(Script, UndefinedTypesAreLoggedAndSkipped)
{
    Bench b;
    b.WriteScript("undef.ini", "[Data]\n" + b.LogKeys() + "[CommandsList]\n40,x\n-3\n36\n5\n");
    ASSERT_TRUE(b.Run("undef.ini -silent").finished);
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"CMD0> : 40,x ", "NOTICE:  CMD >40< not defined", "CMD1> : -3 ",
                                          "NOTICE:  CMD >-3< not defined", "CMD2> : 36 ",
                                          "NOTICE:  CMD >36< not defined", "CMD3> CMD05_IncRunningCounter: 5 "}));
    EXPECT_EQ("1", b.WorkingKey("undef.ini", "DATA", "RunCount"));
}

TEST(Script, ReservedTypesAreNotSupported)
{
    Bench b;
    b.WriteScript("resv.ini", "[Data]\n" + b.LogKeys() + "[CommandsList]\n22\n35,a,b\n");
    ASSERT_TRUE(b.Run("resv.ini -silent").finished);
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"CMD0> CMD22_DisplayWindow: 22 ", "  Not Supported yet.",
                                          "CMD1> CMD35_: 35,a,b ", "  Not Supported yet."}));
}

// A working copy stopped with a branch pending, as a branch command
// followed by a restart leaves it.
TEST(Script, PendingBranchIsCompiledAtTheRecordedCommandOnResume)
{
    Bench b;
    b.WriteScript("branch.ini", "[Data]\n" + b.LogKeys() +
                                    "ForceCleanStart=0\n"
                                    "[CommandsList]\n5\n5\n"
                                    "[Second]\n5\n32,in second\n5\n");
    ASSERT_TRUE(b.Run("branch.ini -silent").finished);
    std::string copy = b.WorkingCopy("branch.ini");
    ASSERT_EQ("2", ReadKey(copy, "Commands", "CurrentCmd"));
    WritePrivateProfileStringA("State", "NextSection", "Second", copy.c_str());
    b.ClearLog();

    ASSERT_TRUE(b.Run("branch.ini").finished);
    EXPECT_EQ("4", ReadKey(copy, "DATA", "RunCount"));
    EXPECT_EQ("5", ReadKey(copy, "Commands", "Cmd2"));
    EXPECT_EQ("32", ReadKey(copy, "Commands", "Cmd3"));
    EXPECT_EQ("Second", ReadKey(copy, "State", "CurrentSection"));
    EXPECT_EQ("", ReadKey(copy, "State", "NextSection"));
    EXPECT_EQ("5", ReadKey(copy, "Commands", "CurrentCmd"));
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"InitCommandSection()  starting from [Second]",
                                          "**   Starting section >Second<", "CMD2> CMD05_IncRunningCounter: 5 ",
                                          "CMD3> CMD32_LogMsg: 32,in second ", "CMD4> CMD05_IncRunningCounter: 5 ",
                                          "No More commands ", "DONE !"}));
}

TEST(Script, RecompiledNumbersLoseTheFieldsOfEarlierCommands)
{
    for (scenario::WindowsVersion version : {WindowsVersion::Default, WindowsVersion::Win98}) {
        Bench b(version);
        b.WriteScript("stale.ini", "[Data]\n" + b.LogKeys() +
                                       "ForceCleanStart=0\n"
                                       "[CommandsList]\n32,a,b,c,d\n32,e,f\n"
                                       "[Other]\n32\n");
        ASSERT_TRUE(b.Run("stale.ini -silent").finished);
        std::string copy = b.WorkingCopy("stale.ini");
        WritePrivateProfileStringA("Commands", "CurrentCmd", "0", copy.c_str());
        WritePrivateProfileStringA("State", "NextSection", "Other", copy.c_str());
        ASSERT_TRUE(b.Run("stale.ini").finished);
        EXPECT_EQ("32", ReadKey(copy, "Commands", "Cmd0"));
        EXPECT_EQ("", ReadKey(copy, "Commands", "FullCmdSection0"));
        for (const char* field : {"CmdSection0.0", "CmdSection0.1", "CmdSection0.3"})
            EXPECT_EQ("<missing>", ReadKey(copy, "Commands", field)) << field << " survived the recompile";
        EXPECT_EQ("e", ReadKey(copy, "Commands", "CmdSection1.0")) << "beyond the compiled numbers keys stay";
    }
}

TEST(Script, HandMadeStatesNeverLoopAtTheEndOfTheList)
{
    Bench b;
    // A pending branch while [Commands] holds no command 0.
    b.WriteScript("hand1.ini", "[Data]\n" + b.LogKeys() +
                                   "[State]\nCurrentSection=CommandsList\nNextSection=Second\n"
                                   "[CommandsList]\n5\n[Second]\n5\n");
    RunOptions quick;
    quick.timeoutMs = 20000;
    RunResult r = b.Run("hand1.ini -silent", quick);
    ASSERT_TRUE(r.finished) << "the run looped";
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"InitCommandSection()  continuing with [CommandsList]",
                                          "No More commands ", "DONE !"}));

    // CurrentSection without any NextSection key: nothing is pending.
    b.WriteScript("hand2.ini", "[Data]\n" + b.LogKeys() +
                                   "[State]\nCurrentSection=CommandsList\n"
                                   "[Commands]\nCmd0=5\nCmd1=5\nCurrentCmd=0\n"
                                   "[CommandsList]\n5\n");
    b.ClearLog();
    r = b.Run("hand2.ini -silent", quick);
    ASSERT_TRUE(r.finished) << "the run looped";
    EXPECT_EQ("2", b.WorkingKey("hand2.ini", "DATA", "RunCount"));
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"InitCommandSection()  continuing with [CommandsList]",
                                          "CMD1> CMD05_IncRunningCounter: 5 ", "No More commands "}));
}

TEST(Script, OutOfRangeCommandNumbersEndTheRun)
{
    Bench b;
    for (const char* saved : {"-5", "2000000000", "99999999999"}) {
        b.WriteScript("range.ini", "[Data]\n" + b.LogKeys() +
                                       "[State]\nCurrentSection=CommandsList\nNextSection=\n"
                                       "[Commands]\nCmd0=5\nCurrentCmd=" + std::string(saved) +
                                       "\n[CommandsList]\n5\n");
        b.ClearLog();
        RunResult r = b.Run("range.ini -silent");
        ASSERT_TRUE(r.finished) << saved;
        EXPECT_EQ(1, CountLines(b.Log(), "DONE !")) << saved << JoinLines(b.Log());
        EXPECT_EQ("<missing>", b.WorkingKey("range.ini", "DATA", "RunCount")) << saved;
    }
}

// A command list larger than 32 KB: Windows 95/98 read only its first
// 16640 bytes (and drop the cut last line); NT reads it whole.
std::string LargeList(const Bench& b, int lines)
{
    std::string text = "[Data]\n" + b.LogKeys() + "[CommandsList]\n";
    for (int i = 0; i < lines; i++)
        text += "5," + std::string(240, 'a' + i % 26) + "\n";
    return text;
}

TEST(Script, LargeSectionsAreCutOnlyOnWindows9x)
{
    const int kLines = 140; // 243 bytes a line: about 34 KB
    {
        Bench b(WindowsVersion::Win98);
        b.WriteScript("large.ini", LargeList(b, kLines));
        ASSERT_TRUE(b.Run("large.ini -silent").finished);
        std::vector<std::string> log = b.Log();
        EXPECT_EQ(1, CountLines(log, "WARINING -=-Section Size is to large for Win9X")) << JoinLines(log);
        int count = std::stoi(b.WorkingKey("large.ini", "DATA", "RunCount"));
        EXPECT_EQ(16640 / 243, count) << "only whole lines of the first 16640 bytes run";
        EXPECT_EQ("<missing>", b.WorkingKey("large.ini", "Commands", ("Cmd" + std::to_string(count)).c_str()));
    }
    {
        Bench b(WindowsVersion::Win2000);
        b.WriteScript("large.ini", LargeList(b, kLines));
        ASSERT_TRUE(b.Run("large.ini -silent").finished);
        EXPECT_EQ(0, CountLines(b.Log(), "WARINING -=-Section Size is to large for Win9X"));
        EXPECT_EQ(std::to_string(kLines), b.WorkingKey("large.ini", "DATA", "RunCount"));
    }
}

} // namespace
