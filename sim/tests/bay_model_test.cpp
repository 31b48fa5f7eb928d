// The bay machine's model as unkind as a machine that has run for days:
// numbers that only grow, opens of drives that are not there, and the
// long MS-DOS name list of Windows 2000, with the names the machine
// cleans up. A scenario against the machine
// trusts these; a model kinder than the machine would hide the faults.
#include <gtest/gtest.h>

#include <ctype.h>
#include <string.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

extern "C" {
#include "bay_model.h"
}

namespace {

BaySimNode Node(uint8_t kind, uint32_t index, uint8_t partition = 0)
{
    BaySimNode n;
    memset(&n, 0, sizeof n);
    n.kind = kind;
    n.index = index;
    n.partition = partition;
    return n;
}

BaySimDrive Drive(uint8_t kind, uint8_t port)
{
    BaySimDrive d;
    memset(&d, 0, sizeof d);
    d.kind = kind;
    d.attached = 1;
    d.port = port;
    d.deviceType = kind == BAYSIM_CDROM ? 5 : 0;
    memset(d.vendor, ' ', sizeof d.vendor);
    memset(d.product, ' ', sizeof d.product);
    return d;
}

// A device object, as the driver keys it.
using Object = std::tuple<uint8_t, uint32_t, uint8_t>; // kind, number, partition

// The model with the class drivers running, driven as the driver drives it,
// with the class device objects the driver would hold.
struct Machine {
    BaySimState state;
    BaySimMachine m;
    BaySimActions actions;
    std::string record;
    std::set<Object> objects;
    uint8_t buffer[sizeof(BaySimMachine) + 64]; // in and out, as for buffered requests

    Machine()
    {
        BaySimReset(&state);
        memset(&m, 0, sizeof m);
        m.drives[0] = Drive(BAYSIM_DISK, 0); // the system disk, its partition 1 as C:
        m.drives[0].partitions[0] = {1, 1};
        m.drives[0].partitionCount = 1;
        actions.count = 0;
    }

    enum BaySimOutcome Ask(BaySimNode node, uint32_t code, const void* in = nullptr, uint32_t inSize = 0)
    {
        uint32_t returned = 0;
        char line[BAYSIM_LOG_LINE];
        if (in)
            memcpy(buffer, in, inSize);
        actions.count = 0;
        enum BaySimOutcome outcome = BaySimHandle(&state, node, code, in ? buffer : nullptr, inSize, buffer,
                                                  sizeof buffer, &returned, &actions, line, sizeof line);
        record = line;
        Carry(actions);
        return outcome;
    }

    // What the driver does after a request: it makes the objects the
    // actions ask for, and deletes those that should no longer exist (no
    // handle is open here to keep one).
    void Carry(const BaySimActions& done)
    {
        for (unsigned i = 0; i < done.count; i++) {
            const BaySimAction& a = done.items[i];
            if (a.kind == BAYSIM_DELETE_ALL)
                objects.clear();
            else if (a.kind == BAYSIM_MAKE_DEVICE)
                objects.insert(Object(a.node.kind, a.node.index, a.node.partition));
        }
        for (auto o = objects.begin(); o != objects.end();)
            o = BaySimShouldExist(&state, Node(std::get<0>(*o), std::get<1>(*o), std::get<2>(*o))) ? std::next(o)
                                                                                                 : objects.erase(o);
    }

    // Every object that should exist has been made, for the first numbers
    // of every class: the model asks for what it says exists.
    void ExpectObjectsMade()
    {
        for (uint8_t kind : {BAYSIM_NODE_CDROM, BAYSIM_NODE_FLOPPY, BAYSIM_NODE_DISK}) {
            for (uint32_t number = 0; number < 6; number++) {
                for (uint8_t partition = 0; partition < (kind == BAYSIM_NODE_DISK ? 5 : 1); partition++) {
                    BaySimNode node = Node(kind, number, partition);
                    char name[BAYSIM_DEVICE_NAME];
                    BaySimShortName(node, name, sizeof name);
                    EXPECT_EQ(BaySimShouldExist(&state, node) != 0, objects.count(Object(kind, number, partition)) != 0)
                        << name;
                }
            }
        }
    }

