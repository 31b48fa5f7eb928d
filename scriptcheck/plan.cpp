// The plan of a run: the runner's loop over its compiled command numbers,
// followed on a copy of the script in memory. Lists are compiled with the
// runner's own compile, sections read with its own whole-section read,
// tokens found with its scanner and the built-in token table, registry
// bytes made with its text functions; what each command does to the
// machine is written down instead of done.
#include "plan.h"

#include <stdlib.h>
#include <string.h>

#include <map>

#include "buffer_limits.h"
#include "command_types.h"
#include "compile.h"
#include "ini_reader.h"
#include "file_text.h"
#include "registry_text.h"
#include "run_state.h"
#include "system_id_list.h"
#include "section_read.h"
#include "text.h"
#include "value_text.h"
#include "variables.h"

namespace {

// A run that has not ended after this many commands loops.
enum { kPlanCommandLimit = 20000 };

// The command numbers the run loop takes (run_state.h).
bool ValidNumber(long long n)
{
    return n >= -(long long)kMaxCommandNumber && n <= kMaxCommandNumber;
}

unsigned long ReadFromPlanSection(void* context, const char* section, char* buffer, unsigned long size)
{
    return ReadSectionInto(FindSection(*(const IniFile*)context, section), buffer, size);
}

// A compiled command as [Commands] holds it.
struct Compiled {
    std::string typeText;
    std::vector<std::string> fields;
    std::string file;
    int line = 0;
};

std::string Hex(const unsigned char* bytes, size_t size)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < size; i++) {
        if (i)
            out += ' ';
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 15];
    }
    return out;
}

class Planner {
public:
    Planner(const std::string& file, const AppendSource* appended, const PlanOptions& options)
        : file_(file), appended_(appended), options_(options)
    {
    }

    Plan Run(const std::string& text);

private:
    std::string file_;
    const AppendSource* appended_;
    PlanOptions options_;
    IniFile ini_; // the working copy
    std::map<int, Compiled> commands_;
    std::string current_, next_;
    int n_ = 0;
    Plan plan_;
    const Compiled* command_ = nullptr;
    std::string section_; // field 0, or DATA

    // The script in memory, as the profile functions read and write it.
    std::vector<std::string> Lines(const std::string& section) const;
    std::string Read(const std::string& section, const std::string& key, const std::string& fallback) const
    {
        return ReadString(ini_, section, key, fallback);
    }
    void Write(const std::string& section, const std::string& key, const std::string& value);

    bool Compile(const std::string& list, int first);
    bool EndOfList();
    std::string Field(size_t m) const { return command_ && m < command_->fields.size() ? command_->fields[m] : ""; }
    std::string Expand(std::string text);
    std::string SystemDir() const;
    void Step(const std::string& kind, std::vector<std::string> args);
    void Branch(const std::string& target, bool checked);

    // What each command does: the plan-step column of the command table.
    // Each returns what the runner's handler returns (1 ends the run
    // where the row says so).
    typedef int (Planner::*PlanStepFn)();
    int Execute(int type);
    int PlanNothing();
    int PlanAddLink();
    int PlanDeleteLink();
    int PlanSetRegValue();
    int PlanDeleteRegValue();
    int PlanDeleteRegKey();
    int PlanRegistryList();
    int PlanCounter();
    int PlanStepBack();
    int PlanStepOn();
    int PlanReset();
    int PlanExit();
    int PlanRestart();
    int PlanExitAndDelete();
    int PlanMachineBranch();
    int PlanWindowsBranch();
    int PlanJump();
    int PlanPowerBranch();
    int PlanSystemIdBranch();
    int PlanStart();
    int PlanCopy();
    int PlanDelete();
    int PlanBox();
    int PlanMakeFolders();
    int PlanSetValue();
    int PlanSetVariable();
    int PlanAppend();
    int PlanRename();
    void AskRestart();
    std::string ResumePoint(int endedBy) const;
    bool restartAsked_ = false;
    std::string restartFile_;
    int restartLine_ = 0;
    int SingleRegistry(bool setsValue, bool deletesValue);
    int TwoPathCommand(const char* kind);
    // The lines of the command's section, each effect of one placed on it.
    std::vector<std::string> ListLines();
    std::vector<int> listLines_;
    void StepLine(size_t i, const std::string& kind, std::vector<std::string> args);
    bool FieldForm(int type) const { return CommandHas(type, kCmdFieldForm) && section_.empty(); }
    int type_ = 0;
};

