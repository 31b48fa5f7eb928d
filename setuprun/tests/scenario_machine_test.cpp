// Runs that use the machine's fixed files (kit.ini and the default log in
// C:\system.sav\util): these tests run one at a time.
#include <gtest/gtest.h>

#include <thread>

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

    // A LogFile of 127 characters is used; one of 128 is refused, not cut:
    // the log goes to the default file with a warning. The longer path cut
    // by one is the shorter one, so a cut would write there.
    std::string atLimit = b.root + "\\" + std::string(127 - b.root.size() - 5, 'L') + ".log";
    std::string onePast = atLimit + "g";
    ASSERT_EQ(127u, atLimit.size());
    for (const std::string& path : {onePast, atLimit}) {
        DeleteFileA(kDefaultLog);
        b.WriteScript("longlog.ini", "[Data]\nLogging=1\nLogFile=" + path + "\n[CommandsList]\n5\n");
        ASSERT_TRUE(b.Run("longlog.ini -silent").finished);
        bool used = path == atLimit;
        text = ReadTextFile(kDefaultLog);
        EXPECT_EQ(!used, text.find("WARNING-=- LogFile is longer than 127 characters, logging to "
                                   "C:\\system.sav\\util\\install.log instead") != std::string::npos)
            << path.size() << text;
        EXPECT_EQ(used, ReadTextFile(atLimit).find("setuprun.exe> DONE !") != std::string::npos) << path.size();
        EXPECT_FALSE(FileExists(onePast));
    }
}

} // namespace

// Message boxes on the screen, answered as a person would. They run one at
// a time so that no other box covers the one whose icon is read.
namespace {

struct BoxCase {
    int kind;
    int answer;            // button pressed
    const char* branchTo;  // expected NextSection, or null for no branch
    std::vector<int> buttons;
    BoxIcon icon;
};

TEST(Boxes, EveryAnswerOfEveryKindBranchesAsItsTableSays)
{
    const BoxCase cases[] = {
        {2, IDOK, "Slot2", {IDOK, IDCANCEL}, BoxIcon::None},
        {2, IDCANCEL, "Slot3", {IDOK, IDCANCEL}, BoxIcon::None},
        {3, IDYES, "Slot2", {IDYES, IDNO}, BoxIcon::None},
        {3, IDNO, "Slot3", {IDYES, IDNO}, BoxIcon::None},
        {4, IDYES, "Slot2", {IDCANCEL, IDYES, IDNO}, BoxIcon::None},
        {4, IDNO, "Slot3", {IDCANCEL, IDYES, IDNO}, BoxIcon::None},
        {4, IDCANCEL, "Slot4", {IDCANCEL, IDYES, IDNO}, BoxIcon::None},
        {5, IDOK, nullptr, {IDOK}, BoxIcon::Warning},
        {6, IDOK, nullptr, {IDOK}, BoxIcon::Error},
        {1, IDOK, nullptr, {IDOK}, BoxIcon::None},
        {9, IDOK, nullptr, {IDOK}, BoxIcon::None},
    };
    Bench b;
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        const BoxCase& c = cases[i];
        b.WriteScript("box.ini", "[Data]\n" + b.LogKeys() +
                                     "[Welcome.US]\nTitle=Setup question\nMessage1=Hello\nMessage2=;\n"
                                     "Message3=World\nMessage4=\nMessage5=never shown\n"
                                     "[CommandsList]\n17,Welcome," +
                                     std::to_string(c.kind) + ",Slot2,Slot3,Slot4\n");
        RunOptions options;
        options.answers = {c.answer};
        RunResult r = b.Run("box.ini", options);
        ASSERT_TRUE(r.finished) << "case " << i;
        ASSERT_EQ(1u, r.boxes.size()) << "case " << i;
        const BoxSeen& box = r.boxes[0];
        EXPECT_EQ("Setup question", box.caption) << "case " << i;
        EXPECT_EQ("Hello\n\nWorld\n", box.text) << "case " << i;
        EXPECT_EQ(c.buttons, box.buttons) << "case " << i;
        EXPECT_TRUE(box.systemModal) << "case " << i;
        EXPECT_STREQ(IconName(c.icon), IconName(box.icon)) << "case " << i;
        // The branch target names no section: the end of the list ends the run.
        std::string branch = "  Setting next section to:  " + std::string(c.branchTo ? c.branchTo : "");
        EXPECT_EQ(c.branchTo ? 1 : 0, CountLines(b.Log(), branch)) << "case " << i << JoinLines(b.Log());
        b.ClearLog();
    }
}

