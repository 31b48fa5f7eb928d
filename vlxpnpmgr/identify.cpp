#include "identify.h"

#include <stdio.h>
#include <string.h>

#include "scsi_text.h"

HANDLE OpenDriveForQuery(const char* path)
{
    return CreateFileA(path, 0, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
}

HANDLE OpenDriveForRead(const char* path)
{
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

void DrivePath(char* path, size_t size, const char* dosName)
{
    snprintf(path, size, "\\\\.\\%s", dosName);
}

void LetterPath(char* path, size_t size, const char* letter)
{
    snprintf(path, size, "\\\\.\\%.2s", letter);
}

bool QueryScsiAddress(HANDLE drive, ScsiAddress* address)
{
    if (drive == INVALID_HANDLE_VALUE)
        return false;
    unsigned char answer[SCSI_ADDRESS_SIZE] = {};
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(drive, BAY_IOCTL_SCSI_GET_ADDRESS, nullptr, 0, answer, sizeof answer, &returned,
                              nullptr);
    // An answer too short to hold the address is none.
    if (!ok || returned < SCSI_ADDRESS_SIZE)
        return false;
    address->port = answer[SCSI_ADDRESS_PORT];
    address->path = answer[SCSI_ADDRESS_PATH];
    address->target = answer[SCSI_ADDRESS_TARGET];
    address->lun = answer[SCSI_ADDRESS_LUN];
    return true;
}

bool QueryScsiAddressAndClose(HANDLE drive, ScsiAddress* address)
{
    bool answered = QueryScsiAddress(drive, address);
    if (drive != INVALID_HANDLE_VALUE)
        CloseHandle(drive);
    return answered;
}

// The port's inquiry data into answer; its byte count, or 0.
static DWORD ReadInquiryData(int port, unsigned char* answer, DWORD size)
{
    char path[32];
    snprintf(path, sizeof path, "\\\\.\\scsi%d:", port);
    HANDLE handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(handle, BAY_IOCTL_SCSI_GET_INQUIRY_DATA, nullptr, 0, answer, size, &returned, nullptr);
    CloseHandle(handle);
    return ok ? (returned < size ? returned : size) : 0;
}

bool IdentifyDevice(DeviceTable* table, const char* ntName, const char* dosName)
{
    char path[DRIVE_PATH_SIZE];
    DrivePath(path, sizeof path, dosName);
    ScsiAddress address;
    if (!QueryScsiAddressAndClose(OpenDriveForQuery(path), &address))
        return false;
    static unsigned char answer[BAY_ANSWER_BUFFER];
    DWORD returned = ReadInquiryData(address.port, answer, sizeof answer);
    if (!returned)
        return false;
    // A port or target without a record is refused by the table.
    InquiryEntry entry;
    if (FindInquiryEntry(answer, returned, address.target, &entry))
        RecordDevice(table, address.port, entry, ntName, dosName);
    return true;
}

bool IdentifyDriveAndClose(DeviceTable* table, HANDLE drive, const char* ntName, const char* dosName, char* message,
                           size_t size)
{
    ScsiAddress address;
    if (!QueryScsiAddressAndClose(drive, &address) || !IdentifyDevice(table, ntName, dosName))
        return false;
    // Only the controller's own ports and targets have records.
    const DeviceRecord* r = FindDeviceRecord(table, address.port, address.target);
    if (r)
        snprintf(message, size, "Installing %s", r->description);
    else
        snprintf(message, size, "Installing UNKOWN DEVICE");
    return true;
}
