// The machine-identity tests of CMD09 and CMD25 on text: the maker's name
// in the ROM signature and the lines of a list of supported system IDs.
// No Windows calls: built natively too and unit-tested there.
#pragma once

#include <stddef.h>

// True when the signature text is non-empty and holds "VORLIX" (case-sensitive).
bool IsVorlixSignature(const char* signature);

enum { kIdRenderingCount = 8, kIdRenderingSize = 16 };

// Rendering k (0..7) of a 16-bit ID, in the order the list lookup tries
// them: "0X" + hex of at least 4, 3, 2 digits; hex of at least 0, 4, 3, 2
// digits; decimal. Hex digits are lower case.
void FormatIdRendering(int k, unsigned id, char out[kIdRenderingSize]);

// A line whose first character (before any trimming) is ";".
bool IsIdListComment(const char* line);

// Whether a list line names the ID: the line is trimmed of blanks and
// controls at both ends and compared, ignoring case, with each rendering.
// Comment lines never match. The line itself is not changed.
bool IdListLineMatches(const char* line, unsigned id);
