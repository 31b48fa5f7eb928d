// The text rules of drive-letter links, on tables.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "link_text.h"

TEST(LinkText, FirstClearLetter)
{
    const struct {
        uint32_t inUse;
        int start;
        int expected;
    } cases[] = {
        {0x5, 0, 1},           // A: and C: taken: B:
        {0x5, 2, 3},           // ... and from C: on, D:
        {0x0, -4, 0},          // a negative start counts as 0
        {0x3FFFFFF, 0, -1},    // A: to Z: taken
        {0x3FFFFFB, 0, 2},     // only C: free
        {0x0, 25, 25},         // Z: itself
        {0x0, 26, -1},         // past Z:
        {0xFC000000, 25, 25},  // bits past Z: mean nothing
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++)
        EXPECT_EQ(cases[i].expected, FirstClearLetter(cases[i].inUse, cases[i].start)) << "case " << i;
}

TEST(LinkText, NamesAndRequestsFitTheirBuffersOrAreRefused)
{
    char out[40];
    memset(out, 'x', sizeof out);
    // "\DosDevices\" is 12 characters: 27 more and the NUL fill 40.
    std::string fits(27, 'N'), tooLong(28, 'N');
    EXPECT_TRUE(FormatLinkName(out, sizeof out, fits.c_str()));
    EXPECT_EQ("\\DosDevices\\" + fits, out);
    memset(out, 'x', sizeof out);
    EXPECT_FALSE(FormatLinkName(out, sizeof out, tooLong.c_str()));
    EXPECT_EQ('\0', out[0]) << "refused, not cut";

    char request[16];
    memset(request, 'x', sizeof request);
    EXPECT_EQ(8u, BuildDefineLinkRequest("\\L:", "\\D0", request, 8));
    EXPECT_EQ(0, memcmp(request, "\\L:\0\\D0\0x", 9));
    EXPECT_EQ(0u, BuildDefineLinkRequest("\\L:", "\\D0", request, 7)) << "one byte short";
}

TEST(LinkText, NameListsAreWalkedWithinTheirCount)
{
    const struct {
        std::string list;
        size_t count;
        std::vector<std::string> expected;
    } cases[] = {
        {std::string("C:\0D:\0\0", 7), 7, {"C:", "D:"}},
        {std::string("C:\0D:\0\0", 7), 3, {"C:"}},                       // the count ends the list
        {std::string("C:\0D:", 5), 5, {"C:"}},                           // a name without its NUL is not taken
        {std::string("C:\0\0E:\0\0", 8), 8, {"C:"}},                     // an empty name ends it
        {std::string("", 0), 0, {}},
        {std::string("PhysicalDrive0\0\0", 16), 16, {"PhysicalDrive0"}},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        NameList list(cases[i].list.data(), cases[i].count);
        std::vector<std::string> seen;
        for (const char* name = list.Next(); name; name = list.Next())
            seen.push_back(name);
        EXPECT_EQ(cases[i].expected, seen) << "case " << i;
    }
}

// Which links leave with a disk: its partitions, never the whole disk,
// never another disk whose number begins the same.
TEST(LinkText, PartitionsOfADisk)
{
    const struct {
        const char* name;
        int disk;
        bool partition;
        int wholeDisk;
    } cases[] = {
        {"\\Device\\Harddisk1\\Partition1", 1, true, -1},
        {"\\Device\\Harddisk1\\Partition12", 1, true, -1},
        {"\\Device\\Harddisk1\\Partition0", 1, false, 1},  // the whole disk
        {"\\Device\\Harddisk12\\Partition1", 1, false, -1}, // another disk
        {"\\Device\\Harddisk1\\Partition1", 12, false, -1},
        {"\\Device\\Harddisk0\\Partition1", 0, true, -1},
        {"\\Device\\Harddisk1\\Partition", 1, false, -1},   // no number
        {"\\Device\\Harddisk1\\Partition1x", 1, false, -1}, // more after it
        {"\\Device\\Harddisk\\Partition1", 1, false, -1},
        {"\\device\\harddisk1\\partition1", 1, false, -1}, // exact, as the links are
        {"\\Device\\CdRom1", 1, false, -1},
        {"\\Device\\Harddisk99999999999\\Partition0", 1, false, -1}, // refused, not wrapped
        {"\\Device\\Harddisk2147483648\\Partition0", 1, false, -1},  // past an int: refused too
        {"\\Device\\Harddisk12345\\Partition2", 12345, true, -1},   // numbers grown through weeks of swaps
        {"\\Device\\Harddisk12345\\Partition0", 12345, false, 12345},
        {"\\Device\\Harddisk3\\Partition0", 3, false, 3},
        {"", 0, false, -1},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        EXPECT_EQ(cases[i].partition, IsPartitionOfDisk(cases[i].name, cases[i].disk)) << "case " << i;
        EXPECT_EQ(cases[i].wholeDisk, WholeDiskNumber(cases[i].name)) << "case " << i;
    }
    EXPECT_FALSE(IsPartitionOfDisk("\\Device\\Harddisk1\\Partition1", -1));
}
