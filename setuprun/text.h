// Text rules of the script engine: trimming, comments, bounded copies,
// decimal numbers and command-line fields. Nothing here calls Windows, so
// these functions are also built natively, unit-tested under sanitizers
// and fuzzed.
#pragma once

#include <stddef.h>

// Blank, tab, line feed, vertical tab, form feed, carriage return and the
// control bytes 0x01..0x1F: what the script's trimming rules drop.
bool IsBlankOrControl(char c);

// Skips leading blanks and controls, cuts trailing ones in place and
// returns the first kept character. ";" is ordinary text here.
char* TrimSpaces(char* text);

// TrimSpaces plus the comment rule: everything from the first ";" on is
// dropped. A null text yields null.
char* StripText(char* text);

// Copies src into dst (size bytes, NUL included). Returns false when src
// had to be cut to fit; dst is always terminated when size > 0.
bool CopyText(char* dst, size_t size, const char* src);

// snprintf into a fixed buffer; false when the result was cut.
bool FormatText(char* dst, size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Appends src to the text in dst; false when it had to be cut.
bool AppendText(char* dst, size_t size, const char* src);

// ASCII case-insensitive comparisons, as section and key names compare.
bool EqualsNoCase(const char* a, const char* b);
const char* FindNoCase(const char* haystack, const char* needle);

// Reads a decimal integer the way the C library's atoi does (leading
// blanks, an optional sign, digits up to the first other character), but
// clamps instead of overflowing. Text without digits gives 0.
int ParseDecimal(const char* text);

// Splits a path at its last backslash into directory and name. The path
// itself is left unchanged. Without a backslash the name is the whole
// path and the directory is empty. Returns false when a part was cut.
bool SplitPath(const char* path, char* dir, size_t dirSize, char* name, size_t nameSize);

// Command lines of a command list: <type>,<field 0>,<field 1>,...
// SplitCommandType cuts the line at its first comma (in place) and returns
// the type text; *rest becomes the text after the comma, or null when the
// line has none. NextCommandField then cuts one field off *rest, strips it
// (StripText) and advances *rest, which becomes null after the last field.
// A trailing comma therefore yields a last, empty field.
char* SplitCommandType(char* line, char** rest);
char* NextCommandField(char** rest);
