// setuprun.exe against the simulated firmware driver: CMD09 and CMD25 on
// Windows 2000 and NT 4.0 (the NT driver, registered and removed by the
// run), on Windows 98 and 95 (the VxD, loaded by the test as Windows would
// load it) and on XP (which gets the VxD variant). Machine-wide: one at a
// time, and each leaves no service, driver file or configuration behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "firmware_sim.h"
#include "firmware_sim_bench.h"
#include "scenario_bench.h"

using namespace scenario;

namespace {

const char kBranchSections[] =
    "[OnVorlix]\n32,in OnVorlix\n[OnOther]\n32,in OnOther\n"
    "[Supported]\n32,in Supported\n[Unsupported]\n32,in Unsupported\n"
    "[Models]\n0x0A1B\n4660\n";

std::string Script(const Bench& b, const std::string& data, const std::string& commands)
{
    return "[Data]\n" + b.LogKeys() + data + "[CommandsList]\n" + commands + kBranchSections;
}

class Firmware : public ::testing::Test {
protected:
    FirmwareSim sim;

    void ExpectMachineClean(const std::string& where) const
    {
        EXPECT_TRUE(FirmwareSim::ServiceGone("NVXMgmt12")) << where << ": the run's service is removed";
        EXPECT_FALSE(FileExists(FirmwareSim::NtTargetPath())) << where << ": the copied driver is deleted";
    }
};

TEST_F(Firmware, NtVariantReadsTheRomSignature)
{
    const struct {
        WindowsVersion version;
        std::string rom;
        const char* identity;
        const char* branch;
    } cases[] = {
        {WindowsVersion::Win2000, "VORLIX", "  This is a Vorlix.", "OnVorlix"},
        {WindowsVersion::Win2000, "vorlix", "  This is not a Vorlix.", "OnOther"},
        {WindowsVersion::Win2000, "VORLIY", "  This is not a Vorlix.", "OnOther"},
        {WindowsVersion::Win2000, std::string("VOR\0IX", 6), "  This is not a Vorlix.", "OnOther"},
        {WindowsVersion::Win2000, "XVORLIX", "  This is not a Vorlix.", "OnOther"},
        {WindowsVersion::NT4, "VORLIX", "  This is a Vorlix.", "OnVorlix"},
        {WindowsVersion::NT4, "MAKERX", "  This is not a Vorlix.", "OnOther"},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        Bench b(cases[i].version);
        sim.ClearRequests();
        sim.SetRom(cases[i].rom);
        sim.PlaceNtDriver(b.programDir);
        b.WriteScript("rom.ini", Script(b, "", "9,OnVorlix,OnOther\n"));
        ASSERT_TRUE(b.Run("rom.ini -silent").finished) << "case " << i;
        std::string branch = cases[i].branch;
        EXPECT_TRUE(ContainsInOrder(b.Log(), {" LoadNVXMGMT - NVXMGMT.SYS load Successful",
                                              "CMD0> CMD09_BranchOnIsVorlix: 9,OnVorlix,OnOther ",
                                              " OpenNVXMGMT - NVXMGMT.SYS Successful", cases[i].identity,
                                              "  Setting next section to:  " + branch, " in " + branch,
                                              " DelNVXMGMT - NVXMGMT.SYS delete was successful", "DONE !"}))
            << "case " << i;
        EXPECT_EQ((std::vector<std::string>{"NT load: ok", "NT open: ok", "NT memory read 000FFFEA 6: ok",
                                            "NT close: ok", "NT unload: ok"}),
              sim.WaitForRequests(5))
            << "case " << i;
        ExpectMachineClean("case " + std::to_string(i));
    }
}

TEST_F(Firmware, NtVariantLooksTheSystemIdUp)
{
    const struct {
        WindowsVersion version;
        unsigned id;
        const char* identity;
        const char* branch;
    } cases[] = {
        {WindowsVersion::Win2000, 0x0A1B, "  This is a Vorlix with ID  0X0A1B", "Supported"},
        {WindowsVersion::Win2000, 0x1234, "  This is a Vorlix with ID  0X1234", "Supported"},
        {WindowsVersion::Win2000, 0x0BAD, "This is not a supported Vorlix  The ID 0X0BAD was not found in list.",
         "Unsupported"},
        {WindowsVersion::Win2000, 0, "This is not a supported Vorlix  The ID read is 0X0000.", "Unsupported"},
        {WindowsVersion::NT4, 0x0A1B, "  This is a Vorlix with ID  0X0A1B", "Supported"},
        {WindowsVersion::NT4, 0xFFFF, "This is not a supported Vorlix  The ID 0XFFFF was not found in list.",
         "Unsupported"},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        Bench b(cases[i].version);
        sim.ClearRequests();
        sim.SetSystemId(cases[i].id);
        sim.PlaceNtDriver(b.programDir);
        // SYSID is only the fallback: the driver's answer wins, also a 0.
        b.WriteScript("id.ini", Script(b, "SYSID=2587\n", "25,Models,Supported,Unsupported\n"));
        ASSERT_TRUE(b.Run("id.ini -silent").finished) << "case " << i;
        std::string branch = cases[i].branch;
        EXPECT_TRUE(ContainsInOrder(b.Log(), {" OpenNVXMGMT - NVXMGMT.SYS Successful", cases[i].identity,
                                              "  Setting next section to:  " + branch, " in " + branch}))
            << "case " << i;
        EXPECT_EQ(1, CountRequests(sim.Requests(), "NT system id: ok")) << "case " << i;
        ExpectMachineClean("case " + std::to_string(i));
    }
}

// Without NVXMGMT.SYS the copy fails and no open succeeds: CMD09 takes the
// branch for other machines, CMD25 falls back to [DATA] SYSID. The
// service that the failed opens registered is removed at the end.
TEST_F(Firmware, NtVariantWithoutTheDriverFile)
{
    Bench b(WindowsVersion::Win2000);
    b.WriteScript("nodrv.ini", Script(b, "SYSID=4660\n", "9,OnVorlix,OnOther\n25,Models,Supported,Unsupported\n"));
    ASSERT_TRUE(b.Run("nodrv.ini -silent").finished);
    std::string target = FirmwareSim::NtTargetPath();
    std::vector<std::string> log = b.Log();
    EXPECT_TRUE(ContainsInOrder(
        log, {"WARNING ERROR-=-LoadNVXmgmt - CopyFile(" + b.programDir + "\\NVXMGMT.SYS, " + target +
                  ", FALSE) returned with " + ErrorPart(2),
              "CMD0> CMD09_BranchOnIsVorlix: 9,OnVorlix,OnOther ",
              "WARNING ERROR-=-OpenNVXMGMT - Failed for driver " + target,
              " GetVorlixString() - OpenVDD() returned FALSE GetVorlixString() - error Loading the CMOS driver",
              "  This is not a Vorlix.", "  Setting next section to:  OnOther",
              "CMD1> CMD25_BranchOnSystemID: 25,Models,Supported,Unsupported ",
              "WARNING ERROR-=-OpenNVXMGMT - Failed for driver " + target,
              " CMD25_GetSystemID() - OpenVDD() returned FALSE CMD25_GetSystemID() - error Loading the CMOS driver",
              "  This is a Vorlix with ID  0X1234", "  Setting next section to:  Supported", " in Supported",
              "WARNING ERROR-=-DelNVXMGMT - DeleteFile(" + target + ") returned with " + ErrorPart(2),
              "DONE !"}));
    // The first open registered the service; the second found it there.
    EXPECT_EQ(0, CountLines(log, "WARNING ERROR-=-InstallServiceNT() - CreateService(\\\\.\\NVXMgmt12) returned "
                                 "with " + ErrorPart(1073)));
    ExpectMachineClean("after the run");
    EXPECT_TRUE(sim.Requests().empty());
}

TEST_F(Firmware, NtVariantRegistersTheServiceForEachCommand)
{
    Bench b(WindowsVersion::Win2000);
    sim.SetRom("VORLIX");
    sim.SetSystemId(0x0A1B);
    sim.PlaceNtDriver(b.programDir);
    b.WriteScript("two.ini", Script(b, "", "9,OnVorlix,OnOther\n25,Models,Supported,Unsupported\n"));
    ASSERT_TRUE(b.Run("two.ini -silent").finished);
    EXPECT_EQ((std::vector<std::string>{"NT load: ok", "NT open: ok", "NT memory read 000FFFEA 6: ok", "NT close: ok",
                                        "NT unload: ok", "NT load: ok", "NT open: ok", "NT system id: ok",
                                        "NT close: ok", "NT unload: ok"}),
              sim.WaitForRequests(10));
    // The later branch wins at the end of the list.
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"  This is a Vorlix.", "  This is a Vorlix with ID  0X0A1B",
                                          "InitCommandSection()  starting from [Supported]", " in Supported"}));
    ExpectMachineClean("after the run");
}

