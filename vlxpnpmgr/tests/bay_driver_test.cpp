// The bay driver's requests and the drive-letter links, against the
// simulated machine: the bytes each request carries as the driver
// received them, how it was opened, and what succeeds and what fails.
#include <gtest/gtest.h>

#include "bay_bench.h"
#include "bay_driver.h"
#include "drive_links.h"

using namespace baytest;

namespace {

struct RequestCase {
    const char* name;
    std::function<bool()> send;
    unsigned failBit;
    const char* expected; // the request's line, without the outcome
};

} // namespace

TEST(BayDriver, EveryRequestAsTheDriverReceivesIt)
{
    BayMachine bay;
    bay.machine.status[0] = BAY_KIND_IDE;
    bay.machine.status[BAY_STATUS_OTHER_FLOPPY] = 1;
    bay.machine.status[BAY_STATUS_CHANGE_MASK] = 0x05;
    bay.AddDrive(CdRom(1, 0, "VENDOR", "CD-ROM DRIVE"));
    BayMachine::AddStub(CDROM_CLASS_SERVICE, true);
    ASSERT_TRUE(bay.Start());

    BayStatus status;
    DeviceCounts counts;
    const RequestCase cases[] = {
        {"QueryBayStatus", [&] { return QueryBayStatus(&status); }, BAYSIM_FAIL_STATUS,
         "swapctl0 QueryStatus out=9"},
        {"QueryDeviceCounts", [&] { return QueryDeviceCounts(&counts); }, BAYSIM_FAIL_COUNTS,
         "swapctl0 QueryCounts out=32"},
        {"define link", [] { return SendDefineLink("\\DosDevices\\R:", "\\Device\\CdRom0"); },
         BAYSIM_FAIL_DEFINE_LINK, "swapctl0 DefineLink [\\DosDevices\\R:|\\Device\\CdRom0|] out=0"},
        {"remove link", [] { return SendRemoveLink("\\DosDevices\\R:"); }, BAYSIM_FAIL_REMOVE_LINK,
         "swapctl0 RemoveLink [\\DosDevices\\R:|] out=0"},
        {"RequestCdRomScan", [] { return RequestCdRomScan(); }, BAYSIM_FAIL_CDROM_SCAN, "swapctl0 CdRomScan out=4"},
        {"RequestFloppyScan", [] { return RequestFloppyScan(); }, BAYSIM_FAIL_FLOPPY_SCAN,
         "swapctl0 FloppyScan out=4"},
    };
    // Every code needs read and write access: the system refuses it on a
    // handle without both, so a request that succeeds was opened for both.
    const char* const opens[] = {
        "swapctl0 open share=read+write", "swapctl0 open share=write", "swapctl0 open share=read+write",
        "swapctl0 open share=read+write", "swapctl0 open share=write", "swapctl0 open share=write",
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        const RequestCase& c = cases[i];
        bay.ClearLog();
        EXPECT_TRUE(c.send()) << c.name;
        std::vector<std::string> log = bay.Log();
        ASSERT_EQ(2u, log.size()) << c.name;
        EXPECT_EQ(opens[i], log[0]) << c.name;
        EXPECT_EQ(std::string(c.expected) + ": ok", log[1].substr(0, log[1].find(": ok") + 4)) << c.name;

        bay.machine.fail = c.failBit;
        bay.Change();
        bay.ClearLog();
        EXPECT_FALSE(c.send()) << c.name << " refused";
        log = bay.Log();
        ASSERT_EQ(2u, log.size()) << c.name;
        EXPECT_EQ(std::string(c.expected) + ": refused", log[1]) << c.name;
        bay.machine.fail = 0;
        bay.Change();
    }

    // What the answers carry.
    ASSERT_TRUE(QueryBayStatus(&status));
    EXPECT_EQ(BAY_KIND_IDE, status.Kind[0]);
    EXPECT_EQ(1, status.OtherFloppy);
    EXPECT_EQ(0x05, status.ChangeMask);
    ASSERT_TRUE(QueryDeviceCounts(&counts));
    EXPECT_EQ(1u, counts.Disks);
    EXPECT_EQ(0u, counts.Floppies);
    EXPECT_EQ(1u, counts.CdRoms);

    // The scan codes need read and write access: the system refuses them
    // on a handle opened for writing only, before the driver sees them.
    bay.ClearLog();
    HANDLE writeOnly = CreateFileA(BAY_DRIVER_PATH, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writeOnly);
    BYTE answer[4];
    DWORD returned = 0;
    EXPECT_FALSE(DeviceIoControl(writeOnly, BAY_IOCTL_CDROM_SCAN, nullptr, 0, answer, sizeof answer, &returned, nullptr));
    EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, GetLastError());
    CloseHandle(writeOnly);
    EXPECT_TRUE(bay.LogWith("CdRomScan").empty());

    // A status answer one byte short is no status.
    bay.machine.answers = BAYSIM_SHORT_STATUS;
    bay.Change();
    EXPECT_FALSE(QueryBayStatus(&status));

    // Counts are the driver's, however large: numbers only grow, and the
    // walks over them are bounded instead.
    bay.machine.answers = BAYSIM_COUNTS_HUGE;
    bay.Change();
    ASSERT_TRUE(QueryDeviceCounts(&counts));
    EXPECT_EQ(0xFFFFFFFFu, counts.Disks);
    EXPECT_EQ(0xFFFFFFFFu, counts.Floppies);
    EXPECT_EQ(0xFFFFFFFFu, counts.CdRoms);
}

