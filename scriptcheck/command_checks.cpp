// The checks of each command: CheckCommand calls the one that the
// command's row of the command table names (command_types.h), so that a
// new command type brings its check with its row.
#include "checker.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "command_types.h"
#include "file_text.h"
#include "registry_text.h"
#include "system_id_list.h"
#include "text.h"
#include "value_text.h"

namespace scriptcheck {

namespace {

// The fix for a missing comma writes ",," for a command with a field
// form. The command that deletes the script has one too (it deletes as
// CMD16 does), but the fix has always written one comma for it: kept so
// until that is decided.
bool FieldFormInFix(int type)
{
    return CommandHas(type, kCmdFieldForm) && !CommandHas(type, kCmdDeletesScript);
}

// "1 to 32": the command types authors are told to use.
std::string WorkingTypeRange()
{
    return "1 to " + std::to_string(HighestWorkingCommandType());
}

} // namespace

void Checker::CheckCommand(const Command& c)
{
    if (!CheckType(c))
        return;
    typedef void (Checker::*CommandCheck)(const Command&);
#define COMMAND_CHECK(number, name, handler, check, plan, branches, properties) &Checker::Check##check,
    static const CommandCheck kChecks[kCommandTypeCount] = {SETUPRUN_COMMAND_TYPES(COMMAND_CHECK)};
#undef COMMAND_CHECK
    // An undefined type still has its field 0 read.
    CommandCheck check = FindCommandType(c.type) ? kChecks[c.type] : &Checker::CheckField0;
    (this->*check)(c);
}

// Reports a text that the runner refuses (or cuts) at its buffer, as
// written and once expanded.
void Checker::CheckLength(const Command& c, const std::string& text, int limit, const std::string& what,
                          bool expanded, const char* outcome, Severity severity)
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

// A section the command reads its lines or keys from.
bool Checker::NeedSection(const Command& c, const std::string& name, const char* runnerText)
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

// False when the line is too broken for its fields to be checked.
bool Checker::CheckType(const Command& c)
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
               "put a comma after the type: " + std::to_string(c.type) + (FieldFormInFix(c.type) ? ",," : ",") +
                   TrimSpaces(copy.data()));
        return false;
    } else if (!IsDecimal(c.typeText) && !CommandHas(c.type, kCmdEndsList)) {
        Report(c, kWarning, "type-text", "type \"" + c.typeText + "\" is read as " + std::to_string(c.type),
               "write the type as plain decimal digits");
    }
    if (CommandHas(c.type, kCmdEndsList)) {
        Report(c, kError, "list-ends",
               "type \"" + c.typeText + "\" reads as 0, which ends the list here: the lines after it are not "
               "run as part of [" + c.list->name + "]",
               "write a command type from " + WorkingTypeRange() + " before the first comma");
    } else if (!FindCommandType(c.type)) {
        Report(c, kError, "unknown-type",
               "command type " + std::to_string(c.type) + " is unknown: the runner logs \"CMD >" +
                   std::to_string(c.type) + "< not defined\" and skips it",
               "use a command type from " + WorkingTypeRange());
    } else if (CommandHas(c.type, kCmdReserved)) {
        Report(c, kWarning, "reserved-type",
               "command type " + std::to_string(c.type) + " is reserved: the runner logs \" Not Supported yet.\"",
               "remove the line, or use a command type that works");
    }
    return true;
}