// A "NVXMgmt12" service that ran before the run keeps running after it.
TEST_F(Firmware, NtVariantUsesARunningServiceAndLeavesItRunning)
{
    Bench b(WindowsVersion::NT4);
    sim.SetSystemId(0x0A1B);
    ASSERT_TRUE(CopyFileA(FirmwareSim::BuiltDriver().c_str(), FirmwareSim::NtTargetPath().c_str(), FALSE));
    ASSERT_TRUE(FirmwareSim::CreateDriverService("NVXMgmt12", FirmwareSim::NtTargetPath(), true));
    sim.ClearRequests();
    b.WriteScript("running.ini", Script(b, "", "25,Models,Supported,Unsupported\n"));
    ASSERT_TRUE(b.Run("running.ini -silent").finished);
    EXPECT_TRUE(ContainsInOrder(b.Log(), {" OpenNVXMGMT - NVXMGMT.SYS Successful", "  This is a Vorlix with ID  0X0A1B"}));
    EXPECT_EQ((DWORD)SERVICE_RUNNING, FirmwareSim::ServiceState("NVXMgmt12"));
    EXPECT_EQ((std::vector<std::string>{"NT open: ok", "NT system id: ok", "NT close: ok"}),
              sim.WaitForRequests(3));
}

// Windows 95 and 98: the VxD answers the system ID; the ROM segment it
// would map into setuprun's memory is beyond the simulation, so CMD09
// finds no name there (the copy itself is tested on its own).
TEST_F(Firmware, VxdVariantOnWindows9x)
{
    const struct {
        WindowsVersion version;
        unsigned id;
        const char* identity;
        const char* branch;
    } cases[] = {
        {WindowsVersion::Win98, 0x0A1B, "  This is a Vorlix with ID  0X0A1B", "Supported"},
        {WindowsVersion::Win95, 0x1234, "  This is a Vorlix with ID  0X1234", "Supported"},
        {WindowsVersion::Win98, 0x0C0D, "This is not a supported Vorlix  The ID 0X0C0D was not found in list.",
         "Unsupported"},
    };
    sim.SetRom("VORLIX");
    ASSERT_TRUE(sim.StartVxd());
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        Bench b(cases[i].version);
        sim.SetSystemId(cases[i].id);
        sim.ClearRequests();
        sim.PlaceNtDriver(b.programDir);
        sim.PlaceVxdFile(b.programDir);
        b.WriteScript("vxd.ini", Script(b, "SYSID=1\n", "9,OnVorlix,OnOther\n25,Models,Supported,Unsupported\n"));
        ASSERT_TRUE(b.Run("vxd.ini -silent").finished) << "case " << i;
        std::string branch = cases[i].branch;
        EXPECT_TRUE(ContainsInOrder(
            b.Log(), {" LoadNVXInt15 - NVXInt15.VxD load Successful", " OpenNVXInt15() - NVXInt15.VxD driver loaded successfully",
                      " CloseNVXInt15() - NVXInt15.VxD driver has been closed.", "  This is not a Vorlix.",
                      " OpenNVXInt15() - NVXInt15.VxD driver loaded successfully",
                      " CloseNVXInt15() - NVXInt15.VxD driver has been closed.", cases[i].identity,
                      "  Setting next section to:  " + branch, " in " + branch,
                      " DelNVXInt15 - NVXINT15.VXD delete was successful", "DONE !"}))
            << "case " << i;
        EXPECT_EQ((std::vector<std::string>{"VxD open: ok", "VxD map segment F000: not simulated", "VxD close: ok",
                                            "VxD open: ok", "VxD system id: ok", "VxD close: ok"}),
              sim.WaitForRequests(6))
            << "case " << i;
        EXPECT_FALSE(FileExists(FirmwareSim::VxdTargetPath())) << "case " << i;
        EXPECT_FALSE(FileExists(FirmwareSim::NtTargetPath())) << "case " << i << ": the NT driver is not copied";
        EXPECT_TRUE(FirmwareSim::ServiceGone("NVXMgmt12")) << "case " << i;
    }
}

