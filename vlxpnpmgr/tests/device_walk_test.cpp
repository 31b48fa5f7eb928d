// Which numbers of a class the service walks, on tables: counts that only
// grow, named numbers anywhere below them, and absurd counts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device_walk.h"

namespace {

NamedNumbers Named(std::initializer_list<uint32_t> numbers)
{
    NamedNumbers named;
    named.count = 0;
    for (uint32_t n : numbers)
        AddNamedNumber(&named, n, ("N" + std::to_string(n) + ":").c_str());
    return named;
}

// The walk as "3 5* 6", a star for a named number.
std::string Walked(const NamedNumbers& named, uint32_t count, uint32_t window)
{
    DeviceWalk walk;
    PlanDeviceWalk(named, count, window, &walk);
    std::string text;
    for (int i = 0; i < walk.count; i++)
        text += (i ? " " : "") + std::to_string(walk.numbers[i]) + (walk.named[i] ? "*" : "");
    return text;
}

} // namespace

TEST(DeviceWalk, NamedNumbersAndTheTopOfTheCount)
{
    const struct {
        std::initializer_list<uint32_t> named;
        uint32_t count, window;
        const char* expected;
    } cases[] = {
        {{}, 3, 8, "0 1 2"},                                      // a short count: every number
        {{1}, 3, 8, "0 1* 2"},
        {{0, 512}, 700, 4, "0* 512* 696 697 698 699"},            // weeks of swaps: named ones and the top
        {{698, 3}, 700, 4, "3* 696 697 698* 699"},                // named inside the window: once, in order
        {{900, 5}, 700, 4, "5* 696 697 698 699"},                 // a name past the count is not walked
        {{7, 7, 2}, 700, 0, "2* 7*"},                             // window 0: the named ones alone
        {{}, 0, 8, ""},
        {{}, 0xFFFFFFFFu, 2, "4294967293 4294967294"},            // an absurd count: bounded
        {{}, 40, 100, "36 37 38 39"},                             // a window past the limit is cut to it
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++)
        EXPECT_EQ(cases[i].expected, Walked(Named(cases[i].named), cases[i].count, cases[i].window)) << "case " << i;

    NamedNumbers many = Named({});
    for (uint32_t n = 0; n < 3 * DEVICE_WALK_NAMED; n++)
        AddNamedNumber(&many, 1000 - n, "X:");
    EXPECT_EQ(DEVICE_WALK_NAMED, many.count) << "the named numbers kept are bounded";
    DeviceWalk walk;
    PlanDeviceWalk(many, 0xFFFFFFFFu, DEVICE_WALK_WINDOW, &walk);
    EXPECT_EQ(DEVICE_WALK_NAMED + DEVICE_WALK_WINDOW, walk.count);

    uint32_t lowest = 0;
    const char* name = nullptr;
    NamedNumbers three = Named({40, 9, 300});
    EXPECT_TRUE(LowestNamedBelow(three, 100, &lowest, &name));
    EXPECT_EQ(9u, lowest);
    EXPECT_STREQ("N9:", name) << "with the name it was found under";
    EXPECT_FALSE(LowestNamedBelow(Named({400}), 100, &lowest));

    NamedNumbers first = Named({});
    AddNamedNumber(&first, 5, "D:");
    AddNamedNumber(&first, 5, "K:");
    AddNamedNumber(&first, 6, std::string(DEVICE_NAME_SIZE, 'V').c_str());
    ASSERT_EQ(1, first.count) << "a number once, under its first name; a name too long for a record is none";
    EXPECT_STREQ("D:", first.names[0]);
}

TEST(DeviceWalk, ClassNamesReadAndWritten)
{
    const struct {
        const char* name;
        bool read;
        DeviceClass deviceClass;
        uint32_t number;
    } cases[] = {
        {"\\Device\\CdRom0", true, CLASS_CDROM, 0},
        {"\\Device\\CdRom1234", true, CLASS_CDROM, 1234},
        {"\\Device\\Floppy4294967295", true, CLASS_FLOPPY, 0xFFFFFFFFu},
        {"\\Device\\Floppy4294967296", false, CLASS_FLOPPY, 0}, // past 32 bits: refused, not wrapped
        {"\\Device\\Harddisk700\\Partition0", true, CLASS_DISK, 700},
        {"\\Device\\Harddisk700\\Partition1", false, CLASS_DISK, 0}, // a partition, not the disk
        {"\\Device\\Harddisk700", false, CLASS_DISK, 0},
        {"\\Device\\CdRom", false, CLASS_CDROM, 0},
        {"\\Device\\CdRom1x", false, CLASS_CDROM, 0},
        {"\\device\\cdrom1", false, CLASS_CDROM, 0}, // exact, as the links are
        {"\\Device\\HarddiskVolume1", false, CLASS_DISK, 0},
        {"\\Device\\IdeDeviceP1T0L0-3", false, CLASS_DISK, 0},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        DeviceClass deviceClass = CLASS_CDROM;
        uint32_t number = 0;
        ASSERT_EQ(cases[i].read, ClassNumberOf(cases[i].name, &deviceClass, &number)) << cases[i].name;
        if (!cases[i].read)
            continue;
        EXPECT_EQ(cases[i].deviceClass, deviceClass) << cases[i].name;
        EXPECT_EQ(cases[i].number, number) << cases[i].name;
        char written[40];
        ClassDeviceName(deviceClass, number, written, sizeof written);
        EXPECT_STREQ(cases[i].name, written) << "written as it is read";
    }
}