std::vector<std::string> Planner::Lines(const std::string& section) const
{
    std::vector<std::string> lines;
    SectionReadHooks hooks = {ReadFromPlanSection, nullptr, nullptr, (void*)&ini_, 0};
    char* text = ReadSectionText(&hooks, section.c_str(), false);
    for (char* line = text; line; line = NextSectionLine(line))
        lines.push_back(line);
    free(text);
    return lines;
}

void Planner::Write(const std::string& section, const std::string& key, const std::string& value)
{
    IniSection* found = nullptr;
    for (IniSection& s : ini_.sections) {
        if (EqualsNoCase(s.name.c_str(), section.c_str())) {
            found = &s;
            break;
        }
    }
    if (!found) {
        ini_.sections.push_back(IniSection{0, section, {}, file_});
        found = &ini_.sections.back();
    }
    for (IniEntry& entry : found->entries) {
        if (entry.hasValue && EqualsNoCase(entry.name.c_str(), key.c_str())) {
            entry.value = value;
            return;
        }
    }
    found->entries.push_back(IniEntry{0, key, value, true});
}

// Compiles a list at consecutive numbers from first on, replacing what an
// earlier compile left at those numbers; false when it has no line.
bool Planner::Compile(const std::string& list, int first)
{
    const IniSection* section = FindSection(ini_, list);
    std::vector<std::string> lines = Lines(list);
    if (lines.empty())
        return false;
    int n = first;
    size_t entry = 0;
    for (size_t i = 0; i < lines.size(); i++) {
        const std::string& text = lines[i];
        std::vector<char> copy(text.begin(), text.end());
        copy.push_back('\0');
        KeyList keys;
        KeyListInit(&keys);
        if (CompileCommandLine(copy.data(), n, &keys)) {
            Compiled c;
            c.file = section ? section->file : file_;
            c.line = section && entry < section->entries.size() ? section->entries[entry].line : 0;
            for (const char* e = KeyListText(&keys); e && *e; e = NextEntry(e)) {
                const char* equals = strchr(e, '=');
                std::string name(e, (size_t)(equals - e));
                std::string value = StripMatchingQuotes(equals + 1);
                if (name.compare(0, 3, "Cmd") == 0 && name.compare(0, 10, "CmdSection") != 0)
                    c.typeText = value;
                else if (name.compare(0, 10, "CmdSection") == 0)
                    c.fields.push_back(value);
            }
            commands_[n++] = c;
        }
        KeyListFree(&keys);
        entry++;
    }
    current_ = list;
    next_.clear();
    return true;
}

// The end of a list: the branch recorded in it, if any, is compiled at
// the current number and the run goes on there.
bool Planner::EndOfList()
{
    if (next_.empty() || EqualsNoCase(next_.c_str(), current_.c_str()))
        return true;
    std::string target = next_;
    if (!Compile(target, n_)) {
        current_ = target;
        next_.clear();
        plan_.end = "the list [" + target + "] is empty: the run ends";
        return true;
    }
    return false;
}

std::string Planner::SystemDir() const
{
    if (!options_.systemDir.empty())
        return options_.systemDir;
    bool nt = options_.windows == kPlanNT4 || options_.windows == kPlanWin2000 ||
              options_.windows == kPlanOtherWindows;
    return options_.windowsDir + (nt ? "\\system32" : "\\SYSTEM");
}

// Expands tokens as the runner does: built-in directories, script
// variables from [Variables] of the working copy, at most kMaxReplacements.
std::string Planner::Expand(std::string text)
{
    return ExpandTokens(text, [&](const VariableToken& token, int, std::string* value, bool* dropRest) {
        const BuiltInToken* builtIn = token.kind == 'C' ? FindBuiltInToken(token.number) : nullptr;
        if (builtIn) {
            switch (builtIn->base) {
            case kBuiltInTempFile:
                *value = "<temporary file>";
                *dropRest = true;
                Write("Variables", "V000", *value);
                break;
            case kBuiltInProgramDir:
                *value = options_.folderNames ? "<program folder>" : options_.programDir;
                break;
            case kBuiltInWindowsDir:
                *value = (options_.folderNames ? "<Windows folder>" : options_.windowsDir) + builtIn->tail;
                break;
            case kBuiltInSystemDir:
                *value = (options_.folderNames ? "<system folder>" : SystemDir()) + builtIn->tail;
                break;
            }
            return true;
        }
        if (token.kind != 'V' || token.number < 0 || token.number >= 1000)
            return false;
        char key[8];
        FormatText(key, sizeof key, "V%03d", token.number);
        *value = Read("Variables", key, "");
        return true;
    });
}

