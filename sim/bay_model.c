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

static BaySimNode Node(enum BaySimNodeKind kind, unsigned index, unsigned partition)
{
    BaySimNode n;
    n.kind = (uint8_t)kind;
    n.index = (uint8_t)index;
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

/* The drive gets the next number of its class and its device objects. */
static void MakeClassDevice(BaySimState* s, unsigned drive, BaySimActions* actions)
{
    const BaySimDrive* d = &s->machine.drives[drive];
    BaySimClass* c = ClassOf(s, d->kind);
    if (!c || c->count >= BAYSIM_CLASS_DEVICES)
        return;
    unsigned number = c->count++;
    c->drive[number] = (uint8_t)drive;
    c->exists[number] = 1;
    c->gone[number] = 0;
    s->hasClass[drive] = 1;
    BaySimAction* a;
    if (d->kind == BAYSIM_CDROM) {
        if ((a = Push(actions, BAYSIM_MAKE_DEVICE)))
            a->node = Node(BAYSIM_NODE_CDROM, number, 0);
    } else if (d->kind == BAYSIM_DISK) {
        if ((a = Push(actions, BAYSIM_MAKE_DEVICE)))
            a->node = Node(BAYSIM_NODE_DISK, number, 0);
        /* One device per partition number, as the disk driver makes them. */
        for (unsigned p = 0; p < d->partitionCount && p < BAYSIM_PARTITIONS; p++) {
            unsigned partition = d->partitions[p].number;
            int seen = partition == 0;
            for (unsigned q = 0; q < p && !seen; q++)
                seen = d->partitions[q].number == partition;
            if (!seen && (a = Push(actions, BAYSIM_MAKE_DEVICE)))
                a->node = Node(BAYSIM_NODE_DISK, number, partition);
        }
    } else {
        if ((a = Push(actions, BAYSIM_MAKE_DEVICE)))
            a->node = Node(BAYSIM_NODE_FLOPPY, number, 0);
    }
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
    for (unsigned i = 0; i < BAYSIM_LINKS; i++) {
        const BaySimLink* l = &m->links[i];
        if (!l->name[0] || LinkIndex(s, l->name) >= 0 || !RememberLink(s, l->name))
            continue;
        BaySimAction* a = Push(actions, BAYSIM_MAKE_LINK);
        if (a) {
            CopyText(a->name, sizeof a->name, l->name, BAYSIM_LINK_NAME);
            CopyText(a->target, sizeof a->target, l->target, BAYSIM_LINK_TARGET);
            a->longTarget = l->longTarget;
        }
    }
}

/* Everything before the set-up links: status, failures, answers, drives. */
static void Change(BaySimState* s, const uint8_t* in, BaySimActions* actions)
{
    SimCopy((unsigned char*)&s->machine, in, offsetof(BaySimMachine, links));
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
            PutLe32(out + BAY_COUNTS_DISKS, s->disks.count);
            PutLe32(out + BAY_COUNTS_FLOPPIES, s->floppies.count);
            PutLe32(out + BAY_COUNTS_CDROMS, s->cdroms.count);
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
                for (unsigned n = 0; c && n < c->count; n++) {
                    if (c->drive[n] == i)
                        c->gone[n] = 1;
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
    if (node.index >= c->count || !c->exists[node.index] || c->gone[node.index])
        return BAYSIM_GONE;
    unsigned drive = c->drive[node.index];
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
        BaySimAction* a = Push(actions, BAYSIM_DELETE_DEVICE);
        if (a)
            a->node = Node(node.kind, node.index, 0);
        c->exists[node.index] = 0;
        s->hasClass[drive] = 0;
        s->visible[drive] = 0; /* found again only after a rescan */
        while (c->count > 0 && !c->exists[c->count - 1])
            c->count--;
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

void BaySimDescribeOpen(BaySimNode node, uint32_t share, char* record, size_t recordSize)
{
    struct SimLine line;
    SimBegin(&line, record, recordSize);
    PutNode(&line, node, 0);
    SimPut(&line, " open share=");
    SimPut(&line, (share & 3) == 3 ? "read+write" : (share & 1) ? "read" : (share & 2) ? "write" : "none");
}
