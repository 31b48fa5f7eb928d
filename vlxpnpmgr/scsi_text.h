// Reading what the storage drivers answer, free of system calls: the
// inquiry data of a SCSI port and the layout of a disk. The answers come
// from drivers: every walk stays within the bytes actually returned, an
// entry that does not fit is skipped, and a chain of entries that loops
// ends.
#pragma once

#include <stddef.h>
#include <stdint.h>

// One inquiry entry of the first bus.
struct InquiryEntry {
    uint8_t path, target, lun;
    uint8_t deviceType;      // inquiry byte 0, low 5 bits
    char description[25];    // vendor and product, "%.8s%.16s"
};

// The last entry of the first bus whose target is `target` (0 or 1 only);
// false when there is none.
bool FindInquiryEntry(const uint8_t* answer, size_t returned, uint8_t target, InquiryEntry* entry);

// The layout's partitions that lie within the answer, in table order.
struct LayoutPartition {
    uint32_t number;
    bool recognized;
};
struct DriveLayout {
    uint32_t count; // as the layout says
    int entries;    // entries within the answer (at most 63)
    LayoutPartition partitions[63];
};
bool ReadDriveLayout(const uint8_t* answer, size_t returned, DriveLayout* layout);
