// File commands: copies of files and trees, renames, directories and the
// Startup-folder link.
#include <gtest/gtest.h>

#include "scenario_bench.h"

using namespace scenario;

namespace {

void MakeFile(const std::string& path, const std::string& text, DWORD attributes = FILE_ATTRIBUTE_NORMAL)
{
    WriteTextFile(path, text);
    SetFileAttributesA(path.c_str(), attributes);
}

bool IsReadOnly(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
}

TEST(Files, ListCopiesFilesIntoDirectoriesAndTrees)
{
    Bench b;
    std::string src = b.root + "\\src";
    std::string dst = b.root + "\\dst";
    MakeDirs(src + "\\tree\\sub\\deep");
    MakeDirs(dst + "\\copy\\sub");
    MakeFile(src + "\\a.txt", "A");
    MakeFile(src + "\\tree\\t1.txt", "T1");
    MakeFile(src + "\\tree\\sub\\hidden.txt", "H", FILE_ATTRIBUTE_HIDDEN);
    MakeFile(src + "\\tree\\sub\\deep\\ro.txt", "RO", FILE_ATTRIBUTE_READONLY);
    MakeFile(dst + "\\copy\\sub\\hidden.txt", "old");
    MakeFile(dst + "\\existing.txt", "old");
    b.WriteScript("copy.ini", "[Data]\n" + b.LogKeys() + "[Variables]\nV001=" + src + "\n[Copies]\n" +
                                  "~%V001\\a.txt," + dst + "\\\n" +               // into a directory, trailing \ dropped
                                  src + "\\a.txt , " + dst + "\\renamed.txt ; note\n" + // comment after the destination
                                  src + "\\a.txt," + dst + "\\existing.txt\n" +     // overwrites
                                  src + "\\tree," + dst + "\\copy\n" +              // a tree into an existing directory
                                  src + "\\*.txt," + dst + "\n" +                  // wild card refused
                                  src + "\\a?.txt," + dst + "\n" +                 // "?" is a plain character
                                  "no comma here\n" + "," + dst + "\n" + src + "\\a.txt,\n" +
                                  "[CommandsList]\n15,Copies\n5\n");
    ASSERT_TRUE(b.Run("copy.ini -silent").finished);
    EXPECT_EQ("A", ReadTextFile(dst + "\\a.txt"));
    EXPECT_EQ("A", ReadTextFile(dst + "\\renamed.txt"));
    EXPECT_EQ("A", ReadTextFile(dst + "\\existing.txt"));
    EXPECT_EQ("T1", ReadTextFile(dst + "\\copy\\t1.txt"));
    EXPECT_EQ("H", ReadTextFile(dst + "\\copy\\sub\\hidden.txt"));
    EXPECT_EQ("RO", ReadTextFile(dst + "\\copy\\sub\\deep\\ro.txt"));
    EXPECT_TRUE(IsReadOnly(dst + "\\copy\\sub\\deep\\ro.txt")) << "the copy carries the attributes over";
    EXPECT_EQ("1", b.WorkingKey("copy.ini", "DATA", "RunCount"));
    std::vector<std::string> log = b.Log();
    EXPECT_TRUE(ContainsInOrder(log, {
        "WARNINIG-=- CMD15_CopyFile() -  removing trailing \\ from destination",
        "   CMD - copy " + src + "\\a.txt to " + dst,
        "    Copying " + src + "\\a.txt to " + dst + "\\a.txt",
        "    Copying " + src + "\\a.txt to " + dst + "\\renamed.txt",
        "    Copying " + src + "\\tree\\t1.txt to " + dst + "\\copy\\t1.txt",
        "NOTICE: Wild Cards not supported yet.",
        "CMD15_CopyFile() -  Invalid Parameters : SourceFile (" + src + "\\a?.txt) does not Exist ",
        "WARNINIG-=- CMD15_CopyFile() -   Missing comma >no comma here<",
        "WARNINIG-=- CMD15_CopyFile() -  Invalid Parameters : Source Missing",
        "WARNINIG-=- CMD15_CopyFile() -  Invalid Parameters : Destination Missing",
    }));
    for (const std::string& line : log)
        EXPECT_EQ(std::string::npos, line.find("CreateDirectory() failed")) << "an existing subdirectory was reported";
}

TEST(Files, AFailedFileCopyEndsTheList)
{
    Bench b;
    std::string dir = b.root;
    MakeFile(dir + "\\ro-source.txt", "new", FILE_ATTRIBUTE_READONLY);
    MakeFile(dir + "\\plain.txt", "p");
    b.WriteScript("fail.ini", "[Data]\n" + b.LogKeys() + "[Twice]\n" +
                                  dir + "\\ro-source.txt," + dir + "\\target.txt\n" +
                                  dir + "\\ro-source.txt," + dir + "\\target.txt\n" +
                                  dir + "\\plain.txt," + dir + "\\never.txt\n" +
                                  "[CommandsList]\n15,Twice\n5\n");
    ASSERT_TRUE(b.Run("fail.ini -silent").finished);
    EXPECT_EQ("new", ReadTextFile(dir + "\\target.txt"));
    EXPECT_FALSE(FileExists(dir + "\\never.txt")) << "lines after a failed copy ran";
    EXPECT_EQ("1", b.WorkingKey("fail.ini", "DATA", "RunCount")) << "the run goes on after the command";
    std::vector<std::string> log = b.Log();
    bool failure = false;
    for (const std::string& line : log)
        failure |= line.rfind("CMD15_CopyFile() -  Error=5, ", 0) == 0;
    EXPECT_TRUE(failure) << JoinLines(log);
    EXPECT_EQ(1, CountLines(log, "function CopyFile() failed on src=" + dir + "\\ro-source.txt, dst=" + dir +
                                     "\\target.txt"));
}

TEST(Files, TreeIntoAMissingDestinationReportsEveryFile)
{
    Bench b;
    std::string src = b.root + "\\src";
    MakeDirs(src + "\\sub");
    MakeFile(src + "\\one.txt", "1");
    MakeFile(src + "\\sub\\two.txt", "2");
    std::string missing = b.root + "\\nowhere";
    b.WriteScript("nodest.ini", "[Data]\n" + b.LogKeys() + "[Copies]\n" + src + "," + missing + "\n" + src +
                                    "\\one.txt," + b.root + "\\after.txt\n[CommandsList]\n15,Copies\n15,," + src +
                                    "," + b.root + "\\field.txt\n");
    ASSERT_TRUE(b.Run("nodest.ini -silent").finished);
    EXPECT_FALSE(FileExists(missing));
    EXPECT_EQ("1", ReadTextFile(b.root + "\\after.txt")) << "the list goes on after a tree";
    std::vector<std::string> log = b.Log();
    int copyFailures = 0, dirFailures = 0;
    for (const std::string& line : log) {
        copyFailures += line.rfind("SBCopyFile -  Error=", 0) == 0;
        dirFailures += line.rfind("SBCopyFile() -  Error=", 0) == 0;
    }
    EXPECT_EQ(2, copyFailures) << JoinLines(log);
    EXPECT_EQ(1, dirFailures);
    // The field form copies single files only: a directory source fails.
    bool fieldFailure = false;
    for (const std::string& line : log)
        fieldFailure |= line.rfind("CMD15_CopyFile() -  Error=", 0) == 0;
    EXPECT_TRUE(fieldFailure) << JoinLines(log);
}

TEST(Files, DirectoriesAreMadeOneLevelAtATime)
{
    Bench b;
    std::string base = b.root + "\\made";
    b.WriteScript("dirs.ini", "[Data]\n" + b.LogKeys() + "[Variables]\nV001=" + base + "\n[Dirs]\n" + base +
                                  "\\one\n" + base + "\\one\\two\n" + base + "\\three ; note\n" + base +
                                  "\\one\n" + base + "\\never\n" +
                                  "[CommandsList]\n21,,~%V001\n21,Dirs\n21,," + base + "\\x\\y\n21,,~%V001\n");
    ASSERT_TRUE(b.Run("dirs.ini -silent").finished);
    EXPECT_TRUE(FileExists(base + "\\one\\two"));
    EXPECT_TRUE(FileExists(base + "\\three ; note")) << "a list line is used as written";
    EXPECT_FALSE(FileExists(base + "\\never")) << "lines after a failure ran";
    EXPECT_FALSE(FileExists(base + "\\x"));
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"WARNING-=- function MakeDirectory () failed on src=" + base + "\\one",
                                          "WARNING-=- function MakeDirectory () failed on src=" + base + "\\x\\y",
                                          "WARNING-=- function MakeDirectory () failed on src=" + base}));
}

