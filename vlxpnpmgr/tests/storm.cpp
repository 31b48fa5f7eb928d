// Storms of bay changes against the real service: a seeded, reproducible
// sequence of every kind of drive into and out of every bay, warm swapping
// on and off, changes that arrive while the previous one is handled,
// refused rescans and removals. After each change settles, the drive
// links must be what the bays hold; where the service is meant to leave
// them otherwise (warm swapping off, a refused removal or rescan) the
// check knows why. One service process takes the whole storm: its
// handles, private memory and threads are measured at start and end.
// The machine can be made as unkind as one up for days (sim/bay_sim.h):
// numbers that only grow (from FROM after boot), the long name list of
// Windows 2000, class drivers slow to start and stop (then stopped at
// boot, for the service to start them).
//   vlxpnpmgr_storm [--changes=N] [--seed=S] [--verbose[=FROM]]
//                   [--numbers-grow[=FROM]] [--long-names] [--slow-drivers[=MS]] [gtest options]
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "bay_bench.h"
#include "bay_driver.h"
#include "bay_plan.h"
#include "drive_links.h"
#include "identify.h"
#include "parameters.h"
#include "service_bench.h"
#include "services.h"

using namespace baytest;

namespace {

int g_changes = 300;
int g_verboseFrom = -1; // --verbose[=N]: every change (from the Nth) in words, and the links after it
unsigned g_seed = 18;
uint32_t g_behaviour = 0, g_numbersFrom = 0, g_slowDriverMs = 0; // the machine's BAYSIM_NUMBERS_GROW ...

enum Kind { kEmpty, kCdRom, kLs120, kDisk, kFloppy };
const char* const kKindNames[] = {"empty", "CD-ROM", "LS-120", "disk", "floppy"};
const char kFloppyDevice[] = "\\Device\\Floppy0";

// What a bay holds, and whether the service was asked to install it.
struct BayState {
    Kind kind = kEmpty;
    bool settled = true;
    bool rescanned = false; // its port was rescanned since it came
    // A drive that left the bay seen by the port but never named: the
    // port keeps it until its next rescan, and a later search of its
    // class can still find it and give it a letter.
    Kind ghost = kEmpty;
};

struct ProcessFigures {
    DWORD handles = 0, threads = 0;
    SIZE_T privateBytes = 0, workingSet = 0;
};

// The handle table of the whole system, as the native call gives it.
struct SystemHandle {
    ULONG ownerPid;
    BYTE objectType, flags;
    USHORT value;
    PVOID object;
    ULONG access;
};
typedef LONG(WINAPI* QuerySystemInformation)(ULONG, PVOID, ULONG, PULONG);

DWORD HandlesOf(DWORD processId)
{
    QuerySystemInformation query =
        (QuerySystemInformation)(void*)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation");
    if (!query)
        return 0;
    std::vector<BYTE> buffer(1 << 16);
    for (int tries = 0; tries < 12; tries++) {
        ULONG needed = 0;
        LONG status = query(16 /* system handle information */, buffer.data(), (ULONG)buffer.size(), &needed);
        if (status == 0) {
            ULONG count = *(const ULONG*)buffer.data();
            const SystemHandle* handles = (const SystemHandle*)(buffer.data() + sizeof(void*));
            DWORD own = 0;
            for (ULONG i = 0; i < count && (const BYTE*)(handles + i + 1) <= buffer.data() + buffer.size(); i++)
                own += handles[i].ownerPid == processId;
            return own;
        }
        buffer.resize(buffer.size() * 2);
    }
    return 0;
}

// A process's handles, private memory (the committed bytes) and threads.
ProcessFigures Measure(DWORD processId)
{
    ProcessFigures f;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (process) {
        GetProcessHandleCount(process, &f.handles);
        PROCESS_MEMORY_COUNTERS_EX memory;
        ZeroMemory(&memory, sizeof memory);
        if (GetProcessMemoryInfo(process, (PROCESS_MEMORY_COUNTERS*)&memory, sizeof memory)) {
            f.privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
            f.workingSet = memory.WorkingSetSize;
        }
        CloseHandle(process);
    }
    if (!f.handles)
        f.handles = HandlesOf(processId);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 thread;
    thread.dwSize = sizeof thread;
    for (BOOL more = Thread32First(snapshot, &thread); more; more = Thread32Next(snapshot, &thread)) {
        if (thread.th32OwnerProcessID == processId)
            f.threads++;
    }
    CloseHandle(snapshot);
    return f;
}

DWORD ServiceProcess()
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE handle = manager ? OpenServiceA(manager, SERVICE_NAME, SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS_PROCESS status;
    ZeroMemory(&status, sizeof status);
    DWORD needed = 0;
    if (handle)
        QueryServiceStatusEx(handle, SC_STATUS_PROCESS_INFO, (BYTE*)&status, sizeof status, &needed);
    if (handle)
        CloseServiceHandle(handle);
    if (manager)
        CloseServiceHandle(manager);
    return status.dwProcessId;
}

class Storm : public ::testing::Test {
protected:
    BayMachine bay; // first made, last gone: it cleans every service
    DesktopWatcher desktop;
    DriveWindow myComputer;
    BayService service;

