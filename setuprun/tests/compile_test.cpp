// Compiling command lines into [Commands] keys and merging them into the
// existing section text.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "compile.h"

namespace {

std::vector<std::string> Entries(const char* text)
{
    std::vector<std::string> out;
    for (const char* e = text; e && *e; e = NextEntry(e))
        out.push_back(e);
    return out;
}

std::vector<std::string> Compile(const char* line, int n)
{
    KeyList keys;
    KeyListInit(&keys);
    std::string copy = line;
    bool numbered = CompileCommandLine(&copy[0], n, &keys);
    std::vector<std::string> out = numbered ? Entries(KeyListText(&keys)) : std::vector<std::string>{};
    KeyListFree(&keys);
    return out;
}

TEST(Compile, CommandLineBecomesTypeFullTextAndFields)
{
    EXPECT_EQ((std::vector<std::string>{"Cmd4=17", "FullCmdSection4=,Hello,2", "CmdSection4.0=Hello",
                                        "CmdSection4.1=2"}),
              Compile("  17,Hello,2  ; greet", 4));
    // A trailing comma gives a last, empty field.
    EXPECT_EQ((std::vector<std::string>{"Cmd0=32", "FullCmdSection0=,text,", "CmdSection0.0=text",
                                        "CmdSection0.1="}),
              Compile("32,text,", 0));
    // Without a comma: no fields and an empty full text.
    EXPECT_EQ((std::vector<std::string>{"Cmd-3=10", "FullCmdSection-3="}), Compile("10", -3));
    // Fields are stripped one by one; the full text keeps its inner blanks.
    EXPECT_EQ((std::vector<std::string>{"Cmd1=19 ", "FullCmdSection1=, Next Part", "CmdSection1.0=Next Part"}),
              Compile("19 , Next Part ", 1));
}

TEST(Compile, BlankAndCommentLinesTakeNoNumber)
{
    EXPECT_TRUE(Compile("", 0).empty());
    EXPECT_TRUE(Compile("   ; just a note", 0).empty());
    EXPECT_TRUE(Compile("\t\r\n", 0).empty());
}

TEST(Compile, RecognisesTheKeysOfCompiledNumbers)
{
    const struct {
        const char* key;
        bool inRange; // range 5..7
    } cases[] = {
        {"Cmd5", true},           {"cmd7", true},         {"CMD8", false},       {"Cmd4", false},
        {"FullCmdSection6", true}, {"CmdSection5.0", true}, {"cmdsection7.12", true}, {"CmdSection8.0", false},
        {"CurrentCmd", false},    {"Cmd5x", false},       {"CmdSection5", false}, {"Cmd", false},
        {"CmdSection5.", false},  {"Cmd5 ", true},        {"Cmd-5", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.inRange, IsCommandKeyInRange(c.key, 5, 7)) << c.key;
    EXPECT_TRUE(IsCommandKeyInRange("Cmd-2", -3, 0));
    EXPECT_TRUE(IsCommandKeyInRange("CmdSection-1.4", -3, 0));
}

TEST(Compile, MergeReplacesCompiledNumbersAndKeepsEverythingElse)
{
    // An earlier compile left command 5 with three fields; the new command
    // 5 has one. The stale fields must not survive, nor must command 6's
    // keys be touched (compiling never removes keys beyond its numbers).
    const char existing[] = "CurrentCmd=5\0Cmd5=17\0FullCmdSection5=,Box,4,A,B\0CmdSection5.0=Box\0"
                            "CmdSection5.1=4\0CmdSection5.2=A\0Cmd6=10\0CmdSection6.0=x\0\0";
    KeyList fresh;
    KeyListInit(&fresh);
    std::string line = "13,500";
    ASSERT_TRUE(CompileCommandLine(&line[0], 5, &fresh));
    char* merged = MergeCommandKeys(existing, &fresh, 5, 5);
    ASSERT_NE(nullptr, merged);
    EXPECT_EQ((std::vector<std::string>{"CurrentCmd=5", "Cmd6=10", "CmdSection6.0=x", "Cmd5=13",
                                        "FullCmdSection5=,500", "CmdSection5.0=500"}),
              Entries(merged));
    free(merged);

    merged = MergeCommandKeys(nullptr, &fresh, 5, 5);
    ASSERT_NE(nullptr, merged);
    EXPECT_EQ(3u, Entries(merged).size());
    free(merged);
    KeyListFree(&fresh);
}

TEST(Compile, KeyListGrowsForThousandsOfCommands)
{
    KeyList keys;
    KeyListInit(&keys);
    for (int n = 0; n < 5000; n++) {
        std::string line = "15,CopySection" + std::to_string(n) + ",more,fields";
        ASSERT_TRUE(CompileCommandLine(&line[0], n, &keys));
    }
    EXPECT_FALSE(keys.failed);
    std::vector<std::string> all = Entries(KeyListText(&keys));
    ASSERT_EQ(5000u * 5, all.size());
    EXPECT_EQ("CmdSection4999.2=fields", all.back());
    KeyListFree(&keys);
}

} // namespace
