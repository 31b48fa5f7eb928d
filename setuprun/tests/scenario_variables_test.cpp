// Variable tokens and CMD27: every expansion is observed through the value
// that CMD27 writes into [Variables] of the working copy.
#include <gtest/gtest.h>

#include "scenario_bench.h"

using namespace scenario;

namespace {

std::string WindowsDir()
{
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, sizeof dir);
    return dir;
}

std::string SystemDir()
{
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, sizeof dir);
    return dir;
}

TEST(Variables, TokensExpandAsTheirTablesSay)
{
    Bench b;
    b.WriteScript("vars.ini", "[Data]\n" + b.LogKeys() +
                                  "[Variables]\nV001=C:\\Tools\nV002=~%V001\\bin\nV007=seven\n"
                                  "[CommandsList]\n"
                                  "27,,V100,~%C101\\system32\n"
                                  "27,,V101,~%c101\n"
                                  "27,,V102,x~%C102y\n"
                                  "27,,V103,~%C103\\Setup\n"
                                  "27,,V104,~%C104\n"
                                  "27,,V105,~%C001\n"
                                  "27,,V106,~%V002\\tools\n"
                                  "27,,V107,~%V010\\x\n"
                                  "27,,V108,[~%V7xy]\n"
                                  "27,,V109,~%V1\n"
                                  "27,,V110,~%X001\\a\n"
                                  "27,,V111,a~%C999b~%V001\n"
                                  "27,,V112,~%V-01|\n"
                                  "27,,V113,end~%\n");
    ASSERT_TRUE(b.Run("vars.ini -silent").finished);
    auto v = [&](const char* key) { return b.WorkingKey("vars.ini", "Variables", key); };
    EXPECT_EQ(WindowsDir() + "\\system32", v("V100"));
    EXPECT_EQ(WindowsDir(), v("V101"));
    EXPECT_EQ("x" + WindowsDir() + "\\infy", v("V102"));
    EXPECT_EQ(SystemDir() + "\\Setup", v("V103"));
    EXPECT_EQ(SystemDir() + "\\Drivers", v("V104"));
    EXPECT_EQ(b.programDir, v("V105"));
    EXPECT_EQ("C:\\Tools\\bin\\tools", v("V106")) << "a value's own tokens are expanded in turn";
    EXPECT_EQ("\\x", v("V107")) << "an unset variable is empty";
    EXPECT_EQ("[seven]", v("V108")) << "the number is read from 7xy as 7; six characters are consumed";
    EXPECT_EQ("C:\\Tools", v("V109")) << "a token cut by the end of the text still counts";
    EXPECT_EQ("~%X001\\a", v("V110"));
    EXPECT_EQ("a~%C999bC:\\Tools", v("V111")) << "an unknown token stays; the rest is still expanded";
    EXPECT_EQ("~%V-01|", v("V112"));
    EXPECT_EQ("end~%", v("V113"));

    std::vector<std::string> log = b.Log();
    EXPECT_TRUE(ContainsInOrder(log, {"Writing:  [Variables]:V100=" + WindowsDir() + "\\system32"}));
    EXPECT_TRUE(ContainsInOrder(log, {"ERROR-=-  variable token ~% found but leading character not valid",
                                      "ERROR-=- ~%X001\\a"}));
    EXPECT_TRUE(ContainsInOrder(log, {"GetVariable( ) variable not found for  a~%C999b~%V001",
                                      "ERROR-=-  variable token found but no replacement made.",
                                      "ERROR-=- ~%C999b~%V001", " replaced variable in string.",
                                      " full string now is: a~%C999bC:\\Tools"}));
    EXPECT_TRUE(ContainsInOrder(log, {"GetVariable( ) variable not found for  ~%V-01|"}));
}

TEST(Variables, TemporaryFileNameIsStoredAsV000)
{
    Bench b;
    b.WriteScript("tmp.ini", "[Data]\n" + b.LogKeys() + "[CommandsList]\n27,,V050,~%C000.tmp\n27,,V051,~%V000\n");
    ASSERT_TRUE(b.Run("tmp.ini -silent").finished);
    std::string name = b.WorkingKey("tmp.ini", "Variables", "V050");
    ASSERT_EQ(b.tempDir.size() + 8, name.size()) << name;
    EXPECT_EQ(b.tempDir + "TMP", name.substr(0, b.tempDir.size() + 3));
    EXPECT_EQ(std::string::npos, name.find(".tmp")) << "the text after ~%C000 is dropped";
    EXPECT_EQ(name, b.WorkingKey("tmp.ini", "Variables", "V000"));
    EXPECT_EQ(name, b.WorkingKey("tmp.ini", "Variables", "V051"));
    EXPECT_EQ(1, CountLines(b.Log(), " ** creating " + name + " and will save in V000"));
}

TEST(Variables, SelfReferenceAndOverlongValuesEnd)
{
    Bench b;
    std::string long259(259, 'L');
    b.WriteScript("loop.ini", "[Data]\n" + b.LogKeys() +
                                  "[Variables]\nV001=~%V001x\nV002=~%V003\nV003=~%V002\nV004=" + long259 +
                                  "\n[CommandsList]\n"
                                  "27,,V010,~%V001\n"
                                  "27,,V011,~%V002\n"
                                  "27,,V012,~%V004~%V004\n"
                                  "5\n");
    RunOptions quick;
    quick.timeoutMs = 30000;
    RunResult r = b.Run("loop.ini -silent", quick);
    ASSERT_TRUE(r.finished) << "the expansion looped";
    EXPECT_EQ("1", b.WorkingKey("loop.ini", "DATA", "RunCount"));
    std::string both = b.WorkingKey("loop.ini", "Variables", "V012");
    EXPECT_EQ(511u, both.size()) << "cut to the 512-byte buffer of CMD27";
    EXPECT_EQ(std::string(511, 'L'), both);
    EXPECT_LE(b.WorkingKey("loop.ini", "Variables", "V010").size(), 511u);
    std::vector<std::string> log = b.Log();
    EXPECT_EQ(2, CountLines(log, "ERROR-=-  variable expansion stopped after 64 replacements: a variable refers to "
                                 "itself"));
    EXPECT_LE(1, CountLines(log, "ERROR-=-  expanded text cut to 511 characters"));
}

TEST(Variables, SectionFormSetsEveryWellFormedLine)
{
    Bench b;
    b.WriteScript("sect.ini", "[Data]\n" + b.LogKeys() +
                                  "[MyVars]\n"
                                  "V001 ,  C:\\Tools  \n"
                                  "V002,~%V001\\bin,with,commas\n"
                                  "no comma here\n"
                                  ",value without key\n"
                                  "[CommandsList]\n27,MyVars\n27,Missing\n27,,,lost\n");
    ASSERT_TRUE(b.Run("sect.ini -silent").finished);
    EXPECT_EQ("C:\\Tools", b.WorkingKey("sect.ini", "Variables", "V001"));
    EXPECT_EQ("C:\\Tools\\bin,with,commas", b.WorkingKey("sect.ini", "Variables", "V002"));
    std::vector<std::string> log = b.Log();
    EXPECT_TRUE(ContainsInOrder(log, {"WARNINIG-=- Missing comma >no comma here<",
                                      "WARNINIG-=- Invalid Parameters : no Key ><",
                                      "CMD1> CMD27_SetVariable: 27,Missing ",
                                      "ERROR-=- Missing the Data section or an extra comma.",
                                      "CMD2> CMD27_SetVariable: 27,,,lost ",
                                      "WARNINIG-=- Invalid Parameters : no Key ><"}));
}

} // namespace
