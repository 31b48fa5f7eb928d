// CMD11: starting programs, their working directory and waiting for them.
#include <gtest/gtest.h>

#include "scenario_bench.h"

using namespace scenario;

namespace {

// The spawn recorder, copied where a test needs it.
std::string PlaceRecorder(const std::string& dir, const char* name = "spawn_recorder.exe")
{
    MakeDirs(dir);
    std::string path = dir + "\\" + name;
    CopyFileA(BuiltFile(SPAWN_RECORDER_EXE).c_str(), path.c_str(), FALSE);
    return path;
}

// "key=value" lines the recorder wrote.
std::string Recorded(const std::string& record, const std::string& key)
{
    std::string text = ReadTextFile(record);
    size_t at = text.find(key + "=");
    if (at == std::string::npos)
        return "<missing>";
    size_t end = text.find_first_of("\r\n", at);
    return text.substr(at + key.size() + 1, end - at - key.size() - 1);
}

TEST(Launch, WaitsForTheProgramAndThenOneSecondMore)
{
    Bench b;
    std::string tools = b.root + "\\Tools";
    std::string recorder = PlaceRecorder(tools);
    std::string record = b.root + "\\waited.txt";
    b.WriteScript("wait.ini", "[Data]\n" + b.LogKeys() + "[Variables]\nV001=" + tools + "\nV002=~%V001\n" +
                                  "[Spawn]\nProgram=~%V002\\spawn_recorder.exe " + record + " 700 /s\nWaitToExit=true\n"
                                  "[CommandsList]\n11,Spawn\n5\n");
    DWORD start = GetTickCount();
    ASSERT_TRUE(b.Run("wait.ini -silent").finished);
    DWORD took = GetTickCount() - start;
    EXPECT_GE(took, 1700u) << "the run did not wait for the program and the pause";
    EXPECT_NE("<missing>", Recorded(record, "ended")) << "the run ended before the program";
    EXPECT_EQ(tools, Recorded(record, "cwd"));
    EXPECT_EQ(recorder + " " + record + " 700 /s", Recorded(record, "commandline"))
        << "a variable naming another variable is expanded in the second pass";
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"...Spawning  <" + recorder + " " + record + " 700 /s>",
                                          "...Setting CWD to  <" + tools + ">", "...WaitToFinish: true",
                                          "...waiting..... ", "...Spawn Complete ",
                                          "CMD1> CMD05_IncRunningCounter: 5 "}));
}

TEST(Launch, WorkingDirectoryComesFromTheTextBeforeTheFirstBlank)
{
    Bench b;
    std::string spaced = b.root + "\\my app";
    std::string recorder = PlaceRecorder(spaced);
    PlaceRecorder(b.programDir);
    std::string r1 = b.root + "\\r1.txt", r2 = b.root + "\\r2.txt";
    b.WriteScript("cwd.ini", "[Data]\n" + b.LogKeys() +
                                 "[Spaced]\nProgram=" + recorder + " " + r1 + " 0\nWaitToExit=TRUE\n"
                                 "[CommandsList]\n11,Spaced\n11,,spawn_recorder.exe " + r2 + " 0,True\n");
    ASSERT_TRUE(b.Run("cwd.ini -silent").finished);
    // "C:\...\my app\spawn_recorder.exe": the directory of "C:\...\my".
    EXPECT_EQ(b.root, Recorded(r1, "cwd"));
    // No backslash: the program starts in setuprun's own current directory.
    EXPECT_EQ(b.root, Recorded(r2, "cwd"));
    EXPECT_EQ(2, CountLines(b.Log(), "...Setting CWD to  <" + b.root + ">"));
}

TEST(Launch, DriveRootAndUnknownProgramsAndFlags)
{
    Bench b;
    // A program at the root of C: starts in "C:\".
    std::string name = "srtest_recorder_" + std::to_string(GetCurrentProcessId()) + ".exe";
    std::string atRoot = "C:\\" + name;
    CopyFileA(BuiltFile(SPAWN_RECORDER_EXE).c_str(), atRoot.c_str(), FALSE);
    std::string record = b.root + "\\root.txt";
    b.WriteScript("root.ini", "[Data]\n" + b.LogKeys() +
                                  "[Plain]\nProgram=" + atRoot + " " + record + " 0\n"
                                  "[CommandsList]\n11,Plain\n11,," + b.root + "\\missing.exe /x,TRUE\n"
                                  "11,," + atRoot + " " + record + "2 0,YES\n");
    ASSERT_TRUE(b.Run("root.ini -silent").finished);
    Sleep(500); // the programs were not waited for
    EXPECT_EQ("C:\\", Recorded(record, "cwd"));
    DeleteFileA(atRoot.c_str());
    std::vector<std::string> log = b.Log();
    EXPECT_TRUE(ContainsInOrder(log, {"...Setting CWD to  <C:\\>", "...WaitToFinish: FALSE", "...not waiting ",
                                      "...Spawn Complete "}));
    bool failed = false;
    for (const std::string& line : log)
        failed |= line.rfind("FAIL - Failure with CreateProcess( ) 2 - ", 0) == 0;
    EXPECT_TRUE(failed) << JoinLines(log);
    EXPECT_TRUE(ContainsInOrder(log, {"...WaitToFinish: YES", "...not waiting "}));
    EXPECT_EQ(3, CountLines(log, "...Spawn Complete "));
}

} // namespace
