// Value texts of the registry commands as the runner takes them, free of
// Windows calls.
#pragma once

// CMD03 with RegDataType 2 (REG_DWORD): an unsigned decimal number or
// "0x" and hexadecimal digits, within 32 bits; anything else is refused.
bool ParseDwordText(const char* text, unsigned long* value);

// CMD14 hexadecimal data: the count of characters that are no hex digit
// (each is stored as 0) and the count of digits.
struct HexTextShape {
    int digits;
    int others;
};
HexTextShape ExamineHexText(const char* text);
