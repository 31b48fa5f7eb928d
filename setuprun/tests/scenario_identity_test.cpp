// CMD09 and CMD25 on machines without the firmware driver (the VxD variant
// finds no device): the debug override, the SYSID fallback, the ID list
// and its renderings, comments, and the branch targets. Nothing here
// touches a service or the system directory, so these run side by side;
// the runs against the simulated driver are in scenario_firmware_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scenario_bench.h"

using namespace scenario;

namespace {

const char kTargets[] =
    "[Branch0]\n32,in Branch0\n[Branch1]\n32,in Branch1\n[Branch2]\n32,in Branch2\n";

std::string Script(const Bench& b, const std::string& data, const std::string& commands,
                   const std::string& sections = "")
{
    return "[Data]\n" + b.LogKeys() + data + "[CommandsList]\n" + commands + kTargets + sections;
}

// The branch a run took: the section whose command ran after the list.
std::string BranchTaken(const std::vector<std::string>& log)
{
    for (const std::string& line : log) {
        if (line.compare(0, 4, " in ") == 0)
            return line.substr(4);
    }
    return "<none>";
}

// With both IsVorlix and Debug set, CMD09 takes branch 0 and CMD25 branch
// 1 whatever the machine; with one of them, nothing is forced.
TEST(Identity, DebugOverrideNeedsBothKeys)
{
    const struct {
        const char* data;
        const char* cmd09;
        const char* cmd25;
        bool override;
    } cases[] = {
        {"", "Branch1", "Branch2", false},
        {"IsVorlix=1\n", "Branch1", "Branch2", false},
        {"Debug=1\n", "Branch1", "Branch2", false},
        {"IsVorlix=1\nDebug=1\n", "Branch0", "Branch1", true},
        {"IsVorlix=7\nDebug=-1\n", "Branch0", "Branch1", true},
        {"IsVorlix=0\nDebug=1\n", "Branch1", "Branch2", false},
    };
    Bench b(WindowsVersion::Win98);
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        b.WriteScript("d9.ini", Script(b, cases[i].data, "9,Branch0,Branch1\n"));
        ASSERT_TRUE(b.Run("d9.ini -silent").finished) << "case " << i;
        std::vector<std::string> log = b.Log();
        EXPECT_EQ(cases[i].cmd09, BranchTaken(log)) << "case " << i << JoinLines(log);
        EXPECT_EQ(cases[i].override, ContainsInOrder(log, {"  This is not a Vorlix.", "**** DEBUG OVERRIDE ***** "}))
            << "case " << i;
        b.ClearLog();

        b.WriteScript("d25.ini", Script(b, cases[i].data, "25,Branch0,Branch1,Branch2\n"));
        ASSERT_TRUE(b.Run("d25.ini -silent").finished) << "case " << i;
        log = b.Log();
        EXPECT_EQ(cases[i].cmd25, BranchTaken(log)) << "case " << i << JoinLines(log);
        EXPECT_EQ(cases[i].override,
                  ContainsInOrder(log, {"This is not a supported Vorlix  The ID read is 0X0000.",
                                        "**** DEBUG OVERRIDE ***** "}))
            << "case " << i;
        EXPECT_EQ(cases[i].override ? 1 : 0, CountLines(log, "**** DEBUG OVERRIDE ***** ")) << "case " << i;
        b.ClearLog();
    }
}

TEST(Identity, NoDriverMeansOtherMachineAndTheSysidFallback)
{
    Bench b(WindowsVersion::Win98);
    b.WriteScript("nodev.ini", Script(b, "SYSID=4660\n", "9,Branch0,Branch1\n25,Models,Branch1,Branch2\n",
                                      "[Models]\n0x1234\n"));
    ASSERT_TRUE(b.Run("nodev.ini -silent").finished);
    EXPECT_TRUE(ContainsInOrder(
        b.Log(), {"WARNING ERROR-=-LoadNVXInt15 - CopyFile(" + b.programDir +
                      "\\NVXInt15.VxD, C:\\windows\\system32\\NVXInt15.VxD, FALSE) returned with " + ErrorPart(2),
                  "CMD0> CMD09_BranchOnIsVorlix: 9,Branch0,Branch1 ",
                  "WARNING ERROR-=-Can't get a handle to NVXInt15.VxD driver  Error = 2",
                  "WARNING ERROR-=-OpenNVXInt15 - CreateFile(NVXInt15.VxD) returned with " + ErrorPart(2),
                  " GetVorlixString() - OpenVDD() returned FALSE GetVorlixString() - error Loading the CMOS driver",
                  "  This is not a Vorlix.", "  Setting next section to:  Branch1",
                  "CMD1> CMD25_BranchOnSystemID: 25,Models,Branch1,Branch2 ",
                  " CMD25_GetSystemID() - OpenVDD() returned FALSE CMD25_GetSystemID() - error Loading the CMOS driver",
                  "  This is a Vorlix with ID  0X1234", "  Setting next section to:  Branch1", " in Branch1",
                  "WARNING ERROR-=-DelNVXInt15 - DeleteFile(C:\\windows\\system32\\NVXInt15.VxD) returned with " +
                      ErrorPart(2),
                  "DONE !"}));
}

