// The firmware requests byte by byte, the checksum, and the copies that
// must never read or write past their buffers.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "firmware_bytes.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Offsets that hold a non-zero byte.
std::vector<int> NonZero(const unsigned char* p, size_t n)
{
    std::vector<int> at;
    for (size_t i = 0; i < n; i++) {
        if (p[i])
            at.push_back((int)i);
    }
    return at;
}

TEST(FirmwareBytes, VxdBlockHoldsOnlyTheNamedFields)
{
    unsigned char block[FW_VXD_BLOCK_SIZE + 4];
    memset(block, 0xCC, sizeof block);
    FirmwareRegisters cmosWrite = {0x23, 0xE8, 0x1D, 0x01, 0x012E};
    BuildVxdBlock(block, cmosWrite, 0, 0);
    EXPECT_EQ((std::vector<int>{0, 1, 4, 5, 8, 9}), NonZero(block, FW_VXD_BLOCK_SIZE));
    EXPECT_EQ((Bytes{0x23, 0xE8, 0, 0, 0x1D, 0x01, 0, 0, 0x2E, 0x01}), Bytes(block, block + 10));
    EXPECT_EQ(0xCC, block[FW_VXD_BLOCK_SIZE]) << "written past the 52-byte block";

    FirmwareRegisters text = {0x19, 0xE8, 0, 0, 0};
    BuildVxdBlock(block, text, 0x12345678, 17);
    EXPECT_EQ((std::vector<int>{0, 1, 36, 37, 38, 39, 40}), NonZero(block, FW_VXD_BLOCK_SIZE));
    EXPECT_EQ((Bytes{0x78, 0x56, 0x34, 0x12, 17, 0, 0, 0}), Bytes(block + 36, block + 44));
}

TEST(FirmwareBytes, NtBlocksOfFortyAndFiftyEightBytes)
{
    unsigned char block[FW_STRING_BLOCK_NT + 4];
    memset(block, 0xCC, sizeof block);
    FirmwareRegisters language = {0x00, 0xE8, 0x07, 0, 0x9999}; // CX has no place in the NT block
    BuildNtBlock(block, FW_NT_BLOCK_SIZE, language);
    EXPECT_EQ((std::vector<int>{1, 4}), NonZero(block, FW_NT_BLOCK_SIZE));
    EXPECT_EQ(0xE8, block[1]);
    EXPECT_EQ(0x07, block[4]);
    EXPECT_EQ(0xCC, block[FW_NT_BLOCK_SIZE]) << "written past the 40-byte block";

    memset(block, 0xCC, sizeof block);
    FirmwareRegisters text = {0x19, 0xE8, 0, 0, 0};
    BuildNtBlock(block, FW_STRING_BLOCK_NT, text);
    EXPECT_EQ((std::vector<int>{0, 1, 32, 36}), NonZero(block, FW_STRING_BLOCK_NT));
    EXPECT_EQ(18, block[32]);
    EXPECT_EQ(18, block[36]);
    EXPECT_EQ(0xCC, block[FW_STRING_BLOCK_NT]) << "written past the 58-byte block";
}

TEST(FirmwareBytes, AnswerStatusIsAhOnlyWithCarry)
{
    const struct {
        uint32_t flags;
        unsigned char ah;
        unsigned char status;
        bool carry;
    } cases[] = {
        {0, 0x86, 0, false},
        {1, 0x86, 0x86, true},
        {0xFFFFFFFE, 0x86, 0, false}, // only bit 0 is the carry
        {0x00000201, 0x01, 0x01, true},
        {1, 0, 0, true},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        unsigned char vxd[FW_VXD_BLOCK_SIZE] = {0};
        vxd[FW_VXD_AH] = cases[i].ah;
        FwPut32(vxd + FW_VXD_FLAGS, cases[i].flags);
        EXPECT_EQ(cases[i].status, VxdAnswerStatus(vxd)) << "case " << i;
        EXPECT_EQ(cases[i].carry, VxdAnswerCarry(vxd)) << "case " << i;
        unsigned char nt[FW_NT_BLOCK_SIZE] = {0};
        FwPut32(nt + FW_NT_FLAGS, cases[i].flags);
        EXPECT_EQ(cases[i].carry, NtAnswerCarry(nt)) << "case " << i;
    }
}

TEST(FirmwareBytes, NtRequestBodies)
{
    unsigned char request[8];
    BuildMemoryReadRequest(request, FW_ROM_SIGNATURE_ADDRESS, 6);
    EXPECT_EQ((Bytes{0xEA, 0xFF, 0x0F, 0, 6, 0, 0, 0}), Bytes(request, request + 8));
    BuildCmosReadRequest(request, 16, 30);
    EXPECT_EQ((Bytes{16, 0, 0, 0, 30, 0, 0, 0}), Bytes(request, request + 8));
    unsigned char write[FW_CMOS_WRITE_IN + 1];
    memset(write, 0xCC, sizeof write);
    BuildCmosWriteRequest(write, 46, 0x1D);
    EXPECT_EQ((Bytes{46, 0, 0, 0, 0x1D, 0xCC}), Bytes(write, write + 6));
    EXPECT_EQ(0x80002000u, FW_IOCTL_MEMORY_READ);
    EXPECT_EQ(0x80002008u, FW_IOCTL_SYSTEM_ID);
    EXPECT_EQ(0x80002028u, FW_IOCTL_CMOS_READ);
    EXPECT_EQ(0x80002058u, FW_IOCTL_FIRMWARE_CALL);
    EXPECT_EQ(0x8000205Cu, FW_IOCTL_CMOS_WRITE);
}

