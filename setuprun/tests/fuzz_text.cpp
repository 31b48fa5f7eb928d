// Fuzz target for the pure text logic: every pure function (tokens,
// trimming, the command line, compiling, hexadecimal data, registry and
// file lines, log lines, ID renderings, firmware records and strings) is
// fed the same bytes, with buffers of odd sizes, under AddressSanitizer.
// "make fuzz" runs it under libFuzzer (clang); fuzz_replay.cpp replays a
// seeded random corpus through it in the tests (gcc).
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "command_line.h"
#include "compile.h"
#include "file_text.h"
#include "firmware_bytes.h"
#include "log.h"
#include "registry_text.h"
#include "system_id_list.h"
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
    std::string trailing = text;
    DropTrailingBackslash(&trailing[0]);

    // The command line, a command list line split into type and fields.
    FindOptions(text.c_str());
    std::string listLine = text;
    char* rest = nullptr;
    SplitCommandType(&listLine[0], &rest);
    for (int n = 0; rest && n < 64; n++)
        NextCommandField(&rest);
    EqualsNoCase(text.c_str(), "CommandsList");
    FindNoCase(text.c_str(), "vorlix");
    FindNoCase("CommandsList", text.c_str());
    char appended[24] = "C:\\x";
    AppendText(appended, small < sizeof appended ? small : sizeof appended, text.c_str());
    FormatText(out, small, "%s|%d", text.c_str(), (int)size);

    // Registry roots and the whole-root test.
    FindRootByLongName(text.c_str());
    RootLongName(FindRootByAbbreviation(text.c_str()));
    NamesWholeRoot(text.c_str());
    NamesDriveRoot(text.c_str());

    // Log lines: a label and text of any length into a line of any size.
    char stamp[20];
    FormatTimeStamp(stamp, small, (int)(size % 30), (int)(size % 70), (int)(size % 61), (int)(size % 1001));
    char logLine[96];
    FormatLogLine(logLine, small * 5 < sizeof logLine ? small * 5 : sizeof logLine, stamp, text.c_str(),
                  text.c_str(), text.c_str());
    SeverityPrefix((int)(size % 5) - 1);
    std::string flat = text;
    FlattenLineBreaks(&flat[0]);
    TemporaryFileName((unsigned long)size * 2654435761u, out, small);

    // System IDs: every rendering of an ID taken from the bytes, and the
    // text as a line of the ID list.
    unsigned id = size >= 2 ? (unsigned)(data[0] | data[1] << 8) : (unsigned)size;
    char rendering[kIdRenderingSize];
    for (int k = 0; k < kIdRenderingCount; k++)
        FormatIdRendering(k, id, rendering);
    IsIdListComment(text.c_str());
    IdListLineMatches(text.c_str(), id);
    IsVorlixSignature(text.c_str());

    // Firmware records and strings: the bytes as an answer, a ROM and a
    // length-prefixed text area cut to buffers of odd sizes.
    unsigned char block[FW_VXD_BLOCK_SIZE + FW_NT_BLOCK_SIZE];
    memset(block, 0, sizeof block);
    memcpy(block, data, size < sizeof block ? size : sizeof block);
    VxdAnswerStatus(block);
    VxdAnswerCarry(block);
    NtAnswerCarry(block);
    FirmwareRegisters regs = {block[0], block[1], block[2], block[3], (uint16_t)(block[4] | block[5] << 8)};
    unsigned char built[FW_VXD_BLOCK_SIZE + FW_NT_BLOCK_SIZE];
    BuildVxdBlock(built, regs, id, (uint32_t)size);
    BuildNtBlock(built, size % 2 ? 40 : 58, regs);
    unsigned char request[8];
    BuildMemoryReadRequest(request, id, (uint32_t)size);
    BuildCmosReadRequest(request, id, (uint32_t)size);
    BuildCmosWriteRequest(request, id, block[0]);
    CmosChecksum(data, size);
    char signature[FW_ROM_SIGNATURE_SIZE];
    CopyRomSignature(block, signature);
    char firmwareText[40];
    bool cut = false;
    CopyLengthPrefixedText(data, size, firmwareText, small + 2 < sizeof firmwareText ? small + 2 : sizeof firmwareText,
                           &cut);
    JoinDriverPath(out, small * 4, text.c_str(), "\\Drivers\\NVXMgmt.Sys");
    DriverSourcePath(out, small * 4, text.c_str(), "\\NVXMGMT.SYS");
    return 0;
}