TEST(Boxes, DefaultTitleAndAMissingFirstMessage)
{
    Bench b;
    b.WriteScript("plain.ini", "[Data]\n" + b.LogKeys() + "[Note.US]\nMessage2=unreachable\n"
                                                          "[CommandsList]\n17,Note\n");
    RunResult r = b.Run("plain.ini");
    ASSERT_TRUE(r.finished);
    ASSERT_EQ(1u, r.boxes.size());
    EXPECT_EQ("Vorlix Setup", r.boxes[0].caption);
    EXPECT_EQ("", r.boxes[0].text);

    // A hundred lines of 127 characters (longer values are cut to 127).
    std::string section = "[Long.US]\nTitle=" + std::string(200, 'T') + "\n";
    std::string expected;
    for (int k = 1; k <= 100; k++) {
        std::string line = std::to_string(k) + std::string(140, 'm');
        section += "Message" + std::to_string(k) + "=" + line + "\n";
        expected += line.substr(0, 127) + "\n";
    }
    b.WriteScript("long.ini", "[Data]\n" + b.LogKeys() + section + "[CommandsList]\n17,Long\n");
    r = b.Run("long.ini");
    ASSERT_TRUE(r.finished);
    ASSERT_EQ(1u, r.boxes.size());
    EXPECT_EQ(std::string(127, 'T'), r.boxes[0].caption);
    EXPECT_EQ(expected, r.boxes[0].text);
}

TEST(Boxes, StartUpAndInternalErrorBoxes)
{
    Bench b(WindowsVersion::XP);
    RunResult r = b.Run("missing.ini");
    ASSERT_TRUE(r.finished);
    ASSERT_EQ(1u, r.boxes.size());
    EXPECT_EQ("Vorlix Setup Utility - setupxp.exe", r.boxes[0].caption);
    EXPECT_TRUE(r.boxes[0].systemModal);
    EXPECT_STREQ("error", IconName(r.boxes[0].icon));

    b.WriteScript("internal.ini", "[Data]\n" + b.LogKeys() +
                                      "[CommandsList]\n18,NoSuchSection\n19,Neither\n30,Nor\n");
    r = b.Run("internal.ini");
    ASSERT_TRUE(r.finished);
    ASSERT_EQ(3u, r.boxes.size());
    for (const BoxSeen& box : r.boxes) {
        EXPECT_EQ("Vorlix SW Installer", box.caption);
        EXPECT_EQ("An internal error has occured and progress has been aborted.\n\nPlease reinstall installation.",
                  box.text);
        EXPECT_EQ(std::vector<int>{IDOK}, box.buttons);
        EXPECT_TRUE(box.systemModal);
        EXPECT_STREQ("error", IconName(box.icon));
    }
    // CMD18 logs before its box, CMD19 and CMD30 after theirs; all go on.
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"ERROR-=- Section number 0 [NoSuchSection] is not found!",
                                          "ERROR-=- Section [Neither] is not found!",
                                          "ERROR-=- Section [Nor] is not found!", "DONE !"}));
}

// Windows 98 with HKEY_LOCAL_MACHINE\ENUM\ACPI present: ACPI.
TEST(Machine, PowerManagementIsAcpiWhenTheKeyExists)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "ENUM\\ACPI", 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    RegCloseKey(key);
    Bench b(WindowsVersion::Win98);
    b.WriteScript("acpi.ini", "[Data]\n" + b.LogKeys() + "[CommandsList]\n30,Not98,Apm,Acpi\n"
                                                         "[Not98]\n5\n[Apm]\n5\n[Acpi]\n5\n");
    RunResult r = b.Run("acpi.ini -silent");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "ENUM\\ACPI");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "ENUM");
    ASSERT_TRUE(r.finished);
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"  This OS is ACPI", "  Setting next section to:  Acpi"}));
}

