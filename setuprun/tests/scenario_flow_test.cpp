// Commands that steer the run: exit, sleep, message-box branches in silent
// mode, version and power-management branches, jumps, the restart request,
// CMD29 and log messages. (Boxes on the screen and real restarts are in
// scenario_machine_test.cpp.)
#include <gtest/gtest.h>

#include "scenario_bench.h"

using namespace scenario;

namespace {

std::string Header(const Bench& b, const std::string& data = "")
{
    return "[Data]\n" + b.LogKeys() + data;
}

TEST(Flow, ExitEndsTheRunAndAResumeContinuesAfterIt)
{
    Bench b;
    b.WriteScript("exit.ini", Header(b, "ForceCleanStart=0\n") + "[CommandsList]\n5\n10\n5\n10\n");
    ASSERT_TRUE(b.Run("exit.ini -silent").finished);
    EXPECT_EQ("1", b.WorkingKey("exit.ini", "DATA", "RunCount"));
    EXPECT_EQ("2", b.WorkingKey("exit.ini", "Commands", "CurrentCmd")) << "CurrentCmd points past CMD10";
    ASSERT_TRUE(b.Run("exit.ini").finished);
    EXPECT_EQ("2", b.WorkingKey("exit.ini", "DATA", "RunCount"));
    EXPECT_EQ("4", b.WorkingKey("exit.ini", "Commands", "CurrentCmd"));
    std::vector<std::string> log = b.Log();
    EXPECT_EQ(0, CountLines(log, "No More commands "));
    EXPECT_EQ(2, CountLines(log, "DONE !"));
}

TEST(Flow, SleepWaitsItsTimeAndNeverForever)
{
    Bench b;
    b.WriteScript("sleep.ini", Header(b) + "[CommandsList]\n13,300\n13\n13,-5\n13,abc\n5\n");
    DWORD start = GetTickCount();
    ASSERT_TRUE(b.Run("sleep.ini -silent").finished);
    DWORD took = GetTickCount() - start;
    EXPECT_GE(took, 300u);
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"..sleeping  300", "..time not defined to sleep ", "..sleeping  -5",
                                          "WARNING-=- negative time -5 to sleep: not sleeping", "..sleeping  abc",
                                          "CMD4> CMD05_IncRunningCounter: 5 "}));
}

TEST(Flow, MessageBoxesInSilentModeTakeSlotTwo)
{
    Bench b;
    b.WriteScript("silent.ini", Header(b) +
                                    "[Ask.US]\nTitle=Question\nMessage1=Go on?\n"
                                    "[CommandsList]\n"
                                    "17,Ask,2,OkTarget,CancelTarget\n"
                                    "17,Ask,3,YesTarget,NoTarget\n"
                                    "17,Ask,4,Yes4,No4,Cancel4\n"
                                    "17,Ask,5,NotABranch\n"
                                    "17,Missing,2,X,Y\n"
                                    "[Yes4]\n5\n");
    RunResult r = b.Run("silent.ini -silent");
    ASSERT_TRUE(r.finished);
    EXPECT_TRUE(r.boxes.empty());
    std::vector<std::string> log = b.Log();
    EXPECT_TRUE(ContainsInOrder(log, {"  Setting next section to:  OkTarget", "  Setting next section to:  YesTarget",
                                      "  Setting next section to:  Yes4",
                                      "ERROR-=- Missing the Message Section [Missing.US]",
                                      "InitCommandSection()  starting from [Yes4]",
                                      "CMD5> CMD05_IncRunningCounter: 5 "}));
    EXPECT_EQ(3, CountLines(log, "  Setting next section to:  OkTarget") +
                     CountLines(log, "  Setting next section to:  YesTarget") +
                     CountLines(log, "  Setting next section to:  Yes4"));
    EXPECT_EQ("1", b.WorkingKey("silent.ini", "DATA", "RunCount"));
}

TEST(Flow, MessageBoxWithEmptyTargetCancelsTheBranch)
{
    Bench b;
    b.WriteScript("cancel.ini", Header(b) +
                                    "[Ask.US]\nMessage1=Hello\n"
                                    "[CommandsList]\n19,Other\n17,Ask,2,,Unused\n5\n"
                                    "[Other]\n32,never here\n");
    ASSERT_TRUE(b.Run("cancel.ini -silent").finished);
    std::vector<std::string> log = b.Log();
    EXPECT_TRUE(ContainsInOrder(log, {"  Setting next section to:  Other", "  Setting next section to:  ",
                                      "CMD2> CMD05_IncRunningCounter: 5 ", "No More commands "}));
    EXPECT_EQ(0, CountLines(log, "InitCommandSection()  starting from [Other]"));
}