// The list decides on the ID that SYSID names; each line is trimmed and
// compared, ignoring case, with eight renderings of the ID.
TEST(Identity, SystemIdListLookup)
{
    const struct {
        const char* sysid;
        const char* list;
        const char* identity;
        const char* branch;
    } cases[] = {
        {"2587", "  0x0A1B  \n", "  This is a Vorlix with ID  0X0A1B", "Branch1"},
        {"2587", "0X0a1b\n", "  This is a Vorlix with ID  0X0A1B", "Branch1"},
        {"2587", "a1b\n", "  This is a Vorlix with ID  0X0A1B", "Branch1"},
        {"2587", "2587\n", "  This is a Vorlix with ID  0X0A1B", "Branch1"},
        {"4660", "1234\n", "  This is a Vorlix with ID  0X1234", "Branch1"},
        {"1234", "1234\n", "  This is a Vorlix with ID  0X04D2", "Branch1"},
        {"1", "0x1\n", "This is not a supported Vorlix  The ID 0X0001 was not found in list.", "Branch2"},
        {"1", "0x01\n", "  This is a Vorlix with ID  0X0001", "Branch1"},
        {"1", "1\n", "  This is a Vorlix with ID  0X0001", "Branch1"},
        {"2587", ";0x0A1B\n0x0B00\n", "This is not a supported Vorlix  The ID 0X0A1B was not found in list.", "Branch2"},
        {"2587", "Model=0x0A1B\n", "This is not a supported Vorlix  The ID 0X0A1B was not found in list.", "Branch2"},
        {"2587", "0x0A1B ; model 7\n", "This is not a supported Vorlix  The ID 0X0A1B was not found in list.",
         "Branch2"},
        {"2587", "0x0B00\n0x0C00\n0x0a1b\n", "  This is a Vorlix with ID  0X0A1B", "Branch1"},
        // Only the low 16 bits are the ID: 68123 is 10A1Bh.
        {"68123", "0x0A1B\n", "  This is a Vorlix with ID  0X0A1B", "Branch1"},
        {"65536", "0\n", "This is not a supported Vorlix  The ID read is 0X0000.", "Branch2"},
    };
    Bench b(WindowsVersion::XP);
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        b.WriteScript("list.ini", Script(b, std::string("SYSID=") + cases[i].sysid + "\n",
                                         "25,Models,Branch1,Branch2\n", std::string("[Models]\n") + cases[i].list));
        ASSERT_TRUE(b.Run("list.ini -silent").finished) << "case " << i;
        std::vector<std::string> log = b.Log();
        EXPECT_EQ(1, CountLines(log, cases[i].identity)) << "case " << i << JoinLines(log);
        EXPECT_EQ(cases[i].branch, BranchTaken(log)) << "case " << i;
        b.ClearLog();
    }
}

TEST(Identity, MissingListAndAnIdOfZero)
{
    Bench b;
    // A missing list: reported, and the ID counts as not found.
    b.WriteScript("nolist.ini", Script(b, "SYSID=4660\n", "25,NoSuchList,Branch1,Branch2\n"));
    ASSERT_TRUE(b.Run("nolist.ini -silent").finished);
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"ERROR-=- Missing the Data section",
                                          "This is not a supported Vorlix  The ID 0X1234 was not found in list.",
                                          " in Branch2"}));
    b.ClearLog();
    // ID 0 takes branch 2 without looking at the list.
    b.WriteScript("zero.ini", Script(b, "", "25,NoSuchList,Branch1,Branch2\n"));
    ASSERT_TRUE(b.Run("zero.ini -silent").finished);
    std::vector<std::string> log = b.Log();
    EXPECT_TRUE(ContainsInOrder(log, {"This is not a supported Vorlix  The ID read is 0X0000.", " in Branch2"}));
    EXPECT_EQ(0, CountLines(log, "ERROR-=- Missing the Data section"));
}

// CMD25 expands variables in its target before the section test; CMD09
// uses its target as written.
TEST(Identity, VariablesInTargets)
{
    Bench b(WindowsVersion::Win98);
    b.WriteScript("vars.ini", Script(b, "", "9,Unused,~%V001\n25,Models,Unused,~%V001\n",
                                     "[Variables]\nV001=Branch2\n[~%V001]\n32,in the literal section\n"));
    ASSERT_TRUE(b.Run("vars.ini -silent").finished);
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"  Setting next section to:  ~%V001", "  Setting next section to:  Branch2",
                                          " in Branch2"}));
}

// A target that names no section (or an empty one) leaves the earlier
// branch in force and the run goes on.
TEST(Identity, MissingTargetsKeepTheEarlierBranch)
{
    Bench b(WindowsVersion::Win98);
    b.WriteScript("keep.ini", Script(b, "SYSID=5\n", "19,Branch0\n9,X,Nowhere\n25,Models,Empty,Y\n25,Models,,Y\n5\n",
                                     "[Models]\n5\n[Empty]\n"));
    RunResult r = b.Run("keep.ini -silent");
    ASSERT_TRUE(r.finished);
    EXPECT_TRUE(r.boxes.empty());
    std::vector<std::string> log = b.Log();
    EXPECT_TRUE(ContainsInOrder(log, {"ERROR-=- Section [Nowhere] is not found!", "ERROR-=- Section [Empty] is not found!",
                                      "ERROR-=- Section [] is not found!", "CMD4> CMD05_IncRunningCounter: 5 ",
                                      "InitCommandSection()  starting from [Branch0]", " in Branch0"}));
    EXPECT_EQ("1", b.WorkingKey("keep.ini", "DATA", "RunCount"));
}

} // namespace
