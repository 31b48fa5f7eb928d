// The checker's text helpers, free of Windows calls: names compared and
// suggested, and the value texts of the registry commands as the runner
// takes them.
#pragma once

// CMD03's DWORD text is read by the runner's own ParseDwordText, so the
// checker refuses exactly what the runner refuses.
#include "registry_text.h"

#include <functional>
#include <string>
#include <vector>

// The text in upper case (ASCII), as names compare without case.
std::string Upper(std::string text);
// Nothing but the digits 0-9, at least one.
bool IsDecimal(const std::string& text);

// Edits (insert, delete, change, without regard to case) from a to b.
int EditDistance(const std::string& a, const std::string& b);
// " (did you mean X?)" for the closest candidate within two edits; empty
// when none is that close.
std::string DidYouMean(const std::string& name, const std::vector<std::string>& candidates);

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

// What a token stands for, asked of the caller while tokens are replaced:
// false leaves the token as written and goes on behind it; *dropRest
// drops the text after it (a temporary file name). replacements counts
// the tokens replaced before this one.
typedef std::function<bool(const struct VariableToken& token, int replacements, std::string* value, bool* dropRest)>
    TokenValue;

// The text with its tokens replaced in the runner's order: scanning goes
// on at a replacement (a value may hold tokens), an invalid kind letter
// stops it, and at most kMaxReplacements tokens are replaced.
std::string ExpandTokens(const std::string& text, const TokenValue& valueOf);

