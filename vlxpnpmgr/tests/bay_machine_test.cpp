// What a Win32 program sees of the bay machine made as unkind as a real
// Windows NT 4.0 or 2000 machine that has run for days: numbers far past
// the first ones (counts from 30, PhysicalDrive1234), a name list longer than 2,048
// bytes with a name that cannot be read, drives that are not there and
// cannot be opened, and a class driver that takes its time to start and to stop.
#include <gtest/gtest.h>

#include <string.h>

#include <atomic>
#include <functional>
#include <set>
#include <thread>

#include "bay_bench.h"
#include "bay_driver.h"
#include "services.h"

extern "C" {
#include "bay_model.h"
}

using namespace baytest;

namespace {

// The counts as the bay driver answers them (the bay manager's own read
// cuts them to what it can use): disks, floppies, CD-ROMs.
std::vector<uint32_t> Counts()
{
    HANDLE bay = CreateFileA(BAY_DRIVER_PATH, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
    DeviceCounts counts;
    memset(&counts, 0xCC, sizeof counts);
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(bay, BAY_IOCTL_QUERY_COUNTS, nullptr, 0, &counts, sizeof counts, &returned, nullptr);
    CloseHandle(bay);
    if (!ok)
        return {};
    return {counts.Disks, counts.Floppies, counts.CdRoms};
}

// One request on a device opened by name, with the access its code needs;
// 0 or the error.
DWORD Ask(const char* path, DWORD code)
{
    DWORD access = ((code >> 14) & 1 ? GENERIC_READ : 0) | ((code >> 14) & 2 ? GENERIC_WRITE : 0);
    HANDLE device = CreateFileA(path, access, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE)
        return GetLastError();
    BYTE answer[512];
    DWORD returned = 0;
    DWORD error = DeviceIoControl(device, code, nullptr, 0, answer, sizeof answer, &returned, nullptr) ? 0 : GetLastError();
    CloseHandle(device);
    return error;
}

// What an open of the name gives, made as the bay manager checks a letter
// it has just given: 0 when it opens (and it is closed again), or the
// error.
DWORD OpenError(const char* path)
{
    HANDLE device = CreateFileA(path, 0, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE)
        return GetLastError();
    CloseHandle(device);
    return 0;
}

// The opens of class devices the machine recorded, in order.
std::vector<std::string> ClassOpens(const BayMachine& bay)
{
    std::vector<std::string> opens;
    for (const std::string& line : bay.LogWith(" open share=")) {
        if (line.compare(0, 4, "scsi") && line.compare(0, 8, "swapctl0"))
            opens.push_back(line);
    }
    return opens;
}

// The MS-DOS names as the system lists them.
std::set<std::string> DosNames()
{
    std::vector<char> list(1 << 16);
    DWORD n = QueryDosDeviceA(nullptr, list.data(), (DWORD)list.size());
    std::set<std::string> names;
    for (DWORD at = 0; at < n && list[at]; at += (DWORD)strlen(&list[at]) + 1)
        names.insert(&list[at]);
    return names;
}

std::string Status(const SERVICE_STATUS& s)
{
    static const char* const kStates[] = {"?", "STOPPED", "START_PENDING", "STOP_PENDING", "RUNNING"};
    return std::string(s.dwCurrentState <= 4 ? kStates[s.dwCurrentState] : "?") + " checkpoint " +
           std::to_string(s.dwCheckPoint) + " hint " + std::to_string(s.dwWaitHint) + " accepts " +
           std::to_string(s.dwControlsAccepted);
}

// Runs the call on a thread of its own while this thread reads the
// service's status: every status seen after the one it had before, and
// how long the call took.
std::vector<std::string> StatusesDuring(const char* service, const std::function<bool()>& call, bool* result,
                                        DWORD* tookMs)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE handle = OpenServiceA(manager, service, SERVICE_QUERY_STATUS);
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof status);
    QueryServiceStatus(handle, &status);
    std::string last = Status(status);
    std::vector<std::string> seen;
    std::atomic<bool> done{false};
    DWORD started = GetTickCount();
    std::thread worker([&] {
        *result = call();
        *tookMs = GetTickCount() - started;
        done = true;
    });
    for (bool more = true; more;) {
        more = !done;
        ZeroMemory(&status, sizeof status);
        if (QueryServiceStatus(handle, &status) && Status(status) != last)
            seen.push_back(last = Status(status));
        Sleep(10);
    }
    worker.join();
    CloseServiceHandle(handle);
    CloseServiceHandle(manager);
    return seen;
}

bool ServiceCall(const char* service, bool start)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE handle = OpenServiceA(manager, service, SERVICE_ALL_ACCESS);
    SERVICE_STATUS status;
    bool ok = start ? StartServiceA(handle, 0, nullptr) : ControlService(handle, SERVICE_CONTROL_STOP, &status);
    CloseServiceHandle(handle);
    CloseServiceHandle(manager);
    return ok;
}

} // namespace

