/* Requests to the bay driver and to the storage stack below the bays:
 * names, control codes and the byte layouts of every buffer. The bay
 * manager (C++) and the simulated bay machine under sim/ (C, kernel mode)
 * both include this header, so the contract is written down once.
 * Plain C; multi-byte fields are little-endian. */
#ifndef BAY_REQUESTS_H
#define BAY_REQUESTS_H

#include <stdint.h>

/* The bay driver: a kernel-driver service with one device and one event. */
#define BAY_DRIVER_SERVICE "swapctl"
#define BAY_DRIVER_PATH "\\\\.\\swapctl0"
#define BAY_DEVICE_CHANGE_EVENT "SWAPCTL_DEVICE_CHANGE_EVENT"

/* Bay driver control codes: device type 0xFC31, buffered, read and write
 * access (so a handle opened without both is refused by the system). */
#define BAY_IOCTL(function) ((0xFC31u << 16) | (3u << 14) | ((uint32_t)(function) << 2))
#define BAY_IOCTL_QUERY_STATUS BAY_IOCTL(0xC30)   /* 0xFC31F0C0 */
#define BAY_IOCTL_DEFINE_LINK BAY_IOCTL(0xC34)    /* 0xFC31F0D0 */
#define BAY_IOCTL_REMOVE_LINK BAY_IOCTL(0xC35)    /* 0xFC31F0D4 */
#define BAY_IOCTL_QUERY_COUNTS BAY_IOCTL(0xC36)   /* 0xFC31F0D8 */
#define BAY_IOCTL_CDROM_SCAN BAY_IOCTL(0xC38)     /* 0xFC31F0E0 */
#define BAY_IOCTL_FLOPPY_SCAN BAY_IOCTL(0xC39)    /* 0xFC31F0E4 */

/* Bay status: 9 bytes. */
enum {
    BAY_COUNT = 4,             /* bays 0-3 */
    BAY_STATUS_KIND = 0,       /* bytes 0-3: the kind of bays 0-3 */
    BAY_STATUS_FIFTH_KIND = 4, /* a fifth position, looked at for floppies only */
    BAY_STATUS_OTHER_FLOPPY = 7,
    BAY_STATUS_CHANGE_MASK = 8,
    BAY_STATUS_SIZE = 9
};

/* Kinds of a bay. Other values are kept, never acted on. */
enum { BAY_KIND_EMPTY = 0, BAY_KIND_FLOPPY = 2, BAY_KIND_IDE = 3 };

typedef struct BayStatus {
    uint8_t Kind[5];
    uint8_t Reserved[2];
    uint8_t OtherFloppy; /* 1: a floppy drive outside bays 0-3 */
    uint8_t ChangeMask;  /* bit b: bay b has changed */
} BayStatus;

/* Device counts: 32 bytes; a count n means the names 0 to n-1 exist. */
enum {
    BAY_COUNTS_DISKS = 0,   /* "\Device\Harddisk%d\Partition0" */
    BAY_COUNTS_FLOPPIES = 4, /* "\Device\Floppy%d" */
    BAY_COUNTS_CDROMS = 8,  /* "\Device\CdRom%d" */
    BAY_COUNTS_SIZE = 32
};

typedef struct DeviceCounts {
    uint32_t Disks;
    uint32_t Floppies;
    uint32_t CdRoms;
    uint8_t Unused[20];
} DeviceCounts;

/* The scan requests answer 4 bytes that nobody reads. */
enum { BAY_SCAN_ANSWER_SIZE = 4 };

/* Link requests. Define: the link name, NUL, the target's NT name, NUL.
 * Remove: the link name, NUL. Link names begin with this prefix. */
#define BAY_LINK_PREFIX "\\DosDevices\\"

/* Standard storage and SCSI requests used on the drives and ports
 * (buffered; the first three and the removal request need no access). */
#define BAY_IOCTL_SCSI_GET_ADDRESS 0x41018u
#define BAY_IOCTL_SCSI_GET_INQUIRY_DATA 0x4100Cu
#define BAY_IOCTL_SCSI_RESCAN_BUS 0x4101Cu
#define BAY_IOCTL_REMOVE_DRIVE 0x41024u /* device type 4, function 0x409 */
#define BAY_IOCTL_STORAGE_FIND_NEW_DEVICES 0x2D4818u
#define BAY_IOCTL_DISK_FIND_NEW_DEVICES 0x74818u
#define BAY_IOCTL_DISK_GET_DRIVE_LAYOUT 0x7400Cu

/* SCSI ports of the bay controller: "\\.\scsi%d:", 0 to 5. */
enum { BAY_SCSI_PORTS = 6 };

/* The published layouts of those answers, by byte offset. */
enum {
    /* SCSI_ADDRESS */
    SCSI_ADDRESS_SIZE = 8, /* ULONG length, then port, path, target, LUN */
    SCSI_ADDRESS_PORT = 4,
    SCSI_ADDRESS_PATH = 5,
    SCSI_ADDRESS_TARGET = 6,
    SCSI_ADDRESS_LUN = 7,
    /* SCSI_ADAPTER_BUS_INFO: UCHAR bus count, then a SCSI_BUS_DATA per bus */
    BUS_INFO_BUS_COUNT = 0,
    BUS_INFO_FIRST_BUS = 4,
    BUS_DATA_SIZE = 8, /* UCHAR units, UCHAR initiator id, pad, ULONG first entry's offset */
    BUS_DATA_UNITS = 0,
    BUS_DATA_INQUIRY_OFFSET = 4,
    /* SCSI_INQUIRY_DATA: path, target, LUN, claimed, ULONG length, ULONG next */
    INQUIRY_ENTRY_PATH = 0,
    INQUIRY_ENTRY_TARGET = 1,
    INQUIRY_ENTRY_LUN = 2,
    INQUIRY_ENTRY_CLAIMED = 3,
    INQUIRY_ENTRY_LENGTH = 4,
    INQUIRY_ENTRY_NEXT = 8,
    INQUIRY_ENTRY_DATA = 12,
    /* inquiry data */
    INQUIRY_DEVICE_TYPE = 0, /* low 5 bits */
    INQUIRY_VENDOR = 8,      /* 8 characters */
    INQUIRY_PRODUCT = 16,    /* 16 characters */
    INQUIRY_STANDARD_SIZE = 36,
    /* DRIVE_LAYOUT_INFORMATION: count, signature, 32-byte entries */
    LAYOUT_COUNT = 0,
    LAYOUT_FIRST_ENTRY = 8,
    LAYOUT_ENTRY_SIZE = 32,
    LAYOUT_ENTRY_START = 0,       /* LARGE_INTEGER starting offset */
    LAYOUT_ENTRY_LENGTH = 8,      /* LARGE_INTEGER length */
    LAYOUT_ENTRY_HIDDEN = 16,     /* ULONG hidden sectors */
    LAYOUT_ENTRY_NUMBER = 20,     /* ULONG partition number */
    LAYOUT_ENTRY_TYPE = 24,       /* partition type byte */
    LAYOUT_ENTRY_BOOT = 25,
    LAYOUT_ENTRY_RECOGNIZED = 26, /* recognized-partition flag */
    LAYOUT_ENTRY_REWRITE = 27
};

/* Peripheral device types in inquiry byte 0. */
enum { SCSI_TYPE_DIRECT_ACCESS = 0, SCSI_TYPE_CDROM = 5 };

/* The request buffers are 2048 bytes, whatever the answer. */
enum { BAY_ANSWER_BUFFER = 2048 };

#endif /* BAY_REQUESTS_H */