    void Set()
    {
        ASSERT_EQ(BAYSIM_OK, Ask(Node(BAYSIM_NODE_CONTROL, 0), BAYSIM_IOCTL_SET_MACHINE, &m, sizeof m));
        BaySimActions running = {0, {}};
        BaySimNoticeClassDrivers(&state, 1, 1, &running);
        Carry(running);
    }
    void Change() { ASSERT_EQ(BAYSIM_OK, Ask(Node(BAYSIM_NODE_CONTROL, 0), BAYSIM_IOCTL_CHANGE, &m, sizeof m)); }

    // What the device counts report: disks, floppies, CD-ROMs.
    std::vector<uint32_t> Counts()
    {
        EXPECT_EQ(BAYSIM_OK, Ask(Node(BAYSIM_NODE_BAY, 0), BAY_IOCTL_QUERY_COUNTS));
        uint32_t counts[3];
        memcpy(counts, buffer, sizeof counts); // little-endian, as the request's layout says
        return {counts[0], counts[1], counts[2]};
    }

    // The drive in the slot leaves, the bay manager has its device
    // removed, and its port is rescanned.
    void Leave(int slot, BaySimNode device)
    {
        m.drives[slot].attached = 0;
        Change();
        EXPECT_EQ(BAYSIM_OK, Ask(device, BAY_IOCTL_REMOVE_DRIVE)) << record;
        EXPECT_EQ(BAYSIM_OK, Ask(Node(BAYSIM_NODE_PORT, m.drives[slot].port), BAY_IOCTL_SCSI_RESCAN_BUS));
    }

    // The drive leaves, and its port is rescanned before any removal.
    void LeaveUnremoved(int slot)
    {
        m.drives[slot].attached = 0;
        Change();
        EXPECT_EQ(BAYSIM_OK, Ask(Node(BAYSIM_NODE_PORT, m.drives[slot].port), BAY_IOCTL_SCSI_RESCAN_BUS));
    }

    // The bay status shows the floppy drive outside the bays, in the fifth
    // position, or nowhere.
    void ShowFloppy(uint8_t outside, uint8_t fifthKind)
    {
        m.status[BAY_STATUS_OTHER_FLOPPY] = outside;
        m.status[BAY_STATUS_FIFTH_KIND] = fifthKind;
        Change();
    }

    // The drive arrives, its port is rescanned and its class searched: the
    // number of the class device it got, or -1.
    long long Arrive(int slot)
    {
        m.drives[slot].attached = 1;
        Change();
        EXPECT_EQ(BAYSIM_OK, Ask(Node(BAYSIM_NODE_PORT, m.drives[slot].port), BAY_IOCTL_SCSI_RESCAN_BUS));
        EXPECT_EQ(BAYSIM_OK, Ask(Node(BAYSIM_NODE_BAY, 0), BAY_IOCTL_CDROM_SCAN));
        long long number = -1;
        bool said = false;
        for (unsigned i = 0; i < actions.count; i++) {
            if (actions.items[i].kind == BAYSIM_MAKE_DEVICE && number < 0)
                number = actions.items[i].node.index;
            said = said || actions.items[i].kind == BAYSIM_CANNOT_MAKE;
        }
        EXPECT_NE(number < 0, !said) << "a drive found without a device is said";
        return number;
    }

    std::string Open(BaySimNode node, uint32_t share, enum BaySimOutcome* outcome)
    {
        char line[BAYSIM_LOG_LINE];
        *outcome = BaySimOpen(&state, node, share, line, sizeof line);
        return line;
    }
};

} // namespace