namespace {

// The MS-DOS names in the system's own order.
std::vector<std::string> DosNames()
{
    std::vector<char> list(65536);
    DWORD n = QueryDosDeviceA(nullptr, list.data(), (DWORD)list.size());
    std::vector<std::string> names;
    for (DWORD at = 0; at < n && list[at];) {
        names.push_back(&list[at]);
        at += (DWORD)names.back().size() + 1;
    }
    return names;
}

size_t PlaceOf(const std::vector<std::string>& names, const std::string& name)
{
    for (size_t i = 0; i < names.size(); i++) {
        if (names[i] == name)
            return i;
    }
    return names.size();
}

std::string Found(const char* ntName)
{
    char name[40];
    return FindDosName(ntName, name, sizeof name) ? name : "<none>";
}

} // namespace

TEST(DriveLinks, LettersAreChosenFoundMadeAndRemoved)
{
    BayMachine bay;
    bay.AddDrive(FloppyDrive());
    bay.AddDrive(CdRom(1, 0, "VENDOR", "CD-ROM DRIVE"));
    bay.AddLink("A:", "\\Device\\Floppy0");
    BayMachine::AddStub(CDROM_CLASS_SERVICE, true);
    ASSERT_TRUE(bay.Start());

    char letter[3];
    ASSERT_EQ(2, FirstFreeDriveLetter(0, letter, sizeof letter));
    EXPECT_STREQ("B:", letter) << "A: and C: taken";
    ASSERT_EQ(2, FirstFreeDriveLetter(2, letter, sizeof letter));
    EXPECT_STREQ("D:", letter);
    EXPECT_EQ(0, FirstFreeDriveLetter(0, letter, 2)) << "no room for the letter, its colon and NUL";

    // No name: the first free letter from C:.
    bay.ClearLog();
    EXPECT_TRUE(DefineDriveLink(nullptr, "\\Device\\CdRom0"));
    EXPECT_EQ(std::vector<std::string>{"swapctl0 DefineLink [\\DosDevices\\D:|\\Device\\CdRom0|] out=0: ok"},
              bay.LogWith("DefineLink"));
    EXPECT_EQ("\\Device\\CdRom0", LinkTarget("D:"));
    EXPECT_TRUE(GetLogicalDrives() & (1u << 3));
    EXPECT_EQ("D:", Found("\\Device\\CdRom0"));
    EXPECT_EQ("<none>", Found("\\device\\cdrom0")) << "names are compared exactly";
    EXPECT_EQ("A:", Found("\\Device\\Floppy0"));

    // Two names for one device: the one the system lists first.
    EXPECT_TRUE(DefineDriveLink("E:", "\\Device\\CdRom0"));
    std::vector<std::string> names = DosNames();
    EXPECT_EQ(PlaceOf(names, "D:") < PlaceOf(names, "E:") ? "D:" : "E:", Found("\\Device\\CdRom0"));
    EXPECT_FALSE(DefineDriveLink("E:", "\\Device\\CdRom0")) << "a taken name is refused by the driver";

    EXPECT_TRUE(RemoveDriveLink("D:"));
    EXPECT_TRUE(RemoveDriveLink("E:"));
    EXPECT_EQ("<none>", LinkTarget("D:"));
    EXPECT_FALSE(GetLogicalDrives() & (1u << 3));
    EXPECT_EQ("<none>", Found("\\Device\\CdRom0"));
    EXPECT_FALSE(RemoveDriveLink("D:")) << "gone already";

    // Names too long for their buffers are refused before any request.
    bay.ClearLog();
    EXPECT_FALSE(RemoveDriveLink(std::string(28, 'N').c_str()));
    EXPECT_FALSE(DefineDriveLink(std::string(68, 'N').c_str(), "\\Device\\CdRom0"));
    EXPECT_FALSE(DefineDriveLink("F:", nullptr));
    EXPECT_TRUE(bay.Log().empty());
    EXPECT_FALSE(RemoveDriveLink(std::string(27, 'N').c_str())) << "fits, reaches the driver, no such link";
    EXPECT_EQ(1u, bay.LogWith("RemoveLink").size());
}

