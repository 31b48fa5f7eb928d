/* The simulated bay machine: its configuration, the requests that set it
 * up and change it, and the record of what it was asked. Shared by the
 * simulated driver (bay_driver.c), its model (bay_model.c), the control
 * program and the tests. Test equipment, never part of a deliverable.
 * Plain C.
 *
 * One driver binary plays every role. Registered as the bay driver's
 * service ("swapctl") it is the machine: the bay driver's device and
 * event, the bay controller's SCSI ports ("\\.\scsi0:" to "\\.\scsi5:"),
 * the class devices of the drives ("\Device\CdRom%d", "\Device\Floppy%d",
 * "\Device\Harddisk%d\Partition%d") and a control device, "\\.\BaySim".
 * Registered under any other name (the miniport, the class drivers, the
 * CD-ROM file system) it is a stub whose only behaviour is its service
 * state. */
#ifndef BAY_SIM_H
#define BAY_SIM_H

#include <stdint.h>

#include "bay_requests.h"

#define BAYSIM_CONTROL_PATH "\\\\.\\BaySim"
#define BAYSIM_CONTROL_NAME "BaySim"

/* Stubs record their state under this key (HKEY_LOCAL_MACHINE), one
 * REG_DWORD per service name: 1 while running, 0 once unloaded. The
 * machine reads it at every request, to notice a class driver that has
 * just started. */
#define BAYSIM_KEY "SOFTWARE\\BaySim"
#define BAYSIM_KEY_NT L"\\Registry\\Machine\\" BAYSIM_KEY
#define BAYSIM_DRIVERS_KEY BAYSIM_KEY "\\Drivers"
#define BAYSIM_DRIVERS_KEY_NT L"\\Registry\\Machine\\" BAYSIM_DRIVERS_KEY

/* How long the stubs take to start and to stop, in milliseconds
 * (REG_DWORD under BAYSIM_KEY): the machine writes it at every set-up and
 * change (0 when its drivers are quick), the stubs read it when they start
 * and when they unload. The machine and the stubs run in separate
 * processes: the registry is all they share. */
#define BAYSIM_SLOW_DRIVER_MS "SlowDriverMs"

/* Values a test may put into a role's own service key before starting it
 * (REG_DWORD, nonzero = on). */
#define BAYSIM_FAIL_START "SimFailStart" /* DriverEntry fails: the service does not start */
#define BAYSIM_NO_EVENT "SimNoEvent"     /* the machine makes no device-change event */

/* Control requests to "\\.\BaySim" (device type 0x8000, buffered, any access). */
#define BAYSIM_IOCTL(function) ((0x8000u << 16) | ((uint32_t)(function) << 2))
#define BAYSIM_IOCTL_SET_MACHINE BAYSIM_IOCTL(0x900) /* in: BaySimMachine; the machine as at boot */
#define BAYSIM_IOCTL_CHANGE BAYSIM_IOCTL(0x901)      /* in: BaySimMachine; the bays change, the event fires */
#define BAYSIM_IOCTL_READ_LOG BAYSIM_IOCTL(0x902)    /* out: the record, lines ended by NUL, then a NUL */
#define BAYSIM_IOCTL_CLEAR_LOG BAYSIM_IOCTL(0x903)
#define BAYSIM_IOCTL_FIRE BAYSIM_IOCTL(0x904) /* the event fires, nothing changes */
#define BAYSIM_IOCTL_READ_TIMES BAYSIM_IOCTL(0x905) /* out: BaySimTimes */

/* When the event last fired and when the last request was recorded, in
 * the system's time (100 ns units): what a bay change took. */
typedef struct BaySimTimes {
    int64_t fired;
    int64_t lastRequest;
} BaySimTimes;

/* What a drive is. A floppy drive is not on a SCSI port. */
enum BaySimKind {
    BAYSIM_NONE = 0,
    BAYSIM_CDROM = 1,  /* class "\Device\CdRom%d", found by the CD-ROM class driver */
    BAYSIM_LS120 = 2,  /* class "\Device\Floppy%d", found by the LS-120 class driver */
    BAYSIM_DISK = 3,   /* class "\Device\Harddisk%d\Partition%d", found by the disk driver */
    BAYSIM_FLOPPY = 4  /* the floppy drive: "\Device\Floppy%d" */
};

