// The program's command line: options, the script argument and its path.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "command_line.h"

namespace {

TEST(CommandLine, OptionsAreCaseSensitiveSubstringsAnywhere)
{
    CommandLineOptions o = FindOptions("kit.ini -silent -noreboot");
    EXPECT_TRUE(o.silent);
    EXPECT_TRUE(o.noReboot);
    EXPECT_FALSE(o.resume);

    o = FindOptions("x.ini -SILENT x-resumey");
    EXPECT_FALSE(o.silent);
    EXPECT_TRUE(o.resume);
}

TEST(CommandLine, ScriptArgumentIsTheTextBeforeTheFirstDash)
{
    const struct {
        const char* commandLine;
        const char* argument;
    } cases[] = {
        {"kit.ini -silent -noreboot", "kit.ini"},
        {"  C:\\my scripts\\a.ini  ", "C:\\my scripts\\a.ini"},
        {"-resume", ""},
        {"", ""},
        {"set-up.ini", "set"},
        {"a.ini ; note -silent", "a.ini"},
    };
    for (const auto& c : cases) {
        char out[260];
        EXPECT_TRUE(ExtractScriptArgument(c.commandLine, out, sizeof out)) << c.commandLine;
        EXPECT_STREQ(c.argument, out) << c.commandLine;
    }
}

TEST(CommandLine, OverlongScriptArgumentIsRefusedNotCut)
{
    std::string longName(300, 'a');
    char out[260];
    memset(out, 0xcc, sizeof out);
    EXPECT_FALSE(ExtractScriptArgument((longName + " -silent").c_str(), out, sizeof out));
    EXPECT_STREQ("", out);

    // Long option text after the script does not matter.
    std::string line = "a.ini " + std::string(400, '-');
    EXPECT_TRUE(ExtractScriptArgument(line.c_str(), out, sizeof out));
    EXPECT_STREQ("a.ini", out);

    // The limit counts the argument alone, not the blanks around it.
    const struct {
        std::string commandLine;
        bool accepted;
    } cases[] = {
        {std::string(259, 'b'), true},
        {std::string(259, 'b') + " -silent", true},
        {"   " + std::string(259, 'b') + "  ; note -resume", true},
        {std::string(260, 'b'), false},
        {std::string(260, 'b') + " -silent", false},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        memset(out, 0xcc, sizeof out);
        EXPECT_EQ(cases[i].accepted, ExtractScriptArgument(cases[i].commandLine.c_str(), out, sizeof out)) << i;
        EXPECT_EQ(cases[i].accepted ? 259u : 0u, strlen(out)) << i;
    }
}

TEST(CommandLine, RelativeScriptsLiveBesideTheProgram)
{
    char out[32];
    EXPECT_TRUE(ResolveScriptPath("kit.ini", "C:\\setup", out, sizeof out));
    EXPECT_STREQ("C:\\setup\\kit.ini", out);
    EXPECT_TRUE(ResolveScriptPath("D:\\x\\a.ini", "C:\\setup", out, sizeof out));
    EXPECT_STREQ("D:\\x\\a.ini", out);
    EXPECT_TRUE(ResolveScriptPath("sub\\a.ini", "C:\\s", out, sizeof out));
    EXPECT_STREQ("C:\\s\\sub\\a.ini", out);
    EXPECT_FALSE(ResolveScriptPath("a-name-that-does-not-fit.ini", "C:\\setup", out, sizeof out));
    EXPECT_STREQ("", out);
}

TEST(CommandLine, DefaultScriptIsTheProgramBaseNameDotINI)
{
    char out[64];
    EXPECT_TRUE(DefaultScriptPath("C:\\kit", "setup.exe", out, sizeof out));
    EXPECT_STREQ("C:\\kit\\setup.INI", out);
    EXPECT_TRUE(DefaultScriptPath("C:\\kit", "my.setup.exe", out, sizeof out));
    EXPECT_STREQ("C:\\kit\\my.setup.INI", out);
    EXPECT_TRUE(DefaultScriptPath("C:\\kit", "noext", out, sizeof out));
    EXPECT_STREQ("C:\\kit\\noext.INI", out);
    EXPECT_FALSE(DefaultScriptPath("C:\\kit", std::string(80, 'n').c_str(), out, sizeof out));
}

} // namespace