TEST(DriveLinks, NoFreeLetter)
{
    BayMachine bay;
    // C: to Z: all taken.
    for (char c = 'D'; c <= 'Z'; c++) {
        char name[3] = {c, ':', 0};
        bay.AddLink(name, "\\Device\\Harddisk0\\Partition1");
    }
    ASSERT_TRUE(bay.Start());
    char letter[3];
    EXPECT_EQ(0, FirstFreeDriveLetter(2, letter, sizeof letter));
    ASSERT_EQ(2, FirstFreeDriveLetter(0, letter, sizeof letter));
    EXPECT_STREQ("A:", letter);
    EXPECT_FALSE(DefineDriveLink(nullptr, "\\Device\\CdRom0"));
    EXPECT_TRUE(bay.LogWith("DefineLink").empty()) << "no request reaches the driver";
}

// Lists of any size are read whole: the name list of Windows 2000 and a
// target past 2,048 characters. A name that cannot be read at all ends
// the search: devices linked only under later names are not found.
TEST(DriveLinks, LongListsAreReadAndAnUnreadableNameEndsTheSearch)
{
    BayMachine other;
    other.machine.behaviour = BAYSIM_LONG_NAME_LIST;
    const char* const devices[] = {"\\Device\\CdRom0", "\\Device\\CdRom1", "\\Device\\CdRom2", "\\Device\\CdRom3",
                                   "\\Device\\CdRom4", "\\Device\\CdRom5"};
    const char* const links[] = {"G:", "H:", "K:", "P:", "S:", "W:"};
    other.AddLink("LONGNAME", "\\Device\\Long", BAYSIM_LINK_LONG_TARGET);
    other.AddLink("R:", "\\Device\\Long", BAYSIM_LINK_LONG_TARGET);
    for (size_t i = 0; i < 6; i++)
        other.AddLink(links[i], devices[i]);
    ASSERT_TRUE(other.Start());
    std::vector<std::string> names = DosNames();
    size_t listed = 0;
    for (const std::string& name : names)
        listed += name.size() + 1;
    ASSERT_GT(listed, 2048u) << "a list longer than the first buffer";
    for (size_t i = 0; i < 6; i++)
        EXPECT_EQ(links[i], Found(devices[i])) << links[i] << ": found past the long names";
    std::string longTarget = "\\Device\\Long" + std::string(2100 - 12, 'x'); // as the machine pads it
    EXPECT_TRUE(LinkLeadsTo("R:", longTarget.c_str())) << "a target past 2,048 characters is read whole";

    other.AddLink("UNREADABLE", "\\Device\\None", BAYSIM_LINK_UNREADABLE);
    other.Set();
    names = DosNames();
    size_t failing = PlaceOf(names, "UNREADABLE");
    ASSERT_LT(failing, names.size());
    size_t after = 0;
    for (size_t i = 0; i < 6; i++) {
        bool listedBefore = PlaceOf(names, links[i]) < failing;
        EXPECT_EQ(listedBefore ? links[i] : "<none>", Found(devices[i])) << links[i];
        after += !listedBefore;
    }
    EXPECT_GT(after, 0u) << "the system lists no test name after the failing one";
}
