// Byte logic of the firmware operations: building and reading the request
// buffers of firmware_requests.h, the CMOS checksum, the copies of the ROM
// signature and of the firmware's length-prefixed text, and the driver
// paths. No Windows calls: built natively too and unit-tested there.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "firmware_requests.h"

struct FirmwareRegisters {
    unsigned char al, ah, bl, bh;
    uint16_t cx; // VxD block only
};

// VxD register block (52 bytes): the registers, and for E819h the address
// and length of the caller's data buffer; every other byte zero.
void BuildVxdBlock(unsigned char block[FW_VXD_BLOCK_SIZE], const FirmwareRegisters& regs, uint32_t dataAddress,
                   uint32_t dataLength);
// NT register block of size 40 (no data area) or 58 (18-byte data area);
// both length fields carry size - 40.
void BuildNtBlock(unsigned char* block, size_t size, const FirmwareRegisters& regs);

// The firmware's status in an answer: AH when the carry bit is set, else 0.
unsigned char VxdAnswerStatus(const unsigned char answer[FW_VXD_BLOCK_SIZE]);
bool VxdAnswerCarry(const unsigned char answer[FW_VXD_BLOCK_SIZE]);
bool NtAnswerCarry(const unsigned char* answer);

void BuildMemoryReadRequest(unsigned char request[FW_MEMORY_READ_IN], uint32_t address, uint32_t length);
void BuildCmosReadRequest(unsigned char request[FW_CMOS_READ_IN], uint32_t first, uint32_t count);
void BuildCmosWriteRequest(unsigned char request[FW_CMOS_WRITE_IN], uint32_t index, unsigned char value);

// Sum of the bytes as unsigned numbers; at most 30 * 255 = 7650 for the
// checksum range, so it fits 16 bits.
uint16_t CmosChecksum(const unsigned char* bytes, size_t count);

// Copies the six signature bytes: stops at a zero byte and zero-fills the
// rest of the six. Writes exactly six bytes, no terminator.
void CopyRomSignature(const unsigned char* rom, char out[FW_ROM_SIGNATURE_SIZE]);

// Copies the length-prefixed text of a data area (length byte, then the
// characters) into out, stopping early at a zero byte and zero-filling the
// rest, then terminates it. A length larger than the data area or than out
// is cut to fit both. Returns the number of positions written before the
// terminator; *cut tells whether the length had to be cut.
size_t CopyLengthPrefixedText(const unsigned char* data, size_t dataSize, char* out, size_t outSize, bool* cut);

// dir + tail, where tail starts with a backslash that is dropped when dir
// already ends in one. False (out empty) when the result would not fit.
bool JoinDriverPath(char* out, size_t size, const char* dir, const char* tail);
// The directory part of a program path (up to its last backslash) + tail.
bool DriverSourcePath(char* out, size_t size, const char* programPath, const char* tail);
