// The commands that work on the run position: CMD05 to CMD08.
#include <gtest/gtest.h>

#include "scenario_bench.h"

using namespace scenario;

namespace {

TEST(RunPosition, JumpsForwardAndBackAndResets)
{
    Bench b;
    // 4 jumps over 5 and 6 to 7; 7 jumps back to 5; 5 counts; 6 resets
    // the run state and ends the run.
    b.WriteScript("jump.ini", "[Data]\n" + b.LogKeys() +
                                  "IncCommand=2\nDecCommand=2\n"
                                  "[CommandsList]\n5\n5\n5\n5\n7\n5\n8\n6\n32,never\n");
    RunResult r = b.Run("jump.ini -silent");
    ASSERT_TRUE(r.finished);
    std::vector<std::string> log = b.Log();
    EXPECT_TRUE(ContainsInOrder(log, {"CMD3> CMD05_IncRunningCounter: 5 ", "CMD4> CMD07_IncCmdIndex: 7 ",
                                      "CMD6=7 Increment CurrentCmd by 2", "CMD7> CMD06_DecCmdIndex: 6 ",
                                      "CMD4=6 Decrement the CurrentCmd by 2", "CMD5> CMD05_IncRunningCounter: 5 ",
                                      "CMD6> CMD08_ResetCmdIndex: 8 ", "DONE !"}));
    EXPECT_EQ(0, CountLines(log, "CMD8> CMD32_LogMsg: 32,never "));
    EXPECT_EQ(0, CountLines(log, "No More commands "));
    std::string copy = b.WorkingCopy("jump.ini");
    EXPECT_EQ("5", ReadKey(copy, "DATA", "RunCount"));
    EXPECT_EQ("<missing>", ReadKey(copy, "Commands", "Cmd0")) << "[Commands] survived CMD08";
    EXPECT_EQ("<missing>", ReadKey(copy, "Commands", "CurrentCmd"));
    EXPECT_EQ("<missing>", ReadKey(copy, "State", "CurrentSection")) << "[State] survived CMD08";

    // The next start of the same working copy is a first start.
    b.ClearLog();
    ASSERT_TRUE(b.Run("jump.ini -resume").finished);
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"InitCommandSection()  starting from [CommandsList]",
                                          "CMD0> CMD05_IncRunningCounter: 5 "}));
    EXPECT_EQ("10", ReadKey(copy, "DATA", "RunCount"));
}

TEST(RunPosition, NonPositiveStepsLeaveThePositionAlone)
{
    Bench b;
    b.WriteScript("zero.ini", "[Data]\n" + b.LogKeys() +
                                  "DecCommand=0\nIncCommand=-4\n"
                                  "[CommandsList]\n5\n5\n5\n5\n5\n5\n5\n6\n7\n5\n");
    ASSERT_TRUE(b.Run("zero.ini -silent").finished);
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"CMD7> CMD06_DecCmdIndex: 6 ",
                                          "CMD7=6 ERROR cannot decrement the CurrentCmd by 0",
                                          "CMD8> CMD07_IncCmdIndex: 7 ",
                                          "CMD8=7 ERROR cannot increment the CurrentCmd by -4",
                                          "CMD9> CMD05_IncRunningCounter: 5 ", "No More commands "}));
    EXPECT_EQ("8", b.WorkingKey("zero.ini", "DATA", "RunCount"));
}

TEST(RunPosition, JumpBelowZeroEndsAtTheEndOfListCheck)
{
    Bench b;
    b.WriteScript("neg.ini", "[Data]\n" + b.LogKeys() + "DecCommand=5\n[CommandsList]\n5\n6\n5\n");
    ASSERT_TRUE(b.Run("neg.ini -silent").finished);
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"CMD1> CMD06_DecCmdIndex: 6 ", "CMD-5=6 Decrement the CurrentCmd by 5",
                                          "No More commands ", "DONE !"}));
    EXPECT_EQ("-4", b.WorkingKey("neg.ini", "Commands", "CurrentCmd"));
    EXPECT_EQ("1", b.WorkingKey("neg.ini", "DATA", "RunCount"));
}

TEST(RunPosition, HugeStepsAreRefusedInsteadOfOverflowing)
{
    Bench b;
    b.WriteScript("huge.ini", "[Data]\n" + b.LogKeys() +
                                  "IncCommand=2147483647\nDecCommand=2147483647\n"
                                  "[CommandsList]\n7\n6\n5\n");
    ASSERT_TRUE(b.Run("huge.ini -silent").finished);
    EXPECT_TRUE(ContainsInOrder(b.Log(),
                                {"CMD0=7 ERROR cannot increment the CurrentCmd by 2147483647: out of range",
                                 "CMD1=6 ERROR cannot decrement the CurrentCmd by 2147483647: out of range",
                                 "CMD2> CMD05_IncRunningCounter: 5 "}));
    EXPECT_EQ("1", b.WorkingKey("huge.ini", "DATA", "RunCount"));
}

TEST(RunPosition, CounterIsReadFromDataAndWrittenInDecimal)
{
    Bench b;
    b.WriteScript("count.ini", "[Data]\n" + b.LogKeys() + "RunCount=41\n[CommandsList]\n5,Ignored\n");
    ASSERT_TRUE(b.Run("count.ini -silent").finished);
    EXPECT_EQ("42", b.WorkingKey("count.ini", "DATA", "RunCount"));
    EXPECT_EQ("<missing>", b.WorkingKey("count.ini", "Ignored", "RunCount"));
}

} // namespace
