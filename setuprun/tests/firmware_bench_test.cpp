// The firmware bench on a busy machine: a driver whose stop takes seconds,
// left stop-pending and marked for delete by a test that was cut short,
// must not fail the tests after it (they once failed with 1072, 1114 and 5
// after an 11-second stop).
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "firmware_requests.h"
#include "firmware_sim.h"
#include "firmware_sim_bench.h"
#include "patience.h"
#include "services.h"

namespace scenario {
namespace {

const DWORD kSlowStopMs = 6000;

TEST(FirmwareBench, ASlowStopLeftBehindDoesNotFailTheNextTest)
{
    { FirmwareSim clean; }
    // What the cut-short test leaves: its driver told to stop, slowly, and
    // its service deleted while it still stops.
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, FW_SIM_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &key, nullptr));
    DWORD delay = kSlowStopMs;
    RegSetValueExA(key, FW_SIM_UNLOAD_DELAY, 0, REG_DWORD, (const BYTE*)&delay, sizeof delay);
    RegCloseKey(key);
    ASSERT_TRUE(CopyFileA(FirmwareSim::BuiltDriver().c_str(), FirmwareSim::NtTargetPath().c_str(), FALSE));
    ASSERT_TRUE(FirmwareSim::CreateDriverService(FW_NT_SERVICE_NAME, FirmwareSim::NtTargetPath(), true));
    std::thread stopper([] {
        SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        SC_HANDLE service = manager ? OpenServiceA(manager, FW_NT_SERVICE_NAME, SERVICE_ALL_ACCESS) : nullptr;
        SERVICE_STATUS status;
        if (service) {
            ControlService(service, SERVICE_CONTROL_STOP, &status);
            CloseServiceHandle(service);
        }
        if (manager)
            CloseServiceHandle(manager);
    });
    DWORD state = 0;
    for (DWORD waited = 0;
         waited < testkit::Patient(3000) && (state = FirmwareSim::ServiceState(FW_NT_SERVICE_NAME)) != SERVICE_STOP_PENDING;
         waited += 20)
        Sleep(20);
    EXPECT_EQ((DWORD)SERVICE_STOP_PENDING, state) << "the stop should take " << kSlowStopMs << " ms";
    {
        SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        SC_HANDLE service = OpenServiceA(manager, FW_NT_SERVICE_NAME, SERVICE_ALL_ACCESS);
        EXPECT_TRUE(service && DeleteService(service)) << GetLastError();
        if (service)
            CloseServiceHandle(service);
        CloseServiceHandle(manager);
    }

    // The next test: its bench waits for the stop and the delete, then the
    // driver can be put in place, registered and started again.
    DWORD start = GetTickCount();
    {
        FirmwareSim next;
        DWORD waited = GetTickCount() - start;
        EXPECT_EQ(0u, FirmwareSim::ServiceState(FW_NT_SERVICE_NAME)) << "after " << waited << " ms";
        EXPECT_TRUE(CopyFileA(FirmwareSim::BuiltDriver().c_str(), FirmwareSim::NtTargetPath().c_str(), FALSE))
            << GetLastError();
        EXPECT_TRUE(FirmwareSim::CreateDriverService(FW_NT_SERVICE_NAME, FirmwareSim::NtTargetPath(), true));
        EXPECT_EQ((DWORD)SERVICE_RUNNING, FirmwareSim::ServiceState(FW_NT_SERVICE_NAME));
        EXPECT_GT(waited, kSlowStopMs / 3) << "the bench did not wait for the slow stop";
        printf("the next test's bench waited %lu ms for the stop\n", waited);
    }
    stopper.join();
}

} // namespace
} // namespace scenario
