#include "bay_model.h"

#include <stddef.h>

#include "sim_text.h"

/* ---- small pieces -------------------------------------------------- */

static void PutLe32(uint8_t* p, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        p[i] = (uint8_t)(value >> (8 * i));
}

static int SameText(const char* a, const char* b, size_t max)
{
    for (size_t i = 0; i < max; i++) {
        if (a[i] != b[i])
            return 0;
        if (!a[i])
            return 1;
    }
    return 1;
}

static void CopyText(char* dst, size_t size, const char* src, size_t length)
{
    size_t i = 0;
    for (; i < length && i + 1 < size && src[i]; i++)
        dst[i] = src[i];
    dst[i] = '\0';
}

static BaySimAction* Push(BaySimActions* actions, enum BaySimActionKind kind)
{
    if (actions->count >= BAYSIM_ACTIONS)
        return 0;
    BaySimAction* a = &actions->items[actions->count++];
    SimFill((unsigned char*)a, 0, sizeof *a);
    a->kind = (uint8_t)kind;
    return a;
}

static BaySimNode Node(enum BaySimNodeKind kind, uint32_t index, unsigned partition)
{
    BaySimNode n;
    SimFill((unsigned char*)&n, 0, sizeof n);
    n.kind = (uint8_t)kind;
    n.index = index;
    n.partition = (uint8_t)partition;
    return n;
}

static void PutNode(struct SimLine* line, BaySimNode node, int full)
{
    switch (node.kind) {
    case BAYSIM_NODE_BAY:
        SimPut(line, full ? "\\Device\\swapctl0" : "swapctl0");
        return;
    case BAYSIM_NODE_CONTROL:
        SimPut(line, full ? "\\Device\\BaySim" : "BaySim");
        return;
    case BAYSIM_NODE_PORT:
        SimPut(line, full ? "\\Device\\ScsiPort" : "scsi");
        break;
    case BAYSIM_NODE_CDROM:
        SimPut(line, full ? "\\Device\\CdRom" : "CdRom");
        break;
    case BAYSIM_NODE_FLOPPY:
        SimPut(line, full ? "\\Device\\Floppy" : "Floppy");
        break;
    default:
        SimPut(line, full ? "\\Device\\Harddisk" : "Harddisk");
        SimPutDec(line, node.index);
        SimPut(line, "\\Partition");
        SimPutDec(line, node.partition);
        return;
    }
    SimPutDec(line, node.index);
}

void BaySimDeviceName(BaySimNode node, char* name, size_t size)
{
    struct SimLine line;
    SimBegin(&line, name, size);
    PutNode(&line, node, 1);
}

void BaySimShortName(BaySimNode node, char* name, size_t size)
{
    struct SimLine line;
    SimBegin(&line, name, size);
    PutNode(&line, node, 0);
}

/* ---- the machine --------------------------------------------------- */

void BaySimReset(BaySimState* s)
{
    SimFill((unsigned char*)s, 0, sizeof *s);
}

static BaySimClass* ClassOf(BaySimState* s, uint8_t kind)
{
    switch (kind) {
    case BAYSIM_CDROM:
        return &s->cdroms;
    case BAYSIM_LS120:
    case BAYSIM_FLOPPY:
        return &s->floppies;
    case BAYSIM_DISK:
        return &s->disks;
    default:
        return 0;
    }
}

static int OnAPort(const BaySimDrive* d)
{
    return d->kind == BAYSIM_CDROM || d->kind == BAYSIM_LS120 || d->kind == BAYSIM_DISK;
}

static int NumbersGrow(const BaySimState* s)
{
    return (s->machine.behaviour & BAYSIM_NUMBERS_GROW) != 0;
}

/* The entry of the number, or -1 when no device has it. */
static int FindNumber(const BaySimClass* c, uint32_t number)
{
    for (int i = 0; i < BAYSIM_CLASS_DEVICES; i++) {
        if (c->devices[i].used && c->devices[i].number == number)
            return i;
    }
    return -1;
}

static int IsClassNode(BaySimNode node)
{
    return node.kind == BAYSIM_NODE_CDROM || node.kind == BAYSIM_NODE_FLOPPY || node.kind == BAYSIM_NODE_DISK;
}

static const BaySimClass* NodeClass(const BaySimState* s, BaySimNode node)
{
    return node.kind == BAYSIM_NODE_CDROM ? &s->cdroms : node.kind == BAYSIM_NODE_FLOPPY ? &s->floppies : &s->disks;
}

/* The bay status shows a floppy drive: outside the bays, or in one of
 * the five positions. */
static int FloppyShown(const BaySimMachine* m)
{
    if (m->status[BAY_STATUS_OTHER_FLOPPY])
        return 1;
    for (int i = 0; i < 5; i++) {
        if (m->status[i] == BAY_KIND_FLOPPY)
            return 1;
    }
    return 0;
}

int BaySimShouldExist(const BaySimState* s, BaySimNode node)
{
    if (!IsClassNode(node))
        return 1;
    const BaySimClass* c = NodeClass(s, node);
    int entry = FindNumber(c, node.index);
    if (entry < 0)
        return 0; /* removed, or never given */
    const BaySimClassDevice* e = &c->devices[entry];
    if (e->gone)
        return 0; /* its drive left and the port was rescanned: the class driver let it go */
    if (e->floppyDrive && !FloppyShown(&s->machine))
        return 0; /* the floppy drive is out: its controller has no drive to show */
    if (node.kind != BAYSIM_NODE_DISK || node.partition == 0)
        return 1;
    for (unsigned p = 0; p < e->partitionCount; p++) {
        if (e->partitions[p] == node.partition)
            return 1;
    }
    return 0;
}

