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
    BayMachine::AddStub("vlxcdrom", true);
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

    // A status answer one byte short is no status.
    bay.machine.answers = BAYSIM_SHORT_STATUS;
    bay.Change();
    EXPECT_FALSE(QueryBayStatus(&status));
}