TEST(FirmwareBytes, CmosChecksum)
{
    unsigned char all[FW_CHECKSUM_COUNT];
    memset(all, 0xFF, sizeof all);
    uint16_t sum = CmosChecksum(all, sizeof all);
    EXPECT_EQ(7650, sum);
    EXPECT_EQ(0x1D, sum >> 8);
    EXPECT_EQ(0xE2, sum & 0xFF);
    unsigned char some[FW_CHECKSUM_COUNT] = {0x80, 0x80, 1};
    EXPECT_EQ(0x101, CmosChecksum(some, sizeof some));
    EXPECT_EQ(0, CmosChecksum(some, 0));
}

TEST(FirmwareBytes, RomSignatureStopsAtZeroAndWritesSixBytes)
{
    const struct {
        Bytes rom;
        Bytes out;
    } cases[] = {
        {{'V', 'O', 'R', 'L', 'I', 'X', 'Z'}, {'V', 'O', 'R', 'L', 'I', 'X'}},
        {{'V', 'O', 0, 'L', 'I', 'X', 'Z'}, {'V', 'O', 0, 0, 0, 0}},
        {{0, 'O', 'R', 'L', 'I', 'X', 'Z'}, {0, 0, 0, 0, 0, 0}},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        char out[8];
        memset(out, 0xCC, sizeof out);
        CopyRomSignature(cases[i].rom.data(), out);
        EXPECT_EQ(cases[i].out, Bytes(out, out + 6)) << "case " << i;
        EXPECT_EQ((char)0xCC, out[6]) << "case " << i << ": no terminator is written";
    }
}

// The length byte is used as it comes but cut to the data area (16
// characters for the VxD, 17 for NT) and to the caller's buffer.
TEST(FirmwareBytes, LengthPrefixedTextNeverPassesItsBuffers)
{
    Bytes vxd = {0xFF};
    for (char c = 'a'; c < 'a' + 16; c++)
        vxd.push_back((unsigned char)c);
    Bytes nt = vxd;
    nt.push_back('q');
    const struct {
        Bytes data;
        size_t outSize;
        const char* text;
        size_t written;
        bool cut;
    } cases[] = {
        {{3, 'A', '0', '7', 'x'}, 32, "A07", 3, false},
        {vxd, 32, "abcdefghijklmnop", 16, true},
        {nt, 32, "abcdefghijklmnopq", 17, true},
        {nt, 6, "abcde", 5, true},
        {{4, 'a', 'b', 'c', 'd'}, 5, "abcd", 4, false},
        {{4, 'a', 'b', 'c', 'd'}, 4, "abc", 3, true},
        {{4, 'a', 0, 'c', 'd'}, 32, "a", 4, false},
        {{0, 'a'}, 32, "", 0, false},
        {{9}, 32, "", 0, true},
        {{}, 32, "", 0, false},
        {{5, 'a', 'b'}, 1, "", 0, true},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        // The data sits at the end of an allocation of its exact size, so
        // the sanitizers catch a read past it.
        std::vector<unsigned char> data(cases[i].data);
        std::vector<char> out(cases[i].outSize);
        bool cut = !cases[i].cut;
        size_t written = CopyLengthPrefixedText(data.empty() ? nullptr : data.data(), data.size(), out.data(),
                                                out.size(), &cut);
        EXPECT_EQ(cases[i].written, written) << "case " << i;
        EXPECT_EQ(cases[i].cut, cut) << "case " << i;
        EXPECT_STREQ(cases[i].text, out.data()) << "case " << i;
        for (size_t k = strlen(cases[i].text); k <= written; k++)
            EXPECT_EQ('\0', out[k]) << "case " << i << ": position " << k << " is zero-filled";
    }
    bool cut;
    EXPECT_EQ(0u, CopyLengthPrefixedText(vxd.data(), vxd.size(), nullptr, 0, &cut)) << "no room at all";
}

TEST(FirmwareBytes, DriverPathsJoinWithOneBackslash)
{
    const struct {
        const char* dir;
        const char* tail;
        size_t size;
        bool ok;
        const char* path;
    } cases[] = {
        {"C:\\WINNT\\system32", "\\Drivers\\NVXMgmt.Sys", 260, true, "C:\\WINNT\\system32\\Drivers\\NVXMgmt.Sys"},
        {"C:\\", "\\Drivers\\NVXMgmt.Sys", 260, true, "C:\\Drivers\\NVXMgmt.Sys"},
        {"C:\\WINDOWS\\SYSTEM", "\\NVXInt15.VxD", 260, true, "C:\\WINDOWS\\SYSTEM\\NVXInt15.VxD"},
        {"C:\\ab", "\\cd", 9, true, "C:\\ab\\cd"},
        {"C:\\ab", "\\cd", 8, false, ""},
        {"C:\\", "\\cd", 6, true, "C:\\cd"},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        std::vector<char> out(cases[i].size + 1, (char)0xCC);
        EXPECT_EQ(cases[i].ok, JoinDriverPath(out.data(), cases[i].size, cases[i].dir, cases[i].tail)) << "case " << i;
        EXPECT_STREQ(cases[i].path, out.data()) << "case " << i;
        EXPECT_EQ((char)0xCC, out[cases[i].size]) << "case " << i << ": written past the buffer";
    }

    char source[260];
    EXPECT_TRUE(DriverSourcePath(source, sizeof source, "C:\\kit\\setup.exe", "\\NVXMGMT.SYS"));
    EXPECT_STREQ("C:\\kit\\NVXMGMT.SYS", source);
    std::string longDir = "C:\\" + std::string(250, 'd');
    EXPECT_FALSE(DriverSourcePath(source, sizeof source, (longDir + "\\setup.exe").c_str(), "\\NVXMGMT.SYS"));
    EXPECT_STREQ("", source);
}

} // namespace
