#include "ini_reader.h"

#include <string.h>

#include "text.h"

// The profile functions' blanks: white space and the DOS end-of-file mark.
static bool IsProfileBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A;
}

void ParseIni(const char* text, size_t length, const std::string& fileName, IniFile* ini)
{
    IniSection* current = nullptr;
    size_t at = 0;
    // A UTF-8 byte order mark is not part of the first line.
    if (length >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0)
        at = 3;
    for (int lineNumber = 1; at < length; lineNumber++) {
        size_t start = at;
        while (at < length && text[at] != '\n')
            at++;
        size_t end = at;
        if (at < length)
            at++; // the line feed
        while (start < end && IsProfileBlank(text[start]))
            start++;
        while (end > start && IsProfileBlank(text[end - 1]))
            end--;
        if (start == end)
            continue;
        std::string line(text + start, end - start);
        if (line[0] == '[') {
            size_t close = line.rfind(']');
            if (close != std::string::npos && close > 0) {
                ini->sections.push_back(IniSection{lineNumber, line.substr(1, close - 1), {}, fileName});
                current = &ini->sections.back();
                continue;
            }
        }
        if (!current)
            continue;
        if (line[0] == ';')
            continue;
        IniEntry entry{lineNumber, line, "", false};
        size_t equals = line.find('=');
        if (equals != std::string::npos) {
            size_t nameEnd = equals;
            while (nameEnd > 0 && IsProfileBlank(line[nameEnd - 1]))
                nameEnd--;
            size_t valueStart = equals + 1;
            while (valueStart < line.size() && IsProfileBlank(line[valueStart]))
                valueStart++;
            entry.name = line.substr(0, nameEnd);
            entry.value = line.substr(valueStart);
            entry.hasValue = true;
        }
        current->entries.push_back(entry);
    }
}

const IniSection* FindSection(const IniFile& ini, const std::string& name)
{
    for (const IniSection& section : ini.sections) {
        if (!section.name.empty() && EqualsNoCase(section.name.c_str(), name.c_str()))
            return &section;
    }
    return nullptr;
}

const IniEntry* FindKey(const IniFile& ini, const std::string& section, const std::string& key)
{
    const IniSection* found = FindSection(ini, section);
    if (!found)
        return nullptr;
    for (const IniEntry& entry : found->entries) {
        if (EqualsNoCase(entry.name.c_str(), key.c_str()))
            return &entry;
    }
    return nullptr;
}

std::string StripMatchingQuotes(const std::string& value)
{
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

std::string ReadString(const IniFile& ini, const std::string& section, const std::string& key,
                       const std::string& fallback)
{
    const IniEntry* entry = FindKey(ini, section, key);
    if (!entry || !entry->hasValue)
        return fallback;
    return StripMatchingQuotes(entry->value);
}

int ReadInt(const IniFile& ini, const std::string& section, const std::string& key, int fallback)
{
    std::string text = ReadString(ini, section, key, "");
    return text.empty() ? fallback : ParseDecimal(text.c_str());
}

std::string EntryText(const IniEntry& entry)
{
    return entry.hasValue ? entry.name + "=" + entry.value : entry.name;
}

unsigned long ReadSectionInto(const IniSection* section, char* buffer, unsigned long size)
{
    if (size == 0)
        return 0;
    if (!section || size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    unsigned long used = 0;
    for (const IniEntry& entry : section->entries) {
        std::string text = EntryText(entry);
        // Room for this line, its NUL and the list's final NUL.
        if (used + text.size() + 2 > size) {
            // The lines before may end one byte short of the end: then
            // nothing of this one fits.
            size_t kept = used + 2 <= size ? size - 2 - used : 0;
            memcpy(buffer + used, text.data(), kept);
            buffer[size - 2] = '\0';
            buffer[size - 1] = '\0';
            return size - 2;
        }
        memcpy(buffer + used, text.c_str(), text.size() + 1);
        used += (unsigned long)text.size() + 1;
    }
    buffer[used] = '\0';
    return used;
}