    BayState bays[BAY_COUNT];
    bool floppyOutside = true;
    // The class drivers an administrator stopped (CD-ROM, LS-120): the
    // service starts one again at the next search, and the started driver
    // gives every drive of its class a further letter.
    bool driverStopped[2] = {false, false};
    int extraLetters[BAY_COUNT] = {}; // further letters the bay's drive has from such starts
    int slots[BAY_COUNT][3]; // the bay's CD-ROM, LS-120 and disk
    uint32_t random = 0;

    // The figures of the storm.
    int changes = 0, mismatches = 0, crashes = 0, hangs = 0;
    double totalMs = 0, longestMs = 0;
    std::vector<double> changeMs; // each change's time, for the median

    uint32_t Next(uint32_t below)
    {
        random ^= random << 13;
        random ^= random >> 17;
        random ^= random << 5;
        return random % below;
    }

    void Boot()
    {
        random = g_seed * 2654435761u + 1;
        for (int b = 0; b < BAY_COUNT; b++) {
            uint8_t port, target;
            BayAddress(b, &port, &target);
            char vendor[9];
            snprintf(vendor, sizeof vendor, "BAY%d", b);
            slots[b][0] = bay.AddDrive(CdRom(port, target, vendor, "CD-ROM"));
            slots[b][1] = bay.AddDrive(Ls120(port, target, vendor, "LS-120 DRIVE"));
            slots[b][2] = bay.AddDrive(Disk(port, target, vendor, "DISK", {}));
            for (int k = 0; k < 3; k++)
                bay.machine.drives[slots[b][k]].attached = false;
        }
        // The floppy drive is there from boot, outside the bays: the first
        // floppy-class device, named A:.
        bay.AddDrive(FloppyDrive());
        bay.AddLink("A:", kFloppyDevice);
        bay.machine.status[BAY_STATUS_OTHER_FLOPPY] = 1;
        bay.machine.behaviour = g_behaviour;
        bay.machine.numbersFrom = g_numbersFrom;
        bay.machine.slowDriverMs = g_slowDriverMs;
        // Slow class drivers are left for the service to start: slowly, as
        // the machine is set up first.
        bool slow = (g_behaviour & BAYSIM_SLOW_DRIVERS) != 0;
        BayMachine::AddStub(MINIPORT_SERVICE, true);
        if (!slow) {
            for (const char* stub : {CDROM_CLASS_SERVICE, LS120_CLASS_SERVICE})
                BayMachine::AddStub(stub, true);
        }
        ASSERT_TRUE(bay.Start());
        if (slow) {
            for (const char* stub : {CDROM_CLASS_SERVICE, LS120_CLASS_SERVICE})
                BayMachine::AddStub(stub, false);
        }
        ASSERT_TRUE(service.Run("-install").finished);
        ASSERT_TRUE(service.Start());
        ASSERT_TRUE(myComputer.WaitTold(1));
    }

