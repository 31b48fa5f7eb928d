// VxD variant of the firmware operations (Windows 95/98 and every system
// that is not NT 4.0 or 2000): the dynamically loaded VxD NVXInt15.VxD,
// copied into the system directory, which Windows loads when its device
// is opened.
#include <windows.h>

#include "driver_common.h"
#include "driver_ops.h"
#include "firmware_bytes.h"
#include "log.h"
#include "text.h"

static HANDLE s_device = INVALID_HANDLE_VALUE;
static char s_driverPath[kDriverPathSize];

// The loading texts, then the removal texts.
static const DriverFileDescription kVxdDriverFile = {
    FW_VXD_SOURCE_TAIL, FW_VXD_TARGET_TAIL,
    "LoadNVXInt15", "LoadNVXInt15", "LoadNVXInt15 - NVXInt15.VxD load Successful",
    "DelNVXInt15", "DelNVXInt15 - NVXINT15.VXD delete was successful",
};

static int LoadNVXInt15(const char* programPath)
{
    return LoadDriverFile(kVxdDriverFile, programPath, s_driverPath, sizeof s_driverPath);
}

static int DelNVXInt15()
{
    return DeleteDriverFile(kVxdDriverFile, s_driverPath);
}

static int OpenNVXInt15()
{
    if (s_device != INVALID_HANDLE_VALUE)
        return 0;
    s_device = CreateFileA(FW_VXD_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (s_device == INVALID_HANDLE_VALUE) {
        char text[kMessageSize];
        DWORD code = GetLastErrorText(text, sizeof text);
        char first[kLogLineSize];
        char second[kLogLineSize];
        FormatText(first, sizeof first, "Can't get a handle to NVXInt15.VxD driver  Error = %lu", code);
        FormatText(second, sizeof second, "OpenNVXInt15 - CreateFile(NVXInt15.VxD) returned with Error=%lu, %s",
                   code, text);
        // WriteLogSeverity writes its second text first.
        WriteLogSeverity(second, first, 2);
        return -1;
    }
    WriteLogLine("OpenNVXInt15() - NVXInt15.VxD driver loaded successfully");
    return 0;
}

static int CloseNVXInt15()
{
    if (s_device != INVALID_HANDLE_VALUE)
        CloseHandle(s_device);
    s_device = INVALID_HANDLE_VALUE;
    WriteLogLine("CloseNVXInt15() - NVXInt15.VxD driver has been closed.");
    return 0;
}

// One firmware call: block in, answer out (zero-filled first). False when
// the device call itself failed; *code and text then say why.
static bool FirmwareCall(const FirmwareRegisters& regs, uint32_t dataAddress, uint32_t dataLength,
                         unsigned char answer[FW_VXD_BLOCK_SIZE], DWORD* code, char* text, size_t textSize)
{
    unsigned char block[FW_VXD_BLOCK_SIZE];
    BuildVxdBlock(block, regs, dataAddress, dataLength);
    ZeroMemory(answer, FW_VXD_BLOCK_SIZE);
    DWORD returned;
    if (DeviceCall(s_device, FW_VXD_FIRMWARE_CALL, block, FW_VXD_BLOCK_SIZE, answer, FW_VXD_BLOCK_SIZE, &returned))
        return true;
    *code = GetLastErrorText(text, textSize);
    ZeroMemory(answer, FW_VXD_BLOCK_SIZE);
    return false;
}

// The CMOS operations fail on a firmware status and also on a failed
// device call, whose zero-filled answer would otherwise read as success.
// A refusal by the firmware is reported as a device that does not work
// (the device call itself succeeded and left no error of its own).
static bool CmosCall(const FirmwareRegisters& regs, unsigned char answer[FW_VXD_BLOCK_SIZE], DWORD* code, char* text,
                     size_t textSize)
{
    if (!FirmwareCall(regs, 0, 0, answer, code, text, textSize))
        return false;
    if (VxdAnswerStatus(answer) == 0)
        return true;
    *code = GetErrorText(text, textSize, ERROR_GEN_FAILURE);
    FlattenLineBreaks(text);
    return false;
}

static int ReadCMOS95(int index, unsigned char* value)
{
    FirmwareRegisters regs = {FW_SUB_CMOS, FW_FUNCTION, 0, FW_CMOS_OP_READ, (uint16_t)index};
    unsigned char answer[FW_VXD_BLOCK_SIZE];
    char text[kMessageSize];
    DWORD code;
    if (!CmosCall(regs, answer, &code, text, sizeof text)) {
        *value = 0;
        WriteErrorRecord(0, "ReadCMOS95 - DeviceIoControl returned with Error=%lu, %s", code, text);
        return 1;
    }
    *value = answer[FW_VXD_AL];
    return 0;
}

static int WriteCMOS95(int index, unsigned char value)
{
    FirmwareRegisters regs = {FW_SUB_CMOS, FW_FUNCTION, value, FW_CMOS_OP_WRITE, (uint16_t)index};
    unsigned char answer[FW_VXD_BLOCK_SIZE];
    char text[kMessageSize];
    DWORD code;
    if (!CmosCall(regs, answer, &code, text, sizeof text)) {
        WriteErrorRecord(0, "WriteCMOS95 - DeviceIoControl returned with Error=%lu, %s", code, text);
        return 1;
    }
    return 0;
}

static int UpdateCMOSChecksum95()
{
    unsigned char bytes[FW_CHECKSUM_COUNT];
    for (int i = 0; i < FW_CHECKSUM_COUNT; i++)
        ReadCMOS95(FW_CHECKSUM_FIRST + i, &bytes[i]); // a failed read counts as 0
    uint16_t sum = CmosChecksum(bytes, sizeof bytes);
    WriteCMOS95(FW_CHECKSUM_HIGH, (unsigned char)(sum >> 8));
    WriteCMOS95(FW_CHECKSUM_LOW, (unsigned char)(sum & 0xFF));
    return 0;
}

static int SetLangCodeInCMOS95(unsigned char code)
{
    FirmwareRegisters regs = {FW_SUB_LANGUAGE_VXD, FW_FUNCTION, code, 0, 0};
    unsigned char answer[FW_VXD_BLOCK_SIZE];
    char text[kMessageSize];
    DWORD error;
    if (!FirmwareCall(regs, 0, 0, answer, &error, text, sizeof text))
        WriteErrorRecord(0, "SetLangCodeInCMOS95 - DeviceIoControl returned with Error=%lu, %s", error, text);
    return 0;
}

static unsigned char ReadFirmwareString95(char* out, size_t size)
{
    // The VxD writes the text into the caller's buffer, whose 32-bit
    // address travels in the block (the VxD interface is 32-bit).
    unsigned char data[FW_STRING_DATA_VXD] = {0};
    FirmwareRegisters regs = {FW_SUB_STRING, FW_FUNCTION, 0, 0, 0};
    unsigned char answer[FW_VXD_BLOCK_SIZE];
    char text[kMessageSize];
    DWORD code;
    if (!FirmwareCall(regs, (uint32_t)(uintptr_t)data, sizeof data, answer, &code, text, sizeof text))
        return 0;
    if (!VxdAnswerCarry(answer)) {
        bool cut;
        CopyLengthPrefixedText(data, sizeof data, out, size, &cut);
    }
    return answer[FW_VXD_AH];
}

static int ReadRomSignature95(char* out)
{
    unsigned char segment[2];
    FwPut16(segment, FW_ROM_SEGMENT);
    unsigned char address[4] = {0};
    DWORD returned;
    if (DeviceCall(s_device, FW_VXD_MAP_SEGMENT, segment, sizeof segment, address, sizeof address, &returned) &&
        returned == sizeof address && FwGet32(address) != 0) {
        // The VxD maps the segment into the caller's address space.
        const unsigned char* rom = (const unsigned char*)(uintptr_t)FwGet32(address);
        CopyRomSignature(rom + FW_ROM_SIGNATURE_OFFSET, out);
    }
    return 0;
}

static unsigned short ReadSystemID95()
{
    unsigned char id[FW_SYSTEM_ID_OUT] = {0};
    DWORD returned;
    if (!DeviceCall(s_device, FW_VXD_SYSTEM_ID, nullptr, 0, id, sizeof id, &returned))
        return 0;
    return FwGet16(id);
}

const DriverOpsTable kDriverOpsVxD = {
    LoadNVXInt15,         DelNVXInt15,        OpenNVXInt15,   CloseNVXInt15,
    ReadCMOS95,           WriteCMOS95,        UpdateCMOSChecksum95, SetLangCodeInCMOS95,
    ReadFirmwareString95, ReadRomSignature95, ReadSystemID95,
};
