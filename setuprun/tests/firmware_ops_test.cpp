// The eleven firmware operations of both variants, called directly against
// the simulated driver: what they send (the driver's records), what they
// make of the answers, and every error record and trace line they log.
// Machine-wide (service, devices, system directory): these run one at a time.
#include <gtest/gtest.h>

#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "driver_ops.h"
#include "firmware_requests.h"
#include "firmware_sim.h"
#include "firmware_sim_bench.h"
#include "log.h"
#include "scenario_bench.h"
#include "text.h"

using namespace scenario;

namespace {

class FirmwareOps : public ::testing::Test {
protected:
    void SetUp() override
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::string("C:\\srtests\\firmware.") + info->name();
        RemoveTree(dir);
        MakeDirs(dir);
        logPath = dir + "\\ops.log";
        programPath = dir + "\\setuprun.exe";
        LogSetProgramName("setuprun.exe");
        ASSERT_TRUE(LogSetPath(logPath.c_str()));
        LogEnable();
    }

    void TearDown() override
    {
        // The variants keep their handles between calls: leave none open.
        kDriverOpsNT.CloseDriver();
        kDriverOpsVxD.CloseDriver();
        RemoveTree(dir);
    }

    // Log lines without their time stamps.
    std::vector<std::string> Log() const
    {
        std::vector<std::string> lines;
        for (const std::string& line : TextLines(ReadTextFile(logPath)))
            lines.push_back(line.size() >= 16 && line[0] == '[' ? line.substr(16) : line);
        return lines;
    }

    void ClearLog() const { DeleteFileA(logPath.c_str()); }

    // The two lines of an error record with the same message.
    static std::vector<std::string> Record(const std::string& prefix, const std::string& message)
    {
        return {prefix + message, prefix + message};
    }

    FirmwareSim sim;
    std::string dir;
    std::string logPath;
    std::string programPath; // the driver files are taken from beside it
};

// Stops a service (the test's own step, not the layer's).
void StopService(const char* name)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = manager ? OpenServiceA(manager, name, SERVICE_ALL_ACCESS) : nullptr;
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof status);
    if (!service || !ControlService(service, SERVICE_CONTROL_STOP, &status))
        ADD_FAILURE() << "cannot stop " << name;
    if (service)
        CloseServiceHandle(service);
    if (manager)
        CloseServiceHandle(manager);
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(FirmwareOps, NtVariantLoadsOpensReadsClosesAndRemovesTheDriver)
{
    const DriverOpsTable& ops = kDriverOpsNT;
    sim.SetRom("VORLIX");
    sim.SetSystemId(0x0A1B);
    sim.PlaceNtDriver(dir);

    ASSERT_EQ(0, ops.LoadDriver(programPath.c_str()));
    EXPECT_TRUE(FileExists(FirmwareSim::NtTargetPath()));
    EXPECT_TRUE(FirmwareSim::ServiceGone("NVXMgmt12")) << "LoadDriver only copies";

    ASSERT_EQ(0, ops.OpenDriver());
    EXPECT_EQ((DWORD)SERVICE_RUNNING, FirmwareSim::ServiceState("NVXMgmt12"));
    EXPECT_EQ(0, ops.OpenDriver()) << "a second open uses the open device";

    char signature[20];
    memset(signature, 0, sizeof signature);
    memset(signature + 7, 0xCC, sizeof signature - 7);
    EXPECT_EQ(0, ops.ReadRomSignature(signature));
    EXPECT_STREQ("VORLIX", signature);
    EXPECT_EQ((char)0xCC, signature[7]) << "nothing written after the terminator";
    EXPECT_EQ(0x0A1B, ops.ReadSystemID());

    ops.CloseDriver();
    EXPECT_TRUE(FirmwareSim::ServiceGone("NVXMgmt12")) << "the service this run made is deleted";
    ops.DelDriver();
    EXPECT_FALSE(FileExists(FirmwareSim::NtTargetPath()));

    EXPECT_EQ((std::vector<std::string>{"NT load: ok", "NT open: ok", "NT memory read 000FFFEA 6: ok",
                                        "NT system id: ok", "NT close: ok", "NT unload: ok"}),
              sim.WaitForRequests(6));
    EXPECT_EQ((std::vector<std::string>{"LoadNVXMGMT - NVXMGMT.SYS load Successful",
                                        "OpenNVXMGMT - NVXMGMT.SYS Successful",
                                        "DelNVXMGMT - NVXMGMT.SYS delete was successful"}),
              Log());
}

