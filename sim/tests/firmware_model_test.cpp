// The simulated machine answers only requests laid out byte for byte as
// the drivers expect them, so that a scenario against it catches a
// request that is off by a byte.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

extern "C" {
#include "firmware_model.h"
#include "firmware_sim.h"
}

namespace {

using Bytes = std::vector<unsigned char>;

Bytes VxdBlock(unsigned char al, unsigned char ah, unsigned char bl, unsigned char bh, uint16_t cx, uint32_t address = 0,
               uint32_t length = 0)
{
    Bytes b(FW_VXD_BLOCK_SIZE, 0);
    b[0] = al;
    b[1] = ah;
    b[4] = bl;
    b[5] = bh;
    FwPut16(&b[8], cx);
    FwPut32(&b[36], address);
    FwPut32(&b[40], length);
    return b;
}

Bytes NtBlock(unsigned char al, unsigned char ah, unsigned char bl, size_t size)
{
    Bytes b(size, 0);
    b[0] = al;
    b[1] = ah;
    b[4] = bl;
    FwPut32(&b[32], (uint32_t)(size - 40));
    FwPut32(&b[36], (uint32_t)(size - 40));
    return b;
}

Bytes Pair(uint32_t a, uint32_t b)
{
    Bytes r(8);
    FwPut32(&r[0], a);
    FwPut32(&r[4], b);
    return r;
}

Bytes With(Bytes b, size_t at, unsigned char value)
{
    b[at] = value;
    return b;
}

// A request; a row of a table also says what it should come to.
struct Case {
    FwSimRole role;
    uint32_t code;
    Bytes in;
    size_t outSize;
    FwSimOutcome outcome = FW_SIM_OK;
    const char* record = "";
};

class Model : public ::testing::Test {
protected:
    void SetUp() override
    {
        FwSimMachineReset(&m);
        memcpy(m.rom + FW_ROM_SIGNATURE_OFFSET, "VORLIX", 6);
        m.cmos[0x2E] = 0x12;
        m.systemId = 0x0A1B;
        m.text[0] = 3;
        memcpy(m.text + 1, "A07", 3);
    }

    FwSimOutcome Run(const Case& c, Bytes* out, size_t* returned, std::string* record)
    {
        out->assign(c.outSize + 1, 0xCC);
        char line[160];
        FwSimOutcome o = FwSimHandle(&m, c.role, c.code, c.in.data(), c.in.size(), out->data(), c.outSize, returned,
                                     line, sizeof line);
        *record = line;
        return o;
    }

