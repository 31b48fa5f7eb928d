// The framework under Wine: a sheet of two test pages shown on a thread of
// its own and worked from the test's thread.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "application.h"
#include "data_exchange.h"
#include "property_page.h"
#include "property_sheet.h"

namespace {

CApplication testApp;

// Tests run side by side: each process has a sheet caption of its own.
const std::string kCaption = "Framework test sheet " + std::to_string(GetCurrentProcessId());
const int kMapped = 100, kNotMapped = 101, kApply = 0x3021;

class TestPage : public CPropertyPage {
public:
    explicit TestPage(UINT templateId) : CPropertyPage(templateId) {}
    int m_box = 0;
    int inits = 0, clicks = 0, applies = 0, oks = 0;

protected:
    void DoDataExchange(CDataExchange* dx) override { DDX_Check(dx, kMapped, m_box); }
    BOOL OnInitDialog() override
    {
        inits++;
        return CPropertyPage::OnInitDialog();
    }
    void OnOK() override { oks++; }
    BOOL OnApply() override
    {
        applies++;
        return CPropertyPage::OnApply();
    }
    void OnMappedClicked()
    {
        clicks++;
        SetModified(TRUE);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestPage)
ON_BN_CLICKED(kMapped, &TestPage::OnMappedClicked)
END_MESSAGE_MAP()

// A sheet shown modally on its own thread.
class ShownSheet {
public:
    ShownSheet(CPropertySheet& sheet)
    {
        thread_ = std::thread([this, &sheet] { result = sheet.DoModal(); });
        for (int i = 0; i < 200 && !window; i++) {
            Sleep(50);
            window = FindWindowA("#32770", kCaption.c_str());
        }
    }
    ~ShownSheet()
    {
        if (thread_.joinable())
            Close(IDCANCEL);
    }
    void Close(int button)
    {
        Press(button);
        thread_.join();
    }
    void Press(int button) const
    {
        SendMessageA(GetDlgItem(window, button), BM_CLICK, 0, 0);
        PostMessageA(window, WM_NULL, 0, 0); // Wine's modal loop wakes on a posted message
    }
    HWND Control(int id) const { return GetDlgItem((HWND)SendMessageA(window, PSM_GETCURRENTPAGEHWND, 0, 0), id); }
    std::string Tabs() const
    {
        HWND tabs = (HWND)SendMessageA(window, PSM_GETTABCONTROL, 0, 0);
        std::string all;
        for (int i = 0; i < (int)SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0); i++) {
            char text[64] = "";
            TCITEMA item;
            ZeroMemory(&item, sizeof item);
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(tabs, TCM_GETITEMA, i, (LPARAM)&item);
            all += std::string(all.empty() ? "" : "|") + text;
        }
        return all;
    }

    HWND window = nullptr;
    INT_PTR result = 0;

private:
    std::thread thread_;
};

} // namespace

// Pages in order, the first shown first with its members in its controls;
// the message map reaches only the mapped control; Apply asks the shown
// page only, and the framework's OnApply calls OnOK; Cancel asks nobody.
TEST(Framework, SheetPagesExchangeAndApply)
{
    TestPage first(1), second(2);
    first.m_box = 1;
    CPropertySheet sheet(kCaption.c_str());
    ASSERT_TRUE(sheet.AddPage(&first));
    ASSERT_TRUE(sheet.AddPage(&second));
    ShownSheet shown(sheet);
    ASSERT_TRUE(shown.window);
    EXPECT_EQ(shown.Tabs(), "First|Second");
    EXPECT_EQ(GetWindow(shown.window, GW_OWNER), nullptr);
    EXPECT_EQ(first.inits, 1);
    EXPECT_EQ(second.inits, 0);
    EXPECT_EQ(SendMessageA(shown.Control(kMapped), BM_GETCHECK, 0, 0), BST_CHECKED);

    SendMessageA(shown.Control(kNotMapped), BM_CLICK, 0, 0);
    EXPECT_EQ(first.clicks, 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(shown.window, kApply)));
    SendMessageA(shown.Control(kMapped), BM_CLICK, 0, 0);
    EXPECT_EQ(first.clicks, 1);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(shown.window, kApply)));
    EXPECT_EQ(first.m_box, 1);
    EXPECT_TRUE(first.UpdateData(TRUE));
    EXPECT_EQ(first.m_box, 0);

    shown.Press(kApply);
    EXPECT_EQ(first.applies, 1);
    EXPECT_EQ(first.oks, 1);
    EXPECT_EQ(second.applies, 0);

    SendMessageA(shown.window, PSM_SETCURSEL, 1, 0);
    EXPECT_EQ(second.inits, 1);
    shown.Close(IDCANCEL);
    EXPECT_EQ(shown.result, IDCANCEL);
    EXPECT_EQ(first.applies + second.applies, 1);
    EXPECT_FALSE(first.UpdateData(TRUE)); // no window any more
}

TEST(Framework, OkAppliesEveryShownPage)
{
    TestPage first(1), second(2);
    CPropertySheet sheet(kCaption.c_str());
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    ShownSheet shown(sheet);
    ASSERT_TRUE(shown.window);
    SendMessageA(shown.window, PSM_SETCURSEL, 1, 0);
    shown.Close(IDOK);
    EXPECT_EQ(shown.result, IDOK);
    EXPECT_EQ(first.applies, 1);
    EXPECT_EQ(second.applies, 1);
    EXPECT_EQ(second.oks, 1);
}

// Without a parent the sheet takes the application's main window; the
// caption and the page list are bounded.
TEST(Framework, SheetOwnerCaptionAndPageLimit)
{
    EXPECT_EQ(CPropertySheet("x").Parent(), nullptr);
    HWND main = CreateWindowA("STATIC", "main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    testApp.m_hMainWnd = main;
    std::string longCaption(200, 'c');
    CPropertySheet sheet(longCaption.c_str());
    testApp.m_hMainWnd = nullptr;
    DestroyWindow(main);
    EXPECT_EQ(sheet.Parent(), main);
    EXPECT_EQ(std::string(sheet.Caption()), longCaption.substr(0, CPropertySheet::kCaptionSize - 1));

    TestPage pages[CPropertySheet::kMaxPages + 1] = {TestPage(1), TestPage(1), TestPage(1), TestPage(1), TestPage(1),
                                                      TestPage(1), TestPage(1), TestPage(1), TestPage(1)};
    for (int i = 0; i < CPropertySheet::kMaxPages; i++)
        EXPECT_TRUE(sheet.AddPage(&pages[i])) << i;
    EXPECT_FALSE(sheet.AddPage(&pages[CPropertySheet::kMaxPages]));
    EXPECT_EQ(sheet.GetPageCount(), (int)CPropertySheet::kMaxPages);
}

// A module's entry point may run before its static objects are built: the
// handle it attaches must still be the one the pages are made from. Each
// test runs in a process of its own, so the later object harms no other.
TEST(Framework, AttachedModuleOutlivesALaterApplicationObject)
{
    HINSTANCE marker = reinterpret_cast<HINSTANCE>(GetModuleHandleA("kernel32.dll"));
    ASSERT_NE(marker, GetModuleHandleA(nullptr));
    testApp.AttachModule(marker);
    {
        CApplication later;
        EXPECT_EQ(marker, ResourceModule());
    }
    EXPECT_EQ(marker, ResourceModule());
}
