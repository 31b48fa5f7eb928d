#include "bay_devices.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "bay_driver.h"
#include "bay_registry.h"
#include "device_walk.h"
#include "drive_links.h"
#include "error_box.h"
#include "identify.h"
#include "link_text.h"
#include "progress.h"
#include "resource.h"
#include "scsi_text.h"
#include "service_control.h"

enum { kMessageSize = 512 };

static uint32_t CountOf(uint32_t DeviceCounts::*field)
{
    DeviceCounts counts;
    return QueryDeviceCounts(&counts) ? counts.*field : 0;
}

// The numbers of the class to look at below its count: every named one
// and the highest few (device_walk.h).
static void WalkClass(const NamedNumbers& named, uint32_t count, DeviceWalk* walk)
{
    PlanDeviceWalk(named, count, DEVICE_WALK_WINDOW, walk);
}

typedef void (*LetterDevice)(DeviceTable* table, const char* ntName);

// Gives letters along the walk of a class: to every device (a class driver
// just started gives each a further one), or to those without a name.
static void LetterClass(DeviceTable* table, DeviceClass deviceClass, const NamedNumbers& named, bool unnamedOnly,
                        LetterDevice letter)
{
    DeviceWalk walk;
    WalkClass(named, CountOf(deviceClass == CLASS_CDROM ? &DeviceCounts::CdRoms : &DeviceCounts::Floppies), &walk);
    char ntName[DEVICE_NAME_SIZE];
    for (int i = 0; i < walk.count; i++) {
        if (unnamedOnly && walk.named[i])
            continue;
        ClassDeviceName(deviceClass, walk.numbers[i], ntName, sizeof ntName);
        letter(table, ntName);
    }
}

// A floppy-class device gets the first free letter from A:, into letter
// (3 bytes); false, and the letter empty, when none is free or the link
// is refused.
static bool LetterFromA(const char* ntName, char* letter)
{
    if (FirstFreeDriveLetter(0, letter, 3) && DefineDriveLink(letter, ntName))
        return true;
    letter[0] = '\0';
    return false;
}

// A request without buffers to a drive opened for reading (find new
// devices); false when the drive does not open or the request fails.
static bool AskDriveForRead(const char* path, DWORD code)
{
    HANDLE drive = OpenDriveForRead(path);
    if (drive == INVALID_HANDLE_VALUE)
        return false;
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(drive, code, nullptr, 0, nullptr, 0, &returned, nullptr);
    CloseHandle(drive);
    return ok != FALSE;
}

// Has the class look for new devices: through its lowest-numbered drive
// below the count that has a name (a find-new-devices request), or, when
// the class has none to ask, through the bay driver's scan request, as
// for its first device. A count that only grows is never 0 again once a
// drive has arrived: after the last drive of a class has left, no number
// below it has a name, and only the bay driver can look. False when the
// request fails.
static bool FindNewDevices(DeviceClass deviceClass, const NamedNumbers& named, uint32_t below)
{
    uint32_t number;
    const char* dosName;
    if (below == 0 || !LowestNamedBelow(named, below, &number, &dosName))
        return deviceClass == CLASS_CDROM ? RequestCdRomScan() : RequestFloppyScan();
    char path[DRIVE_PATH_SIZE];
    DrivePath(path, sizeof path, dosName);
    return AskDriveForRead(path, BAY_IOCTL_STORAGE_FIND_NEW_DEVICES);
}

// A number below the count can be a hole left by a drive taken out of
// use, or the floppy drive while it is out of the machine: a letter given
// to it leads nowhere. The letter just made is taken back when no drive
// opens under it. (Whether the drive answers as a SCSI device says
// nothing here: the floppy drive, on its own controller, never does.)
static bool KeepIfOpens(const char* letter)
{
    char path[DRIVE_PATH_SIZE];
    LetterPath(path, sizeof path, letter);
    HANDLE drive = OpenDriveForQuery(path);
    if (drive != INVALID_HANDLE_VALUE) {
        CloseHandle(drive);
        return true;
    }
    RemoveDriveLink(letter);
    return false;
}