/* Without growing numbers: one past the highest number that exists, so
 * that a number at the end is given back. */
static void GiveBackNumbers(BaySimClass* c)
{
    uint32_t next = 0;
    for (unsigned i = 0; i < BAYSIM_CLASS_DEVICES; i++) {
        if (c->devices[i].used && c->devices[i].number + 1 > next)
            next = c->devices[i].number + 1;
    }
    c->next = next;
}

/* The device objects of a class device, as its class driver makes them:
 * one, or for a disk Partition0 and one per partition number. Only when
 * they should exist: the floppy drive found while it is out gets its
 * number and no object until it is back. */
static void PushObjects(const BaySimState* s, enum BaySimNodeKind kind, const BaySimClassDevice* e,
                        BaySimActions* actions)
{
    BaySimAction* a;
    if (!BaySimShouldExist(s, Node(kind, e->number, 0)))
        return;
    if ((a = Push(actions, BAYSIM_MAKE_DEVICE)))
        a->node = Node(kind, e->number, 0);
    for (unsigned p = 0; kind == BAYSIM_NODE_DISK && p < e->partitionCount; p++) {
        if ((a = Push(actions, BAYSIM_MAKE_DEVICE)))
            a->node = Node(kind, e->number, e->partitions[p]);
    }
}

static enum BaySimNodeKind NodeKindOf(uint8_t driveKind)
{
    return driveKind == BAYSIM_CDROM ? BAYSIM_NODE_CDROM : driveKind == BAYSIM_DISK ? BAYSIM_NODE_DISK : BAYSIM_NODE_FLOPPY;
}

/* The drive gets the next number of its class and its device objects.
 * No device is made when every entry is taken (drives that left without a
 * removal keep theirs) or the numbers have run out (the count would
 * wrap). */
static void MakeClassDevice(BaySimState* s, unsigned drive, BaySimActions* actions)
{
    const BaySimDrive* d = &s->machine.drives[drive];
    BaySimClass* c = ClassOf(s, d->kind);
    BaySimClassDevice* e = 0;
    for (unsigned i = 0; c && i < BAYSIM_CLASS_DEVICES && !e; i++) {
        if (!c->devices[i].used)
            e = &c->devices[i];
    }
    BaySimAction* a;
    if (!c)
        return;
    if (!e || c->next == 0xFFFFFFFFu) {
        /* Said, so that a test sees a machine that is not whole. */
        if ((a = Push(actions, BAYSIM_CANNOT_MAKE)))
            a->node = Node(NodeKindOf(d->kind), c->next, 0);
        return;
    }
    SimFill((unsigned char*)e, 0, sizeof *e);
    e->used = 1;
    e->number = c->next++;
    e->drive = (uint8_t)drive;
    e->floppyDrive = d->kind == BAYSIM_FLOPPY;
    s->hasClass[drive] = 1;
    /* A disk: one device per partition number, as the disk driver makes
     * them, kept as made (a later change of the drive's layout does not
     * make or delete any). */
    for (unsigned p = 0; d->kind == BAYSIM_DISK && p < d->partitionCount && p < BAYSIM_PARTITIONS; p++) {
        uint8_t partition = d->partitions[p].number;
        int seen = partition == 0;
        for (unsigned q = 0; q < e->partitionCount && !seen; q++)
            seen = e->partitions[q] == partition;
        if (!seen)
            e->partitions[e->partitionCount++] = partition;
    }
    PushObjects(s, NodeKindOf(d->kind), e, actions);
}

/* The class finds the drives its port shows that have no device yet. */
static unsigned FindNewDevices(BaySimState* s, uint8_t kind, BaySimActions* actions)
{
    unsigned found = 0;
    for (unsigned i = 0; i < BAYSIM_DRIVES; i++) {
        const BaySimDrive* d = &s->machine.drives[i];
        if (d->kind == kind && s->visible[i] && !s->hasClass[i]) {
            MakeClassDevice(s, i, actions);
            found++;
        }
    }
    return found;
}

static int LinkIndex(const BaySimState* s, const char* name)
{
    for (int i = 0; i < BAYSIM_MADE_LINKS; i++) {
        if (s->links[i][0] && SameText(s->links[i], name, BAYSIM_LINK_NAME))
            return i;
    }
    return -1;
}

static int RememberLink(BaySimState* s, const char* name)
{
    for (int i = 0; i < BAYSIM_MADE_LINKS; i++) {
        if (!s->links[i][0]) {
            CopyText(s->links[i], BAYSIM_LINK_NAME, name, BAYSIM_LINK_NAME);
            return 1;
        }
    }
    return 0;
}