void Checker::CheckRegistryKeys(const Command& c, bool addsValue)
{
    const std::string& section = c.Field(0);
    keySections_.insert(Upper(section));
    if (!NeedSection(c, section, "Missing the Data section"))
        return;
    if (ReadString(ini_, section, "RegKey", "").empty() && reporting_) {
        const IniEntry* keyEntry = FindKey(ini_, section, "RegKey");
        Report(FindSection(ini_, section)->file, keyEntry ? keyEntry->line : FindSection(ini_, section)->line,
               kError, "no-key",
               "[" + section + "] names no RegKey: " + Name(c) + " logs \"RegKey of [" + section +
                   "] is missing\" and changes nothing",
               "add RegKey=<the key's path under RegHive>");
    }
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
    if (!addsValue)
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

void Checker::CheckRegistryList(const Command& c)
{
    CheckField0(c);
    if (!NeedSection(c, c.Field(0), "Missing the Data section"))
        return;
    static const char* const kMissing[] = {"", "root key", "key", "value name", "value type", "data"};
    for (auto& line : SectionLines(c.Field(0))) {
        std::vector<char> copy(line.first.begin(), line.first.end());
        copy.push_back('\0');
        char* fields[kRegistryLineFields];
        int found = SplitRegistryLine(copy.data(), fields);
        Command at = AtLine(c, FindSection(ini_, c.Field(0)), line.second);
        // Five fields whose fourth reads as a value type: the value name was
        // left out and the type and data moved into its place.
        if (found == kRegistryLineFields - 1 && IsDecimal(TrimSpaces(fields[3])) &&
            ParseDecimal(fields[3]) <= 4) {
            std::string rest = std::string(TrimSpaces(fields[3])) + "," + TrimSpaces(fields[4]);
            Report(at, kError, "registry-line",
                   "the line lacks its value name: \"" + rest + "\" stands where the value name and type go, and "
                   "the runner logs \"NOTICE:Data not defined\": this and every later line of [" +
                       c.Field(0) + "] are not done",
                   "write an empty value name for the key's default value: " + std::string(TrimSpaces(fields[0])) +
                       "," + TrimSpaces(fields[1]) + "," + TrimSpaces(fields[2]) + ",," + rest);
            return;
        }
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
        else if (type == 2 && known && shape.digits < 8 && !(shape.digits % 2) && IsDecimal(expanded))
            Report(at, kWarning, "hex-data",
                   "DWORD data \"" + expanded + "\" is read as hexadecimal digits, not as a decimal number: it is "
                       "stored as " + DwordAsHex(HexTextToDword(expanded.c_str())),
                   "write the number as eight hex digits: " + EightDigits(DwordAsHex(ParseDecimal(expanded.c_str())).substr(2)) +
                       " for " + expanded + ", or " + EightDigits(expanded) + " to keep " +
                       DwordAsHex(HexTextToDword(expanded.c_str())));
        else if (type == 2 && known && (shape.digits % 2))
            Report(at, kWarning, "hex-data",
                   "DWORD data \"" + expanded + "\" has an odd count of digits: it is read as if a 0 followed, "
                       "and stored as " + DwordAsHex(HexTextToDword(expanded.c_str())),
                   "write all eight digits: " + EightDigits(expanded));
    }
}

void Checker::CheckProgram(const Command& c)
{
    CheckField0(c);
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
void Checker::CheckPairList(const Command& c, const char* runnerText, PairLines kind, int destinationLimit)
{
    if (!NeedSection(c, c.Field(0), runnerText))
        return;
    const IniSection* section = FindSection(ini_, c.Field(0));
    for (auto& line : SectionLines(c.Field(0))) {
        Command at = AtLine(c, section, line.second);
        const std::string& text = line.first;
        if (text[0] == ';')
            continue;
        if (kind == kVariableLines) {
            size_t comma = text.find(',');
            if (comma == std::string::npos) {
                Report(at, kWarning, "missing-comma", "the line has no comma: no variable is set",
                       "write <name>,<value>");
                continue;
            }
            CheckTokens(at, text.substr(comma + 1));
            continue;
        }
        if (kind == kSetValueLines) {
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
        CheckLength(at, destination, destinationLimit, "the destination", true);
    }
}

// CMD16, CMD21 and CMD29 lists: one path a line, used exactly as written.
void Checker::CheckPathList(const Command& c, const char* runnerText, bool wildcardsSkipped, bool makesDirectories)
{
    if (!NeedSection(c, c.Field(0), runnerText))
        return;
    const IniSection* section = FindSection(ini_, c.Field(0));
    for (auto& line : SectionLines(c.Field(0))) {
        Command at = AtLine(c, section, line.second);
        if (wildcardsSkipped && line.first.find('*') != std::string::npos)
            Report(at, kWarning, "wildcard", "wildcards are not supported: the runner skips the line",
                   "name each file or directory");
        if (line.first.find(';') != std::string::npos)
            Report(at, kWarning, "comment-in-path",
                   "the line is used as written: the \";\" and what follows are part of the path",
                   "put comments on lines of their own");
        CheckTokens(at, line.first);
        CheckLength(at, line.first, kPathLimit, "the path", true);
    }
    if (makesDirectories)
        Report(c, kNote, "makedir-stops",
               "CMD21 makes one level a line and stops the list at the first directory it cannot make, one that "
               "already exists included",
               "list parents before children, and put directories that may exist in a list of their own last");
}

void Checker::CheckBoxMessages(const Command& c)
{
    CheckField0(c);
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
                   "split the text over more Message lines of at most " + std::to_string(kMessageLineLimit) +
                       " characters");
    }
}

void Checker::CheckSystemIdList(const Command& c)
{
    CheckField0(c);
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

void Checker::CheckAppend(const Command& c)
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


// Field 0 is read into the command section's buffer: a name that does not
// fit would name another.
void Checker::CheckField0(const Command& c)
{
    CheckLength(c, c.Field(0), kSectionFieldLimit, "field 0", false, "cuts", kError);
}

void Checker::CheckLinkSection(const Command& c, const char* runnerText)
{
    CheckField0(c);
    keySections_.insert(Upper(c.Field(0)));
    NeedSection(c, c.Field(0), runnerText);
}

void Checker::CheckAddLink(const Command& c)
{
    CheckLinkSection(c, "nothing: AddLinkFile is read from it");
}

void Checker::CheckDeleteLink(const Command& c)
{
    CheckLinkSection(c, "nothing: DeleteLinkFile is read from it");
}

void Checker::CheckAddRegValue(const Command& c)
{
    CheckField0(c);
    CheckRegistryKeys(c, true);
}

// CMD04 and CMD12.
void Checker::CheckRegKeySection(const Command& c)
{
    CheckField0(c);
    CheckRegistryKeys(c, false);
}

// CMD06 and CMD07 move the run by a step of [DATA].
void Checker::CheckStep(const Command& c, const char* key)
{
    CheckField0(c);
    if (ReadInt(ini_, "DATA", key, 0) <= 0)
        Report(c, kWarning, "step", std::string("[DATA] ") + key + " is not above 0: CMD0" +
                   std::to_string(c.type) + " logs an error and does not move the run",
               std::string("set [DATA] ") + key + " to the number of commands to move");
}

void Checker::CheckDecStep(const Command& c)
{
    CheckStep(c, "DecCommand");
}

void Checker::CheckIncStep(const Command& c)
{
    CheckStep(c, "IncCommand");
}

void Checker::CheckSleepTime(const Command& c)
{
    CheckField0(c);
    if (c.Field(0).empty() || !IsDecimal(c.Field(0)))
        Report(c, kWarning, "sleep-time",
               "\"" + c.Field(0) + "\" is no time: CMD13 waits " +
                   std::to_string(c.Field(0).empty() ? 0 : std::max(0, ParseDecimal(c.Field(0).c_str()))) +
                   " milliseconds",
               "write the time in milliseconds after the comma: 13,1000");
}

// CMD15 and CMD31: a source and a destination in fields 1 and 2, or a list.
void Checker::CheckTwoPaths(const Command& c, int limit)
{
    CheckField0(c);
    if (!c.Field(0).empty()) {
        CheckPairList(c, "Missing the Data section or need an extra comma", kTwoPathLines, limit);
        return;
    }
    if (c.Field(1).empty() || c.Field(2).empty())
        Report(c, kError, "needs-field", Name(c) + " needs a source in field 1 and a destination in field 2",
               "write " + c.typeText + ",,<source>,<destination>");
    for (int f = 1; f <= 2; f++) {
        CheckTokens(c, c.Field(f));
        CheckLength(c, c.Field(f), limit, "field " + std::to_string(f), true);
    }
}

void Checker::CheckCopyFiles(const Command& c)
{
    CheckTwoPaths(c, kFieldLimit);
}

void Checker::CheckRenameFiles(const Command& c)
{
    CheckTwoPaths(c, kPathLimit);
}

// CMD16 and CMD21: a path in field 1, or a list.
void Checker::CheckOnePath(const Command& c, int limit, const char* runnerText, bool wildcardsSkipped,
                           bool makesDirectories)
{
    CheckField0(c);
    if (!c.Field(0).empty()) {
        CheckPathList(c, runnerText, wildcardsSkipped, makesDirectories);
        return;
    }
    if (c.Field(1).empty())
        Report(c, kError, "needs-field", Name(c) + " needs a path in field 1", "write " + c.typeText + ",,<path>");
    CheckTokens(c, c.Field(1));
    CheckLength(c, c.Field(1), limit, "the path", true);
}

void Checker::CheckDeletePaths(const Command& c)
{
    CheckOnePath(c, kPathLimit, "Missing the Data section", true, false);
}

void Checker::CheckMakeDirs(const Command& c)
{
    CheckOnePath(c, kSectionFieldLimit, "Missing the Data section or an extra comma.", false, true);
}

void Checker::CheckExitAndDelete(const Command& c)
{
    CheckField0(c);
    if (!c.Field(0).empty()) {
        CheckPathList(c, "Missing the Data section", false, false);
    } else {
        CheckTokens(c, c.Field(1));
        CheckLength(c, c.Field(1), kPathLimit, "the path", true);
    }
}

void Checker::CheckSetValue(const Command& c)
{
    CheckField0(c);
    if (!c.Field(0).empty()) {
        CheckPairList(c, "Missing the Data section or an extra comma.", kSetValueLines, kFieldLimit);
        return;
    }
    if (c.Field(1).empty() || c.Field(2).empty())
        Report(c, kError, "needs-field", "CMD26 needs a section in field 1 and a key in field 2",
               "write 26,,<section>,<key>,<value>");
    for (int f = 1; f <= 3; f++) {
        CheckTokens(c, c.Field(f));
        CheckLength(c, c.Field(f), kFieldLimit, "field " + std::to_string(f), true);
    }
}

void Checker::CheckSetVariable(const Command& c)
{
    CheckField0(c);
    if (!c.Field(0).empty()) {
        CheckPairList(c, "Missing the Data section or an extra comma.", kVariableLines, kFieldLimit);
        return;
    }
    if (c.Field(1).empty())
        Report(c, kError, "needs-field", "CMD27 needs the variable's name in field 1", "write 27,,V001,<value>");
    CheckTokens(c, c.Field(2));
    CheckLength(c, c.Field(2), kFieldLimit, "the value", true, "cuts");
}

// A CMD32 message is field 0: what does not fit is cut. A ";" right after
// a word is taken for part of the message, but the line ends there: one
// after a blank reads as the comment it is.
void Checker::CheckLogMessage(const Command& c)
{
    CheckLength(c, c.Field(0), kSectionFieldLimit, "the message", false, "cuts", kWarning);
    if (c.fields.size() > 1)
        Report(c, kWarning, "text-lost", "CMD32 logs field 0 only: the text after its second comma is lost",
               "write the message without commas");
    else if (c.commentJoined && !c.Field(0).empty())
        Report(c, kWarning, "text-lost",
               "a \";\" starts a comment: CMD32 logs \"" + c.Field(0) + "\" and drops \"" + c.comment + "\"",
               "write the message without \";\" (a comment after a blank is read as one)");
}

} // namespace scriptcheck