// A run that ends with a restart pending asks Windows for it, once, at the
// very end, after every command of the run; under SuppressReboot never.
TEST(Machine, RestartComesAtTheEndOfTheRun)
{
    Bench b;
    b.WriteScript("boot.ini", "[Data]\n" + b.LogKeys() + "[CommandsList]\n20\n5\n5\n");
    {
        RestartWatch watch(b);
        ASSERT_TRUE(b.Run("boot.ini -silent").finished);
        EXPECT_TRUE(watch.Happened(30000));
    }
    EXPECT_EQ("2", b.WorkingKey("boot.ini", "DATA", "RunCount"));
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"Setting to reboot system... ", "CMD2> CMD05_IncRunningCounter: 5 ",
                                          "No More commands ", "DONE  Shutting down system."}));

    // CMD29 with TRUE asks for it too.
    b.WriteScript("boot29.ini", "[Data]\n" + b.LogKeys() + "[CommandsList]\n29,,,TRUE\n");
    {
        RestartWatch watch(b);
        ASSERT_TRUE(b.Run("boot29.ini -silent").finished);
        EXPECT_TRUE(watch.Happened(30000));
    }
    EXPECT_TRUE(ContainsInOrder(b.Log(), {" will issue a system reboot.", "DONE  Shutting down system."}));

    // -noreboot at an earlier start of the same working copy: never.
    b.WriteScript("never.ini", "[Data]\n" + b.LogKeys() + "ForceCleanStart=0\n[CommandsList]\n10\n20\n");
    ASSERT_TRUE(b.Run("never.ini -silent -noreboot").finished);
    {
        RestartWatch watch(b);
        ASSERT_TRUE(b.Run("never.ini -silent").finished);
        EXPECT_FALSE(watch.Happened(4000));
    }
    EXPECT_EQ(1, CountLines(b.Log(), "Not setting to reboot system since SuppressReboot is set "));
}

// CMD28 rewrites the script file through a temporary copy. Whatever step
// fails, the script must stay whole: each case makes one step fail while
// the command pauses before reading the script (the pause is timed, so
// these cases run alone). On Windows NT the copy replaces the script in
// one rename: the name a 95/98 system moves the script aside to is not
// needed, and blocking it changes nothing.
TEST(Machine, AppendNeverLosesTheScript)
{
    const char* const kCases[] = {"script locked", "temporary file blocked", "aside name blocked"};
    for (int c = 0; c < 3; c++) {
        Bench b;
        std::string extra = b.root + "\\extra.ini";
        WriteTextFile(extra, "[Extra]\nKey=value\n");
        b.WriteScript("keep.ini", "[Data]\n" + b.LogKeys() + "Marker=kept\n[CommandsList]\n28," + extra + "\n5\n");
        std::string copy = b.WorkingCopy("keep.ini");
        std::string blocker;
        std::thread holder;
        RunOptions options;
        options.triggers.push_back({" creating temp file:  ", [&](const std::string& line) {
            std::string temp = line.substr(line.find("creating temp file:  ") + 21);
            if (c == 0) {
                // Held without sharing until the command has given up.
                HANDLE h = CreateFileA(copy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
                holder = std::thread([h] {
                    Sleep(2500);
                    CloseHandle(h);
                });
            } else {
                blocker = c == 1 ? temp : temp.substr(0, temp.size() - 4) + ".BAK";
                CreateDirectoryA(blocker.c_str(), nullptr);
            }
        }});
        RunResult r = b.Run("keep.ini -silent", options);
        if (holder.joinable())
            holder.join();
        if (!blocker.empty())
            RemoveDirectoryA(blocker.c_str());
        ASSERT_TRUE(r.finished) << kCases[c];
        EXPECT_EQ("kept", ReadKey(copy, "Data", "Marker")) << kCases[c];
        EXPECT_EQ(c == 2 ? "value" : "<missing>", ReadKey(copy, "Extra", "Key")) << kCases[c];
        std::vector<std::string> log = b.Log();
        const char* expected[] = {"ERROR-=- CMD28_AppendINIFile() - cannot read the script ",
                                  "ERROR-=- CMD28_AppendINIFile() - cannot create ", "  renaming "};
        bool logged = false;
        for (const std::string& line : log)
            logged |= line.rfind(expected[c], 0) == 0;
        EXPECT_TRUE(logged) << kCases[c] << JoinLines(log);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((b.tempDir + "TMP*").c_str(), &found);
        EXPECT_EQ(INVALID_HANDLE_VALUE, search) << kCases[c] << ": left behind " << found.cFileName;
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
        if (c > 0) {
            EXPECT_EQ("1", ReadKey(copy, "DATA", "RunCount")) << kCases[c] << ": the run did not go on";
        }
    }
}

} // namespace
