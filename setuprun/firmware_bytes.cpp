#include "firmware_bytes.h"

#include <string.h>

void BuildVxdBlock(unsigned char block[FW_VXD_BLOCK_SIZE], const FirmwareRegisters& regs, uint32_t dataAddress,
                   uint32_t dataLength)
{
    memset(block, 0, FW_VXD_BLOCK_SIZE);
    block[FW_VXD_AL] = regs.al;
    block[FW_VXD_AH] = regs.ah;
    block[FW_VXD_BL] = regs.bl;
    block[FW_VXD_BH] = regs.bh;
    FwPut16(block + FW_VXD_CX, regs.cx);
    FwPut32(block + FW_VXD_DATA_ADDRESS, dataAddress);
    FwPut32(block + FW_VXD_DATA_LENGTH, dataLength);
}

void BuildNtBlock(unsigned char* block, size_t size, const FirmwareRegisters& regs)
{
    memset(block, 0, size);
    block[FW_NT_AL] = regs.al;
    block[FW_NT_AH] = regs.ah;
    block[FW_NT_BL] = regs.bl;
    block[FW_NT_BH] = regs.bh;
    uint32_t dataLength = size > FW_NT_BLOCK_SIZE ? (uint32_t)(size - FW_NT_BLOCK_SIZE) : 0;
    FwPut32(block + FW_NT_DATA_LENGTH, dataLength);
    FwPut32(block + FW_NT_DATA_LENGTH2, dataLength);
}

bool VxdAnswerCarry(const unsigned char answer[FW_VXD_BLOCK_SIZE])
{
    return (FwGet32(answer + FW_VXD_FLAGS) & FW_FLAG_CARRY) != 0;
}

unsigned char VxdAnswerStatus(const unsigned char answer[FW_VXD_BLOCK_SIZE])
{
    return VxdAnswerCarry(answer) ? answer[FW_VXD_AH] : 0;
}

bool NtAnswerCarry(const unsigned char* answer)
{
    return (FwGet32(answer + FW_NT_FLAGS) & FW_FLAG_CARRY) != 0;
}

void BuildMemoryReadRequest(unsigned char request[FW_MEMORY_READ_IN], uint32_t address, uint32_t length)
{
    FwPut32(request, address);
    FwPut32(request + 4, length);
}

void BuildCmosReadRequest(unsigned char request[FW_CMOS_READ_IN], uint32_t first, uint32_t count)
{
    FwPut32(request, first);
    FwPut32(request + 4, count);
}

void BuildCmosWriteRequest(unsigned char request[FW_CMOS_WRITE_IN], uint32_t index, unsigned char value)
{
    FwPut32(request, index);
    request[4] = value;
}

uint16_t CmosChecksum(const unsigned char* bytes, size_t count)
{
    unsigned sum = 0;
    for (size_t i = 0; i < count; i++)
        sum += bytes[i];
    return (uint16_t)sum;
}

void CopyRomSignature(const unsigned char* rom, char out[FW_ROM_SIGNATURE_SIZE])
{
    size_t i = 0;
    for (; i < FW_ROM_SIGNATURE_SIZE && rom[i] != 0; i++)
        out[i] = (char)rom[i];
    for (; i < FW_ROM_SIGNATURE_SIZE; i++)
        out[i] = '\0';
}

size_t CopyLengthPrefixedText(const unsigned char* data, size_t dataSize, char* out, size_t outSize, bool* cut)
{
    *cut = false;
    if (outSize == 0)
        return 0;
    size_t n = dataSize > 0 ? data[0] : 0;
    // The characters follow the length byte; neither the data area nor the
    // caller's buffer (which needs room for the terminator) may be passed.
    size_t limit = dataSize > 0 ? dataSize - 1 : 0;
    if (outSize - 1 < limit)
        limit = outSize - 1;
    if (n > limit) {
        n = limit;
        *cut = true;
    }
    size_t i = 0;
    for (; i < n && data[1 + i] != 0; i++)
        out[i] = (char)data[1 + i];
    for (; i < n; i++)
        out[i] = '\0';
    out[n] = '\0';
    return n;
}

// The first headLen characters of head followed by tail; false (out
// empty) when the result does not fit.
static bool JoinParts(char* out, size_t size, const char* head, size_t headLen, const char* tail)
{
    size_t tailLen = strlen(tail);
    if (size == 0)
        return false;
    if (headLen + tailLen >= size) {
        out[0] = '\0';
        return false;
    }
    memcpy(out, head, headLen);
    memcpy(out + headLen, tail, tailLen + 1);
    return true;
}

bool JoinDriverPath(char* out, size_t size, const char* dir, const char* tail)
{
    size_t dirLen = strlen(dir);
    if (dirLen > 0 && dir[dirLen - 1] == '\\' && tail[0] == '\\')
        tail++;
    return JoinParts(out, size, dir, dirLen, tail);
}

bool DriverSourcePath(char* out, size_t size, const char* programPath, const char* tail)
{
    const char* slash = strrchr(programPath, '\\');
    return JoinParts(out, size, programPath, slash ? (size_t)(slash - programPath) : 0, tail);
}