    int SlotOf(int b, Kind kind) const { return slots[b][kind == kCdRom ? 0 : kind == kLs120 ? 1 : 2]; }

    bool FloppyPresent() const
    {
        if (floppyOutside)
            return true;
        for (const BayState& s : bays) {
            if (s.kind == kFloppy)
                return true;
        }
        return false;
    }

    // Puts the bay's new content into the machine: its drive attached, the
    // others of the bay not, its kind in the status.
    void Fill(int b, Kind kind, int partitions)
    {
        for (int k = 0; k < 3; k++)
            bay.machine.drives[slots[b][k]].attached = false;
        if (kind == kCdRom || kind == kLs120 || kind == kDisk) {
            BaySimDrive& d = bay.machine.drives[SlotOf(b, kind)];
            d.attached = true;
            if (kind == kDisk) {
                d.partitionCount = (uint8_t)partitions;
                for (int p = 0; p < partitions; p++)
                    d.partitions[p] = {(uint8_t)(p + 1), 1};
            }
        }
        bay.machine.status[b] = kind == kEmpty ? BAY_KIND_EMPTY : kind == kFloppy ? BAY_KIND_FLOPPY : BAY_KIND_IDE;
        bays[b].kind = kind;
        extraLetters[b] = 0;
    }

    // The drive links of the machine: letters and disk names, whatever
    // the disk numbers have grown to.
    static std::map<std::string, std::string> Links()
    {
        std::map<std::string, std::string> links;
        static char list[1 << 16];
        DWORD n = QueryDosDeviceA(nullptr, list, sizeof list);
        char target[4096];
        for (DWORD at = 0; at < n && list[at]; at += (DWORD)strlen(list + at) + 1) {
            const char* name = list + at;
            bool letter = name[0] && name[1] == ':' && !name[2];
            bool disk = _strnicmp(name, "PhysicalDrive", 13) == 0 && name[13] &&
                        strspn(name + 13, "0123456789") == strlen(name + 13);
            if ((letter || disk) && QueryDosDeviceA(name, target, sizeof target))
                links[name] = target;
        }
        return links;
    }

    // The bay whose drive answers under the name, or -1.
    static int BayOf(const std::string& name)
    {
        char path[64];
        DrivePath(path, sizeof path, name.c_str());
        ScsiAddress address;
        if (!QueryScsiAddressAndClose(OpenDriveForQuery(path), &address))
            return -1;
        for (int b = 0; b < BAY_COUNT; b++) {
            uint8_t port, target;
            BayAddress(b, &port, &target);
            if (address.port == port && address.target == target)
                return b;
        }
        return -1;
    }

    static Kind ClassOf(const std::string& target)
    {
        if (target.compare(0, 13, "\\Device\\CdRom") == 0)
            return kCdRom;
        if (target.compare(0, 14, "\\Device\\Floppy") == 0)
            return target == kFloppyDevice ? kFloppy : kLs120;
        return target.compare(0, 16, "\\Device\\Harddisk") == 0 ? kDisk : kEmpty;
    }

    static bool IsSystem(const std::string& name, const std::string& target)
    {
        return target.compare(0, 18, "\\Device\\Harddisk0\\") == 0 && (name == "C:" || name == "PhysicalDrive0");
    }

    std::string what_; // the change being checked, in words

    static int LettersInUse(const std::map<std::string, std::string>& links)
    {
        int used = 0;
        for (const auto& link : links)
            used += link.first.size() == 2;
        return used;
    }

    // An administrator stops a running class driver, or starts a stopped
    // one again (which then finds nothing new: every drive its ports show
    // was found before it stopped).
    void ToggleClassDriver(int which)
    {
        const char* name = which == 0 ? CDROM_CLASS_SERVICE : LS120_CLASS_SERVICE;
        if (driverStopped[which]) {
            EXPECT_TRUE(testkit::StartNamedService(name)) << name;
            driverStopped[which] = false;
        } else {
            EXPECT_TRUE(testkit::StopService(name)) << name;
            driverStopped[which] = true;
        }
        what_ += std::string(", ") + name + (driverStopped[which] ? " stopped" : " started");
    }