/* The machine arrives as bytes (no copy on the kernel's small stack). */
static void SetMachine(BaySimState* s, const uint8_t* in, BaySimActions* actions)
{
    uint32_t running[2] = {s->classDriverRunning[0], s->classDriverRunning[1]};
    Push(actions, BAYSIM_DELETE_ALL);
    BaySimReset(s);
    s->classDriverRunning[0] = running[0];
    s->classDriverRunning[1] = running[1];
    SimCopy((unsigned char*)&s->machine, in, sizeof s->machine);
    const BaySimMachine* m = &s->machine;
    /* Found as at boot: floppy drives first among the floppy-class devices. */
    for (int pass = 0; pass < 2; pass++) {
        for (unsigned i = 0; i < BAYSIM_DRIVES; i++) {
            const BaySimDrive* d = &s->machine.drives[i];
            if (!d->attached || d->kind == BAYSIM_NONE || (d->kind == BAYSIM_FLOPPY) != (pass == 0))
                continue;
            s->visible[i] = (uint8_t)OnAPort(d);
            MakeClassDevice(s, i, actions);
        }
    }
    /* A machine up for days: the drives that came and went since boot
     * have used the numbers below numbersFrom. */
    if (NumbersGrow(s)) {
        BaySimClass* classes[3] = {&s->cdroms, &s->floppies, &s->disks};
        for (int c = 0; c < 3; c++) {
            if (classes[c]->next < m->numbersFrom)
                classes[c]->next = m->numbersFrom;
        }
    }
    if (m->behaviour & BAYSIM_LONG_NAME_LIST)
        Push(actions, BAYSIM_MAKE_LONG_NAMES);
    for (unsigned i = 0; i < BAYSIM_LINKS; i++) {
        const BaySimLink* l = &m->links[i];
        if (!l->name[0] || LinkIndex(s, l->name) >= 0 || !RememberLink(s, l->name))
            continue;
        BaySimAction* a = Push(actions, BAYSIM_MAKE_LINK);
        if (a) {
            CopyText(a->name, sizeof a->name, l->name, BAYSIM_LINK_NAME);
            CopyText(a->target, sizeof a->target, l->target, BAYSIM_LINK_TARGET);
            a->shape = l->shape;
        }
    }
}

/* Everything before the set-up links: status, failures, answers, drives. */
static void Change(BaySimState* s, const uint8_t* in, BaySimActions* actions)
{
    int wasShown = FloppyShown(&s->machine);
    SimCopy((unsigned char*)&s->machine, in, offsetof(BaySimMachine, links));
    /* The floppy drive back: its controller's device is made again under
     * its number. (Out, it has no object: the driver deletes what should
     * not exist.) */
    if (!wasShown && FloppyShown(&s->machine)) {
        for (unsigned i = 0; i < BAYSIM_CLASS_DEVICES; i++) {
            const BaySimClassDevice* e = &s->floppies.devices[i];
            if (e->used && e->floppyDrive)
                PushObjects(s, BAYSIM_NODE_FLOPPY, e, actions);
        }
    }
    Push(actions, BAYSIM_FIRE_EVENT);
}

void BaySimNoticeClassDrivers(BaySimState* s, uint32_t cdromRunning, uint32_t ls120Running, BaySimActions* actions)
{
    static const uint8_t kKinds[2] = {BAYSIM_CDROM, BAYSIM_LS120};
    uint32_t now[2] = {cdromRunning != 0, ls120Running != 0};
    for (int i = 0; i < 2; i++) {
        if (now[i] && !s->classDriverRunning[i])
            FindNewDevices(s, kKinds[i], actions);
        s->classDriverRunning[i] = now[i];
    }
}

/* ---- answers ------------------------------------------------------- */

static unsigned BuildInquiry(const BaySimState* s, unsigned port, uint8_t* out, uint32_t outSize, unsigned* entries)
{
    uint32_t answers = s->machine.answers;
    unsigned at = BUS_INFO_FIRST_BUS + BUS_DATA_SIZE, first = at, last = 0;
    enum { kEntrySize = INQUIRY_ENTRY_DATA + INQUIRY_STANDARD_SIZE };
    *entries = 0;
    SimFill(out, 0, outSize);
    if (answers & BAYSIM_INQUIRY_NO_BUSES)
        return BUS_INFO_FIRST_BUS;
    out[BUS_INFO_BUS_COUNT] = 1;
    out[BUS_INFO_FIRST_BUS + 1] = 7; /* the controller's own id */
    for (unsigned target = 0; target < 8; target++) {
        for (unsigned i = 0; i < BAYSIM_DRIVES; i++) {
            const BaySimDrive* d = &s->machine.drives[i];
            if (!s->visible[i] || d->port != port || d->target != target || at + kEntrySize > outSize)
                continue;
            uint8_t* e = out + at;
            e[INQUIRY_ENTRY_PATH] = d->path;
            e[INQUIRY_ENTRY_TARGET] = d->target;
            e[INQUIRY_ENTRY_LUN] = d->lun;
            e[INQUIRY_ENTRY_CLAIMED] = s->hasClass[i];
            PutLe32(e + INQUIRY_ENTRY_LENGTH, INQUIRY_STANDARD_SIZE);
            uint8_t* q = e + INQUIRY_ENTRY_DATA;
            q[INQUIRY_DEVICE_TYPE] = d->deviceType;
            q[1] = d->kind == BAYSIM_DISK ? 0x00 : 0x80; /* removable medium */
            q[2] = 2;
            q[3] = 2;
            q[4] = INQUIRY_STANDARD_SIZE - 5;
            SimCopy(q + INQUIRY_VENDOR, (const unsigned char*)d->vendor, sizeof d->vendor);
            SimCopy(q + INQUIRY_PRODUCT, (const unsigned char*)d->product, sizeof d->product);
            SimCopy(q + 32, (const unsigned char*)"1.00", 4);
            if (*entries)
                PutLe32(out + last + INQUIRY_ENTRY_NEXT, at);
            last = at;
            at += kEntrySize;
            (*entries)++;
        }
    }
    out[BUS_INFO_FIRST_BUS + BUS_DATA_UNITS] = (uint8_t)*entries;
    if (*entries) {
        PutLe32(out + BUS_INFO_FIRST_BUS + BUS_DATA_INQUIRY_OFFSET, first);
        if (answers & BAYSIM_INQUIRY_LOOP)
            PutLe32(out + last + INQUIRY_ENTRY_NEXT, first);
        if (answers & BAYSIM_INQUIRY_NEXT_OUTSIDE)
            PutLe32(out + first + INQUIRY_ENTRY_NEXT, at + 40);
        if (answers & BAYSIM_INQUIRY_LONG_ENTRY)
            PutLe32(out + last + INQUIRY_ENTRY_LENGTH, INQUIRY_STANDARD_SIZE + 200);
        if (answers & BAYSIM_INQUIRY_OUTSIDE)
            PutLe32(out + BUS_INFO_FIRST_BUS + BUS_DATA_INQUIRY_OFFSET, at + 100);
    }
    return at;
}

