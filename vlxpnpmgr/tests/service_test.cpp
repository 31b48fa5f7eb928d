// The real vlxpnpmgr.exe against the simulated bay machine: its command
// line, its start-up checks, and every kind of bay change, installed as a
// service (started and stopped through Wine's service control manager)
// and in the foreground.
#include <gtest/gtest.h>

#include <algorithm>

#include "bay_bench.h"
#include "patience.h"
#include "bay_driver.h"
#include "drive_links.h"
#include "parameters.h"
#include "resource.h"
#include "service_bench.h"
#include "services.h"

using namespace baytest;

namespace {

const char kMiniportMessage[] = "This Service requires the Vorlix PIIX4 Scsi Miniport Driver (VLXPX4.SYS)";

class Service : public ::testing::Test {
protected:
    explicit Service(const char* wineVersion = "win2k") : service(wineVersion) {}

    BayMachine bay; // first made, last gone: it cleans every service
    DesktopWatcher desktop;
    DriveWindow myComputer;
    BayService service;

    // The machine with the stubs given, the service installed.
    void Boot(std::initializer_list<const char*> running = {MINIPORT_SERVICE},
              std::initializer_list<const char*> stopped = {})
    {
        for (const char* stub : running)
            BayMachine::AddStub(stub, true);
        for (const char* stub : stopped)
            BayMachine::AddStub(stub, false);
        ASSERT_TRUE(bay.Start());
        ASSERT_TRUE(service.Run("-install").finished);
        ASSERT_EQ((DWORD)SERVICE_STOPPED, service.State());
    }

    // Starts the service and waits for the end of its initial scan.
    void StartService()
    {
        int told = myComputer.Told();
        ASSERT_TRUE(service.Start());
        ASSERT_TRUE(myComputer.WaitTold(told + 1)) << "the initial scan ends by telling the drive window";
        bay.ClearLog();
        desktop.Clear();
    }

    // The bays' kinds and change mask as the driver reports them.
    void Bays(std::vector<uint8_t> kinds, uint8_t mask, uint8_t otherFloppy = 0)
    {
        for (size_t i = 0; i < 5; i++)
            bay.machine.status[i] = i < kinds.size() ? kinds[i] : 0;
        bay.machine.status[BAY_STATUS_OTHER_FLOPPY] = otherFloppy;
        bay.machine.status[BAY_STATUS_CHANGE_MASK] = mask;
    }

    // Changes the bays and waits until the service has handled the event.
    void ChangeBays()
    {
        int told = myComputer.Told();
        bay.ClearLog();
        desktop.Clear();
        bay.Change();
        ASSERT_TRUE(myComputer.WaitTold(told + 1)) << "the event ends by telling the drive window";
    }

    void Attach(int slot, bool attached) { bay.machine.drives[slot].attached = attached; }

    static void Messages(DWORD on) { StoreDword(HKEY_LOCAL_MACHINE, PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, on); }
    static void WarmSwapping(DWORD on)
    {
        StoreDword(HKEY_LOCAL_MACHINE, PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE, on);
    }

    // The progress windows seen, as "<template> <text>". A search is often
    // too quick to be seen for sure: its window counts only when asked for
    // (with a machine whose rescans are slow).
    std::vector<std::string> WindowTexts(bool withSearch = false)
    {
        std::vector<std::string> texts;
        for (const ProgressSeen& w : desktop.Windows()) {
            if (withSearch || w.text != "Searching for new devices...")
                texts.push_back(std::to_string(w.templateId) + " " + w.text);
        }
        return texts;
    }

    size_t Count(const std::string& request) { return bay.LogWith(request).size(); }

    // A failed scenario shows what the machine was asked last.
    void TearDown() override
    {
        if (!HasFailure())
            return;
        for (const std::string& line : bay.Log())
            printf("    machine: %s\n", line.c_str());
    }
};

class ServiceOnNt4 : public Service {
protected:
    ServiceOnNt4() : Service("nt40") {}
};

void ExpectPair(const std::vector<testkit::BoxSeen>& boxes, const std::string& message)
{
    ASSERT_EQ(2u, boxes.size()) << message;
    EXPECT_EQ("Vorlix PnP Manager ", boxes[0].caption);
    EXPECT_EQ(message, boxes[0].text);
    EXPECT_EQ("GetLastError", boxes[1].caption);
}

} // namespace

TEST_F(Service, AQuietEventAndAStopWhileIdle)
{
    Boot();
    StartService();
    EXPECT_EQ((DWORD)SERVICE_RUNNING, service.State());
    // No mask bit and an unchanged floppy flag: only the status is read.
    Bays({0, 0, 0, 0}, 0);
    ChangeBays();
    EXPECT_EQ(std::vector<std::string>({"swapctl0 open share=read+write", "swapctl0 QueryStatus out=9: ok 9"}),
              bay.Log());
    DWORD before = GetTickCount();
    EXPECT_TRUE(service.Stop(10000));
    EXPECT_LT(GetTickCount() - before, 2000u) << "an idle service stops at once";
    EXPECT_EQ(0u, service.ExitCode());
    EXPECT_TRUE(desktop.Boxes().empty());
}

TEST_F(Service, CommandLineOptions)
{
    // Words without "-" or "/", unknown words and no argument at all do
    // nothing; outside the manager the dispatcher fails silently.
    for (const char* arguments : {"install", "-foo", "debug", ""}) {
        ProgramEnd end = service.Run(arguments, 10000);
        EXPECT_TRUE(end.finished) << "'" << arguments << "' ends at once";
        EXPECT_EQ(0u, end.exitCode) << arguments;
        EXPECT_EQ(0u, service.State()) << arguments;
    }
    EXPECT_TRUE(service.Run("/INSTALL").finished);
    EXPECT_EQ((DWORD)SERVICE_STOPPED, service.State());
    Messages(1);
    EXPECT_TRUE(service.Run("-Install").finished) << "registered already: removed and made again";
    EXPECT_EQ((DWORD)SERVICE_STOPPED, service.State());
    EXPECT_EQ(0u, ReadStoredValue(HKEY_LOCAL_MACHINE, PARAMETERS_KEY, ENABLE_MESSAGES_VALUE).bytes[0]) << "reset";
    EXPECT_TRUE(service.Run("-remove").finished);
    EXPECT_EQ(0u, service.State());
    EXPECT_TRUE(desktop.Boxes().empty());

    EXPECT_TRUE(service.Run("/ReMoVe").finished);
    ExpectPair(desktop.Boxes(), "PNP Manager removal failed.");
    desktop.Clear();

    // Another service with this service's display name: both tries fail.
    ASSERT_TRUE(testkit::CreateDriverService("vlxother", "C:\\windows\\system32\\drivers\\none.sys", false));
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE other = OpenServiceA(manager, "vlxother", SERVICE_ALL_ACCESS);
    ChangeServiceConfigA(other, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, "Vorlix PnP Manager 1.8");
    CloseServiceHandle(other);
    CloseServiceHandle(manager);
    EXPECT_TRUE(service.Run("-install").finished);
    testkit::RemoveService("vlxother");
    ExpectPair(desktop.Boxes(), "PNP Manager installation failed.");
    EXPECT_EQ(0u, service.State());
}

