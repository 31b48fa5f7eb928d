#include "file_text.h"

#include <string.h>

#include "text.h"

TwoPathResult SplitTwoPathLine(char* line, char** source, char** destination)
{
    char* comma = strchr(line, ',');
    if (!comma)
        return kTwoPathNoComma;
    *comma = '\0';
    *source = TrimSpaces(line);
    *destination = StripText(TrimSpaces(comma + 1));
    return **source == ';' ? kTwoPathComment : kTwoPathOk;
}

const char* LastPathComponent(const char* path)
{
    const char* slash = strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

bool JoinPath(const char* dir, const char* name, char* out, size_t size)
{
    size_t n = strlen(dir);
    bool slash = n > 0 && dir[n - 1] == '\\';
    bool fits = FormatText(out, size, slash ? "%s%s" : "%s\\%s", dir, name);
    if (!fits && size)
        out[0] = '\0';
    return fits;
}

bool DropTrailingBackslash(char* path)
{
    size_t n = strlen(path);
    if (n == 0 || path[n - 1] != '\\')
        return false;
    path[n - 1] = '\0';
    return true;
}

bool LaunchDirectory(const char* commandLine, char* out, size_t size)
{
    if (size)
        out[0] = '\0';
    const char* blank = strchr(commandLine, ' ');
    size_t programLength = blank ? (size_t)(blank - commandLine) : strlen(commandLine);
    const char* slash = nullptr;
    for (size_t i = 0; i < programLength; i++) {
        if (commandLine[i] == '\\')
            slash = commandLine + i;
    }
    if (!slash)
        return false;
    size_t dirLength = (size_t)(slash - commandLine);
    bool bareDrive = dirLength == 2 && commandLine[1] == ':';
    if (dirLength + (bareDrive ? 1 : 0) >= size)
        return true;
    memcpy(out, commandLine, dirLength);
    out[dirLength] = '\0';
    if (bareDrive)
        AppendText(out, size, "\\");
    return true;
}

bool NamesDriveRoot(const char* path)
{
    const char* rest = path;
    while (*rest == ' ')
        rest++;
    bool drive = ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z')) && rest[1] == ':';
    if (drive)
        rest += 2;
    else if (*rest != '\\' && *rest != '/')
        return false;
    for (; *rest; rest++) {
        if (*rest != '\\' && *rest != '/' && *rest != '.' && *rest != ' ')
            return false;
    }
    return true;
}