// Each Windows version branches to its own field.
TEST(Flow, BranchOnTheWindowsVersion)
{
    const struct {
        WindowsVersion version;
        const char* target;
    } cases[] = {
        {WindowsVersion::Win95, "On95"},   {WindowsVersion::Win98, "On98"}, {WindowsVersion::NT4, "OnNT4"},
        {WindowsVersion::Win2000, "On2k"}, {WindowsVersion::XP, "Other"},  {WindowsVersion::Default, "Other"},
    };
    for (const auto& c : cases) {
        Bench b(c.version);
        b.WriteScript("os.ini", Header(b) +
                                    "[CommandsList]\n18,Other,On95,On98,OnNT4,On2k\n"
                                    "[Other]\n32,in Other\n[On95]\n32,in On95\n[On98]\n32,in On98\n"
                                    "[OnNT4]\n32,in OnNT4\n[On2k]\n32,in On2k\n");
        ASSERT_TRUE(b.Run("os.ini -silent").finished) << b.programName;
        EXPECT_TRUE(ContainsInOrder(b.Log(), {"  Setting next section to:  " + std::string(c.target),
                                              " in " + std::string(c.target)}))
            << b.programName;
    }
}

TEST(Flow, BranchToAMissingSectionIsLoggedAndIgnored)
{
    Bench b(WindowsVersion::XP);
    b.WriteScript("miss.ini", Header(b) +
                                  "[CommandsList]\n19,There\n18,Nowhere,A,B,C,D\n19,Gone\n30,Away\n5\n"
                                  "[There]\n5\n");
    RunResult r = b.Run("miss.ini -silent");
    ASSERT_TRUE(r.finished);
    EXPECT_TRUE(r.boxes.empty());
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"ERROR-=- Section number 0 [Nowhere] is not found!",
                                          "  Setting next section to:  Gone", "ERROR-=- Section [Gone] is not found!",
                                          " ...not running Win98", "ERROR-=- Section [Away] is not found!",
                                          "InitCommandSection()  starting from [There]"}));
    EXPECT_EQ("2", b.WorkingKey("miss.ini", "DATA", "RunCount")) << "the pending branch to There held";
}

TEST(Flow, BranchesTakeEffectAtTheEndOfTheList)
{
    Bench b;
    b.WriteScript("later.ini", Header(b, "[Variables]\nV003=Second\n") +
                                   "[CommandsList]\n19,First\n5\n19,~%V003\n5\n"
                                   "[First]\n32,never\n[Second]\n5\n19,Second\n5\n");
    ASSERT_TRUE(b.Run("later.ini -silent").finished);
    std::vector<std::string> log = b.Log();
    // The rest of the list runs after a branch; the later branch wins; the
    // new list is compiled at the next free number; a branch to the current
    // section ends the run at the end of its list.
    EXPECT_TRUE(ContainsInOrder(log, {"  Setting next section to:  First", "CMD1> CMD05_IncRunningCounter: 5 ",
                                      "  Setting next section to:  ~%V003", "CMD3> CMD05_IncRunningCounter: 5 ",
                                      "InitCommandSection()  starting from [Second]",
                                      "CMD4> CMD05_IncRunningCounter: 5 ", "CMD6> CMD05_IncRunningCounter: 5 ",
                                      "No More commands ", "DONE !"}));
    EXPECT_EQ(0, CountLines(log, " never"));
    EXPECT_EQ("4", b.WorkingKey("later.ini", "DATA", "RunCount"));
    EXPECT_EQ("7", b.WorkingKey("later.ini", "Commands", "CurrentCmd"));
}

TEST(Flow, PowerManagementBranchesOnWindows98Only)
{
    {
        Bench b(WindowsVersion::Win2000);
        b.WriteScript("pm.ini", Header(b) + "[CommandsList]\n30,NotNinetyEight,Apm,Acpi\n"
                                            "[NotNinetyEight]\n5\n[Apm]\n5\n[Acpi]\n5\n");
        ASSERT_TRUE(b.Run("pm.ini -silent").finished);
        EXPECT_TRUE(ContainsInOrder(b.Log(), {" ...not running Win98", "  Setting next section to:  NotNinetyEight"}));
    }
    {
        // A fresh machine has no HKEY_LOCAL_MACHINE\ENUM\ACPI: APM.
        Bench b(WindowsVersion::Win98);
        b.WriteScript("pm.ini", Header(b) + "[CommandsList]\n30,NotNinetyEight,Apm,Acpi\n"
                                            "[NotNinetyEight]\n5\n[Apm]\n5\n[Acpi]\n5\n");
        ASSERT_TRUE(b.Run("pm.ini -silent").finished);
        EXPECT_TRUE(ContainsInOrder(b.Log(), {"  This OS is APM", "  Setting next section to:  Apm"}));
    }
}