static unsigned BuildLayout(const BaySimState* s, unsigned drive, uint8_t* out, uint32_t outSize)
{
    const BaySimDrive* d = &s->machine.drives[drive];
    unsigned n = d->partitionCount < BAYSIM_PARTITIONS ? d->partitionCount : BAYSIM_PARTITIONS;
    unsigned size = LAYOUT_FIRST_ENTRY + n * LAYOUT_ENTRY_SIZE;
    if (size > outSize)
        return 0;
    SimFill(out, 0, size);
    PutLe32(out + LAYOUT_COUNT, n + ((s->machine.answers & BAYSIM_LAYOUT_COUNT_HIGH) ? 3 : 0));
    PutLe32(out + 4, 0x5A170000u + drive); /* signature */
    for (unsigned i = 0; i < n; i++) {
        uint8_t* e = out + LAYOUT_FIRST_ENTRY + i * LAYOUT_ENTRY_SIZE;
        PutLe32(e + LAYOUT_ENTRY_START + 2, (i + 1) * 0x10u); /* (i + 1) MB */
        PutLe32(e + LAYOUT_ENTRY_LENGTH + 2, 0x10u);
        PutLe32(e + LAYOUT_ENTRY_HIDDEN, 63);
        PutLe32(e + LAYOUT_ENTRY_NUMBER, d->partitions[i].number);
        e[LAYOUT_ENTRY_TYPE] = d->partitions[i].recognized ? 0x06 : 0x00;
        e[LAYOUT_ENTRY_RECOGNIZED] = d->partitions[i].recognized;
    }
    if ((s->machine.answers & BAYSIM_LAYOUT_SHORT) && n)
        return LAYOUT_FIRST_ENTRY + LAYOUT_ENTRY_SIZE / 2;
    return size;
}

/* ---- requests ------------------------------------------------------ */

static const char* RequestName(uint32_t code)
{
    switch (code) {
    case BAY_IOCTL_QUERY_STATUS: return "QueryStatus";
    case BAY_IOCTL_QUERY_COUNTS: return "QueryCounts";
    case BAY_IOCTL_DEFINE_LINK: return "DefineLink";
    case BAY_IOCTL_REMOVE_LINK: return "RemoveLink";
    case BAY_IOCTL_CDROM_SCAN: return "CdRomScan";
    case BAY_IOCTL_FLOPPY_SCAN: return "FloppyScan";
    case BAY_IOCTL_SCSI_GET_ADDRESS: return "GetAddress";
    case BAY_IOCTL_SCSI_GET_INQUIRY_DATA: return "InquiryData";
    case BAY_IOCTL_SCSI_RESCAN_BUS: return "RescanBus";
    case BAY_IOCTL_REMOVE_DRIVE: return "RemoveDrive";
    case BAY_IOCTL_STORAGE_FIND_NEW_DEVICES: return "FindNewDevices";
    case BAY_IOCTL_DISK_FIND_NEW_DEVICES: return "DiskFindNewDevices";
    case BAY_IOCTL_DISK_GET_DRIVE_LAYOUT: return "DriveLayout";
    case BAYSIM_IOCTL_SET_MACHINE: return "SetMachine";
    case BAYSIM_IOCTL_CHANGE: return "Change";
    case BAYSIM_IOCTL_FIRE: return "Fire";
    default: return 0;
    }
}

/* Input bytes as text: printable characters as they are, NUL as "|". */
static void PutInput(struct SimLine* line, const uint8_t* in, uint32_t inSize)
{
    if (!inSize)
        return;
    SimPut(line, " [");
    for (uint32_t i = 0; i < inSize && i < 160; i++) {
        uint8_t c = in[i];
        if (c == 0) {
            SimPutChar(line, '|');
        } else if (c >= 0x20 && c < 0x7F && c != '[' && c != ']' && c != '|') {
            SimPutChar(line, (char)c);
        } else {
            SimPut(line, "\\x");
            SimPutHex(line, c, 2);
        }
    }
    if (inSize > 160)
        SimPut(line, "...");
    SimPutChar(line, ']');
}

/* A name and its NUL within the input, from `at`: its length, or -1. */
static int NulEnded(const uint8_t* in, uint32_t inSize, uint32_t at)
{
    for (uint32_t i = at; i < inSize; i++) {
        if (in[i] == 0)
            return (int)(i - at);
    }
    return -1;
}