TEST_F(Service, InstallThenTheBodyInTheForeground)
{
    ASSERT_TRUE(bay.Start());
    BayMachine::AddStub(MINIPORT_SERVICE, true);
    // All arguments are looked at before the body runs in the foreground.
    service.StartForeground("-debug -install");
    EXPECT_TRUE(myComputer.WaitTold(1)) << "the body ran its initial scan";
    EXPECT_EQ((DWORD)SERVICE_STOPPED, service.State()) << "installed first";
    EXPECT_FALSE(service.WaitForeground(500).finished) << "the body waits for events until ended";
    Bays({0, 0, 0, 0}, 0);
    bay.Change();
    EXPECT_TRUE(myComputer.WaitTold(2));
}

TEST_F(Service, StartWithoutTheMiniportStopsCleanly)
{
    Boot({}, {MINIPORT_SERVICE});
    EXPECT_FALSE(service.Start());
    EXPECT_TRUE(desktop.WaitForBoxes(2));
    ExpectPair(desktop.Boxes(), kMiniportMessage);
    for (int i = 0; i < 100 && service.State() != SERVICE_STOPPED; i++)
        Sleep(50);
    EXPECT_EQ((DWORD)SERVICE_STOPPED, service.State());
    EXPECT_EQ(0u, service.ExitCode());
    EXPECT_TRUE(bay.LogWith("scsi").empty() && bay.LogWith("Query").empty()) << "no device touched";
    EXPECT_EQ(0, myComputer.Told());
}

TEST_F(Service, StartUpChecksInTheirOrder)
{
    // In the foreground: each failed check shows its pair, and the body
    // ends with 0 once the boxes are closed.
    const struct {
        bool miniport, bayDriver, event;
        const char* message;
    } cases[] = {
        {true, true, false, "Cannot locate the PnP Device Change Event."},
        {true, false, true, "This Service requires the Vorlix PnP Device Manager to be present and running."},
        {false, false, true, kMiniportMessage}, // the miniport is checked first
    };
    for (const auto& c : cases) {
        BayMachine::AddStub(MINIPORT_SERVICE, c.miniport);
        HANDLE ownEvent = nullptr;
        if (c.bayDriver) {
            BayMachine::SetRoleValue(BAY_DRIVER_SERVICE, BAYSIM_NO_EVENT, !c.event);
            ASSERT_TRUE(bay.Start());
        } else if (c.event) {
            ownEvent = CreateEventA(nullptr, FALSE, FALSE, BAY_DEVICE_CHANGE_EVENT); // the driver's name, not the driver
        }
        desktop.Clear();
        service.StartForeground();
        ProgramEnd end = service.WaitForeground(20000);
        EXPECT_TRUE(end.finished) << c.message;
        EXPECT_EQ(0u, end.exitCode) << c.message;
        ExpectPair(desktop.Boxes(), c.message);
        service.EndForeground();
        if (ownEvent)
            CloseHandle(ownEvent);
        BayMachine::RemoveServices();
    }
}

TEST_F(Service, InitialScanThenEveryDeviceLeaves)
{
    // At boot: a CD-ROM in bay 1 (D:), an LS-120 drive in bay 2 (E:), a
    // hard disk in bay 3 (PhysicalDrive1, partitions F: and G:).
    bay.AddDrive(CdRom(1, 0, "VORLIX", "CD-ROM CDR-24"));
    bay.AddDrive(Ls120(2, 0, "MAKER", "LS-120 DRIVE"));
    bay.AddDrive(Disk(3, 0, "DISKMAKE", "FIXED DISK", {{1, 1}, {2, 1}}));
    bay.AddLink("D:", "\\Device\\CdRom0");
    bay.AddLink("E:", "\\Device\\Floppy0");
    bay.AddLink("PhysicalDrive1", "\\Device\\Harddisk1\\Partition0");
    bay.AddLink("F:", "\\Device\\Harddisk1\\Partition1");
    bay.AddLink("G:", "\\Device\\Harddisk1\\Partition2");
    bay.AddLink("K:", "\\Device\\CdRom0"); // a further letter, as a restarted CD-ROM driver gives
    Bays({0, 3, 3, 3}, 0);
    Boot({MINIPORT_SERVICE, CDROM_CLASS_SERVICE, LS120_CLASS_SERVICE});
    StartService();
    // No floppy drive: the floppy-class devices take the first letters from A:.
    EXPECT_EQ("\\Device\\Floppy0", LinkTarget("A:"));
    EXPECT_EQ("<none>", LinkTarget("E:"));

    Messages(1);
    for (int slot = 1; slot <= 3; slot++)
        Attach(slot, false);
    Bays({0, 0, 0, 0}, 0x0E);
    ChangeBays();
    EXPECT_EQ(std::vector<std::string>({"CdRom0 RemoveDrive out=0: ok", "Floppy0 RemoveDrive out=0: ok",
                                        "Harddisk1\\Partition0 RemoveDrive out=0: ok"}),
              bay.LogWith("RemoveDrive"))
        << "the records made by the initial scan, bay by bay";
    EXPECT_EQ(1u, Count("CdRom0 open")) << "one open asks the drive's address and sends its removal";
    EXPECT_EQ("<none>", LinkTarget("D:"));
    EXPECT_EQ("<none>", LinkTarget("K:")) << "every letter of the drive leaves with it";
    EXPECT_EQ("<none>", LinkTarget("A:"));
    EXPECT_EQ("<none>", LinkTarget("PhysicalDrive1"));
    EXPECT_EQ("<none>", LinkTarget("F:")) << "partition letters leave with their disk";
    EXPECT_EQ("<none>", LinkTarget("G:"));
    EXPECT_EQ(std::vector<std::string>({"103 Removing VORLIX  CD-ROM CDR-24   ", "108 Removing MAKER   LS-120 DRIVE    ",
                                        "110 Removing DISKMAKEFIXED DISK      "}),
              WindowTexts());
    EXPECT_TRUE(desktop.WaitForWindowsToClose());
    for (const ProgressSeen& w : desktop.Windows())
        EXPECT_GE(w.shownMs, 1800u) << w.text;
}

