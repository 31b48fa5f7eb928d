// Path text rules of the file and launch commands, free of Windows calls.
#pragma once

#include <stddef.h>

enum TwoPathResult {
    kTwoPathOk,
    kTwoPathNoComma,
    kTwoPathComment, // the source begins with ";": skipped silently
};

// A list line "source,destination" of CMD15 and CMD31, cut in place: the
// source is trimmed; the destination is trimmed and loses everything from
// its first ";" on.
TwoPathResult SplitTwoPathLine(char* line, char** source, char** destination);

// The text after the last backslash, or the whole path without one.
const char* LastPathComponent(const char* path);

// dir + "\" + name, without doubling a backslash that dir ends in. False
// (out empty) when the result does not fit.
bool JoinPath(const char* dir, const char* name, char* out, size_t size);

// Removes one trailing backslash; true when there was one.
bool DropTrailingBackslash(char* path);

// True when a path names a whole drive: a drive letter and colon, or the
// root of the current drive, followed by nothing but backslashes, slashes,
// dots and blanks ("C:", "C:\\", "\\", "D:\\."). CMD16 and CMD29 never
// delete such a path.
bool NamesDriveRoot(const char* path);

// The working directory of a program started with commandLine: the
// directory part of the text before the first blank ("C:" becomes "C:\").
// False when that text has no backslash: the program then starts in the
// current directory. out is empty when the directory does not fit.
bool LaunchDirectory(const char* commandLine, char* out, size_t size);