TEST(Files, RenamesNeverReplaceOrMoveIntoDirectories)
{
    Bench b;
    std::string d = b.root;
    MakeFile(d + "\\a.txt", "a");
    MakeFile(d + "\\b.txt", "b");
    MakeFile(d + "\\taken.txt", "t");
    MakeFile(d + "\\f.txt", "f");
    MakeDirs(d + "\\folder");
    b.WriteScript("ren.ini", "[Data]\n" + b.LogKeys() + "[Renames]\n" + d + "\\a.txt," + d + "\\a2.txt\n" + d +
                                 "\\b.txt," + d + "\\taken.txt\n" + d + "\\b.txt," + d + "\\folder\\\n" + d +
                                 "\\*.txt," + d + "\\x\nnocomma\n" + d + "\\b.txt," + d + "\\b2.txt\n" +
                                 "[CommandsList]\n31,Renames\n31,," + d + "\\f.txt," + d + "\\f2.txt\n31,," + d +
                                 "\\missing.txt," + d + "\\m.txt\n");
    ASSERT_TRUE(b.Run("ren.ini -silent").finished);
    EXPECT_EQ("a", ReadTextFile(d + "\\a2.txt"));
    EXPECT_EQ("t", ReadTextFile(d + "\\taken.txt"));
    EXPECT_EQ("b", ReadTextFile(d + "\\b2.txt")) << "the list goes on after failures";
    EXPECT_EQ("f", ReadTextFile(d + "\\f2.txt"));
    EXPECT_TRUE(ContainsInOrder(b.Log(), {
        "   renamed " + d + "\\a.txt to " + d + "\\a2.txt",
        "WARNING-=- function rename() failed on src=" + d + "\\b.txt, dst=" + d + "\\taken.txt",
        "WARNINIG-=- Removing trailing \\ from destination >" + d + "\\folder<",
        "WARNING-=- function rename() failed on src=" + d + "\\b.txt, dst=" + d + "\\folder",
        "NOTICE: Wild Cards not supported yet.", "WARNINIG-=- Missing comma >nocomma<",
        "   renamed " + d + "\\b.txt to " + d + "\\b2.txt", "   Rename " + d + "\\f.txt to " + d + "\\f2.txt",
        "WARNING-=- function rename() failed on src=" + d + "\\missing.txt, dst=" + d + "\\m.txt"}));
}

