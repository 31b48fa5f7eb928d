// Every fixed buffer of the runner at its limit and one past it: a value of
// the limit's length is used whole, one character more is refused with a
// log line (or, where the runner shows a text only, cut with a warning).
// One past is tried first: the value at the limit is the longer value cut
// by one, so a silent cut would be seen using it.
#include <gtest/gtest.h>

#include <algorithm>

#include "registry.h"
#include "scenario_bench.h"

using namespace scenario;

namespace {

const std::string kRegistryRoot = "Software\\srtests\\Limits";

bool LogHasLineStarting(const std::vector<std::string>& log, const std::string& start)
{
    for (const std::string& line : log) {
        if (line.rfind(start, 0) == 0)
            return true;
    }
    return false;
}

// A path of exactly n characters below base, in parts short enough for the
// ANSI file functions; its directories are made when asked.
std::string PathOfLength(const std::string& base, size_t n, char fill, bool makeDirs)
{
    std::string path = base;
    while (n > path.size() + 1 + 120) {
        size_t part = std::min<size_t>(100, n - path.size() - 2 - 20);
        path += "\\" + std::string(part, fill);
    }
    std::string dir = path;
    path += "\\" + std::string(n - path.size() - 1, fill);
    if (makeDirs)
        MakeDirs(dir);
    return path;
}

// One run of a row for a value of n characters: what the row prepared,
// then what the run left.
struct Trial {
    Trial(const Bench& bench, size_t length, size_t row)
        : b(bench), n(length), base(b.root + "\\r" + std::to_string(row)),
          regKey(kRegistryRoot + "\\r" + std::to_string(row))
    {
    }

    const Bench& b;
    size_t n;
    std::string base;   // the row's own folder
    std::string regKey; // the row's own key under HKEY_CURRENT_USER
    std::string value;  // the value of n characters, as the row built it
    std::string script; // file name of the script
    std::string arguments;
    RunOptions options;
    RunResult result;

    // The value as n times one character.
    const std::string& Fill(char c) { return value.assign(n, c); }
    // The file at the limit (written when text is given) and the value one
    // past it or at it: a path one longer, cut, would name that file.
    const std::string& FileAtLimit(char fill, const char* text)
    {
        std::string file = PathOfLength(base, 259, fill, true);
        if (text)
            WriteTextFile(file, text);
        return value = file + std::string(n - 259, fill);
    }
    // A script with the bench's log keys, a command list and more sections.
    std::string Text(const std::string& commands, const std::string& sections = "") const
    {
        return "[Data]\n" + b.LogKeys() + sections + "[CommandsList]\n" + commands;
    }
    // The usual trial: a script of its own, run silent.
    void Plain(const std::string& commands, const std::string& sections = "")
    {
        static int serial = 0;
        script = "limit" + std::to_string(++serial) + "_" + std::to_string(n) + ".ini"; // no "-": it ends the argument
        b.WriteScript(script, Text(commands, sections));
        arguments = script + " -silent";
    }

