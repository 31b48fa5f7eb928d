// The lists a run can reach from [CommandsList] and the branches between
// them: each list compiled with the runner's own compile, the sections a
// command names, the cycles that never end and the sections no list uses.
#include "checker.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "command_types.h"
#include "compile.h"
#include "section_read.h"
#include "text.h"
#include "value_text.h"

namespace {

unsigned long ReadFromSection(void* context, const char* section, char* buffer, unsigned long size)
{
    return ReadSectionInto(FindSection(*(const IniFile*)context, section), buffer, size);
}

} // namespace

namespace scriptcheck {

// The lines of a section as LoadProfileSection gives them (Windows NT),
// with their entries; empty when the section is missing or empty.
std::vector<std::pair<std::string, const IniEntry*>> Checker::SectionLines(const std::string& name) const
{
    std::vector<std::pair<std::string, const IniEntry*>> lines;
    SectionReadHooks hooks = {ReadFromSection, nullptr, nullptr, (void*)&ini_, 0};
    char* text = ReadSectionText(&hooks, name.c_str(), false);
    const IniSection* section = FindSection(ini_, name);
    size_t i = 0;
    for (char* line = text; line; line = NextSectionLine(line), i++)
        lines.push_back({line, section && i < section->entries.size() ? &section->entries[i] : nullptr});
    free(text);
    return lines;
}

bool Checker::SectionHasText(const std::string& name) const { return !SectionLines(name).empty(); }

std::string Checker::SectionHint(const std::string& name) const
{
    std::vector<std::string> names;
    for (const IniSection& section : ini_.sections)
        names.push_back("[" + section.name + "]");
    return DidYouMean("[" + name + "]", names);
}

std::string Checker::MissingOrEmpty(const std::string& name) const
{
    return FindSection(ini_, name) ? "[" + name + "] is empty" : "there is no section [" + name + "]";
}

// Compiles a list section line by line with the runner's own compile.
const std::vector<Command>& Checker::Commands(const std::string& listName)
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
            Command c{section, line.second ? line.second->line : section->line, "", 0, false, {}, "", false};
            size_t semicolon = line.first.find(';');
            if (semicolon != std::string::npos) {
                c.comment = line.first.substr(semicolon);
                c.commentJoined = semicolon > 0 && line.first[semicolon - 1] != ' ' && line.first[semicolon - 1] != '\t';
            }
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

// A branch target: the section the run goes on with.
void Checker::BranchTarget(const Command& c, const std::string& written, bool expanded,
                           std::vector<std::string>* targets, const std::string& role, Severity missingSeverity)
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
        // A box's answer is recorded untested: the list after it fails to start.
        std::string outcome = CommandBranches(c.type)->kind == kBranchBoxAnswer
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

// A branch written with fewer fields than it takes: every list after one
// left out stands a place early, so another Windows or machine runs it.
// Returns the fields written when they are too few, else 0.
size_t Checker::ReportShiftedBranches(const Command& c, const BranchField* fields)
{
    int takes = 0;
    for (const BranchField* f = fields; f->field >= 0; f++)
        takes = std::max(takes, f->field + 1);
    if (c.fields.empty() || (int)c.fields.size() >= takes)
        return 0;
    std::string asWritten;
    bool firstIsBranch = false;
    for (int n = 0; n < takes; n++) {
        for (const BranchField* f = fields; f->field >= 0; f++) {
            if (f->field != n)
                continue;
            firstIsBranch = firstIsBranch || n == 0;
            std::string list = c.Field((size_t)n);
            asWritten += std::string(asWritten.empty() ? "" : n + 1 == takes ? " and " : ", ") + f->role +
                         (list.empty() ? " has none" : " is [" + list + "]");
        }
    }
    std::string fix = "write all " + std::to_string(takes) + " fields, an empty one where no list is meant";
    if (firstIsBranch) {
        fix += "; with the first left out: " + c.typeText + ",";
        for (const std::string& field : c.fields)
            fix += "," + field;
    }
    Report(c, kError, "branch-fields",
           Name(c) + " has " + std::to_string(c.fields.size()) + " fields where it takes " + std::to_string(takes) +
               ": a field left out moves every later list one place, so " + asWritten,
           fix);
    return c.fields.size();
}

// Collects the branch targets a command may record (its branch fields in
// the command table); checks them when reporting.
std::vector<std::string> Checker::Targets(const Command& c, bool* branches, bool* exitPossible)
{
    std::vector<std::string> targets;
    const BranchField* fields = CommandBranches(c.type);
    *branches = fields->field >= 0;
    *exitPossible = false;
    // A box has as many answers as its kind (field 1) gives: 4 three, 2 and 3 two, the others none.
    int boxKind = c.Field(1).empty() ? 1 : ParseDecimal(c.Field(1).c_str());
    int answers = boxKind == 4 ? 3 : (boxKind == 2 || boxKind == 3) ? 2 : 0;
    if (fields->kind == kBranchBoxAnswer && answers == 0)
        *branches = false;
    size_t written = fields->kind == kBranchBoxAnswer ? 0 : ReportShiftedBranches(c, fields);
    for (const BranchField* f = fields; f->field >= 0; f++) {
        Severity missing = f->mayBeMissing ? kWarning : kError;
        if (written && (size_t)f->field >= written)
            continue; // told with the shift
        if (f->kind != kBranchBoxAnswer)
            BranchTarget(c, c.Field(f->field), f->kind == kBranchExpanded, &targets, f->role, missing);
        else if (answers-- <= 0)
            break;
        else if (c.Field(f->field).empty())
            *exitPossible = true; // an empty answer cancels the branch: the run ends with this list
        else
            BranchTarget(c, c.Field(f->field), false, &targets, f->role, missing);
    }
    return targets;
}

// Walks the lists the run can reach from [CommandsList]; when reporting,
// checks every command of them.
void Checker::Walk(bool report)
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
            else if (CommandHas(c.type, kCmdAddsSections))
                CheckAppend(c);
            bool branches;
            bool exitPossible;
            for (const std::string& target : Targets(c, &branches, &exitPossible))
                pending.push_back(target);
        }
    }
    reporting_ = false;
}

// Where the run may go at the end of a list: the last branch command
// decides; an ending command, a list without branches, an empty answer
// slot or a target the checker cannot resolve may end the run.
Checker::ListEnd Checker::EndOf(const std::string& name)
{
    ListEnd end{true, {}, 0};
    std::vector<Command> commands = Commands(name);
    for (const Command& c : commands) {
        // A restart asked for is taken as the end here, though after CMD20
        // the runner goes on with the list (docs/script-reference.md).
        if (CommandHas(c.type, kCmdEndsRun) || CommandHas(c.type, kCmdAsksRestart))
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

void Checker::CheckCycles()
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

void Checker::CheckUnreachable()
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

} // namespace scriptcheck
