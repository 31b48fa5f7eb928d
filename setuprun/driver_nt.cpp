// NT variant of the firmware operations (Windows NT 4.0 and 2000): the
// kernel driver NVXMGMT.SYS, copied into the system's drivers directory
// and registered as the demand-start service "NVXMgmt12" for as long as a
// command needs it. A service that existed or ran before the run is used
// as it is and left as it was.
#include <windows.h>

#include "driver_common.h"
#include "driver_ops.h"
#include "firmware_bytes.h"
#include "log.h"
#include "text.h"

enum { kStartPollMs = 1000, kStopWaitMs = 5000, kStopPollMs = 50 };

static SC_HANDLE s_manager;
static HANDLE s_device = INVALID_HANDLE_VALUE;
static char s_driverPath[kDriverPathSize];
static bool s_createdByRun;
static bool s_startedByRun;

// The loading texts, then the removal texts (letter case as it always was).
static const DriverFileDescription kNtDriverFile = {
    FW_NT_SOURCE_TAIL, FW_NT_TARGET_TAIL,
    "LoadNVXMgmt", "LoadNVXmgmt", "LoadNVXMGMT - NVXMGMT.SYS load Successful",
    "DelNVXMGMT", "DelNVXMGMT - NVXMGMT.SYS delete was successful",
};

static int LoadNVXMgmt(const char* programPath)
{
    return LoadDriverFile(kNtDriverFile, programPath, s_driverPath, sizeof s_driverPath);
}

