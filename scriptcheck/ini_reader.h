// The script file as the private-profile functions see it, read from its
// text without Windows: sections and keys are found without regard to
// case and the first match wins; lines are trimmed of blanks; a line that
// begins with ";" is a comment that whole-section reads leave out; a
// section header is "[" up to the line's last "]". Every entry keeps its
// line number for the checker's findings.
#pragma once

#include <stddef.h>

#include <deque>
#include <string>
#include <vector>

struct IniEntry {
    int line;
    std::string name;  // a key name, or the whole line when it has no "="
    std::string value;
    bool hasValue;     // the line had an "="
};

struct IniSection {
    int line;          // the line of its header
    std::string name;
    std::vector<IniEntry> entries; // comments and blank lines are not kept
    std::string file;  // the file the section came from
};

struct IniFile {
    std::deque<IniSection> sections; // sections keep their place when more are added
};

// Parses file text into sections; entries before the first header belong
// to no section (the profile functions never find them).
void ParseIni(const char* text, size_t length, const std::string& fileName, IniFile* ini);

// The first section of that name; null when there is none.
const IniSection* FindSection(const IniFile& ini, const std::string& name);

// The first entry of that key in the first section of that name.
const IniEntry* FindKey(const IniFile& ini, const std::string& section, const std::string& key);

// A key's value as GetPrivateProfileStringA returns it: the fallback when
// the key or its "=" is missing; a value enclosed in a matching pair of
// quotes loses them.
std::string ReadString(const IniFile& ini, const std::string& section, const std::string& key,
                       const std::string& fallback);
std::string StripMatchingQuotes(const std::string& value);

// A key read as GetPrivateProfileIntA reads it: leading blanks, a sign and
// the decimal digits up to the first other character; the fallback when
// the key is missing or empty.
int ReadInt(const IniFile& ini, const std::string& section, const std::string& key, int fallback);

// Fills buffer as GetPrivateProfileSectionA does: each line ("key=value"
// with the blanks around "=" removed, or the plain line) NUL-ended, the
// list ended by another NUL; when it does not fit, the last line is cut,
// two NULs end the buffer and the count is size - 2.
unsigned long ReadSectionInto(const IniSection* section, char* buffer, unsigned long size);

// The text of an entry as a whole-section read gives it.
std::string EntryText(const IniEntry& entry);
