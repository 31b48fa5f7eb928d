// The engine's pieces on their own, under Wine: the log writers, the
// section readers and the end-of-list check.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "log.h"
#include "profile.h"
#include "run_state.h"
#include "script_file.h"
#include "text.h"
#include "variables.h"

namespace {

std::string Dir()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string dir = std::string("C:\\srtests\\engine.") + info->name();
    CreateDirectoryA("C:\\srtests", nullptr);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

void Write(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::vector<std::string> Lines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

// Cuts the "[HH:MM:SS.mmm] " stamp off a log line.
std::string Unstamped(const std::string& line)
{
    return line.size() > 15 && line[0] == '[' ? line.substr(15) : line;
}

class Engine : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = Dir();
        logPath = dir + "\\engine.log";
        DeleteFileA(logPath.c_str());
        ZeroMemory(&g_run, sizeof g_run);
        LogSetProgramName("unit.exe");
        ASSERT_TRUE(LogSetPath(logPath.c_str()));
        LogEnable();
    }
    std::string dir;
    std::string logPath;
};

TEST_F(Engine, LogWritersAndErrorTexts)
{
    WriteLog("label", "text");
    WriteLogLine("a plain line");
    WriteLogSeverity("first", "second", 0);
    // The system text of a code keeps its line break through GetErrorText
    // and loses it through GetLastErrorText.
    char text[kMessageSize];
    EXPECT_EQ(2u, GetErrorText(text, sizeof text, ERROR_FILE_NOT_FOUND));
    WriteLog("raw:", text);
    SetLastError(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(2u, GetLastErrorText(text, sizeof text));
    WriteLog("flat:", text);
    StripCommentsAndEtc(nullptr);

    std::vector<std::string> lines = Lines(logPath);
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(" unit.exe> label text\r", Unstamped(lines[0]));
    EXPECT_EQ(" a plain line\r", Unstamped(lines[1]));
    EXPECT_EQ("FATAL-=-second\r", lines[2]);
    EXPECT_EQ("FATAL-=-first\r", lines[3]);
    // The raw text spans two lines of the file (it ends in CR LF).
    EXPECT_EQ(0u, Unstamped(lines[4]).find(" unit.exe> raw: "));
    std::string flat = Unstamped(lines[6]);
    EXPECT_EQ(0u, flat.find(" unit.exe> flat: ")) << flat;
    EXPECT_EQ(std::string::npos, flat.substr(0, flat.size() - 1).find('\r'));
    EXPECT_EQ(" warning null pointer passed to StripCommentsAndEtc\r", Unstamped(lines.back()));
}

TEST_F(Engine, LogKeepsTheCallersLastError)
{
    SetLastError(1234);
    WriteLog("x", "y");
    EXPECT_EQ(1234u, GetLastError());
}

TEST_F(Engine, SectionReadersGrowAndCap)
{
    std::string file = dir + "\\big.ini";
    std::string text = "[Big]\r\n";
    for (int i = 0; i < 1500; i++)
        text += "line" + std::to_string(i) + "," + std::string(60, 'x') + "\r\n";
    text += "[Small]\r\na=b\r\n[Empty]\r\n";
    Write(file, text);

    // Windows NT: the whole section, however large.
    char* big = LoadProfileSection("Big", file.c_str());
    ASSERT_NE(nullptr, big);
    int lines = 0;
    for (char* line = big; line; line = NextSectionLine(line))
        lines++;
    EXPECT_EQ(1500, lines);
    free(big);

    EXPECT_EQ(4, GetProfileSectionSize("Small", file.c_str())) << "\"a=b\" and its NUL";
    EXPECT_EQ(16640, GetProfileSectionSize("Big", file.c_str())) << "capped on every system";
    EXPECT_EQ(nullptr, LoadProfileSection("Empty", file.c_str()));
    EXPECT_EQ(nullptr, LoadProfileSection("Missing", file.c_str()));

    char* whole;
    ASSERT_TRUE(ReadWholeSection("Big", file.c_str(), &whole));
    ASSERT_NE(nullptr, whole);
    free(whole);
    ASSERT_TRUE(ReadWholeSection("Missing", file.c_str(), &whole));
    EXPECT_EQ(nullptr, whole);
}

// The end of a list with a branch pending: the target is compiled at the
// run's current number and the run goes on there.
TEST_F(Engine, EndOfListCompilesThePendingBranchAtTheCurrentNumber)
{
    std::string file = dir + "\\run.ini";
    Write(file, "[State]\r\nCurrentSection=CommandsList\r\nNextSection=Next\r\n"
                "[Commands]\r\nCmd0=5\r\nCmd1=5\r\nCurrentCmd=2\r\n"
                "[CommandsList]\r\n5\r\n5\r\n[Next]\r\n32,one\r\n\r\n13,2\r\n");
    CopyText(g_run.scriptPath, sizeof g_run.scriptPath, file.c_str());
    g_run.commandNumber = 2;
    EXPECT_FALSE(EndOfListCheck(g_run));
    char value[64];
    GetPrivateProfileStringA("Commands", "Cmd2", "", value, sizeof value, file.c_str());
    EXPECT_STREQ("32", value);
    GetPrivateProfileStringA("Commands", "CmdSection3.0", "", value, sizeof value, file.c_str());
    EXPECT_STREQ("2", value);
    GetPrivateProfileStringA("State", "CurrentSection", "", value, sizeof value, file.c_str());
    EXPECT_STREQ("Next", value);
    GetPrivateProfileStringA("State", "NextSection", "x", value, sizeof value, file.c_str());
    EXPECT_STREQ("", value);

    // The list of Next ends at 4: no branch is pending, so the run is done.
    g_run.commandNumber = 4;
    EXPECT_TRUE(EndOfListCheck(g_run));
    // A branch to the section that is current ends the run as well.
    WritePrivateProfileStringA("State", "NextSection", "next", file.c_str());
    EXPECT_TRUE(EndOfListCheck(g_run));
    // A branch to a missing section ends it, with the compile's error.
    WritePrivateProfileStringA("State", "NextSection", "Nowhere", file.c_str());
    EXPECT_TRUE(EndOfListCheck(g_run));
    std::vector<std::string> lines = Lines(logPath);
    int noMore = 0;
    bool emptyError = false;
    for (const std::string& line : lines) {
        noMore += Unstamped(line) == " unit.exe> No More commands \r";
        emptyError |= Unstamped(line) == " unit.exe> ERROR-=-  section [Nowhere] is empty..cannot initialize\r";
    }
    EXPECT_EQ(3, noMore);
    EXPECT_TRUE(emptyError);
}

TEST_F(Engine, BranchStepRecordsOnlyExistingSections)
{
    std::string file = dir + "\\branch.ini";
    Write(file, "[State]\r\nCurrentSection=CommandsList\r\nNextSection=\r\n[There]\r\n5\r\n");
    CopyText(g_run.scriptPath, sizeof g_run.scriptPath, file.c_str());
    g_run.silent = true;
    char value[64];
    EXPECT_FALSE(SetNextSection(g_run, "Missing"));
    GetPrivateProfileStringA("State", "NextSection", "x", value, sizeof value, file.c_str());
    EXPECT_STREQ("", value);
    EXPECT_TRUE(SetNextSection(g_run, "There"));
    GetPrivateProfileStringA("State", "NextSection", "x", value, sizeof value, file.c_str());
    EXPECT_STREQ("There", value);
    SetNextSectionUnchecked(g_run, "");
    GetPrivateProfileStringA("State", "NextSection", "x", value, sizeof value, file.c_str());
    EXPECT_STREQ("", value);

    std::vector<std::string> lines = Lines(logPath);
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(" unit.exe> ERROR-=- Section [Missing] is not found!\r", Unstamped(lines[0]));
    EXPECT_EQ(" unit.exe>   Setting next section to:  There\r", Unstamped(lines[1]));
    EXPECT_EQ(" unit.exe>   Setting next section to:  \r", Unstamped(lines[2]));
}

TEST_F(Engine, VariablesNeverOutgrowTheCallersBuffer)
{
    std::string file = dir + "\\vars.ini";
    Write(file, "[Variables]\r\nV001=0123456789\r\nV002=~%V001~%V001\r\n");
    CopyText(g_run.scriptPath, sizeof g_run.scriptPath, file.c_str());
    const struct {
        const char* text;
        size_t size;
        const char* expanded;
        int count;
        bool cut;
    } cases[] = {
        {"no token", 16, "no token", 0, false},
        {"a~%V001b", 16, "a0123456789b", 1, false},
        {"a~%V001b", 9, "a0123456", 1, true},
        {"~%V002", 24, "01234567890123456789", 3, false},
        // The cut leaves "~%V00" behind: it is not expanded as V000.
        {"~%V002", 16, "0123456789~%V00", 2, true},
        {"~%X002", 16, "~%X002", 0, false},
        {"~%C555~%V001", 32, "~%C5550123456789", 2, false},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        char buffer[64];
        memset(buffer, 0xcc, sizeof buffer);
        strcpy(buffer, cases[i].text);
        bool cut = false;
        EXPECT_EQ(cases[i].count, ExpandVariables(g_run, buffer, cases[i].size, &cut)) << "case " << i;
        EXPECT_STREQ(cases[i].expanded, buffer) << "case " << i;
        EXPECT_EQ(cases[i].cut, cut) << "case " << i;
        for (size_t b = cases[i].size; b < sizeof buffer; b++)
            ASSERT_EQ((char)0xcc, buffer[b]) << "case " << i << ": byte " << b << " written past the buffer";
    }
}

} // namespace
