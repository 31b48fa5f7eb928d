// The install log: a plain-text file that every step of a run appends to.
// The file is opened, written and closed for every line, so a run that
// ends in a restart or a crash leaves a complete log up to its last step.
#pragma once

#include <stddef.h>

#include "buffer_limits.h" // kLogPathSize: the log file path is at most 127 characters

enum {
    kLogLineSize = 512, // a composed line is at most 511 characters
};

// Where the log goes when the script names no [Data] LogFile. A literal,
// so that the log's own path buffer starts out holding it.
#define SETUPRUN_DEFAULT_LOG_PATH "C:\\system.sav\\util\\install.log"
extern const char kDefaultLogPath[];

// Log settings of the run. Logging is off until LogEnable; while it is off
// every writer returns at once.
void LogSetProgramName(const char* programFileName);
bool LogSetPath(const char* path);  // false (path unchanged) when too long
const char* LogPath();
void LogEnable();
bool LogEnabled();

// "[HH:MM:SS.mmm]  <program>> <label> <text>"
void WriteLog(const char* label, const char* text);
// WriteLog with a printf-style text.
void WriteLogf(const char* label, const char* textFormat, ...) __attribute__((format(printf, 2, 3)));
// "[HH:MM:SS.mmm]  <text>"
void WriteLogLine(const char* text);
// Two lines without time stamp: prefix + text2, then prefix + text1; the
// prefix is "FATAL-=-" (0), "RECOVERABLE ERROR-=-" (1) or "WARNING ERROR-=-".
void WriteLogSeverity(const char* text1, const char* text2, int severity);

// The system's text for the calling thread's last error, line breaks
// turned into blanks; returns the error code. Call it before any other
// system call that could change the last error.
unsigned long GetLastErrorText(char* buffer, size_t size);
// A log label that carries the calling thread's last error: labelFormat
// takes the subject first when it is not null, then the code and the
// system text, as in " DeleteFile(%s) failed, (%lu)-%s". Call it before
// any other system call can change the last error.
void FormatLastErrorLabel(char* label, size_t size, const char* labelFormat, const char* subject);
// The system's text for a given code (registry functions return theirs),
// copied unchanged with its line breaks; returns the code.
unsigned long GetErrorText(char* buffer, size_t size, unsigned long code);

// Line composition, free of Windows calls (unit-tested natively).
void FormatTimeStamp(char* out, size_t size, int hour, int minute, int second, int millisecond);
void FormatLogLine(char* out, size_t size, const char* stamp, const char* program, const char* label,
                   const char* text);
const char* SeverityPrefix(int severity);
void FlattenLineBreaks(char* text);
