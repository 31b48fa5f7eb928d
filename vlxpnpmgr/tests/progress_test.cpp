// Progress windows as a person sees them on the screen: caption, text,
// the icon of the template, how long each stays, and none while
// EnableMessages is 0, without restarting anything when it changes.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "bay_bench.h"
#include "progress_icons.h"
#include "parameters.h"
#include "progress.h"
#include "resource.h"

using namespace baytest;

namespace {

void SetMessages(DWORD value)
{
    StoreDword(HKEY_LOCAL_MACHINE, PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, value);
}

struct WindowSeen {
    bool seen = false;
    std::string caption, text;
    bool iconMatches = false;
    int iconOf = 0; // the template whose icon the screen shows
    DWORD shownMs = 0;
    DWORD workMs = 0; // how long `work` itself took
};

// Watches this process's progress window while `work` runs on a thread.
WindowSeen Watch(const std::function<void()>& work)
{
    WindowSeen w;
    std::atomic<bool> done(false);
    std::thread worker([&] {
        DWORD start = GetTickCount();
        work();
        w.workMs = GetTickCount() - start;
        done = true;
    });
    DWORD first = 0, last = 0;
    while (!done) {
        HWND window = testkit::FindDialog(GetCurrentProcessId(), "Vorlix PnP Manager");
        if (window) {
            last = GetTickCount();
            if (!w.seen) {
                first = last;
                w.seen = true;
                Sleep(200); // let it settle on the screen
                w.caption = testkit::StoredText(window);
                w.text = testkit::StoredText(GetDlgItem(window, IDC_PROGRESS_TEXT));
                w.iconOf = ProgressTemplateShown(window);
            }
        }
        Sleep(20);
    }
    worker.join();
    w.shownMs = w.seen ? last - first : 0;
    return w;
}

class Progress : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Deliverable()) << "cannot load bin/vlxpnpmgr.exe: " << GetLastError();
        SetProgressInstance(Deliverable());
    }
    BayMachine bay; // cleans the service's key before and after
};

} // namespace

TEST_F(Progress, EachTemplateShowsItsIconAndTextForTwoSeconds)
{
    SetMessages(1);
    const struct {
        int templateId;
        const char* text;
    } cases[] = {
        {IDD_PROGRESS_CDROM, "Installing VENDOR  CD-ROM DRIVE     "},
        {IDD_PROGRESS_FLOPPY, "Installing Floppy device"},
        {IDD_PROGRESS_SEARCH, "Removing UNKOWN"},
        {IDD_PROGRESS_DISK, "Removing DISKMAKEFIXED DISK 1234"},
    };
    for (const auto& c : cases) {
        WindowSeen w = Watch([&] { ShowProgress(c.templateId, c.text); });
        ASSERT_TRUE(w.seen) << c.templateId;
        EXPECT_EQ("Vorlix PnP Manager", w.caption) << c.templateId;
        EXPECT_EQ(c.text, w.text) << c.templateId;
        EXPECT_EQ(c.templateId, w.iconOf) << "the icon of template " << c.templateId;
        EXPECT_GE(w.shownMs, 1800u) << c.templateId;
        EXPECT_LE(w.shownMs, 2600u) << c.templateId;
    }
}

TEST_F(Progress, NoneWhileMessagesAreOffAndTheNextOneOnceTheyAreOn)
{
    // No pause without a window: the pause is two seconds.
    DeleteKeyTree(HKEY_LOCAL_MACHINE, PARAMETERS_KEY);
    WindowSeen w = Watch([] { ShowProgress(IDD_PROGRESS_FLOPPY, "Installing Floppy device"); });
    EXPECT_FALSE(w.seen) << "no Parameters key: messages are off";
    EXPECT_LT(w.workMs, 1000u);
    SetMessages(0);
    w = Watch([] { ShowProgress(IDD_PROGRESS_FLOPPY, "Installing Floppy device"); });
    EXPECT_FALSE(w.seen);
    EXPECT_LT(w.workMs, 1000u);
    w = Watch([] { CloseSearchWindow(OpenSearchWindow()); });
    EXPECT_FALSE(w.seen);
    EXPECT_LT(w.workMs, 1000u);

    SetMessages(2); // any nonzero value, read afresh
    w = Watch([] { ShowProgress(IDD_PROGRESS_FLOPPY, "Removing Floppy device"); });
    EXPECT_TRUE(w.seen);
    EXPECT_EQ("Removing Floppy device", w.text);
}

TEST_F(Progress, TheSearchWindowLastsAsLongAsTheSearch)
{
    SetMessages(1);
    WindowSeen w = Watch([] {
        HWND window = OpenSearchWindow();
        Sleep(700); // a rescan that takes a while
        CloseSearchWindow(window);
    });
    ASSERT_TRUE(w.seen);
    EXPECT_EQ("Searching for new devices...", w.text);
    EXPECT_EQ(IDD_PROGRESS_SEARCH, w.iconOf);
    EXPECT_GE(w.shownMs, 400u);
    EXPECT_LE(w.shownMs, 1200u) << "no 2-second pause";
}