TEST(BayModel, NumbersOnlyGrowAndCountsNeverFall)
{
    // A CD-ROM in bay 1 from boot leaves and arrives three times.
    const struct {
        uint32_t behaviour, numbersFrom;
        std::vector<uint32_t> countsAtBoot; // disks, floppies, CD-ROMs
        long long numbers[3];           // the number it gets at each arrival
        uint32_t countsAfterLeaving[3]; // the CD-ROM count each time it has left
    } cases[] = {
        {BAYSIM_NUMBERS_GROW, 0, {1, 0, 1}, {1, 2, 3}, {1, 2, 3}},
        {BAYSIM_NUMBERS_GROW, 40, {40, 40, 40}, {40, 41, 42}, {40, 41, 42}},
        {BAYSIM_NUMBERS_GROW, 0xFFFFFFFDu, {0xFFFFFFFDu, 0xFFFFFFFDu, 0xFFFFFFFDu}, {0xFFFFFFFDll, 0xFFFFFFFEll, -1},
         {0xFFFFFFFDu, 0xFFFFFFFEu, 0xFFFFFFFFu}}, // no number past the last: the count would wrap
        {0, 40, {1, 0, 1}, {0, 0, 0}, {0, 0, 0}}, // the kind machine: the number at the end is given back
    };
    for (size_t c = 0; c < sizeof cases / sizeof cases[0]; c++) {
        SCOPED_TRACE("case " + std::to_string(c));
        Machine machine;
        machine.m.behaviour = cases[c].behaviour;
        machine.m.numbersFrom = cases[c].numbersFrom;
        machine.m.drives[1] = Drive(BAYSIM_CDROM, 1);
        machine.Set();
        EXPECT_EQ(cases[c].countsAtBoot, machine.Counts());
        EXPECT_EQ(BAYSIM_OK, machine.Ask(Node(BAYSIM_NODE_CDROM, 0), BAY_IOCTL_SCSI_GET_ADDRESS))
            << "the boot devices are numbered from 0";
        uint32_t number = 0;
        for (int round = 0; round < 3; round++) {
            machine.Leave(1, Node(BAYSIM_NODE_CDROM, number));
            EXPECT_EQ(cases[c].countsAfterLeaving[round], machine.Counts()[2]) << "round " << round;
            EXPECT_EQ(BAYSIM_GONE, machine.Ask(Node(BAYSIM_NODE_CDROM, number), BAY_IOCTL_SCSI_GET_ADDRESS));
            long long got = machine.Arrive(1);
            EXPECT_EQ(cases[c].numbers[round], got) << "round " << round;
            if (got < 0)
                break;
            number = (uint32_t)got;
            EXPECT_EQ(BAYSIM_OK, machine.Ask(Node(BAYSIM_NODE_CDROM, number), BAY_IOCTL_SCSI_GET_ADDRESS));
        }
        EXPECT_EQ(cases[c].countsAtBoot[0], machine.Counts()[0]) << "the disks' count is not the CD-ROMs'";
    }
}

TEST(BayModel, ThousandsOfChangesAndAGapInTheMiddle)
{
    // Numbers in the thousands: only the devices that exist take room.
    Machine grow;
    grow.m.behaviour = BAYSIM_NUMBERS_GROW;
    grow.m.drives[1] = Drive(BAYSIM_CDROM, 1);
    grow.Set();
    uint32_t number = 0;
    for (int round = 0; round < 3000; round++) {
        grow.Leave(1, Node(BAYSIM_NODE_CDROM, number));
        long long got = grow.Arrive(1);
        ASSERT_EQ((long long)number + 1, got) << "round " << round;
        number = (uint32_t)got;
    }
    EXPECT_EQ(3001u, grow.Counts()[2]);
    char name[BAYSIM_DEVICE_NAME];
    BaySimDeviceName(Node(BAYSIM_NODE_DISK, 0xFFFFFFFFu, 8), name, sizeof name);
    EXPECT_STREQ("\\Device\\Harddisk4294967295\\Partition8", name);

    // Drives that leave without a removal keep their devices: sixteen of
    // them fill the class, and the next drive gets none.
    Machine full;
    full.m.behaviour = BAYSIM_NUMBERS_GROW;
    full.m.drives[1] = Drive(BAYSIM_CDROM, 1);
    full.Set();
    for (int round = 1; round < BAYSIM_CLASS_DEVICES; round++) {
        full.m.drives[1].attached = 0;
        full.Change();
        full.Ask(Node(BAYSIM_NODE_PORT, 1), BAY_IOCTL_SCSI_RESCAN_BUS);
        ASSERT_EQ(round, full.Arrive(1));
    }
    full.m.drives[1].attached = 0;
    full.Change();
    full.Ask(Node(BAYSIM_NODE_PORT, 1), BAY_IOCTL_SCSI_RESCAN_BUS);
    EXPECT_EQ(-1, full.Arrive(1));
    EXPECT_EQ((uint32_t)BAYSIM_CLASS_DEVICES, full.Counts()[2]);

    // Without growing numbers: a removal in the middle leaves a gap, the
    // count drops past it once the end goes.
    Machine kind;
    kind.m.drives[1] = Drive(BAYSIM_CDROM, 1);
    kind.m.drives[2] = Drive(BAYSIM_CDROM, 2);
    kind.Set();
    kind.Leave(1, Node(BAYSIM_NODE_CDROM, 0));
    EXPECT_EQ(2u, kind.Counts()[2]);
    kind.Leave(2, Node(BAYSIM_NODE_CDROM, 1));
    EXPECT_EQ(0u, kind.Counts()[2]);
}

