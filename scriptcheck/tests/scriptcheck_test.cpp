// The script checker on small scripts, one or more for every kind of
// finding: the findings as "<line>: <severity>: <id>" and the exit status.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "checks.h"
#include "ini_reader.h"
#include "section_read.h"
#include "value_text.h"

namespace {

// Files a CMD28 line may append, by the path written in the script.
struct FakeFiles {
    std::vector<std::pair<std::string, std::string>> files;
};

bool ReadFake(void* context, const std::string& path, std::string* shown, std::string* text)
{
    for (auto& f : ((FakeFiles*)context)->files) {
        if (f.first == path) {
            *shown = "more.ini";
            *text = f.second;
            return true;
        }
    }
    return false;
}

std::vector<std::string> Summary(const std::vector<Finding>& findings)
{
    std::vector<std::string> out;
    for (const Finding& f : findings)
        out.push_back((f.file == "s.ini" ? "" : f.file + ":") + std::to_string(f.line) + ": " +
                      SeverityName(f.severity) + ": " + f.id);
    return out;
}

std::string Dump(const std::vector<Finding>& findings)
{
    std::string out;
    for (const Finding& f : findings)
        out += std::to_string(f.line) + ": " + f.text + " / " + f.fix + "\n";
    return out;
}

struct Case {
    const char* what;
    std::string script;
    std::vector<std::string> expected;
    int exit;
};

const std::string kList = "[Data]\nLogFile=C:\\x.log\n[CommandsList]\n"; // command lines start at line 4

const Case kCases[] = {
    {"a clean script", "32,hello\n17,Ask,3,Yes,\n[Ask.US]\nMessage1=Go on?\n[Yes]\n32,yes\n", {}, 0},
    {"command types", "40,x\n22,x\n32x,text\n32 hello\n21 C:\\x\n", // missing commas lose the rest
     {"4: error: unknown-type", "5: warning: reserved-type", "6: warning: type-text", "7: error: missing-comma",
      "8: error: missing-comma"},
     2},
    {"a type that reads as 0 ends the list", "abc,1\n32,after\n", {"4: error: list-ends"}, 2},
    {"sections a command reads",
     "15,Copies\n14,\n16,Empty\n29,Leftovers\n3,NoKeys\n[Empty]\n; only a comment\n",
     {"4: error: missing-section", "5: error: needs-section", "6: error: missing-section",
      "7: error: missing-section", "8: error: missing-section"},
     2},
    {"branch targets, as written and through a variable",
     "9,Yes,No\n17,Ask,4,A,Yes,\n18,Other,Yes\n19,~%V001\n25,Ids,Yes,Unsupported\n30,Yes,,Yes\n[Variables]\n"
     "V001=Mising\n[Ask.US]\nMessage1=?\n[Ids]\n0x0A1B\n[Yes]\n32,y\n",
     {"4: error: missing-target", "5: error: missing-target", "6: error: branch-fields", "6: error: missing-target",
      "7: error: missing-target", "8: error: missing-target", "9: warning: missing-target"},
     2},
    {"a new author's mistakes: a branch a field short, a single-value section without its key, a CMD14 line "
     "without its value name, a DWORD of decimal digits",
     "18,Win95,Win98,WinNT4,Win2000\n12,NoKey\n14,Values\n[NoKey]\nRegHive=HKEY_CURRENT_USER\nRegValue=V\n"
     "[Values]\n1,HKCU,K,Count,2,1000\n1,HKCU,K,Size,2,00001000\n1,HKCU,K,1,text\n",
     {"4: error: branch-fields", "4: error: missing-target", "4: error: missing-target", "4: error: missing-target",
      "4: error: missing-target", "7: error: no-key", "11: warning: hex-data", "13: error: registry-line"},
     2},
    {"root names that fall back to HKEY_LOCAL_MACHINE, value types, DWORD text",
     "3,Reg\n3,Dword\n3,Fine\n14,Multi\n[Reg]\nRegHive=HKEY_CURENT_USER\nRegDataType=7\n[Dword]\n"
     "RegHive=HKEY_CURRENT_USER\nRegDataType=2\nRegData=4294967296\n[Fine]\nRegHive=hkey_current_user\n"
     "RegDataType=2\nRegData=0xFFFFFFFF\n[Multi]\n1,HKML,K,V,0,a\n1,HKCU,K,V,9,a\n1,HKCU,K,V,1,ABC\n"
     "1,HKCU,K,V,2,12G\n1,hkcu,K,V,2,123456789\n4,HKCU,K,,,\n2,HKCU,K\n1,HKCU,K,V,0,never read\n",
     {"8: error: no-key", "9: error: root-fallback", "10: warning: value-type", "11: error: no-key",
      "14: error: dword-text", "15: error: no-key", "20: error: root-fallback",
      "21: warning: value-type", "22: warning: hex-data", "23: warning: hex-data", "24: warning: hex-data",
      "25: error: registry-action", "26: error: registry-line"},
     2},
    {"variable tokens",
     "27,,V002,x\n16,,~%V005\\x\n16,,~%V002\\~%X001\n16,,~%C105\n16,,~%V2\\x\n16,,~%C000.txt\n16,,~%v002\n",
     {"5: warning: undefined-variable", "6: error: bad-token", "7: error: unknown-builtin", "8: warning: token-shape",
      "9: warning: temp-name-rest"},
     2},
    {"values cut or refused at the runner's buffers",
     "16,,C:\\" + std::string(300, 'a') + "\n27,,V001,C:\\" + std::string(200, 'b') + "\n16,,~%V001\\~%V001\n32," +
         std::string(256, 'm') + "\n15," + std::string(256, 's') + "\n[Variables]\nV002=" + std::string(260, 'v') + "\n",
     {"4: error: too-long", "6: error: too-long", "7: warning: too-long", "8: error: too-long",
      "10: warning: too-long"},
     2},
    {"CMD32 text after a comma or a joined semicolon is lost",
     "32,Installing, please wait\n32,fine\n32,Installing; please wait\n32,done ; a comment\n",
     {"4: warning: text-lost", "6: warning: text-lost"}, 1},
    {"CMD11 program paths and wait flags",
     "11,,C:\\Program Files\\App\\setup.exe /s,TRUE\n11,,\"C:\\Program Files\\App\\setup.exe\" /s\n"
     "11,,C:\\Tools\\setup.exe /d C:\\x.exe,YES\n11,Launch\n11,,\"C:\\Tools\\setup.exe\"\n[Launch]\n"
     "Program=\"C:\\Tools\\setup.exe\" /s\n",
     {"4: warning: blank-in-program", "5: error: quoted-program", "6: warning: wait-flag", "7: error: quoted-program"},
     2},
    {"CMD21 lists stop at a directory that exists; list lines",
     "21,Dirs\n16,Gone\n15,Copies\n[Dirs]\nC:\\a\n[Gone]\nC:\\*.tmp\nC:\\old ; the old tree\n[Copies]\nC:\\a\n"
     "C:\\*.x,C:\\b\n,C:\\c\n",
     {"4: note: makedir-stops", "10: warning: wildcard", "11: warning: comment-in-path", "13: warning: missing-comma",
      "14: warning: wildcard", "15: warning: needs-field"},
     1},
    {"message boxes, system ID lists, steps and times",
     "17,Ask,9\n25,Ids,Yes,Yes\n7\n13,soon\n[Ask.US]\nTitle=" + std::string(130, 't') +
         "\n[Ids]\n0x0A1B\nID=0A1B\n0x1\n2587\n[Yes]\n32,y\n",
     {"4: warning: box-kind", "6: warning: step", "7: warning: sleep-time", "9: warning: too-long",
      "12: warning: id-line", "13: warning: id-line"},
     1},
    {"sections no list reaches, names given twice, a branch to the list itself",
     "32,x\n19,CommandsList\n3,Reg\n[Orphan]\n32,never\n[CommandsList]\n32,never read\n[Reg]\n"
     "RegHive=HKEY_CURRENT_USER\nreghive=HKML\n[DATA]\nLogging=1\n",
     {"5: warning: self-branch", "7: warning: unreachable", "9: warning: duplicate-section", "11: error: no-key",
      "13: warning: duplicate-key", "14: warning: duplicate-section"},
     2},
    {"a cycle of branches without an exit, and one with an exit", "19,A\n17,Ask,3,C,\n[A]\n19,B\n[B]\n32,b\n19,A\n"
     "[Ask.US]\nMessage1=?\n[C]\n19,D\n[D]\n19,C\n17,Ask,3,C,\n",
     {"7: error: endless-cycle"}, 2},
    {"field forms without their fields, list lines of CMD26, CMD27 and CMD29",
     "15,,C:\\a\n21,\n26,Settings\n27,Vars\n29,Leftovers\n19," + std::string(130, 'n') + "\n[Settings]\n"
     "Variables,V003\nVariables,V003,Yes\n[Vars]\nV004\n[Leftovers]\nC:\\old ; gone\n",
     {"4: error: needs-field", "5: error: needs-field", "9: error: too-long", "11: warning: missing-comma",
      "14: warning: missing-comma", "16: warning: comment-in-path"},
     2},
    {"branches through variables that CMD26 and CMD27 set: every value is followed",
     "27,,V001,A\n26,,Variables,V001,B\n19,~%V001\n[A]\n32,a\n[B]\n9,A,C\n[C]\n25,Ids,A,B\n[Ids]\n2587\n",
     {}, 0},
    {"CMD14 DWORDs of an odd digit count, comments stored with the data",
     "14,Odd\n[Odd]\n1,HKCU,K,V,2,3\n1,HKCU,K,V,2,3E8\n1,HKCU,K,V,2,000003E8\n1,HKCU,K,V,2,3 ; demand start\n"
     "1,HKCU,K,V,1,0A ;flag\n1,HKCU,K,V,0,text ; note\n1,HKCU,K,V,0,a;b\n",
     {"6: warning: hex-data", "7: warning: hex-data", "9: warning: comment-in-data", "10: warning: comment-in-data",
      "11: warning: comment-in-data"},
     1},
    {"an appended file brings sections; one that cannot be read",
     "28,~%C001\\more.ini\n19,More\n28,~%C001\\gone.ini\n19,Later\n[Later]\n",
     {"6: note: append-unread", "7: warning: missing-target"}, 1},
};

TEST(ScriptCheck, FindingsOfEachKind)
{
    FakeFiles files{{{"~%C001\\more.ini", "[More]\n32,from the appended file\n"}}};
    AppendSource appended = {ReadFake, &files};
    for (size_t i = 0; i < sizeof kCases / sizeof kCases[0]; i++) {
        const Case& c = kCases[i];
        std::vector<Finding> findings = CheckScript("s.ini", kList + c.script, &appended);
        EXPECT_EQ(c.expected, Summary(findings)) << "case " << i << ": " << c.what << "\n" << Dump(findings);
        EXPECT_EQ(c.exit, ExitStatusFor(findings)) << "case " << i << ": " << c.what;
        for (const Finding& f : findings)
            EXPECT_FALSE(f.fix.empty()) << "case " << i << ": every finding says how to fix it";
    }
}

// What an author reads for the odd DWORD: the value the runner stores
// and the eight digits meant; and a script name the runner cannot take.
TEST(ScriptCheck, OddDwordsAndScriptNamesSayWhatHappens)
{
    std::vector<Finding> odd = CheckScript("s.ini", kList + "14,Odd\n[Odd]\n1,HKCU,K,V,2,3E8\n", nullptr);
    ASSERT_EQ(1u, odd.size()) << Dump(odd);
    EXPECT_NE(std::string::npos, odd[0].text.find("stored as 0x3e80")) << odd[0].text;
    EXPECT_NE(std::string::npos, odd[0].fix.find("000003E8")) << odd[0].fix;

    for (const char* path : {"my-setup.ini", "C:\\a-b\\my-setup.ini", "/tmp/x/my-setup.ini"}) {
        std::vector<Finding> named = CheckScript(path, kList + "32,x\n", nullptr);
        ASSERT_EQ(1u, named.size()) << path << "\n" << Dump(named);
        EXPECT_STREQ("script-name", named[0].id) << path;
        EXPECT_EQ(kError, named[0].severity) << path;
        EXPECT_NE(std::string::npos, named[0].text.find("\"my-setup.ini\"")) << named[0].text;
    }
    EXPECT_TRUE(CheckScript("C:\\a-b\\setup.ini", kList + "32,x\n", nullptr).empty())
        << "only the name counts: a folder with a \"-\" is fine when the script is named alone";
}

TEST(ScriptCheck, StartLogSettingsAndNamesNearlyRight)
{
    std::vector<Finding> near = CheckScript("s.ini", kList + "15,Copeis\n[Copies]\na,b\n", nullptr);
    ASSERT_EQ((std::vector<std::string>{"4: error: missing-section", "5: warning: unreachable"}), Summary(near));
    EXPECT_NE(std::string::npos, near[0].fix.find("(did you mean [Copies]?)")) << near[0].fix;

    EXPECT_EQ((std::vector<std::string>{"1: error: no-command-list", "2: warning: default-log"}),
              Summary(CheckScript("s.ini", "[Data]\nLogging=1\n", nullptr)));
    EXPECT_EQ((std::vector<std::string>{"2: warning: default-log"}),
              Summary(CheckScript("s.ini", "[DATA]\nLogging=1\n[CommandsList]\n32,x\n", nullptr)));
    EXPECT_EQ((std::vector<std::string>{"3: warning: log-file"}),
              Summary(CheckScript("s.ini", "[Data]\nLogging=0\nLogFile=C:\\" + std::string(130, 'l') +
                                               "\n[CommandsList]\n32,x\n",
                                  nullptr)));
}

// Windows 95/98 read at most 16640 bytes of a section: the line cut there
// and every later one are dropped, through the runner's own section read.
TEST(ScriptCheck, SectionsOverTheWindows9xCap)
{
    std::string script = kList + "32,x\n19,Big\n[Big]\n";
    for (int i = 0; i < 400; i++)
        script += "32," + std::string(60, 'a') + "\n"; // 64 bytes a line as the section read counts it
    std::vector<Finding> findings = CheckScript("s.ini", script, nullptr);
    ASSERT_EQ((std::vector<std::string>{"6: warning: win9x-section-size"}), Summary(findings)) << Dump(findings);
    // 259 whole lines fit in 16638 bytes; the 260th is cut and dropped.
    EXPECT_NE(std::string::npos, findings[0].text.find("line 266 ")) << findings[0].text;
}

// The profile rules the checker's reader follows.
TEST(ScriptCheck, ReaderFollowsTheProfileRules)
{
    IniFile ini;
    const char text[] = "\xEF\xBB\xBF; top\r\n[Data]\r\n  Key = \"quoted\" \r\nkey=second\r\n[data]\r\nOther=1\r\n"
                        "[List]\r\n; comment\r\n  ;indented comment\r\n32, a = b \r\n\r\nplain\r\n[Broken\r\n";
    ParseIni(text, sizeof text - 1, "f.ini", &ini);
    EXPECT_EQ("quoted", ReadString(ini, "DATA", "KEY", "x")) << "case-insensitive, first match, quotes stripped";
    EXPECT_EQ("x", ReadString(ini, "Data", "Other", "x")) << "only the first [Data] is read";
    EXPECT_EQ(7, ReadInt(ini, "Data", "Missing", 7));
    char buffer[64];
    unsigned long n = ReadSectionInto(FindSection(ini, "list"), buffer, sizeof buffer);
    EXPECT_EQ(std::string("32, a=b\0plain\0[Broken\0", 22), std::string(buffer, n));
    EXPECT_EQ(10, FindSection(ini, "List")->entries[0].line);
    // A cut read: the last line cut, two NULs, the count is size - 2.
    EXPECT_EQ(10u, ReadSectionInto(FindSection(ini, "list"), buffer, 12));
    EXPECT_EQ(std::string("32, a=b\0pl\0\0", 12), std::string(buffer, 12));
    // The first line fills it to one byte short: nothing of the next.
    EXPECT_EQ(7u, ReadSectionInto(FindSection(ini, "list"), buffer, 9));
    EXPECT_EQ(std::string("32, a=b\0\0", 9), std::string(buffer, 9));
}

TEST(ScriptCheck, DwordTexts)
{
    const struct {
        const char* text;
        bool ok;
        unsigned long value;
    } cases[] = {{"0", true, 0},           {"4294967295", true, 4294967295ul}, {"0x1f", true, 31},
                 {"0XFFFFFFFF", true, 0xFFFFFFFFul}, {"4294967296", false, 0}, {"0x100000000", false, 0},
                 {"", false, 0},           {"0x", false, 0},                   {"-1", false, 0},
                 {"12 ", false, 0},        {"1f", false, 0}};
    for (const auto& c : cases) {
        unsigned long value = 12345;
        EXPECT_EQ(c.ok, ParseDwordText(c.text, &value)) << c.text;
        if (c.ok) {
            EXPECT_EQ(c.value, value) << c.text;
        }
    }
}

#ifdef SCRIPTCHECK_SOURCE_DIR
std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool ReadBeside(void* context, const std::string& path, std::string* shown, std::string* text)
{
    *shown = *(std::string*)context + "/" + path.substr(7);
    *text = ReadFile(*shown);
    return !text->empty();
}

// The project's own scripts: the authors' examples and the install scripts
// are clean, the demo's only finding is its log in the default folder (the
// bench makes that folder), and the bay machine files are not scripts at all.
TEST(ScriptCheck, TheProjectsExamples)
{
    std::string examples = std::string(SCRIPTCHECK_SOURCE_DIR) + "/examples";
    std::string demoDir = examples + "/demo";
    AppendSource beside = {ReadBeside, &demoDir};
    EXPECT_EQ((std::vector<std::string>{"7: warning: default-log"}),
              Summary(CheckScript("s.ini", ReadFile(examples + "/demo.ini"), &beside)));
    for (const char* name : {"package.ini", "versions.ini", "identity.ini"}) {
        std::string besideDir = examples;
        AppendSource own = {ReadBeside, &besideDir};
        EXPECT_EQ(std::vector<std::string>{}, Summary(CheckScript(name, ReadFile(examples + "/" + name), &own)))
            << name;
    }
    // The install scripts that ship in every release.
    for (const char* name : {"install.ini", "remove.ini"})
        EXPECT_EQ(std::vector<std::string>{},
                  Summary(CheckScript(name, ReadFile(std::string(SCRIPTCHECK_SOURCE_DIR) + "/install/" + name), nullptr)))
            << name;
    for (const char* name : {"boot.ini", "cdrom-in.ini", "cdrom-out.ini", "disk-in.ini", "disk-out.ini",
                             "warm-swap.ini", "floppy-in.ini", "floppy-out.ini"})
        EXPECT_EQ((std::vector<std::string>{"1: error: no-command-list"}),
                  Summary(CheckScript("s.ini", ReadFile(examples + "/bay/" + name), nullptr)))
            << name;
}
#endif

} // namespace
