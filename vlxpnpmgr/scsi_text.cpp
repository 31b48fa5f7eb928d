#include "scsi_text.h"

#include <stdio.h>
#include <string.h>

#include "bay_requests.h"

static uint32_t Le32(const uint8_t* p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

// "%.8s%.16s" of the vendor and product fields: each stops at a NUL.
static void Describe(const uint8_t* inquiry, char* out, size_t size)
{
    char vendor[9], product[17];
    memcpy(vendor, inquiry + INQUIRY_VENDOR, 8);
    vendor[8] = '\0';
    memcpy(product, inquiry + INQUIRY_PRODUCT, 16);
    product[16] = '\0';
    snprintf(out, size, "%.8s%.16s", vendor, product);
}

bool FindInquiryEntry(const uint8_t* answer, size_t returned, uint8_t target, InquiryEntry* entry)
{
    bool found = false;
    if (target > 1 || returned < BUS_INFO_FIRST_BUS + BUS_DATA_SIZE || answer[BUS_INFO_BUS_COUNT] == 0)
        return false;
    uint32_t offset = Le32(answer + BUS_INFO_FIRST_BUS + BUS_DATA_INQUIRY_OFFSET);
    // Each entry takes at least its header: more steps than that means a loop.
    size_t steps = returned / INQUIRY_ENTRY_DATA;
    for (; offset != 0 && steps > 0; steps--) {
        if (offset > returned - INQUIRY_ENTRY_DATA)
            break; // the entry's header lies outside the answer
        const uint8_t* e = answer + offset;
        uint32_t length = Le32(e + INQUIRY_ENTRY_LENGTH);
        bool fits = length >= INQUIRY_PRODUCT + 16 && length <= returned - offset - INQUIRY_ENTRY_DATA;
        if (fits && e[INQUIRY_ENTRY_TARGET] == target) {
            const uint8_t* inquiry = e + INQUIRY_ENTRY_DATA;
            entry->path = e[INQUIRY_ENTRY_PATH];
            entry->target = e[INQUIRY_ENTRY_TARGET];
            entry->lun = e[INQUIRY_ENTRY_LUN];
            entry->deviceType = inquiry[INQUIRY_DEVICE_TYPE] & 0x1F;
            Describe(inquiry, entry->description, sizeof entry->description);
            found = true; // a later match overwrites an earlier one
        }
        offset = Le32(e + INQUIRY_ENTRY_NEXT);
    }
    return found;
}

bool ReadDriveLayout(const uint8_t* answer, size_t returned, DriveLayout* layout)
{
    layout->count = 0;
    layout->entries = 0;
    if (returned < LAYOUT_FIRST_ENTRY)
        return false;
    layout->count = Le32(answer + LAYOUT_COUNT);
    size_t room = (returned - LAYOUT_FIRST_ENTRY) / LAYOUT_ENTRY_SIZE;
    size_t n = layout->count < room ? layout->count : room;
    if (n > sizeof layout->partitions / sizeof layout->partitions[0])
        n = sizeof layout->partitions / sizeof layout->partitions[0];
    for (size_t i = 0; i < n; i++) {
        const uint8_t* e = answer + LAYOUT_FIRST_ENTRY + i * LAYOUT_ENTRY_SIZE;
        layout->partitions[i].number = Le32(e + LAYOUT_ENTRY_NUMBER);
        layout->partitions[i].recognized = e[LAYOUT_ENTRY_RECOGNIZED] != 0;
    }
    layout->entries = (int)n;
    return true;
}
