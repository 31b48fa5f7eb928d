// Text rules of the registry, file and launch commands.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "file_text.h"
#include "registry_text.h"

namespace {

TEST(RegistryText, RootNamesLongAndShort)
{
    EXPECT_EQ(kRootCurrentUser, FindRootByLongName("hkey_current_user"));
    EXPECT_EQ(kRootDynData, FindRootByLongName("HKEY_DYN_DATA"));
    EXPECT_EQ(kRootNotFound, FindRootByLongName("HKCU")) << "single-value commands take long names only";
    EXPECT_EQ(kRootNotFound, FindRootByLongName(""));
    EXPECT_EQ(kRootUsers, FindRootByAbbreviation("hku"));
    EXPECT_EQ(kRootNotFound, FindRootByAbbreviation("HKEY_USERS")) << "lists take abbreviations only";
    EXPECT_STREQ("HKEY_CLASSES_ROOT", RootLongName(kRootClassesRoot));
}

TEST(RegistryText, LinesSplitAtTheirFirstFiveCommas)
{
    const struct {
        const char* line;
        int found;
        const char* data;
    } cases[] = {
        {"1,HKLM,Software\\X,Name,0,a,b,c", 6, "a,b,c"},
        {"2,HKCU,Key,,,", 6, ""},
        {"1,HKLM,Key", 3, nullptr},
        {"1", 1, nullptr},
        {"1,HKLM,Key,Name,2", 5, nullptr},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        std::string line = cases[i].line;
        char* fields[kRegistryLineFields];
        EXPECT_EQ(cases[i].found, SplitRegistryLine(&line[0], fields)) << "case " << i;
        if (cases[i].data) {
            ASSERT_NE(nullptr, fields[5]) << "case " << i;
            EXPECT_STREQ(cases[i].data, fields[5]) << "case " << i;
        } else {
            EXPECT_EQ(nullptr, fields[5]) << "case " << i;
        }
    }
}

TEST(RegistryText, HexadecimalData)
{
    const struct {
        const char* text;
        std::vector<unsigned char> bytes;
        unsigned long dword;
    } cases[] = {
        {"0a1B", {0x0A, 0x1B}, 0x0A1B},
        {"0G", {0x00}, 0x00},
        {"ABC", {0xAB}, 0xABC0},
        {"", {}, 0},
        {"123456789A", {0x12, 0x34, 0x56, 0x78, 0x9A}, 0x3456789A},
        {"0000000A", {0, 0, 0, 0x0A}, 0x0A},
        {"fFfFfFfFfF", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0xFFFFFFFF},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        unsigned char out[16];
        memset(out, 0xcc, sizeof out);
        size_t n = HexTextToBytes(cases[i].text, out, sizeof out);
        EXPECT_EQ(cases[i].bytes, std::vector<unsigned char>(out, out + n)) << "case " << i;
        EXPECT_EQ(cases[i].dword, HexTextToDword(cases[i].text)) << "case " << i;
    }
    unsigned char small[2];
    EXPECT_EQ(2u, HexTextToBytes("0102030405", small, sizeof small)) << "never past the buffer";
}

TEST(RegistryText, DwordDataOfSingleValues)
{
    const unsigned long kUntouched = 0xDEADBEEF;
    const struct {
        const char* text;
        bool accepted;
        unsigned long value;
    } cases[] = {
        {"1", true, 1},
        {"0", true, 0},
        {"007", true, 7},
        {"4294967295", true, 0xFFFFFFFF},
        {"4294967296", false, 0},            // one past 32 bits
        {"99999999999999999999999", false, 0}, // never wraps
        {"0x2A", true, 0x2A},
        {"0XfFfFfFfF", true, 0xFFFFFFFF},
        {"0x100000000", false, 0},
        {"0x000000001", true, 1},             // leading zeros are no extra bits
        {"0x", false, 0},
        {"", false, 0},
        {"abc", false, 0},
        {"2A", false, 0},                     // hexadecimal only after 0x
        {"12a", false, 0},
        {"-1", false, 0},
        {"+1", false, 0},
        {" 1", false, 0},
        {"1 ", false, 0},
        {"0x1G", false, 0},
        {"1,2", false, 0},                    // one string, commas included
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        unsigned long value = kUntouched;
        EXPECT_EQ(cases[i].accepted, ParseDwordText(cases[i].text, &value)) << "case " << i << " >" << cases[i].text << "<";
        EXPECT_EQ(cases[i].accepted ? cases[i].value : kUntouched, value) << "case " << i;
    }
}

TEST(FileText, TwoPathLines)
{
    std::string line = "  C:\\a.txt  ,  C:\\dir\\ ; a note ";
    char *source, *destination;
    EXPECT_EQ(kTwoPathOk, SplitTwoPathLine(&line[0], &source, &destination));
    EXPECT_STREQ("C:\\a.txt", source);
    EXPECT_STREQ("C:\\dir\\", destination);
    EXPECT_TRUE(DropTrailingBackslash(destination));
    EXPECT_STREQ("C:\\dir", destination);
    EXPECT_FALSE(DropTrailingBackslash(destination));

    line = " ;old,C:\\x";
    EXPECT_EQ(kTwoPathComment, SplitTwoPathLine(&line[0], &source, &destination));
    line = ";no comma";
    EXPECT_EQ(kTwoPathNoComma, SplitTwoPathLine(&line[0], &source, &destination));
}

TEST(FileText, JoiningAndLastComponents)
{
    char out[16];
    EXPECT_TRUE(JoinPath("C:\\dir", "a.txt", out, sizeof out));
    EXPECT_STREQ("C:\\dir\\a.txt", out);
    EXPECT_TRUE(JoinPath("C:\\", "a.txt", out, sizeof out));
    EXPECT_STREQ("C:\\a.txt", out);
    EXPECT_FALSE(JoinPath("C:\\directory", "name.txt", out, sizeof out));
    EXPECT_STREQ("", out);
    EXPECT_STREQ("Setup.lnk", LastPathComponent("C:\\Install\\Setup.lnk"));
    EXPECT_STREQ("Bare.lnk", LastPathComponent("Bare.lnk"));
}

TEST(FileText, LaunchDirectoryIsTheProgramsDirectory)
{
    const struct {
        const char* commandLine;
        bool hasDirectory;
        const char* directory;
    } cases[] = {
        {"C:\\Tools\\setup.exe /s", true, "C:\\Tools"},
        {"C:\\setup.exe", true, "C:\\"},
        {"setup.exe /s", false, ""},
        {"C:\\Program Files\\App\\setup.exe", true, "C:\\"},
        {"D:\\a\\b\\c.exe x\\y", true, "D:\\a\\b"},
        {"\\\\server\\share\\x.exe", true, "\\\\server\\share"},
    };
    for (const auto& c : cases) {
        char out[64];
        EXPECT_EQ(c.hasDirectory, LaunchDirectory(c.commandLine, out, sizeof out)) << c.commandLine;
        EXPECT_STREQ(c.directory, out) << c.commandLine;
    }
    char tiny[4];
    EXPECT_TRUE(LaunchDirectory("C:\\Tools\\x.exe", tiny, sizeof tiny));
    EXPECT_STREQ("", tiny) << "a directory that does not fit is left empty";
}

} // namespace