std::vector<std::string> Planner::ListLines()
{
    listLines_.clear();
    if (const IniSection* section = FindSection(ini_, section_)) {
        for (const IniEntry& entry : section->entries)
            listLines_.push_back(entry.line);
    }
    return Lines(section_);
}

void Planner::StepLine(size_t i, const std::string& kind, std::vector<std::string> args)
{
    size_t before = plan_.steps.size();
    Step(kind, args);
    const IniSection* section = FindSection(ini_, section_);
    if (plan_.steps.size() > before && section && i < listLines_.size() && listLines_[i] > 0) {
        plan_.steps.back().file = section->file;
        plan_.steps.back().line = listLines_[i];
    }
}

void Planner::Step(const std::string& kind, std::vector<std::string> args)
{
    // A key made again for the next value of the same key says nothing new.
    if (kind == "registry-key" && !plan_.steps.empty() && !plan_.steps.back().args.empty() &&
        plan_.steps.back().kind.compare(0, 9, "registry-") == 0 && plan_.steps.back().args[0] == args[0])
        return;
    plan_.steps.push_back(PlanStep{command_ ? command_->file : file_, command_ ? command_->line : 0, kind, args});
}

// A branch is recorded now and taken at the end of the list. One that
// names no non-empty section is not recorded (the internal-error box).
void Planner::Branch(const std::string& target, bool checked)
{
    if (checked && Lines(target).empty()) {
        Step("unknown", {"the branch to [" + target + "] names no list: the internal-error box, no branch"});
        return;
    }
    next_ = target;
}

int Planner::Execute(int type)
{
    type_ = type;
#define PLAN_STEP_ROW(number, name, handler, check, plan, branches, properties) &Planner::Plan##plan,
    static const PlanStepFn kSteps[kCommandTypeCount] = {SETUPRUN_COMMAND_TYPES(PLAN_STEP_ROW)};
#undef PLAN_STEP_ROW
    return (this->*kSteps[type])();
}

int Planner::PlanNothing() { return 0; }

// CMD03, CMD04 and CMD12: the key is made first, then the one edit.
int Planner::SingleRegistry(bool setsValue, bool deletesValue)
{
    if (Lines(section_).empty() || Read(section_, "RegKey", "").empty())
        return 2; // logged as an error; nothing changes
    RootKeyId root = FindRootByLongName(Read(section_, "RegHive", "").c_str());
    std::string keyPath = Read(section_, "RegKey", "");
    std::string key = std::string(RootLongName(root == kRootNotFound ? kRootLocalMachine : root)) + "\\" + keyPath;
    std::string name = Read(section_, "RegValue", "");
    std::string data = Expand(Read(section_, "RegData", ""));
    Step("registry-key", {key});
    if (deletesValue) {
        Step("registry-delete-value", {key, name});
    } else if (!setsValue) {
        Step("registry-delete-key", {key});
    } else {
        std::vector<unsigned char> bytes(data.begin(), data.end());
        const char* typeName = "REG_SZ";
        switch (ReadInt(ini_, section_, "RegDataType", 0)) {
        case 1:
            typeName = "REG_BINARY";
            break;
        case 2: {
            unsigned long number;
            if (!ParseDwordText(data.c_str(), &number))
                return 0; // refused, nothing stored
            typeName = "REG_DWORD";
            bytes.clear();
            for (int i = 0; i < 4; i++)
                bytes.push_back((unsigned char)(number >> (8 * i)));
            break;
        }
        case 3:
            typeName = "REG_EXPAND_SZ";
            bytes.push_back(0);
            break;
        case 4:
            typeName = "REG_MULTI_SZ";
            bytes.push_back(0);
            bytes.push_back(0);
            break;
        default:
            bytes.push_back(0);
        }
        Step("registry-set", {key, name, typeName, Hex(bytes.data(), bytes.size())});
    }
    return 0;
}

int Planner::PlanSetRegValue() { return SingleRegistry(true, false); }
int Planner::PlanDeleteRegValue() { return SingleRegistry(false, true); }
int Planner::PlanDeleteRegKey() { return SingleRegistry(false, false); }

