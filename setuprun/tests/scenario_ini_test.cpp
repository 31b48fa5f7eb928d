// Commands that edit the script file itself: CMD26 and CMD28.
#include <gtest/gtest.h>

#include "scenario_bench.h"

using namespace scenario;

namespace {

TEST(IniEdit, SetValueWritesEntriesThatLaterCommandsSee)
{
    Bench b;
    b.WriteScript("set.ini", "[Data]\n" + b.LogKeys() +
                                 "[Entries]\n"
                                 "Variables,V005,C:\\Temp\n"
                                 "Data,Title,a,b\n"
                                 "Data,Flag,\n"
                                 "OnlyOne,comma\n"
                                 "no comma\n"
                                 ",NoSection,x\n"
                                 "Data,,x\n"
                                 "Data , Spaced , ~%V005\\sub \n"
                                 "[CommandsList]\n26,Entries\n27,,V006,~%V005\n26,,DATA,IncCommand,1\n7\n"
                                 "32,skipped\n26,Missing\n");
    ASSERT_TRUE(b.Run("set.ini -silent").finished);
    auto key = [&](const char* section, const char* k) { return b.WorkingKey("set.ini", section, k); };
    EXPECT_EQ("C:\\Temp", key("Variables", "V005"));
    EXPECT_EQ("C:\\Temp", key("Variables", "V006")) << "the next command sees the variable";
    EXPECT_EQ("a,b", key("Data", "Title"));
    EXPECT_EQ("", key("Data", "Flag"));
    EXPECT_EQ("C:\\Temp\\sub", key("Data", "Spaced"));
    std::vector<std::string> log = b.Log();
    EXPECT_TRUE(ContainsInOrder(log, {"WARNINIG-=- Missing comma >OnlyOne<", "WARNINIG-=- Missing comma >no comma<",
                                      "WARNINIG-=- Invalid Parameters : no section ><",
                                      "WARNINIG-=- Invalid Parameters : no Key >Data<",
                                      "Writing:  [DATA]:IncCommand=1", "CMD3> CMD07_IncCmdIndex: 7 ",
                                      "CMD5> CMD26_SetValue: 26,Missing ",
                                      "ERROR-=- Missing the Data section or an extra comma."}));
    EXPECT_EQ(0, CountLines(log, " skipped"));
}

std::string Bytes(const std::string& path)
{
    return ReadTextFile(path);
}

TEST(IniEdit, AppendAddsTheFileByteForByte)
{
    Bench b;
    std::string extra = b.root + "\\extra.ini";
    // No line break between the two: the header lands on the script's last line.
    WriteTextFile(extra, "[Extra]\nKey=value\n[CommandsList]\n");
    std::string empty = b.root + "\\empty.ini";
    WriteTextFile(empty, "");
    b.WriteScript("append.ini", "[Data]\n" + b.LogKeys() + "[Variables]\nV001=" + b.root + "\n" +
                                    "[CommandsList]\n28,~%V001\\empty.ini\n28,~%V001\\extra.ini\n5\n");
    ASSERT_TRUE(b.Run("append.ini -silent").finished);
    std::string copy = b.WorkingCopy("append.ini");
    std::string text = Bytes(copy);
    EXPECT_NE(std::string::npos, text.find("[Extra]\r\nKey=value")) << text;
    EXPECT_EQ("value", ReadKey(copy, "Extra", "Key"));
    EXPECT_EQ("1", ReadKey(copy, "DATA", "RunCount")) << "the run goes on with the appended script";
    std::vector<std::string> log = b.Log();
    bool created = false;
    for (const std::string& line : log)
        created |= line.rfind(" creating temp file:  " + b.tempDir + "TMP", 0) == 0;
    EXPECT_TRUE(created) << JoinLines(log);
    EXPECT_TRUE(ContainsInOrder(log, {" coping contents of  " + copy, " coping contents of  " + b.root + "\\empty.ini",
                                      " coping contents of  " + copy, " coping contents of  " + b.root + "\\extra.ini"}));
    // Nothing is left behind in the script's directory.
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((b.tempDir + "TMP*").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, search) << "left behind: " << found.cFileName;
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

TEST(IniEdit, AppendOfAMissingFileLeavesTheScriptAsItWas)
{
    Bench b;
    b.WriteScript("nofile.ini", "[Data]\n" + b.LogKeys() + "ForceCleanStart=0\n" +
                                    "[CommandsList]\n10\n28," + b.root + "\\missing.ini\n");
    ASSERT_TRUE(b.Run("nofile.ini -silent").finished);
    std::string copy = b.WorkingCopy("nofile.ini");
    std::string before = Bytes(copy);
    ASSERT_TRUE(b.Run("nofile.ini -silent").finished);
    std::string after = Bytes(copy);
    // The run records its position after the command: apart from that the
    // script is byte for byte what it was.
    size_t at = before.find("CurrentCmd=1");
    ASSERT_NE(std::string::npos, at);
    EXPECT_EQ(before.replace(at, 12, "CurrentCmd=2"), after);
    EXPECT_EQ(1, CountLines(b.Log(), "Error-=-  cound not open second file..."));
}

} // namespace