TEST_F(Service, CdRomsArrive)
{
    // Bay 1 empty, a CD-ROM waiting for it; the CD-ROM class driver runs.
    int first = bay.AddDrive(CdRom(1, 0, "VORLIX", "CD-ROM CDR-24"));
    int second = bay.AddDrive(CdRom(2, 0, "OTHER", "CD-ROM 2"));
    Attach(first, false);
    Attach(second, false);
    bay.machine.answers = BAYSIM_SLOW_RESCAN; // long enough to see the search window
    Boot({MINIPORT_SERVICE, CDROM_CLASS_SERVICE});
    StartService();
    Messages(1);

    // The first CD-ROM ever: the bay driver is asked to look for it.
    Attach(first, true);
    Bays({0, 3, 0, 0}, 0x02);
    ChangeBays();
    EXPECT_EQ(1u, Count("scsi1 RescanBus out=0: ok"));
    EXPECT_EQ(1u, Count("swapctl0 CdRomScan"));
    EXPECT_EQ("\\Device\\CdRom0", LinkTarget("D:")) << "the first free letter from C:";
    EXPECT_EQ(std::vector<std::string>({"109 Searching for new devices...", "103 Installing VORLIX  CD-ROM CDR-24   "}),
              WindowTexts(true));
    Messages(0);

    // A second one while the first exists: it is asked to find new devices.
    Attach(second, true);
    Bays({0, 3, 3, 0}, 0x04);
    ChangeBays();
    EXPECT_EQ(1u, Count("CdRom0 FindNewDevices"));
    EXPECT_EQ(0u, Count("CdRomScan"));
    EXPECT_EQ("\\Device\\CdRom1", LinkTarget("E:"));

    // The first goes and comes back. Its number, free in the middle, is
    // not the one it gets again and takes no letter; the drive, under its
    // new number, takes the letter given back.
    Attach(first, false);
    Bays({0, 0, 3, 0}, 0x02);
    ChangeBays();
    EXPECT_EQ("<none>", LinkTarget("D:"));
    Attach(first, true);
    Bays({0, 3, 3, 0}, 0x02);
    ChangeBays();
    EXPECT_EQ(1u, Count("CdRom1 FindNewDevices"));
    EXPECT_EQ("\\Device\\CdRom2", LinkTarget("D:"));
    EXPECT_EQ("<none>", LinkTarget("F:"));
    EXPECT_TRUE(desktop.Boxes().empty());
}

TEST_F(Service, StoppedDriversAreStartedAndTheCdRomFileSystemBroughtUp)
{
    int cdrom = bay.AddDrive(CdRom(1, 0, "VORLIX", "CD-ROM CDR-24"));
    Attach(cdrom, false);
    Boot({MINIPORT_SERVICE}, {CDROM_CLASS_SERVICE, CDROM_FILE_SYSTEM_SERVICE});
    StartService();
    Attach(cdrom, true);
    Bays({0, 3, 0, 0}, 0x02);
    ChangeBays();
    EXPECT_EQ((DWORD)SERVICE_RUNNING, testkit::ServiceState(CDROM_CLASS_SERVICE));
    EXPECT_EQ((DWORD)SERVICE_RUNNING, testkit::ServiceState(CDROM_FILE_SYSTEM_SERVICE));
    StoredValue start = ReadStoredValue(HKEY_LOCAL_MACHINE, SERVICES_KEY CDROM_FILE_SYSTEM_SERVICE, "Start");
    ASSERT_EQ(4u, start.bytes.size());
    EXPECT_EQ((BYTE)SERVICE_DISABLED, start.bytes[0]) << "started now, not at the next boot";
    EXPECT_EQ(0u, Count("CdRomScan")) << "the starting class driver finds the drive itself";
    EXPECT_EQ("\\Device\\CdRom0", LinkTarget("D:"));
}