TEST(BayMachine, AsUnkindAsAMachineUpForDays)
{
    const DWORD slowMs = 1500;
    BayMachine bay;
    bay.machine.behaviour = BAYSIM_NUMBERS_GROW | BAYSIM_LONG_NAME_LIST | BAYSIM_SLOW_DRIVERS;
    bay.machine.numbersFrom = 30;
    bay.machine.slowDriverMs = slowMs;
    bay.AddLink("ODDNAME", "\\Device\\Odd", BAYSIM_LINK_UNREADABLE);
    ASSERT_TRUE(bay.Start());
    EXPECT_EQ((std::vector<uint32_t>{30, 30, 30}), Counts()) << "past 26 from the start";

    // The name list needs more than 2,048 bytes; every long name reads as
    // its device, the unreadable one fails its own query.
    std::vector<char> list(2048);
    SetLastError(0);
    EXPECT_EQ(0u, QueryDosDeviceA(nullptr, list.data(), (DWORD)list.size()));
    EXPECT_EQ((DWORD)ERROR_INSUFFICIENT_BUFFER, GetLastError());
    std::set<std::string> names = DosNames();
    size_t bytes = 1;
    for (const std::string& name : names)
        bytes += name.size() + 1;
    EXPECT_GT(bytes, 6000u);
    char name[BAYSIM_LONG_NAME], target[BAYSIM_LONG_NAME_TARGET];
    for (unsigned i = 0; BaySimLongName(i, name, sizeof name, target, sizeof target); i++) {
        EXPECT_EQ(1u, names.count(name)) << name;
        EXPECT_EQ(target, LinkTarget(name));
    }
    EXPECT_EQ(1u, names.count("ODDNAME"));
    char targets[4096];
    SetLastError(0);
    EXPECT_EQ(0u, QueryDosDeviceA("ODDNAME", targets, sizeof targets));
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError()) << "Wine's answer for a name that is no link";

    // The CD-ROM class driver takes its time: StartService returns when
    // its entry point has, the service start-pending meanwhile.
    ASSERT_TRUE(testkit::CreateDriverService(CDROM_CLASS_SERVICE, testkit::BuiltFile("sim/bay_sim.sys"), false));
    bool ok = false;
    DWORD took = 0;
    std::vector<std::string> seen = StatusesDuring(CDROM_CLASS_SERVICE, [] { return ServiceCall(CDROM_CLASS_SERVICE, true); },
                                                   &ok, &took);
    EXPECT_TRUE(ok);
    EXPECT_GE(took, slowMs - 100);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ("RUNNING checkpoint 0 hint 0 accepts 5", seen.back());
    for (size_t i = 0; i + 1 < seen.size(); i++)
        EXPECT_EQ(0u, seen[i].find("START_PENDING checkpoint 0 ")) << seen[i];
    EXPECT_EQ("START_PENDING checkpoint 0 hint 10000 accepts 0", seen[seen.size() - 2]) << "while its entry point runs";

    // Names of numbers far past the first ones: made as any other, and
    // gone at the next set-up like every letter and disk name.
    ASSERT_TRUE(SendDefineLink("\\DosDevices\\PhysicalDrive1234", "\\Device\\Harddisk1234\\Partition0"));
    ASSERT_TRUE(SendDefineLink("\\DosDevices\\R:", "\\Device\\CdRom1234"));
    EXPECT_EQ("\\Device\\Harddisk1234\\Partition0", LinkTarget("PhysicalDrive1234"));

    // The stop takes its time too: ControlService returns when the unload
    // has, the service stop-pending meanwhile.
    seen = StatusesDuring(CDROM_CLASS_SERVICE, [] { return ServiceCall(CDROM_CLASS_SERVICE, false); }, &ok, &took);
    EXPECT_TRUE(ok);
    EXPECT_GE(took, slowMs - 100);
    EXPECT_EQ((std::vector<std::string>{"STOP_PENDING checkpoint 0 hint 0 accepts 0",
                                        "STOPPED checkpoint 0 hint 0 accepts 0"}),
              seen);

    // The next set-up of a kind machine takes the long list, the odd name
    // and the letters away.
    bay.machine.behaviour = 0;
    for (BaySimLink& link : bay.machine.links) {
        if (!strcmp(link.name, "ODDNAME"))
            memset(&link, 0, sizeof link);
    }
    bay.Set();
    EXPECT_NE(0u, QueryDosDeviceA(nullptr, list.data(), (DWORD)list.size()));
    names = DosNames();
    EXPECT_EQ(0u, names.count("ODDNAME"));
    EXPECT_EQ(0u, names.count("R:") + names.count("PhysicalDrive1234"));
    for (const std::string& n : names)
        EXPECT_FALSE(BaySimIsLongName(n.c_str())) << n;
}

