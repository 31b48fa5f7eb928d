#include "bay_devices.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "bay_driver.h"
#include "bay_registry.h"
#include "drive_links.h"
#include "error_box.h"
#include "identify.h"
#include "link_text.h"
#include "progress.h"
#include "resource.h"
#include "scsi_text.h"
#include "service_control.h"

enum { kMessageSize = 512, kPathSize = 64 };

static uint32_t CountOf(uint32_t DeviceCounts::*field)
{
    DeviceCounts counts;
    return QueryDeviceCounts(&counts) ? counts.*field : 0;
}

static void ClassName(char* name, size_t size, const char* format, uint32_t i)
{
    snprintf(name, size, format, (unsigned)i);
}

// A floppy-class device gets the first free letter from A:. No free
// letter: no link, and the device is left without one.
static void LetterFromA(const char* ntName, char* letter)
{
    letter[0] = '\0';
    if (FirstFreeDriveLetter(0, letter, 3))
        DefineDriveLink(letter, ntName);
}

// Sends a find-new-devices request to a drive of the class that has a
// name already; false when none has one or the request fails.
static bool FindNewDevicesThrough(const char* format, uint32_t below)
{
    char ntName[DEVICE_NAME_SIZE], dosName[DEVICE_NAME_SIZE], path[kPathSize];
    for (uint32_t i = 0; i < below; i++) {
        ClassName(ntName, sizeof ntName, format, i);
        if (!FindDosName(ntName, dosName, sizeof dosName))
            continue;
        DrivePath(path, sizeof path, dosName);
        HANDLE drive = OpenDriveForRead(path);
        if (drive == INVALID_HANDLE_VALUE)
            return false;
        DWORD returned = 0;
        BOOL ok = DeviceIoControl(drive, BAY_IOCTL_STORAGE_FIND_NEW_DEVICES, nullptr, 0, nullptr, 0, &returned,
                                  nullptr);
        CloseHandle(drive);
        return ok != FALSE;
    }
    return false;
}

// A class number below the count can be a hole left by a removed device,
// or a drive not behind the bay controller (the floppy drive): a letter
// given to it would lead nowhere, so it is taken back when the device
// does not answer under it.
static bool KeepIfAnswering(const char* dosName)
{
    char path[kPathSize];
    DrivePath(path, sizeof path, dosName);
    ScsiAddress address;
    if (QueryScsiAddressAndClose(OpenDriveForQuery(path), &address))
        return true;
    RemoveDriveLink(dosName);
    return false;
}

static void ShowIdentifiedAndClose(DeviceTable* table, HANDLE drive, const char* ntName, int templateId)
{
    char message[kMessageSize];
    if (IdentifyDriveAndClose(table, drive, ntName, message, sizeof message))
        ShowProgress(templateId, message);
}

bool RescanPort(int port)
{
    HWND search = OpenSearchWindow();
    char path[kPathSize];
    snprintf(path, sizeof path, "\\\\.\\scsi%d:", port);
    bool result = false;
    HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        DWORD returned = 0;
        result = DeviceIoControl(handle, BAY_IOCTL_SCSI_RESCAN_BUS, nullptr, 0, nullptr, 0, &returned, nullptr) != 0;
        if (!result) {
            char message[kMessageSize];
            snprintf(message, sizeof message, "Could not scan %s", path);
            ShowError(message);
        }
        CloseHandle(handle);
    }
    CloseSearchWindow(search);
    return result;
}

bool InstallFloppy()
{
    char name[DEVICE_NAME_SIZE], letter[3];
    if (FindDosName(FLOPPY0_NAME, name, sizeof name))
        return true;
    if (!FirstFreeDriveLetter(0, letter, sizeof letter) || !DefineDriveLink(letter, FLOPPY0_NAME))
        return false;
    ShowProgress(IDD_PROGRESS_FLOPPY, "Installing Floppy device");
    return true;
}

bool RemoveFloppy()
{
    char name[DEVICE_NAME_SIZE];
    if (!FindDosName(FLOPPY0_NAME, name, sizeof name))
        return true;
    if (!RemoveDriveLink(name))
        return false;
    ShowProgress(IDD_PROGRESS_FLOPPY, "Removing Floppy device");
    return true;
}

void ReletterFloppies()
{
    BayStatus status;
    if (!QueryBayStatus(&status))
        return;
    if (status.OtherFloppy == 1)
        return;
    for (int i = 0; i < 5; i++) {
        if (status.Kind[i] == BAY_KIND_FLOPPY)
            return; // a floppy drive keeps the first letters
    }
    uint32_t count = CountOf(&DeviceCounts::Floppies);
    char ntName[DEVICE_NAME_SIZE], dosName[DEVICE_NAME_SIZE], letter[3];
    for (uint32_t i = 0; i < count; i++) {
        ClassName(ntName, sizeof ntName, "\\Device\\Floppy%u", i);
        if (FindDosName(ntName, dosName, sizeof dosName))
            RemoveDriveLink(dosName);
    }
    for (uint32_t i = 0; i < count; i++) {
        ClassName(ntName, sizeof ntName, "\\Device\\Floppy%u", i);
        LetterFromA(ntName, letter);
    }
}