// A class driver found stopped is started, and every drive of its class
// gets a further letter, kept when the drive opens under it: the floppy
// drive too, on its own controller, though it answers no SCSI question.
// Only the letter just made is ever taken back, and a refused link takes
// nothing back at all.
TEST_F(Service, StoppedDriversGiveFurtherLettersAndTakeBackOnlyTheirOwn)
{
    bay.AddDrive(FloppyDrive());
    int first = bay.AddDrive(CdRom(1, 0, "VORLIX", "CD-ROM CDR-24"));
    int ls120 = bay.AddDrive(Ls120(2, 0, "MAKER", "LS-120 DRIVE"));
    int second = bay.AddDrive(CdRom(3, 0, "OTHER", "CD-ROM 2"));
    int disk = bay.AddDrive(Disk(3, 0, "DISKMAKE", "FIXED DISK", {{1, 1}}));
    bay.AddLink("A:", "\\Device\\Floppy0");
    bay.AddLink("D:", "\\Device\\CdRom0");
    for (int slot : {ls120, second, disk})
        Attach(slot, false);
    bay.machine.behaviour = BAYSIM_NUMBERS_GROW;
    Bays({0, 3, 0, 0}, 0, 1);
    Boot({MINIPORT_SERVICE, CDROM_CLASS_SERVICE}, {LS120_CLASS_SERVICE});
    StartService();

    // The LS-120 driver is started: the floppy drive keeps A: and gets B:,
    // the LS-120 drive the next free letter from A:, E:.
    Attach(ls120, true);
    Bays({0, 3, 3, 0}, 0x04, 1);
    ChangeBays();
    EXPECT_EQ("\\Device\\Floppy0", LinkTarget("A:"));
    EXPECT_EQ("\\Device\\Floppy0", LinkTarget("B:")) << "the floppy drive opens: its further letter stays";
    EXPECT_EQ("\\Device\\Floppy1", LinkTarget("E:"));

    // The first CD-ROM leaves, and its number with it; letters someone
    // else left lead to that number (the system lists some of them before
    // the letter the service makes, whatever its order). With the CD-ROM
    // driver stopped, another CD-ROM arrives: the number gone gets a
    // letter that is taken back, and that letter alone; the new drive
    // gets the letter freed.
    Attach(first, false);
    Bays({0, 0, 3, 0}, 0x02, 1);
    ChangeBays();
    const char* const foreign[] = {"H:", "R:", "S:", "T:", "Z:"};
    for (const char* name : foreign)
        ASSERT_TRUE(DefineDriveLink(name, "\\Device\\CdRom0"));
    ASSERT_TRUE(testkit::StopService(CDROM_CLASS_SERVICE));
    Attach(second, true);
    Bays({0, 0, 3, 3}, 0x08, 1);
    ChangeBays();
    EXPECT_EQ(1u, Count("DefineLink [\\DosDevices\\D:|\\Device\\CdRom0|]")) << "the number gone was tried";
    for (const char* name : foreign)
        EXPECT_EQ("\\Device\\CdRom0", LinkTarget(name)) << name << ": not the service's letter";
    EXPECT_EQ("\\Device\\CdRom1", LinkTarget("D:"));

    // With the LS-120 driver stopped again and every link refused, a disk
    // arrives: no letter is made, so none is taken back.
    ASSERT_TRUE(testkit::StopService(LS120_CLASS_SERVICE));
    Attach(second, false);
    Bays({0, 0, 3, 0}, 0x08, 1);
    ChangeBays();
    Attach(disk, true);
    bay.machine.fail = BAYSIM_FAIL_DEFINE_LINK;
    Bays({0, 0, 3, 3}, 0x08, 1);
    ChangeBays();
    EXPECT_LT(0u, Count("DefineLink")) << "letters were asked for";
    EXPECT_EQ(0u, Count("RemoveLink"));
    EXPECT_TRUE(desktop.Boxes().empty());
}

TEST_F(Service, Ls120DrivesAndFloppyDrives)
{
    int ls120 = bay.AddDrive(Ls120(2, 0, "MAKER", "LS-120 DRIVE"));
    Attach(ls120, false);
    bay.machine.answers = BAYSIM_SLOW_RESCAN;
    Boot({MINIPORT_SERVICE}, {LS120_CLASS_SERVICE});
    StartService();
    Messages(1);

    // The LS-120 class driver is started; the drive takes a letter from A:.
    Attach(ls120, true);
    Bays({0, 0, 3, 0}, 0x04);
    ChangeBays();
    EXPECT_EQ((DWORD)SERVICE_RUNNING, testkit::ServiceState(LS120_CLASS_SERVICE));
    EXPECT_EQ("\\Device\\Floppy0", LinkTarget("A:"));
    EXPECT_EQ(std::vector<std::string>({"109 Searching for new devices...", "108 Installing MAKER   LS-120 DRIVE    "}),
              WindowTexts(true));

    // A floppy drive arriving finds the first floppy-class device named already: nothing changes.
    Bays({2, 0, 3, 0}, 0x01);
    ChangeBays();
    EXPECT_EQ("\\Device\\Floppy0", LinkTarget("A:"));
    EXPECT_TRUE(WindowTexts().empty());
}

TEST_F(Service, FloppyDrivesInABayAndOutsideTheBays)
{
    Boot();
    StartService();
    Messages(1);
    const struct {
        std::vector<uint8_t> kinds;
        uint8_t mask, otherFloppy;
        const char* a; // the target of A: afterwards
        const char* window;
    } steps[] = {
        {{2, 0, 0, 0}, 0x01, 0, "\\Device\\Floppy0", "108 Installing Floppy device"},
        {{0, 0, 0, 0}, 0x01, 0, "<none>", "108 Removing Floppy device"},
        {{0, 0, 0, 0}, 0x00, 1, "\\Device\\Floppy0", "108 Installing Floppy device"}, // no mask needed
        {{0, 0, 0, 0}, 0x00, 0, "<none>", "108 Removing Floppy device"},
    };
    for (const auto& step : steps) {
        Bays(step.kinds, step.mask, step.otherFloppy);
        ChangeBays();
        EXPECT_EQ(step.a, LinkTarget("A:")) << step.window;
        EXPECT_EQ(std::vector<std::string>{step.window}, WindowTexts());
        // A further letter, as a restarted LS-120 driver gives every
        // floppy-class device: it leaves with the drive too.
        if (LinkTarget("A:") != "<none>")
            ASSERT_TRUE(DefineDriveLink("B:", "\\Device\\Floppy0"));
        else
            EXPECT_EQ("<none>", LinkTarget("B:")) << step.window;
    }
}

TEST_F(Service, HardDisksWithTheirPartitions)
{
    // Partitions 1, 2 and 4 recognised, 3 not; the layout may count more than it holds.
    int disk = bay.AddDrive(Disk(3, 0, "DISKMAKE", "FIXED DISK", {{1, 1}, {2, 1}, {3, 0}, {4, 1}}));
    int other = bay.AddDrive(Disk(2, 0, "DISKMAKE", "SECOND DISK", {{1, 1}}));
    Attach(disk, false);
    Attach(other, false);
    bay.machine.answers = BAYSIM_LAYOUT_COUNT_HIGH;
    Boot();
    StartService();
    Messages(1);
    Attach(disk, true);
    Bays({0, 0, 0, 3}, 0x08);
    ChangeBays();
    EXPECT_EQ(1u, Count("Harddisk0\\Partition1 DiskFindNewDevices out=0: ok")) << "asked through the system disk";
    EXPECT_EQ("\\Device\\Harddisk1\\Partition0", LinkTarget("PhysicalDrive1"));
    EXPECT_EQ("\\Device\\Harddisk1\\Partition1", LinkTarget("D:")) << "letters from C: in partition order";
    EXPECT_EQ("\\Device\\Harddisk1\\Partition2", LinkTarget("E:"));
    EXPECT_EQ("\\Device\\Harddisk1\\Partition4", LinkTarget("F:")) << "an unrecognised partition gets none";
    EXPECT_EQ("<none>", LinkTarget("G:"));
    std::vector<std::string> windows = WindowTexts();
    ASSERT_FALSE(windows.empty());
    EXPECT_EQ("110 Installing DISKMAKEFIXED DISK      ", windows.back());

    // A layout cut inside its first entry gives no letters, and the disk
    // still gets its name.
    Messages(0);
    bay.machine.answers = BAYSIM_LAYOUT_SHORT;
    Attach(other, true);
    Bays({0, 0, 3, 3}, 0x04);
    ChangeBays();
    EXPECT_EQ("\\Device\\Harddisk2\\Partition0", LinkTarget("PhysicalDrive2"));
    EXPECT_EQ("<none>", LinkTarget("G:"));
}

