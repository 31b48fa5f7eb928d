// The checker's run over a script, and its report.
#include "checker.h"

#include "text.h"

namespace scriptcheck {

std::vector<Finding> Checker::Run(const std::string& text)
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

void Checker::Report(const Command& c, Severity severity, const char* id, const std::string& text,
                     const std::string& fix)
{
    if (reporting_)
        Report(c.list->file, c.line, severity, id, text, fix);
}

void Checker::Report(const std::string& file, int line, Severity severity, const char* id,
                     const std::string& text, const std::string& fix)
{
    findings_.push_back(Finding{file, line, severity, id, text, fix});
}

// A missing section may come with a file CMD28 appends that the checker could not read.
Severity Checker::Unsure(Severity severity) const { return unreadAppend_ ? kWarning : severity; }

// The command as the line of its section that a finding is about.
Command Checker::AtLine(const Command& c, const IniSection* section, const IniEntry* entry) const
{
    Command at = c;
    at.list = section ? section : c.list;
    at.line = entry ? entry->line : c.line;
    return at;
}

std::string Checker::Name(const Command& c) const
{
    char name[16];
    FormatText(name, sizeof name, "CMD%02d", c.type);
    return name;
}

} // namespace scriptcheck

std::vector<Finding> CheckScript(const std::string& fileName, const std::string& text, const AppendSource* appended)
{
    scriptcheck::Checker checker(fileName, appended);
    return checker.Run(text);
}