// CMD14: one line a value or a deletion; a line short of a field ends the list.
int Planner::PlanRegistryList()
{
    std::vector<std::string> lines = ListLines();
    if (lines.empty())
        return 2;
    for (size_t i = 0; i < lines.size(); i++) {
        const std::string& text = lines[i];
        std::vector<char> copy(text.begin(), text.end());
        copy.push_back('\0');
        char* fields[kRegistryLineFields];
        if (SplitRegistryLine(copy.data(), fields) < kRegistryLineFields)
            break;
        int action = ParseDecimal(fields[0]);
        RootKeyId root = FindRootByAbbreviation(TrimSpaces(fields[1]));
        std::string keyPath = TrimSpaces(fields[2]);
        std::string key =
            std::string(RootLongName(root == kRootNotFound ? kRootLocalMachine : root)) + "\\" + keyPath;
        std::string name = Expand(TrimSpaces(fields[3]));
        int typeCode = ParseDecimal(TrimSpaces(fields[4]));
        std::string data = Expand(TrimSpaces(fields[5]));
        StepLine(i, "registry-key", {key});
        if (action == 1) {
            unsigned char bytes[kPathSize + 1] = {0};
            size_t size;
            const char* typeName;
            if (typeCode == 1) {
                typeName = "REG_BINARY";
                size = HexTextToBytes(data.c_str(), bytes, sizeof bytes - 1);
            } else if (typeCode == 2) {
                typeName = "REG_DWORD";
                unsigned long number = HexTextToDword(data.c_str());
                for (int i = 0; i < 4; i++)
                    bytes[i] = (unsigned char)(number >> (8 * i));
                size = 4;
            } else {
                typeName = typeCode == 3 ? "REG_EXPAND_SZ" : typeCode == 4 ? "REG_MULTI_SZ" : "REG_SZ";
                memcpy(bytes, data.c_str(), data.size() + 1);
                size = data.size() + (typeCode == 4 ? 2 : 1);
            }
            StepLine(i, "registry-set", {key, name, typeName, Hex(bytes, size)});
        } else if (action == 2 && !NamesWholeRoot(keyPath.c_str())) {
            StepLine(i, "registry-delete-tree", {key});
        } else if (action == 3) {
            StepLine(i, "registry-delete-value", {key, name});
        }
    }
    return 0;
}

// The Startup folder links of CMD01 and CMD02, in the default folder (a
// language section may name another).
int Planner::PlanAddLink()
{
    std::string link = Read(section_, "AddLinkFile", "");
    Step("copy", {link, "<Startup folder>\\" + std::string(LastPathComponent(link.c_str()))});
    return 0;
}

int Planner::PlanDeleteLink()
{
    Step("delete", {"<Startup folder>\\" + Read(section_, "DeleteLinkFile", "")});
    return 0;
}

// CMD15 and CMD31: a pair in fields 1 and 2, or one pair a line (a line
// without both paths, or with a wildcard, is passed over).
int Planner::TwoPathCommand(const char* kind)
{
    if (FieldForm(type_)) {
        Step(kind, {Expand(Field(1)), Expand(Field(2))});
        return 0;
    }
    std::vector<std::string> lines = ListLines();
    if (lines.empty())
        return 2;
    for (size_t i = 0; i < lines.size(); i++) {
        std::vector<char> copy(lines[i].begin(), lines[i].end());
        copy.push_back('\0');
        char* source;
        char* destination;
        if (SplitTwoPathLine(copy.data(), &source, &destination) != kTwoPathOk || !*source || !*destination ||
            strchr(source, '*'))
            continue;
        DropTrailingBackslash(destination);
        StepLine(i, kind, {Expand(source), Expand(destination)});
    }
    return 0;
}

int Planner::PlanCopy() { return TwoPathCommand("copy"); }
int Planner::PlanRename() { return TwoPathCommand("rename"); }

// CMD16 (and CMD29's list): a whole drive is never deleted.
int Planner::PlanDelete()
{
    std::vector<std::string> paths;
    if (FieldForm(type_)) {
        paths.push_back(Field(1));
    } else {
        paths = ListLines();
        if (paths.empty())
            return 2;
    }
    for (size_t i = 0; i < paths.size(); i++) {
        const std::string& written = paths[i];
        std::string path = Expand(written);
        if (written.find('*') == std::string::npos && !NamesDriveRoot(path.c_str()))
            StepLine(i, "delete", {path});
    }
    return 0;
}

