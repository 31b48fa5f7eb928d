// The install log: its switch, its place and its exact line forms.
#include <gtest/gtest.h>

#include <string.h>

#include "scenario_bench.h"

using namespace scenario;

namespace {

bool MatchesStampedLine(const std::string& line, const std::string& rest)
{
    // "[HH:MM:SS.mmm]" then the rest as written.
    if (line.size() != 14 + rest.size() || line[0] != '[' || line[13] != ']')
        return false;
    const char shape[] = "[99:99:99.999]";
    for (int i = 0; i < 14; i++) {
        if (shape[i] == '9' ? !(line[i] >= '0' && line[i] <= '9') : line[i] != shape[i])
            return false;
    }
    return line.compare(14, std::string::npos, rest) == 0;
}

TEST(InstallLog, ExactLineForms)
{
    Bench b;
    b.WriteScript("forms.ini", "[Data]\n" + b.LogKeys() + "[CommandsList]\n5\n");
    ASSERT_TRUE(b.Run("forms.ini -silent").finished);
    std::vector<std::string> raw = b.RawLog();
    ASSERT_GE(raw.size(), 3u);
    EXPECT_TRUE(MatchesStampedLine(raw[0], "  setuprun.exe>  ")) << raw[0];
    EXPECT_TRUE(MatchesStampedLine(raw[1], "  setuprun.exe> *** Starting " + b.programDir +
                                               "\\setuprun.exe Version: 2.00.4 *** "))
        << raw[1];
    bool command = false, done = false;
    for (const std::string& line : raw) {
        command |= MatchesStampedLine(line, "  setuprun.exe> CMD0> CMD05_IncRunningCounter: 5 ");
        done |= MatchesStampedLine(line, "  setuprun.exe> DONE !");
    }
    EXPECT_TRUE(command && done) << JoinLines(raw);
    // Every line ends in CR LF: text mode.
    std::string bytes = ReadTextFile(b.logPath);
    size_t lf = 0, crlf = 0;
    for (size_t i = 0; i < bytes.size(); i++) {
        if (bytes[i] == '\n') {
            lf++;
            crlf += i > 0 && bytes[i - 1] == '\r';
        }
    }
    EXPECT_EQ(lf, crlf);
    EXPECT_EQ(raw.size(), lf);
}

TEST(InstallLog, SuccessiveRunsAppend)
{
    Bench b;
    b.WriteScript("twice.ini", "[Data]\n" + b.LogKeys() + "[CommandsList]\n5\n");
    ASSERT_TRUE(b.Run("twice.ini -silent").finished);
    size_t first = b.RawLog().size();
    ASSERT_TRUE(b.Run("twice.ini -silent").finished);
    std::vector<std::string> log = b.Log();
    EXPECT_EQ(2 * first, log.size());
    EXPECT_EQ(2, CountLines(log, "*** Starting " + b.programDir + "\\setuprun.exe Version: 2.00.4 *** "));
    EXPECT_EQ(" ", log[first]) << "the second run starts with an empty entry";
}

TEST(InstallLog, OffOrUnopenableLogLeavesNoFileButTheRunGoesOn)
{
    Bench b;
    b.WriteScript("off.ini", "[Data]\nLogFile=" + b.logPath + "\n[CommandsList]\n5\n");
    ASSERT_TRUE(b.Run("off.ini -silent").finished);
    EXPECT_FALSE(FileExists(b.logPath));
    EXPECT_EQ("1", b.WorkingKey("off.ini", "DATA", "RunCount"));

    b.WriteScript("nodir.ini", "[Data]\nLogging=1\nLogFile=" + b.root + "\\missing\\x.log\n[CommandsList]\n5\n");
    ASSERT_TRUE(b.Run("nodir.ini -silent").finished);
    EXPECT_FALSE(FileExists(b.root + "\\missing"));
    EXPECT_EQ("1", b.WorkingKey("nodir.ini", "DATA", "RunCount"));

    // A log path that is a directory cannot be written either.
    MakeDirs(b.root + "\\isdir");
    b.WriteScript("isdir.ini", "[Data]\nLogging=1\nLogFile=" + b.root + "\\isdir\n[CommandsList]\n5\n");
    ASSERT_TRUE(b.Run("isdir.ini -silent").finished);
    EXPECT_EQ("1", b.WorkingKey("isdir.ini", "DATA", "RunCount"));
}

TEST(InstallLog, LongCommandLinesAreCutAt511Characters)
{
    Bench b;
    std::string longField(700, 'z');
    b.WriteScript("long.ini", "[Data]\n" + b.LogKeys() + "[CommandsList]\n32," + longField + "\n5\n");
    ASSERT_TRUE(b.Run("long.ini -silent").finished);
    for (const std::string& line : b.RawLog())
        EXPECT_LE(line.size(), 511u) << line.substr(0, 60);
    // The command text is read into 260 bytes: the logged text is its first 259 characters.
    std::string expected = "CMD0> CMD32_LogMsg: 32," + std::string(258, 'z') + " ";
    EXPECT_EQ(1, CountLines(b.Log(), expected)) << JoinLines(b.Log());
    EXPECT_EQ(longField, b.WorkingKey("long.ini", "Commands", "CmdSection0.0"));
    EXPECT_EQ("1", b.WorkingKey("long.ini", "DATA", "RunCount"));
}

TEST(InstallLog, PrivilegesAreAdjustedOnlyOnWindowsNT)
{
    const struct {
        WindowsVersion version;
        bool nt;
    } cases[] = {
        {WindowsVersion::Win95, false}, {WindowsVersion::Win98, false}, {WindowsVersion::NT4, true},
        {WindowsVersion::Win2000, true}, {WindowsVersion::XP, true},
    };
    for (const auto& c : cases) {
        Bench b(c.version);
        b.WriteScript("priv.ini", "[Data]\n" + b.LogKeys() + "[CommandsList]\n5\n");
        ASSERT_TRUE(b.Run("priv.ini -silent").finished);
        std::vector<std::string> log = b.Log();
        int notices = CountLines(log, "NOTICE: adjusting token privilege for : SE_SHUTDOWN_NAME") +
                      CountLines(log, "NOTICE: adjusting token privilege for : SE_RESTORE_NAME") +
                      CountLines(log, "NOTICE: adjusting token privilege for : SE_BACKUP_NAME");
        EXPECT_EQ(c.nt ? 3 : 0, notices) << b.programName << JoinLines(log);
        EXPECT_EQ(1, CountLines(log, "DONE !")) << b.programName;
    }
}

} // namespace