    // A search ran (a rescan succeeded): the service started every class
    // driver that was stopped, and the driver gave each drive of its class
    // that stayed a further letter (the floppy drive too, for the LS-120
    // class: no check counts its letters).
    void SearchedWithDrivers(const std::vector<int>& arrived)
    {
        for (int which = 0; which < 2; which++) {
            if (!driverStopped[which])
                continue;
            driverStopped[which] = false;
            Kind kind = which == 0 ? kCdRom : kLs120;
            for (int b = 0; b < BAY_COUNT; b++) {
                bool isNew = std::find(arrived.begin(), arrived.end(), b) != arrived.end();
                if (bays[b].kind == kind && bays[b].settled && !isNew)
                    extraLetters[b]++;
            }
        }
    }

    void Mismatch(const std::string& what)
    {
        if (mismatches++ < 20)
            ADD_FAILURE() << "change " << changes << " (seed " << g_seed << ", " << what_ << "): " << what;
    }

    // The links of the bay's drive (by the address they answer with).
    static std::map<std::string, std::string> LinksOfBay(const std::map<std::string, std::string>& links, int b)
    {
        std::map<std::string, std::string> of;
        for (const auto& link : links) {
            if (!IsSystem(link.first, link.second) && ClassOf(link.second) != kFloppy && BayOf(link.first) == b)
                of.insert(link);
        }
        return of;
    }

    // After a refused removal the drive stays in use though it has left:
    // its letters are excused, and then taken away as an administrator
    // would, with the removal request the service could not get through.
    void TakeAway(const std::map<std::string, std::string>& excused)
    {
        // The machine no longer refuses: a quiet event carries that over.
        if (bay.machine.fail) {
            bay.machine.fail = 0;
            bay.machine.status[BAY_STATUS_CHANGE_MASK] = 0;
            int told = myComputer.Told();
            bay.Change();
            myComputer.WaitTold(told + 1, 30000);
        }
        bool removed = false;
        for (const auto& link : excused) {
            if (!removed) {
                char path[64];
                DrivePath(path, sizeof path, link.first.c_str());
                HANDLE drive = OpenDriveForQuery(path);
                DWORD returned = 0;
                removed = drive != INVALID_HANDLE_VALUE &&
                          DeviceIoControl(drive, BAY_IOCTL_REMOVE_DRIVE, nullptr, 0, nullptr, 0, &returned, nullptr);
                if (drive != INVALID_HANDLE_VALUE)
                    CloseHandle(drive);
            }
            RemoveDriveLink(link.first.c_str());
        }
    }

