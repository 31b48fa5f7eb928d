// Checks of the script file as a whole: its name, sections and keys
// given twice, the log settings and sections too large for Windows 95/98.
#include "checker.h"

#include <stdlib.h>

#include "log.h"
#include "section_read.h"
#include "text.h"
#include "value_text.h"

namespace {

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

} // namespace

namespace scriptcheck {

// The runner ends its script argument at the first "-" of the command
// line: a script whose name holds one cannot be named at all.
void Checker::CheckScriptName()
{
    size_t slash = file_.find_last_of("/\\");
    std::string name = slash == std::string::npos ? file_ : file_.substr(slash + 1);
    if (name.find('-') != std::string::npos)
        Report(file_, 1, kError, "script-name",
               "the script's name \"" + name + "\" holds a \"-\": setuprun ends the script argument at the first "
               "\"-\", finds no script, runs nothing and writes no log",
               "name the script without \"-\", and its folders too when it is given by its full path");
}

void Checker::CheckDuplicateSections()
{
    std::set<std::string> seen;
    for (const IniSection& section : ini_.sections) {
        if (!seen.insert(Upper(section.name)).second)
            Report(section.file, section.line, kWarning, "duplicate-section",
                   "a second [" + section.name + "]: the runner reads only the first section of a name",
                   "merge it into the first [" + section.name + "]");
    }
}

// Sections read key by key: a second key of a name is never read.
void Checker::CheckDuplicateKeys()
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

void Checker::CheckLogSettings()
{
    const IniEntry* logging = FindKey(ini_, "Data", "Logging");
    const IniEntry* logFile = FindKey(ini_, "Data", "LogFile");
    std::string path = ReadString(ini_, "Data", "LogFile", kDefaultLogPath);
    if (logFile && (int)path.size() > kLogFileLimit)
        Report(file_, logFile->line, kWarning, "log-file",
               "LogFile is " + std::to_string(path.size()) + " characters: the runner takes at most " +
                   std::to_string(kLogFileLimit) + " and logs to " + kDefaultLogPath + " instead",
               "use a log path of at most " + std::to_string(kLogFileLimit) + " characters");
    if (logging && ReadInt(ini_, "Data", "Logging", 0) != 0 &&
        (path.empty() || EqualsNoCase(path.c_str(), kDefaultLogPath)))
        Report(file_, logging->line, kWarning, "default-log",
               std::string("the log goes to ") + kDefaultLogPath +
                   "; the runner never creates that folder, and where it is missing nothing is logged",
               "add [Data] LogFile=<a path in a folder that exists> (at most " + std::to_string(kLogFileLimit) +
                   " characters)");
}

void Checker::CheckSectionSizes()
{
    std::set<std::string> seen;
    for (const IniSection& section : ini_.sections) {
        if (!seen.insert(Upper(section.name)).second)
            continue;
        Win9xCut cut = {false, nullptr};
        SizeCheck check = {&ini_, &cut};
        SectionReadHooks hooks = {ReadForSizeCheck, NoteWin9xCut, nullptr, &check, 0};
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

} // namespace scriptcheck