enum {
    BAYSIM_DRIVES = 16,
    BAYSIM_PARTITIONS = 8,
    BAYSIM_LINKS = 32,
    BAYSIM_LINK_NAME = 32,
    BAYSIM_LINK_TARGET = 64,
    BAYSIM_LOG_LINE = 256
};

typedef struct BaySimPartition {
    uint8_t number;     /* the partition number in the layout */
    uint8_t recognized; /* the recognized-partition flag */
} BaySimPartition;

typedef struct BaySimDrive {
    uint8_t kind;     /* BaySimKind; BAYSIM_NONE: the slot is unused */
    uint8_t attached; /* in the machine now */
    uint8_t port, path, target, lun;
    uint8_t deviceType; /* inquiry byte 0 */
    uint8_t partitionCount;
    char vendor[8];   /* inquiry bytes 8-15, blank-padded, no NUL */
    char product[16]; /* inquiry bytes 16-31 */
    BaySimPartition partitions[BAYSIM_PARTITIONS];
} BaySimDrive;

/* The shapes of a set-up link. */
enum {
    BAYSIM_LINK_PLAIN = 0,
    BAYSIM_LINK_LONG_TARGET = 1, /* the target is padded past 2048 characters */
    BAYSIM_LINK_UNREADABLE = 2   /* listed among the MS-DOS names, but no link: querying it fails */
};

typedef struct BaySimLink {
    char name[BAYSIM_LINK_NAME];     /* an MS-DOS name ("C:", "PhysicalDrive0"); empty: unused */
    char target[BAYSIM_LINK_TARGET]; /* an NT name ("\Device\Harddisk0\Partition1") */
    uint8_t shape;                   /* BAYSIM_LINK_* */
} BaySimLink;

/* Requests the machine refuses (with an I/O device error). */
enum {
    BAYSIM_FAIL_STATUS = 0x0001,
    BAYSIM_FAIL_COUNTS = 0x0002,
    BAYSIM_FAIL_DEFINE_LINK = 0x0004,
    BAYSIM_FAIL_REMOVE_LINK = 0x0008,
    BAYSIM_FAIL_CDROM_SCAN = 0x0010,
    BAYSIM_FAIL_FLOPPY_SCAN = 0x0020,
    BAYSIM_FAIL_ADDRESS = 0x0040,
    BAYSIM_FAIL_INQUIRY = 0x0080,
    BAYSIM_FAIL_RESCAN = 0x0100,
    BAYSIM_FAIL_REMOVE_DRIVE = 0x0200,
    BAYSIM_FAIL_FIND_NEW = 0x0400, /* both find-new-devices requests */
    BAYSIM_FAIL_LAYOUT = 0x0800
};

/* Answers that are short or hostile on purpose. */
enum {
    BAYSIM_SHORT_STATUS = 0x0001,        /* the bay status answers 8 bytes */
    BAYSIM_INQUIRY_LOOP = 0x0002,        /* the last entry's next offset points back to the first */
    BAYSIM_INQUIRY_OUTSIDE = 0x0004,     /* the first entry's offset lies past the answer */
    BAYSIM_INQUIRY_NEXT_OUTSIDE = 0x0008,/* an entry's next offset lies past the answer */
    BAYSIM_INQUIRY_LONG_ENTRY = 0x0010,  /* the last entry claims more inquiry bytes than remain */
    BAYSIM_INQUIRY_NO_BUSES = 0x0020,    /* the answer names no bus */
    BAYSIM_LAYOUT_COUNT_HIGH = 0x0040,   /* the layout counts more partitions than it holds */
    BAYSIM_LAYOUT_SHORT = 0x0080,        /* the layout answer stops inside its first entry */
    BAYSIM_SLOW_RESCAN = 0x0100,         /* a rescan takes half a second */
    BAYSIM_COUNTS_HUGE = 0x0200,         /* every device count answers 0xFFFFFFFF */
    BAYSIM_SLOW_COUNTS = 0x0400          /* a count request takes half a second */
};