static void ShowIdentifiedAndClose(DeviceTable* table, HANDLE drive, const char* ntName, const char* letter,
                                   int templateId)
{
    char message[kMessageSize];
    if (IdentifyDriveAndClose(table, drive, ntName, letter, message, sizeof message))
        ShowProgress(templateId, message);
}

// A further letter from A: for a floppy-class device, identified under
// it and shown.
static void LetterFloppyClass(DeviceTable* table, const char* ntName)
{
    char letter[3], path[DRIVE_PATH_SIZE];
    if (!LetterFromA(ntName, letter) || !KeepIfOpens(letter))
        return;
    LetterPath(path, sizeof path, letter);
    ShowIdentifiedAndClose(table, OpenDriveForQuery(path), ntName, letter, IDD_PROGRESS_FLOPPY);
}

bool RescanPort(int port)
{
    HWND search = OpenSearchWindow();
    char path[DRIVE_PATH_SIZE];
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
    // Letters the floppy drive was given beside its first (by a restart
    // of the LS-120 driver, which letters every floppy-class device) would
    // lead to a drive that has left.
    RemoveLinksTo(FLOPPY0_NAME);
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
    NamedNumbers named;
    ReadNamedNumbers(CLASS_FLOPPY, &named);
    uint32_t count = CountOf(&DeviceCounts::Floppies);
    DeviceWalk walk;
    WalkClass(named, count, &walk);
    char ntName[DEVICE_NAME_SIZE], letter[3];
    for (int i = 0; i < named.count; i++) {
        if (named.numbers[i] < count)
            RemoveDriveLink(named.names[i]);
    }
    for (int i = 0; i < walk.count; i++) {
        ClassDeviceName(CLASS_FLOPPY, walk.numbers[i], ntName, sizeof ntName);
        if (LetterFromA(ntName, letter))
            KeepIfOpens(letter);
    }
}

bool InstallLs120(DeviceTable* table)
{
    uint32_t old = CountOf(&DeviceCounts::Floppies);
    NamedNumbers named;
    if (GetServiceState(LS120_CLASS_SERVICE) == SERVICE_STOPPED) {
        if (!StartServiceAndWait(LS120_CLASS_SERVICE))
            return false;
        ReadNamedNumbers(CLASS_FLOPPY, &named);
        LetterClass(table, CLASS_FLOPPY, named, false, LetterFloppyClass); // whether or not it had a letter
        return true;
    }
    ReadNamedNumbers(CLASS_FLOPPY, &named);
    // An empty drive must raise no system box.
    SetErrorMode(SEM_FAILCRITICALERRORS);
    bool found = FindNewDevices(CLASS_FLOPPY, named, old);
    SetErrorMode(0);
    if (!found)
        return false;
    LetterClass(table, CLASS_FLOPPY, named, true, LetterFloppyClass);
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

// A letter from C: for a CD-ROM; the drive is identified under the letter
// just made, and that letter alone is taken back if nothing opens.
static void LetterCdRom(DeviceTable* table, const char* ntName)
{
    char letter[3], path[DRIVE_PATH_SIZE];
    if (!DefineDriveLink(nullptr, ntName, letter) || !KeepIfOpens(letter))
        return;
    LetterPath(path, sizeof path, letter);
    ShowIdentifiedAndClose(table, OpenDriveForRead(path), ntName, letter, IDD_PROGRESS_CDROM);
}

bool InstallCdRoms(DeviceTable* table)
{
    uint32_t old = CountOf(&DeviceCounts::CdRoms);
    NamedNumbers named;
    if (GetServiceState(CDROM_CLASS_SERVICE) == SERVICE_STOPPED) {
        if (!StartServiceAndWait(CDROM_CLASS_SERVICE) || !BringUpCdfs())
            return false;
        ReadNamedNumbers(CLASS_CDROM, &named);
        LetterClass(table, CLASS_CDROM, named, false, LetterCdRom); // whether or not it had a letter
        return true;
    }
    ReadNamedNumbers(CLASS_CDROM, &named);
    if (!FindNewDevices(CLASS_CDROM, named, old))
        return false;
    LetterClass(table, CLASS_CDROM, named, true, LetterCdRom);
    return true;
}

bool InstallHardDisks(DeviceTable* table)
{
    uint32_t old = CountOf(&DeviceCounts::Disks);
    char systemLetter[DEVICE_NAME_SIZE], path[DRIVE_PATH_SIZE];
    if (!FindDosName(SYSTEM_PARTITION_NAME, systemLetter, sizeof systemLetter))
        return false;
    LetterPath(path, sizeof path, systemLetter);
    if (!AskDriveForRead(path, BAY_IOCTL_DISK_FIND_NEW_DEVICES))
        return false;
    uint32_t count = CountOf(&DeviceCounts::Disks);
    // The disks that arrived are numbered from the old count on; a count
    // grown past anything one event brings is walked at its top only.
    uint32_t first = old;
    if (count > old && count - old > DEVICE_WALK_WINDOW)
        first = count - DEVICE_WALK_WINDOW;
    for (uint32_t i = first; i < count; i++) {
        char dosName[DEVICE_NAME_SIZE], ntName[DEVICE_NAME_SIZE], message[kMessageSize];
        snprintf(dosName, sizeof dosName, "PhysicalDrive%lu", (unsigned long)i);
        ClassDeviceName(CLASS_DISK, i, ntName, sizeof ntName);
        if (!DefineDriveLink(dosName, ntName))
            continue;
        DrivePath(path, sizeof path, dosName);
        if (!IdentifyDriveAndClose(table, OpenDriveForQuery(path), ntName, dosName, message, sizeof message))
            continue;
        AssignPartitionLetters(dosName, i);
        ShowProgress(IDD_PROGRESS_DISK, message);
    }
    return true;
}

bool AssignPartitionLetters(const char* diskName, uint32_t disk)
{
    char path[DRIVE_PATH_SIZE];
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
        snprintf(ntName, sizeof ntName, "\\Device\\Harddisk%lu\\Partition%lu", (unsigned long)disk,
                 (unsigned long)p.number);
        DefineDriveLink(nullptr, ntName);
    }
    return true;
}

