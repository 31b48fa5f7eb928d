#include "bay_driver.h"

#include <windows.h>

#include <string.h>

#include "link_text.h"

// One request to the bay driver: the open it takes and the buffers.
struct DriverRequest {
    DWORD access;
    DWORD share;
    DWORD code;
    const void* in;
    DWORD inSize;
    void* out;
    DWORD outSize;
};

// One open, one request, one close; the returned byte count or -1.
static long Send(const DriverRequest& r)
{
    HANDLE device = CreateFileA(BAY_DRIVER_PATH, r.access, r.share, nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE)
        return -1;
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(device, r.code, const_cast<void*>(r.in), r.inSize, r.out, r.outSize, &returned, nullptr);
    DWORD error = GetLastError();
    CloseHandle(device);
    SetLastError(error);
    return ok ? (long)returned : -1;
}

static const DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
static const DWORD kShareBoth = FILE_SHARE_READ | FILE_SHARE_WRITE;

static bool Scan(DWORD code)
{
    // The scan codes ask for read and write access like every request of
    // this driver: a handle opened for writing only would be refused.
    unsigned char answer[BAY_SCAN_ANSWER_SIZE];
    return Send({kReadWrite, FILE_SHARE_WRITE, code, nullptr, 0, answer, sizeof answer}) >= 0;
}

bool QueryBayStatus(BayStatus* status)
{
    static_assert(sizeof(BayStatus) == BAY_STATUS_SIZE, "bay status layout");
    unsigned char answer[BAY_STATUS_SIZE] = {};
    if (Send({kReadWrite, kShareBoth, BAY_IOCTL_QUERY_STATUS, nullptr, 0, answer, sizeof answer}) != BAY_STATUS_SIZE)
        return false;
    memcpy(status, answer, sizeof answer);
    return true;
}

bool QueryDeviceCounts(DeviceCounts* counts)
{
    static_assert(sizeof(DeviceCounts) == BAY_COUNTS_SIZE, "device counts layout");
    memset(counts, 0, sizeof *counts);
    return Send({kReadWrite, FILE_SHARE_WRITE, BAY_IOCTL_QUERY_COUNTS, nullptr, 0, counts, sizeof *counts}) >= 0;
}

bool SendDefineLink(const char* linkName, const char* ntName)
{
    char request[BAY_ANSWER_BUFFER];
    size_t length = BuildDefineLinkRequest(linkName, ntName, request, sizeof request);
    if (!length)
        return false;
    return Send({kReadWrite, kShareBoth, BAY_IOCTL_DEFINE_LINK, request, (DWORD)length, nullptr, 0}) >= 0;
}

bool SendRemoveLink(const char* linkName)
{
    size_t length = strlen(linkName);
    return Send({kReadWrite, kShareBoth, BAY_IOCTL_REMOVE_LINK, linkName, (DWORD)(length + 1), nullptr, 0}) >= 0;
}

bool RequestCdRomScan()
{
    return Scan(BAY_IOCTL_CDROM_SCAN);
}

bool RequestFloppyScan()
{
    return Scan(BAY_IOCTL_FLOPPY_SCAN);
}
