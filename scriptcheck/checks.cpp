#include "checks.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <set>

#include "compile.h"
#include "file_text.h"
#include "ini_reader.h"
#include "registry_text.h"
#include "section_read.h"
#include "system_id_list.h"
#include "text.h"
#include "value_text.h"
#include "variables.h"

namespace {

// The runner's buffers, in characters without the terminating NUL.
enum {
    kPathLimit = 259,         // paths, CMD11 command lines, expanded CMD14 fields
    kFieldLimit = 511,        // CMD03/04/12 keys, CMD15 field form, CMD26 and CMD27 fields
    kSectionFieldLimit = 255, // field 0, the command section
    kStateNameLimit = 127,    // a branch target as [State] keeps it
    kMessageLineLimit = 127,  // CMD17 Title and Message<n>
    kLogFileLimit = 127,
    kWaitFlagLimit = 31,
    kMaxExpansions = 64,
};

const char kDefaultLogPath[] = "C:\\system.sav\\util\\install.log";

struct Command {
    const IniSection* list;
    int line;
    std::string typeText;
    int type;
    bool hasComma;
    std::vector<std::string> fields; // as the command reads them back from [Commands]
    std::string Field(size_t m) const { return m < fields.size() ? fields[m] : std::string(); }
};

std::string Upper(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = (char)(c - 'a' + 'A');
    }
    return text;
}

// Commands whose arguments follow an empty field 0.
bool TakesFieldForm(int type)
{
    return type == 11 || type == 15 || type == 16 || type == 21 || type == 26 || type == 27 || type == 31;
}