TEST_F(FirmwareOps, NtVariantCmosChecksumLanguageAndFirmwareText)
{
    const DriverOpsTable& ops = kDriverOpsNT;
    std::vector<unsigned char> cmos(FW_CMOS_SIZE, 0);
    for (int i = 16; i <= 45; i++)
        cmos[i] = 0xFF;
    cmos[20] = 0x5A;
    sim.SetCmos(cmos);
    sim.SetFirmwareText({3, 'A', '0', '7'});
    sim.PlaceNtDriver(dir);
    ASSERT_EQ(0, ops.LoadDriver(programPath.c_str()));
    sim.ClearRequests();
    ASSERT_EQ(0, ops.OpenDriver());
    ClearLog();

    unsigned char value = 0xCC;
    EXPECT_EQ(0, ops.ReadCMOS(20, &value));
    EXPECT_EQ(0x5A, value);
    cmos[20] = 0xFF;
    sim.SetCmos(cmos);
    EXPECT_EQ(0, ops.UpdateCMOSChecksum());
    std::vector<unsigned char> now = sim.Cmos();
    EXPECT_EQ(0x1D, now[46]);
    EXPECT_EQ(0xE2, now[47]);
    EXPECT_EQ(0, ops.SetLangCodeInCMOS(7));

    char text[32];
    memset(text, 0xCC, sizeof text);
    EXPECT_EQ(0, ops.ReadFirmwareString(text, sizeof text));
    EXPECT_STREQ("A07", text);
    ops.CloseDriver();

    EXPECT_EQ((std::vector<std::string>{"NT load: ok", "NT open: ok", "NT CMOS read 20 1: ok", "NT CMOS read 16 30: ok", "NT CMOS write 46 1D: ok",
                                        "NT CMOS write 47 E2: ok", "NT firmware E800 BX=0007 size=40: ok",
                                        "NT firmware E819 BX=0000 size=58: ok", "NT close: ok", "NT unload: ok"}),
              sim.WaitForRequests(10));
    // Both checksum traces end in a line feed of their own.
    EXPECT_EQ((std::vector<std::string>{"VxD - SUCCESSFULLY read CMOS checksum range", "",
                                        "VxD - Checksum calculated = 1de2", "",
                                        "WriteCMOSNT - DeviceIoControl Successful",
                                        "WriteCMOSNT - DeviceIoControl Successful"}),
              Log());
}

// The length byte of the firmware's text is used as it comes, but never
// makes the copy read past the 18-byte data area or write past the buffer.
TEST_F(FirmwareOps, FirmwareTextLengthIsCutToTheDataAreaAndTheBuffer)
{
    const DriverOpsTable& ops = kDriverOpsNT;
    sim.PlaceNtDriver(dir);
    ASSERT_EQ(0, ops.LoadDriver(programPath.c_str()));
    ASSERT_EQ(0, ops.OpenDriver());
    std::vector<unsigned char> area = {0xFF};
    for (char c = 'a'; c <= 'q'; c++) // 17 characters fill the area
        area.push_back((unsigned char)c);
    const struct {
        std::vector<unsigned char> area;
        size_t size;
        const char* expected;
    } cases[] = {
        {area, 32, "abcdefghijklmnopq"},
        {area, 5, "abcd"},
        {{5, 'x', 'y', 0, 'z', 'w'}, 32, "xy"},
        {{0, 'x'}, 32, ""},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        sim.SetFirmwareText(cases[i].area);
        char text[40];
        memset(text, 0xCC, sizeof text);
        EXPECT_EQ(0, ops.ReadFirmwareString(text, cases[i].size)) << "case " << i;
        EXPECT_STREQ(cases[i].expected, text) << "case " << i;
        for (size_t k = cases[i].size; k < sizeof text; k++)
            ASSERT_EQ((char)0xCC, text[k]) << "case " << i << ": byte " << k << " written past the buffer";
    }
    // A firmware refusal returns its status and leaves the buffer alone.
    sim.SetFirmwareStatus(0x86);
    char text[8] = "keep";
    EXPECT_EQ(0x86, ops.ReadFirmwareString(text, sizeof text));
    EXPECT_STREQ("keep", text);
}