bool InstallLs120(DeviceTable* table)
{
    uint32_t old = CountOf(&DeviceCounts::Floppies);
    char ntName[DEVICE_NAME_SIZE], dosName[DEVICE_NAME_SIZE], letter[3], path[kPathSize];
    if (GetServiceState(LS120_CLASS_SERVICE) == SERVICE_STOPPED) {
        if (!StartServiceAndWait(LS120_CLASS_SERVICE))
            return false;
        uint32_t count = CountOf(&DeviceCounts::Floppies);
        for (uint32_t i = 0; i < count; i++) {
            ClassName(ntName, sizeof ntName, "\\Device\\Floppy%u", i);
            LetterFromA(ntName, letter); // a further letter, whether or not it had one
            if (!letter[0] || !KeepIfAnswering(letter))
                continue;
            LetterPath(path, sizeof path, letter);
            ShowIdentifiedAndClose(table, OpenDriveForQuery(path), ntName, IDD_PROGRESS_FLOPPY);
        }
        return true;
    }
    if (old == 0) {
        if (!RequestFloppyScan())
            return false;
    } else {
        // An empty drive must raise no system box.
        SetErrorMode(SEM_FAILCRITICALERRORS);
        bool found = FindNewDevicesThrough("\\Device\\Floppy%u", old);
        SetErrorMode(0);
        if (!found)
            return false;
    }
    uint32_t count = CountOf(&DeviceCounts::Floppies);
    for (uint32_t i = 0; i < count; i++) {
        ClassName(ntName, sizeof ntName, "\\Device\\Floppy%u", i);
        if (FindDosName(ntName, dosName, sizeof dosName))
            continue;
        LetterFromA(ntName, letter);
        if (!letter[0] || !KeepIfAnswering(letter))
            continue;
        LetterPath(path, sizeof path, letter);
        ShowIdentifiedAndClose(table, OpenDriveForQuery(path), ntName, IDD_PROGRESS_FLOPPY);
    }
    return true;
}

// Starts the CD-ROM file system for now, and keeps it from starting by
// itself at the next boot.
static bool BringUpCdfs()
{
    if (GetServiceState(CDROM_FILE_SYSTEM_SERVICE) != SERVICE_STOPPED)
        return true;
    if (!SetServiceStartType(CDROM_FILE_SYSTEM_SERVICE, SERVICE_DEMAND_START))
        return false;
    bool started = StartServiceAndWait(CDROM_FILE_SYSTEM_SERVICE);
    SetServiceStartType(CDROM_FILE_SYSTEM_SERVICE, SERVICE_DISABLED);
    return started;
}

static void LetterCdRom(DeviceTable* table, const char* ntName)
{
    char dosName[DEVICE_NAME_SIZE], path[kPathSize];
    if (!DefineDriveLink(nullptr, ntName) || !FindDosName(ntName, dosName, sizeof dosName) ||
        !KeepIfAnswering(dosName))
        return;
    LetterPath(path, sizeof path, dosName);
    ShowIdentifiedAndClose(table, OpenDriveForRead(path), ntName, IDD_PROGRESS_CDROM);
}

bool InstallCdRoms(DeviceTable* table)
{
    uint32_t old = CountOf(&DeviceCounts::CdRoms);
    char ntName[DEVICE_NAME_SIZE], dosName[DEVICE_NAME_SIZE];
    if (GetServiceState(CDROM_CLASS_SERVICE) == SERVICE_STOPPED) {
        if (!StartServiceAndWait(CDROM_CLASS_SERVICE) || !BringUpCdfs())
            return false;
        uint32_t count = CountOf(&DeviceCounts::CdRoms);
        for (uint32_t i = 0; i < count; i++) {
            ClassName(ntName, sizeof ntName, "\\Device\\CdRom%u", i);
            LetterCdRom(table, ntName); // whether or not it had a letter
        }
        return true;
    }
    if (old == 0) {
        if (!RequestCdRomScan())
            return false;
    } else if (!FindNewDevicesThrough("\\Device\\CdRom%u", old)) {
        return false;
    }
    uint32_t count = CountOf(&DeviceCounts::CdRoms);
    for (uint32_t i = 0; i < count; i++) {
        ClassName(ntName, sizeof ntName, "\\Device\\CdRom%u", i);
        if (!FindDosName(ntName, dosName, sizeof dosName))
            LetterCdRom(table, ntName);
    }
    return true;
}