static bool InstallServiceNT()
{
    if (!s_manager)
        return false;
    SC_HANDLE service = CreateServiceA(s_manager, FW_NT_SERVICE_NAME, FW_NT_SERVICE_NAME, SERVICE_ALL_ACCESS,
                                       SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                       s_driverPath, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (service) {
        s_createdByRun = true;
        CloseServiceHandle(service);
        return true;
    }
    char text[kMessageSize];
    DWORD code = GetLastErrorText(text, sizeof text);
    if (code == ERROR_SERVICE_EXISTS)
        return true;
    WriteErrorRecord(2, "InstallServiceNT() - CreateService(\\\\.\\NVXMgmt12) returned with Error=%lu, %s", code,
                     text);
    return false;
}

static bool StartServiceNT()
{
    SC_HANDLE service = OpenServiceA(s_manager, FW_NT_SERVICE_NAME, SERVICE_ALL_ACCESS);
    if (!service)
        return false;
    bool ok = true;
    if (StartServiceA(service, 0, nullptr)) {
        SERVICE_STATUS status;
        for (;;) {
            ZeroMemory(&status, sizeof status);
            if (!QueryServiceStatus(service, &status) || status.dwCurrentState != SERVICE_START_PENDING)
                break;
            Sleep(kStartPollMs);
        }
        s_startedByRun = true;
    } else {
        char text[kMessageSize];
        DWORD code = GetLastErrorText(text, sizeof text);
        if (code != ERROR_SERVICE_ALREADY_RUNNING) {
            WriteErrorRecord(2, "StartServiceNT() - StartService() returned with Error=%lu, %s", code, text);
            ok = false;
        }
    }
    CloseServiceHandle(service);
    return ok;
}

static bool OpenServiceNT()
{
    s_device = CreateFileA(FW_NT_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (s_device != INVALID_HANDLE_VALUE)
        return true;
    WriteLastErrorRecord(2, "OpenServiceNT() - CreateFile(\\\\.\\NVXMgmt12)");
    return false;
}

static int OpenNVXMGMT()
{
    if (s_device != INVALID_HANDLE_VALUE)
        return 0;
    if (!DriverTargetPath(FW_NT_TARGET_TAIL, s_driverPath, sizeof s_driverPath)) {
        WriteLastErrorRecord(2, "OpenNVXMGMT - GetSystemDirectory)");
        return 1;
    }
    if (!s_manager)
        s_manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (s_manager && InstallServiceNT() && StartServiceNT() && OpenServiceNT()) {
        WriteLogLine("OpenNVXMGMT - NVXMGMT.SYS Successful");
        return 0;
    }
    // No CloseDriver follows a failed open: the manager handle is not kept.
    if (s_manager) {
        CloseServiceHandle(s_manager);
        s_manager = nullptr;
    }
    WriteErrorRecord(2, "OpenNVXMGMT - Failed for driver %s", s_driverPath);
    return 1;
}

// Waits until a stopped driver has unloaded, so that the service can be
// deleted and created again by the next command.
static void WaitUntilStopped(SC_HANDLE service)
{
    for (DWORD waited = 0; waited < kStopWaitMs; waited += kStopPollMs) {
        SERVICE_STATUS status;
        ZeroMemory(&status, sizeof status);
        if (!QueryServiceStatus(service, &status) || status.dwCurrentState == SERVICE_STOPPED)
            return;
        Sleep(kStopPollMs);
    }
}

static int CloseNVXMGMT()
{
    if (s_device != INVALID_HANDLE_VALUE) {
        CloseHandle(s_device);
        s_device = INVALID_HANDLE_VALUE;
    }
    SC_HANDLE manager = s_manager;
    if (!manager && (s_startedByRun || s_createdByRun))
        manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager && s_startedByRun) {
        SC_HANDLE service = OpenServiceA(manager, FW_NT_SERVICE_NAME, SERVICE_ALL_ACCESS);
        if (service) {
            SERVICE_STATUS status;
            ZeroMemory(&status, sizeof status);
            if (ControlService(service, SERVICE_CONTROL_STOP, &status))
                WaitUntilStopped(service);
            CloseServiceHandle(service);
        }
    }
    if (manager && s_createdByRun) {
        SC_HANDLE service = OpenServiceA(manager, FW_NT_SERVICE_NAME, SERVICE_ALL_ACCESS);
        if (service) {
            DeleteService(service);
            CloseServiceHandle(service);
        }
    }
    // What this run made is gone: a later command starts afresh, and a
    // service that someone else made meanwhile is not ours to remove.
    s_startedByRun = false;
    s_createdByRun = false;
    if (manager)
        CloseServiceHandle(manager);
    s_manager = nullptr;
    return 0;
}

static int DelNVXMGMT()
{
    // A failed OpenDriver leaves what it made of the service for the next
    // CloseDriver; when none came, the end of the run removes it, so the
    // run never leaves a service of its own behind.
    if (s_createdByRun || s_startedByRun)
        CloseNVXMGMT();
    return DeleteDriverFile(kNtDriverFile, s_driverPath);
}

static int ReadCMOSNT(int index, unsigned char* value)
{
    unsigned char request[FW_CMOS_READ_IN];
    BuildCmosReadRequest(request, (uint32_t)index, 1);
    unsigned char byte = 0;
    DWORD returned;
    if (!DeviceCall(s_device, FW_IOCTL_CMOS_READ, request, sizeof request, &byte, 1, &returned)) {
        WriteLastErrorRecord(0, "ReadCMOSNT - DeviceIoControl");
        *value = 0;
        return 1;
    }
    *value = byte;
    return 0;
}

static int WriteCMOSNT(int index, unsigned char value)
{
    unsigned char request[FW_CMOS_WRITE_IN];
    BuildCmosWriteRequest(request, (uint32_t)index, value);
    DWORD returned;
    if (!DeviceCall(s_device, FW_IOCTL_CMOS_WRITE, request, sizeof request, nullptr, 0, &returned)) {
        WriteLastErrorRecord(0, "WriteCMOSNT - DeviceIoControl");
        return 1;
    }
    WriteLogLine("WriteCMOSNT - DeviceIoControl Successful");
    return 0;
}

static int UpdateCMOSChecksumNT()
{
    unsigned char request[FW_CMOS_READ_IN];
    BuildCmosReadRequest(request, FW_CHECKSUM_FIRST, FW_CHECKSUM_COUNT);
    unsigned char bytes[FW_CHECKSUM_COUNT] = {0};
    DWORD returned;
    // A short answer would sum bytes the driver never gave: it fails too.
    if (!DeviceCall(s_device, FW_IOCTL_CMOS_READ, request, sizeof request, bytes, sizeof bytes, &returned) ||
        returned != sizeof bytes) {
        WriteErrorRecord(0, "VxD - FAILED to calculate checsum CMOS ");
        return 1;
    }
    WriteLogLine("VxD - SUCCESSFULLY read CMOS checksum range\n");
    uint16_t sum = CmosChecksum(bytes, sizeof bytes);
    char line[64];
    FormatText(line, sizeof line, "VxD - Checksum calculated = %04x\n", sum);
    WriteLogLine(line);
    WriteCMOSNT(FW_CHECKSUM_HIGH, (unsigned char)(sum >> 8));
    WriteCMOSNT(FW_CHECKSUM_LOW, (unsigned char)(sum & 0xFF));
    return 0;
}

static int SetLangCodeInCMOSNT(unsigned char code)
{
    FirmwareRegisters regs = {FW_SUB_LANGUAGE_NT, FW_FUNCTION, code, 0, 0};
    unsigned char block[FW_NT_BLOCK_SIZE];
    unsigned char answer[FW_NT_BLOCK_SIZE] = {0};
    BuildNtBlock(block, sizeof block, regs);
    DWORD returned;
    if (!DeviceCall(s_device, FW_IOCTL_FIRMWARE_CALL, block, sizeof block, answer, sizeof answer, &returned)) {
        WriteLastErrorRecord(0, "SetLangCodeInCMOSNT - DeviceIoControl");
    }
    return 0;
}

static unsigned char ReadFirmwareStringNT(char* out, size_t size)
{
    FirmwareRegisters regs = {FW_SUB_STRING, FW_FUNCTION, 0, 0, 0};
    unsigned char block[FW_STRING_BLOCK_NT];
    BuildNtBlock(block, sizeof block, regs);
    DWORD returned;
    if (!DeviceCall(s_device, FW_IOCTL_FIRMWARE_CALL, block, sizeof block, block, sizeof block, &returned))
        return 0;
    if (!NtAnswerCarry(block)) {
        bool cut;
        CopyLengthPrefixedText(block + FW_NT_DATA, FW_STRING_DATA_NT, out, size, &cut);
    }
    return block[FW_NT_AH];
}

static int ReadRomSignatureNT(char* out)
{
    unsigned char request[FW_MEMORY_READ_IN];
    BuildMemoryReadRequest(request, FW_ROM_SIGNATURE_ADDRESS, FW_ROM_SIGNATURE_SIZE);
    unsigned char bytes[FW_ROM_SIGNATURE_SIZE] = {0};
    DWORD returned;
    if (DeviceCall(s_device, FW_IOCTL_MEMORY_READ, request, sizeof request, bytes, sizeof bytes, &returned)) {
        for (DWORD i = 0; i < returned && i < sizeof bytes; i++)
            out[i] = (char)bytes[i];
        out[FW_ROM_SIGNATURE_SIZE] = '\0';
    }
    return 0;
}

static unsigned short ReadSystemIDNT()
{
    unsigned char id[FW_SYSTEM_ID_OUT] = {0};
    DWORD returned;
    if (!DeviceCall(s_device, FW_IOCTL_SYSTEM_ID, nullptr, 0, id, sizeof id, &returned) || returned != sizeof id)
        return 0;
    return FwGet16(id);
}

const DriverOpsTable kDriverOpsNT = {
    LoadNVXMgmt,          DelNVXMGMT,         OpenNVXMGMT,    CloseNVXMGMT,
    ReadCMOSNT,           WriteCMOSNT,        UpdateCMOSChecksumNT, SetLangCodeInCMOSNT,
    ReadFirmwareStringNT, ReadRomSignatureNT, ReadSystemIDNT,
};
