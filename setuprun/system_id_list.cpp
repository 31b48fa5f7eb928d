#include "system_id_list.h"

#include <string.h>

#include "text.h"

bool IsVorlixSignature(const char* signature)
{
    return signature[0] != '\0' && strstr(signature, "VORLIX") != nullptr;
}

void FormatIdRendering(int k, unsigned id, char out[kIdRenderingSize])
{
    static const int kPrecision[kIdRenderingCount - 1] = {4, 3, 2, 0, 4, 3, 2};
    id &= 0xFFFF;
    if (k < 0 || k >= kIdRenderingCount)
        out[0] = '\0';
    else if (k == kIdRenderingCount - 1)
        FormatText(out, kIdRenderingSize, "%i", (int)id);
    else
        FormatText(out, kIdRenderingSize, "%s%*.*x", k < 3 ? "0X" : "", 0, kPrecision[k], id);
}

bool IsIdListComment(const char* line)
{
    return line[0] == ';';
}

// Whether text[0..length) equals a NUL-ended word, ignoring ASCII case.
static bool EqualsSpanNoCase(const char* text, size_t length, const char* word)
{
    for (size_t i = 0; i < length; i++) {
        char a = text[i], b = word[i];
        if (b == '\0')
            return false;
        if (a >= 'A' && a <= 'Z')
            a = (char)(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = (char)(b - 'A' + 'a');
        if (a != b)
            return false;
    }
    return word[length] == '\0';
}

bool IdListLineMatches(const char* line, unsigned id)
{
    if (IsIdListComment(line))
        return false;
    // Trimmed in place of a copy: the line belongs to the section buffer.
    while (*line && IsBlankOrControl(*line))
        line++;
    size_t length = strlen(line);
    while (length > 0 && IsBlankOrControl(line[length - 1]))
        length--;
    for (int k = 0; k < kIdRenderingCount; k++) {
        char rendering[kIdRenderingSize];
        FormatIdRendering(k, id, rendering);
        if (EqualsSpanNoCase(line, length, rendering))
            return true;
    }
    return false;
}
