#include "command_line.h"

#include <string.h>

#include "text.h"

CommandLineOptions FindOptions(const char* commandLine)
{
    CommandLineOptions options;
    options.silent = strstr(commandLine, "-silent") != nullptr;
    options.noReboot = strstr(commandLine, "-noreboot") != nullptr;
    options.resume = strstr(commandLine, "-resume") != nullptr;
    return options;
}

bool ExtractScriptArgument(const char* commandLine, char* out, size_t outSize)
{
    if (outSize == 0)
        return false;
    const char* dash = strchr(commandLine, '-');
    size_t len = dash ? (size_t)(dash - commandLine) : strlen(commandLine);
    if (len >= outSize) {
        out[0] = '\0';
        return false;
    }
    memcpy(out, commandLine, len);
    out[len] = '\0';
    char* kept = StripText(out);
    memmove(out, kept, strlen(kept) + 1);
    return true;
}

bool ResolveScriptPath(const char* argument, const char* programDir, char* out, size_t outSize)
{
    bool fits = strstr(argument, ":\\") ? CopyText(out, outSize, argument)
                                        : FormatText(out, outSize, "%s\\%s", programDir, argument);
    if (!fits && outSize)
        out[0] = '\0';
    return fits;
}

bool DefaultScriptPath(const char* programDir, const char* programFileName, char* out, size_t outSize)
{
    const char* dot = strrchr(programFileName, '.');
    int baseLen = dot ? (int)(dot - programFileName) : (int)strlen(programFileName);
    bool fits = FormatText(out, outSize, "%s\\%.*s.INI", programDir, baseLen, programFileName);
    if (!fits && outSize)
        out[0] = '\0';
    return fits;
}
