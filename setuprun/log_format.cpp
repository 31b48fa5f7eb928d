// Composition of install-log lines; no Windows calls.
#include "log.h"

#include "text.h"

const char kDefaultLogPath[] = SETUPRUN_DEFAULT_LOG_PATH;

void FormatTimeStamp(char* out, size_t size, int hour, int minute, int second, int millisecond)
{
    FormatText(out, size, "[%02d:%02d:%02d.%03d] ", hour, minute, second, millisecond);
}

void FormatLogLine(char* out, size_t size, const char* stamp, const char* program, const char* label,
                   const char* text)
{
    // Cut to the buffer on purpose: a line is at most size - 1 characters.
    FormatText(out, size, "%s %s> %s %s", stamp, program, label, text);
}

const char* SeverityPrefix(int severity)
{
    switch (severity) {
    case 0:
        return "FATAL-=-";
    case 1:
        return "RECOVERABLE ERROR-=-";
    default:
        return "WARNING ERROR-=-";
    }
}

void FlattenLineBreaks(char* text)
{
    for (; *text; text++) {
        if (*text == '\r' || *text == '\n')
            *text = ' ';
    }
}
