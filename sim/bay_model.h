/* The simulated bay machine's behaviour: what it has found, how it answers
 * each request, and which devices and links the driver must make or
 * delete in consequence. Pure C without system calls, so the kernel
 * driver and native tests share it. Test equipment. */
#ifndef BAY_MODEL_H
#define BAY_MODEL_H

#include <stddef.h>
#include <stdint.h>

#include "bay_sim.h"

/* Where a request went. */
enum BaySimNodeKind {
    BAYSIM_NODE_BAY,     /* the bay driver's device, "swapctl0" */
    BAYSIM_NODE_CONTROL, /* "BaySim" */
    BAYSIM_NODE_PORT,    /* "scsi<index>" */
    BAYSIM_NODE_CDROM,   /* "CdRom<index>" */
    BAYSIM_NODE_FLOPPY,  /* "Floppy<index>" */
    BAYSIM_NODE_DISK     /* "Harddisk<index>\Partition<partition>" */
};

typedef struct BaySimNode {
    uint8_t kind;
    uint8_t partition;
    uint32_t index; /* a port, or a class number: numbers only grow on a machine that runs long */
} BaySimNode;

enum {
    BAYSIM_CLASS_DEVICES = 16, /* class devices that exist at once, per class */
    BAYSIM_MADE_LINKS = 64,
    BAYSIM_ACTIONS = 64,
    BAYSIM_DEVICE_NAME = 48
};

/* One class device the class driver knows: its number, the drive behind
 * it and the partitions it made. Whether its objects exist now is
 * BaySimShouldExist's to say. */
typedef struct BaySimClassDevice {
    uint32_t number;
    uint8_t used;        /* the entry holds a device */
    uint8_t drive;       /* the drive behind it */
    uint8_t gone;        /* its drive left without a removal request and its port was rescanned */
    uint8_t floppyDrive; /* the floppy controller's drive (BAYSIM_FLOPPY), not an LS-120 drive */
    uint8_t partitionCount;
    uint8_t partitions[BAYSIM_PARTITIONS]; /* a disk's partition numbers with a device, 0 aside */
} BaySimClassDevice;

/* The class devices of one class, keyed by number (a gone device keeps
 * its entry, and so its number, until the next set-up), and the number the
 * next device gets (what the device counts report). Without
 * BAYSIM_NUMBERS_GROW the next number is one past the highest that
 * exists: a device removed from the middle leaves a gap, one removed from
 * the end gives its number back. With it, it only grows. */
typedef struct BaySimClass {
    uint32_t next;
    BaySimClassDevice devices[BAYSIM_CLASS_DEVICES];
} BaySimClass;

typedef struct BaySimState {
    BaySimMachine machine;
    uint8_t visible[BAYSIM_DRIVES];  /* its port shows it */
    uint8_t hasClass[BAYSIM_DRIVES]; /* its class device exists */
    BaySimClass cdroms, floppies, disks;
    char links[BAYSIM_MADE_LINKS][BAYSIM_LINK_NAME]; /* links that exist, made by the machine */
    uint32_t classDriverRunning[2];                  /* vlxcdrom, vlxls120 as last seen */
} BaySimState;

/* What the driver must do after a request. */
enum BaySimActionKind {
    /* node. There is no action to delete one: after every request the
     * driver deletes the objects BaySimShouldExist no longer wants. */
    BAYSIM_MAKE_DEVICE,
    BAYSIM_MAKE_LINK,   /* name -> target */
    BAYSIM_DELETE_LINK, /* name */
    BAYSIM_DELETE_ALL,  /* every class device and every link made so far */
    BAYSIM_FIRE_EVENT,
    BAYSIM_MAKE_LONG_NAMES, /* the MS-DOS names of BaySimLongName */
    BAYSIM_CANNOT_MAKE      /* node: the device a drive should get has no room or no number (recorded) */
};

typedef struct BaySimAction {
    uint8_t kind;
    uint8_t shape; /* of a link: BAYSIM_LINK_* */
    BaySimNode node;
    char name[BAYSIM_LINK_NAME];
    char target[BAYSIM_LINK_TARGET];
} BaySimAction;