    // The whole check after a change settled.
    void Check(const std::map<std::string, std::string>& before, const std::vector<int>& touched, bool floppyTouched,
               const std::map<std::string, std::string>& excused)
    {
        std::map<std::string, std::string> now = Links();
        auto c = now.find("C:");
        if (c == now.end() || c->second != "\\Device\\Harddisk0\\Partition1")
            Mismatch("the system disk's letter was touched");
        // Every link leads to what a bay holds now.
        int countOfBay[BAY_COUNT] = {};
        int namesOfBay[BAY_COUNT] = {};
        bool floppyNamed = false;
        for (const auto& link : now) {
            if (IsSystem(link.first, link.second))
                continue;
            Kind kind = ClassOf(link.second);
            if (kind == kFloppy) {
                floppyNamed = true;
                if (!FloppyPresent())
                    Mismatch(link.first + " left for the floppy drive that left");
                continue;
            }
            auto excuse = excused.find(link.first);
            if (excuse != excused.end() && excuse->second == link.second)
                continue;
            bool staleDevice = false; // a name of a drive that left unseen, or a further letter of it
            for (const auto& stale : stale_)
                staleDevice = staleDevice || stale.second == link.second;
            if (staleDevice)
                continue;
            int b = BayOf(link.first);
            bool forgottenGhost = false;
            for (Kind ghost : rescannedGhosts_)
                forgottenGhost = forgottenGhost || (b < 0 && ghost == kind);
            if (forgottenGhost || (b >= 0 && bays[b].kind != kind && bays[b].ghost == kind)) {
                ghosts_.insert(link);
                continue;
            }
            if (b < 0 || bays[b].kind != kind) {
                Mismatch(link.first + " -> " + link.second + " leads to no " + kKindNames[kind] + " in a bay (" +
                         (b < 0 ? std::string("no drive answers") : "bay " + std::to_string(b) + " holds " +
                                                                        kKindNames[bays[b].kind]) + ")");
                continue;
            }
            if (link.first.compare(0, 13, "PhysicalDrive") == 0)
                namesOfBay[b]++;
            else
                countOfBay[b]++;
        }
        if (FloppyPresent() && !floppyNamed)
            Mismatch("the floppy drive has no letter");
        // Every drive the service was asked to install has its names.
        for (int b = 0; b < BAY_COUNT; b++) {
            const BayState& s = bays[b];
            if (!s.settled || s.kind == kEmpty || s.kind == kFloppy)
                continue;
            int wanted = (s.kind == kDisk ? bay.machine.drives[SlotOf(b, kDisk)].partitionCount : 1) + extraLetters[b];
            // With every letter taken (further letters pile up while drives
            // stay), a drive gets fewer: the check then knows why.
            bool short_ = countOfBay[b] < wanted && LettersInUse(now) >= 26;
            if ((countOfBay[b] != wanted && !short_) || namesOfBay[b] != (s.kind == kDisk ? 1 : 0))
                Mismatch(std::string("bay ") + std::to_string(b) + " (" + kKindNames[s.kind] + ") has " +
                         std::to_string(countOfBay[b]) + " letters and " + std::to_string(namesOfBay[b]) +
                         " disk names");
        }
        // No letter moved for a drive that stayed.
        for (const auto& link : before) {
            Kind kind = ClassOf(link.second);
            if (IsSystem(link.first, link.second) || (kind == kFloppy && floppyTouched))
                continue;
            if (kind != kFloppy) {
                auto was = bayOfLink_.find(link.first);
                int b = was == bayOfLink_.end() ? -1 : was->second;
                bool wasTouched = false;
                for (int t : touched)
                    wasTouched = wasTouched || t == b;
                if (b < 0 || wasTouched || stale_.count(link.first))
                    continue;
            }
            auto after = now.find(link.first);
            if (after == now.end() || after->second != link.second)
                Mismatch(link.first + " -> " + link.second + " moved or went, though its drive stayed");
        }
        // Stale names the service took away since are no longer excused.
        for (auto it = stale_.begin(); it != stale_.end();) {
            auto found = now.find(it->first);
            it = found == now.end() || found->second != it->second ? stale_.erase(it) : std::next(it);
        }
    }

    // Letters a search gave to a ghost: excused, then taken away. A search
    // made before its bay's rescan (the first of two changes handled one
    // after the other) can name a ghost that the rescan then forgets: its
    // letter answers nothing at all.
    std::map<std::string, std::string> ghosts_;
    std::vector<Kind> rescannedGhosts_;

    // Links of drives that left while the service was not to act on it
    // (warm swapping off): kept by the service until the bay is seen empty.
    std::map<std::string, std::string> stale_;

    // Which bay each link of the previous state answered for.
    std::map<std::string, int> bayOfLink_;

    // The bay's port is rescanned for what arrived: it forgets a ghost.
    void Arrive(int b)
    {
        if (bays[b].ghost != kEmpty)
            rescannedGhosts_.push_back(bays[b].ghost);
        bays[b].settled = true;
        bays[b].rescanned = true;
        bays[b].ghost = kEmpty;
    }