// Windows XP (NT 5.1) gets the VxD variant, as every system other than
// NT 4.0 and 2000 does: the NT driver beside the program is not used.
TEST_F(Firmware, XpChoosesTheVxdVariant)
{
    Bench b(WindowsVersion::XP);
    sim.SetSystemId(0x0A1B);
    sim.PlaceNtDriver(b.programDir);
    b.WriteScript("xp.ini", Script(b, "", "25,Models,Supported,Unsupported\n"));

    // Without the VxD: the open fails, no SYSID: ID 0.
    ASSERT_TRUE(b.Run("xp.ini -silent").finished);
    EXPECT_TRUE(ContainsInOrder(
        b.Log(), {"WARNING ERROR-=-Can't get a handle to NVXInt15.VxD driver  Error = 2",
                  "WARNING ERROR-=-OpenNVXInt15 - CreateFile(NVXInt15.VxD) returned with " + ErrorPart(2),
                  " CMD25_GetSystemID() - OpenVDD() returned FALSE CMD25_GetSystemID() - error Loading the CMOS driver",
                  "This is not a supported Vorlix  The ID read is 0X0000.", " in Unsupported"}));
    EXPECT_TRUE(sim.Requests().empty());
    EXPECT_TRUE(FirmwareSim::ServiceGone("NVXMgmt12"));

    // With it: the ID comes through the VxD's control code 4.
    ASSERT_TRUE(sim.StartVxd());
    sim.ClearRequests();
    b.ClearLog();
    ASSERT_TRUE(b.Run("xp.ini -silent").finished);
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"  This is a Vorlix with ID  0X0A1B", " in Supported"}));
    EXPECT_EQ((std::vector<std::string>{"VxD open: ok", "VxD system id: ok", "VxD close: ok"}),
              sim.WaitForRequests(3));
    EXPECT_TRUE(FirmwareSim::ServiceGone("NVXMgmt12"));
    EXPECT_FALSE(FileExists(FirmwareSim::NtTargetPath()));
}