typedef struct BaySimActions {
    unsigned count;
    BaySimAction items[BAYSIM_ACTIONS];
} BaySimActions;

enum BaySimOutcome {
    BAYSIM_OK,
    BAYSIM_REFUSED,      /* the machine was told to refuse it */
    BAYSIM_BAD_REQUEST,  /* sizes or bytes not as the request's layout says */
    BAYSIM_GONE,         /* the device was taken out of use */
    BAYSIM_NAME_TAKEN,   /* a link of that name exists */
    BAYSIM_NO_SUCH_LINK,
    BAYSIM_UNKNOWN_CODE
};

/* An empty machine: nothing attached, no class device, no link. */
void BaySimReset(BaySimState* s);

/* Answers one device request. in and out may be the same buffer (as for
 * buffered requests). *returned receives the answer's byte count, record
 * one line describing the request and its outcome. */
enum BaySimOutcome BaySimHandle(BaySimState* s, BaySimNode node, uint32_t code, const uint8_t* in, uint32_t inSize,
                                uint8_t* out, uint32_t outSize, uint32_t* returned, BaySimActions* actions,
                                char* record, size_t recordSize);

/* Before every request: the class drivers' state as the stubs recorded it
 * (nonzero: running). A class driver that has started since the last look
 * finds the drives of its class. */
void BaySimNoticeClassDrivers(BaySimState* s, uint32_t cdromRunning, uint32_t ls120Running, BaySimActions* actions);

/* Whether the node's device object should exist now. Always for the bay,
 * control and port devices. A class device's does not when its number
 * does not exist (removed, or never given), when its drive has left and
 * its port was rescanned (gone: never again under that number), for the
 * floppy drive while the bay status shows no floppy drive anywhere (it
 * comes back under its number), and for a disk partition the disk driver
 * did not make. The driver deletes an object that should not exist once
 * no handle is open on it. */
int BaySimShouldExist(const BaySimState* s, BaySimNode node);

/* An open of a node that reached the driver, with the share mode asked:
 * BAYSIM_OK, or BAYSIM_GONE when its object should not exist (it is still
 * there because a handle is open on it). record receives one line; it
 * names the outcome only when the open is refused. (The access asked does
 * not reach a driver under Wine; the system itself refuses a request
 * whose code needs access the handle lacks.) */
enum BaySimOutcome BaySimOpen(const BaySimState* s, BaySimNode node, uint32_t share, char* record,
                              size_t recordSize);

/* The MS-DOS names a Windows 2000 machine lists besides its drive letters
 * (volumes, device interfaces), made with BAYSIM_LONG_NAME_LIST: name
 * number index (0 to BAYSIM_LONG_NAMES - 1) and the NT name it leads to,
 * never a bay class device. 0 past the end, or when a buffer is smaller
 * than BAYSIM_LONG_NAME or BAYSIM_LONG_NAME_TARGET. */
enum { BAYSIM_LONG_NAMES = 100, BAYSIM_LONG_NAME = 104, BAYSIM_LONG_NAME_TARGET = 40 };
int BaySimLongName(unsigned index, char* name, size_t nameSize, char* target, size_t targetSize);

/* Whether the name is one of BaySimLongName's (case does not count). */
int BaySimIsLongName(const char* name);

/* Whether an MS-DOS name is the machine's to delete at set-up and unload,
 * whoever made it: a drive letter, PhysicalDrive<digits> (any number: a
 * crashed run with growing numbers leaves PhysicalDrive1234) or a name of
 * the long list. Never anything else: Wine's own names, the bay driver's
 * swapctl0, BaySim, Scsi<n>:. */
int BaySimIsMachineLinkName(const char* name);

/* How long a stub takes to start and to stop in this machine, in
 * milliseconds: 0 without BAYSIM_SLOW_DRIVERS. */
uint32_t BaySimSlowDriverMs(const BaySimMachine* m);

/* The node's NT device name ("\Device\CdRom0"), and its short name as
 * used in records ("CdRom0"). */
void BaySimDeviceName(BaySimNode node, char* name, size_t size);
void BaySimShortName(BaySimNode node, char* name, size_t size);

#endif /* BAY_MODEL_H */