TEST(BayMachine, ADriveThatIsNotThereHasNoDeviceObject)
{
    // The floppy drive outside the bays (Floppy0), a CD-ROM in bay 1
    // (CdRom0), a hard disk in bay 2 (Harddisk1), an LS-120 drive in bay 3
    // (Floppy1); H: leads to a CD-ROM number not yet given.
    BayMachine bay;
    BayMachine::AddStub(CDROM_CLASS_SERVICE, true);
    bay.AddDrive(FloppyDrive());
    int cdrom = bay.AddDrive(CdRom(1, 0, "VORLIX", "CD-ROM CDR-24"));
    int disk = bay.AddDrive(Disk(2, 0, "DISKMAKE", "FIXED DISK", {{1, 1}}));
    bay.AddDrive(Ls120(3, 0, "VORLIX", "LS-120 DRIVE"));
    bay.machine.status[BAY_STATUS_OTHER_FLOPPY] = 1;
    const struct {
        const char* path;
        const char* target;
        const char* device; // as the record names it
    } names[] = {
        {"\\\\.\\A:", "\\Device\\Floppy0", "Floppy0"},
        {"\\\\.\\D:", "\\Device\\CdRom0", "CdRom0"},
        {"\\\\.\\E:", "\\Device\\Floppy1", "Floppy1"},
        {"\\\\.\\PhysicalDrive1", "\\Device\\Harddisk1\\Partition0", "Harddisk1\\Partition0"},
        {"\\\\.\\G:", "\\Device\\Harddisk1\\Partition1", "Harddisk1\\Partition1"},
        {"\\\\.\\H:", "\\Device\\CdRom1", "CdRom1"},
        {"\\\\.\\GLOBALROOT\\Device\\Harddisk1", nullptr, nullptr}, // the disk's directory
    };
    for (const auto& n : names) {
        if (n.target)
            bay.AddLink(n.path + 4, n.target);
    }
    ASSERT_TRUE(bay.Start());

    const DWORD kNowhere = ERROR_PATH_NOT_FOUND, kNoDirectory = ERROR_FILE_NOT_FOUND;
    const DWORD kDirectory = ERROR_INVALID_HANDLE; // Wine's answer to an open of an object directory
    const struct {
        const char* what;
        std::function<void()> change;
        DWORD errors[7]; // of each name's open, in the order of names
    } steps[] = {
        {"at set-up", [] {}, {0, 0, 0, 0, 0, kNowhere, kDirectory}},
        {"the floppy drive out",
         [&] {
             bay.machine.status[BAY_STATUS_OTHER_FLOPPY] = 0;
             bay.Change();
         },
         {kNowhere, 0, 0, 0, 0, kNowhere, kDirectory}},
        {"the floppy drive back, its number unchanged",
         [&] {
             bay.machine.status[BAY_STATUS_OTHER_FLOPPY] = 1;
             bay.Change();
         },
         {0, 0, 0, 0, 0, kNowhere, kDirectory}},
        {"the CD-ROM leaves and its port is rescanned",
         [&] {
             bay.machine.drives[cdrom].attached = 0;
             bay.Change();
             EXPECT_EQ(0u, Ask("\\\\.\\scsi1:", BAY_IOCTL_SCSI_RESCAN_BUS));
         },
         {0, kNowhere, 0, 0, 0, kNowhere, kDirectory}},
        {"the CD-ROM back: found again as a new device",
         [&] {
             bay.machine.drives[cdrom].attached = 1;
             bay.Change();
             EXPECT_EQ(0u, Ask("\\\\.\\scsi1:", BAY_IOCTL_SCSI_RESCAN_BUS));
             EXPECT_TRUE(RequestCdRomScan());
         },
         {0, kNowhere, 0, 0, 0, 0, kDirectory}},
        {"the disk leaves and its port is rescanned",
         [&] {
             bay.machine.drives[disk].attached = 0;
             bay.Change();
             EXPECT_EQ(0u, Ask("\\\\.\\scsi2:", BAY_IOCTL_SCSI_RESCAN_BUS));
         },
         {0, kNowhere, 0, kNowhere, kNowhere, 0, kNoDirectory}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        bay.ClearLog();
        std::vector<std::string> reached;
        for (size_t i = 0; i < sizeof names / sizeof names[0]; i++) {
            EXPECT_EQ(step.errors[i], OpenError(names[i].path)) << names[i].path;
            if (!step.errors[i] && names[i].device)
                reached.push_back(std::string(names[i].device) + " open share=read");
        }
        EXPECT_EQ(reached, ClassOpens(bay)) << "an open that fails never reaches a device";
    }

    // The floppy drive leaves while A: is held open: its object stays
    // until the handle closes, and refuses the opens and requests that
    // reach it.
    HANDLE held = CreateFileA("\\\\.\\A:", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    bay.machine.status[BAY_STATUS_OTHER_FLOPPY] = 0;
    bay.Change();
    bay.ClearLog();
    OpenError("\\\\.\\A:"); // what Win32 sees of a refused open is Wine's affair
    EXPECT_EQ((std::vector<std::string>{"Floppy0 open share=read: gone"}), ClassOpens(bay));
    DWORD returned = 0;
    EXPECT_FALSE(DeviceIoControl(held, BAY_IOCTL_STORAGE_FIND_NEW_DEVICES, nullptr, 0, nullptr, 0, &returned, nullptr));
    EXPECT_EQ(433u, GetLastError()) << "ERROR_NO_SUCH_DEVICE";
    CloseHandle(held);
    Counts(); // a request after the close: the object goes
    EXPECT_EQ(kNowhere, OpenError("\\\\.\\A:"));
}
