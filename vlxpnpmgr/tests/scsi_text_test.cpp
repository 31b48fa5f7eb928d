// Inquiry data and drive layouts as drivers answer them, well-formed and
// hostile: every walk stays within the answer and ends.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "bay_requests.h"
#include "scsi_text.h"

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b[at + i] = (uint8_t)(v >> (8 * i));
}

struct Entry {
    uint8_t target;
    const char* vendor;
    const char* product;
    uint8_t type;
};

// A well-formed answer: one bus, the entries chained in order.
std::vector<uint8_t> Inquiry(const std::vector<Entry>& entries)
{
    const size_t entrySize = INQUIRY_ENTRY_DATA + INQUIRY_STANDARD_SIZE;
    std::vector<uint8_t> b(BUS_INFO_FIRST_BUS + BUS_DATA_SIZE + entries.size() * entrySize, 0);
    b[BUS_INFO_BUS_COUNT] = 1;
    size_t at = BUS_INFO_FIRST_BUS + BUS_DATA_SIZE;
    if (!entries.empty())
        Put32(b, BUS_INFO_FIRST_BUS + BUS_DATA_INQUIRY_OFFSET, (uint32_t)at);
    for (size_t i = 0; i < entries.size(); i++, at += entrySize) {
        b[at + INQUIRY_ENTRY_TARGET] = entries[i].target;
        b[at + INQUIRY_ENTRY_LUN] = 0;
        Put32(b, at + INQUIRY_ENTRY_LENGTH, INQUIRY_STANDARD_SIZE);
        Put32(b, at + INQUIRY_ENTRY_NEXT, i + 1 < entries.size() ? (uint32_t)(at + entrySize) : 0);
        uint8_t* q = &b[at + INQUIRY_ENTRY_DATA];
        q[INQUIRY_DEVICE_TYPE] = entries[i].type;
        memset(q + INQUIRY_VENDOR, ' ', 24);
        memcpy(q + INQUIRY_VENDOR, entries[i].vendor, strlen(entries[i].vendor));
        memcpy(q + INQUIRY_PRODUCT, entries[i].product, strlen(entries[i].product));
    }
    return b;
}

std::string Found(const std::vector<uint8_t>& b, uint8_t target, size_t returned = (size_t)-1)
{
    InquiryEntry e;
    if (!FindInquiryEntry(b.data(), returned == (size_t)-1 ? b.size() : returned, target, &e))
        return "<none>";
    return std::to_string(e.target) + "/" + std::to_string(e.deviceType) + ":" + e.description;
}

} // namespace