TEST_F(FirmwareOps, NtVariantReportsEveryFailedRequest)
{
    const DriverOpsTable& ops = kDriverOpsNT;
    sim.SetRom("VORLIX");
    sim.SetSystemId(0x1234);
    sim.PlaceNtDriver(dir);
    ASSERT_EQ(0, ops.LoadDriver(programPath.c_str()));
    ASSERT_EQ(0, ops.OpenDriver());
    ClearLog();
    sim.SetFail(FW_SIM_FAIL_MEMORY_READ | FW_SIM_FAIL_SYSTEM_ID | FW_SIM_FAIL_CMOS_READ | FW_SIM_FAIL_CMOS_WRITE |
                FW_SIM_FAIL_FIRMWARE_CALL);

    unsigned char value = 0xCC;
    EXPECT_EQ(1, ops.ReadCMOS(16, &value));
    EXPECT_EQ(1, ops.WriteCMOS(16, 1));
    EXPECT_EQ(1, ops.UpdateCMOSChecksum());
    EXPECT_EQ(0, ops.SetLangCodeInCMOS(1));
    char text[8] = "keep";
    EXPECT_EQ(0, ops.ReadFirmwareString(text, sizeof text));
    EXPECT_STREQ("keep", text);
    char signature[8] = "keep";
    EXPECT_EQ(0, ops.ReadRomSignature(signature));
    EXPECT_STREQ("keep", signature) << "a failed read leaves the buffer untouched";
    EXPECT_EQ(0, ops.ReadSystemID());
    // An answer of fewer than two bytes is no ID either.
    sim.SetFail(FW_SIM_SHORT_SYSTEM_ID);
    EXPECT_EQ(0, ops.ReadSystemID());

    std::string device = ErrorPart(1117);
    std::vector<std::string> expected = Record("FATAL-=-", "ReadCMOSNT - DeviceIoControl returned with " + device);
    expected = Concat(expected, Record("FATAL-=-", "WriteCMOSNT - DeviceIoControl returned with " + device));
    expected = Concat(expected, Record("FATAL-=-", "VxD - FAILED to calculate checsum CMOS "));
    expected = Concat(expected, Record("FATAL-=-", "SetLangCodeInCMOSNT - DeviceIoControl returned with " + device));
    EXPECT_EQ(expected, Log());
}

// The driver file is missing: the copy fails, the service that the open
// registers cannot start, and the end of the run removes that service.
TEST_F(FirmwareOps, NtVariantWithoutTheDriverFile)
{
    const DriverOpsTable& ops = kDriverOpsNT;
    std::string target = FirmwareSim::NtTargetPath();
    EXPECT_EQ(1, ops.LoadDriver(programPath.c_str()));
    EXPECT_EQ(1, ops.OpenDriver());
    EXPECT_EQ((DWORD)SERVICE_STOPPED, FirmwareSim::ServiceState("NVXMgmt12")) << "left for the next close";
    ops.DelDriver();
    EXPECT_TRUE(FirmwareSim::ServiceGone("NVXMgmt12")) << "the run leaves no service of its own";

    std::string source = dir + "\\NVXMGMT.SYS";
    std::vector<std::string> expected =
        Record("WARNING ERROR-=-",
               "LoadNVXmgmt - CopyFile(" + source + ", " + target + ", FALSE) returned with " + ErrorPart(2));
    // Wine answers a missing driver image with 1114 where Windows says 2.
    expected = Concat(expected, Record("WARNING ERROR-=-",
                                       "StartServiceNT() - StartService() returned with " + ErrorPart(1114)));
    expected = Concat(expected, Record("WARNING ERROR-=-", "OpenNVXMGMT - Failed for driver " + target));
    expected = Concat(expected, Record("WARNING ERROR-=-",
                                       "DelNVXMGMT - DeleteFile(" + target + ") returned with " + ErrorPart(2)));
    EXPECT_EQ(expected, Log());
}

