// The proof that a plan is true: for each script of the table, the plan
// that "scriptcheck --plan" prints is laid over a snapshot of the places
// the script may touch (the registry under Software\PlanProof of HKCU and
// HKLM, and the files of the case's own folder), the real setuprun.exe
// runs the script, and the snapshot taken afterwards must be what the plan
// foretold: every planned effect done, nothing else changed. What cannot be
// seen in a snapshot (a program started, a box shown, the working copy's
// keys, a restart asked, how the run ended) is read from the log, the
// boxes and the working copy. A disagreement that the log explains (a step
// that failed on this machine, which no plan can foresee) is listed with
// the log's line; any other fails the case.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "proof_scripts.h"
#include "value_text.h"
#include "registry.h"
#include "scenario_bench.h"

#include <stdlib.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

using namespace scenario;

namespace {

const char* const kWatchedKeys[] = {"HKEY_CURRENT_USER\\Software\\PlanProof", "HKEY_LOCAL_MACHINE\\Software\\PlanProof"};

bool StartsWithNoCase(const std::string& text, const std::string& start)
{
    return text.size() >= start.size() && Upper(text.substr(0, start.size())) == Upper(start);
}

bool Contains(const std::string& text, const std::string& piece)
{
    return !piece.empty() && text.find(piece) != std::string::npos;
}

// Whether a log line names a path or key whole (not as the start of a longer one).
bool Names(const std::string& line, const std::string& path)
{
    for (size_t at = line.find(path); !path.empty() && at != std::string::npos; at = line.find(path, at + 1)) {
        char next = at + path.size() < line.size() ? line[at + path.size()] : ' ';
        if (!isalnum((unsigned char)next) && next != '\\' && next != '.' && next != '_')
            return true;
    }
    return false;
}

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

std::string Hex(const std::string& bytes)
{
    std::string text;
    char pair[4];
    for (unsigned char c : bytes) {
        snprintf(pair, sizeof pair, text.empty() ? "%02x" : " %02x", c);
        text += pair;
    }
    return text;
}

const char* TypeName(DWORD type)
{
    switch (type) {
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    default: return "REG_NONE";
    }
}

// ---------------------------------------------------------------------------
// Snapshots: every key, value, folder and file of the watched places, by a
// name without regard to case.

struct Item {
    std::string shown;    // "key HKEY_...\\A", "value HKEY_...\\A <Name>", "file C:\\...", "folder C:\\..."
    DWORD type = 0;       // a value's type
    std::string bytes;    // a value's or a file's bytes
    bool unknown = false; // the plan changes it in a way the model does not work out (an INI file written)
    Item(std::string s = "", DWORD t = 0, std::string b = "", bool u = false)
        : shown(std::move(s)), type(t), bytes(std::move(b)), unknown(u) {}
};
using Snapshot = std::map<std::string, Item>;

std::string KeyId(const std::string& key) { return "K " + Upper(key); }
std::string ValueId(const std::string& key, const std::string& name) { return "V " + Upper(key) + "|" + Upper(name); }
std::string FileId(const std::string& path) { return "F " + Upper(path); }

HKEY RootOf(const std::string& key, std::string* below)
{
    static const std::pair<const char*, HKEY> roots[] = {{"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER},
                                                         {"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE}};
    for (const auto& root : roots) {
        if (StartsWithNoCase(key, root.first)) {
            *below = key.substr(strlen(root.first));
            return root.second;
        }
    }
    return nullptr;
}

void TakeKey(HKEY root, const std::string& below, const std::string& shown, Snapshot* snapshot)
{
    HKEY h;
    if (RegOpenKeyExA(root, below.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return;
    (*snapshot)[KeyId(shown)] = Item{"key " + shown};
    char name[16384];
    std::vector<BYTE> data(1 << 16);
    for (DWORD i = 0;; i++) {
        DWORD nameSize = sizeof name, size = (DWORD)data.size(), type = 0;
        if (RegEnumValueA(h, i, name, &nameSize, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            break;
        (*snapshot)[ValueId(shown, name)] =
            Item{"value " + shown + " <" + name + ">", type, std::string((const char*)data.data(), size)};
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; i++) {
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(h, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        subkeys.push_back(name);
    }
    RegCloseKey(h);
    for (const std::string& sub : subkeys)
        TakeKey(root, below + "\\" + sub, shown + "\\" + sub, snapshot);
}

void TakeFolder(const std::string& dir, Snapshot* snapshot)
{
    ForEachEntry(dir, [&](const std::string& name, bool isFolder) {
        std::string path = dir + "\\" + name;
        if (isFolder) {
            (*snapshot)[FileId(path)] = Item{"folder " + path};
            TakeFolder(path, snapshot);
        } else {
            (*snapshot)[FileId(path)] = Item{"file " + path, 0, ReadTextFile(path)};
        }
    });
}

Snapshot Take(const std::string& folder)
{
    Snapshot snapshot;
    for (const char* watched : kWatchedKeys) {
        std::string below;
        HKEY root = RootOf(watched, &below);
        TakeKey(root, below, watched, &snapshot);
    }
    TakeFolder(folder, &snapshot);
    return snapshot;
}

// ---------------------------------------------------------------------------
// The plan as printed, one effect a line.

struct Effect {
    std::string where; // "<file>:<line>"
    std::string kind;
    std::vector<std::string> args;
    std::string Text() const
    {
        std::string text = kind;
        for (const std::string& a : args)
            text += " >" + a + "<";
        return text;
    }
};

struct Plan {
    std::vector<std::string> assumptions; // the "plan: " lines
    std::vector<std::string> findings;    // the checker's findings, printed ahead of the plan
    std::vector<Effect> effects;          // the end line included
    std::vector<std::string> unreadable;
    std::map<size_t, std::string> shape;  // effects whose fields the format does not give so
};

// Arguments each kind takes.
const std::map<std::string, size_t> kArgs = {
    {"registry-key", 1}, {"registry-set", 4}, {"registry-delete-value", 2}, {"registry-delete-key", 1},
    {"registry-delete-tree", 1}, {"copy", 2}, {"copy-folder", 2}, {"delete", 1}, {"make-folder", 1},
    {"rename", 2}, {"ini-set", 4}, {"append", 1}, {"start", 3}, {"box", 3}, {"variable", 2},
    {"restart", 1}, {"unknown", 1}, {"end", 1}};

Plan ParsePlan(const std::string& output)
{
    Plan plan;
    for (const std::string& line : TextLines(output)) {
        if (line.empty())
            continue;
        if (line.compare(0, 6, "plan: ") == 0) {
            plan.assumptions.push_back(line.substr(6));
            continue;
        }
        if (line.find('\t') == std::string::npos && line != "end") {
            plan.findings.push_back(line);
            continue;
        }
        std::vector<std::string> fields = Split(line, '\t');
        Effect effect;
        // "<file>:<line>:" ahead of the kind; the end line may stand alone.
        if (fields.size() > 1 && fields[0].size() > 1 && fields[0].back() == ':') {
            effect.where = fields[0].substr(0, fields[0].size() - 1);
            fields.erase(fields.begin());
        }
        effect.kind = fields[0];
        effect.args.assign(fields.begin() + 1, fields.end());
        auto known = kArgs.find(effect.kind);
        if (known == kArgs.end() || effect.args.size() < known->second) {
            plan.unreadable.push_back(line);
            continue;
        }
        if (effect.args.size() > known->second)
            plan.shape[plan.effects.size()] = std::to_string(effect.args.size()) + " fields where the format gives " +
                                              std::to_string(known->second);
        plan.effects.push_back(effect);
    }
    return plan;
}

std::string BytesOf(const std::string& hex)
{
    std::string bytes;
    std::istringstream in(hex);
    std::string pair;
    while (in >> pair)
        bytes += (char)strtoul(pair.c_str(), nullptr, 16);
    return bytes;
}

DWORD TypeOf(const std::string& name)
{
    for (DWORD type : {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY, REG_DWORD}) {
        if (name == TypeName(type))
            return type;
    }
    return REG_NONE;
}

// ---------------------------------------------------------------------------
// The plan laid over the first snapshot: what the second must be. Each
// item the plan changes remembers the effect that changed it last.

struct Model {
    Snapshot items;
    std::string folder; // the case's folder: files outside it are not watched
    std::map<std::string, size_t> origin;   // item id -> effect index
    std::vector<std::string> notWatched;    // effects on places outside the snapshot

    bool WatchedKey(const std::string& key) const
    {
        for (const char* w : kWatchedKeys) {
            if (StartsWithNoCase(key + "\\", std::string(w) + "\\"))
                return true;
        }
        return false;
    }
    bool WatchedFile(const std::string& path) const { return StartsWithNoCase(path, folder + "\\"); }

    void Set(const std::string& id, const Item& item, size_t by)
    {
        items[id] = item;
        origin[id] = by;
    }
    void Erase(const std::string& id, size_t by)
    {
        if (items.erase(id))
            origin[id] = by;
    }
    // Every item whose id begins so (a key or folder and all below it).
    std::vector<std::string> Below(const std::string& prefix) const
    {
        std::vector<std::string> ids;
        for (auto it = items.lower_bound(prefix); it != items.end() && it->first.compare(0, prefix.size(), prefix) == 0;
             ++it)
            ids.push_back(it->first);
        return ids;
    }
    void MakeKey(const std::string& key, size_t by)
    {
        for (size_t at = 0; at != std::string::npos;) {
            at = key.find('\\', at + 1);
            std::string upper = key.substr(0, at);
            if (WatchedKey(upper) && !items.count(KeyId(upper)))
                Set(KeyId(upper), Item{"key " + upper}, by);
        }
    }
    void EraseKey(const std::string& key, size_t by)
    {
        for (const std::string& id : Below(KeyId(key) + "\\"))
            Erase(id, by);
        for (const std::string& id : Below(ValueId(key, "")))
            Erase(id, by);
        for (const std::string& id : Below("V " + Upper(key) + "\\"))
            Erase(id, by);
        Erase(KeyId(key), by);
    }
    bool HasSubkey(const std::string& key) const { return !Below(KeyId(key) + "\\").empty(); }
    // A file's or a folder's item, from the model or, outside it, the disk.
    bool Source(const std::string& path, Item* item) const
    {
        if (WatchedFile(path)) {
            auto it = items.find(FileId(path));
            if (it == items.end())
                return false;
            *item = it->second;
            return true;
        }
        DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return false;
        *item = Item{(attributes & FILE_ATTRIBUTE_DIRECTORY ? "folder " : "file ") + path, 0,
                     attributes & FILE_ATTRIBUTE_DIRECTORY ? "" : ReadTextFile(path)};
        return true;
    }
    void PutFile(const std::string& path, Item item, size_t by)
    {
        if (!WatchedFile(path)) {
            notWatched.push_back(path);
            return;
        }
        item.shown = item.shown.substr(0, item.shown.find(' ') + 1) + path;
        Set(FileId(path), item, by);
    }
    void EraseFile(const std::string& path, size_t by)
    {
        for (const std::string& id : Below(FileId(path) + "\\"))
            Erase(id, by);
        Erase(FileId(path), by);
    }
    // Copies a folder's content as the plan sees it (model or disk).
    void CopyFolder(const std::string& from, const std::string& to, size_t by)
    {
        if (WatchedFile(from)) {
            std::string prefix = FileId(from) + "\\";
            for (const std::string& id : Below(prefix)) {
                Item item = items[id];
                std::string rest = item.shown.substr(item.shown.find(' ') + 1 + from.size());
                PutFile(to + rest, item, by);
            }
            return;
        }
        ForEachEntry(from, [&](const std::string& name, bool isFolder) {
            PutFile(to + "\\" + name, Item{isFolder ? "folder " : "file ", 0,
                                           isFolder ? "" : ReadTextFile(from + "\\" + name)}, by);
            if (isFolder)
                CopyFolder(from + "\\" + name, to + "\\" + name, by);
        });
    }
};

// What a case checks outside the snapshot.
struct Expectations {
    std::map<std::pair<std::string, std::string>, std::pair<std::string, size_t>> workingKeys; // last value wins
    std::vector<std::pair<std::string, size_t>> appended; // files whose sections the working copy must hold
    std::vector<size_t> starts, boxes, restarts, unknowns;
    long end = -1;
};

// A path as the file system resolves it ("\\..\\" and the like gone).
std::string FullPath(const std::string& path)
{
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return n && n < sizeof full ? full : path;
}

void Apply(const Plan& plan, Model* model, Expectations* expect)
{
    static const std::set<std::string> kFileKinds = {"copy", "copy-folder", "delete", "make-folder", "rename"};
    for (size_t i = 0; i < plan.effects.size(); i++) {
        const Effect& e = plan.effects[i];
        std::vector<std::string> a = e.args;
        if (kFileKinds.count(e.kind)) {
            for (std::string& path : a)
                path = FullPath(path);
        }
        Item source;
        if (e.kind == "registry-key") {
            model->MakeKey(a[0], i);
        } else if (e.kind == "registry-set") {
            model->MakeKey(a[0], i);
            if (model->WatchedKey(a[0]))
                model->Set(ValueId(a[0], a[1]), Item{"value " + a[0] + " <" + a[1] + ">", TypeOf(a[2]), BytesOf(a[3])}, i);
            else
                model->notWatched.push_back(a[0]);
        } else if (e.kind == "registry-delete-value") {
            model->Erase(ValueId(a[0], a[1]), i);
        } else if (e.kind == "registry-delete-key") {
            if (!model->HasSubkey(a[0]))
                model->EraseKey(a[0], i);
        } else if (e.kind == "registry-delete-tree") {
            model->EraseKey(a[0], i);
        } else if (e.kind == "copy" && model->Source(a[0], &source) && source.shown.compare(0, 7, "folder ") == 0) {
            // As the plan says: a folder's contents go into the destination.
            model->CopyFolder(a[0], a[1], i);
        } else if (e.kind == "copy") {
            // As the plan says: a copy onto a folder puts the file into it.
            Item item{"file "};
            if (!model->Source(a[0], &item))
                item.bytes = "<no source " + a[0] + ">";
            Item onto;
            bool intoFolder = model->Source(a[1], &onto) && onto.shown.compare(0, 7, "folder ") == 0;
            model->PutFile(intoFolder ? a[1] + a[0].substr(a[0].rfind('\\')) : a[1], item, i);
        } else if (e.kind == "copy-folder") {
            model->CopyFolder(a[0], a[1], i);
        } else if (e.kind == "delete") {
            model->EraseFile(a[0], i);
        } else if (e.kind == "make-folder") {
            model->PutFile(a[0], Item{"folder "}, i);
        } else if (e.kind == "rename") {
            if (model->Source(a[0], &source)) {
                std::string prefix = FileId(a[0]) + "\\";
                for (const std::string& id : model->Below(prefix)) {
                    Item moved = model->items[id];
                    model->PutFile(a[1] + moved.shown.substr(moved.shown.find(' ') + 1 + a[0].size()), moved, i);
                }
                model->EraseFile(a[0], i);
                model->PutFile(a[1], source, i);
            }
        } else if (e.kind == "ini-set") {
            expect->workingKeys[{a[0] + "|" + Upper(a[1]), Upper(a[2])}] = {a[3], i};
            if (a[0] != "<working copy>" && model->WatchedFile(a[0])) {
                Item item{"file ", 0, "", true};
                model->PutFile(a[0], item, i);
            }
        } else if (e.kind == "variable") {
            expect->workingKeys[{"<working copy>|VARIABLES", Upper(a[0])}] = {a[1], i};
        } else if (e.kind == "append") {
            expect->appended.push_back({a[0], i});
        } else if (e.kind == "start") {
            expect->starts.push_back(i);
        } else if (e.kind == "box") {
            expect->boxes.push_back(i);
        } else if (e.kind == "restart") {
            expect->restarts.push_back(i);
        } else if (e.kind == "unknown") {
            expect->unknowns.push_back(i);
        } else if (e.kind == "end") {
            expect->end = (long)i;
        }
    }
}

// ---------------------------------------------------------------------------
// A case and what came of it.

struct Case {
    std::string name;
    WindowsVersion version;
    const char* answer;  // --answer and the button pressed on every box; null: a -silent run
    std::string prepare; // lines "file|<path>|<text>", "folder|<path>", "key|<key>", "value|<key>|<name>|<text>"
    std::string script;  // {R}: the case's folder; {K}: Software\PlanProof\<case>; {L}: the log; the
                         // [Data] keys that log there go first unless it starts with its own [Data]
};

struct Finding {
    long effect;       // index in the plan, or -1 for an unplanned change
    std::string where; // the effect's script line
    std::string what;
    std::string why;   // the log's explanation; empty: unexplained
};

struct Outcome {
    size_t effects = 0, agreed = 0;
    std::vector<Finding> findings;
};

const char* WindowsOption(WindowsVersion version)
{
    switch (version) {
    case WindowsVersion::Win95: return "95";
    case WindowsVersion::Win98: return "98";
    case WindowsVersion::NT4: return "nt4";
    case WindowsVersion::Win2000: return "2000";
    default: return "other";
    }
}

int Button(const std::string& answer)
{
    static const std::map<std::string, int> buttons = {{"ok", IDOK},       {"cancel", IDCANCEL}, {"yes", IDYES},
                                                       {"no", IDNO},       {"retry", IDRETRY},   {"abort", IDABORT},
                                                       {"ignore", IDIGNORE}};
    auto it = buttons.find(answer);
    return it == buttons.end() ? IDOK : it->second;
}

// The standard output of a console program, and its exit status.
std::string RunConsole(const std::string& commandLine, DWORD* status)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return "";
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    PROCESS_INFORMATION process;
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                  &startup, &process);
    CloseHandle(writeEnd);
    std::string output;
    if (started) {
        char buffer[4096];
        DWORD got;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got)
            output.append(buffer, got);
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        ADD_FAILURE() << "cannot start " << commandLine << ": " << GetLastError();
    }
    CloseHandle(readEnd);
    return output;
}

// The machine a case starts from: lines "file|<path>|<text>" ('^' a line
// break), "folder|<path>", "key|<key>", "value|<key>|<name>|<text>".
void Prepare(const std::string& lines)
{
    for (const std::string& line : TextLines(lines)) {
        std::vector<std::string> f = Split(line, '|');
        f.resize(4);
        std::string below;
        HKEY root = RootOf(f[1], &below);
        if (f[0] == "file") {
            MakeDirs(f[1].substr(0, f[1].rfind('\\')));
            WriteTextFile(f[1], Replace(f[2], "^", "\n"));
        } else if (f[0] == "folder") {
            MakeDirs(f[1]);
        } else if (f[0] == "key") {
            testkit::MakeKey(root, below);
        } else if (f[0] == "value") {
            testkit::StoreValue(root, below, f[2].c_str(), REG_SZ, f[3].c_str(), (DWORD)f[3].size() + 1);
        }
    }
}

void ClearWatchedKeys()
{
    for (const char* watched : kWatchedKeys) {
        std::string below;
        HKEY root = RootOf(watched, &below);
        testkit::DeleteKeyTree(root, below);
    }
}

// A log line that tells why an effect on one of these paths or keys
// failed: the first failure line that names one of them, or that follows
// right after the line that does.
std::string FailureFor(const std::vector<std::string>& log, const std::vector<std::string>& texts)
{
    static const char* const kFailure[] = {"ERROR", "FAIL", "WARNING", "WARNINIG", "Error=", "does not Exist", "failed"};
    for (size_t i = 0; i < log.size(); i++) {
        bool names = false;
        for (const std::string& t : texts)
            names = names || Names(log[i], t) || (t.compare(0, 5, "HKEY_") == 0 && Contains(log[i], t));
        if (!names)
            continue;
        for (size_t j = i; j < log.size() && j <= i + 1; j++) {
            for (const char* f : kFailure) {
                if (Contains(log[j], f))
                    return log[j];
            }
        }
    }
    return "";
}

std::string Unescape(const std::string& text)
{
    return Replace(Replace(text, "\\n", "\n"), "\\t", "\t");
}

std::string TrimEnd(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

// Compares the run with its plan.
class Proof {
public:
    Proof(const Bench& bench, const std::string& scriptName, const Plan& plan, const Snapshot& before,
          const std::string& currentDir)
        : bench_(bench), plan_(plan), workingCopy_(bench.WorkingCopy(scriptName)), currentDir_(currentDir)
    {
        model_.items = before;
        model_.folder = bench.root;
        Apply(plan, &model_, &expect_);
        outcome_.effects = plan.effects.size();
    }

    Outcome Judge(const Snapshot& after, const RunResult& run, const char* answer)
    {
        log_ = bench_.Log();
        for (const std::string& line : plan_.unreadable)
            Disagree("unreadable plan line >" + line + "<", "");
        for (const auto& shape : plan_.shape)
            Note((long)shape.first, shape.second, "");
        CompareSnapshots(after);
        CheckWorkingCopy();
        CheckStarts();
        CheckBoxes(run, answer);
        CheckRestart();
        CheckEnd();
        for (size_t i : expect_.unknowns)
            Note((long)i, "the plan cannot say", "the plan says it cannot tell");
        for (const std::string& place : model_.notWatched)
            Disagree("an effect on " + place + ", outside the watched places", "not checked");
        std::set<long> failed;
        for (const Finding& f : outcome_.findings)
            failed.insert(f.effect);
        for (size_t i = 0; i < plan_.effects.size(); i++)
            outcome_.agreed += !failed.count((long)i) ? 1 : 0;
        return outcome_;
    }

private:
    void Disagree(const std::string& what, const std::string& why) { Note(-1, what, why); }
    void Note(long effect, const std::string& what, const std::string& why)
    {
        std::string where = effect < 0 ? "" : plan_.effects[effect].where;
        std::string text = effect < 0 ? what : plan_.effects[effect].Text() + ": " + what;
        outcome_.findings.push_back(Finding{effect, where, text, why});
    }
    // A planned effect that did not come true; the log may say why. A
    // copy or a folder not made after one that failed: CMD15 and CMD21 end
    // their list at a failure.
    void DisagreeWith(size_t effect, const std::string& what, const std::vector<std::string>& texts)
    {
        std::vector<std::string> named;
        for (const std::string& t : texts)
            if (t.find('\\') != std::string::npos)
                named.push_back(t);
        std::string why = FailureFor(log_, named);
        const std::string& kind = plan_.effects[effect].kind;
        for (size_t j = effect; why.empty() && j-- > 0 && (kind == "copy" || kind == "make-folder");) {
            std::string failed = plan_.effects[j].kind == kind ? FailureFor(log_, plan_.effects[j].args) : "";
            if (!failed.empty())
                why = "the list ended at the failed " + kind + " of " + plan_.effects[j].where + ": " + failed;
        }
        Note((long)effect, what, why);
    }

    static bool Excluded(const std::string& id, const std::string& tempDir, const std::string& log,
                         const std::string& workingCopy)
    {
        if (id == FileId(log) || id == FileId(workingCopy))
            return true;
        // V000's file and CMD28's new copy: TMP<5 digits>, TMP<5 digits>.INI
        std::string temp = FileId(tempDir);
        if (id.compare(0, temp.size(), temp) != 0)
            return false;
        std::string name = id.substr(temp.size());
        return name.size() >= 8 && name.compare(0, 3, "TMP") == 0 &&
               std::all_of(name.begin() + 3, name.begin() + 8, ::isdigit) && (name.size() == 8 || name.substr(8) == ".INI");
    }

    void CompareSnapshots(const Snapshot& after)
    {
        std::set<std::string> ids;
        for (const auto& item : model_.items)
            ids.insert(item.first);
        for (const auto& item : after)
            ids.insert(item.first);
        for (const std::string& id : ids) {
            if (Excluded(id, bench_.tempDir, bench_.logPath, workingCopy_))
                continue;
            auto want = model_.items.find(id);
            auto seen = after.find(id);
            bool haveWant = want != model_.items.end(), haveSeen = seen != after.end();
            if (haveWant && haveSeen &&
                (want->second.unknown || (want->second.type == seen->second.type && want->second.bytes == seen->second.bytes)))
                continue;
            std::string shown = haveWant ? want->second.shown : seen->second.shown;
            size_t lastUnder = 0;
            bool under = false;
            std::string what = !haveSeen ? "expected " + Describe(want->second) + ", it is missing"
                               : !haveWant ? "unexpected " + Describe(seen->second)
                                           : "expected " + Describe(want->second) + ", seen " + Describe(seen->second);
            auto by = model_.origin.find(id);
            for (size_t i = 0; by == model_.origin.end() && i < plan_.effects.size(); i++) {
                for (const std::string& path : plan_.effects[i].args) {
                    if (plan_.effects[i].kind != "start" && id.compare(0, 2, "F ") == 0 &&
                        StartsWithNoCase(shown.substr(shown.find(' ') + 1), FullPath(path) + "\\"))
                        lastUnder = i, under = true;
                }
            }
            if (under) {
                DisagreeWith(lastUnder, "below it: " + what, {});
            } else if (by != model_.origin.end()) {
                DisagreeWith(by->second, what, plan_.effects[by->second].args);
            } else {
                std::string why;
                if (!LogLines("...Spawning  <").empty())
                    why = "a started program's own doing: the plan cannot see into a program";
                Disagree("unplanned change: " + what, why);
            }
        }
    }

    static std::string Describe(const Item& item)
    {
        if (item.shown.compare(0, 6, "value ") == 0)
            return item.shown + " " + TypeName(item.type) + " [" + Hex(item.bytes) + "]";
        if (item.shown.compare(0, 5, "file ") == 0)
            return item.shown + " [" + (item.bytes.size() <= 40 ? item.bytes : item.bytes.substr(0, 40) + "...") + "]";
        return item.shown;
    }

    void CheckWorkingCopy()
    {
        bool gone = !FileExists(workingCopy_);
        for (const auto& entry : expect_.workingKeys) {
            std::string file = entry.first.first.substr(0, entry.first.first.find('|'));
            std::string section = entry.first.first.substr(file.size() + 1);
            std::string path = file == "<working copy>" ? workingCopy_ : file;
            if (file == "<working copy>" && gone) {
                Note((long)entry.second.second, "not checkable", "the run deleted its working copy");
                continue;
            }
            std::string seen = ReadKey(path, section.c_str(), entry.first.second.c_str());
            if (seen != entry.second.first)
                DisagreeWith(entry.second.second, "[" + section + "] " + entry.first.second + " is >" + seen + "<",
                             {entry.first.second});
        }
        for (const auto& append : expect_.appended) {
            char names[8192] = "";
            GetPrivateProfileSectionNamesA(names, sizeof names, append.first.c_str());
            char have[65536] = "";
            GetPrivateProfileSectionNamesA(have, sizeof have, workingCopy_.c_str());
            std::set<std::string> inCopy;
            for (const char* n = have; *n; n += strlen(n) + 1)
                inCopy.insert(Upper(n));
            for (const char* n = names; *n; n += strlen(n) + 1) {
                if (!inCopy.count(Upper(n)))
                    DisagreeWith(append.second, std::string("the working copy lacks [") + n + "]", {append.first});
            }
            if (!*names)
                DisagreeWith(append.second, "the file brings no section", {append.first});
        }
    }

    std::vector<size_t> LogLines(const char* start) const
    {
        std::vector<size_t> at;
        for (size_t i = 0; i < log_.size(); i++) {
            if (log_[i].compare(0, strlen(start), start) == 0)
                at.push_back(i);
        }
        return at;
    }

    void CheckStarts()
    {
        std::vector<size_t> spawned = LogLines("...Spawning  <");
        for (size_t n = 0; n < expect_.starts.size(); n++) {
            const Effect& e = plan_.effects[expect_.starts[n]];
            if (n >= spawned.size()) {
                DisagreeWith(expect_.starts[n], "no ...Spawning line in the log", {e.args[0]});
                continue;
            }
            size_t at = spawned[n];
            std::vector<std::string> seen(log_.begin() + at, log_.begin() + std::min(log_.size(), at + 4));
            seen.resize(4);
            std::string wait = seen[2].substr(std::min(seen[2].size(), strlen("...WaitToFinish: ")));
            std::string failure;
            for (const std::string& line : seen)
                failure = Contains(line, "FAIL - ") ? line : failure;
            if (seen[0] != "...Spawning  <" + e.args[0] + ">")
                DisagreeWith(expect_.starts[n], "the log shows >" + seen[0] + "<", {});
            else if (seen[1] != "...Setting CWD to  <" + (e.args[1] == "<current folder>" ? currentDir_ : e.args[1]) + ">")
                DisagreeWith(expect_.starts[n], "the log shows >" + seen[1] + "<", {});
            else if ((Upper(wait) == "TRUE") != (e.args[2] == "wait"))
                DisagreeWith(expect_.starts[n], "the log shows >" + seen[2] + "<", {});
            else if (!failure.empty())
                Note((long)expect_.starts[n], "the start failed", failure);
        }
        for (size_t n = expect_.starts.size(); n < spawned.size(); n++)
            Disagree("unplanned program start: " + log_[spawned[n]], "");
    }

    // Boxes in the order shown, each with the plan's title, text and the
    // answer the run gave (a silent run shows none).
    void CheckBoxes(const RunResult& run, const char* answer)
    {
        for (size_t n = 0; n < expect_.boxes.size(); n++) {
            const Effect& e = plan_.effects[expect_.boxes[n]];
            if (!answer) {
                Note((long)expect_.boxes[n], "not shown", "a silent run answers without a box");
            } else if (n >= run.boxes.size()) {
                DisagreeWith(expect_.boxes[n], "no box was shown", {});
            } else if (run.boxes[n].caption != e.args[0] || TrimEnd(run.boxes[n].text) != TrimEnd(Unescape(e.args[1]))) {
                DisagreeWith(expect_.boxes[n], "the box shown was >" + run.boxes[n].caption + "< >" +
                                                   Replace(run.boxes[n].text, "\n", "\\n") + "<", {});
            } else if (Upper(e.args[2]) != Upper(answer)) {
                DisagreeWith(expect_.boxes[n], std::string("the box was answered ") + answer, {});
            }
        }
        for (size_t n = expect_.boxes.size(); n < run.boxes.size(); n++)
            Disagree("unplanned box >" + run.boxes[n].caption + "< >" + run.boxes[n].text + "<", "");
    }

    void CheckRestart()
    {
        size_t asked = 0;
        for (const std::string& line : log_)
            asked += Contains(line, "reboot system") && !Contains(line, "will NOT") ? 1 : 0;
        if (!expect_.restarts.empty() && !asked)
            DisagreeWith(expect_.restarts[0], "the log shows no restart asked", {});
        if (expect_.restarts.empty() && asked)
            Disagree("unplanned restart asked", "");
    }

    void CheckEnd()
    {
        if (expect_.end < 0 || (size_t)expect_.end + 1 != plan_.effects.size()) {
            Disagree("the plan does not end with its end line", "");
            if (expect_.end < 0)
                return;
        }
        const std::string how = plan_.effects[expect_.end].args[0];
        std::string last = log_.empty() ? "" : log_.back();
        bool noMore = !LogLines("No More commands").empty();
        bool deleted = !LogLines("will delete :").empty() && !FileExists(workingCopy_);
        std::string seen = last.compare(0, 4, "DONE") != 0 ? "a log ending >" + last + "<"
                           : deleted                      ? "working copy deleted"
                           : noMore                       ? "DONE"
                                                          : "exit";
        if (seen != how)
            DisagreeWith(expect_.end, "the run ended so: " + seen, {});
    }

    const Bench& bench_;
    const Plan& plan_;
    std::string workingCopy_;
    std::string currentDir_; // the folder the run was started in
    Model model_;
    Expectations expect_;
    Outcome outcome_;
    std::vector<std::string> log_;
};

std::string SystemFolder(UINT(WINAPI* get)(LPSTR, UINT))
{
    char path[MAX_PATH];
    UINT n = get(path, sizeof path);
    return std::string(path, n < sizeof path ? n : 0);
}

// Runs one case: the plan, the snapshots, the run, the judgement.
Outcome Prove(const Case& c, const std::string* handWrittenPlan = nullptr)
{
    Bench bench(c.version);
    ClearWatchedKeys();
    std::string key = std::string("Software\\PlanProof\\") + c.name;
    auto expand = [&](const std::string& text) {
        return Replace(Replace(Replace(text, "{R}", bench.root), "{K}", key), "{L}", bench.logPath);
    };
    Prepare(expand(c.prepare));
    std::string scriptName = std::string(c.name) + ".ini";
    std::string script = bench.WriteScript(
        scriptName, (c.script.compare(0, 6, "[Data]") == 0 ? "" : "[Data]\n" + bench.LogKeys()) + expand(c.script));

    std::string planText;
    if (handWrittenPlan) {
        planText = expand(*handWrittenPlan);
    } else {
        std::string command = "\"" + BuiltFile("bin/scriptcheck.exe") + "\" --plan --windows " + WindowsOption(c.version) +
                              " --program-dir " + bench.programDir + " --windows-dir " +
                              SystemFolder(GetWindowsDirectoryA) + " --system-dir " + SystemFolder(GetSystemDirectoryA);
        if (c.answer)
            command += std::string(" --answer ") + c.answer;
        DWORD status = 0;
        planText = RunConsole(command + " " + script, &status);
        if (status == 3)
            ADD_FAILURE() << c.name << ": the checker refused to plan (" << command << "):\n" << planText;
    }
    Plan plan = ParsePlan(planText);

    Snapshot before = Take(bench.root);
    RunOptions options;
    options.currentDir = bench.programDir; // as when started from its folder
    Proof proof(bench, scriptName, plan, before, options.currentDir);
    if (c.answer)
        options.answers.assign(8, Button(c.answer));
    RunResult run = bench.Run(scriptName + (c.answer ? " -noreboot" : " -silent -noreboot"), options);
    EXPECT_TRUE(run.finished) << c.name << ": the run did not end";
    Outcome outcome = proof.Judge(Take(bench.root), run, c.answer);

    std::ostringstream report;
    report << "[" << c.name << "] " << outcome.effects << " effects, " << outcome.agreed << " agreed\n";
    for (const std::string& a : plan.assumptions)
        report << "  plan: " << a << "\n";
    for (const std::string& f : plan.findings)
        report << "  checker: " << f << "\n";
    for (const Finding& f : outcome.findings)
        report << "  " << (f.why.empty() ? "DISAGREES " : "explained ") << f.where << " "
               << f.what << (f.why.empty() ? "" : "\n      because: " + f.why) << "\n";
    printf("%s", report.str().c_str());
    if (std::any_of(outcome.findings.begin(), outcome.findings.end(), [](const Finding& f) { return f.why.empty(); }))
        ADD_FAILURE() << report.str() << "--- plan ---\n" << planText << "--- log ---\n" << JoinLines(bench.Log());
    return outcome;
}

// clang-format off
// Scripts run under more than one choice.
const char kBoxScript[] = "[Ask.US]\nTitle=Plan proof\nMessage1=Install the tools?\n"
                          "[YesList]\n21,,{R}\\yes\n[NoList]\n21,,{R}\\no\n[CommandsList]\n17,Ask,3,YesList,NoList\n";
const char kVersionScript[] = "[W95]\n21,,{R}\\95\n[W98]\n21,,{R}\\98\n[NT4]\n21,,{R}\\nt4\n[W2K]\n21,,{R}\\2000\n"
                              "[Other]\n21,,{R}\\other\n[CommandsList]\n18,Other,W95,W98,NT4,W2K\n";

const Case kCases[] = {
    {"RegistryValues", WindowsVersion::Win2000, nullptr, "",
     "[Text]\nRegHive=HKEY_CURRENT_USER\nRegKey={K}\\A\\B\nRegValue=Path\nRegData=~%C001\\tools\nRegDataType=0\n"
     "[Number]\nRegHive=HKEY_CURRENT_USER\nRegKey={K}\\A\nRegValue=Count\nRegData=0x2A\nRegDataType=2\n"
     "[Bytes]\nRegHive=HKEY_LOCAL_MACHINE\nRegKey={K}\nRegValue=Raw\nRegData=AB\nRegDataType=1\n"
     "[Expand]\nRegHive=HKEY_LOCAL_MACHINE\nRegKey={K}\nRegValue=\nRegData=%SystemRoot%\\x\nRegDataType=3\n"
     "[Multi]\nRegHive=HKEY_CURRENT_USER\nRegKey={K}\nRegValue=Bays\nRegData=Bay1,Bay3\nRegDataType=4\n"
     "[CommandsList]\n3,Text\n3,Number\n3,Bytes\n3,Expand\n3,Multi\n"},
    {"RegistryRemovals", WindowsVersion::Win2000, nullptr,
     "value|HKEY_CURRENT_USER\\{K}\\Old|Unused|gone\nvalue|HKEY_CURRENT_USER\\{K}\\Old|Kept|stays\n"
     "key|HKEY_CURRENT_USER\\{K}\\Leaf\nkey|HKEY_CURRENT_USER\\{K}\\Parent\\Child\n",
     "[Value]\nRegHive=HKEY_CURRENT_USER\nRegKey={K}\\Old\nRegValue=Unused\n"
     "[Missing]\nRegHive=HKEY_CURRENT_USER\nRegKey={K}\\New\\Made\nRegValue=None\n"
     "[Leaf]\nRegHive=HKEY_CURRENT_USER\nRegKey={K}\\Leaf\n"
     "[Parent]\nRegHive=HKEY_CURRENT_USER\nRegKey={K}\\Parent\n"
     "[CommandsList]\n4,Value\n4,Missing\n12,Leaf\n12,Parent\n"},
    {"RegistryList", WindowsVersion::Win2000, nullptr,
     "value|HKEY_LOCAL_MACHINE\\{K}\\Old\\Deep|Name|x\nvalue|HKEY_CURRENT_USER\\{K}|Unused|y\n",
     "[Edits]\n1,HKCU,{K}\\List,Text,0,hello, world\n1,HKCU,{K}\\List,Raw,1,564F\n"
     "1,HKCU,{K}\\List,Start,2,00000003\n1,HKCU,{K}\\List,Odd,2,3E8\n1,HKLM,{K},Path,3,~%C001\n"
     "1,HKLM,{K},Multi,4,Bay1,Bay3\n3,HKCU,{K},Unused,0,\n2,HKLM,{K}\\Old,,,\n2,HKCU,{K}\\Never\\There,,,\n"
     "[CommandsList]\n14,Edits\n"},
    {"FileCopies", WindowsVersion::Win2000, nullptr,
     "file|{R}\\src\\a.txt|alpha\nfile|{R}\\src\\tree\\b.txt|beta\nfile|{R}\\src\\tree\\sub\\c.txt|gamma\n"
     "folder|{R}\\dst\nfolder|{R}\\dst\\tree\n",
     "[Files]\n{R}\\src\\a.txt,{R}\\dst\n{R}\\src\\tree,{R}\\dst\\tree\n{R}\\src\\missing.txt,{R}\\dst\\m.txt\n"
     "{R}\\src\\a.txt,{R}\\dst\\renamed.txt\n"
     "[CommandsList]\n15,,~%C001\\..\\src\\a.txt,{R}\\dst\\field.txt\n15,Files\n"},
    {"FileDeletes", WindowsVersion::Win2000, nullptr,
     "file|{R}\\old\\a.txt|alpha\nfile|{R}\\old\\tree\\b.txt|beta\nfile|{R}\\keep.txt|kept\n",
     "[Gone]\n{R}\\old\\tree\n{R}\\old\\nothing.txt\n[CommandsList]\n16,,{R}\\old\\a.txt\n16,Gone\n"},
    {"Folders", WindowsVersion::Win2000, nullptr, "folder|{R}\\exists\n",
     "[Folders]\n{R}\\pkg\n{R}\\pkg\\data\n{R}\\exists\n{R}\\pkg\\after\n"
     "[CommandsList]\n21,,{R}\\one\n21,Folders\n"},
    {"Renames", WindowsVersion::Win2000, nullptr,
     "file|{R}\\r\\a.txt|alpha\nfile|{R}\\r\\b.txt|beta\nfile|{R}\\r\\c.txt|gamma\nfile|{R}\\r\\taken.txt|taken\n",
     "[Renames]\n{R}\\r\\b.txt,{R}\\r\\b2.txt\n{R}\\r\\c.txt,{R}\\r\\taken.txt\n"
     "[CommandsList]\n31,,{R}\\r\\a.txt,{R}\\r\\a2.txt\n31,Renames\n"},
    {"WorkingCopyKeys", WindowsVersion::Win2000, nullptr, "",
     "[Settings]\nData,SYSID,2587\nExtra,List,a,b\n[CommandsList]\n26,,Extra,Field,~%C001\n26,Settings\n"},
    {"Append", WindowsVersion::Win2000, nullptr,
     "file|{R}\\prog\\extra.ini|[ExtraList]^3,ExtraValue^[ExtraValue]^RegHive=HKEY_CURRENT_USER^RegKey={K}^"
     "RegValue=FromExtra^RegData=appended^\n",
     "[CommandsList]\n28,~%C001\\extra.ini\n19,ExtraList\n"},
    {"Variables", WindowsVersion::Win2000, nullptr, "",
     "[Variables]\nV001=first\n[More]\nV002,~%V001-second\nV003,~%C001\n"
     "[Use]\nRegHive=HKEY_CURRENT_USER\nRegKey={K}\nRegValue=~%V002\nRegData=~%V002 and ~%V003\n"
     "[CommandsList]\n27,,V001,changed\n27,More\n3,Use\n"},
    {"Programs", WindowsVersion::Win2000, nullptr, "",
     "[Launch]\nProgram=~%C103\\cmd.exe /c echo ran> {R}\\ran.txt\nWaitToExit=TRUE\n"
     "[CommandsList]\n11,Launch\n11,,cmd.exe /c rem nothing,FALSE\n"},
    {"BoxYes", WindowsVersion::Win2000, "yes", "",
     kBoxScript},
    {"BoxNo", WindowsVersion::Win2000, "no", "",
     "[Ask.US]\nTitle=Plan proof\nMessage1=Install the tools?\nMessage2=;\nMessage3=Really?\n"
     "[YesList]\n21,,{R}\\yes\n[NoList]\n21,,{R}\\no\n[CommandsList]\n17,Ask,3,YesList,NoList\n"},
    {"BoxSilent", WindowsVersion::Win2000, nullptr, "",
     kBoxScript},
    {"VersionOn98", WindowsVersion::Win98, nullptr, "",
     kVersionScript},
    {"VersionOn2000", WindowsVersion::Win2000, nullptr, "",
     kVersionScript},
    {"Jumps", WindowsVersion::Win2000, nullptr, "",
     "[Variables]\nV001=Last\n[First]\n21,,{R}\\first\n[Last]\n21,,{R}\\last\n19,First\n"
     "[CommandsList]\n19,First\n21,,{R}\\list\n19,~%V001\n"},
    {"Exit", WindowsVersion::Win2000, nullptr, "",
     "[CommandsList]\n21,,{R}\\before\n10\n21,,{R}\\after\n"},
    {"ExitAndDelete", WindowsVersion::Win2000, nullptr,
     "file|{R}\\unpacked\\a.txt|alpha\nfile|{R}\\unpacked\\sub\\b.txt|beta\n",
     "[CommandsList]\n21,,{R}\\made\n29,,{R}\\unpacked,TRUE\n21,,{R}\\never\n"},
    {"Restart", WindowsVersion::Win2000, nullptr, "",
     "[CommandsList]\n20\n21,,{R}\\still\n10\n21,,{R}\\after\n"},
};
// clang-format on

} // namespace

TEST(PlanProof, EveryPlanIsWhatTheRunDoes)
{
    size_t effects = 0, agreed = 0, explained = 0, disagreements = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Outcome o = Prove(c);
        effects += o.effects;
        agreed += o.agreed;
        for (const Finding& f : o.findings)
            (f.why.empty() ? disagreements : explained)++;
    }
    printf("plan proof: %zu cases, %zu effects, %zu agreed, %zu explained, %zu disagreements\n",
           sizeof kCases / sizeof kCases[0], effects, agreed, explained, disagreements);
}

// Scripts from the proof-script generator, well-formed and kept to the
// case's folder and key, on 95, 98, NT 4.0 and 2000 in turn, the boxes
// answered Yes or No. PLAN_PROOF_SCRIPTS sets how many (make stress: 300).
TEST(PlanProof, GeneratedScriptsRunAsPlanned)
{
    static const WindowsVersion kVersions[] = {WindowsVersion::Win2000, WindowsVersion::Win98, WindowsVersion::NT4,
                                               WindowsVersion::Win95};
    const char* wanted = getenv("PLAN_PROOF_SCRIPTS");
    uint64_t scripts = wanted && atoi(wanted) > 0 ? (uint64_t)atoi(wanted) : 24;
    const proof::ProofCorner corner = {"{R}\\corner", "{K}", "{L}"};
    size_t effects = 0, agreed = 0, explained = 0, disagreements = 0;
    for (uint64_t seed = 1; seed <= scripts; seed++) {
        Case c = {"Generated" + std::to_string(seed), kVersions[seed % 4], seed % 2 ? "yes" : "no",
                  "folder|{R}\\corner\nfile|{R}\\prog\\src.txt|source\n", proof::GenerateProofScript(seed, corner)};
        SCOPED_TRACE(c.name);
        Outcome o = Prove(c);
        effects += o.effects;
        agreed += o.agreed;
        for (const Finding& f : o.findings)
            (f.why.empty() ? disagreements : explained)++;
    }
    printf("generated plan proof: %llu scripts, %zu effects, %zu agreed, %zu explained, %zu disagreements\n",
           (unsigned long long)scripts, effects, agreed, explained, disagreements);
}

// The proof itself can fail: a plan that gets a value's bytes and a
// variable wrong, leaves out a copy, plans a start that never comes,
// forgets the restart and names the wrong end is caught on each count.
TEST(PlanProof, AFalsePlanIsCaught)
{
    const Case c = {"FalsePlan", WindowsVersion::Win2000, nullptr, "file|{R}\\src.txt|alpha\n",
                    "[Set]\nRegHive=HKEY_CURRENT_USER\nRegKey={K}\nRegValue=V\nRegData=AB\nRegDataType=1\n"
                    "[CommandsList]\n3,Set\n27,,V001,real\n15,,{R}\\src.txt,{R}\\dst.txt\n20\n10\n"};
    const std::string plan = "plan: hand-written\n"
                             "x.ini:9:\tregistry-set\tHKEY_CURRENT_USER\\{K}\tV\tREG_BINARY\t41 43\n"
                             "x.ini:10:\tvariable\tV001\tother\n"
                             "x.ini:11:\tstart\tcmd.exe /c rem\t<current folder>\twait\n"
                             "end\tDONE\n";
    ::testing::TestPartResultArray failures;
    Outcome o;
    {
        ::testing::ScopedFakeTestPartResultReporter quiet(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        o = Prove(c, &plan);
    }
    std::string all;
    for (const Finding& f : o.findings)
        all += (f.why.empty() ? "" : "explained ") + f.where + " " + f.what + "\n";
    EXPECT_EQ(1, failures.size()) << "one report for the case";
    EXPECT_EQ(6u, o.findings.size()) << all;
    EXPECT_EQ(0u, o.agreed) << all;
    for (const char* expected :
         {"x.ini:9 registry-set", "REG_BINARY [41 43], seen value", "REG_BINARY [41 42]\n",
          " unplanned change: unexpected file ", "\\dst.txt [alpha]\n", " unplanned restart asked\n",
          "x.ini:10 variable >V001< >other<: [VARIABLES] V001 is >real<\n",
          "x.ini:11 start >cmd.exe /c rem< ><current folder>< >wait<: no ...Spawning line in the log\n",
          " end >DONE<: the run ended so: exit\n"})
        EXPECT_NE(std::string::npos, all.find(expected)) << expected << " not in\n" << all;
}
