// Benchmark (not a test): how long the service takes to handle a bay
// change, from the machine firing its event to the last request the
// service makes for that change, with progress windows off. Run by
// `make bench` (tools/bench-baymgr).
#include <gtest/gtest.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bay_bench.h"
#include "drive_links.h"
#include "parameters.h"
#include "service_bench.h"

using namespace baytest;

namespace {

const int kRounds = 20;

class Timing : public ::testing::Test {
protected:
    BayMachine bay;
    DesktopWatcher desktop;
    DriveWindow myComputer;
    BayService service;
    std::vector<double> ms;

    void Start(std::initializer_list<const char*> running)
    {
        for (const char* stub : running)
            BayMachine::AddStub(stub, true);
        ASSERT_TRUE(bay.Start());
        ASSERT_TRUE(service.Run("-install").finished);
        StoreDword(HKEY_LOCAL_MACHINE, PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, 0);
        ASSERT_TRUE(service.Start());
        ASSERT_TRUE(myComputer.WaitTold(1));
    }

    void Status(std::vector<uint8_t> kinds, uint8_t mask)
    {
        for (size_t i = 0; i < 4; i++)
            bay.machine.status[i] = kinds[i];
        bay.machine.status[BAY_STATUS_CHANGE_MASK] = mask;
    }

    // One change, handled to its end; its time is kept when measured.
    void Change(bool measured)
    {
        int told = myComputer.Told();
        bay.Change();
        ASSERT_TRUE(myComputer.WaitTold(told + 1));
        BaySimTimes t = bay.Times();
        if (measured)
            ms.push_back((double)(t.lastRequest - t.fired) / 10000.0);
    }

    void Report(const char* what)
    {
        std::sort(ms.begin(), ms.end());
        printf("%-72s %6zu %10.1f %10.1f %10.1f\n", what, ms.size(), ms.front(), ms[ms.size() / 2], ms.back());
    }
};

// Each change twice: on a machine just booted (few names, numbers given
// back) and on one up for days as Windows 2000 presents it (a name list
// of several KB, numbers that only grow, from 300).
const struct Machine {
    const char* name;
    uint32_t behaviour;
} kMachines[] = {{"", 0}, {" (Windows 2000 list, numbers from 300)", BAYSIM_NUMBERS_GROW | BAYSIM_LONG_NAME_LIST}};

void Unkind(BayMachine& bay, const Machine& m)
{
    bay.machine.behaviour = m.behaviour;
    bay.machine.numbersFrom = m.behaviour ? 300 : 0;
}

class TimingOn : public Timing, public ::testing::WithParamInterface<Machine> {};

TEST_P(TimingOn, ACdRomArrives)
{
    int cdrom = bay.AddDrive(CdRom(1, 0, "VORLIX", "CD-ROM CDR-24"));
    bay.machine.drives[cdrom].attached = 0;
    Unkind(bay, GetParam());
    Start({MINIPORT_SERVICE, CDROM_CLASS_SERVICE});
    for (int i = 0; i < kRounds; i++) {
        bay.machine.drives[cdrom].attached = 1;
        Status({0, 3, 0, 0}, 0x02);
        Change(true);
        bay.machine.drives[cdrom].attached = 0;
        Status({0, 0, 0, 0}, 0x02);
        Change(false);
    }
    Report((std::string("a CD-ROM arriving") + GetParam().name).c_str());
}

TEST_P(TimingOn, AHardDiskWithFourPartitionsArrives)
{
    int disk = bay.AddDrive(Disk(3, 0, "DISKMAKE", "FIXED DISK", {{1, 1}, {2, 1}, {3, 1}, {4, 1}}));
    bay.machine.drives[disk].attached = 0;
    Unkind(bay, GetParam());
    Start({MINIPORT_SERVICE});
    for (int i = 0; i < kRounds; i++) {
        bay.machine.drives[disk].attached = 1;
        Status({0, 0, 0, 3}, 0x08);
        Change(true);
        bay.machine.drives[disk].attached = 0;
        Status({0, 0, 0, 0}, 0x08);
        Change(false);
    }
    Report((std::string("a hard disk with four partitions arriving") + GetParam().name).c_str());
}

TEST_P(TimingOn, AWarmSwap)
{
    int disk = bay.AddDrive(Disk(3, 0, "DISKMAKE", "FIXED DISK", {{1, 1}}));
    int cdrom = bay.AddDrive(CdRom(3, 0, "VORLIX", "CD-ROM CDR-24"));
    bay.machine.drives[cdrom].attached = 0;
    Status({0, 0, 0, 3}, 0);
    Unkind(bay, GetParam());
    Start({MINIPORT_SERVICE, CDROM_CLASS_SERVICE});
    StoreDword(HKEY_LOCAL_MACHINE, PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE, 1);
    for (int i = 0; i < kRounds; i++) {
        bool toCdRom = i % 2 == 0;
        bay.machine.drives[disk].attached = !toCdRom;
        bay.machine.drives[cdrom].attached = toCdRom;
        Status({0, 0, 0, 3}, 0x08);
        Change(true);
    }
    Report((std::string("a warm swap (disk and CD-ROM in turn)") + GetParam().name).c_str());
}

INSTANTIATE_TEST_SUITE_P(Machines, TimingOn, ::testing::ValuesIn(kMachines));

} // namespace