bool RemoveBayDevice(DeviceTable* table, int port, int target)
{
    const DeviceRecord* found = FindDeviceRecord(table, port, target);
    if (!found || !found->present)
        return false;
    const DeviceRecord r = *found; // kept past ForgetDevice for the messages and links
    // The record's name must still lead to the device it describes: the
    // same NT name, a drive that opens and answers from the same port and
    // target. A name given since to another drive must not receive that
    // drive's removal; a record that leads nowhere is forgotten. One open
    // serves the question and the removal.
    char path[DRIVE_PATH_SIZE];
    DrivePath(path, sizeof path, r.dosName);
    HANDLE drive = LinkLeadsTo(r.dosName, r.ntName) ? OpenDriveForQuery(path) : INVALID_HANDLE_VALUE;
    ScsiAddress address;
    if (!QueryScsiAddress(drive, &address) || address.port != r.port || address.target != r.target) {
        if (drive != INVALID_HANDLE_VALUE)
            CloseHandle(drive);
        ForgetDevice(table, port, target);
        return false;
    }
    DWORD returned = 0;
    bool removed = DeviceIoControl(drive, BAY_IOCTL_REMOVE_DRIVE, nullptr, 0, nullptr, 0, &returned, nullptr) != FALSE;
    if (removed) {
        RemoveDriveLink(r.dosName);
        DefineDriveLink(r.dosName, r.ntName);
        RemoveDriveLink(r.dosName);
    }
    CloseHandle(drive);
    // A refused removal keeps the record: the drive is still in use, and
    // its removal is asked again when its bay is next seen empty.
    if (!removed)
        return false;
    ForgetDevice(table, port, target);
    // Every other name of the device goes with it (a restarted class
    // driver gives each drive of its class a further letter), and so do a
    // disk's partitions: their letters would lead nowhere, and the disk
    // coming back gets letters of its own.
    RemoveLinksTo(r.ntName);

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