TEST_F(Service, WarmSwappingOffAndOn)
{
    int disk = bay.AddDrive(Disk(3, 0, "DISKMAKE", "FIXED DISK", {{1, 1}}));
    int cdrom = bay.AddDrive(CdRom(3, 0, "VORLIX", "CD-ROM CDR-24"));
    bay.AddLink("PhysicalDrive1", "\\Device\\Harddisk1\\Partition0");
    Attach(cdrom, false);
    Bays({0, 0, 0, 3}, 0);
    Boot({MINIPORT_SERVICE, CDROM_CLASS_SERVICE});
    StartService();
    // The disk is taken out and a CD-ROM put in without the bay being seen empty.
    Attach(disk, false);
    Attach(cdrom, true);
    Bays({0, 0, 0, 3}, 0x08);
    ChangeBays();
    EXPECT_EQ(2u, bay.Log().size()) << "warm swapping off: only the status is read";
    EXPECT_EQ("\\Device\\Harddisk1\\Partition0", LinkTarget("PhysicalDrive1"));

    WarmSwapping(1); // read afresh at the next event
    ChangeBays();
    EXPECT_EQ(1u, Count("Harddisk1\\Partition0 RemoveDrive out=0: ok"));
    EXPECT_EQ(1u, Count("scsi3 RescanBus out=0: ok"));
    EXPECT_EQ("<none>", LinkTarget("PhysicalDrive1"));
    EXPECT_EQ("\\Device\\CdRom0", LinkTarget("D:"));

    // The bay is flagged again but the CD-ROM, still in use, refuses its
    // removal: it keeps its letter and its record. When it is really
    // taken out later, its removal is asked again and its letter goes.
    bay.machine.fail = BAYSIM_FAIL_REMOVE_DRIVE;
    ChangeBays();
    EXPECT_EQ(1u, Count("CdRom0 RemoveDrive out=0: refused"));
    EXPECT_EQ("\\Device\\CdRom0", LinkTarget("D:"));
    bay.machine.fail = 0;
    Attach(cdrom, false);
    Bays({0, 0, 0, 0}, 0x08);
    ChangeBays();
    EXPECT_EQ(1u, Count("CdRom0 RemoveDrive out=0: ok")) << "the record outlived the refusal";
    EXPECT_EQ("<none>", LinkTarget("D:"));
}

TEST_F(Service, FailuresOnTheWay)
{
    int cdrom = bay.AddDrive(CdRom(1, 0, "VORLIX", "CD-ROM CDR-24"));
    int odd = bay.AddDrive(CdRom(2, 2, "ODDONE", "TARGET TWO"));
    bay.AddLink("D:", "\\Device\\CdRom0");
    Attach(odd, false);
    Bays({0, 3, 0, 0}, 0);
    Boot({MINIPORT_SERVICE, CDROM_CLASS_SERVICE});
    StartService();

    // A refused removal: the drive keeps its letter, nothing is shown.
    Messages(1);
    bay.machine.fail = BAYSIM_FAIL_REMOVE_DRIVE;
    Attach(cdrom, false);
    Bays({0, 0, 0, 0}, 0x02);
    ChangeBays();
    EXPECT_EQ(1u, Count("CdRom0 RemoveDrive out=0: refused"));
    EXPECT_EQ("\\Device\\CdRom0", LinkTarget("D:"));
    EXPECT_TRUE(WindowTexts().empty());

    // A refused rescan: its error pair, and nothing installed.
    bay.machine.fail = BAYSIM_FAIL_RESCAN;
    Attach(odd, true);
    Bays({0, 0, 3, 0}, 0x04);
    ChangeBays();
    ExpectPair(desktop.Boxes(), "Could not scan \\\\.\\scsi2:");
    EXPECT_EQ(0u, Count("QueryCounts")) << "no install after a failed rescan";

    // Nothing is retried until the bay changes again. A device at target 2:
    // shown as unknown, never recorded.
    bay.machine.fail = 0;
    ChangeBays();
    EXPECT_EQ(0u, Count("RescanBus"));
    Bays({0, 0, 0, 0}, 0x04);
    ChangeBays();
    Bays({0, 0, 3, 0}, 0x04);
    ChangeBays();
    EXPECT_EQ("\\Device\\CdRom1", LinkTarget("E:"));
    EXPECT_EQ(std::vector<std::string>({"103 Installing UNKOWN DEVICE"}), WindowTexts());
    Messages(0);
    Attach(odd, false);
    Bays({0, 0, 0, 0}, 0x04);
    ChangeBays();
    EXPECT_EQ(0u, Count("RemoveDrive")) << "no record at port 2, target 0";
}