    std::string Kept(const char* section, const char* key) const { return b.WorkingKey(script, section, key); }
    bool Logged(const std::string& line) const { return CountLines(b.Log(), line) > 0; }
    bool InRegistry(const std::string& name, std::string* bytes = nullptr) const
    {
        testkit::StoredValue stored = testkit::ReadStoredValue(HKEY_CURRENT_USER, regKey, name.c_str());
        if (stored.exists && bytes)
            bytes->assign(stored.bytes.begin(), stored.bytes.end());
        return stored.exists;
    }
};

// A CMD03 section of one value in HKEY_CURRENT_USER.
std::string Single(const std::string& key, const std::string& name, const std::string& data)
{
    return "[Single]\nRegHive=HKEY_CURRENT_USER\nRegKey=" + key + "\nRegValue=" + name + "\nRegData=" + data + "\n";
}

// The multi-string value "Multi<n>" holds the value, its zero and the list's zero.
bool MultiStringWhole(const Trial& t)
{
    std::string bytes;
    return t.InRegistry("Multi" + std::to_string(t.value.size()), &bytes) && bytes == t.value + std::string(2, '\0');
}

// The directory was made, or at least tried whole.
bool DirectoryMadeOrTried(const Trial& t)
{
    return FileExists(t.value) || t.Logged("WARNING-=- function MakeDirectory () failed on src=" + t.value);
}

struct Limit {
    const char* what;
    size_t limit;                // the longest value used whole
    bool win98;                  // run as Windows 98
    void (*prepare)(Trial&);     // the machine and the script for a value of t.n characters
    bool (*used)(const Trial&);  // whether the run used the value whole
    const char* refusal;         // start of the log line one past the limit; null: the usage box
};

const Limit kLimits[] = {
    // Start-up. Logging is not on before the script is found: a refused
    // argument shows the usage box.
    {"script argument (full path)", 259, false,
     [](Trial& t) {
         t.value = PathOfLength(t.base, t.n, 's', true);
         t.script = t.value.substr(t.value.rfind('\\') + 1);
         if (t.n <= 259)
             WriteTextFile(t.value, t.Text("5\n"));
         t.arguments = t.value + " -noreboot";
     },
     [](const Trial& t) { return t.result.boxes.empty() && t.Kept("DATA", "RunCount") == "1"; }, nullptr},
    {"working copy path (temporary directory and script name)", 259, false,
     [](Trial& t) {
         t.script = "wc" + std::string(14, 'w') + ".ini";
         std::string dir = PathOfLength(t.base, t.n - t.script.size() - 1, 't', true);
         MakeDirs(dir);
         t.options.tempDir = dir + "\\";
         t.value = t.options.tempDir + t.script;
         t.b.WriteScript(t.script, t.Text("5\n"));
         t.arguments = t.script + " -silent";
     },
     [](const Trial& t) { return ReadKey(t.value, "DATA", "RunCount") == "1"; }, "ERROR-=- working copy path "},

    // The engine: field 0 of a command, branch targets, sections on 9x.
    {"field 0 of a command (a section name)", 255, false,
     [](Trial& t) {
         t.value = std::string(t.n - 1, 'f') + "x";
         // Cut by one, field 0 one past the limit would name a section
         // that sets another value.
         t.Plain("27," + t.value + "\n",
                 "[" + t.value + "]\nV001,set\n[" + std::string(255, 'f') + "]\nV001,cut\n");
     },
     [](const Trial& t) { return t.Kept("Variables", "V001") == "set"; },
     "ERROR-=- CMD0: field 0 is longer than 255 characters, command not run"},
    {"branch target (a section name in [State])", 127, false,
     [](Trial& t) {
         // Cut by one, the target one past the limit would name a section
         // that says so.
         t.Fill(t.n == 127 ? 'G' : 'g');
         t.Plain("19," + t.value + "\n",
                 "[" + t.value + "]\n5\n[" + std::string(127, 'g') + "]\n32,the cut name ran\n");
     },
     [](const Trial& t) { return t.Kept("DATA", "RunCount") == "1" && !t.Logged(" the cut name ran"); },
     "ERROR-=- section name "},
    {"command list on Windows 98 (characters as the profile functions count them)", 16637, true,
     [](Trial& t) {
         // Lines "5,aaa..." of 200 characters and their ends, the last
         // one filling up to n.
         std::string list;
         size_t used = 0;
         int lines = 0;
         for (; t.n - used > 2 * 201; used += 201, lines++)
             list += "5," + std::string(198, 'a') + "\n";
         list += "5," + std::string(t.n - used - 3, 'z') + "\n";
         t.value = std::to_string(lines + 1);
         t.Plain(list);
     },
     [](const Trial& t) { return t.Kept("DATA", "RunCount") == t.value; },
     "WARNING-=- section cut at its size limit, dropping its last line"},

    // Variables.
    {"variable value read by a token", 259, false,
     [](Trial& t) { t.Plain("27,,V002,~%V001\n", "[Variables]\nV001=" + t.Fill('v') + "\n"); },
     [](const Trial& t) { return t.Kept("Variables", "V002") == t.value; },
     "ERROR-=-  variable V001 is longer than 259 characters: not expanded"},
    {"expanded text of CMD27 (cut on purpose, logged)", 511, false,
     [](Trial& t) {
         std::string part(250, 'e'), tail(t.n - 500, 'x');
         t.value = part + part + tail;
         t.Plain("27,,V002,~%V001~%V001" + tail + "\n", "[Variables]\nV001=" + part + "\n");
     },
     [](const Trial& t) { return t.Kept("Variables", "V002") == t.value; },
     "ERROR-=-  expanded text cut to 511 characters"},
    {"CMD27 value, field form", 511, false, [](Trial& t) { t.Plain("27,,V002," + t.Fill('q') + "\n"); },
     [](const Trial& t) { return t.Kept("Variables", "V002") == t.value; },
     "WARNINIG-=- variable V002 is longer than 511 characters: not set"},
    {"CMD27 value, section form", 511, false,
     [](Trial& t) { t.Plain("27,Vars\n", "[Vars]\nV003," + t.Fill('r') + "\n"); },
     [](const Trial& t) { return t.Kept("Variables", "V003") == t.value; },
     "WARNINIG-=- variable V003 is longer than 511 characters: not set"},
    {"CMD26 value, field form", 511, false, [](Trial& t) { t.Plain("26,,Kept,Entry," + t.Fill('w') + "\n"); },
     [](const Trial& t) { return t.Kept("Kept", "Entry") == t.value; },
     "WARNINIG-=- entry field longer than 511 characters, not written"},

    // Registry.
    {"CMD03 RegValue", 511, false, [](Trial& t) { t.Plain("3,Single\n", Single(t.regKey, t.Fill('n'), "x")); },
     [](const Trial& t) { return t.InRegistry(t.value); },
     "ERROR-=- RegValue of [Single] is longer than 511 characters"},
    {"CMD03 RegKey", 511, false,
     [](Trial& t) {
         // Below the row's key, in parts of at most 200.
         t.value = t.regKey;
         while (t.n > t.value.size() + 201)
             t.value += "\\" + std::string(200, 'y');
         t.value += "\\" + std::string(t.n - t.value.size() - 1, 'z');
         t.Plain("3,Single\n", Single(t.value, "v", "x"));
     },
     [](const Trial& t) {
         // Wine refuses a key path this long (234): the key is tried
         // whole, and that is logged.
         HKEY key;
         if (RegOpenKeyExA(HKEY_CURRENT_USER, t.value.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
             RegCloseKey(key);
             return true;
         }
         return LogHasLineStarting(t.b.Log(), "ERROR opening key:  HKEY_CURRENT_USER\\" + t.value.substr(0, 300));
     },
     "ERROR-=- RegKey of [Single] is longer than 511 characters"},
    {"CMD03 RegData of a multi-string (the text, its zero and the list's zero)", 511, false,
     [](Trial& t) {
         t.Plain("3,Single\n", Single(t.regKey, "Multi" + std::to_string(t.n), t.Fill('m')) + "RegDataType=4\n");
     },
     MultiStringWhole, "ERROR-=- RegData of [Single] is longer than 511 characters"},
    {"CMD14 data of a multi-string", 259, false,
     [](Trial& t) {
         t.Plain("14,Edits\n",
                 "[Edits]\n1,HKCU," + t.regKey + ",Multi" + std::to_string(t.n) + ",4," + t.Fill('d') + "\n");
     },
     MultiStringWhole, "ERROR-=- data longer than 259 characters"},
    {"CMD14 value name", 259, false,
     [](Trial& t) { t.Plain("14,Edits\n", "[Edits]\n1,HKCU," + t.regKey + "," + t.Fill('k') + ",0,x\n"); },
     [](const Trial& t) { return t.InRegistry(t.value); }, "ERROR-=- value name longer than 259 characters"},

    // Files. The file at the limit exists before both runs: a path one
    // longer, cut, would name it.
    {"CMD16 path after expansion", 259, false,
     [](Trial& t) {
         t.FileAtLimit('p', t.n == 260 ? "keep" : nullptr);
         t.Plain("16,,~%V001" + t.value.substr(t.base.size()) + "\n", "[Variables]\nV001=" + t.base + "\n");
     },
     [](const Trial& t) { return !FileExists(t.value.substr(0, 259)); },
     "ERROR-=- path longer than 259 characters, not deleted"},
    {"CMD21 path, field form", 255, false,
     [](Trial& t) {
         t.value = PathOfLength(t.base, t.n, 'm', true);
         t.Plain("21,," + t.value + "\n5\n");
     },
     DirectoryMadeOrTried, "ERROR-=- path longer than 255 characters, not used"},
    {"CMD21 path, list form", 259, false,
     [](Trial& t) {
         t.value = PathOfLength(t.base, t.n, 'l', true);
         t.Plain("21,Dirs\n", "[Dirs]\n" + t.value + "\n");
     },
     DirectoryMadeOrTried, "ERROR-=- path longer than 259 characters, not used"},
    {"CMD15 source, list form", 259, false,
     [](Trial& t) {
         t.FileAtLimit('c', "copied");
         t.Plain("15,Copies\n", "[Copies]\n" + t.value + "," + t.base + "\\copy" + std::to_string(t.n) + ".txt\n");
     },
     [](const Trial& t) { return FileExists(t.base + "\\copy" + std::to_string(t.value.size()) + ".txt"); },
     "ERROR-=- path longer than 259 characters, not used"},
    {"CMD15 destination, field form", 511, false,
     [](Trial& t) {
         MakeDirs(t.base);
         WriteTextFile(t.base + "\\src.txt", "s");
         t.value = PathOfLength(t.base, t.n, 'o', false);
         t.Plain("15,," + t.base + "\\src.txt," + t.value + "\n");
     },
     [](const Trial& t) {
         // Too long for the file functions: the copy is tried and fails
         // (its log line is cut at 511 characters).
         std::string tried = "function CopyFile() failed on src=" + t.base + "\\src.txt, dst=";
         for (const std::string& line : t.b.Log()) {
             if (line.find(tried) != std::string::npos)
                 return true;
         }
         return false;
     },
     "ERROR-=- path longer than 511 characters, not used"},
    {"CMD31 source, field form", 259, false,
     [](Trial& t) { t.Plain("31,," + t.FileAtLimit('n', "renamed") + "," + t.base + "\\renamed.txt\n"); },
     [](const Trial& t) { return FileExists(t.base + "\\renamed.txt"); },
     "ERROR-=- path longer than 259 characters, not used"},
    {"CMD01 AddLinkFile", 259, false,
     [](Trial& t) {
         t.FileAtLimit('i', "link");
         MakeDirs(t.base + "\\startup");
         t.Plain("1,Add\n",
                 "[Data.XX]\nCommonStartupFolder=" + t.base + "\\startup\n[Add]\nAddLinkFile=" + t.value + "\n");
     },
     [](const Trial& t) { return FileExists(t.base + "\\startup\\" + t.value.substr(t.value.rfind('\\') + 1)); },
     "ERROR-=- AddLinkFile longer than 259 characters, not copied"},

    // Command lines of CMD11.
    {"CMD11 program line", 259, false,
     [](Trial& t) {
         char system[MAX_PATH];
         GetSystemDirectoryA(system, sizeof system);
         t.value = std::string(system) + "\\cmd.exe /c rem ";
         t.value += std::string(t.n - t.value.size(), 'c');
         t.Plain("11,," + t.value + ",TRUE\n");
     },
     [](const Trial& t) { return t.Logged("...Spawning  <" + t.value + ">"); },
     "ERROR-=- program line longer than 259 characters, not started"},

    // Message box texts are only shown: cut on purpose, with a warning.
    // The runs are not silent: the box is read.
    {"CMD17 title (cut on purpose, logged)", 127, false,
     [](Trial& t) {
         t.Plain("17,Box\n", "[Box.US]\nTitle=" + t.Fill('T') + "\nMessage1=m\n");
         t.arguments = t.script;
     },
     [](const Trial& t) { return t.result.boxes.size() == 1 && t.result.boxes[0].caption == t.value; },
     "WARNING-=- Title of [Box.US] cut to 127"},
    {"CMD17 message line (cut on purpose, logged)", 127, false,
     [](Trial& t) {
         t.Plain("17,Box\n", "[Box.US]\nTitle=t\nMessage1=" + t.Fill('M') + "\n");
         t.arguments = t.script;
     },
     [](const Trial& t) { return t.result.boxes.size() == 1 && t.result.boxes[0].text == t.value + "\n"; },
     "WARNING-=- Message1 of [Box.US] cut to 127"},
};

TEST(Limits, EveryBufferAtItsLimitAndOnePast)
{
    Bench plain;
    Bench win98(WindowsVersion::Win98);
    testkit::DeleteKeyTree(HKEY_CURRENT_USER, kRegistryRoot);
    for (size_t i = 0; i < sizeof kLimits / sizeof kLimits[0]; i++) {
        const Limit& row = kLimits[i];
        for (size_t n : {row.limit + 1, row.limit}) {
            Trial t(row.win98 ? win98 : plain, n, i);
            row.prepare(t);
            t.b.ClearLog();
            t.result = t.b.Run(t.arguments, t.options);
            std::string where = "row " + std::to_string(i) + " (" + row.what + ") n=" + std::to_string(n);
            ASSERT_TRUE(t.result.finished) << where;
            std::vector<std::string> log = t.b.Log();
            bool refused = row.refusal ? LogHasLineStarting(log, row.refusal)
                                       : t.result.boxes.size() == 1 && t.result.boxes[0].text.rfind("Usage:", 0) == 0;
            EXPECT_EQ(n == row.limit, row.used(t)) << where << ": value used whole\n" << JoinLines(log);
            EXPECT_EQ(n != row.limit, refused) << where << ": refusal >" << (row.refusal ? row.refusal : "usage box")
                                               << "<\n" << JoinLines(log);
        }
    }
    testkit::DeleteKeyTree(HKEY_CURRENT_USER, kRegistryRoot);
}

} // namespace