    FwSimMachine m;
};

TEST_F(Model, RequestsAreAnsweredOnlyInTheirExactLayout)
{
    const FwSimRole NT = FW_SIM_ROLE_NT, VXD = FW_SIM_ROLE_VXD;
    const Case cases[] = {
        {NT, FW_IOCTL_MEMORY_READ, Pair(0xFFFEA, 6), 6, FW_SIM_OK, "NT memory read 000FFFEA 6: ok"},
        {NT, FW_IOCTL_MEMORY_READ, Pair(0xFFFEA, 6), 7, FW_SIM_BAD_REQUEST, "NT memory read 000FFFEA 6: bad request"},
        {NT, FW_IOCTL_MEMORY_READ, Pair(0xEFFFF, 2), 2, FW_SIM_BAD_REQUEST, "NT memory read 000EFFFF 2: bad request"},
        {NT, FW_IOCTL_MEMORY_READ, Pair(0xFFFFE, 4), 4, FW_SIM_BAD_REQUEST, "NT memory read 000FFFFE 4: bad request"},
        {NT, FW_IOCTL_SYSTEM_ID, {}, 2, FW_SIM_OK, "NT system id: ok"},
        {NT, FW_IOCTL_SYSTEM_ID, {0}, 2, FW_SIM_BAD_REQUEST, "NT system id: bad request"},
        {NT, FW_IOCTL_CMOS_READ, Pair(46, 1), 1, FW_SIM_OK, "NT CMOS read 46 1: ok"},
        {NT, FW_IOCTL_CMOS_READ, Pair(100, 30), 30, FW_SIM_BAD_REQUEST, "NT CMOS read 100 30: bad request"},
        {NT, FW_IOCTL_CMOS_WRITE, {46, 0, 0, 0, 0x1D}, 0, FW_SIM_OK, "NT CMOS write 46 1D: ok"},
        {NT, FW_IOCTL_CMOS_WRITE, {46, 0, 0, 0, 0x1D, 0}, 0, FW_SIM_BAD_REQUEST, "NT CMOS write 46 1D: bad request"},
        {NT, FW_IOCTL_FIRMWARE_CALL, NtBlock(0x00, 0xE8, 0x07, 40), 40, FW_SIM_OK, "NT firmware E800 BX=0007 size=40: ok"},
        {NT, FW_IOCTL_FIRMWARE_CALL, NtBlock(0x19, 0xE8, 0, 58), 58, FW_SIM_OK, "NT firmware E819 BX=0000 size=58: ok"},
        {NT, FW_IOCTL_FIRMWARE_CALL, NtBlock(0x00, 0xE8, 0x07, 40), 52, FW_SIM_BAD_REQUEST,
         "NT firmware call with 40/52 bytes: bad request"},
        {NT, FW_IOCTL_FIRMWARE_CALL, With(NtBlock(0x19, 0xE8, 0, 58), 36, 17), 58, FW_SIM_BAD_REQUEST,
         "NT firmware E819 BX=0000 size=58: bad request"},
        {NT, FW_IOCTL_FIRMWARE_CALL, With(NtBlock(0x19, 0xE8, 0, 58), 50, 1), 58, FW_SIM_BAD_REQUEST,
         "NT firmware E819 BX=0000 size=58: bad request"},
        {NT, FW_IOCTL_FIRMWARE_CALL, With(NtBlock(0x00, 0xE8, 0, 40), 28, 1), 40, FW_SIM_BAD_REQUEST,
         "NT firmware E800 BX=0000 size=40: bad request"},
        {NT, FW_VXD_SYSTEM_ID, {}, 2, FW_SIM_UNKNOWN_CODE, "NT control code 00000004: unknown code"},
        {VXD, FW_VXD_FIRMWARE_CALL, VxdBlock(0x23, 0xE8, 0, 0, 46), 52, FW_SIM_OK, "VxD firmware E823 BX=0000 CX=002E: ok"},
        {VXD, FW_VXD_FIRMWARE_CALL, VxdBlock(0x23, 0xE8, 0, 0, 46), 40, FW_SIM_BAD_REQUEST,
         "VxD firmware call with 52/40 bytes: bad request"},
        {VXD, FW_VXD_FIRMWARE_CALL, With(VxdBlock(0x23, 0xE8, 0, 0, 46), 10, 1), 52, FW_SIM_BAD_REQUEST,
         "VxD firmware E823 BX=0000 CX=002E: bad request"},
        {VXD, FW_VXD_FIRMWARE_CALL, VxdBlock(0x23, 0xE8, 0, 0, 46, 0x1000, 17), 52, FW_SIM_BAD_REQUEST,
         "VxD firmware E823 BX=0000 CX=002E data=17 at caller: bad request"},
        {VXD, FW_VXD_FIRMWARE_CALL, VxdBlock(0x19, 0xE8, 0, 0, 0, 0x1000, 17), 52, FW_SIM_OK,
         "VxD firmware E819 BX=0000 CX=0000 data=17 at caller: ok"},
        {VXD, FW_VXD_FIRMWARE_CALL, VxdBlock(0x19, 0xE8, 0, 0, 0, 0, 17), 52, FW_SIM_BAD_REQUEST,
         "VxD firmware E819 BX=0000 CX=0000 data=17 at null: bad request"},
        {VXD, FW_VXD_MAP_SEGMENT, {0x00, 0xF0}, 4, FW_SIM_NOT_SIMULATED, "VxD map segment F000: not simulated"},
        {VXD, FW_VXD_SYSTEM_ID, {}, 2, FW_SIM_OK, "VxD system id: ok"},
        {VXD, FW_IOCTL_SYSTEM_ID, {}, 2, FW_SIM_UNKNOWN_CODE, "VxD control code 80002008: unknown code"},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        SetUp();
        Bytes out;
        size_t returned = 99;
        std::string record;
        EXPECT_EQ(cases[i].outcome, Run(cases[i], &out, &returned, &record)) << "case " << i;
        EXPECT_EQ(cases[i].record, record) << "case " << i;
        EXPECT_EQ(0xCC, out[cases[i].outSize]) << "case " << i << ": answer written past its buffer";
        if (cases[i].outcome != FW_SIM_OK) {
            EXPECT_EQ(0u, returned) << "case " << i;
        }
    }
}

TEST_F(Model, AnswersCarryTheMachinesContents)
{
    Bytes out;
    size_t returned;
    std::string record;
    ASSERT_EQ(FW_SIM_OK, Run({FW_SIM_ROLE_NT, FW_IOCTL_MEMORY_READ, Pair(0xFFFEA, 6), 6}, &out, &returned, &record));
    EXPECT_EQ("VORLIX", std::string(out.begin(), out.begin() + 6));

    ASSERT_EQ(FW_SIM_OK, Run({FW_SIM_ROLE_VXD, FW_VXD_SYSTEM_ID, {}, 2}, &out, &returned, &record));
    EXPECT_EQ(2u, returned);
    EXPECT_EQ(0x1B, out[0]);
    EXPECT_EQ(0x0A, out[1]);
    m.fail = FW_SIM_SHORT_SYSTEM_ID;
    ASSERT_EQ(FW_SIM_OK, Run({FW_SIM_ROLE_NT, FW_IOCTL_SYSTEM_ID, {}, 2}, &out, &returned, &record));
    EXPECT_EQ(1u, returned);
    m.fail = 0;

    // E823h reads and writes CMOS through the registers.
    ASSERT_EQ(FW_SIM_OK, Run({FW_SIM_ROLE_VXD, FW_VXD_FIRMWARE_CALL, VxdBlock(0x23, 0xE8, 0, 0, 0x2E), 52}, &out,
                             &returned, &record));
    EXPECT_EQ(0x12, out[FW_VXD_AL]);
    EXPECT_EQ(0u, FwGet32(&out[FW_VXD_FLAGS]));
    ASSERT_EQ(FW_SIM_OK, Run({FW_SIM_ROLE_VXD, FW_VXD_FIRMWARE_CALL, VxdBlock(0x23, 0xE8, 0x77, 1, 0x2F), 52}, &out,
                             &returned, &record));
    EXPECT_EQ(0x77, m.cmos[0x2F]);
    EXPECT_EQ(1, m.cmosChanged);

    // A configured status fails every call with carry and that AH.
    m.firmwareStatus = 0x86;
    ASSERT_EQ(FW_SIM_OK, Run({FW_SIM_ROLE_VXD, FW_VXD_FIRMWARE_CALL, VxdBlock(0x23, 0xE8, 0, 0, 0x2E), 52}, &out,
                             &returned, &record));
    EXPECT_EQ(FW_FLAG_CARRY, FwGet32(&out[FW_VXD_FLAGS]));
    EXPECT_EQ(0x86, out[FW_VXD_AH]);
    m.firmwareStatus = 0;

    // E819h fills the NT block's inline data area; in and out may be one buffer.
    Bytes block = NtBlock(0x19, 0xE8, 0, 58);
    char line[160];
    ASSERT_EQ(FW_SIM_OK, FwSimHandle(&m, FW_SIM_ROLE_NT, FW_IOCTL_FIRMWARE_CALL, block.data(), block.size(),
                                     block.data(), block.size(), &returned, line, sizeof line));
    EXPECT_EQ(58u, returned);
    EXPECT_EQ(3, block[40]);
    EXPECT_EQ("A07", std::string(block.begin() + 41, block.begin() + 44));
    EXPECT_EQ(0, block[FW_NT_AH]);
}

} // namespace
