#include "value_text.h"

#include <ctype.h>
#include <stdio.h>

#include <algorithm>

#include "buffer_limits.h"
#include "variables.h"

static int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

HexTextShape ExamineHexText(const char* text)
{
    HexTextShape shape = {0, 0};
    for (; *text; text++) {
        if (HexValue(*text) >= 0)
            shape.digits++;
        else
            shape.others++;
    }
    return shape;
}

std::string DwordAsHex(unsigned long value)
{
    char text[16];
    snprintf(text, sizeof text, "0x%lx", value & 0xFFFFFFFFul);
    return text;
}

std::string EightDigits(const std::string& data)
{
    std::string digits = data.size() < 8 ? std::string(8 - data.size(), '0') + data : data;
    for (char& c : digits)
        c = (char)toupper((unsigned char)c);
    return digits;
}

std::string Upper(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = (char)(c - 'a' + 'A');
    }
    return text;
}

bool IsDecimal(const std::string& text)
{
    if (text.empty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

int EditDistance(const std::string& a, const std::string& b)
{
    std::vector<int> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); j++)
        row[j] = (int)j;
    for (size_t i = 1; i <= a.size(); i++) {
        int diagonal = row[0];
        row[0] = (int)i;
        for (size_t j = 1; j <= b.size(); j++) {
            int above = row[j];
            bool same = Upper(a.substr(i - 1, 1)) == Upper(b.substr(j - 1, 1));
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string DidYouMean(const std::string& name, const std::vector<std::string>& candidates)
{
    std::string best;
    int bestDistance = 3;
    for (const std::string& candidate : candidates) {
        int d = EditDistance(name, candidate);
        if (d > 0 && d < bestDistance) {
            bestDistance = d;
            best = candidate;
        }
    }
    return best.empty() ? "" : " (did you mean " + best + "?)";
}

std::string ExpandTokens(const std::string& text, const TokenValue& valueOf)
{
    std::string out = text;
    size_t scan = 0;
    for (int replacements = 0; replacements < kMaxReplacements;) {
        const char* token = FindVariableToken(out.c_str() + scan);
        if (!token)
            break;
        size_t at = (size_t)(token - out.c_str());
        VariableToken parsed = ParseVariableToken(token);
        if (!parsed.kind)
            break;
        std::string value;
        bool dropRest = false;
        if (!valueOf(parsed, replacements, &value, &dropRest)) {
            scan = at + parsed.length;
            continue;
        }
        replacements++;
        out = out.substr(0, at) + value + (dropRest ? "" : out.substr(at + parsed.length));
        scan = at;
    }
    return out;
}