TEST_F(Service, NoFreeLetterAndHostileInquiryData)
{
    int cdrom = bay.AddDrive(CdRom(1, 0, "VORLIX", "CD-ROM CDR-24"));
    Attach(cdrom, false);
    for (char c = 'D'; c <= 'Z'; c++) {
        char name[3] = {c, ':', 0};
        bay.AddLink(name, "\\Device\\Harddisk0\\Partition1");
    }
    Boot({MINIPORT_SERVICE, CDROM_CLASS_SERVICE});
    StartService();
    Attach(cdrom, true);
    Bays({0, 3, 0, 0}, 0x02);
    ChangeBays();
    EXPECT_EQ(0u, Count("DefineLink")) << "no letter from C: on is free";
    EXPECT_EQ(0u, Count("CdRom0 GetAddress"));

    // Inquiry chains that loop, point outside, or run past the answer: each
    // event still ends, and the service goes on.
    for (uint32_t hostile : {BAYSIM_INQUIRY_LOOP, BAYSIM_INQUIRY_OUTSIDE, BAYSIM_INQUIRY_NEXT_OUTSIDE,
                             BAYSIM_INQUIRY_LONG_ENTRY, BAYSIM_INQUIRY_NO_BUSES}) {
        bay.machine.answers = hostile;
        Attach(cdrom, false);
        Bays({0, 0, 0, 0}, 0x02);
        ChangeBays();
        Attach(cdrom, true);
        Bays({0, 3, 0, 0}, 0x02);
        ChangeBays();
        EXPECT_EQ(1u, Count("scsi1 RescanBus out=0: ok")) << hostile;
    }
    EXPECT_EQ((DWORD)SERVICE_RUNNING, service.State());
}

TEST_F(Service, TheDriveWindowIsToldOncePerEvent)
{
    Boot();
    DriveWindow second;                   // the same title: only one of the two is told
    DriveWindow otherCase("my computer"); // titles are compared exactly
    auto toldInAll = [&](int count) {
        for (int i = 0; i < 400 && myComputer.Told() + second.Told() < count; i++)
            Sleep(25);
        Sleep(200); // a second telling would come now
        return myComputer.Told() + second.Told();
    };
    ASSERT_TRUE(service.Start());
    EXPECT_EQ(1, toldInAll(1)) << "after the initial scan";
    Bays({0, 0, 0, 0}, 0);
    for (int i = 0; i < 3; i++) {
        bay.Change();
        EXPECT_EQ(i + 2, toldInAll(i + 2)) << "event " << i;
    }
    EXPECT_EQ(0, otherCase.Told());
}

// A stop while a change is handled waits for the handling to end, and
// shows its progress all the while: stopped as Windows' net stop does it,
// which gives up once the wait hint passes without the checkpoint moving.
TEST_F(Service, AStopWaitsForTheChangeBeingHandled)
{
    int cdrom = bay.AddDrive(CdRom(1, 0, "VORLIX", "CD-ROM CDR-24"));
    Attach(cdrom, false);
    Boot({MINIPORT_SERVICE, CDROM_CLASS_SERVICE});
    StartService();
    Messages(1); // 2-second windows keep the service busy
    Attach(cdrom, true);
    Bays({0, 3, 0, 0}, 0x02);
    int told = myComputer.Told();
    bay.Change();
    Sleep(300);
    DWORD asked = GetTickCount();
    ProgramEnd stop = service.NetAsOnWindows("stop");
    EXPECT_TRUE(stop.finished);
    EXPECT_EQ(0u, stop.exitCode) << "net stop gave up: no progress within the wait hint";
    EXPECT_EQ((DWORD)SERVICE_STOPPED, service.State());
    EXPECT_GE(GetTickCount() - asked, 1500u) << "the handling ran to its end";
    EXPECT_EQ(told + 1, myComputer.Told()) << "the event was handled to its end first";
    EXPECT_EQ("\\Device\\CdRom0", LinkTarget("D:"));
    EXPECT_EQ(0u, service.ExitCode());
}

TEST_F(ServiceOnNt4, ACdRomArrivesAndLeaves)
{
    int cdrom = bay.AddDrive(CdRom(1, 0, "VORLIX", "CD-ROM CDR-24"));
    Attach(cdrom, false);
    Boot({MINIPORT_SERVICE, CDROM_CLASS_SERVICE});
    StartService();
    Attach(cdrom, true);
    Bays({0, 3, 0, 0}, 0x02);
    ChangeBays();
    EXPECT_EQ("\\Device\\CdRom0", LinkTarget("D:"));
    Attach(cdrom, false);
    Bays({0, 0, 0, 0}, 0x02);
    ChangeBays();
    EXPECT_EQ("<none>", LinkTarget("D:"));
    EXPECT_TRUE(service.Stop());
}

namespace {

// Asks the service to stop without waiting for the answer; false with
// the system's error when the manager refuses.
bool AskStop()
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE handle = manager ? OpenServiceA(manager, SERVICE_NAME, SERVICE_ALL_ACCESS) : nullptr;
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof status);
    bool asked = handle && ControlService(handle, SERVICE_CONTROL_STOP, &status);
    DWORD error = GetLastError();
    if (handle)
        CloseServiceHandle(handle);
    if (manager)
        CloseServiceHandle(manager);
    SetLastError(error);
    return asked;
}

SERVICE_STATUS StatusOfService()
{
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof status);
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE handle = manager ? OpenServiceA(manager, SERVICE_NAME, SERVICE_QUERY_STATUS) : nullptr;
    if (handle) {
        QueryServiceStatus(handle, &status);
        CloseServiceHandle(handle);
    }
    if (manager)
        CloseServiceHandle(manager);
    return status;
}

// The states the service reports until it is in the state or the time is up.
std::vector<DWORD> StatesUntil(const BayService& service, DWORD wanted, DWORD waitMs)
{
    std::vector<DWORD> states;
    for (DWORD waited = 0; waited < testkit::Patient(waitMs); waited += 25) {
        DWORD state = service.State();
        if (states.empty() || states.back() != state)
            states.push_back(state);
        if (state == wanted || state == SERVICE_STOPPED)
            break;
        Sleep(25);
    }
    return states;
}

} // namespace