/* The MS-DOS name of a "\DosDevices\..." link name, or null. */
static const char* DosName(const uint8_t* name, int length)
{
    static const char kPrefix[] = BAY_LINK_PREFIX;
    int n = (int)sizeof kPrefix - 1;
    if (length <= n || length - n >= BAYSIM_LINK_NAME)
        return 0;
    for (int i = 0; i < n; i++) {
        char a = (char)name[i], b = kPrefix[i];
        if (a >= 'a' && a <= 'z')
            a = (char)(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z')
            b = (char)(b - 'a' + 'A');
        if (a != b)
            return 0;
    }
    return (const char*)name + n;
}

static enum BaySimOutcome LinkRequest(BaySimState* s, uint32_t code, const uint8_t* in, uint32_t inSize,
                                      BaySimActions* actions)
{
    if (!in)
        return BAYSIM_BAD_REQUEST;
    int nameLength = NulEnded(in, inSize, 0);
    if (nameLength < 0)
        return BAYSIM_BAD_REQUEST;
    const char* dosName = DosName(in, nameLength);
    int targetLength = -1;
    if (code == BAY_IOCTL_DEFINE_LINK) {
        targetLength = NulEnded(in, inSize, (uint32_t)nameLength + 1);
        if (targetLength <= 0 || targetLength >= BAYSIM_LINK_TARGET ||
            inSize != (uint32_t)(nameLength + targetLength + 2))
            return BAYSIM_BAD_REQUEST;
    } else if (inSize != (uint32_t)nameLength + 1) {
        return BAYSIM_BAD_REQUEST;
    }
    if (!dosName)
        return BAYSIM_BAD_REQUEST;
    if (s->machine.fail & (code == BAY_IOCTL_DEFINE_LINK ? BAYSIM_FAIL_DEFINE_LINK : BAYSIM_FAIL_REMOVE_LINK))
        return BAYSIM_REFUSED;
    char name[BAYSIM_LINK_NAME];
    CopyText(name, sizeof name, dosName, BAYSIM_LINK_NAME);
    int index = LinkIndex(s, name);
    BaySimAction* a;
    if (code == BAY_IOCTL_DEFINE_LINK) {
        if (index >= 0)
            return BAYSIM_NAME_TAKEN;
        if (!RememberLink(s, name) || !(a = Push(actions, BAYSIM_MAKE_LINK)))
            return BAYSIM_REFUSED;
        CopyText(a->name, sizeof a->name, name, sizeof name);
        CopyText(a->target, sizeof a->target, (const char*)in + nameLength + 1, (size_t)targetLength);
        return BAYSIM_OK;
    }
    if (index < 0)
        return BAYSIM_NO_SUCH_LINK;
    s->links[index][0] = '\0';
    if ((a = Push(actions, BAYSIM_DELETE_LINK)))
        CopyText(a->name, sizeof a->name, name, sizeof name);
    return BAYSIM_OK;
}

static enum BaySimOutcome BayRequest(BaySimState* s, uint32_t code, const uint8_t* in, uint32_t inSize, uint8_t* out,
                                     uint32_t outSize, uint32_t* returned, BaySimActions* actions)
{
    uint32_t fail = s->machine.fail;
    switch (code) {
    case BAY_IOCTL_QUERY_STATUS:
        if (fail & BAYSIM_FAIL_STATUS)
            return BAYSIM_REFUSED;
        if (!out || outSize < BAY_STATUS_SIZE)
            return BAYSIM_BAD_REQUEST;
        SimCopy(out, s->machine.status, BAY_STATUS_SIZE);
        *returned = (s->machine.answers & BAYSIM_SHORT_STATUS) ? BAY_STATUS_SIZE - 1 : BAY_STATUS_SIZE;
        return BAYSIM_OK;
    case BAY_IOCTL_QUERY_COUNTS:
        if (fail & BAYSIM_FAIL_COUNTS)
            return BAYSIM_REFUSED;
        if (!out || outSize < BAY_COUNTS_SIZE)
            return BAYSIM_BAD_REQUEST;
        SimFill(out, 0, BAY_COUNTS_SIZE);
        if (s->machine.answers & BAYSIM_COUNTS_HUGE) {
            PutLe32(out + BAY_COUNTS_DISKS, 0xFFFFFFFFu);
            PutLe32(out + BAY_COUNTS_FLOPPIES, 0xFFFFFFFFu);
            PutLe32(out + BAY_COUNTS_CDROMS, 0xFFFFFFFFu);
        } else {
            PutLe32(out + BAY_COUNTS_DISKS, s->disks.next);
            PutLe32(out + BAY_COUNTS_FLOPPIES, s->floppies.next);
            PutLe32(out + BAY_COUNTS_CDROMS, s->cdroms.next);
        }
        *returned = BAY_COUNTS_SIZE;
        return BAYSIM_OK;
    case BAY_IOCTL_DEFINE_LINK:
    case BAY_IOCTL_REMOVE_LINK:
        return LinkRequest(s, code, in, inSize, actions);
    case BAY_IOCTL_CDROM_SCAN:
    case BAY_IOCTL_FLOPPY_SCAN: {
        int cdrom = code == BAY_IOCTL_CDROM_SCAN;
        if (fail & (cdrom ? BAYSIM_FAIL_CDROM_SCAN : BAYSIM_FAIL_FLOPPY_SCAN))
            return BAYSIM_REFUSED;
        if (!out || outSize < BAY_SCAN_ANSWER_SIZE)
            return BAYSIM_BAD_REQUEST;
        /* Only a running class driver can find devices. */
        if (s->classDriverRunning[cdrom ? 0 : 1])
            FindNewDevices(s, cdrom ? BAYSIM_CDROM : BAYSIM_LS120, actions);
        SimFill(out, 0, BAY_SCAN_ANSWER_SIZE);
        *returned = BAY_SCAN_ANSWER_SIZE;
        return BAYSIM_OK;
    }
    default:
        return BAYSIM_UNKNOWN_CODE;
    }
}

static enum BaySimOutcome PortRequest(BaySimState* s, unsigned port, uint32_t code, uint8_t* out, uint32_t outSize,
                                      uint32_t* returned, unsigned* entries)
{
    uint32_t fail = s->machine.fail;
    switch (code) {
    case BAY_IOCTL_SCSI_GET_INQUIRY_DATA:
        if (fail & BAYSIM_FAIL_INQUIRY)
            return BAYSIM_REFUSED;
        if (!out || outSize < BUS_INFO_FIRST_BUS + BUS_DATA_SIZE)
            return BAYSIM_BAD_REQUEST;
        *returned = BuildInquiry(s, port, out, outSize, entries);
        return BAYSIM_OK;
    case BAY_IOCTL_SCSI_RESCAN_BUS:
        if (fail & BAYSIM_FAIL_RESCAN)
            return BAYSIM_REFUSED;
        for (unsigned i = 0; i < BAYSIM_DRIVES; i++) {
            const BaySimDrive* d = &s->machine.drives[i];
            if (!OnAPort(d) || d->port != port)
                continue;
            s->visible[i] = d->attached;
            if (!d->attached && s->hasClass[i]) {
                /* Its class device is left without a drive. */
                BaySimClass* c = ClassOf(s, d->kind);
                for (unsigned n = 0; c && n < BAYSIM_CLASS_DEVICES; n++) {
                    if (c->devices[n].used && c->devices[n].drive == i)
                        c->devices[n].gone = 1;
                }
                s->hasClass[i] = 0;
            }
        }
        return BAYSIM_OK;
    default:
        return BAYSIM_UNKNOWN_CODE;
    }
}

static enum BaySimOutcome ClassRequest(BaySimState* s, BaySimNode node, uint32_t code, uint8_t* out,
                                       uint32_t outSize, uint32_t* returned, BaySimActions* actions)
{
    BaySimClass* c = node.kind == BAYSIM_NODE_CDROM ? &s->cdroms
                     : node.kind == BAYSIM_NODE_FLOPPY ? &s->floppies
                                                       : &s->disks;
    /* A device that should not exist answers nothing (the driver meets
     * it only through a handle opened before its drive went). */
    if (!BaySimShouldExist(s, node))
        return BAYSIM_GONE;
    BaySimClassDevice* e = &c->devices[FindNumber(c, node.index)];
    unsigned drive = e->drive;
    const BaySimDrive* d = &s->machine.drives[drive];
    uint32_t fail = s->machine.fail;
    switch (code) {
    case BAY_IOCTL_SCSI_GET_ADDRESS:
        if (!OnAPort(d))
            return BAYSIM_UNKNOWN_CODE; /* a floppy drive is no SCSI device */
        if (fail & BAYSIM_FAIL_ADDRESS)
            return BAYSIM_REFUSED;
        if (!out || outSize < SCSI_ADDRESS_SIZE)
            return BAYSIM_BAD_REQUEST;
        PutLe32(out, SCSI_ADDRESS_SIZE);
        out[SCSI_ADDRESS_PORT] = d->port;
        out[SCSI_ADDRESS_PATH] = d->path;
        out[SCSI_ADDRESS_TARGET] = d->target;
        out[SCSI_ADDRESS_LUN] = d->lun;
        *returned = SCSI_ADDRESS_SIZE;
        return BAYSIM_OK;
    case BAY_IOCTL_REMOVE_DRIVE: {
        if (fail & BAYSIM_FAIL_REMOVE_DRIVE)
            return BAYSIM_REFUSED;
        e->used = 0; /* its objects no longer exist: the driver deletes them */
        s->hasClass[drive] = 0;
        s->visible[drive] = 0; /* found again only after a rescan */
        if (!NumbersGrow(s))
            GiveBackNumbers(c);
        return BAYSIM_OK;
    }
    case BAY_IOCTL_STORAGE_FIND_NEW_DEVICES:
    case BAY_IOCTL_DISK_FIND_NEW_DEVICES:
        if (fail & BAYSIM_FAIL_FIND_NEW)
            return BAYSIM_REFUSED;
        if (code == BAY_IOCTL_DISK_FIND_NEW_DEVICES && node.kind != BAYSIM_NODE_DISK)
            return BAYSIM_UNKNOWN_CODE;
        FindNewDevices(s, d->kind == BAYSIM_FLOPPY ? BAYSIM_LS120 : d->kind, actions);
        return BAYSIM_OK;
    case BAY_IOCTL_DISK_GET_DRIVE_LAYOUT:
        if (node.kind != BAYSIM_NODE_DISK)
            return BAYSIM_UNKNOWN_CODE;
        if (fail & BAYSIM_FAIL_LAYOUT)
            return BAYSIM_REFUSED;
        if (!out || !(*returned = BuildLayout(s, drive, out, outSize)))
            return BAYSIM_BAD_REQUEST;
        return BAYSIM_OK;
    default:
        return BAYSIM_UNKNOWN_CODE;
    }
}

enum BaySimOutcome BaySimHandle(BaySimState* s, BaySimNode node, uint32_t code, const uint8_t* in, uint32_t inSize,
                                uint8_t* out, uint32_t outSize, uint32_t* returned, BaySimActions* actions,
                                char* record, size_t recordSize)
{
    struct SimLine line;
    SimBegin(&line, record, recordSize);
    PutNode(&line, node, 0);
    SimPutChar(&line, ' ');
    const char* name = RequestName(code);
    if (name) {
        SimPut(&line, name);
    } else {
        SimPut(&line, "ioctl ");
        SimPutHex(&line, code, 8);
    }
    /* The answer may overwrite the input (buffered requests): describe it first. */
    PutInput(&line, in, in ? inSize : 0);
    SimPut(&line, " out=");
    SimPutDec(&line, outSize);

    enum BaySimOutcome outcome = BAYSIM_UNKNOWN_CODE;
    unsigned entries = 0;
    *returned = 0;
    switch (node.kind) {
    case BAYSIM_NODE_BAY:
        outcome = BayRequest(s, code, in, inSize, out, outSize, returned, actions);
        break;
    case BAYSIM_NODE_CONTROL:
        if (code == BAYSIM_IOCTL_FIRE) {
            Push(actions, BAYSIM_FIRE_EVENT);
            outcome = BAYSIM_OK;
        } else if (code == BAYSIM_IOCTL_SET_MACHINE || code == BAYSIM_IOCTL_CHANGE) {
            if (!in || inSize != sizeof(BaySimMachine)) {
                outcome = BAYSIM_BAD_REQUEST;
            } else {
                if (code == BAYSIM_IOCTL_SET_MACHINE)
                    SetMachine(s, in, actions);
                else
                    Change(s, in, actions);
                outcome = BAYSIM_OK;
            }
        }
        break;
    case BAYSIM_NODE_PORT:
        outcome = PortRequest(s, node.index, code, out, outSize, returned, &entries);
        break;
    default:
        outcome = ClassRequest(s, node, code, out, outSize, returned, actions);
        break;
    }

    static const char* const kOutcome[] = {": ok", ": refused", ": bad request", ": gone", ": name taken",
                                           ": no such link", ": unknown request"};
    SimPut(&line, kOutcome[outcome]);
    if (outcome == BAYSIM_OK && *returned) {
        SimPutChar(&line, ' ');
        SimPutDec(&line, *returned);
    }
    if (outcome == BAYSIM_OK && code == BAY_IOCTL_SCSI_GET_INQUIRY_DATA) {
        SimPut(&line, ", ");
        SimPutDec(&line, entries);
        SimPut(&line, entries == 1 ? " entry" : " entries");
    }
    return outcome;
}

enum BaySimOutcome BaySimOpen(const BaySimState* s, BaySimNode node, uint32_t share, char* record,
                              size_t recordSize)
{
    enum BaySimOutcome outcome = BaySimShouldExist(s, node) ? BAYSIM_OK : BAYSIM_GONE;
    struct SimLine line;
    SimBegin(&line, record, recordSize);
    PutNode(&line, node, 0);
    SimPut(&line, " open share=");
    SimPut(&line, (share & 3) == 3 ? "read+write" : (share & 1) ? "read" : (share & 2) ? "write" : "none");
    if (outcome != BAYSIM_OK)
        SimPut(&line, ": gone");
    return outcome;
}

uint32_t BaySimSlowDriverMs(const BaySimMachine* m)
{
    if (!(m->behaviour & BAYSIM_SLOW_DRIVERS))
        return 0;
    return m->slowDriverMs ? m->slowDriverMs : BAYSIM_SLOW_DRIVER_DEFAULT_MS;
}

/* ---- the MS-DOS names of a Windows 2000 machine -------------------- */

/* Hexadecimal as these names write it: lower case for instance ids and
 * interface classes, upper case in volume names; digits 0: no leading
 * zeros. */
static void PutHex(struct SimLine* line, uint32_t value, int digits, int lower)
{
    const char* set = lower ? "0123456789abcdef" : "0123456789ABCDEF";
    char s[9];
    int n = 0;
    if (!digits) {
        uint32_t v = value;
        do {
            digits++;
            v >>= 4;
        } while (v);
    }
    if (digits > 8)
        digits = 8;
    for (n = digits - 1; n >= 0; n--) {
        s[n] = set[value & 15];
        value >>= 4;
    }
    s[digits] = '\0';
    SimPut(line, s);
}

/* Device interface classes: disk, CD-ROM, volume, USB hub, HID,
 * keyboard, network miniport, USB device. */
static const char* const kInterfaces[] = {
    "{53f56307-b6bf-11d0-94f2-00a0c91efb8b}", "{53f56308-b6bf-11d0-94f2-00a0c91efb8b}",
    "{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}", "{f18a0e88-c30c-11d0-8815-00a0c906bed8}",
    "{4d1e55b2-f16f-11cf-88cb-001111000030}", "{884b96c3-56ef-11d1-bc8c-00a0c91405dd}",
    "{ad498944-762f-11d0-8dcb-00c04fc3358c}", "{a5dcbf10-6530-11d2-901f-00c04fb951ed}"};

int BaySimLongName(unsigned index, char* name, size_t nameSize, char* target, size_t targetSize)
{
    static const char* const kPciDevices[] = {"7190", "7191", "7110", "7111", "7112", "7113", "1229", "2411", "7195", "1A30"};
    static const char* const kAcpiIds[] = {"PNP0303", "PNP0F13", "PNP0C0A", "PNP0A03", "PNP0B00",
                                           "PNP0C0C", "PNP0C0E", "PNP0000", "PNP0100", "PNP0800"};
    static const char* const kRootNames[] = {"MS_PPTPMINIPORT", "MS_L2TPMINIPORT", "MS_NDISWANIP", "MS_PTIMINIPORT",
                                             "RDPDR", "RDP_KBD", "RDP_MOU", "SYSTEM", "MS_NDISWANBH", "MS_PSCHEDMP"};
    struct SimLine n, t;
    unsigned k = index / 10;
    if (index >= BAYSIM_LONG_NAMES || nameSize < BAYSIM_LONG_NAME || targetSize < BAYSIM_LONG_NAME_TARGET)
        return 0;
    SimBegin(&n, name, nameSize);
    SimBegin(&t, target, targetSize);
    SimPut(&t, "\\Device\\");
    switch (index % 10) {
    case 0: /* a volume by its unique id */
        SimPut(&n, "Volume{");
        PutHex(&n, 0x6f8a5e30u + k * 0x10101u, 8, 1);
        SimPut(&n, "-2b1c-11d5-a1b2-806d6172696f}");
        SimPut(&t, "HarddiskVolume");
        SimPutDec(&t, k + 1);
        break;
    case 1: /* an IDE drive's disk or CD-ROM interface */
        SimPut(&n, k % 2 ? "IDE#DiskGENERIC_FIXED_DISK______1.00____#5&" : "IDE#CdRomGENERIC_CD-ROM_DRIVE____1.00____#5&");
        PutHex(&n, 0x2f3b0e2u + k * 0x111u, 7, 1);
        SimPut(&n, "&0&");
        SimPutDec(&n, k % 2);
        SimPut(&n, ".0.0#");
        SimPut(&n, kInterfaces[k % 2 ? 0 : 1]);
        SimPut(&t, "IdeDeviceP");
        SimPutDec(&t, k % 2);
        SimPut(&t, "T0L0-");
        SimPutDec(&t, k + 3);
        break;
    case 2: /* a volume's interface, by the disk's signature and where the partition lies */
        SimPut(&n, "STORAGE#Volume#1&30a96598&0&Signature");
        PutHex(&n, 0x5A17u + k, 0, 0);
        SimPut(&n, "Offset");
        PutHex(&n, 0x7E00u, 0, 0);
        SimPut(&n, "Length");
        PutHex(&n, 0x1F40u + k * 0x100u, 0, 0);
        SimPutChar(&n, '#');
        SimPut(&n, kInterfaces[2]);
        SimPut(&t, "HarddiskVolume");
        SimPutDec(&t, k + 1);
        break;
    case 3: /* a PCI function */
        SimPut(&n, "PCI#VEN_8086&DEV_");
        SimPut(&n, kPciDevices[k]);
        SimPut(&n, "&SUBSYS_00000000&REV_01#3&61aaa01&0&");
        PutHex(&n, 0x38u + k, 2, 0);
        SimPut(&n, "#{4d36e96a-e325-11ce-bfc1-08002be10318}");
        SimPut(&t, "NTPNP_PCI");
        PutHex(&t, 7 + k, 4, 0);
        break;
    case 4: /* a USB hub or device */
        SimPut(&n, k % 2 ? "USB#Vid_046d&Pid_c00e#5&2c3f1e&0&" : "USB#ROOT_HUB#4&1a0f4c5&");
        SimPutDec(&n, k);
        SimPutChar(&n, '#');
        SimPut(&n, kInterfaces[k % 2 ? 7 : 3]);
        SimPut(&t, "USBPDO-");
        SimPutDec(&t, k + 3);
        break;
    case 5: /* a HID collection */
        SimPut(&n, "HID#Vid_046d&Pid_c00e#6&2b4a2c9b&0&");
        PutHex(&n, k, 4, 0);
        SimPutChar(&n, '#');
        SimPut(&n, kInterfaces[4]);
        PutHex(&t, 0x4au + k, 8, 1);
        break;
    case 6: /* a device the firmware tables describe */
        SimPut(&n, "ACPI#");
        SimPut(&n, kAcpiIds[k]);
        SimPut(&n, "#4&1d401fb5&0#");
        SimPut(&n, kInterfaces[5]);
        PutHex(&t, 0x3cu + k, 8, 1);
        break;
    case 7: /* a device of the system's own */
        SimPut(&n, "Root#");
        SimPut(&n, kRootNames[k]);
        SimPut(&n, "#0000#");
        SimPut(&n, kInterfaces[6]);
        PutHex(&t, 0x1fu + k, 8, 1);
        break;
    case 8: /* the floppy controller's drive */
        SimPut(&n, "FDC#GENERIC_FLOPPY_DRIVE#6&1435b2e2&0&");
        SimPutDec(&n, k);
        SimPutChar(&n, '#');
        SimPut(&n, kInterfaces[2]);
        PutHex(&t, 0x27u + k, 8, 1);
        break;
    default: /* removable media */
        SimPut(&n, "STORAGE#RemovableMedia#7&1c0b5b1&0&RM");
        SimPutDec(&n, k);
        SimPutChar(&n, '#');
        SimPut(&n, kInterfaces[2]);
        PutHex(&t, 0x58u + k, 8, 1);
        break;
    }
    return 1;
}

static char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

int BaySimIsLongName(const char* name)
{
    char listed[BAYSIM_LONG_NAME], target[BAYSIM_LONG_NAME_TARGET];
    for (unsigned i = 0; BaySimLongName(i, listed, sizeof listed, target, sizeof target); i++) {
        size_t c = 0;
        while (listed[c] && Upper(listed[c]) == Upper(name[c]))
            c++;
        if (!listed[c] && !name[c])
            return 1;
    }
    return 0;
}

int BaySimIsMachineLinkName(const char* name)
{
    static const char kDisk[] = "PHYSICALDRIVE";
    size_t n = 0;
    if (((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')) && name[1] == ':' && !name[2])
        return 1;
    while (kDisk[n] && Upper(name[n]) == kDisk[n])
        n++;
    if (!kDisk[n] && name[n]) {
        while (name[n] >= '0' && name[n] <= '9')
            n++;
        if (!name[n])
            return 1;
    }
    return BaySimIsLongName(name);
}
