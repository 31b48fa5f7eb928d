// Fuzz target for the pure text logic (libFuzzer): every function that
// takes script text is fed the same bytes, with buffers of odd sizes, under
// AddressSanitizer. Built and run by "make fuzz".
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "command_line.h"
#include "compile.h"
#include "file_text.h"
#include "registry_text.h"
#include "text.h"
#include "variables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str(); // the engine sees NUL-ended text
    size_t small = size % 17 + 1;

    std::string a = text;
    StripText(&a[0]);
    std::string b = text;
    TrimSpaces(&b[0]);
    ParseDecimal(text.c_str());

    char out[300];
    ExtractScriptArgument(text.c_str(), out, small);
    ResolveScriptPath(text.c_str(), "C:\\prog", out, sizeof out);
    DefaultScriptPath("C:\\prog", text.c_str(), out, small);
    char dir[20], name[20];
    SplitPath(text.c_str(), dir, sizeof dir, name, small);

    KeyList keys;
    KeyListInit(&keys);
    std::string line = text;
    CompileCommandLine(&line[0], (int)(size % 7) - 3, &keys);
    const char* entries = KeyListText(&keys);
    for (const char* e = entries; e && *e; e = NextEntry(e))
        IsCommandKeyInRange(e, -3, 3);
    char* merged = MergeCommandKeys(entries, &keys, -3, 3);
    free(merged);
    KeyListFree(&keys);

    for (const char* t = FindVariableToken(text.c_str()); t; t = FindVariableToken(t + 1))
        ParseVariableToken(t);
    char spliced[64];
    CopyText(spliced, small, text.c_str());
    size_t at = strlen(spliced) / 2;
    SpliceReplacement(spliced, small, at, text.c_str(), spliced + at);

    std::string reg = text;
    char* fields[kRegistryLineFields];
    SplitRegistryLine(&reg[0], fields);
    unsigned char bytes[8];
    HexTextToBytes(text.c_str(), bytes, sizeof bytes);
    HexTextToDword(text.c_str());
    unsigned long dword;
    ParseDwordText(text.c_str(), &dword);
    FindRootByAbbreviation(text.c_str());

    std::string two = text;
    char *source, *destination;
    if (SplitTwoPathLine(&two[0], &source, &destination) == kTwoPathOk)
        JoinPath(destination, LastPathComponent(source), out, small);
    LaunchDirectory(text.c_str(), out, small);
    return 0;
}