int Planner::PlanMakeFolders()
{
    if (FieldForm(type_)) {
        Step("make-folder", {Expand(Field(1))});
        return 0;
    }
    // The first folder that cannot be made ends the list: the plan assumes each can.
    std::vector<std::string> lines = ListLines();
    for (size_t i = 0; i < lines.size(); i++)
        StepLine(i, "make-folder", {Expand(lines[i])});
    return lines.empty() ? 2 : 0;
}

// CMD26: section, key, value into the working copy.
int Planner::PlanSetValue()
{
    std::vector<std::vector<std::string>> entries;
    if (FieldForm(type_)) {
        entries.push_back({Field(1), Field(2), Field(3)});
    } else {
        std::vector<std::string> lines = ListLines();
        if (lines.empty())
            return 2;
        for (size_t i = 0; i < lines.size(); i++) {
            const std::string& line = lines[i];
            size_t first = line.find(',');
            size_t second = first == std::string::npos ? first : line.find(',', first + 1);
            if (line[0] == ';' || second == std::string::npos)
                continue;
            std::vector<char> copy(line.begin(), line.end());
            copy.push_back('\0');
            copy[first] = copy[second] = '\0';
            std::string section = TrimSpaces(copy.data()), key = TrimSpaces(copy.data() + first + 1);
            if (!section.empty() && !key.empty())
                entries.push_back({section, key, TrimSpaces(copy.data() + second + 1)});
        }
    }
    for (const std::vector<std::string>& e : entries) {
        std::string section = Expand(e[0]), key = Expand(e[1]), value = Expand(e[2]);
        Write(section, key, value);
        if (EqualsNoCase(section.c_str(), "Variables"))
            Step("variable", {key, value});
        else
            Step("ini-set", {"<working copy>", section, key, value});
    }
    return 0;
}

// CMD27: [Variables] keys of the working copy.
int Planner::PlanSetVariable()
{
    if (FieldForm(type_)) {
        if (Field(1).empty())
            return 0;
        std::string value = Expand(Field(2));
        Write("Variables", Field(1), value);
        Step("variable", {Field(1), value});
        return 0;
    }
    std::vector<std::string> lines = ListLines();
    if (lines.empty())
        return 2;
    for (size_t i = 0; i < lines.size(); i++) {
        const std::string& line = lines[i];
        size_t comma = line.find(',');
        if (line[0] == ';' || comma == std::string::npos)
            continue;
        std::vector<char> copy(line.begin(), line.end());
        copy.push_back('\0');
        copy[comma] = '\0';
        std::string key = TrimSpaces(copy.data());
        if (key.empty())
            continue;
        key = Expand(key);
        std::string value = Expand(TrimSpaces(copy.data() + comma + 1));
        Write("Variables", key, value);
        StepLine(i, "variable", {key, value});
    }
    return 0;
}

// CMD17: the box shows; its answer picks field 2, 3 or 4 where its kind branches.
int Planner::PlanBox()
{
    std::string section = section_ + ".US";
    std::vector<std::string> lines = Lines(section);
    if (lines.empty())
        return 2;
    // Message1, Message2, ... each with its line feed, up to the first empty
    // or missing one; a line that starts with ";" shows empty.
    std::string text;
    for (int i = 1;; i++) {
        std::string line = Read(section, "Message" + std::to_string(i), "NO TEXT");
        if (line.empty() || EqualsNoCase(line.c_str(), "NO TEXT"))
            break;
        text += (line[0] == ';' ? std::string() : line) + "\\n";
    }
    int kind = Field(1).empty() ? 1 : ParseDecimal(Field(1).c_str());
    enum { kOk = 1, kCancel = 2, kYes = 6, kNo = 7 };
    int answer = options_.answer ? options_.answer : (kind == 3 || kind == 4 ? kYes : kOk);
    const char* answerName = answer == kOk ? "OK" : answer == kCancel ? "Cancel" : answer == kYes ? "Yes"
                                                  : answer == kNo     ? "No"
                                                                      : "another";
    Step("box", {Read(section, "Title", "Vorlix Setup"), text, answerName});
    int slot = kind == 2 ? (answer == kOk ? 2 : 3)
             : kind == 3 ? (answer == kYes ? 2 : 3)
             : kind == 4 ? (answer == kYes ? 2 : answer == kNo ? 3 : 4)
                         : 0;
    if (slot)
        Branch(Field((size_t)slot), false);
    return 0;
}

