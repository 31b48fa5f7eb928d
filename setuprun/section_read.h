// How the runner reads a whole section: a buffer that doubles until the
// section fits. On Windows 95/98 it starts at 260 bytes and the reads stop
// at 16640 bytes; the line cut by that limit is dropped, so that a
// shortened command is never run. Elsewhere a read may cost a parse of the
// whole file (Wine parses a file written in the last two seconds again at
// every read): the first buffer is one the section fits in when the
// reader knows one, else 64 KB. The reading itself is passed in, so this logic is free of
// Windows calls: the runner reads through the private-profile functions,
// the script checker through its own reader.
#pragma once

#include <stddef.h>

enum {
    kFirstSectionBufferSize = 260,
    kFirstNtSectionBufferSize = 65536,
    // Buffers grow while they are at most half of this: the largest buffer
    // a Windows 95/98 read gets is 16640 bytes.
    kWin9xSectionLimit = 32768,
};

struct SectionReadHooks {
    // Fills buffer as GetPrivateProfileSectionA does and returns its count.
    unsigned long (*read)(void* context, const char* section, char* buffer, unsigned long size);
    // Windows 95/98: the section did not fit the largest buffer. Called
    // before droppedLine (the last, cut line; null when none) is dropped.
    void (*cutForWin9x)(void* context, const char* droppedLine);
    // The section would need a buffer larger than an int can count.
    void (*tooLarge)(void* context, const char* section);
    void* context;
    // A buffer size the whole section fits in, such as its file's size and
    // a little more (0: not known). Not used on Windows 95/98.
    unsigned long fitsIn;
};

// GetPrivateProfileSectionA answers size - 2 when the section did not fit.
bool SectionFits(unsigned long count, unsigned long size);

// The section as a newly allocated list of NUL-ended lines ended by an
// empty one (freed with free()); null when the section is missing or empty
// or memory is short.
char* ReadSectionText(const SectionReadHooks* hooks, const char* section, bool win9x);

// Moves to the next line of such a list; null at the end.
char* NextSectionLine(char* line);