TEST(ScsiText, InquiryEntriesWellFormedAndHostile)
{
    std::vector<uint8_t> two = Inquiry({{0, "MAKER", "DISK", 0}, {1, "VORLIX", "CD-ROM CDR-24", 0xE5}});
    const size_t second = 12 + 48;
    EXPECT_EQ("0/0:MAKER   DISK            ", Found(two, 0));
    EXPECT_EQ("1/5:VORLIX  CD-ROM CDR-24   ", Found(two, 1)) << "type is the low 5 bits";
    EXPECT_EQ("<none>", Found(Inquiry({{2, "X", "Y", 0}}), 2)) << "targets above 1 are never taken";
    EXPECT_EQ("<none>", Found(Inquiry({}), 0));

    // A later matching entry overwrites an earlier one.
    EXPECT_EQ("1/0:LATER   LS-120          ", Found(Inquiry({{1, "EARLY", "A", 0}, {1, "LATER", "LS-120", 0}}), 1));

    // Hostile answers: each ends, reads nothing outside, skips what does not fit.
    std::vector<uint8_t> b = two;
    Put32(b, second + INQUIRY_ENTRY_NEXT, 12); // the chain loops
    EXPECT_EQ("1/5:VORLIX  CD-ROM CDR-24   ", Found(b, 1));
    b = two;
    Put32(b, BUS_INFO_FIRST_BUS + BUS_DATA_INQUIRY_OFFSET, (uint32_t)b.size() + 100); // first entry outside
    EXPECT_EQ("<none>", Found(b, 0));
    b = two;
    Put32(b, 12 + INQUIRY_ENTRY_NEXT, (uint32_t)b.size() - 4); // next header past the end
    EXPECT_EQ("0/0:MAKER   DISK            ", Found(b, 0));
    EXPECT_EQ("<none>", Found(b, 1));
    b = two;
    Put32(b, second + INQUIRY_ENTRY_LENGTH, INQUIRY_STANDARD_SIZE + 200); // longer than the answer
    EXPECT_EQ("<none>", Found(b, 1));
    b = two;
    Put32(b, second + INQUIRY_ENTRY_LENGTH, 20); // too short for vendor and product
    EXPECT_EQ("<none>", Found(b, 1));
    EXPECT_EQ("<none>", Found(two, 1, second + 20)) << "the answer ends inside the second entry";
    b = two;
    b[BUS_INFO_BUS_COUNT] = 0;
    EXPECT_EQ("<none>", Found(b, 0)) << "no bus";
    EXPECT_EQ("<none>", Found(two, 0, 11)) << "shorter than a bus";
    b = two;
    memset(&b[12 + INQUIRY_ENTRY_DATA + INQUIRY_VENDOR], 0, 24); // NULs end the fields
    memcpy(&b[12 + INQUIRY_ENTRY_DATA + INQUIRY_VENDOR], "AB", 2);
    memcpy(&b[12 + INQUIRY_ENTRY_DATA + INQUIRY_PRODUCT], "CD", 2);
    EXPECT_EQ("0/0:ABCD", Found(b, 0));
}

TEST(ScsiText, DriveLayoutsWithinTheirAnswer)
{
    std::vector<uint8_t> b(LAYOUT_FIRST_ENTRY + 4 * LAYOUT_ENTRY_SIZE, 0);
    Put32(b, LAYOUT_COUNT, 4);
    const uint32_t numbers[] = {1, 2, 0, 9};
    const uint8_t recognized[] = {1, 0, 1, 1};
    for (int i = 0; i < 4; i++) {
        Put32(b, LAYOUT_FIRST_ENTRY + i * LAYOUT_ENTRY_SIZE + LAYOUT_ENTRY_NUMBER, numbers[i]);
        b[LAYOUT_FIRST_ENTRY + i * LAYOUT_ENTRY_SIZE + LAYOUT_ENTRY_RECOGNIZED] = recognized[i];
    }
    DriveLayout layout;
    ASSERT_TRUE(ReadDriveLayout(b.data(), b.size(), &layout));
    ASSERT_EQ(4, layout.entries);
    EXPECT_EQ(9u, layout.partitions[3].number);
    EXPECT_FALSE(layout.partitions[1].recognized);

    Put32(b, LAYOUT_COUNT, 60); // counts more than it holds
    ASSERT_TRUE(ReadDriveLayout(b.data(), b.size(), &layout));
    EXPECT_EQ(60u, layout.count);
    EXPECT_EQ(4, layout.entries);
    ASSERT_TRUE(ReadDriveLayout(b.data(), LAYOUT_FIRST_ENTRY + LAYOUT_ENTRY_SIZE + 16, &layout));
    EXPECT_EQ(1, layout.entries) << "an entry cut by the answer's end is not read";
    Put32(b, LAYOUT_COUNT, 0xFFFFFFFF);
    std::vector<uint8_t> big(LAYOUT_FIRST_ENTRY + 70 * LAYOUT_ENTRY_SIZE, 0);
    memcpy(big.data(), b.data(), 8);
    ASSERT_TRUE(ReadDriveLayout(big.data(), big.size(), &layout));
    EXPECT_EQ(63, layout.entries) << "at most 63 entries";
    EXPECT_FALSE(ReadDriveLayout(b.data(), 7, &layout));
}