/* How much the machine behaves like one that has run for a while: off,
 * it is the kind machine of a fresh boot. */
enum {
    /* The class drivers give every arriving drive the next number and
     * never reuse one: a removal gives nothing back, the counts never fall. */
    BAYSIM_NUMBERS_GROW = 0x0001,
    /* The MS-DOS name list is as long as a Windows 2000 machine's: a name
     * for every volume and device interface besides the drive letters. */
    BAYSIM_LONG_NAME_LIST = 0x0002,
    /* The stub drivers take their time to start and to stop. */
    BAYSIM_SLOW_DRIVERS = 0x0004
};

enum { BAYSIM_SLOW_DRIVER_DEFAULT_MS = 1500 };

typedef struct BaySimMachine {
    uint8_t status[BAY_STATUS_SIZE]; /* what the bay status request answers */
    uint8_t reserved[3];
    uint32_t fail;      /* BAYSIM_FAIL_* */
    uint32_t answers;   /* BAYSIM_SHORT_STATUS, BAYSIM_INQUIRY_*, BAYSIM_LAYOUT_* */
    uint32_t behaviour; /* BAYSIM_NUMBERS_GROW, BAYSIM_LONG_NAME_LIST, BAYSIM_SLOW_DRIVERS */
    /* With BAYSIM_NUMBERS_GROW: the number the first drive arriving after
     * set-up takes in each class, as on a machine up for days (the boot
     * devices are numbered from 0); 0: right after the boot devices. Read
     * at set-up only. */
    uint32_t numbersFrom;
    /* With BAYSIM_SLOW_DRIVERS: how long each stub takes to start and to
     * stop, in milliseconds (0: BAYSIM_SLOW_DRIVER_DEFAULT_MS). */
    uint32_t slowDriverMs;
    BaySimDrive drives[BAYSIM_DRIVES];
    /* Links made when the machine is set up (ignored by a change). */
    BaySimLink links[BAYSIM_LINKS];
} BaySimMachine;

/* Setting up the machine: every attached drive is found, as at boot:
 * its port shows it and its class device exists, numbered in the order
 * of the drives within each class (a floppy drive first among the
 * floppy-class devices). The set-up links are made. Links and devices
 * of an earlier set-up are removed first, and the record is cleared.
 *
 * With BAYSIM_LONG_NAME_LIST, set-up also makes about a hundred MS-DOS
 * names of other devices (volumes, device interfaces: bay_model.h,
 * BaySimLongName); they go at the next set-up or unload.
 *
 * A change takes the status, the failures, the answers, the behaviour,
 * the slow drivers' time and the drives (kind, attachment, identity) of
 * the new machine and keeps what the machine has found so far. A drive attached by a change is found in
 * two steps, as on the real machine: a rescan of its port shows it, and
 * then its class device appears at the next find-new-devices request of
 * its class (the bay driver's scan request, find-new-devices to an
 * existing device of the class, or the start of the class driver:
 * "vlxcdrom" for CD-ROMs, "vlxls120" for LS-120 drives). A rescan also
 * forgets the drives that are no longer attached: their class devices
 * are gone (their numbers stay taken; a drive that returns is found again
 * under a new one). A removal request takes a drive out of use; a number
 * at the end of its class is given back (the count drops), one in the
 * middle leaves a gap. With BAYSIM_NUMBERS_GROW no number is given back:
 * the count is the next number to be given.
 *
 * A drive that is not there has no device object: a removed number, a
 * gone device (a disk with its partitions and its \Device\Harddisk<n>
 * directory), and the floppy drive while the bay status shows no floppy
 * drive anywhere (made again under its number when the status shows one).
 * Opening its name fails as for a name that leads nowhere. An object is
 * deleted at the first request after no handle is open on it; an open
 * that reaches it meanwhile is refused (no such device).
 *
 * Every request is recorded as one line: where it went, what it was,
 * its input and the outcome (see bay_model.c, BaySimDescribe). */

#endif /* BAY_SIM_H */