    // What leaves the bay: the service takes its links (no longer stale),
    // and a drive seen but never named stays behind as a ghost.
    void Leave(int b, const std::map<std::string, std::string>& before)
    {
        for (const auto& link : LinksOfBay(before, b))
            stale_.erase(link.first);
        if (!bays[b].settled && bays[b].rescanned && bays[b].kind != kFloppy)
            bays[b].ghost = bays[b].kind;
    }

    // One change of the storm: chosen, made, waited for and checked.
    void OneChange()
    {
        std::map<std::string, std::string> before = Links();
        bayOfLink_.clear();
        for (const auto& link : before) {
            if (!IsSystem(link.first, link.second) && ClassOf(link.second) != kFloppy)
                bayOfLink_[link.first] = BayOf(link.first);
        }
        bay.machine.fail = 0;
        bay.machine.status[BAY_STATUS_CHANGE_MASK] = 0;
        rescannedGhosts_.clear();
        what_.clear();
        if (Next(100) < 3) {
            // Mostly the driver of a class a bay holds: its drives then get
            // their further letters at the next search.
            int which = (int)Next(2);
            for (int b = 0, first = (int)Next(BAY_COUNT); b < BAY_COUNT; b++) {
                Kind kind = bays[(first + b) % BAY_COUNT].kind;
                if (kind == kCdRom || kind == kLs120) {
                    which = kind == kCdRom ? 0 : 1;
                    break;
                }
            }
            ToggleClassDriver(which);
        }
        std::vector<int> arrived; // bays whose port is rescanned for a drive that came
        std::vector<int> touched;
        bool floppyTouched = false, overlap = false;
        std::map<std::string, std::string> excused;
        bool refusedRemoval = false;

        int b = (int)Next(BAY_COUNT);
        uint32_t pick = Next(100);
        bool warm = Next(2) == 0;
        StoreDword(HKEY_LOCAL_MACHINE, PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE, warm);
        if (pick < 5 && floppyOutside) {
            floppyOutside = false; // the floppy drive is taken out
            bay.machine.status[BAY_STATUS_OTHER_FLOPPY] = 0;
            floppyTouched = true;
        } else if (pick < 10 && !FloppyPresent()) {
            floppyOutside = true;
            bay.machine.status[BAY_STATUS_OTHER_FLOPPY] = 1;
            floppyTouched = true;
        } else if (bays[b].kind == kEmpty) {
            // A drive goes into the bay; now and then a second bay changes
            // before the first change is handled (warm swapping off, so
            // that a status read twice changes nothing).
            Kind kind = (Kind)(1 + Next(FloppyPresent() ? 3 : 4));
            bool refused = kind != kFloppy && Next(100) < 3;
            int other = (b + 1 + (int)Next(BAY_COUNT - 1)) % BAY_COUNT;
            overlap = !warm && !refused && kind != kFloppy && Next(100) < 8 && bays[other].kind == kEmpty;
            Kind second = (Kind)(1 + Next(3));
            Fill(b, kind, (int)Next(5));
            if (refused) {
                bay.machine.fail = BAYSIM_FAIL_RESCAN;
                bays[b].settled = bays[b].rescanned = false;
            } else if (kind != kFloppy) {
                Arrive(b);
                arrived.push_back(b);
            }
            floppyTouched = kind == kFloppy;
            touched.push_back(b);
            bay.machine.status[BAY_STATUS_CHANGE_MASK] = (uint8_t)(1u << b);
            if (overlap) {
                bay.Change();
                Fill(other, second, (int)Next(5));
                Arrive(other);
                arrived.push_back(other);
                touched.push_back(other);
                bay.machine.status[BAY_STATUS_CHANGE_MASK] |= (uint8_t)(1u << other);
            }
        } else if (bays[b].kind != kFloppy && bays[b].kind != kEmpty && Next(100) < 15) {
            // The drive is swapped for another kind without the bay being seen empty.
            Kind kind = (Kind)(1 + (bays[b].kind % 3)); // the next of CD-ROM, LS-120, disk
            if (!warm) {
                Leave(b, before);
                for (const auto& link : LinksOfBay(before, b))
                    stale_.insert(link);
                Fill(b, kind, (int)Next(5));
                bays[b].settled = false;
                bays[b].rescanned = false;
            } else {
                Leave(b, before);
                Fill(b, kind, (int)Next(5));
                Arrive(b);
                arrived.push_back(b);
            }
            touched.push_back(b);
            bay.machine.status[BAY_STATUS_CHANGE_MASK] = (uint8_t)(1u << b);
        } else {
            // The drive leaves.
            refusedRemoval = bays[b].kind != kFloppy && Next(100) < 3;
            if (refusedRemoval) {
                bay.machine.fail = BAYSIM_FAIL_REMOVE_DRIVE;
                excused = LinksOfBay(before, b);
            }
            floppyTouched = bays[b].kind == kFloppy;
            Leave(b, before);
            Fill(b, kEmpty, 0);
            bays[b].settled = true;
            touched.push_back(b);
            bay.machine.status[BAY_STATUS_CHANGE_MASK] = (uint8_t)(1u << b);
        }

        what_ = std::string(warm ? "warm" : "cold") + what_ + (overlap ? ", two bays" : "") +
                (refusedRemoval ? ", removal refused" : "") + (bay.machine.fail & BAYSIM_FAIL_RESCAN ? ", rescan refused" : "");
        if (!arrived.empty())
            SearchedWithDrivers(arrived);
        for (int t : touched)
            what_ += ", bay " + std::to_string(t) + " now " + kKindNames[bays[t].kind];
        if (floppyTouched && touched.empty())
            what_ += floppyOutside ? ", floppy drive outside in" : ", floppy drive outside out";
        int told = myComputer.Told();
        bay.ClearLog();
        DWORD started = GetTickCount();
        bay.Change();
        changes++;
        if (!myComputer.WaitTold(told + 1, 30000)) {
            hangs++;
            ADD_FAILURE() << "change " << changes << " (seed " << g_seed << ") was not handled in 30 s";
            return;
        }
        if (overlap) {
            // Until the service has been quiet for a while, the drive window
            // told nothing new and the machine asked nothing: both were
            // handled (one handling can take longer than any fixed pause).
            for (int quiet = 0, seen = myComputer.Told(); quiet < 6; quiet++) {
                Sleep(50);
                FILETIME now;
                GetSystemTimeAsFileTime(&now);
                int64_t sinceRequest = (int64_t)(((uint64_t)now.dwHighDateTime << 32) | now.dwLowDateTime) -
                                       bay.Times().lastRequest;
                if (myComputer.Told() != seen || sinceRequest < 3000000) { // 300 ms, in 100 ns
                    seen = myComputer.Told();
                    quiet = 0;
                }
            }
        }
        double ms = (double)(GetTickCount() - started);
        totalMs += ms;
        changeMs.push_back(ms);
        if (ms > longestMs)
            longestMs = ms;
        if (service.State() != SERVICE_RUNNING) {
            crashes++;
            ADD_FAILURE() << "change " << changes << ": the service is no longer running";
            return;
        }
        if (g_verboseFrom >= 0 && changes >= g_verboseFrom) {
            printf("change %d: %s\n", changes, what_.c_str());
            for (const std::string& line : bay.Log())
                printf("  machine: %s\n", line.c_str());
            for (const auto& link : Links())
                printf("    %s -> %s\n", link.first.c_str(), link.second.c_str());
        }
        Check(before, touched, floppyTouched, excused);
        if (refusedRemoval)
            TakeAway(excused);
        if (!ghosts_.empty()) {
            TakeAway(ghosts_);
            ghosts_.clear();
        }
    }
};

} // namespace