bool IsDecimal(const std::string& text)
{
    if (text.empty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// Edits (insert, delete, change, without regard to case) from a to b.
int EditDistance(const std::string& a, const std::string& b)
{
    std::vector<int> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); j++)
        row[j] = (int)j;
    for (size_t i = 1; i <= a.size(); i++) {
        int diagonal = row[0];
        row[0] = (int)i;
        for (size_t j = 1; j <= b.size(); j++) {
            int above = row[j];
            bool same = Upper(a.substr(i - 1, 1)) == Upper(b.substr(j - 1, 1));
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// " (did you mean X?)" for the closest candidate within two edits.
std::string DidYouMean(const std::string& name, const std::vector<std::string>& candidates)
{
    std::string best;
    int bestDistance = 3;
    for (const std::string& candidate : candidates) {
        int d = EditDistance(name, candidate);
        if (d > 0 && d < bestDistance) {
            bestDistance = d;
            best = candidate;
        }
    }
    return best.empty() ? "" : " (did you mean " + best + "?)";
}

unsigned long ReadFromSection(void* context, const char* section, char* buffer, unsigned long size)
{
    return ReadSectionInto(FindSection(*(const IniFile*)context, section), buffer, size);
}

struct Win9xCut {
    bool cut;
    const char* dropped;
};

struct SizeCheck {
    const IniFile* ini;
    Win9xCut* cut;
};

unsigned long ReadForSizeCheck(void* context, const char* section, char* buffer, unsigned long size)
{
    return ReadSectionInto(FindSection(*((SizeCheck*)context)->ini, section), buffer, size);
}

void NoteWin9xCut(void* context, const char* droppedLine)
{
    Win9xCut* cut = ((SizeCheck*)context)->cut;
    cut->cut = true;
    cut->dropped = droppedLine;
}

class Checker {
public:
    Checker(const std::string& fileName, const AppendSource* appended) : file_(fileName), appended_(appended) {}

    std::vector<Finding> Run(const std::string& text)
    {
        ParseIni(text.data(), text.size(), file_, &ini_);
        CheckDuplicateSections();
        CheckLogSettings();
        CheckScriptName();
        const IniSection* first = FindSection(ini_, "CommandsList");
        if (!first || first->entries.empty()) {
            Report(first ? first->file : file_, first ? first->line : 1, kError, "no-command-list",
                   first ? "[CommandsList] is empty: the runner stops at start-up (\"Cannot initialize commands "
                           "section\")"
                         : "there is no [CommandsList]: the runner stops at start-up (\"Cannot initialize commands "
                           "section\")",
                   "put the first command list in a section [CommandsList]");
            CheckSectionSizes();
            SortFindings(&findings_);
            return findings_;
        }
        // Variables and appended files decide where branches lead, and the
        // reachable lists decide which variables are set: walk until stable.
        for (int round = 0; round < 4; round++) {
            size_t before = VariableCount() + ini_.sections.size();
            Walk(false);
            if (VariableCount() + ini_.sections.size() == before)
                break;
        }
        Walk(true);
        CheckDuplicateKeys();
        CheckVariableValues();
        CheckCycles();
        CheckUnreachable();
        CheckSectionSizes();
        SortFindings(&findings_);
        return findings_;
    }

private:
    std::string file_;
    const AppendSource* appended_;
    IniFile ini_;
    std::vector<Finding> findings_;
    bool reporting_ = false;
    std::map<std::string, std::vector<std::string>> variables_; // V001 -> values it may get
    std::vector<std::string> reached_;                             // command lists, in walk order
    std::set<std::string> dataSections_;                           // upper-case names read as data
    std::set<std::string> appendedPaths_;
    std::set<std::string> unreadPaths_;
    std::set<std::string> keySections_; // upper-case names of sections read key by key
    bool unresolvedBranch_ = false;
    bool unreadAppend_ = false;
    std::map<std::string, std::vector<Command>> lists_; // by upper-case name

    size_t VariableCount() const
    {
        size_t n = 0;
        for (const auto& v : variables_)
            n += v.second.size();
        return n;
    }

    // The runner ends its script argument at the first "-" of the command
    // line: a script whose name holds one cannot be named at all.
    void CheckScriptName()
    {
        size_t slash = file_.find_last_of("/\\");
        std::string name = slash == std::string::npos ? file_ : file_.substr(slash + 1);
        if (name.find('-') != std::string::npos)
            Report(file_, 1, kError, "script-name",
                   "the script's name \"" + name + "\" holds a \"-\": setuprun ends the script argument at the first "
                   "\"-\", finds no script, runs nothing and writes no log",
                   "name the script without \"-\", and its folders too when it is given by its full path");
    }

    void Report(const std::string& file, int line, Severity severity, const char* id, const std::string& text,
                const std::string& fix)
    {
        findings_.push_back(Finding{file, line, severity, id, text, fix});
    }

    // A missing section may come with a file CMD28 appends that the checker could not read.
    Severity Unsure(Severity severity) const { return unreadAppend_ ? kWarning : severity; }

    void Report(const Command& c, Severity severity, const char* id, const std::string& text, const std::string& fix)
    {
        if (reporting_)
            Report(c.list->file, c.line, severity, id, text, fix);
    }

    // The command as the line of its section that a finding is about.
    Command AtLine(const Command& c, const IniSection* section, const IniEntry* entry) const
    {
        Command at = c;
        at.list = section ? section : c.list;
        at.line = entry ? entry->line : c.line;
        return at;
    }

    std::string Name(const Command& c) const
    {
        char name[16];
        FormatText(name, sizeof name, "CMD%02d", c.type);
        return name;
    }

    // --- reading sections as the runner does -------------------------------

    // The lines of a section as LoadProfileSection gives them (Windows NT),
    // with their entries; empty when the section is missing or empty.
    std::vector<std::pair<std::string, const IniEntry*>> SectionLines(const std::string& name) const
    {
        std::vector<std::pair<std::string, const IniEntry*>> lines;
        SectionReadHooks hooks = {ReadFromSection, nullptr, nullptr, (void*)&ini_};
        char* text = ReadSectionText(&hooks, name.c_str(), false);
        const IniSection* section = FindSection(ini_, name);
        size_t i = 0;
        for (char* line = text; line; line = NextSectionLine(line), i++)
            lines.push_back({line, section && i < section->entries.size() ? &section->entries[i] : nullptr});
        free(text);
        return lines;
    }

    bool SectionHasText(const std::string& name) const { return !SectionLines(name).empty(); }

    std::string SectionHint(const std::string& name) const
    {
        std::vector<std::string> names;
        for (const IniSection& section : ini_.sections)
            names.push_back("[" + section.name + "]");
        return DidYouMean("[" + name + "]", names);
    }

    std::string MissingOrEmpty(const std::string& name) const
    {
        return FindSection(ini_, name) ? "[" + name + "] is empty" : "there is no section [" + name + "]";
    }

    // Compiles a list section line by line with the runner's own compile.
    const std::vector<Command>& Commands(const std::string& listName)
    {
        std::string key = Upper(listName);
        auto found = lists_.find(key);
        if (found != lists_.end())
            return found->second;
        std::vector<Command>& commands = lists_[key];
        const IniSection* section = FindSection(ini_, listName);
        for (auto& line : SectionLines(listName)) {
            std::vector<char> copy(line.first.begin(), line.first.end());
            copy.push_back('\0');
            KeyList keys;
            KeyListInit(&keys);
            if (CompileCommandLine(copy.data(), 0, &keys)) {
                Command c{section, line.second ? line.second->line : section->line, "", 0, false, {}};
                for (const char* e = KeyListText(&keys); e && *e; e = NextEntry(e)) {
                    const char* equals = strchr(e, '=');
                    std::string name(e, (size_t)(equals - e));
                    // What the command reads back through the profile functions.
                    std::string value = StripMatchingQuotes(equals + 1);
                    if (name == "Cmd0") {
                        c.typeText = value;
                    } else if (name == "FullCmdSection0") {
                        c.hasComma = !value.empty();
                    } else {
                        c.fields.push_back(value);
                    }
                }
                c.type = c.typeText.empty() ? 0 : ParseDecimal(c.typeText.c_str());
                commands.push_back(c);
            }
            KeyListFree(&keys);
        }
        return commands;
    }

    // --- variables ----------------------------------------------------------

    void Define(const std::string& name, const std::string& value)
    {
        std::vector<std::string>& values = variables_[Upper(name)];
        for (const std::string& v : values) {
            if (v == value)
                return;
        }
        values.push_back(value);
    }

    void CollectScriptVariables()
    {
        if (const IniSection* section = FindSection(ini_, "Variables")) {
            for (const IniEntry& entry : section->entries) {
                if (entry.hasValue)
                    Define(entry.name, StripMatchingQuotes(entry.value));
            }
        }
    }

    // The text with its tokens replaced as the runner would, taking the
    // first known value of each variable; *known is false when a variable
    // has no value the checker can see.
    std::string Expand(const std::string& text, bool* known, const std::string* choice = nullptr) const
    {
        std::string out = text;
        size_t scan = 0;
        for (int replacements = 0; replacements < kMaxExpansions;) {
            const char* token = FindVariableToken(out.c_str() + scan);
            if (!token)
                break;
            size_t at = (size_t)(token - out.c_str());
            VariableToken parsed = ParseVariableToken(token);
            if (!parsed.kind)
                break;
            std::string value;
            bool replaced = true;
            bool dropRest = false;
            if (parsed.kind == 'C') {
                switch (parsed.number) {
                case 0:
                    value = "C:\\TEMP\\TMP00000";
                    dropRest = true;
                    break;
                case 1:
                    value = "C:\\SETUP";
                    break;
                case 101:
                    value = "C:\\WINDOWS";
                    break;
                case 102:
                    value = "C:\\WINDOWS\\inf";
                    break;
                case 103:
                    value = "C:\\WINDOWS\\SYSTEM";
                    break;
                case 104:
                    value = "C:\\WINDOWS\\SYSTEM\\Drivers";
                    break;
                default:
                    replaced = false;
                }
                if (replaced)
                    *known = false; // a directory of the machine, not of the script
            } else if (parsed.number < 0 || parsed.number >= 1000) {
                replaced = false;
            } else {
                char name[8];
                FormatText(name, sizeof name, "V%03d", parsed.number);
                auto found = variables_.find(name);
                if (found == variables_.end() || found->second.empty()) {
                    *known = false;
                } else {
                    value = (choice && replacements == 0) ? *choice : found->second[0];
                }
            }
            if (!replaced) {
                scan = at + parsed.length;
                continue;
            }
            replacements++;
            out = out.substr(0, at) + value + (dropRest ? "" : out.substr(at + parsed.length));
            scan = at;
        }
        return out;
    }

    // Every text the expansion may give, one for each value of its first variable.
    std::vector<std::string> ExpandChoices(const std::string& text, bool* known) const
    {
        const char* token = FindVariableToken(text.c_str());
        VariableToken parsed = token ? ParseVariableToken(token) : VariableToken{0, 0, 0};
        std::vector<std::string> out;
        if (parsed.kind == 'V' && parsed.number >= 0 && parsed.number < 1000) {
            char name[8];
            FormatText(name, sizeof name, "V%03d", parsed.number);
            auto found = variables_.find(name);
            if (found != variables_.end()) {
                for (const std::string& value : found->second)
                    out.push_back(Expand(text, known, &value));
                return out;
            }
        }
        out.push_back(Expand(text, known));
        return out;
    }

    // Reports the tokens of a text that the runner cannot replace as meant.
    void CheckTokens(const Command& c, const std::string& text)
    {
        for (const char* p = FindVariableToken(text.c_str()); p; p = FindVariableToken(p)) {
            VariableToken parsed = ParseVariableToken(p);
            std::string token(p, parsed.length);
            if (!parsed.kind) {
                Report(c, kError, "bad-token",
                       "\"" + token + "\" is no variable token (only ~%V and ~%C are): the expansion stops there",
                       "write ~%Vnnn for a script variable or ~%Cnnn for a built-in directory, or avoid \"~%\"");
                return;
            }
            bool threeDigits = parsed.length == 6 && p[3] >= '0' && p[3] <= '9' && p[4] >= '0' && p[4] <= '9' &&
                               p[5] >= '0' && p[5] <= '9';
            if (!threeDigits) {
                char shown[8];
                FormatText(shown, sizeof shown, "~%%%c%03d", parsed.kind, parsed.number < 0 ? 0 : parsed.number);
                Report(c, kWarning, "token-shape",
                       "\"" + token + "\" is read as a six-character token: it means " + shown +
                           " and swallows what follows the number",
                       "write the number with three digits, e.g. " + std::string(shown));
            }
            if (parsed.kind == 'C' && parsed.number == 0 && p[parsed.length] != '\0') {
                Report(c, kWarning, "temp-name-rest",
                       "the text after ~%C000 is dropped: the token gives a whole temporary file name",
                       "use ~%C000 alone, or ~%V000 (the name it stored) where more text follows");
            } else if (parsed.kind == 'C' && parsed.number != 0 && parsed.number != 1 &&
                       (parsed.number < 101 || parsed.number > 104)) {
                Report(c, kError, "unknown-builtin",
                       "\"" + token + "\" names no built-in directory: it stays in the text as written",
                       "use ~%C001 (the program's directory), ~%C101..~%C104 (Windows, inf, system, drivers) or "
                       "~%C000 (a temporary file)");
            } else if (parsed.kind == 'V') {
                char name[8];
                FormatText(name, sizeof name, "V%03d", parsed.number);
                if (parsed.number < 0 || parsed.number > 999) {
                    Report(c, kError, "unknown-builtin", "\"" + token + "\" names no variable: it stays in the text",
                           "script variables are ~%V000 to ~%V999");
                } else if (!variables_.count(name)) {
                    Report(c, kWarning, "undefined-variable",
                           std::string("variable ") + name + " is never defined: \"" + token +
                               "\" expands to nothing",
                           std::string("define ") + name + " in [Variables] or with CMD27 before this line");
                }
            }
            p += parsed.length;
        }
    }

    // Reports a text that the runner refuses (or cuts) at its buffer, as
    // written and once expanded.
    void CheckLength(const Command& c, const std::string& text, int limit, const std::string& what, bool expanded,
                     const char* outcome = "refuses", Severity severity = kError)
    {
        bool known = true;
        std::string full = expanded ? Expand(text, &known) : text;
        char figures[96];
        if ((int)text.size() > limit) {
            FormatText(figures, sizeof figures, " is %d characters; the runner %s more than %d", (int)text.size(),
                       outcome, limit);
            Report(c, severity, "too-long", what + figures, "shorten it to " + std::to_string(limit) + " characters");
        } else if ((int)full.size() > limit) {
            FormatText(figures, sizeof figures, " is about %d characters once expanded; the runner %s more than %d",
                       (int)full.size(), outcome, limit);
            Report(c, severity, "too-long", what + figures,
                   "shorten it or its variables to " + std::to_string(limit) + " characters in all");
        }
    }

    // --- sections a command names ------------------------------------------

    // A section the command reads its lines or keys from.
    bool NeedSection(const Command& c, const std::string& name, const char* runnerText)
    {
        dataSections_.insert(Upper(name));
        if (name.empty()) {
            Report(c, kError, "needs-section", Name(c) + " needs a section name in field 0",
                   "write the section after the first comma: " + c.typeText + ",<section>");
            return false;
        }
        if ((int)name.size() > kSectionFieldLimit)
            return false; // cut: reported with field 0

        if (!SectionHasText(name)) {
            Report(c, Unsure(kError), "missing-section", MissingOrEmpty(name) + ": " + Name(c) + " logs \"" + runnerText +
                       "\" and does nothing",
                   "add [" + name + "] with its lines, or correct the name" + SectionHint(name));
            return false;
        }
        return true;
    }

    // A branch target: the section the run goes on with.
    void BranchTarget(const Command& c, const std::string& written, bool expanded, std::vector<std::string>* targets,
                      const std::string& role, Severity missingSeverity)
    {
        if (written.empty()) {
            Report(c, missingSeverity, "missing-target", Name(c) + " has no target " + role +
                       ": there the run shows the internal-error box and goes on without a branch",
                   "give a section name for " + role);
            return;
        }
        if (expanded)
            CheckTokens(c, written);
        bool known = true;
        std::vector<std::string> choices =
            expanded ? ExpandChoices(written, &known) : std::vector<std::string>{written};
        if (!known) {
            unresolvedBranch_ = true;
            return;
        }
        bool anyFound = false;
        for (const std::string& name : choices) {
            dataSections_.insert(Upper(name)); // named: reported as missing, not as unreachable
            if ((int)name.size() > kStateNameLimit) {
                CheckLength(c, name, kStateNameLimit, "the target [" + name.substr(0, 20) + "...]", false, "cuts");
                continue;
            }
            if (SectionHasText(name)) {
                anyFound = true;
                targets->push_back(name);
                if (EqualsNoCase(name.c_str(), c.list->name.c_str()))
                    Report(c, kWarning, "self-branch",
                           "a branch to [" + name + "], the list it stands in, ends the run at the end of the list: "
                                                    "a list is never run again by branching to itself",
                           "branch to another list that holds the commands to repeat");
            }
        }
        if (!anyFound && choices.size() == 1 && (int)choices[0].size() <= kStateNameLimit) {
            std::string shown = choices[0] == written ? "" : " (\"" + written + "\")";
            // CMD17 records its answer's target untested: the list after it fails to start.
            std::string outcome = c.type == 17
                                      ? "; with this answer the run ends after this list (\"section [" + choices[0] +
                                            "] is empty..cannot initialize\")"
                                      : "; here the run shows the internal-error box and logs \"Section [" +
                                            choices[0] + "] is not found!\"";
            Report(c, Unsure(kError), "missing-target",
                   "branch target " + role + ": " + MissingOrEmpty(choices[0]) + shown + outcome,
                   "add [" + choices[0] + "] with its command lines, or correct the name" + SectionHint(choices[0]));
        } else if (!anyFound && choices.size() > 1) {
            Report(c, Unsure(kError), "missing-target", "branch target " + role + " \"" + written +
                       "\" names no non-empty section with any value its variable gets",
                   "add the sections its values name, or correct the variable");
        }
    }

    // --- the commands ---------------------------------------------------------

    // False when the line is too broken for its fields to be checked.
    bool CheckType(const Command& c)
    {
        bool digitsThenText = !c.typeText.empty() && c.typeText[0] >= '0' && c.typeText[0] <= '9' &&
                              !IsDecimal(c.typeText);
        if (digitsThenText && !c.hasComma) {
            std::string rest = c.typeText.substr(c.typeText.find_first_not_of("0123456789"));
            std::vector<char> copy(rest.begin(), rest.end());
            copy.push_back('\0');
            Report(c, kError, "missing-comma",
                   "\"" + c.typeText + "\" has no comma: the runner takes type " + std::to_string(c.type) +
                       " with no fields and loses the rest",
                   "put a comma after the type: " + std::to_string(c.type) + (TakesFieldForm(c.type) ? ",," : ",") +
                       TrimSpaces(copy.data()));
            return false;
        } else if (!IsDecimal(c.typeText) && c.type != 0) {
            Report(c, kWarning, "type-text", "type \"" + c.typeText + "\" is read as " + std::to_string(c.type),
                   "write the type as plain decimal digits");
        }
        if (c.type == 0) {
            Report(c, kError, "list-ends",
                   "type \"" + c.typeText + "\" reads as 0, which ends the list here: the lines after it are not "
                   "run as part of [" + c.list->name + "]",
                   "write a command type from 1 to 32 before the first comma");
        } else if (c.type < 0 || c.type > 35) {
            Report(c, kError, "unknown-type",
                   "command type " + std::to_string(c.type) + " is unknown: the runner logs \"CMD >" +
                       std::to_string(c.type) + "< not defined\" and skips it",
                   "use a command type from 1 to 32");
        } else if ((c.type >= 22 && c.type <= 24) || c.type >= 33) {
            Report(c, kWarning, "reserved-type",
                   "command type " + std::to_string(c.type) + " is reserved: the runner logs \" Not Supported yet.\"",
                   "remove the line, or use a command type that works");
        }
        return true;
    }

    // Collects the branch targets a command may record; checks them when reporting.
    std::vector<std::string> Targets(const Command& c, bool* branches, bool* exitPossible)
    {
        std::vector<std::string> targets;
        *branches = true;
        *exitPossible = false;
        switch (c.type) {
        case 9:
            BranchTarget(c, c.Field(0), false, &targets, "field 0 (the maker's machine)", kError);
            BranchTarget(c, c.Field(1), false, &targets, "field 1 (any other machine)", kError);
            break;
        case 17: {
            int kind = c.Field(1).empty() ? 1 : ParseDecimal(c.Field(1).c_str());
            int slots = kind == 4 ? 3 : (kind == 2 || kind == 3) ? 2 : 0;
            if (!slots)
                *branches = false;
            for (int s = 0; s < slots; s++) {
                // An empty answer slot cancels the branch: the run ends with this list.
                if (c.Field(2 + s).empty())
                    *exitPossible = true;
                else
                    BranchTarget(c, c.Field(2 + s), false, &targets, "field " + std::to_string(2 + s), kError);
            }
            break;
        }
        case 18: {
            static const char* const kSystems[] = {"any other Windows", "Windows 95", "Windows 98",
                                                   "Windows NT 4.0", "Windows 2000"};
            for (int f = 1; f <= 4; f++)
                BranchTarget(c, c.Field(f), false, &targets,
                             "field " + std::to_string(f) + " (" + kSystems[f] + ")", kWarning);
            BranchTarget(c, c.Field(0), false, &targets, "field 0 (any other Windows)", kWarning);
            break;
        }
        case 19:
            BranchTarget(c, c.Field(0), true, &targets, "field 0", kError);
            break;
        case 25:
            BranchTarget(c, c.Field(1), true, &targets, "field 1 (a supported ID)", kError);
            BranchTarget(c, c.Field(2), true, &targets, "field 2 (other IDs)", kError);
            break;
        case 30:
            BranchTarget(c, c.Field(0), false, &targets, "field 0 (not Windows 98)", kWarning);
            BranchTarget(c, c.Field(1), false, &targets, "field 1 (Windows 98, APM)", kWarning);
            BranchTarget(c, c.Field(2), false, &targets, "field 2 (Windows 98, ACPI)", kWarning);
            break;
        default:
            *branches = false;
        }
        return targets;
    }

    void CheckRegistryKeys(const Command& c)
    {
        const std::string& section = c.Field(0);
        keySections_.insert(Upper(section));
        if (!NeedSection(c, section, "nothing: RegHive, RegKey, RegValue and RegData are read from it"))
            return;
        for (const char* key : {"RegHive", "RegKey", "RegValue", "RegData"}) {
            std::string value = ReadString(ini_, section, key, "");
            CheckLength(c, value, kFieldLimit, std::string(key) + " of [" + section + "]", false);
        }
        std::string hive = ReadString(ini_, section, "RegHive", "");
        const IniEntry* hiveEntry = FindKey(ini_, section, "RegHive");
        int hiveLine = hiveEntry ? hiveEntry->line : FindSection(ini_, section)->line;
        if (FindRootByLongName(hive.c_str()) == kRootNotFound && reporting_) {
            Report(FindSection(ini_, section)->file, hiveLine, kError, "root-fallback",
                   (hive.empty() ? std::string("RegHive is missing") : "RegHive \"" + hive + "\" is no root key") +
                       ": the runner writes into HKEY_LOCAL_MACHINE",
                   "write HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, "
                   "HKEY_CURRENT_CONFIG, HKEY_PERFORMANCE_DATA or HKEY_DYN_DATA" +
                       DidYouMean(hive, {RootLongName(kRootClassesRoot), RootLongName(kRootCurrentUser),
                                         RootLongName(kRootLocalMachine), RootLongName(kRootUsers),
                                         RootLongName(kRootPerformanceData), RootLongName(kRootCurrentConfig),
                                         RootLongName(kRootDynData)}));
        }
        std::string data = ReadString(ini_, section, "RegData", "");
        CheckTokens(c, data);
        CheckLength(c, data, kFieldLimit, "RegData of [" + section + "]", true);
        if (c.type != 3)
            return;
        const IniEntry* typeEntry = FindKey(ini_, section, "RegDataType");
        std::string typeText = typeEntry ? StripMatchingQuotes(typeEntry->value) : "";
        int type = typeText.empty() ? 0 : ParseDecimal(typeText.c_str());
        if (typeEntry && (!IsDecimal(typeText) || type > 4) && reporting_) {
            Report(FindSection(ini_, section)->file, typeEntry->line, kWarning, "value-type",
                   "RegDataType \"" + typeText + "\" is no value type: the value is stored as text (0)",
                   "use 0 text, 1 binary, 2 DWORD, 3 expandable text or 4 multi-string");
        }
        bool known = true;
        std::string expanded = Expand(data, &known);
        unsigned long dword;
        if (type == 2 && known && !ParseDwordText(expanded.c_str(), &dword) && reporting_) {
            const IniEntry* dataEntry = FindKey(ini_, section, "RegData");
            Report(FindSection(ini_, section)->file, dataEntry ? dataEntry->line : typeEntry->line, kError,
                   "dword-text",
                   "RegData \"" + expanded + "\" is no DWORD: the runner refuses it",
                   "write an unsigned decimal number or 0x and up to 8 hex digits (at most 4294967295)");
        }
    }

    void CheckRegistryList(const Command& c)
    {
        if (!NeedSection(c, c.Field(0), "Missing the Data section"))
            return;
        static const char* const kMissing[] = {"", "root key", "key", "value name", "value type", "data"};
        for (auto& line : SectionLines(c.Field(0))) {
            std::vector<char> copy(line.first.begin(), line.first.end());
            copy.push_back('\0');
            char* fields[kRegistryLineFields];
            int found = SplitRegistryLine(copy.data(), fields);
            Command at = AtLine(c, FindSection(ini_, c.Field(0)), line.second);
            if (found < kRegistryLineFields) {
                Report(at, kError, "registry-line",
                       std::string("the line lacks its ") + kMissing[found] +
                           ": this and every later line of [" + c.Field(0) + "] are not done",
                       "write all six fields: <action>,<root>,<key>,<value>,<type>,<data> (empty ones too)");
                return;
            }
            int action = ParseDecimal(fields[0]);
            std::string root = TrimSpaces(fields[1]);
            if (action < 1 || action > 3)
                Report(at, kError, "registry-action",
                       "action \"" + std::string(TrimSpaces(fields[0])) + "\" is unknown: the line does nothing",
                       "use 1 (set a value), 2 (delete a key and its subkeys) or 3 (delete a value)");
            if (FindRootByAbbreviation(root.c_str()) == kRootNotFound)
                Report(at, kError, "root-fallback",
                       "root \"" + root + "\" is unknown: the runner uses HKEY_LOCAL_MACHINE",
                       "write HKCR, HKCU, HKLM, HKU, HKPD, HKCC or HKDD");
            std::string value = TrimSpaces(fields[3]);
            std::string typeText = TrimSpaces(fields[4]);
            std::string data = TrimSpaces(fields[5]);
            CheckTokens(at, value);
            CheckTokens(at, data);
            CheckLength(at, value, kPathLimit, "the value name", true);
            CheckLength(at, data, kPathLimit, "the data", true);
            if (action != 1)
                continue;
            int type = ParseDecimal(typeText.c_str());
            if (!typeText.empty() && (!IsDecimal(typeText) || type > 4)) {
                Report(at, kWarning, "value-type",
                       "value type \"" + typeText + "\" is unknown: the value is stored as text",
                       "use 0 text, 1 binary, 2 DWORD, 3 expandable text or 4 multi-string");
                continue;
            }
            bool known = true;
            std::string expanded = Expand(data, &known);
            HexTextShape shape = ExamineHexText(expanded.c_str());
            // The data runs to the end of the line: a ";" in binary or DWORD
            // data, or after a blank in text, is a comment stored with it.
            size_t semicolon = data.find(';');
            if (semicolon != std::string::npos &&
                (type == 1 || type == 2 || (semicolon > 0 && (data[semicolon - 1] == ' ' || data[semicolon - 1] == '\t'))))
                Report(at, kWarning, "comment-in-data",
                       "CMD14 data runs to the end of the line: \"" + data.substr(semicolon) +
                           "\" is no comment but part of the value \"" + data + "\"",
                       "put the comment on a line of its own above the line");
            else if ((type == 1 || type == 2) && known && shape.others > 0)
                Report(at, kWarning, "hex-data",
                       "data \"" + expanded + "\" holds characters that are no hex digits: each is stored as 0",
                       "write the data as hexadecimal digits 0-9 and A-F only");
            else if (type == 1 && known && (shape.digits % 2))
                Report(at, kWarning, "hex-data", "binary data \"" + expanded + "\" has an odd count of digits: "
                           "the last one is dropped",
                       "write two hex digits for every byte");
            else if (type == 2 && known && shape.digits > 8)
                Report(at, kWarning, "hex-data",
                       "DWORD data \"" + expanded + "\" has more than 8 digits: only the last 8 count",
                       "write at most 8 hex digits");
            else if (type == 2 && known && (shape.digits % 2))
                Report(at, kWarning, "hex-data",
                       "DWORD data \"" + expanded + "\" has an odd count of digits: it is read as if a 0 followed, "
                           "and stored as " + DwordAsHex(HexTextToDword(expanded.c_str())),
                       "write all eight digits: " + EightDigits(expanded));
        }
    }

    void CheckProgram(const Command& c)
    {
        std::string program;
        std::string wait;
        if (!c.Field(0).empty()) {
            if (!NeedSection(c, c.Field(0), "nothing: Program is read from it"))
                return;
            keySections_.insert(Upper(c.Field(0)));
            program = ReadString(ini_, c.Field(0), "Program", "");
            wait = ReadString(ini_, c.Field(0), "WaitToExit", "FALSE");
        } else {
            program = c.Field(1);
            wait = c.Field(2);
        }
        if (program.empty()) {
            Report(c, kError, "needs-field",
                   c.Field(0).empty() ? "CMD11 has no program in field 1" : "[" + c.Field(0) + "] has no Program",
                   c.Field(0).empty() ? "write 11,,<program and arguments>,TRUE" : "add Program=<program> to [" +
                                                                                         c.Field(0) + "]");
            return;
        }
        CheckTokens(c, program);
        CheckLength(c, program, kPathLimit, "the command line", true);
        bool known = true;
        std::string line = Expand(program, &known);
        size_t blank = line.find(' ');
        std::string first = line.substr(0, blank);
        char dir[kPathLimit + 1];
        bool hasDir = LaunchDirectory(line.c_str(), dir, sizeof dir);
        if (!first.empty() && (first[0] == '"' || first[0] == '\'') && hasDir) {
            Report(c, kError, "quoted-program",
                   "the program path is quoted: the runner takes " + std::string(dir) +
                       " (up to the last backslash before the first blank) as its directory and the start fails "
                       "with 267",
                   "write the path without quotes, in a directory whose path has no blanks");
        } else if (blank != std::string::npos && hasDir) {
            const char* name = LastPathComponent(first.c_str());
            std::string rest = Upper(line.substr(blank));
            bool programFollows = rest.find(".EXE") != std::string::npos || rest.find(".COM") != std::string::npos ||
                                  rest.find(".BAT") != std::string::npos;
            if (!strchr(name, '.') && programFollows)
                Report(c, kWarning, "blank-in-program",
                       "the program path has a blank: the runner cuts it at the blank and starts the program in \"" +
                           std::string(dir) + "\"",
                       "install the program under a path without blanks (e.g. its short 8.3 name)");
        }
        if ((int)wait.size() > kWaitFlagLimit || (!wait.empty() && !EqualsNoCase(wait.c_str(), "TRUE") &&
                                                  !EqualsNoCase(wait.c_str(), "FALSE")))
            Report(c, kWarning, "wait-flag",
                   "wait flag \"" + wait + "\" is not TRUE: the run does not wait for the program",
                   "write TRUE to wait, FALSE (or nothing) not to");
    }

    // CMD15 and CMD31 lines, CMD26 and CMD27 lines: fields separated by commas.
    void CheckPairList(const Command& c, const char* runnerText)
    {
        if (!NeedSection(c, c.Field(0), runnerText))
            return;
        const IniSection* section = FindSection(ini_, c.Field(0));
        for (auto& line : SectionLines(c.Field(0))) {
            Command at = AtLine(c, section, line.second);
            const std::string& text = line.first;
            if (text[0] == ';')
                continue;
            if (c.type == 27) {
                size_t comma = text.find(',');
                if (comma == std::string::npos) {
                    Report(at, kWarning, "missing-comma", "the line has no comma: no variable is set",
                           "write <name>,<value>");
                    continue;
                }
                CheckTokens(at, text.substr(comma + 1));
                continue;
            }
            if (c.type == 26) {
                size_t first = text.find(',');
                size_t second = first == std::string::npos ? first : text.find(',', first + 1);
                if (second == std::string::npos) {
                    Report(at, kWarning, "missing-comma", "the line lacks a comma: nothing is written",
                           "write <section>,<key>,<value>");
                    continue;
                }
                CheckTokens(at, text.substr(second + 1));
                for (const std::string& part : {text.substr(0, first), text.substr(first + 1, second - first - 1),
                                                text.substr(second + 1)})
                    CheckLength(at, part, kFieldLimit, "the field", true);
                continue;
            }
            std::vector<char> copy(text.begin(), text.end());
            copy.push_back('\0');
            char* source;
            char* destination;
            TwoPathResult split = SplitTwoPathLine(copy.data(), &source, &destination);
            if (split == kTwoPathNoComma) {
                Report(at, kWarning, "missing-comma", "the line has no comma: the runner skips it",
                       "write <source>,<destination>");
                continue;
            }
            if (split == kTwoPathComment)
                continue;
            if (!*source || !*destination) {
                Report(at, kWarning, "needs-field",
                       std::string("the line has no ") + (*source ? "destination" : "source") + ": the runner skips it",
                       "write <source>,<destination>");
                continue;
            }
            if (strchr(source, '*'))
                Report(at, kWarning, "wildcard", "wildcards are not supported: the runner skips the line",
                       "name each file, or copy the whole directory");
            CheckTokens(at, source);
            CheckTokens(at, destination);
            CheckLength(at, source, kPathLimit, "the source", true);
            CheckLength(at, destination, c.type == 15 ? kFieldLimit : kPathLimit, "the destination", true);
        }
    }

    // CMD16 and CMD21 lists: one path a line, used exactly as written.
    void CheckPathList(const Command& c)
    {
        if (!NeedSection(c, c.Field(0), c.type == 21 ? "Missing the Data section or an extra comma."
                                                     : "Missing the Data section"))
            return;
        const IniSection* section = FindSection(ini_, c.Field(0));
        for (auto& line : SectionLines(c.Field(0))) {
            Command at = AtLine(c, section, line.second);
            if (c.type == 16 && line.first.find('*') != std::string::npos)
                Report(at, kWarning, "wildcard", "wildcards are not supported: the runner skips the line",
                       "name each file or directory");
            if (line.first.find(';') != std::string::npos)
                Report(at, kWarning, "comment-in-path",
                       "the line is used as written: the \";\" and what follows are part of the path",
                       "put comments on lines of their own");
            CheckTokens(at, line.first);
            CheckLength(at, line.first, kPathLimit, "the path", true);
        }
        if (c.type == 21)
            Report(c, kNote, "makedir-stops",
                   "CMD21 makes one level a line and stops the list at the first directory it cannot make, one that "
                   "already exists included",
                   "list parents before children, and put directories that may exist in a list of their own last");
    }

    void CheckMessageBox(const Command& c)
    {
        if (c.Field(0).empty()) {
            Report(c, kError, "needs-section", "CMD17 needs the message name in field 0",
                   "write 17,<name>,<kind>,... with a section [<name>.US]");
            return;
        }
        std::string section = c.Field(0) + ".US";
        dataSections_.insert(Upper(section));
        keySections_.insert(Upper(section));
        if (!SectionHasText(section)) {
            Report(c, kError, "missing-section",
                   MissingOrEmpty(section) + ": CMD17 logs \"Missing the Message Section\" and neither shows a box "
                                             "nor branches",
                   "add [" + section + "] with Title and Message1, Message2, ...");
            return;
        }
        int kind = c.Field(1).empty() ? 1 : ParseDecimal(c.Field(1).c_str());
        if (!c.Field(1).empty() && (!IsDecimal(c.Field(1)) || kind < 1 || kind > 6))
            Report(c, kWarning, "box-kind", "message kind \"" + c.Field(1) + "\" is unknown: a plain OK box is shown",
                   "use 1 OK, 2 OK/Cancel, 3 Yes/No, 4 Yes/No/Cancel, 5 warning or 6 error");
        const IniSection* messages = FindSection(ini_, section);
        for (const IniEntry& entry : messages->entries) {
            bool title = EqualsNoCase(entry.name.c_str(), "Title");
            bool line = FindNoCase(entry.name.c_str(), "Message") == entry.name.c_str();
            std::string value = StripMatchingQuotes(entry.value);
            if ((title || line) && (int)value.size() > kMessageLineLimit && reporting_)
                Report(messages->file, entry.line, kWarning, "too-long",
                       entry.name + " is " + std::to_string(value.size()) + " characters; the box shows the first " +
                           std::to_string(kMessageLineLimit),
                       "split the text over more Message lines of at most 127 characters");
        }
    }

    void CheckSystemIdList(const Command& c)
    {
        if (!NeedSection(c, c.Field(0), "Missing the Data section"))
            return;
        const IniSection* section = FindSection(ini_, c.Field(0));
        for (auto& line : SectionLines(c.Field(0))) {
            // Only the line's value read as hex or as decimal can be the ID it names.
            std::vector<char> copy(line.first.begin(), line.first.end());
            copy.push_back('\0');
            const char* digits = TrimSpaces(copy.data());
            if ((digits[0] == '0') && (digits[1] == 'x' || digits[1] == 'X'))
                digits += 2;
            unsigned long asHex = strlen(digits) <= 4 ? strtoul(digits, nullptr, 16) : 0;
            unsigned long asDecimal = strlen(digits) <= 5 ? strtoul(digits, nullptr, 10) : 0;
            bool names = (asHex && asHex <= 0xFFFF && IdListLineMatches(line.first.c_str(), (unsigned)asHex)) ||
                         (asDecimal && asDecimal <= 0xFFFF &&
                          IdListLineMatches(line.first.c_str(), (unsigned)asDecimal));
            if (!names && !IsIdListComment(line.first.c_str()) && reporting_)
                Report(section->file, line.second ? line.second->line : section->line, kWarning, "id-line",
                       "\"" + line.first + "\" names no system ID: the line never matches",
                       "write one ID a line: 0x0A1B, A1B or 2587 (decimal), nothing else on it");
        }
    }

    void CheckAppend(const Command& c)
    {
        const std::string& path = c.Field(0);
        if (path.empty()) {
            Report(c, kError, "needs-field", "CMD28 needs the file to append in field 0",
                   "write 28,<path of the INI file>");
            return;
        }
        CheckTokens(c, path);
        CheckLength(c, path, kSectionFieldLimit, "the path", true, "cuts");
        if (!appendedPaths_.count(Upper(path))) {
            appendedPaths_.insert(Upper(path));
            std::string shown;
            std::string text;
            if (appended_ && appended_->read && appended_->read(appended_->context, path, &shown, &text)) {
                // Appended sections come after the script's: a section of the
                // same name in the script still wins.
                IniFile more;
                ParseIni(text.data(), text.size(), shown, &more);
                for (IniSection& section : more.sections)
                    ini_.sections.push_back(section);
                lists_.clear();
            } else {
                unreadPaths_.insert(Upper(path));
                unreadAppend_ = true;
            }
        }
        if (unreadPaths_.count(Upper(path)))
            Report(c, kNote, "append-unread",
                   "cannot read \"" + path + "\" here: the sections it brings are not checked",
                   "run scriptcheck -C <the runner's directory> so that ~%C001 finds the file");
    }

    void CheckCommand(const Command& c)
    {
        if (!CheckType(c))
            return;
        // Field 0 is read into the command section's buffer: a CMD32 message is cut, a name names another.
        if (c.type != 28)
            CheckLength(c, c.Field(0), kSectionFieldLimit, c.type == 32 ? "the message" : "field 0", false, "cuts",
                        c.type == 32 ? kWarning : kError);
        switch (c.type) {
        case 1:
        case 2:
            keySections_.insert(Upper(c.Field(0)));
            NeedSection(c, c.Field(0), c.type == 1 ? "nothing: AddLinkFile is read from it"
                                                   : "nothing: DeleteLinkFile is read from it");
            break;
        case 3:
        case 4:
        case 12:
            CheckRegistryKeys(c);
            break;
        case 6:
        case 7: {
            const char* key = c.type == 6 ? "DecCommand" : "IncCommand";
            if (ReadInt(ini_, "DATA", key, 0) <= 0)
                Report(c, kWarning, "step", std::string("[DATA] ") + key + " is not above 0: CMD0" +
                           std::to_string(c.type) + " logs an error and does not move the run",
                       std::string("set [DATA] ") + key + " to the number of commands to move");
            break;
        }
        case 11:
            CheckProgram(c);
            break;
        case 13:
            if (c.Field(0).empty() || !IsDecimal(c.Field(0)))
                Report(c, kWarning, "sleep-time",
                       "\"" + c.Field(0) + "\" is no time: CMD13 waits " +
                           std::to_string(c.Field(0).empty() ? 0 : std::max(0, ParseDecimal(c.Field(0).c_str()))) +
                           " milliseconds",
                       "write the time in milliseconds after the comma: 13,1000");
            break;
        case 14:
            CheckRegistryList(c);
            break;
        case 15:
        case 31:
            if (c.Field(0).empty()) {
                if (c.Field(1).empty() || c.Field(2).empty())
                    Report(c, kError, "needs-field", Name(c) + " needs a source in field 1 and a destination in field 2",
                           "write " + c.typeText + ",,<source>,<destination>");
                for (int f = 1; f <= 2; f++) {
                    CheckTokens(c, c.Field(f));
                    CheckLength(c, c.Field(f), c.type == 15 ? kFieldLimit : kPathLimit, "field " + std::to_string(f),
                                true);
                }
            } else {
                CheckPairList(c, "Missing the Data section or need an extra comma");
            }
            break;
        case 16:
        case 21:
            if (c.Field(0).empty()) {
                if (c.Field(1).empty())
                    Report(c, kError, "needs-field", Name(c) + " needs a path in field 1",
                           "write " + c.typeText + ",,<path>");
                CheckTokens(c, c.Field(1));
                CheckLength(c, c.Field(1), c.type == 21 ? kSectionFieldLimit : kPathLimit, "the path", true);
            } else {
                CheckPathList(c);
            }
            break;
        case 17:
            CheckMessageBox(c);
            break;
        case 25:
            CheckSystemIdList(c);
            break;
        case 26:
            if (c.Field(0).empty()) {
                if (c.Field(1).empty() || c.Field(2).empty())
                    Report(c, kError, "needs-field", "CMD26 needs a section in field 1 and a key in field 2",
                           "write 26,,<section>,<key>,<value>");
                for (int f = 1; f <= 3; f++) {
                    CheckTokens(c, c.Field(f));
                    CheckLength(c, c.Field(f), kFieldLimit, "field " + std::to_string(f), true);
                }
            } else {
                CheckPairList(c, "Missing the Data section or an extra comma.");
            }
            break;
        case 27:
            if (c.Field(0).empty()) {
                if (c.Field(1).empty())
                    Report(c, kError, "needs-field", "CMD27 needs the variable's name in field 1",
                           "write 27,,V001,<value>");
                CheckTokens(c, c.Field(2));
                CheckLength(c, c.Field(2), kFieldLimit, "the value", true, "cuts");
            } else {
                CheckPairList(c, "Missing the Data section or an extra comma.");
            }
            break;
        case 28:
            CheckAppend(c);
            break;
        case 29:
            if (!c.Field(0).empty()) {
                CheckPathList(c);
            } else {
                CheckTokens(c, c.Field(1));
                CheckLength(c, c.Field(1), kPathLimit, "the path", true);
            }
            break;
        case 32:
            if (c.fields.size() > 1)
                Report(c, kWarning, "text-lost",
                       "CMD32 logs field 0 only: the text after its second comma is lost",
                       "write the message without commas");
            break;
        default:
            break;
        }
    }

    // Variables a command sets, for the tokens of later lines.
    void CollectVariables(const Command& c)
    {
        if (c.type == 27 && c.Field(0).empty() && !c.Field(1).empty()) {
            Define(c.Field(1), c.Field(2));
        } else if (c.type == 26 && c.Field(0).empty() && EqualsNoCase(c.Field(1).c_str(), "Variables")) {
            Define(c.Field(2), c.Field(3));
        } else if ((c.type == 27 || c.type == 26) && !c.Field(0).empty()) {
            for (auto& line : SectionLines(c.Field(0))) {
                std::string text = line.first;
                size_t comma = text.find(',');
                if (comma == std::string::npos)
                    continue;
                std::vector<char> copy(text.begin(), text.end());
                copy.push_back('\0');
                copy[comma] = '\0';
                std::string first = TrimSpaces(copy.data());
                std::string rest = TrimSpaces(copy.data() + comma + 1);
                if (c.type == 27) {
                    Define(first, rest);
                } else if (EqualsNoCase(first.c_str(), "Variables")) {
                    size_t second = rest.find(',');
                    if (second != std::string::npos) {
                        std::vector<char> pair(rest.begin(), rest.end());
                        pair.push_back('\0');
                        pair[second] = '\0';
                        Define(TrimSpaces(pair.data()), TrimSpaces(pair.data() + second + 1));
                    }
                }
            }
        }
    }

    // Walks the lists the run can reach from [CommandsList]; when reporting,
    // checks every command of them.
    void Walk(bool report)
    {
        reporting_ = report;
        reached_.clear();
        dataSections_.clear();
        unresolvedBranch_ = false;
        CollectScriptVariables();
        std::set<std::string> seen;
        std::vector<std::string> pending{"CommandsList"};
        while (!pending.empty()) {
            std::string name = pending.front();
            pending.erase(pending.begin());
            if (!seen.insert(Upper(name)).second)
                continue;
            reached_.push_back(name);
            std::vector<Command> commands = Commands(name);
            for (const Command& c : commands) {
                CollectVariables(c);
                if (report)
                    CheckCommand(c);
                else if (c.type == 28)
                    CheckAppend(c);
                bool branches;
                bool exitPossible;
                for (const std::string& target : Targets(c, &branches, &exitPossible))
                    pending.push_back(target);
            }
        }
        reporting_ = false;
    }

    // --- the run as a whole -----------------------------------------------------

    struct ListEnd {
        bool canEnd;
        std::vector<std::string> next;
        int line; // the branch that decides
    };

    // Where the run may go at the end of a list: the last branch command
    // decides; an ending command, a list without branches, an empty answer
    // slot or a target the checker cannot resolve may end the run.
    ListEnd EndOf(const std::string& name)
    {
        ListEnd end{true, {}, 0};
        std::vector<Command> commands = Commands(name);
        for (const Command& c : commands) {
            if (c.type == 8 || c.type == 10 || c.type == 20 || c.type == 29)
                return ListEnd{true, {}, c.line};
        }
        bool saved = reporting_;
        reporting_ = false;
        for (auto c = commands.rbegin(); c != commands.rend(); ++c) {
            bool branches;
            bool exitPossible;
            bool before = unresolvedBranch_;
            unresolvedBranch_ = false;
            std::vector<std::string> targets = Targets(*c, &branches, &exitPossible);
            bool unresolved = unresolvedBranch_;
            unresolvedBranch_ = before || unresolved;
            if (!branches)
                continue;
            end.line = c->line;
            end.canEnd = exitPossible || unresolved || targets.empty();
            for (const std::string& t : targets) {
                if (EqualsNoCase(t.c_str(), name.c_str()))
                    end.canEnd = true; // a branch to the current list ends the run
                else
                    end.next.push_back(t);
            }
            break;
        }
        reporting_ = saved;
        return end;
    }

    void CheckCycles()
    {
        std::map<std::string, ListEnd> ends;
        for (const std::string& name : reached_)
            ends[Upper(name)] = EndOf(name);
        std::set<std::string> finishes;
        for (bool changed = true; changed;) {
            changed = false;
            for (auto& e : ends) {
                if (finishes.count(e.first))
                    continue;
                bool can = e.second.canEnd;
                for (const std::string& n : e.second.next)
                    can = can || finishes.count(Upper(n)) || !ends.count(Upper(n));
                if (can)
                    changed = finishes.insert(e.first).second || changed;
            }
        }
        std::set<std::string> reported;
        for (const std::string& name : reached_) {
            if (finishes.count(Upper(name)) || reported.count(Upper(name)))
                continue;
            // Follow the branches until a list comes round again: that is the cycle.
            std::vector<std::string> path{name};
            for (;;) {
                const ListEnd& e = ends[Upper(path.back())];
                std::string next = e.next.empty() ? name : e.next[0];
                bool closed = false;
                for (const std::string& p : path)
                    closed = closed || EqualsNoCase(p.c_str(), next.c_str());
                path.push_back(next);
                if (closed || path.size() > ends.size() + 1)
                    break;
            }
            std::string shown;
            for (const std::string& p : path) {
                shown += (shown.empty() ? "[" : " -> [") + p + "]";
                reported.insert(Upper(p));
            }
            const IniSection* section = FindSection(ini_, name);
            const ListEnd& e = ends[Upper(name)];
            Report(section->file, e.line ? e.line : section->line, kError, "endless-cycle",
                   "the run never ends: " + shown + " always branch on, with no list that ends the run",
                   "let one of these lists end without a branch, or end the run with CMD10");
        }
    }

    void CheckUnreachable()
    {
        std::set<std::string> used(dataSections_);
        for (const std::string& name : reached_)
            used.insert(Upper(name));
        std::set<std::string> seen;
        for (const IniSection& section : ini_.sections) {
            std::string key = Upper(section.name);
            if (!seen.insert(key).second || used.count(key))
                continue;
            if (key == "DATA" || key == "VARIABLES" || key == "COMMANDS" || key == "STATE" ||
                key.compare(0, 5, "DATA.") == 0)
                continue;
            bool unsure = unresolvedBranch_ || unreadAppend_;
            Report(section.file, section.line, unsure ? kNote : kWarning, "unreachable",
                   "no list the run can reach uses [" + section.name + "]" +
                       (unsure ? " (unless a branch the checker cannot follow names it)" : ""),
                   "branch to it from a list (e.g. CMD19), or remove it");
        }
    }

    // Sections read key by key: a second key of a name is never read.
    void CheckDuplicateKeys()
    {
        std::set<std::string> keyed(keySections_);
        keyed.insert("DATA");
        keyed.insert("VARIABLES");
        for (const std::string& name : keyed) {
            const IniSection* section = FindSection(ini_, name);
            if (!section)
                continue;
            std::set<std::string> seen;
            for (const IniEntry& entry : section->entries) {
                if (entry.hasValue && !seen.insert(Upper(entry.name)).second)
                    Report(section->file, entry.line, kWarning, "duplicate-key",
                           "a second " + entry.name + " in [" + section->name + "]: the runner reads only the first",
                           "keep one " + entry.name + " line");
            }
        }
    }

    // A variable's value is read into 260 bytes when a token is replaced.
    void CheckVariableValues()
    {
        const IniSection* section = FindSection(ini_, "Variables");
        for (const IniEntry& entry : section ? section->entries : std::vector<IniEntry>()) {
            if (entry.hasValue && (int)StripMatchingQuotes(entry.value).size() > kPathLimit)
                Report(section->file, entry.line, kWarning, "too-long",
                       entry.name + " is " + std::to_string(StripMatchingQuotes(entry.value).size()) +
                           " characters: its tokens give only the first 259",
                       "keep variable values to 259 characters");
        }
    }

    void CheckDuplicateSections()
    {
        std::set<std::string> seen;
        for (const IniSection& section : ini_.sections) {
            if (!seen.insert(Upper(section.name)).second)
                Report(section.file, section.line, kWarning, "duplicate-section",
                       "a second [" + section.name + "]: the runner reads only the first section of a name",
                       "merge it into the first [" + section.name + "]");
        }
    }

    void CheckLogSettings()
    {
        const IniEntry* logging = FindKey(ini_, "Data", "Logging");
        const IniEntry* logFile = FindKey(ini_, "Data", "LogFile");
        std::string path = ReadString(ini_, "Data", "LogFile", kDefaultLogPath);
        if (logFile && (int)path.size() > kLogFileLimit)
            Report(file_, logFile->line, kWarning, "log-file",
                   "LogFile is " + std::to_string(path.size()) + " characters: the runner takes at most 127 and "
                                                                   "logs to C:\\system.sav\\util\\install.log instead",
                   "use a log path of at most 127 characters");
        if (logging && ReadInt(ini_, "Data", "Logging", 0) != 0 &&
            (path.empty() || EqualsNoCase(path.c_str(), kDefaultLogPath)))
            Report(file_, logging->line, kWarning, "default-log",
                   "the log goes to C:\\system.sav\\util\\install.log; the runner never creates that folder, and "
                   "where it is missing nothing is logged",
                   "add [Data] LogFile=<a path in a folder that exists> (at most 127 characters)");
    }

    void CheckSectionSizes()
    {
        std::set<std::string> seen;
        for (const IniSection& section : ini_.sections) {
            if (!seen.insert(Upper(section.name)).second)
                continue;
            Win9xCut cut = {false, nullptr};
            SizeCheck check = {&ini_, &cut};
            SectionReadHooks hooks = {ReadForSizeCheck, NoteWin9xCut, nullptr, &check};
            char* text = ReadSectionText(&hooks, section.name.c_str(), true);
            size_t kept = 0;
            for (char* line = text; line; line = NextSectionLine(line))
                kept++;
            free(text);
            if (!cut.cut)
                continue;
            int lostLine = kept < section.entries.size() ? section.entries[kept].line : section.line;
            Report(section.file, section.line, kWarning, "win9x-section-size",
                   "[" + section.name + "] does not fit the 16640 bytes that Windows 95/98 read of a section: there "
                                        "line " + std::to_string(lostLine) + " and every later line are dropped",
                   "split it into sections joined by CMD19 branches");
        }
    }
};

} // namespace

std::vector<Finding> CheckScript(const std::string& fileName, const std::string& text, const AppendSource* appended)
{
    Checker checker(fileName, appended);
    return checker.Run(text);
}