TEST(BayModel, ADriveThatIsNotThereHasNoDeviceObject)
{
    // The floppy drive (Floppy0, outside the bays), a CD-ROM in bay 1
    // (CdRom0) and one in bay 2 (CdRom1), an LS-120 drive in bay 3
    // (Floppy1), a hard disk on port 4 with partitions 1 and 3 (Harddisk1).
    const struct {
        const char* what;
        void (*prepare)(Machine&);
        BaySimNode node;
        uint32_t share;
        bool exists;
        const char* line; // of an open that reached the driver
    } cases[] = {
        {"a drive that is there", nullptr, Node(BAYSIM_NODE_CDROM, 0), 1, true, "CdRom0 open share=read"},
        {"the system disk", nullptr, Node(BAYSIM_NODE_DISK, 0, 1), 3, true, "Harddisk0\\Partition1 open share=read+write"},
        {"a disk's whole drive", nullptr, Node(BAYSIM_NODE_DISK, 1, 0), 1, true, "Harddisk1\\Partition0 open share=read"},
        {"a disk's partition", nullptr, Node(BAYSIM_NODE_DISK, 1, 3), 1, true, "Harddisk1\\Partition3 open share=read"},
        {"a partition the disk has not", nullptr, Node(BAYSIM_NODE_DISK, 1, 2), 1, false,
         "Harddisk1\\Partition2 open share=read: gone"},
        {"the bay driver", nullptr, Node(BAYSIM_NODE_BAY, 0), 2, true, "swapctl0 open share=write"},
        {"a port", nullptr, Node(BAYSIM_NODE_PORT, 5), 1, true, "scsi5 open share=read"},
        {"a number never given", nullptr, Node(BAYSIM_NODE_CDROM, 7), 1, false, "CdRom7 open share=read: gone"},
        {"a disk number never given", nullptr, Node(BAYSIM_NODE_DISK, 5, 0), 0, false,
         "Harddisk5\\Partition0 open share=none: gone"},
        {"a removed number", [](Machine& x) { x.Leave(2, Node(BAYSIM_NODE_CDROM, 0)); }, Node(BAYSIM_NODE_CDROM, 0), 1,
         false, "CdRom0 open share=read: gone"},
        {"left, its port not yet rescanned",
         [](Machine& x) {
             x.m.drives[2].attached = 0;
             x.Change();
         },
         Node(BAYSIM_NODE_CDROM, 0), 1, true, "CdRom0 open share=read"},
        {"left and rescanned away", [](Machine& x) { x.LeaveUnremoved(2); }, Node(BAYSIM_NODE_CDROM, 0), 1, false,
         "CdRom0 open share=read: gone"},
        {"the other drive on another port", [](Machine& x) { x.Ask(Node(BAYSIM_NODE_PORT, 1), BAY_IOCTL_SCSI_RESCAN_BUS); },
         Node(BAYSIM_NODE_CDROM, 1), 1, true, "CdRom1 open share=read"},
        {"gone, then back: not under its number",
         [](Machine& x) {
             x.LeaveUnremoved(2);
             EXPECT_EQ(2, x.Arrive(2));
         },
         Node(BAYSIM_NODE_CDROM, 0), 1, false, "CdRom0 open share=read: gone"},
        {"gone, then back: under the next number",
         [](Machine& x) {
             x.LeaveUnremoved(2);
             EXPECT_EQ(2, x.Arrive(2));
         },
         Node(BAYSIM_NODE_CDROM, 2), 1, true, "CdRom2 open share=read"},
        {"a gone disk's whole drive", [](Machine& x) { x.LeaveUnremoved(5); }, Node(BAYSIM_NODE_DISK, 1, 0), 1, false,
         "Harddisk1\\Partition0 open share=read: gone"},
        {"a gone disk's partition", [](Machine& x) { x.LeaveUnremoved(5); }, Node(BAYSIM_NODE_DISK, 1, 3), 1, false,
         "Harddisk1\\Partition3 open share=read: gone"},
        {"a disk's layout changed after it was found: its partitions stay as made",
         [](Machine& x) {
             x.m.drives[5].partitions[1] = {2, 1};
             x.Change();
         },
         Node(BAYSIM_NODE_DISK, 1, 3), 1, true, "Harddisk1\\Partition3 open share=read"},
        {"the floppy drive outside the bays", nullptr, Node(BAYSIM_NODE_FLOPPY, 0), 3, true,
         "Floppy0 open share=read+write"},
        {"the floppy drive out", [](Machine& x) { x.ShowFloppy(0, 0); }, Node(BAYSIM_NODE_FLOPPY, 0), 3, false,
         "Floppy0 open share=read+write: gone"},
        {"the floppy drive in the fifth position", [](Machine& x) { x.ShowFloppy(0, BAY_KIND_FLOPPY); },
         Node(BAYSIM_NODE_FLOPPY, 0), 1, true, "Floppy0 open share=read"},
        {"the floppy drive out and back: its number unchanged",
         [](Machine& x) {
             x.ShowFloppy(0, 0);
             x.ShowFloppy(1, 0);
         },
         Node(BAYSIM_NODE_FLOPPY, 0), 1, true, "Floppy0 open share=read"},
        {"the floppy drive out at set-up",
         [](Machine& x) {
             x.m.status[BAY_STATUS_OTHER_FLOPPY] = 0;
             x.Set();
         },
         Node(BAYSIM_NODE_FLOPPY, 0), 1, false, "Floppy0 open share=read: gone"},
        {"the floppy drive out at set-up, in at a change",
         [](Machine& x) {
             x.m.status[BAY_STATUS_OTHER_FLOPPY] = 0;
             x.Set();
             x.ShowFloppy(1, 0);
         },
         Node(BAYSIM_NODE_FLOPPY, 0), 1, true, "Floppy0 open share=read"},
        {"an LS-120 drive while the floppy drive is out", [](Machine& x) { x.ShowFloppy(0, 0); },
         Node(BAYSIM_NODE_FLOPPY, 1), 1, true, "Floppy1 open share=read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Machine machine;
        machine.m.drives[1] = Drive(BAYSIM_FLOPPY, 0);
        machine.m.drives[2] = Drive(BAYSIM_CDROM, 1);
        machine.m.drives[3] = Drive(BAYSIM_CDROM, 2);
        machine.m.drives[4] = Drive(BAYSIM_LS120, 3);
        machine.m.drives[5] = Drive(BAYSIM_DISK, 4);
        machine.m.drives[5].partitions[0] = {1, 1};
        machine.m.drives[5].partitions[1] = {3, 1};
        machine.m.drives[5].partitionCount = 2;
        machine.m.status[BAY_STATUS_OTHER_FLOPPY] = 1;
        machine.Set();
        if (c.prepare)
            c.prepare(machine);
        EXPECT_EQ(c.exists, BaySimShouldExist(&machine.state, c.node) != 0);
        machine.ExpectObjectsMade();
        // An open reaches the driver only while a handle keeps the object:
        // then it is refused.
        enum BaySimOutcome outcome;
        EXPECT_EQ(c.line, machine.Open(c.node, c.share, &outcome));
        EXPECT_EQ(c.exists ? BAYSIM_OK : BAYSIM_GONE, outcome);
        if (!c.exists) {
            EXPECT_EQ(BAYSIM_GONE, machine.Ask(c.node, BAY_IOCTL_SCSI_GET_ADDRESS)) << "nor does it answer a request";
        }
    }
}

namespace {

bool Reserved(const std::string& name)
{
    // What Wine takes for a device whatever the directory: NUL, CON, AUX,
    // PRN, COM<n>, LPT<n>, with or without an extension.
    std::string base = name.substr(0, name.find_first_of(".:"));
    for (char& ch : base)
        ch = (char)toupper((unsigned char)ch);
    if (base == "NUL" || base == "CON" || base == "AUX" || base == "PRN")
        return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           isdigit((unsigned char)base[3]);
}

} // namespace

TEST(BayModel, TheLongNameListOfAWindows2000Machine)
{
    std::set<std::string> seen;
    size_t listBytes = 1; // the list's final NUL
    char name[BAYSIM_LONG_NAME], target[BAYSIM_LONG_NAME_TARGET];
    unsigned count = 0;
    for (; BaySimLongName(count, name, sizeof name, target, sizeof target); count++) {
        std::string n = name, t = target, upper = n;
        for (char& ch : upper)
            ch = (char)toupper((unsigned char)ch);
        EXPECT_GE(n.size(), 40u) << n;
        EXPECT_LE(n.size(), 100u) << n;
        EXPECT_TRUE(seen.insert(upper).second) << "twice: " << n;
        EXPECT_FALSE(n.size() == 2 && n[1] == ':') << n;
        EXPECT_NE(0u, upper.compare(0, 13, "PHYSICALDRIVE")) << n;
        EXPECT_FALSE(Reserved(n)) << n;
        EXPECT_EQ(0u, t.compare(0, 8, "\\Device\\")) << t;
        for (const char* bay : {"\\Device\\CdRom", "\\Device\\Floppy", "\\Device\\Harddisk0", "\\Device\\Harddisk1"})
            EXPECT_NE(0u, t.compare(0, strlen(bay), bay)) << n << " -> " << t << " is a bay class device";
        EXPECT_TRUE(BaySimIsLongName(name)) << n;
        EXPECT_TRUE(BaySimIsLongName(upper.c_str())) << "case does not count: " << n;
        EXPECT_FALSE(BaySimIsLongName(n.substr(0, n.size() - 1).c_str())) << n;
        listBytes += n.size() + 1;
    }
    EXPECT_EQ((unsigned)BAYSIM_LONG_NAMES, count);
    EXPECT_GE(count, 90u);
    EXPECT_GE(listBytes, 6000u) << "several times what a 2048-byte list holds";
    EXPECT_LE(listBytes, 10240u);
    for (const char* other : {"C:", "PhysicalDrive1", "swapctl0", "Scsi0:", "BaySim", ""})
        EXPECT_FALSE(BaySimIsLongName(other)) << other;

    // What set-up and unload delete of the names they find: the machine's
    // own, whoever made them, never Wine's or the bay driver's.
    const struct {
        const char* name;
        int machines;
    } names[] = {
        {"C:", 1}, {"z:", 1}, {"PhysicalDrive0", 1}, {"PhysicalDrive1234", 1}, {"physicaldrive4294967295", 1},
        {"Volume{6f8a5e30-2b1c-11d5-a1b2-806d6172696f}", 1}, {"PhysicalDrive", 0}, {"PhysicalDrive12a", 0},
        {"PhysicalDrive-1", 0}, {"C:x", 0}, {"1:", 0}, {"swapctl0", 0}, {"BaySim", 0}, {"Scsi0:", 0}, {"PIPE", 0},
        {"Global", 0}, {"NUL", 0}, {"CONIN$", 0}, {"hid#vid_845e&pid_0001#0&0000&0&0#{4d1e55b2-f16f-11cf-88cb-001111000030}", 0},
        {"Volume{6f8a5e30-2b1c-11d5-a1b2-806d6172696e}", 0},
    };
    for (const auto& n : names)
        EXPECT_EQ(n.machines, BaySimIsMachineLinkName(n.name)) << n.name;
    EXPECT_EQ(0, BaySimLongName(0, name, BAYSIM_LONG_NAME - 1, target, sizeof target)) << "a buffer too small";

    // Set-up makes the list with the switch on, never without; set-up
    // links keep their shapes.
    for (uint32_t behaviour : {0u, (uint32_t)BAYSIM_LONG_NAME_LIST}) {
        Machine machine;
        machine.m.behaviour = behaviour;
        strcpy(machine.m.links[0].name, "ODDNAME");
        strcpy(machine.m.links[0].target, "\\Device\\Odd");
        machine.m.links[0].shape = BAYSIM_LINK_UNREADABLE;
        machine.Set();
        unsigned lists = 0, unreadable = 0;
        for (unsigned i = 0; i < machine.actions.count; i++) {
            lists += machine.actions.items[i].kind == BAYSIM_MAKE_LONG_NAMES;
            unreadable += machine.actions.items[i].kind == BAYSIM_MAKE_LINK &&
                          machine.actions.items[i].shape == BAYSIM_LINK_UNREADABLE;
        }
        EXPECT_EQ(behaviour ? 1u : 0u, lists);
        EXPECT_EQ(1u, unreadable);
    }
}