TEST_F(Storm, SeededChangesKeepTheLettersTrue)
{
    Boot();
    if (HasFatalFailure())
        return;
    // The figures at start, after the first hundred changes (when every
    // path has run once) and at the end: growth after the first hundred
    // is what a long uptime would pile up.
    DWORD processId = ServiceProcess();
    ProcessFigures start = Measure(processId), warm = start;
    for (int i = 0; i < g_changes && hangs == 0 && crashes == 0; i++) {
        OneChange();
        if (changes == 100)
            warm = Measure(processId);
        if (changes % 1000 == 0) {
            printf("storm: %d changes, %d mismatches so far\n", changes, mismatches);
            fflush(stdout);
        }
    }
    ProcessFigures end = Measure(processId);
    DeviceCounts counts;
    if (QueryDeviceCounts(&counts))
        printf("storm: the class counts at the end (the next numbers): disks %lu, floppies %lu, CD-ROMs %lu\n",
               (unsigned long)counts.Disks, (unsigned long)counts.Floppies, (unsigned long)counts.CdRoms);
    if (g_behaviour)
        printf("storm: the machine:%s%s%s\n",
               g_behaviour & BAYSIM_NUMBERS_GROW ? (" numbers grow from " + std::to_string(g_numbersFrom) + ";").c_str() : "",
               g_behaviour & BAYSIM_LONG_NAME_LIST ? " the long name list;" : "",
               g_behaviour & BAYSIM_SLOW_DRIVERS ? " slow drivers;" : "");
    std::sort(changeMs.begin(), changeMs.end());
    double medianMs = changeMs.empty() ? 0.0 : changeMs[changeMs.size() / 2];
    printf("storm: seed %u: %d changes, %d mismatches, %d crashes, %d hangs, %.1f ms per change on average, "
           "median %.0f ms, longest %.0f ms\n",
           g_seed, changes, mismatches, crashes, hangs, changes ? totalMs / changes : 0.0, medianMs, longestMs);
    printf("storm: service process %lu at start, after 100 changes and at the end:\n", processId);
    printf("storm:   handles %lu, %lu, %lu\n", start.handles, warm.handles, end.handles);
    printf("storm:   private memory %lu, %lu, %lu KiB\n", (unsigned long)(start.privateBytes / 1024),
           (unsigned long)(warm.privateBytes / 1024), (unsigned long)(end.privateBytes / 1024));
    printf("storm:   working set %lu, %lu, %lu KiB\n", (unsigned long)(start.workingSet / 1024),
           (unsigned long)(warm.workingSet / 1024), (unsigned long)(end.workingSet / 1024));
    printf("storm:   threads %lu, %lu, %lu\n", start.threads, warm.threads, end.threads);
    EXPECT_EQ(processId, ServiceProcess()) << "one process through the whole storm";
    EXPECT_EQ(0, mismatches);
    EXPECT_TRUE(service.Stop(20000));
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; i++) {
        if (strncmp(argv[i], "--changes=", 10) == 0)
            g_changes = atoi(argv[i] + 10);
        else if (strcmp(argv[i], "--verbose") == 0)
            g_verboseFrom = 0;
        else if (strncmp(argv[i], "--verbose=", 10) == 0)
            g_verboseFrom = atoi(argv[i] + 10);
        else if (strncmp(argv[i], "--seed=", 7) == 0)
            g_seed = (unsigned)strtoul(argv[i] + 7, nullptr, 10);
        else if (strncmp(argv[i], "--numbers-grow", 14) == 0 && (!argv[i][14] || argv[i][14] == '=')) {
            g_behaviour |= BAYSIM_NUMBERS_GROW;
            g_numbersFrom = argv[i][14] ? (uint32_t)strtoul(argv[i] + 15, nullptr, 0) : 0;
        } else if (strcmp(argv[i], "--long-names") == 0)
            g_behaviour |= BAYSIM_LONG_NAME_LIST;
        else if (strncmp(argv[i], "--slow-drivers", 14) == 0 && (!argv[i][14] || argv[i][14] == '=')) {
            g_behaviour |= BAYSIM_SLOW_DRIVERS;
            g_slowDriverMs = argv[i][14] ? (uint32_t)strtoul(argv[i] + 15, nullptr, 0) : 0;
        }
    }
    return RUN_ALL_TESTS();
}