TEST_F(FirmwareOps, NtVariantOpenFailsAtEachStep)
{
    const DriverOpsTable& ops = kDriverOpsNT;
    std::string target = FirmwareSim::NtTargetPath();
    sim.PlaceNtDriver(dir);
    ASSERT_EQ(0, ops.LoadDriver(programPath.c_str()));

    // The driver starts but its device has no name to open it by.
    sim.SetFail(FW_SIM_NO_LINK);
    ClearLog();
    EXPECT_EQ(1, ops.OpenDriver());
    std::vector<std::string> expected = Record(
        "WARNING ERROR-=-", "OpenServiceNT() - CreateFile(\\\\.\\NVXMgmt12) returned with " + ErrorPart(2));
    expected = Concat(expected, Record("WARNING ERROR-=-", "OpenNVXMGMT - Failed for driver " + target));
    EXPECT_EQ(expected, Log());
    // The service stays, running, for the next successful open and its
    // close; the driver is restarted in between to take its name.
    EXPECT_EQ((DWORD)SERVICE_RUNNING, FirmwareSim::ServiceState("NVXMgmt12"));
    sim.SetFail(0);
    StopService("NVXMgmt12");
    ClearLog();
    EXPECT_EQ(0, ops.OpenDriver());
    ops.CloseDriver();
    EXPECT_TRUE(FirmwareSim::ServiceGone("NVXMgmt12"));

    // The driver's start fails (its DriverEntry refuses).
    sim.SetFail(FW_SIM_FAIL_LOAD);
    ClearLog();
    EXPECT_EQ(1, ops.OpenDriver());
    std::vector<std::string> log = Log();
    ASSERT_EQ(4u, log.size()) << JoinLines(log);
    EXPECT_EQ(0u, log[0].find("WARNING ERROR-=-StartServiceNT() - StartService() returned with Error="));
    EXPECT_EQ("WARNING ERROR-=-OpenNVXMGMT - Failed for driver " + target, log[2]);
    ops.DelDriver();
    EXPECT_TRUE(FirmwareSim::ServiceGone("NVXMgmt12"));
}

// A "NVXMgmt12" service that existed, or ran, before the run is used as
// it is and left as it was.
TEST_F(FirmwareOps, NtVariantLeavesAnEarlierServiceAsItWas)
{
    const DriverOpsTable& ops = kDriverOpsNT;
    sim.SetSystemId(0x4321);
    sim.PlaceNtDriver(dir);
    ASSERT_EQ(0, ops.LoadDriver(programPath.c_str()));

    // Registered and running.
    ASSERT_TRUE(FirmwareSim::CreateDriverService("NVXMgmt12", FirmwareSim::NtTargetPath(), true));
    ASSERT_EQ(0, ops.OpenDriver());
    EXPECT_EQ(0x4321, ops.ReadSystemID());
    ops.CloseDriver();
    EXPECT_EQ((DWORD)SERVICE_RUNNING, FirmwareSim::ServiceState("NVXMgmt12"));
    FirmwareSim::RemoveService("NVXMgmt12");

    // Registered, not running: started for the command, stopped after it,
    // never deleted.
    ASSERT_TRUE(FirmwareSim::CreateDriverService("NVXMgmt12", FirmwareSim::NtTargetPath(), false));
    ASSERT_EQ(0, ops.OpenDriver());
    EXPECT_EQ(0x4321, ops.ReadSystemID());
    ops.CloseDriver();
    EXPECT_EQ((DWORD)SERVICE_STOPPED, FirmwareSim::ServiceState("NVXMgmt12"));
}

TEST_F(FirmwareOps, ReadOnlyDriverLeftByAnEarlierRunIsReplaced)
{
    const struct {
        const DriverOpsTable* ops;
        std::string target;
        const char* trace;
    } cases[] = {
        {&kDriverOpsNT, FirmwareSim::NtTargetPath(), "LoadNVXMGMT - NVXMGMT.SYS load Successful"},
        {&kDriverOpsVxD, FirmwareSim::VxdTargetPath(), "LoadNVXInt15 - NVXInt15.VxD load Successful"},
    };
    sim.PlaceNtDriver(dir);
    sim.PlaceVxdFile(dir);
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        WriteTextFile(cases[i].target, "stale");
        ASSERT_TRUE(SetFileAttributesA(cases[i].target.c_str(), FILE_ATTRIBUTE_READONLY)) << "case " << i;
        ClearLog();
        EXPECT_EQ(0, cases[i].ops->LoadDriver(programPath.c_str())) << "case " << i;
        EXPECT_NE("stale", ReadTextFile(cases[i].target)) << "case " << i;
        EXPECT_EQ(std::vector<std::string>{cases[i].trace}, Log()) << "case " << i;
        EXPECT_EQ(0, cases[i].ops->DelDriver()) << "case " << i;
        EXPECT_FALSE(FileExists(cases[i].target)) << "case " << i;
    }
}

