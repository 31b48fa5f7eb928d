// Runs that use the machine's fixed files (kit.ini and the default log in
// C:\system.sav\util): these tests run one at a time.
#include <gtest/gtest.h>

#include "scenario_bench.h"

using namespace scenario;

namespace {

const char kUtilDir[] = "C:\\system.sav\\util";
const char kKitIni[] = "C:\\system.sav\\util\\kit.ini";
const char kDefaultLog[] = "C:\\system.sav\\util\\install.log";

// Leaves the machine's fixed files as a fresh machine has them: none.
class MachineFiles : public ::testing::Test {
protected:
    void SetUp() override { RemoveTree("C:\\system.sav"); }
    void TearDown() override { RemoveTree("C:\\system.sav"); }
};

TEST_F(MachineFiles, MissingKitIniRunsWithLanguageXX)
{
    Bench b;
    b.WriteScript("lang.ini", "[Data]\n" + b.LogKeys() + "[CommandsList]\n5\n");
    ASSERT_TRUE(b.Run("lang.ini -silent").finished);
    EXPECT_EQ("1", b.WorkingKey("lang.ini", "DATA", "RunCount"));
    EXPECT_EQ(1, CountLines(b.Log(), "DONE !"));
}

TEST_F(MachineFiles, EmptyLanguageCodeRunsNoCommand)
{
    MakeDirs(kUtilDir);
    WriteTextFile(kKitIni, "[Description]\nVorlixLanguage=\n");
    Bench b;
    b.WriteScript("nolang.ini", "[Data]\n" + b.LogKeys() + "[CommandsList]\n5\n");
    ASSERT_TRUE(b.Run("nolang.ini -silent").finished);
    std::vector<std::string> log = b.Log();
    EXPECT_TRUE(ContainsInOrder(log, {"InitCommandSection()  initializtion complete.", "ERROR -  Cannont find KIT.INI"}));
    EXPECT_EQ(0, CountLines(log, "DONE !"));
    EXPECT_EQ(0, CountLines(log, "CMD0> CMD05_IncRunningCounter: 5 "));
    EXPECT_EQ("<missing>", b.WorkingKey("nolang.ini", "DATA", "RunCount"));
}

TEST_F(MachineFiles, LanguageCodeIsStrippedOfCommentsAndBlanks)
{
    MakeDirs(kUtilDir);
    WriteTextFile(kKitIni, "[Description]\nVorlixLanguage=  US ; the code\n");
    Bench b;
    b.WriteScript("us.ini", "[Data]\n" + b.LogKeys() + "[CommandsList]\n5\n");
    ASSERT_TRUE(b.Run("us.ini -silent").finished);
    EXPECT_EQ("1", b.WorkingKey("us.ini", "DATA", "RunCount"));
}

TEST_F(MachineFiles, DefaultLogAndOverlongLogFile)
{
    MakeDirs(kUtilDir);
    Bench b;
    b.WriteScript("deflog.ini", "[Data]\nLogging=1\n[CommandsList]\n5\n");
    ASSERT_TRUE(b.Run("deflog.ini -silent").finished);
    std::string text = ReadTextFile(kDefaultLog);
    EXPECT_NE(std::string::npos, text.find("setuprun.exe> DONE !"));

    // A LogFile longer than 127 characters is refused, not cut: the log
    // goes to the default file with a warning.
    DeleteFileA(kDefaultLog);
    std::string longPath = b.root + "\\" + std::string(140, 'L') + ".log";
    b.WriteScript("longlog.ini", "[Data]\nLogging=1\nLogFile=" + longPath + "\n[CommandsList]\n5\n");
    ASSERT_TRUE(b.Run("longlog.ini -silent").finished);
    text = ReadTextFile(kDefaultLog);
    EXPECT_NE(std::string::npos,
              text.find("WARNING-=- LogFile is longer than 127 characters, logging to C:\\system.sav\\util\\install.log "
                        "instead"))
        << text;
    EXPECT_FALSE(FileExists(longPath));
}

} // namespace
