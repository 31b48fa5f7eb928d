// Value texts of the registry commands as the runner takes them, free of
// Windows calls.
#pragma once

// CMD03's DWORD text is read by the runner's own ParseDwordText, so the
// checker refuses exactly what the runner refuses.
#include "registry_text.h"

// CMD14 hexadecimal data: the count of characters that are no hex digit
// (each is stored as 0) and the count of digits.
struct HexTextShape {
    int digits;
    int others;
};
HexTextShape ExamineHexText(const char* text);