int Planner::PlanStart()
{
    std::string line, wait;
    if (FieldForm(type_)) {
        line = Expand(Field(1));
        wait = Field(2);
    } else {
        line = Expand(Expand(Read(section_, "Program", "")));
        wait = Read(section_, "WaitToExit", "FALSE");
    }
    char dir[kPathSize];
    std::string folder = LaunchDirectory(line.c_str(), dir, sizeof dir) ? dir : "<current folder>";
    Step("start", {line, folder, EqualsNoCase(wait.c_str(), "TRUE") ? "wait" : "no-wait"});
    return 0;
}

int Planner::PlanAppend()
{
    std::string path = Expand(section_);
    std::string shown, text;
    if (!appended_ || !appended_->read(appended_->context, path, &shown, &text)) {
        Step("unknown", {"the file CMD28 appends cannot be read here: " + path});
        return 2;
    }
    IniFile more;
    ParseIni(text.data(), text.size(), shown, &more);
    for (const IniSection& section : more.sections)
        ini_.sections.push_back(section);
    Step("append", {path});
    return 0;
}

// The run-position commands.
int Planner::PlanCounter()
{
    int count = ReadInt(ini_, "DATA", "RunCount", 0);
    Write("DATA", "RunCount", std::to_string(count + 1));
    return 0;
}

// The run loop moves on by one after these, as after every command.
int Planner::PlanStepBack()
{
    int step = ReadInt(ini_, "DATA", "DecCommand", 0);
    if (step > 0 && ValidNumber((long long)n_ - step - 1))
        n_ = n_ - step - 1;
    return 0;
}

int Planner::PlanStepOn()
{
    int step = ReadInt(ini_, "DATA", "IncCommand", 0);
    if (step > 0 && ValidNumber((long long)n_ + step))
        n_ += step;
    return 0;
}

int Planner::PlanReset()
{
    plan_.end = "exit (the run state is reset: the next start begins again)";
    return 1;
}

int Planner::PlanExit()
{
    plan_.end = "exit";
    return 1;
}

// The restart comes when the run ends: written down then, where it was
// asked, with where a run started again with -resume (the script's own
// RunOnce entry) goes on.
int Planner::PlanRestart()
{
    AskRestart();
    return 1;
}

void Planner::AskRestart()
{
    restartAsked_ = true;
    restartFile_ = command_ ? command_->file : file_;
    restartLine_ = command_ ? command_->line : 0;
}

std::string Planner::ResumePoint(int endedBy) const
{
    if (endedBy < 0 || CommandHas(endedBy, kCmdKeepsPosition))
        return endedBy < 0 ? "resumes with nothing left to run"
                           : "resumes from the start of the script: the run state is gone";
    auto next = commands_.find(n_ + 1);
    if (next == commands_.end() || next->second.typeText.empty() || ParseDecimal(next->second.typeText.c_str()) == 0)
        return "resumes with nothing left to run";
    return "resumes at " + next->second.file + ":" + std::to_string(next->second.line);
}

int Planner::PlanExitAndDelete()
{
    PlanDelete();
    if (EqualsNoCase(Field(2).c_str(), "TRUE"))
        AskRestart();
    plan_.end = "working copy deleted";
    return 1;
}

// The branches: the machine, the Windows version and power management are
// the plan's choices; a target is used as its row's branch field says.
int Planner::PlanMachineBranch()
{
    // A debug switch of the script takes the maker's branch on any machine.
    bool debug = ReadInt(ini_, "DATA", "IsVorlix", 0) != 0 && ReadInt(ini_, "DATA", "Debug", 0) != 0;
    Branch(Field(options_.firmwareAnswers || debug ? 0 : 1), true);
    return 0;
}

int Planner::PlanWindowsBranch()
{
    Branch(Field((size_t)options_.windows), true);
    return 0;
}

int Planner::PlanJump()
{
    Branch(Expand(section_), true);
    return 0;
}

int Planner::PlanPowerBranch()
{
    int field = options_.windows != kPlanWin98 ? 0 : options_.power == kPlanAcpi ? 2 : 1;
    Branch(Field((size_t)field), true);
    return 0;
}

