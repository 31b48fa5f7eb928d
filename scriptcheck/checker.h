// The script checker's insides, shared by its files; checks.h is its face.
//   check_run.cpp        the run and the report
//   check_walk.cpp       the lists and branches a run can reach: compiling, cycles, unreachable sections
//   check_variables.cpp  variables: what a script sets, expansion as the runner does it, tokens
//   command_checks.cpp   the checks of each command, one for each row of the command table
//   file_checks.cpp      whole-file checks: the script's name, duplicate sections and keys, log
//                        settings, section sizes
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "buffer_limits.h"
#include "command_types.h"
#include "checks.h"
#include "findings.h"
#include "ini_reader.h"

namespace scriptcheck {

// The runner's buffers (buffer_limits.h), in characters without the
// terminating NUL.
enum {
    kPathLimit = kPathSize - 1,                  // paths, CMD11 command lines, expanded CMD14 fields
    kFieldLimit = kMessageSize - 1,              // CMD03/04/12 keys, CMD15 field form, CMD26 and CMD27 fields
    kSectionFieldLimit = kCommandSectionSize - 1, // field 0, the command section
    kStateNameLimit = kSectionNameSize - 1,      // a branch target as [State] keeps it
    kMessageLineLimit = kBoxLineSize - 1,        // CMD17 Title and Message<n>
    kLogFileLimit = kLogPathSize - 1,
    kWaitFlagLimit = kWaitFlagSize - 1,
    kMaxExpansions = kMaxReplacements,
};

struct Command {
    const IniSection* list;
    int line;
    std::string typeText;
    int type;
    bool hasComma;
    std::vector<std::string> fields; // as the command reads them back from [Commands]
    std::string comment;             // the line from its first ";" on, which the compile drops
    bool commentJoined;              // that ";" follows a word, not a blank: it reads as text
    std::string Field(size_t m) const { return m < fields.size() ? fields[m] : std::string(); }
};

// The lines of a CMD15/CMD31, CMD26 or CMD27 list.
enum PairLines { kTwoPathLines, kSetValueLines, kVariableLines };

class Checker {
public:
    Checker(const std::string& fileName, const AppendSource* appended) : file_(fileName), appended_(appended) {}

    std::vector<Finding> Run(const std::string& text);

private:
    // Where the run may go at the end of a list.
    struct ListEnd {
        bool canEnd;
        std::vector<std::string> next;
        int line; // the branch that decides
    };
    typedef std::vector<std::pair<std::string, const IniEntry*>> SectionLineList;

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

    // The report (check_run.cpp).
    void Report(const std::string& file, int line, Severity severity, const char* id, const std::string& text,
                const std::string& fix);
    void Report(const Command& c, Severity severity, const char* id, const std::string& text, const std::string& fix);
    Severity Unsure(Severity severity) const;
    Command AtLine(const Command& c, const IniSection* section, const IniEntry* entry) const;
    std::string Name(const Command& c) const;

    // Sections, lists and branches (check_walk.cpp).
    SectionLineList SectionLines(const std::string& name) const;
    bool SectionHasText(const std::string& name) const;
    std::string SectionHint(const std::string& name) const;
    std::string MissingOrEmpty(const std::string& name) const;
    const std::vector<Command>& Commands(const std::string& listName);
    void BranchTarget(const Command& c, const std::string& written, bool expanded, std::vector<std::string>* targets,
                      const std::string& role, Severity missingSeverity);
    std::vector<std::string> Targets(const Command& c, bool* branches, bool* exitPossible);
    size_t ReportShiftedBranches(const Command& c, const BranchField* fields);
    void Walk(bool report);
    ListEnd EndOf(const std::string& name);
    void CheckCycles();
    void CheckUnreachable();

    // Variables (check_variables.cpp).
    size_t VariableCount() const;
    void Define(const std::string& name, const std::string& value);
    void CollectScriptVariables();
    std::string Expand(const std::string& text, bool* known, const std::string* choice = nullptr) const;
    std::vector<std::string> ExpandChoices(const std::string& text, bool* known) const;
    void CheckTokens(const Command& c, const std::string& text);
    void CollectVariables(const Command& c);
    void CheckVariableValues();

    // The commands (command_checks.cpp): CheckCommand calls the check that
    // the command's row names (command_types.h).
    void CheckCommand(const Command& c);
    bool CheckType(const Command& c);
    void CheckLength(const Command& c, const std::string& text, int limit, const std::string& what, bool expanded,
                     const char* outcome = "refuses", Severity severity = kError);
    bool NeedSection(const Command& c, const std::string& name, const char* runnerText);
    void CheckLinkSection(const Command& c, const char* runnerText);
    void CheckRegistryKeys(const Command& c, bool addsValue);
    void CheckStep(const Command& c, const char* key);
    void CheckPairList(const Command& c, const char* runnerText, PairLines kind, int destinationLimit);
    void CheckPathList(const Command& c, const char* runnerText, bool wildcardsSkipped, bool makesDirectories);
    void CheckTwoPaths(const Command& c, int limit);
    void CheckOnePath(const Command& c, int limit, const char* runnerText, bool wildcardsSkipped,
                      bool makesDirectories);
    void CheckField0(const Command& c);
    void CheckAddLink(const Command& c);
    void CheckDeleteLink(const Command& c);
    void CheckAddRegValue(const Command& c);
    void CheckRegKeySection(const Command& c);
    void CheckDecStep(const Command& c);
    void CheckIncStep(const Command& c);
    void CheckProgram(const Command& c);
    void CheckSleepTime(const Command& c);
    void CheckRegistryList(const Command& c);
    void CheckCopyFiles(const Command& c);
    void CheckDeletePaths(const Command& c);
    void CheckBoxMessages(const Command& c);
    void CheckMakeDirs(const Command& c);
    void CheckSystemIdList(const Command& c);
    void CheckSetValue(const Command& c);
    void CheckSetVariable(const Command& c);
    void CheckAppend(const Command& c);
    void CheckExitAndDelete(const Command& c);
    void CheckRenameFiles(const Command& c);
    void CheckLogMessage(const Command& c);

    // Whole-file checks (file_checks.cpp).
    void CheckScriptName();
    void CheckDuplicateSections();
    void CheckDuplicateKeys();
    void CheckLogSettings();
    void CheckSectionSizes();
};

} // namespace scriptcheck