bool InstallHardDisks(DeviceTable* table)
{
    uint32_t old = CountOf(&DeviceCounts::Disks);
    char systemLetter[DEVICE_NAME_SIZE], path[kPathSize];
    if (!FindDosName(SYSTEM_PARTITION_NAME, systemLetter, sizeof systemLetter))
        return false;
    LetterPath(path, sizeof path, systemLetter);
    HANDLE system = OpenDriveForRead(path);
    if (system == INVALID_HANDLE_VALUE)
        return false;
    DWORD returned = 0;
    BOOL found = DeviceIoControl(system, BAY_IOCTL_DISK_FIND_NEW_DEVICES, nullptr, 0, nullptr, 0, &returned, nullptr);
    CloseHandle(system);
    if (!found)
        return false;
    uint32_t count = CountOf(&DeviceCounts::Disks);
    for (uint32_t i = old; i < count; i++) {
        char dosName[DEVICE_NAME_SIZE], ntName[DEVICE_NAME_SIZE], message[kMessageSize];
        ClassName(dosName, sizeof dosName, "PhysicalDrive%u", i);
        ClassName(ntName, sizeof ntName, "\\Device\\Harddisk%u\\Partition0", i);
        if (!DefineDriveLink(dosName, ntName))
            continue;
        DrivePath(path, sizeof path, dosName);
        if (!IdentifyDriveAndClose(table, OpenDriveForQuery(path), ntName, message, sizeof message))
            continue;
        AssignPartitionLetters(dosName, (int)i);
        ShowProgress(IDD_PROGRESS_DISK, message);
    }
    return true;
}

bool AssignPartitionLetters(const char* diskName, int disk)
{
    char path[kPathSize];
    DrivePath(path, sizeof path, diskName);
    HANDLE drive = OpenDriveForRead(path);
    if (drive == INVALID_HANDLE_VALUE)
        return false;
    static unsigned char answer[BAY_ANSWER_BUFFER];
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(drive, BAY_IOCTL_DISK_GET_DRIVE_LAYOUT, nullptr, 0, answer, sizeof answer, &returned,
                              nullptr);
    CloseHandle(drive);
    DriveLayout layout;
    if (!ok || !ReadDriveLayout(answer, returned < sizeof answer ? returned : sizeof answer, &layout))
        return false;
    for (int i = 0; i < layout.entries; i++) {
        const LayoutPartition& p = layout.partitions[i];
        if (p.number > layout.count || !p.recognized)
            continue;
        char ntName[DEVICE_NAME_SIZE];
        snprintf(ntName, sizeof ntName, "\\Device\\Harddisk%d\\Partition%u", disk, (unsigned)p.number);
        DefineDriveLink(nullptr, ntName);
    }
    return true;
}

// Whether the record's name still leads to the device it describes: the
// same NT name, answering from the same port and target. A name given
// since to another drive must not receive that drive's removal.
static bool StillRecordedDevice(const DeviceRecord& r)
{
    if (!LinkLeadsTo(r.dosName, r.ntName))
        return false;
    char path[kPathSize];
    DrivePath(path, sizeof path, r.dosName);
    ScsiAddress address;
    return QueryScsiAddressAndClose(OpenDriveForQuery(path), &address) && address.port == r.port &&
           address.target == r.target;
}

bool RemoveBayDevice(DeviceTable* table, int port, int target)
{
    if (port < 0 || port >= DEVICE_PORTS || target < 0 || target >= DEVICE_TARGETS)
        return false;
    const DeviceRecord r = table->records[port][target];
    if (!r.present)
        return false;
    if (!StillRecordedDevice(r)) {
        ForgetDevice(table, port, target);
        return false;
    }
    char path[kPathSize];
    DrivePath(path, sizeof path, r.dosName);
    HANDLE drive = OpenDriveForQuery(path);
    if (drive == INVALID_HANDLE_VALUE)
        return false;
    DWORD returned = 0;
    bool removed = DeviceIoControl(drive, BAY_IOCTL_REMOVE_DRIVE, nullptr, 0, nullptr, 0, &returned, nullptr) != FALSE;
    if (removed) {
        RemoveDriveLink(r.dosName);
        DefineDriveLink(r.dosName, r.ntName);
        RemoveDriveLink(r.dosName);
    }
    CloseHandle(drive);
    if (!removed)
        return false;
    ForgetDevice(table, port, target);
    // A disk's partitions leave with it: their letters would lead nowhere,
    // and the disk coming back gets letters of its own.
    int disk = WholeDiskNumber(r.ntName);
    if (disk > 0)
        RemovePartitionLinks(disk);

    int templateId = IDD_PROGRESS_SEARCH;
    if (r.deviceType == SCSI_TYPE_DIRECT_ACCESS)
        templateId = strstr(r.description, "LS-120") ? IDD_PROGRESS_FLOPPY : IDD_PROGRESS_DISK;
    else if (r.deviceType == SCSI_TYPE_CDROM)
        templateId = IDD_PROGRESS_CDROM;
    char message[kMessageSize];
    snprintf(message, sizeof message, "Removing %s", r.description);
    ShowProgress(templateId, message);
    return true;
}