// A branch target that names no section: the internal-error box (unless
// silent), the error line, and the earlier branch stays in force.
TEST_F(Firmware, BranchToAMissingSectionShowsTheInternalErrorBox)
{
    Bench b(WindowsVersion::Win2000);
    sim.SetRom("VORLIX");
    sim.SetSystemId(0x0A1B);
    sim.PlaceNtDriver(b.programDir);
    b.WriteScript("missing.ini", Script(b, "", "19,OnOther\n9,Nowhere,OnOther\n25,Models,Gone,Unsupported\n"));
    RunResult r = b.Run("missing.ini");
    ASSERT_TRUE(r.finished);
    ASSERT_EQ(2u, r.boxes.size());
    for (const BoxSeen& box : r.boxes) {
        EXPECT_EQ("Vorlix SW Installer", box.caption);
        EXPECT_EQ("An internal error has occured and progress has been aborted.\n\nPlease reinstall installation.",
                  box.text);
        EXPECT_TRUE(box.systemModal);
    }
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"  This is a Vorlix.", "ERROR-=- Section [Nowhere] is not found!",
                                          "  This is a Vorlix with ID  0X0A1B", "ERROR-=- Section [Gone] is not found!",
                                          "InitCommandSection()  starting from [OnOther]", " in OnOther"}));
    ExpectMachineClean("after the run");
}

} // namespace