// The retry fails too (a directory holds the driver's name): the record
// carries the first failure, access denied.
TEST_F(FirmwareOps, CopyThatFailsAgainAfterTheRetryIsReported)
{
    std::string target = FirmwareSim::NtTargetPath();
    sim.PlaceNtDriver(dir);
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
    int result = kDriverOpsNT.LoadDriver(programPath.c_str());
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(target.c_str());
    EXPECT_EQ(1, result);
    EXPECT_EQ(Record("WARNING ERROR-=-", "LoadNVXmgmt - CopyFile(" + dir + "\\NVXMGMT.SYS, " + target +
                                             ", FALSE) returned with " + ErrorPart(5)),
              Log());
}

TEST_F(FirmwareOps, VxdVariantCopiesAndRemovesItsFile)
{
    const DriverOpsTable& ops = kDriverOpsVxD;
    std::string target = FirmwareSim::VxdTargetPath();
    std::string source = dir + "\\NVXInt15.VxD";
    EXPECT_EQ(1, ops.LoadDriver(programPath.c_str()));
    EXPECT_EQ(1, ops.DelDriver());
    sim.PlaceVxdFile(dir);
    EXPECT_EQ(0, ops.LoadDriver(programPath.c_str()));
    EXPECT_EQ(ReadTextFile(source), ReadTextFile(target));
    EXPECT_EQ(0, ops.DelDriver());
    EXPECT_FALSE(FileExists(target));

    std::vector<std::string> expected = Record(
        "WARNING ERROR-=-", "LoadNVXInt15 - CopyFile(" + source + ", " + target + ", FALSE) returned with " + ErrorPart(2));
    expected = Concat(expected, Record("WARNING ERROR-=-",
                                       "DelNVXInt15 - DeleteFile(" + target + ") returned with " + ErrorPart(2)));
    expected.push_back("LoadNVXInt15 - NVXInt15.VxD load Successful");
    expected.push_back("DelNVXInt15 - NVXINT15.VXD delete was successful");
    EXPECT_EQ(expected, Log());
}

TEST_F(FirmwareOps, VxdVariantOpenWithoutTheVxd)
{
    EXPECT_EQ(-1, kDriverOpsVxD.OpenDriver());
    EXPECT_EQ((std::vector<std::string>{
                  "WARNING ERROR-=-Can't get a handle to NVXInt15.VxD driver  Error = 2",
                  "WARNING ERROR-=-OpenNVXInt15 - CreateFile(NVXInt15.VxD) returned with " + ErrorPart(2)}),
              Log());
}

TEST_F(FirmwareOps, VxdVariantTalksToTheVxd)
{
    const DriverOpsTable& ops = kDriverOpsVxD;
    std::vector<unsigned char> cmos(FW_CMOS_SIZE, 0);
    for (int i = 16; i <= 45; i++)
        cmos[i] = 0xFF;
    cmos[0x2E] = 0x42;
    sim.SetCmos(cmos);
    sim.SetSystemId(0xBEEF);
    sim.SetRom("VORLIX");
    ASSERT_TRUE(sim.StartVxd());
    sim.ClearRequests();

    ASSERT_EQ(0, ops.OpenDriver());
    EXPECT_EQ(0, ops.OpenDriver());
    EXPECT_EQ(0xBEEF, ops.ReadSystemID());
    unsigned char value = 0;
    EXPECT_EQ(0, ops.ReadCMOS(0x2E, &value));
    EXPECT_EQ(0x42, value);
    EXPECT_EQ(0, ops.WriteCMOS(0x30, 0x99));
    EXPECT_EQ(0x99, sim.Cmos()[0x30]);
    ops.UpdateCMOSChecksum();
    EXPECT_EQ(0x1D, sim.Cmos()[46]);
    EXPECT_EQ(0xE2, sim.Cmos()[47]);
    EXPECT_EQ(0, ops.SetLangCodeInCMOS(0x07));
    char text[20] = "untouched";
    // The VxD would write the text into our buffer; the simulated one
    // cannot reach it, so the copy finds an empty text.
    EXPECT_EQ(0, ops.ReadFirmwareString(text, sizeof text));
    EXPECT_STREQ("", text);
    // Mapping the ROM segment into our memory is beyond the simulation:
    // the request is refused and the buffer left as it was.
    char signature[8] = {0};
    EXPECT_EQ(0, ops.ReadRomSignature(signature));
    EXPECT_STREQ("", signature);
    ops.CloseDriver();

    std::vector<std::string> expected = {"VxD open: ok", "VxD system id: ok", "VxD firmware E823 BX=0000 CX=002E: ok",
                                         "VxD firmware E823 BX=0199 CX=0030: ok"};
    for (int i = 16; i <= 45; i++) {
        char line[64];
        FormatText(line, sizeof line, "VxD firmware E823 BX=0000 CX=%04X: ok", i);
        expected.push_back(line);
    }
    expected.push_back("VxD firmware E823 BX=011D CX=002E: ok");
    expected.push_back("VxD firmware E823 BX=01E2 CX=002F: ok");
    expected.push_back("VxD firmware E805 BX=0007 CX=0000: ok");
    expected.push_back("VxD firmware E819 BX=0000 CX=0000 data=17 at caller: ok");
    expected.push_back("VxD map segment F000: not simulated");
    expected.push_back("VxD close: ok");
    EXPECT_EQ(expected, sim.WaitForRequests(expected.size()));
    EXPECT_EQ((std::vector<std::string>{"OpenNVXInt15() - NVXInt15.VxD driver loaded successfully",
                                        "CloseNVXInt15() - NVXInt15.VxD driver has been closed."}),
              Log());
}