// A record acts only on the device it describes: a letter given since to
// another drive is left alone, and a bay whose disk left keeps no record
// for the next device, even one that cannot be identified.
TEST_F(Service, RemovalsActOnlyOnTheRecordedDevice)
{
    bay.AddDrive(CdRom(1, 0, "VORLIX", "CD-ROM CDR-24"));
    int disk = bay.AddDrive(Disk(3, 0, "DISKMAKE", "FIXED DISK", {{1, 1}}));
    bay.AddLink("D:", "\\Device\\CdRom0");
    bay.AddLink("PhysicalDrive1", "\\Device\\Harddisk1\\Partition0");
    bay.AddLink("E:", "\\Device\\Harddisk1\\Partition1");
    Bays({0, 3, 0, 3}, 0);
    Boot({MINIPORT_SERVICE, CDROM_CLASS_SERVICE});
    StartService();

    // D: is given to the disk's partition behind the service's back; the
    // CD-ROM then leaves: the disk must not get its removal request.
    ASSERT_TRUE(RemoveDriveLink("D:"));
    ASSERT_TRUE(DefineDriveLink("D:", "\\Device\\Harddisk1\\Partition1"));
    Attach(1, false);
    Bays({0, 0, 0, 3}, 0x02);
    ChangeBays();
    EXPECT_EQ(0u, Count("RemoveDrive"));
    EXPECT_EQ("\\Device\\Harddisk1\\Partition1", LinkTarget("D:"));

    // The disk leaves: its name and every letter of its partitions go.
    Attach(disk, false);
    Bays({0, 0, 0, 0}, 0x08);
    ChangeBays();
    EXPECT_EQ(1u, Count("Harddisk1\\Partition0 RemoveDrive out=0: ok"));
    for (const char* name : {"PhysicalDrive1", "D:", "E:"})
        EXPECT_EQ("<none>", LinkTarget(name)) << name;
    EXPECT_EQ("\\Device\\Harddisk0\\Partition1", LinkTarget("C:")) << "the system disk is never touched";

    // It comes back and cannot be identified, then leaves again: no
    // record, so no removal reaches whatever holds its old names now.
    bay.machine.fail = BAYSIM_FAIL_INQUIRY;
    Attach(disk, true);
    Bays({0, 0, 0, 3}, 0x08);
    ChangeBays();
    EXPECT_EQ("\\Device\\Harddisk1\\Partition0", LinkTarget("PhysicalDrive1"));
    bay.machine.fail = 0;
    Attach(disk, false);
    Bays({0, 0, 0, 0}, 0x08);
    ChangeBays();
    EXPECT_EQ(0u, Count("RemoveDrive"));
    EXPECT_TRUE(desktop.Boxes().empty());
}

// While it starts the service accepts no control: a stop asked then is
// refused, never lost, and the start shows its progress to whoever waits
// on it. Once running, the service takes the stop at once.
TEST_F(Service, AStopWhileStartingIsRefusedAndTheStartShowsItsProgress)
{
    bay.machine.answers = BAYSIM_SLOW_COUNTS; // each count takes half a second: the start takes a second
    Boot();
    ASSERT_TRUE(testkit::StartNamedService(SERVICE_NAME));
    for (int i = 0; i < 200 && service.State() != SERVICE_START_PENDING; i++)
        Sleep(10);
    SERVICE_STATUS status = StatusOfService();
    ASSERT_EQ((DWORD)SERVICE_START_PENDING, status.dwCurrentState);
    EXPECT_EQ(0u, status.dwControlsAccepted);
    EXPECT_GE(status.dwWaitHint, 2000u) << "a start that takes seconds says so";
    EXPECT_FALSE(AskStop());
    DWORD refusal = GetLastError(); // Windows says the state refuses it, Wine that the control does
    EXPECT_TRUE(refusal == ERROR_SERVICE_CANNOT_ACCEPT_CTRL || refusal == ERROR_INVALID_SERVICE_CONTROL) << refusal;
    std::vector<DWORD> states = StatesUntil(service, SERVICE_RUNNING, 10000);
    ASSERT_FALSE(states.empty());
    EXPECT_EQ((DWORD)SERVICE_RUNNING, states.back());
    status = StatusOfService();
    EXPECT_EQ((DWORD)(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN), status.dwControlsAccepted);
    EXPECT_EQ(0u, status.dwWaitHint);
    DWORD asked = GetTickCount();
    EXPECT_EQ(0u, service.NetAsOnWindows("stop").exitCode);
    EXPECT_LT(GetTickCount() - asked, 5000u);
    EXPECT_EQ(0u, service.ExitCode());
    EXPECT_EQ(1, myComputer.Told()) << "the initial scan ended once";
}

// A machine that has run for days, as Windows 2000 presents it: every
// drive that arrives takes the next number of its class (from 30 here,
// past the 26 letters), no number is given back, and the MS-DOS name list
// runs to several KB. Each drive still gets its names, the bay driver is
// asked to look when no drive of the class is left to ask, and every name
// goes when the drive leaves.
TEST_F(Service, OnAMachineUpForDays)
{
    int cdrom = bay.AddDrive(CdRom(1, 0, "VORLIX", "CD-ROM CDR-24"));
    int ls120 = bay.AddDrive(Ls120(2, 0, "MAKER", "LS-120 DRIVE"));
    int disk = bay.AddDrive(Disk(3, 0, "DISKMAKE", "FIXED DISK", {{1, 1}}));
    for (int slot : {cdrom, ls120, disk})
        Attach(slot, false);
    bay.machine.behaviour = BAYSIM_NUMBERS_GROW | BAYSIM_LONG_NAME_LIST;
    bay.machine.numbersFrom = 30;
    Boot({MINIPORT_SERVICE, CDROM_CLASS_SERVICE, LS120_CLASS_SERVICE});
    StartService();
    const struct {
        int slot;
        bool attached;
        std::vector<uint8_t> kinds;
        uint8_t mask;
        const char* name; // a name the change gives or takes, and its target after it
        const char* target;
        const char* request; // a request the change must make
    } steps[] = {
        {cdrom, true, {0, 3, 0, 0}, 0x02, "D:", "\\Device\\CdRom30", "CdRomScan"},
        {cdrom, false, {0, 0, 0, 0}, 0x02, "D:", "<none>", "CdRom30 RemoveDrive out=0: ok"},
        {cdrom, true, {0, 3, 0, 0}, 0x02, "D:", "\\Device\\CdRom31", "CdRomScan"}, // none left to ask
        {ls120, true, {0, 3, 3, 0}, 0x04, "A:", "\\Device\\Floppy30", "FloppyScan"},
        {disk, true, {0, 3, 3, 3}, 0x08, "PhysicalDrive30", "\\Device\\Harddisk30\\Partition0", "DiskFindNewDevices"},
        {disk, true, {0, 3, 3, 3}, 0x00, "E:", "\\Device\\Harddisk30\\Partition1", ""}, // (the same change)
        {disk, false, {0, 3, 3, 0}, 0x08, "E:", "<none>", "Harddisk30\\Partition0 RemoveDrive out=0: ok"},
        {ls120, false, {0, 3, 0, 0}, 0x04, "A:", "<none>", "Floppy30 RemoveDrive out=0: ok"},
        {cdrom, false, {0, 0, 0, 0}, 0x02, "D:", "<none>", "CdRom31 RemoveDrive out=0: ok"},
    };
    for (const auto& step : steps) {
        if (step.mask) {
            Attach(step.slot, step.attached);
            Bays(step.kinds, step.mask);
            ChangeBays();
        }
        EXPECT_EQ(step.target, LinkTarget(step.name)) << step.name << " after " << step.request;
        if (step.request[0]) {
            EXPECT_EQ(1u, Count(step.request)) << step.request;
        }
    }
    EXPECT_EQ("<none>", LinkTarget("PhysicalDrive30"));
    EXPECT_TRUE(desktop.Boxes().empty());
}

