// Every fixed buffer of the runner at its limit and one past it: a value of
// the limit's length is used whole, one character more is refused with a
// log line (or, where the runner shows a text only, cut with a warning).
// One past is tried first: the value at the limit is the longer value cut
// by one, so a silent cut would be seen using it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "registry.h"
#include "scenario_bench.h"

using namespace scenario;

namespace {

// What a row prepares for a value of n characters.
struct Trial {
    std::string arguments;
    RunOptions options;
    std::string value;  // the value of n characters, as the row built it
    std::string script; // file name of the script
};

struct Limit {
    const char* what;
    size_t limit;     // the longest value used whole
    bool win98;       // run as Windows 98
    const char* refusal; // start of the log line one past the limit; null: the usage box
    // Prepares the machine and the script for a value of n characters.
    std::function<void(const Bench&, size_t n, Trial&)> prepare;
    // Whether the run used the value whole.
    std::function<bool(const Bench&, const Trial&, const RunResult&)> used;
};

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

std::string RowBase(const Bench& b, int row)
{
    return b.root + "\\r" + std::to_string(row);
}

std::string RegistryKey(int row)
{
    return "Software\\srtests\\Limits\\r" + std::to_string(row);
}

bool RegistryValue(int row, const std::string& name, std::string* bytes)
{
    testkit::StoredValue value = testkit::ReadStoredValue(HKEY_CURRENT_USER, RegistryKey(row), name.c_str());
    if (value.exists && bytes)
        bytes->assign(value.bytes.begin(), value.bytes.end());
    return value.exists;
}

bool LogHasLineStarting(const std::vector<std::string>& log, const std::string& start)
{
    for (const std::string& line : log) {
        if (line.rfind(start, 0) == 0)
            return true;
    }
    return false;
}

bool LogHasLine(const Bench& b, const std::string& line)
{
    return CountLines(b.Log(), line) > 0;
}

// A script with the bench's log keys, a command list and more sections.
std::string Script(const Bench& b, const std::string& commands, const std::string& sections = "")
{
    return "[Data]\n" + b.LogKeys() + sections + "[CommandsList]\n" + commands;
}

// The usual trial: a script of its own, run silent.
void Plain(const Bench& b, Trial& t, size_t n, const std::string& value, const std::string& text)
{
    t.value = value;
    static int serial = 0;
    t.script = "limit" + std::to_string(++serial) + "_" + std::to_string(n) + ".ini"; // no "-": it would end the argument
    b.WriteScript(t.script, text);
    t.arguments = t.script + " -silent";
}

std::string Key(const Bench& b, const Trial& t, const char* section, const char* key)
{
    return b.WorkingKey(t.script, section, key);
}

std::vector<Limit> Rows()
{
    std::vector<Limit> rows;
    int row = 0;

    // Start-up. Logging is not on before the script is found: a refused
    // argument shows the usage box.
    rows.push_back({"script argument (full path)", 259, false, nullptr,
                    [row](const Bench& b, size_t n, Trial& t) {
                        std::string path = PathOfLength(RowBase(b, row), n, 's', true);
                        t.value = path;
                        t.script = path.substr(path.rfind('\\') + 1);
                        if (n <= 259)
                            WriteTextFile(path, Script(b, "5\n"));
                        t.arguments = path + " -noreboot";
                    },
                    [](const Bench& b, const Trial& t, const RunResult& r) {
                        return r.boxes.empty() && Key(b, t, "DATA", "RunCount") == "1";
                    }});
    row++;
    rows.push_back({"working copy path (temporary directory and script name)", 259, false,
                    "ERROR-=- working copy path ",
                    [row](const Bench& b, size_t n, Trial& t) {
                        std::string name = "wc" + std::string(14, 'w') + ".ini";
                        std::string dir = PathOfLength(RowBase(b, row), n - name.size() - 1, 't', true);
                        MakeDirs(dir);
                        t.options.tempDir = dir + "\\";
                        t.value = t.options.tempDir + name;
                        t.script = name;
                        b.WriteScript(name, Script(b, "5\n"));
                        t.arguments = name + " -silent";
                    },
                    [](const Bench&, const Trial& t, const RunResult&) {
                        return ReadKey(t.value, "DATA", "RunCount") == "1";
                    }});
    row++;

    // The engine: field 0 of a command, branch targets, sections on 9x.
    rows.push_back({"field 0 of a command (a section name)", 255, false,
                    "ERROR-=- CMD0: field 0 is longer than 255 characters, command not run",
                    [](const Bench& b, size_t n, Trial& t) {
                        std::string name = std::string(n - 1, 'f') + "x";
                        // Cut by one, field 0 one past the limit would name
                        // a section that sets another value.
                        std::string cut = "[" + std::string(255, 'f') + "]\nV001,cut\n";
                        Plain(b, t, n, name, Script(b, "27," + name + "\n", "[" + name + "]\nV001,set\n" + cut));
                    },
                    [](const Bench& b, const Trial& t, const RunResult&) {
                        return Key(b, t, "Variables", "V001") == "set";
                    }});
    row++;
    rows.push_back({"branch target (a section name in [State])", 127, false, "ERROR-=- section name ",
                    [](const Bench& b, size_t n, Trial& t) {
                        // Cut by one, the target one past the limit would
                        // name a section that says so.
                        std::string name(n, n == 127 ? 'G' : 'g');
                        Plain(b, t, n, name,
                              Script(b, "19," + name + "\n",
                                     "[" + name + "]\n5\n[" + std::string(127, 'g') + "]\n32,the cut name ran\n"));
                    },
                    [](const Bench& b, const Trial& t, const RunResult&) {
                        return Key(b, t, "DATA", "RunCount") == "1" && !LogHasLine(b, " the cut name ran");
                    }});
    row++;
    rows.push_back({"command list on Windows 98 (characters as the profile functions count them)", 16637, true,
                    "WARNING-=- section cut at its size limit, dropping its last line",
                    [](const Bench& b, size_t n, Trial& t) {
                        // Lines "5,aaa..." of 200 characters and their ends,
                        // the last one filling up to n.
                        std::string list;
                        size_t used = 0;
                        int lines = 0;
                        while (n - used > 2 * 201) {
                            list += "5," + std::string(198, 'a') + "\n";
                            used += 201;
                            lines++;
                        }
                        list += "5," + std::string(n - used - 3, 'z') + "\n";
                        lines++;
                        Plain(b, t, n, std::to_string(lines), Script(b, list));
                    },
                    [](const Bench& b, const Trial& t, const RunResult&) {
                        return Key(b, t, "DATA", "RunCount") == t.value;
                    }});
    row++;

    // Variables.
    rows.push_back({"variable value read by a token", 259, false,
                    "ERROR-=-  variable V001 is longer than 259 characters: not expanded",
                    [](const Bench& b, size_t n, Trial& t) {
                        std::string value(n, 'v');
                        Plain(b, t, n, value, Script(b, "27,,V002,~%V001\n", "[Variables]\nV001=" + value + "\n"));
                    },
                    [](const Bench& b, const Trial& t, const RunResult&) {
                        return Key(b, t, "Variables", "V002") == t.value;
                    }});
    row++;
    rows.push_back({"expanded text of CMD27 (cut on purpose, logged)", 511, false,
                    "ERROR-=-  expanded text cut to 511 characters",
                    [](const Bench& b, size_t n, Trial& t) {
                        std::string part(250, 'e');
                        std::string tail(n - 500, 'x');
                        Plain(b, t, n, part + part + tail,
                              Script(b, "27,,V002,~%V001~%V001" + tail + "\n", "[Variables]\nV001=" + part + "\n"));
                    },
                    [](const Bench& b, const Trial& t, const RunResult&) {
                        return Key(b, t, "Variables", "V002") == t.value;
                    }});
    row++;
    rows.push_back({"CMD27 value, field form", 511, false,
                    "WARNINIG-=- variable V002 is longer than 511 characters: not set",
                    [](const Bench& b, size_t n, Trial& t) {
                        std::string value(n, 'q');
                        Plain(b, t, n, value, Script(b, "27,,V002," + value + "\n"));
                    },
                    [](const Bench& b, const Trial& t, const RunResult&) {
                        return Key(b, t, "Variables", "V002") == t.value;
                    }});
    row++;
    rows.push_back({"CMD27 value, section form", 511, false,
                    "WARNINIG-=- variable V003 is longer than 511 characters: not set",
                    [](const Bench& b, size_t n, Trial& t) {
                        std::string value(n, 'r');
                        Plain(b, t, n, value, Script(b, "27,Vars\n", "[Vars]\nV003," + value + "\n"));
                    },
                    [](const Bench& b, const Trial& t, const RunResult&) {
                        return Key(b, t, "Variables", "V003") == t.value;
                    }});
    row++;

    rows.push_back({"CMD26 value, field form", 511, false,
                    "WARNINIG-=- entry field longer than 511 characters, not written",
                    [](const Bench& b, size_t n, Trial& t) {
                        std::string value(n, 'w');
                        Plain(b, t, n, value, Script(b, "26,,Kept,Entry," + value + "\n"));
                    },
                    [](const Bench& b, const Trial& t, const RunResult&) {
                        return Key(b, t, "Kept", "Entry") == t.value;
                    }});
    row++;

    // Registry.
    rows.push_back({"CMD03 RegValue", 511, false, "ERROR-=- RegValue of [Single] is longer than 511 characters",
                    [row](const Bench& b, size_t n, Trial& t) {
                        std::string name(n, 'n');
                        Plain(b, t, n, name,
                              Script(b, "3,Single\n",
                                     "[Single]\nRegHive=HKEY_CURRENT_USER\nRegKey=" + RegistryKey(row) +
                                         "\nRegValue=" + name + "\nRegData=x\n"));
                    },
                    [row](const Bench&, const Trial& t, const RunResult&) {
                        return RegistryValue(row, t.value, nullptr);
                    }});
    row++;
    rows.push_back({"CMD03 RegKey", 511, false, "ERROR-=- RegKey of [Single] is longer than 511 characters",
                    [row](const Bench& b, size_t n, Trial& t) {
                        // Below the row's key, in parts of at most 200.
                        std::string key = RegistryKey(row);
                        while (n > key.size() + 201)
                            key += "\\" + std::string(200, 'y');
                        key += "\\" + std::string(n - key.size() - 1, 'z');
                        Plain(b, t, n, key,
                              Script(b, "3,Single\n",
                                     "[Single]\nRegHive=HKEY_CURRENT_USER\nRegKey=" + key +
                                         "\nRegValue=v\nRegData=x\n"));
                    },
                    [](const Bench& b, const Trial& t, const RunResult&) {
                        // Wine refuses a key path this long (234): the key
                        // is tried whole, and that is logged.
                        HKEY key;
                        if (RegOpenKeyExA(HKEY_CURRENT_USER, t.value.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
                            RegCloseKey(key);
                            return true;
                        }
                        return LogHasLineStarting(b.Log(), "ERROR opening key:  HKEY_CURRENT_USER\\" + t.value.substr(0, 300));
                    }});
    row++;
    rows.push_back({"CMD03 RegData of a multi-string (the text, its zero and the list's zero)", 511, false,
                    "ERROR-=- RegData of [Single] is longer than 511 characters",
                    [row](const Bench& b, size_t n, Trial& t) {
                        std::string data(n, 'm');
                        Plain(b, t, n, data,
                              Script(b, "3,Single\n",
                                     "[Single]\nRegHive=HKEY_CURRENT_USER\nRegKey=" + RegistryKey(row) +
                                         "\nRegValue=Multi" + std::to_string(n) + "\nRegData=" + data +
                                         "\nRegDataType=4\n"));
                    },
                    [row](const Bench&, const Trial& t, const RunResult&) {
                        std::string bytes;
                        return RegistryValue(row, "Multi" + std::to_string(t.value.size()), &bytes) &&
                               bytes == t.value + std::string(2, '\0');
                    }});
    row++;
    rows.push_back({"CMD14 data of a multi-string", 259, false, "ERROR-=- data longer than 259 characters",
                    [row](const Bench& b, size_t n, Trial& t) {
                        std::string data(n, 'd');
                        Plain(b, t, n, data,
                              Script(b, "14,Edits\n",
                                     "[Edits]\n1,HKCU," + RegistryKey(row) + ",Multi" + std::to_string(n) + ",4," +
                                         data + "\n"));
                    },
                    [row](const Bench&, const Trial& t, const RunResult&) {
                        std::string bytes;
                        return RegistryValue(row, "Multi" + std::to_string(t.value.size()), &bytes) &&
                               bytes == t.value + std::string(2, '\0');
                    }});
    row++;
    rows.push_back({"CMD14 value name", 259, false, "ERROR-=- value name longer than 259 characters",
                    [row](const Bench& b, size_t n, Trial& t) {
                        std::string name(n, 'k');
                        Plain(b, t, n, name,
                              Script(b, "14,Edits\n", "[Edits]\n1,HKCU," + RegistryKey(row) + "," + name + ",0,x\n"));
                    },
                    [row](const Bench&, const Trial& t, const RunResult&) {
                        return RegistryValue(row, t.value, nullptr);
                    }});
    row++;

    // Files. The file at the limit exists before both runs: a path one
    // longer, cut, would name it.
    rows.push_back({"CMD16 path after expansion", 259, false, "ERROR-=- path longer than 259 characters, not deleted",
                    [row](const Bench& b, size_t n, Trial& t) {
                        std::string base = RowBase(b, row);
                        std::string file = PathOfLength(base, 259, 'p', true);
                        if (n == 260)
                            WriteTextFile(file, "keep");
                        t.value = file + std::string(n - 259, 'p');
                        Plain(b, t, n, t.value,
                              Script(b, "16,,~%V001" + t.value.substr(base.size()) + "\n",
                                     "[Variables]\nV001=" + base + "\n"));
                    },
                    [](const Bench&, const Trial& t, const RunResult&) {
                        return !FileExists(t.value.substr(0, 259));
                    }});
    row++;
    rows.push_back({"CMD21 path, field form", 255, false, "ERROR-=- path longer than 255 characters, not used",
                    [row](const Bench& b, size_t n, Trial& t) {
                        std::string dir = PathOfLength(RowBase(b, row), n, 'm', true);
                        Plain(b, t, n, dir, Script(b, "21,," + dir + "\n5\n"));
                    },
                    [](const Bench& b, const Trial& t, const RunResult&) {
                        // Made, or at least tried whole.
                        return FileExists(t.value) ||
                               LogHasLine(b, "WARNING-=- function MakeDirectory () failed on src=" + t.value);
                    }});
    row++;
    rows.push_back({"CMD21 path, list form", 259, false, "ERROR-=- path longer than 259 characters, not used",
                    [row](const Bench& b, size_t n, Trial& t) {
                        std::string dir = PathOfLength(RowBase(b, row), n, 'l', true);
                        Plain(b, t, n, dir, Script(b, "21,Dirs\n", "[Dirs]\n" + dir + "\n"));
                    },
                    [](const Bench& b, const Trial& t, const RunResult&) {
                        return FileExists(t.value) ||
                               LogHasLine(b, "WARNING-=- function MakeDirectory () failed on src=" + t.value);
                    }});
    row++;
    rows.push_back({"CMD15 source, list form", 259, false, "ERROR-=- path longer than 259 characters, not used",
                    [row](const Bench& b, size_t n, Trial& t) {
                        std::string base = RowBase(b, row);
                        std::string file = PathOfLength(base, 259, 'c', true);
                        WriteTextFile(file, "copied");
                        t.value = file + std::string(n - 259, 'c');
                        std::string target = base + "\\copy" + std::to_string(n) + ".txt";
                        Plain(b, t, n, t.value, Script(b, "15,Copies\n", "[Copies]\n" + t.value + "," + target + "\n"));
                    },
                    [row](const Bench& b, const Trial& t, const RunResult&) {
                        return FileExists(RowBase(b, row) + "\\copy" + std::to_string(t.value.size()) + ".txt");
                    }});
    row++;
    rows.push_back({"CMD15 destination, field form", 511, false, "ERROR-=- path longer than 511 characters, not used",
                    [row](const Bench& b, size_t n, Trial& t) {
                        std::string base = RowBase(b, row);
                        MakeDirs(base);
                        WriteTextFile(base + "\\src.txt", "s");
                        std::string target = PathOfLength(base, n, 'o', false);
                        Plain(b, t, n, target, Script(b, "15,," + base + "\\src.txt," + target + "\n"));
                    },
                    [row](const Bench& b, const Trial&, const RunResult&) {
                        // Too long for the file functions: the copy is tried
                        // and fails (its log line is cut at 511 characters).
                        std::string tried = "function CopyFile() failed on src=" + RowBase(b, row) + "\\src.txt, dst=";
                        for (const std::string& line : b.Log()) {
                            if (line.find(tried) != std::string::npos)
                                return true;
                        }
                        return false;
                    }});
    row++;
    rows.push_back({"CMD31 source, field form", 259, false, "ERROR-=- path longer than 259 characters, not used",
                    [row](const Bench& b, size_t n, Trial& t) {
                        std::string base = RowBase(b, row);
                        std::string file = PathOfLength(base, 259, 'n', true);
                        WriteTextFile(file, "renamed");
                        t.value = file + std::string(n - 259, 'n');
                        Plain(b, t, n, t.value, Script(b, "31,," + t.value + "," + base + "\\renamed.txt\n"));
                    },
                    [row](const Bench& b, const Trial&, const RunResult&) {
                        return FileExists(RowBase(b, row) + "\\renamed.txt");
                    }});
    row++;
    rows.push_back({"CMD01 AddLinkFile", 259, false, "ERROR-=- AddLinkFile longer than 259 characters, not copied",
                    [row](const Bench& b, size_t n, Trial& t) {
                        std::string base = RowBase(b, row);
                        std::string link = PathOfLength(base, 259, 'i', true);
                        WriteTextFile(link, "link");
                        MakeDirs(base + "\\startup");
                        t.value = link + std::string(n - 259, 'i');
                        Plain(b, t, n, t.value,
                              Script(b, "1,Add\n",
                                     "[Data.XX]\nCommonStartupFolder=" + base + "\\startup\n[Add]\nAddLinkFile=" +
                                         t.value + "\n"));
                    },
                    [row](const Bench& b, const Trial& t, const RunResult&) {
                        std::string name = t.value.substr(t.value.rfind('\\') + 1);
                        return FileExists(RowBase(b, row) + "\\startup\\" + name);
                    }});
    row++;

    // Command lines of CMD11.
    rows.push_back({"CMD11 program line", 259, false, "ERROR-=- program line longer than 259 characters, not started",
                    [](const Bench& b, size_t n, Trial& t) {
                        char system[MAX_PATH];
                        GetSystemDirectoryA(system, sizeof system);
                        std::string line = std::string(system) + "\\cmd.exe /c rem ";
                        line += std::string(n - line.size(), 'c');
                        Plain(b, t, n, line, Script(b, "11,," + line + ",TRUE\n"));
                    },
                    [](const Bench& b, const Trial& t, const RunResult&) {
                        return LogHasLine(b, "...Spawning  <" + t.value + ">");
                    }});
    row++;

    // Message box texts are only shown: cut on purpose, with a warning.
    rows.push_back({"CMD17 title (cut on purpose, logged)", 127, false, "WARNING-=- Title of [Box.US] cut to 127",
                    [](const Bench& b, size_t n, Trial& t) {
                        std::string title(n, 'T');
                        Plain(b, t, n, title, Script(b, "17,Box\n", "[Box.US]\nTitle=" + title + "\nMessage1=m\n"));
                        t.arguments = t.script; // not silent: the box is read
                    },
                    [](const Bench&, const Trial& t, const RunResult& r) {
                        return r.boxes.size() == 1 && r.boxes[0].caption == t.value;
                    }});
    row++;
    rows.push_back({"CMD17 message line (cut on purpose, logged)", 127, false,
                    "WARNING-=- Message1 of [Box.US] cut to 127",
                    [](const Bench& b, size_t n, Trial& t) {
                        std::string line(n, 'M');
                        Plain(b, t, n, line, Script(b, "17,Box\n", "[Box.US]\nTitle=t\nMessage1=" + line + "\n"));
                        t.arguments = t.script;
                    },
                    [](const Bench&, const Trial& t, const RunResult& r) {
                        return r.boxes.size() == 1 && r.boxes[0].text == t.value + "\n";
                    }});
    return rows;
}

TEST(Limits, EveryBufferAtItsLimitAndOnePast)
{
    Bench plain;
    Bench win98(WindowsVersion::Win98);
    testkit::DeleteKeyTree(HKEY_CURRENT_USER, "Software\\srtests\\Limits");
    std::vector<Limit> rows = Rows();
    for (size_t i = 0; i < rows.size(); i++) {
        const Limit& row = rows[i];
        const Bench& b = row.win98 ? win98 : plain;
        for (size_t n : {row.limit + 1, row.limit}) {
            bool atLimit = n == row.limit;
            Trial t;
            row.prepare(b, n, t);
            b.ClearLog();
            RunResult r = b.Run(t.arguments, t.options);
            ASSERT_TRUE(r.finished) << "row " << i << " " << row.what << " n=" << n;
            std::vector<std::string> log = b.Log();
            bool used = row.used(b, t, r);
            bool refused = row.refusal ? LogHasLineStarting(log, row.refusal)
                                       : r.boxes.size() == 1 && r.boxes[0].text.rfind("Usage:", 0) == 0;
            EXPECT_EQ(atLimit, used) << "row " << i << " (" << row.what << ") n=" << n << ": value used whole\n"
                                     << JoinLines(log);
            EXPECT_EQ(!atLimit, refused) << "row " << i << " (" << row.what << ") n=" << n << ": refusal >"
                                         << (row.refusal ? row.refusal : "usage box") << "<\n"
                                         << JoinLines(log);
        }
    }
    testkit::DeleteKeyTree(HKEY_CURRENT_USER, "Software\\srtests\\Limits");
}

} // namespace