// The VxD's CMOS operations fail on a firmware status and, by our choice,
// also on a failed device call; a failed read counts as 0 in the checksum.
TEST_F(FirmwareOps, VxdVariantReportsFailures)
{
    const DriverOpsTable& ops = kDriverOpsVxD;
    ASSERT_TRUE(sim.StartVxd());
    ASSERT_EQ(0, ops.OpenDriver());
    ClearLog();

    const struct {
        unsigned status;
        unsigned fail;
        DWORD code; // in the record
    } cases[] = {
        {0x86, 0, ERROR_GEN_FAILURE},               // the firmware refuses
        {0, FW_SIM_FAIL_FIRMWARE_CALL, 1117},       // the device call fails
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        sim.SetFirmwareStatus(cases[i].status);
        sim.SetFail(cases[i].fail);
        ClearLog();
        unsigned char value = 0xCC;
        EXPECT_EQ(1, ops.ReadCMOS(16, &value)) << "case " << i;
        EXPECT_EQ(0, value) << "case " << i;
        EXPECT_EQ(1, ops.WriteCMOS(16, 1)) << "case " << i;
        EXPECT_EQ(0, ops.SetLangCodeInCMOS(1)) << "case " << i;
        std::vector<std::string> expected =
            Record("FATAL-=-", "ReadCMOS95 - DeviceIoControl returned with " + ErrorPart(cases[i].code));
        expected = Concat(expected,
                          Record("FATAL-=-", "WriteCMOS95 - DeviceIoControl returned with " + ErrorPart(cases[i].code)));
        // The language call examines the device call only.
        if (cases[i].fail)
            expected = Concat(expected, Record("FATAL-=-", "SetLangCodeInCMOS95 - DeviceIoControl returned with " +
                                                               ErrorPart(cases[i].code)));
        EXPECT_EQ(expected, Log()) << "case " << i;
    }

    // Reads fail, writes work: the checksum of thirty zeros is written.
    sim.SetFirmwareStatus(0);
    std::vector<unsigned char> cmos(FW_CMOS_SIZE, 0xFF);
    sim.SetCmos(cmos);
    sim.SetFail(FW_SIM_FAIL_CMOS_READ);
    ClearLog();
    ops.UpdateCMOSChecksum();
    EXPECT_EQ(0, sim.Cmos()[46]);
    EXPECT_EQ(0, sim.Cmos()[47]);
    EXPECT_EQ(60, CountLines(Log(), "FATAL-=-ReadCMOS95 - DeviceIoControl returned with " + ErrorPart(1117)));
    EXPECT_EQ(60u, Log().size());
    // The system ID call fails: 0.
    sim.SetFail(FW_SIM_FAIL_SYSTEM_ID);
    EXPECT_EQ(0, ops.ReadSystemID());
}

} // namespace
