// The real vlxpnpmgr.exe against the simulated bay machine: its command
// line, its start-up checks, and every kind of bay change, installed as a
// service (started and stopped through Wine's service control manager)
// and in the foreground.
#include <gtest/gtest.h>

#include "bay_bench.h"
#include "parameters.h"
#include "service_bench.h"
#include "services.h"

using namespace baytest;

namespace {

class Service : public ::testing::Test {
protected:
    BayMachine bay; // first made, last gone: it cleans every service
    DesktopWatcher desktop;
    DriveWindow myComputer;
    BayService service;

    // The machine with its miniport running, the service installed.
    void Boot(std::initializer_list<const char*> runningStubs = {"vlxpx4"},
              std::initializer_list<const char*> stoppedStubs = {})
    {
        for (const char* stub : runningStubs)
            BayMachine::AddStub(stub, true);
        for (const char* stub : stoppedStubs)
            BayMachine::AddStub(stub, false);
        ASSERT_TRUE(bay.Start());
        ASSERT_TRUE(service.Run("-install").finished);
        ASSERT_EQ((DWORD)SERVICE_STOPPED, service.State());
    }

    // Starts the service and waits for the end of its initial scan.
    void StartService()
    {
        int told = myComputer.Told();
        ASSERT_TRUE(service.Start());
        ASSERT_TRUE(myComputer.WaitTold(told + 1)) << "the initial scan ends by telling the drive window";
    }

    // Changes the bays and waits until the service has handled the event.
    void ChangeBays()
    {
        int told = myComputer.Told();
        bay.ClearLog();
        bay.Change();
        ASSERT_TRUE(myComputer.WaitTold(told + 1)) << "the event ends by telling the drive window";
    }
};

} // namespace

TEST_F(Service, StartsScansAndStops)
{
    Boot();
    StartService();
    EXPECT_EQ((DWORD)SERVICE_RUNNING, service.State());
    bay.machine.status[BAY_STATUS_CHANGE_MASK] = 0;
    ChangeBays();
    EXPECT_EQ(std::vector<std::string>({"swapctl0 open share=read+write", "swapctl0 QueryStatus out=9: ok 9"}),
              bay.Log());
    DWORD before = GetTickCount();
    EXPECT_TRUE(service.Stop());
    EXPECT_LT(GetTickCount() - before, 2000u) << "an idle service stops at once";
    EXPECT_EQ(0u, service.ExitCode());
    EXPECT_TRUE(desktop.Boxes().empty());
}