TEST(Files, StartupFolderLinkIsCopiedAndDeleted)
{
    Bench b;
    std::string folder = b.root + "\\Startup";
    MakeDirs(folder + "\\Sub");
    MakeFile(b.root + "\\Setup.lnk", "link");
    MakeFile(folder + "\\Sub\\Old.lnk", "old");
    MakeFile(folder + "\\Locked.lnk", "ro", FILE_ATTRIBUTE_READONLY);
    // kit.ini is absent on this machine: the language data section is [Data.XX].
    b.WriteScript("link.ini", "[Data]\n" + b.LogKeys() + "[Data.XX]\nCommonStartupFolder=" + folder + "\\\n" +
                                  "[Add]\nAddLinkFile=" + b.root + "\\Setup.lnk\n[AddBare]\nAddLinkFile=Bare.lnk\n"
                                  "[Del]\nDeleteLinkFile=Sub\\Old.lnk\n[DelLocked]\nDeleteLinkFile=Locked.lnk\n"
                                  "[CommandsList]\n1,Add\n1,AddBare\n2,Del\n2,DelLocked\n");
    ASSERT_TRUE(b.Run("link.ini -silent").finished);
    EXPECT_EQ("link", ReadTextFile(folder + "\\Setup.lnk"));
    EXPECT_FALSE(FileExists(folder + "\\Sub\\Old.lnk"));
    EXPECT_TRUE(FileExists(folder + "\\Locked.lnk")) << "a read-only link keeps its attribute and stays";
    std::vector<std::string> log = b.Log();
    EXPECT_TRUE(ContainsInOrder(log, {"... CopyFile(" + b.root + "\\Setup.lnk," + folder + "\\Setup.lnk)",
                                      "... CopyFile(Bare.lnk," + folder + "\\Bare.lnk)",
                                      "... DeleteFile(" + folder + "\\Sub\\Old.lnk)",
                                      "... DeleteFile(" + folder + "\\Locked.lnk)"}));
    int copyFailures = 0, deleteFailures = 0;
    for (const std::string& line : log) {
        copyFailures += line.rfind("FAIL - Failure with CopyFile( ) 2 - ", 0) == 0;
        deleteFailures += line.rfind("FAIL - Failure with DeleteFile( ) 5 - ", 0) == 0;
    }
    EXPECT_EQ(1, copyFailures) << JoinLines(log);
    EXPECT_EQ(1, deleteFailures) << JoinLines(log);
}

