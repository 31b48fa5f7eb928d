// The device records: only the controller's ports and targets have one,
// names that do not fit are cut, and a record forgotten is as after a
// reset.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "device_table.h"

TEST(DeviceTable, RecordsFindsAndForgetsWithinTheController)
{
    DeviceTable table;
    memset(&table, 0xAB, sizeof table);
    ResetDeviceTable(&table);
    DeviceTable empty;
    memcpy(&empty, &table, sizeof table);
    const DeviceRecord* last = FindDeviceRecord(&table, DEVICE_PORTS - 1, DEVICE_TARGETS - 1);
    ASSERT_NE(last, nullptr);
    EXPECT_FALSE(last->present);
    EXPECT_EQ(last->deviceType, (uint32_t)DEVICE_TYPE_NONE);
    EXPECT_EQ(table.saved.Kind[0], 0);

    // Outside the controller: no record found, none written, none cleared.
    InquiryEntry entry = {2, 1, 3, 5, "VENDOR  PRODUCT"};
    const int outside[][2] = {{-1, 0}, {DEVICE_PORTS, 0}, {0, -1}, {0, DEVICE_TARGETS}};
    for (const auto& a : outside) {
        EXPECT_EQ(FindDeviceRecord(&table, a[0], a[1]), nullptr) << a[0] << "," << a[1];
        ForgetDevice(&table, a[0], a[1]);
    }
    EXPECT_FALSE(RecordDevice(&table, DEVICE_PORTS, entry, "\\Device\\CdRom0", "E:"));
    entry.target = DEVICE_TARGETS;
    EXPECT_FALSE(RecordDevice(&table, 0, entry, "\\Device\\CdRom0", "E:"));
    EXPECT_EQ(memcmp(&table, &empty, sizeof table), 0);

    // Names too long for the record are cut, and the record stays a string.
    entry.target = 1;
    std::string longName(DEVICE_NAME_SIZE + 10, 'N');
    ASSERT_TRUE(RecordDevice(&table, 5, entry, longName.c_str(), "E:"));
    const DeviceRecord* r = FindDeviceRecord(&table, 5, 1);
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(r->present);
    EXPECT_EQ(std::string(r->ntName), longName.substr(0, DEVICE_NAME_SIZE - 1));
    EXPECT_STREQ(r->dosName, "E:");
    EXPECT_STREQ(r->description, "VENDOR  PRODUCT");
    EXPECT_EQ(r->port, 5);
    EXPECT_EQ(r->path, 2);
    EXPECT_EQ(r->target, 1);
    EXPECT_EQ(r->lun, 3);
    EXPECT_EQ(r->deviceType, 5u);
    EXPECT_FALSE(FindDeviceRecord(&table, 5, 0)->present);

    ForgetDevice(&table, 5, 1);
    EXPECT_EQ(memcmp(&table, &empty, sizeof table), 0);
}