// A driver that claims 0xFFFFFFFF devices of each class: the start, a
// change and the stop each end in seconds. (What is found at numbers that
// do not exist is the driver's doing; only the walk is bounded here.)
TEST_F(Service, DriverCountsAreBounded)
{
    bay.AddDrive(CdRom(1, 0, "VORLIX", "CD-ROM CDR-24"));
    int second = bay.AddDrive(CdRom(2, 0, "OTHER", "CD-ROM 2"));
    bay.AddLink("D:", "\\Device\\CdRom0");
    Attach(second, false);
    Bays({0, 3, 0, 0}, 0);
    bay.machine.answers = BAYSIM_COUNTS_HUGE;
    Boot({MINIPORT_SERVICE, CDROM_CLASS_SERVICE});
    DWORD started = GetTickCount();
    StartService();
    EXPECT_LT(GetTickCount() - started, 20000u);
    Attach(second, true);
    Bays({0, 3, 3, 0}, 0x04);
    ChangeBays();
    EXPECT_LE(Count("QueryCounts"), 10u) << "the change's own counts, not a walk";
    EXPECT_EQ((DWORD)SERVICE_RUNNING, service.State());
    EXPECT_TRUE(service.Stop(10000));
}

// The desktop's process can end while the service runs (under Wine it
// ends with the last program of the session). A change then still gets
// its letters, without its windows, and the service stays and stops.
TEST(ServiceWithoutDesktop, AChangeAfterTheDesktopEndedIsStillHandled)
{
    BayMachine bay;
    BayService service;
    int cdrom = bay.AddDrive(CdRom(1, 0, "VORLIX", "CD-ROM CDR-24"));
    bay.machine.drives[cdrom].attached = false;
    BayMachine::AddStub(MINIPORT_SERVICE, true);
    BayMachine::AddStub(CDROM_CLASS_SERVICE, true);
    ASSERT_TRUE(bay.Start());
    ASSERT_TRUE(service.Run("-install").finished);
    StoreDword(HKEY_LOCAL_MACHINE, PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, 1);
    ASSERT_TRUE(service.Start());

    // The desktop's process ends, as it does once the last program closes.
    DWORD desktopProcess = 0;
    GetWindowThreadProcessId(GetDesktopWindow(), &desktopProcess);
    ASSERT_NE(0u, desktopProcess);
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, desktopProcess);
    ASSERT_TRUE(process);
    TerminateProcess(process, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 10000));
    CloseHandle(process);

    bay.machine.drives[cdrom].attached = true;
    bay.machine.status[1] = BAY_KIND_IDE;
    bay.machine.status[BAY_STATUS_CHANGE_MASK] = 0x02;
    bay.Change();
    std::string d;
    for (int i = 0; i < 200 && (d = LinkTarget("D:")) == "<none>"; i++)
        Sleep(50);
    EXPECT_EQ("\\Device\\CdRom0", d);
    EXPECT_EQ((DWORD)SERVICE_RUNNING, service.State());
    EXPECT_TRUE(service.Stop(10000)) << "the process is still there to stop";
}

// A search of a class gives letters to every number below its count that
// has none: a number freed in the middle by a removed drive, and the
// floppy drive once it is out, answer nothing, and keep no letter.
TEST_F(Service, NoLetterForANumberThatAnswersNothing)
{
    bay.AddDrive(FloppyDrive());
    int first = bay.AddDrive(Ls120(1, 0, "MAKER", "LS-120 ONE"));
    bay.AddDrive(Ls120(2, 0, "MAKER", "LS-120 TWO"));
    int cdrom = bay.AddDrive(CdRom(3, 0, "VORLIX", "CD-ROM CDR-24"));
    bay.AddLink("A:", "\\Device\\Floppy0");
    bay.AddLink("B:", "\\Device\\Floppy1");
    bay.AddLink("D:", "\\Device\\Floppy2");
    Attach(cdrom, false);
    Bays({0, 3, 3, 0}, 0, 1);
    Boot({MINIPORT_SERVICE, CDROM_CLASS_SERVICE, LS120_CLASS_SERVICE});
    StartService();

    // The first LS-120 drive leaves: its number stays free below the others.
    Attach(first, false);
    Bays({0, 0, 3, 0}, 0x02, 1);
    ChangeBays();
    EXPECT_EQ(1u, Count("Floppy1 RemoveDrive out=0: ok"));
    // The floppy drive goes out of the machine, then a CD-ROM comes in:
    // its rescan has the LS-120 class searched too.
    Bays({0, 0, 3, 0}, 0, 0);
    ChangeBays();
    EXPECT_EQ("<none>", LinkTarget("A:"));
    Attach(cdrom, true);
    Bays({0, 0, 3, 3}, 0x08, 0);
    ChangeBays();
    for (char c = 'A'; c <= 'Z'; c++) {
        char name[3] = {c, ':', 0};
        std::string target = LinkTarget(name);
        EXPECT_NE("\\Device\\Floppy0", target) << name << ": the floppy drive is out";
        EXPECT_NE("\\Device\\Floppy1", target) << name << ": no drive has this number now";
    }
    EXPECT_EQ("\\Device\\Floppy2", LinkTarget("D:")) << "the drive that stayed keeps its letter";
    EXPECT_EQ("\\Device\\CdRom0", LinkTarget("E:")) << "the CD-ROM, the first free letter from C:";
}