// Whether Windows is really asked to restart is watched in
// scenario_machine_test.cpp; here, the decisions in the log.
TEST(Flow, SuppressRebootFromAnEarlierStartOrTheScriptHolds)
{
    Bench b;
    b.WriteScript("noboot.ini", Header(b, "ForceCleanStart=0\n") + "[CommandsList]\n20\n10\n20\n");
    // -noreboot given at an earlier start of the same working copy.
    ASSERT_TRUE(b.Run("noboot.ini -silent -noreboot").finished);
    ASSERT_TRUE(b.Run("noboot.ini -silent").finished);
    std::vector<std::string> log = b.Log();
    EXPECT_EQ(2, CountLines(log, "Not setting to reboot system since SuppressReboot is set "));
    EXPECT_EQ(2, CountLines(log, "DONE !"));

    b.ClearLog();
    b.WriteScript("authored.ini", Header(b, "SuppressReboot=1\n") + "[CommandsList]\n20\n29,,,TRUE\n");
    ASSERT_TRUE(b.Run("authored.ini -silent").finished);
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"Not setting to reboot system since SuppressReboot is set ",
                                          " Not setting to reboot system since SuppressReboot is set", "DONE !"}));

    // CMD29 without TRUE keeps a restart that CMD20 asked for.
    b.ClearLog();
    b.WriteScript("keeps.ini", Header(b, "SuppressReboot=1\n") + "[CommandsList]\n29,,,no\n");
    ASSERT_TRUE(b.Run("keeps.ini -silent").finished);
    EXPECT_TRUE(ContainsInOrder(b.Log(), {" will NOT issue a system reboot.", "DONE !"}));
}

TEST(Flow, ExitAndDeleteRemovesFilesAndTheWorkingCopy)
{
    Bench b;
    std::string victim = b.root + "\\victim.txt";
    WriteTextFile(victim, "x");
    std::string source = b.WriteScript("gone.ini", Header(b) + "[CommandsList]\n29,," + victim + ",false\n32,never\n");
    ASSERT_TRUE(b.Run("gone.ini -silent").finished);
    EXPECT_FALSE(FileExists(victim));
    EXPECT_FALSE(FileExists(b.WorkingCopy("gone.ini")));
    EXPECT_TRUE(FileExists(source));
    std::vector<std::string> log = b.Log();
    EXPECT_TRUE(ContainsInOrder(log, {" attempting to delete files....", "   ...deleting file <" + victim + ">",
                                      " will NOT issue a system reboot.",
                                      "will delete : " + b.WorkingCopy("gone.ini"), "DONE !"}));
    EXPECT_EQ(0, CountLines(log, " never"));

    // The next start makes a fresh working copy.
    WriteTextFile(victim, "y");
    ASSERT_TRUE(b.Run("gone.ini -silent -resume").finished);
    EXPECT_FALSE(FileExists(victim));
}

TEST(Flow, LogMessageStopsAtTheFirstComma)
{
    Bench b;
    b.WriteScript("msg.ini", Header(b) + "[CommandsList]\n32,Copying drivers, please wait\n32\n");
    ASSERT_TRUE(b.Run("msg.ini -silent").finished);
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"CMD0> CMD32_LogMsg: 32,Copying drivers, please wait ",
                                          " Copying drivers", "CMD1> CMD32_LogMsg: 32 ", " "}));
}

TEST(Flow, ReservedTypesAreNotSupported)
{
    Bench b;
    b.WriteScript("resv.ini", Header(b) + "[CommandsList]\n22\n23,a\n24\n33\n34\n35,a,b\n");
    ASSERT_TRUE(b.Run("resv.ini -silent").finished);
    std::vector<std::string> log = b.Log();
    EXPECT_EQ(6, CountLines(log, "  Not Supported yet."));
    EXPECT_TRUE(ContainsInOrder(log, {"CMD0> CMD22_DisplayWindow: 22 ", "CMD1> CMD23_MergeINIFile: 23,a ",
                                      "CMD2> CMD24_ControlOsShutdown: 24 ", "CMD5> CMD35_: 35,a,b "}));
}

} // namespace
