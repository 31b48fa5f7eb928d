// Value texts of the registry commands as the runner takes them, free of
// Windows calls.
#pragma once

// CMD03's DWORD text is read by the runner's own ParseDwordText, so the
// checker refuses exactly what the runner refuses.
#include "registry_text.h"

#include <string>

// CMD14 hexadecimal data: the count of characters that are no hex digit
// (each is stored as 0) and the count of digits.
struct HexTextShape {
    int digits;
    int others;
};
HexTextShape ExamineHexText(const char* text);

// How a CMD14 DWORD is shown in a finding: "0x30"; and the data as the
// author meant it, padded to eight digits: "3E8" gives "000003E8".
std::string DwordAsHex(unsigned long value);
std::string EightDigits(const std::string& data);