int Planner::PlanSystemIdBranch()
{
    // Without the firmware the script's own [DATA] SYSID stands in.
    unsigned id = (options_.firmwareAnswers ? options_.systemId : (unsigned)ReadInt(ini_, "DATA", "SYSID", 0)) & 0xFFFF;
    bool listed = false;
    for (const std::string& line : Lines(section_)) {
        std::vector<char> copy(line.begin(), line.end());
        copy.push_back('\0');
        if (id != 0 && IdListLineMatches(copy.data(), id)) {
            listed = true;
            break;
        }
    }
    bool debug = ReadInt(ini_, "DATA", "IsVorlix", 0) != 0 && ReadInt(ini_, "DATA", "Debug", 0) != 0;
    Branch(Expand(Field(listed || debug ? 1 : 2)), true);
    return 0;
}

Plan Planner::Run(const std::string& text)
{
    static const char* const kWindows[] = {"another Windows", "Windows 95", "Windows 98", "Windows NT 4.0",
                                           "Windows 2000"};
    char id[16];
    FormatText(id, sizeof id, "0x%04X", options_.systemId & 0xFFFF);
    plan_.assumptions = {
        "what a run of " + file_ + " does on " + kWindows[options_.windows] + " (--windows)",
        options_.firmwareAnswers ? std::string("the maker's firmware answers, system ID ") + id + " (--firmware)"
                                 : "the maker's firmware does not answer (--firmware)",
        options_.power == kPlanAcpi ? "power management on Windows 98: ACPI (--power)"
                                    : "power management on Windows 98: APM (--power)",
        options_.answer ? "every box answered as --answer says" : "every box answered as a silent run answers it: OK "
                                                                  "or Yes (--answer)",
        options_.folderNames ? std::string("built-in folders by name: ~%C001 <program folder>, ~%C101 <Windows folder>, "
                                           "~%C103 <system folder> (--folders)")
                             : "~%C001 is " + options_.programDir + ", ~%C101 " + options_.windowsDir + ", ~%C103 " +
                                   SystemDir() + " (--folders, --program-dir, --windows-dir, --system-dir)",
        "a file copied onto a folder goes into it, a folder copied gives its contents; the effects assume every file "
        "and key they need is there",
        "a program started makes changes of its own, which are not in the plan",
    };
    ParseIni(text.data(), text.size(), file_, &ini_);
    if (!Compile("CommandsList", 0)) {
        plan_.end = "there is no [CommandsList]: the run stops at start-up";
        return plan_;
    }
    int endedBy = -1; // the command type that ended the run; -1: the end of the lists
    for (int steps = 0;; steps++) {
        if (steps >= kPlanCommandLimit) {
            plan_.end = "the run has not ended after " + std::to_string(kPlanCommandLimit) + " commands: a loop";
            break;
        }
        if (!ValidNumber(n_)) {
            plan_.end = "command number " + std::to_string(n_) + " is out of range: the run ends";
            break;
        }
        auto found = commands_.find(n_);
        command_ = found == commands_.end() ? nullptr : &found->second;
        int type = command_ && !command_->typeText.empty() ? ParseDecimal(command_->typeText.c_str()) : 0;
        if (!FindCommandType(type)) {
            n_++;
            continue;
        }
        if (CommandHas(type, kCmdEndsList)) {
            if (EndOfList()) {
                if (plan_.end.empty())
                    plan_.end = "DONE";
                break;
            }
            continue;
        }
        section_ = CommandHas(type, kCmdUsesData) ? std::string("DATA") : Field(0);
        int result = Execute(type);
        if (CommandHas(type, kCmdEndsRun) && result != 0) {
            endedBy = type;
            break;
        }
        if (!CommandHas(type, kCmdKeepsPosition))
            n_++;
    }
    if (restartAsked_)
        plan_.steps.push_back(PlanStep{restartFile_, restartLine_, "restart", {ResumePoint(endedBy)}});
    return plan_;
}

} // namespace

Plan PlanScript(const std::string& fileName, const std::string& text, const AppendSource* appended,
                const PlanOptions& options)
{
    Planner planner(fileName, appended, options);
    return planner.Run(text);
}

std::string FormatPlan(const Plan& plan)
{
    std::string out;
    for (const std::string& line : plan.assumptions)
        out += "plan: " + line + "\n";
    for (const PlanStep& step : plan.steps) {
        out += step.file + ":" + std::to_string(step.line) + ":\t" + step.kind;
        for (const std::string& arg : step.args)
            out += "\t" + arg;
        out += "\n";
    }
    out += "end\t" + plan.end + "\n";
    return out;
}