TEST(Files, DefaultStartupFolder)
{
    Bench b;
    b.WriteScript("deflink.ini", "[Data]\n" + b.LogKeys() + "[Add]\nAddLinkFile=C:\\Install\\Setup.lnk\n"
                                                            "[CommandsList]\n1,Add\n");
    ASSERT_TRUE(b.Run("deflink.ini -silent").finished);
    EXPECT_EQ(1, CountLines(b.Log(), "... CopyFile(C:\\Install\\Setup.lnk,C:\\Documents and Settings\\All "
                                     "Users\\Start Menu\\Programs\\Startup\\Setup.lnk)"));
}

TEST(Files, OverlongPathsAreRefusedNeverCut)
{
    Bench b;
    std::string longDir = b.root + "\\" + std::string(300, 'd');
    // Copy destinations may be 511 characters long (the copy itself then
    // fails and ends the list); beyond that they are refused.
    std::string longerDir = b.root + "\\" + std::string(600, 'D');
    MakeFile(b.root + "\\src.txt", "s");
    b.WriteScript("long.ini", "[Data]\n" + b.LogKeys() + "[Copies]\n" + b.root + "\\src.txt," + longerDir +
                                  "\n" + b.root + "\\src.txt," + b.root + "\\ok.txt\n[Dirs]\n" + longDir + "\n" +
                                  "[CommandsList]\n15,Copies\n21,Dirs\n21,," + b.root + "\\" + std::string(250, 'e') +
                                  "\n31,," + b.root + "\\src.txt," + longDir + "\n5\n");
    ASSERT_TRUE(b.Run("long.ini -silent").finished);
    EXPECT_EQ("s", ReadTextFile(b.root + "\\ok.txt")) << "a refused line does not end the copy list";
    EXPECT_TRUE(FileExists(b.root + "\\src.txt"));
    EXPECT_EQ("1", b.WorkingKey("long.ini", "DATA", "RunCount"));
    int refused = 0;
    for (const std::string& line : b.Log())
        refused += line.rfind("ERROR-=- path longer than ", 0) == 0;
    EXPECT_EQ(4, refused) << JoinLines(b.Log());
}

} // namespace
