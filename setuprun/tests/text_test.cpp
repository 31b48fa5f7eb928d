// Trimming, comments, bounded copies and numbers: the script's text rules.
#include <gtest/gtest.h>

#include <limits.h>
#include <string.h>

#include <string>

#include "text.h"

namespace {

struct TrimCase {
    const char* input;
    const char* stripped;  // StripText
    const char* trimmed;   // TrimSpaces
};

const TrimCase kTrimCases[] = {
    {"", "", ""},
    {"   ; only a comment", "", "; only a comment"},
    {"  17,Message1, ; first box", "17,Message1,", "17,Message1, ; first box"},
    {"\t\r\n 5 \x01\x1f", "5", "5"},
    {"a;b;c", "a", "a;b;c"},
    {"\x7f keep \x7f", "\x7f keep \x7f", "\x7f keep \x7f"},
    {"\xe4pfel ", "\xe4pfel", "\xe4pfel"},  // bytes above 0x7F are text
    {"x ;", "x", "x ;"},
};

TEST(TextRules, StripAndTrimFollowTheScriptRules)
{
    for (size_t i = 0; i < sizeof kTrimCases / sizeof kTrimCases[0]; i++) {
        const TrimCase& c = kTrimCases[i];
        std::string a = c.input, b = c.input;
        EXPECT_STREQ(c.stripped, StripText(&a[0])) << "case " << i;
        EXPECT_STREQ(c.trimmed, TrimSpaces(&b[0])) << "case " << i;
    }
    EXPECT_EQ(nullptr, StripText(nullptr));
}

TEST(TextRules, CopyAndFormatNeverWritePastTheBuffer)
{
    char buffer[8];
    memset(buffer, 0xcc, sizeof buffer);
    EXPECT_TRUE(CopyText(buffer, 5, "abcd"));
    EXPECT_STREQ("abcd", buffer);

    memset(buffer, 0xcc, sizeof buffer);
    EXPECT_FALSE(CopyText(buffer, 5, "abcdef"));
    EXPECT_STREQ("abcd", buffer);
    EXPECT_EQ((char)0xcc, buffer[5]) << "wrote past the stated size";

    memset(buffer, 0xcc, sizeof buffer);
    EXPECT_FALSE(FormatText(buffer, 4, "%d", 123456));
    EXPECT_STREQ("123", buffer);
    EXPECT_EQ((char)0xcc, buffer[4]);

    char joined[6] = "ab";
    EXPECT_TRUE(AppendText(joined, sizeof joined, "cd"));
    EXPECT_FALSE(AppendText(joined, sizeof joined, "efg"));
    EXPECT_STREQ("abcde", joined);
}

TEST(TextRules, DecimalNumbersReadLikeAtoiButClamp)
{
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"17", 17},         {"  -5x", -5},        {"+8", 8},          {"7xy", 7},
        {"abc", 0},         {"", 0},              {"- 3", 0},         {"\t\n42", 42},
        {"99999999999", INT_MAX}, {"-99999999999", INT_MIN}, {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.value, ParseDecimal(c.text)) << "text '" << c.text << "'";
}

TEST(TextRules, NamesCompareWithoutCase)
{
    EXPECT_TRUE(EqualsNoCase("CommandsList", "COMMANDSLIST"));
    EXPECT_FALSE(EqualsNoCase("Data", "Data.US"));
    EXPECT_FALSE(EqualsNoCase("", "x"));
    EXPECT_STREQ("Temp\\", FindNoCase("C:\\TEMP\\Temp\\", "temp\\") + 5);
    EXPECT_EQ(nullptr, FindNoCase("abc", "abcd"));
}

TEST(TextRules, SplitPathAtTheLastBackslash)
{
    char dir[16], name[10];
    EXPECT_TRUE(SplitPath("C:\\tools\\setup.exe", dir, sizeof dir, name, sizeof name));
    EXPECT_STREQ("C:\\tools", dir);
    EXPECT_STREQ("setup.exe", name);

    EXPECT_TRUE(SplitPath("setup.exe", dir, sizeof dir, name, sizeof name));
    EXPECT_STREQ("", dir);
    EXPECT_STREQ("setup.exe", name);

    EXPECT_FALSE(SplitPath("C:\\a\\longprogramname.exe", dir, sizeof dir, name, sizeof name));
    EXPECT_STREQ("longprogr", name);
    EXPECT_FALSE(SplitPath("C:\\a-very-long-directory\\x", dir, sizeof dir, name, sizeof name));
    EXPECT_STREQ("C:\\a-very-long-", dir) << "cut to the buffer";
}

TEST(TextRules, CommandLinesSplitIntoTypeAndFields)
{
    std::string line = "17,Welcome, 2 ,Yes,,";
    char* rest;
    EXPECT_STREQ("17", SplitCommandType(&line[0], &rest));
    const char* expected[] = {"Welcome", "2", "Yes", "", ""};
    for (const char* field : expected) {
        ASSERT_NE(nullptr, rest);
        EXPECT_STREQ(field, NextCommandField(&rest));
    }
    EXPECT_EQ(nullptr, rest);
    EXPECT_EQ(nullptr, NextCommandField(&rest));

    std::string bare = "10";
    EXPECT_STREQ("10", SplitCommandType(&bare[0], &rest));
    EXPECT_EQ(nullptr, rest);
}

} // namespace
