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
    out[0] = '\0';
    // The text before the first "-", up to a ";", without the blanks around
    // it: measured only then, so that the blank before an option does not
    // count against the limit.
    const char* dash = strchr(commandLine, '-');
    const char* end = dash ? dash : commandLine + strlen(commandLine);
    const char* comment = (const char*)memchr(commandLine, ';', (size_t)(end - commandLine));
    if (comment)
        end = comment;
    const char* start = commandLine;
    while (start < end && IsBlankOrControl(*start))
        start++;
    while (end > start && IsBlankOrControl(end[-1]))
        end--;
    size_t len = (size_t)(end - start);
    if (len >= outSize)
        return false;
    memcpy(out, start, len);
    out[len] = '\0';
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
