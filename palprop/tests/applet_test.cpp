// The real applet under Wine, worked as a user would: through our loader
// (every CPlApplet message) and through control.exe, with the applet in
// the system directory. The registry is checked after every step. The
// tests change machine-wide keys and windows, so they run one at a time.
#include "applet_bench.h"
#include "page_text.h"
#include "resource.h"
#include "value_shapes.h"

using namespace applet;

namespace {

// The controls that show the channels' modes, in the order Modes() joins them.
const int kModes[] = {IDC_LEGACY_PRIMARY_MODE, IDC_LEGACY_SECONDARY_MODE, IDC_NATIVE_PRIMARY_MODE,
                      IDC_NATIVE_SECONDARY_MODE};

const char kControllerTab[] = "Controller Properties";
const char kBothTabs[] = "Controller Properties | Pallard Properties";

// The sentences of the bay page (their wording is page_text's, tested there).
const char* const kHotPrimary = CapabilitySentence(0, false, false);
const char* const kHotSecondary = CapabilitySentence(1, false, false);
const char* const kWarmPrimary = CapabilitySentence(0, false, true);
const char* const kWarmSecondary = CapabilitySentence(1, false, true);
const char* const kDmaPrimary = CapabilitySentence(0, true, false);
const char* const kDmaSecondary = CapabilitySentence(1, true, false);

struct Setting {
    const char* key;
    const char* name;
    RegValue value;
};

void Put(MachineState& machine, const std::vector<Setting>& settings)
{
    for (const Setting& s : settings)
        machine.Set(s.key, s.name, s.value);
}

std::string Modes(const AppletRun& run)
{
    std::vector<std::string> modes;
    for (int id : kModes)
        modes.push_back(run.Text(id));
    return Join(modes);
}

// The restart notice, as the user saw it: caption, text, OK alone, the
// information icon, over the sheet.
void ExpectNotices(const std::vector<Box>& boxes, std::vector<std::string> captions, HWND sheet)
{
    ASSERT_EQ(boxes.size(), captions.size());
    for (size_t i = 0; i < boxes.size(); i++) {
        SCOPED_TRACE("notice " + std::to_string(i));
        EXPECT_EQ(boxes[i].caption, captions[i]);
        EXPECT_EQ(boxes[i].text, kRestartNotice);
        EXPECT_EQ(boxes[i].buttons, std::vector<int>{IDOK});
        EXPECT_EQ(boxes[i].owner, sheet);
        EXPECT_TRUE(boxes[i].blueIcon);
    }
}

// The boxes that tell a setting was not stored: one per setting, over the
// sheet, with the system's reason after the setting's name.
void ExpectNotStored(const std::vector<Box>& boxes, std::vector<std::string> names, HWND sheet)
{
    ASSERT_EQ(boxes.size(), names.size());
    for (size_t i = 0; i < boxes.size(); i++) {
        SCOPED_TRACE("box " + std::to_string(i));
        std::string head = "The setting " + names[i] + " could not be stored.\r\n\r\n";
        EXPECT_EQ(boxes[i].caption, kNotStoredCaption);
        EXPECT_EQ(boxes[i].text.substr(0, head.size()), head);
        EXPECT_GT(boxes[i].text.size(), head.size()) << "the system's reason follows";
        EXPECT_EQ(boxes[i].buttons, std::vector<int>{IDOK});
        EXPECT_EQ(boxes[i].owner, sheet);
    }
}

const char kEveryMessage[] = "CPL_INIT 1 | CPL_GETCOUNT 1 | CPL_INQUIRE 0 icon=129 name=1 info=2 data=0 | "
                             "CPL_INQUIRE(no CPLINFO) 0 | CPL_NEWINQUIRE 0 untouched | CPL_SELECT 0 | "
                             "CPL_STARTWPARMSA 0 | message 99 0 | CPL_DBLCLK 0 | CPL_STOP 0 | CPL_EXIT 0";

class Applet : public ::testing::Test {
protected:
    MachineState machine;
};

} // namespace

// Nothing of the bay is installed: the loader gets every answer, the sheet
// has the controller page alone and no owner. OK after a change cannot
// store it (no key is made): the user is told which setting and why, no
// restart notice, and the sheet stays open until Cancel.
TEST_F(Applet, BareMachineControllerPageAloneAndNoKeyMade)
{
    AppletRun run(Host::Loader);
    ASSERT_TRUE(run.sheet);
    EXPECT_EQ(Join(run.Tabs()), kControllerTab);
    EXPECT_EQ(GetWindow(run.sheet, GW_OWNER), nullptr);
    EXPECT_TRUE(run.loaderWindow);
    EXPECT_EQ(Modes(run), "UNKNOWN | UNKNOWN | UNKNOWN | UNKNOWN");
    EXPECT_EQ(run.Checked(IDC_ENABLE_DMA), BST_UNCHECKED);
    EXPECT_FALSE(run.Enabled(kApply));
    run.Click(IDC_ENABLE_DMA);
    EXPECT_TRUE(run.Enabled(kApply));
    ExpectNotStored(run.Press(IDOK), {ENABLE_DMA_VALUE}, run.sheet);
    EXPECT_TRUE(IsWindow(run.sheet)) << "kept open with the change";
    EXPECT_TRUE(run.Press(IDCANCEL).empty());
    ASSERT_TRUE(run.Closed());
    EXPECT_EQ(Join(run.Record()), kEveryMessage);
    EXPECT_FALSE(KeyExists(MINIPORT_KEY));
    EXPECT_FALSE(KeyExists(SERVICE_KEY));
}

// The bay page without the service's Parameters key: a change of a
// setting stored there is told on Apply and stays to apply; the settings
// that can be stored are; once the key is back, OK stores the rest.
TEST_F(Applet, BaySettingsThatCannotBeStoredAreToldAndKept)
{
    machine.RegisterService();
    machine.Set(CDROM_KEY, AUTORUN_VALUE, Dword(0));
    AppletRun run(Host::Loader);
    ASSERT_TRUE(run.sheet);
    run.SelectTab(1);
    run.Click(IDC_CDROM_AUTORUN);
    run.Click(IDC_PNP_MESSAGES);
    ExpectNotStored(run.Press(kApply), {ENABLE_MESSAGES_VALUE}, run.sheet);
    EXPECT_TRUE(run.Enabled(kApply)) << "nothing the user changed is let go";
    EXPECT_TRUE(
        RegistryHolds({{CDROM_KEY, AUTORUN_VALUE, "dword 1"}, {PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, "<no key>"}}));

    machine.MakeKey(PARAMETERS_KEY);
    EXPECT_TRUE(run.Press(IDOK).empty());
    ASSERT_TRUE(run.Closed());
    EXPECT_TRUE(RegistryHolds({{CDROM_KEY, AUTORUN_VALUE, "dword 1"},
                               {PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, "dword 1"},
                               {PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE, "dword 0"}}));
}

// What the controller page shows for the values it finds; Cancel then
// writes nothing.
TEST_F(Applet, ControllerPageReadsOnlyOneAsOn)
{
    const RegValue one = Dword(1);
    struct Row {
        std::vector<Setting> settings;
        int checked;
        const char* modes;
        const char* enableDmaAfter;
    } rows[] = {
        /* 0 */ {{}, BST_UNCHECKED, "UNKNOWN | UNKNOWN | UNKNOWN | UNKNOWN", "<no key>"},
        /* 1 */
        {{{MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE, one},
          {DMA_STATUS_KEY, DMA_CHANNEL_VALUE(0), one},
          {DMA_STATUS_KEY, DMA_CHANNEL_VALUE(2), Dword(0)}},
         BST_CHECKED, "DMA | PIO | PIO | PIO", "dword 1"},
        /* 2: 2 is off; four bytes of any type that read 1 are on, one byte 01 too */
        {{{MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE, Dword(2)},
          {DMA_STATUS_KEY, DMA_CHANNEL_VALUE(0), Dword(2)},
          {DMA_STATUS_KEY, DMA_CHANNEL_VALUE(1), Bytes(REG_DWORD_BIG_ENDIAN, {0, 0, 0, 1})},
          {DMA_STATUS_KEY, DMA_CHANNEL_VALUE(2), Bytes(REG_BINARY, {1, 0, 0, 0})},
          {DMA_STATUS_KEY, DMA_CHANNEL_VALUE(3), Bytes(REG_BINARY, {1})}},
         BST_UNCHECKED, "PIO | PIO | DMA | DMA", "dword 2"},
        /* 3: a DmaStatus key without channel values */
        {{{MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE, Bytes(REG_BINARY, {1, 0, 0, 0})},
          {DMA_STATUS_KEY, "", Bytes(REG_SZ, {0})}},
         BST_CHECKED, "PIO | PIO | PIO | PIO", "binary 01 00 00 00"},
        /* 4: a value longer than four bytes cannot be read */
        {{{MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE, Bytes(REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0})},
          {DMA_STATUS_KEY, DMA_CHANNEL_VALUE(0), one},
          {DMA_STATUS_KEY, DMA_CHANNEL_VALUE(1), one},
          {DMA_STATUS_KEY, DMA_CHANNEL_VALUE(2), one},
          {DMA_STATUS_KEY, DMA_CHANNEL_VALUE(3), Bytes(REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0})}},
         BST_UNCHECKED, "DMA | DMA | DMA | PIO", "qword 01 00 00 00 00 00 00 00"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        MachineState rowMachine;
        Put(rowMachine, rows[i].settings);
        AppletRun run(Host::Loader);
        ASSERT_TRUE(run.sheet);
        EXPECT_EQ(run.Checked(IDC_ENABLE_DMA), rows[i].checked);
        EXPECT_EQ(Modes(run), rows[i].modes);
        EXPECT_TRUE(run.Press(IDCANCEL).empty());
        ASSERT_TRUE(run.Closed());
        EXPECT_TRUE(RegistryHolds({{MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE, rows[i].enableDmaAfter}}));
    }
}

TEST_F(Applet, UncheckingDmaAndOkShowsOneDisableNotice)
{
    machine.Set(MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE, Dword(1));
    AppletRun run(Host::Loader);
    ASSERT_TRUE(run.sheet);
    EXPECT_EQ(run.Checked(IDC_ENABLE_DMA), BST_CHECKED);
    run.Click(IDC_ENABLE_DMA);
    ExpectNotices(run.Press(IDOK), {"Disable DMA"}, run.sheet);
    ASSERT_TRUE(run.Closed());
    EXPECT_TRUE(RegistryHolds({{MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE, "dword 0"}}));
}

// A value of 2 reads as off and OK writes 0 back, with no notice; a box
// clicked twice before Apply shows no notice and writes its value.
TEST_F(Applet, UnchangedSettingIsWrittenWithoutNotice)
{
    for (int clicks : {0, 2}) {
        SCOPED_TRACE("clicks " + std::to_string(clicks));
        MachineState rowMachine;
        rowMachine.Set(MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE, clicks ? Bytes(REG_BINARY, {0, 0, 0, 0}) : Dword(2));
        AppletRun run(Host::Loader);
        ASSERT_TRUE(run.sheet);
        EXPECT_EQ(run.Checked(IDC_ENABLE_DMA), BST_UNCHECKED);
        for (int i = 0; i < clicks; i++)
            run.Click(IDC_ENABLE_DMA);
        if (clicks) {
            EXPECT_TRUE(run.Press(kApply).empty());
            EXPECT_TRUE(RegistryHolds({{MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE, "dword 0"}}));
        }
        EXPECT_TRUE(run.Press(IDOK).empty());
        ASSERT_TRUE(run.Closed());
        EXPECT_TRUE(RegistryHolds({{MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE, "dword 0"}}));
    }
}

// Apply writes at once and Cancel keeps what was applied; each change of
// the setting brings its own notice, and the one applied is not noticed again.
TEST_F(Applet, ApplyTwiceThenCancel)
{
    machine.MakeKey(MINIPORT_PARAMETERS_KEY);
    AppletRun run(Host::Loader);
    ASSERT_TRUE(run.sheet);
    run.Click(IDC_ENABLE_DMA);
    ExpectNotices(run.Press(kApply), {"Enable DMA"}, run.sheet);
    EXPECT_TRUE(RegistryHolds({{MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE, "dword 1"}}));
    EXPECT_FALSE(run.Enabled(kApply));
    run.Click(IDC_ENABLE_DMA);
    ExpectNotices(run.Press(kApply), {"Disable DMA"}, run.sheet);
    EXPECT_TRUE(RegistryHolds({{MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE, "dword 0"}}));
    run.Click(IDC_ENABLE_DMA);
    EXPECT_TRUE(run.Press(IDCANCEL).empty());
    ASSERT_TRUE(run.Closed());
    EXPECT_TRUE(RegistryHolds({{MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE, "dword 0"}}));
}

// The bay page for the values it finds, and what OK writes without a
// change: each setting as 1 or 0 into a key that exists, no key made.
TEST_F(Applet, BayPageReadsAndOkWritesBack)
{
    const RegValue one = Dword(1);
    struct Row {
        std::vector<Setting> settings;
        int autorun, messages, warm;
        const char* primary;
        const char* secondary;
        std::initializer_list<ExpectedValue> after;
    } rows[] = {
        /* 0: no Parameters key, no DmaStatus key */
        {{{CDROM_KEY, AUTORUN_VALUE, one}}, BST_CHECKED, BST_UNCHECKED, BST_UNCHECKED, kHotPrimary, kHotSecondary,
         {{CDROM_KEY, AUTORUN_VALUE, "dword 1"},
          {PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, "<no key>"},
          {MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE, "<no key>"}}},
        /* 1: 2 is off and written back as 0; the primary channel runs DMA */
        {{{CDROM_KEY, "Other", one},
          {PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, Dword(2)},
          {PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE, one},
          {DMA_STATUS_KEY, DMA_CHANNEL_VALUE(0), one}},
         BST_UNCHECKED, BST_UNCHECKED, BST_CHECKED, kDmaPrimary, kWarmSecondary,
         {{CDROM_KEY, AUTORUN_VALUE, "dword 0"},
          {PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, "dword 0"},
          {PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE, "dword 1"},
          {MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE, "dword 0"}}},
        /* 2: values of other types */
        {{{CDROM_KEY, AUTORUN_VALUE, Bytes(REG_BINARY, {1})},
          {PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, Bytes(REG_BINARY, {1, 0, 0, 0})},
          {PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE, Bytes(REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0})},
          {DMA_STATUS_KEY, DMA_CHANNEL_VALUE(0), Dword(0)},
          {DMA_STATUS_KEY, DMA_CHANNEL_VALUE(1), one}},
         BST_CHECKED, BST_CHECKED, BST_UNCHECKED, kHotPrimary, kDmaSecondary,
         {{CDROM_KEY, AUTORUN_VALUE, "dword 1"},
          {PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, "dword 1"},
          {PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE, "dword 0"}}},
        /* 3: no CD-ROM driver key; warm swapping on, neither channel in DMA */
        {{{PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, one}, {PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE, one}},
         BST_UNCHECKED, BST_CHECKED, BST_CHECKED, kWarmPrimary, kWarmSecondary,
         {{CDROM_KEY, AUTORUN_VALUE, "<no key>"},
          {PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, "dword 1"},
          {PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE, "dword 1"}}},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        MachineState rowMachine;
        rowMachine.RegisterService();
        Put(rowMachine, rows[i].settings);
        AppletRun run(Host::Loader);
        ASSERT_TRUE(run.sheet);
        EXPECT_EQ(Join(run.Tabs()), kBothTabs);
        EXPECT_EQ(run.CurrentTab(), 0);
        run.SelectTab(1);
        EXPECT_EQ(run.CurrentTab(), 1);
        EXPECT_EQ(run.Checked(IDC_CDROM_AUTORUN), rows[i].autorun);
        EXPECT_EQ(run.Checked(IDC_PNP_MESSAGES), rows[i].messages);
        EXPECT_EQ(run.Checked(IDC_WARM_SWAPPING), rows[i].warm);
        EXPECT_EQ(run.Text(IDC_PRIMARY_CAPABILITY), rows[i].primary);
        EXPECT_EQ(run.Text(IDC_SECONDARY_CAPABILITY), rows[i].secondary);
        EXPECT_TRUE(run.Press(IDOK).empty());
        ASSERT_TRUE(run.Closed());
        EXPECT_TRUE(RegistryHolds(rows[i].after));
    }
}

// The sentences change only on Apply, with the check box's warm swapping
// and the DMA status read afresh; Cancel afterwards keeps what was applied.
TEST_F(Applet, WarmSwappingApplyRewordsSentencesThenCancel)
{
    machine.RegisterService();
    machine.Set(PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, Dword(0));
    machine.Set(PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE, Dword(0));
    machine.Set(DMA_STATUS_KEY, DMA_CHANNEL_VALUE(0), Dword(0));
    AppletRun run(Host::Loader);
    ASSERT_TRUE(run.sheet);
    run.SelectTab(1);
    EXPECT_EQ(run.Text(IDC_PRIMARY_CAPABILITY), kHotPrimary);
    EXPECT_EQ(run.Text(IDC_SECONDARY_CAPABILITY), kHotSecondary);
    EXPECT_FALSE(run.Enabled(kApply));
    run.Click(IDC_WARM_SWAPPING);
    EXPECT_TRUE(run.Enabled(kApply));
    EXPECT_EQ(run.Text(IDC_PRIMARY_CAPABILITY), kHotPrimary);
    machine.Set(DMA_STATUS_KEY, DMA_CHANNEL_VALUE(1), Dword(1));
    EXPECT_TRUE(run.Press(kApply).empty());
    EXPECT_EQ(run.Text(IDC_PRIMARY_CAPABILITY), kWarmPrimary);
    EXPECT_EQ(run.Text(IDC_SECONDARY_CAPABILITY), kDmaSecondary);
    EXPECT_TRUE(RegistryHolds({{PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, "dword 0"},
                               {PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE, "dword 1"},
                               {CDROM_KEY, AUTORUN_VALUE, "<no key>"},
                               {MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE, "dword 0"}}));
    run.Click(IDC_PNP_MESSAGES);
    run.Click(IDC_WARM_SWAPPING);
    EXPECT_TRUE(run.Press(IDCANCEL).empty());
    ASSERT_TRUE(run.Closed());
    EXPECT_TRUE(RegistryHolds({{PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, "dword 0"},
                               {PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE, "dword 1"}}));
}

// Only a page that was shown is applied: OK on the controller page leaves
// the bay settings alone.
TEST_F(Applet, BayPageNotShownWritesNothing)
{
    machine.RegisterService();
    machine.Set(PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, Dword(2));
    machine.Set(CDROM_KEY, AUTORUN_VALUE, Dword(2));
    AppletRun run(Host::Loader);
    ASSERT_TRUE(run.sheet);
    EXPECT_EQ(Join(run.Tabs()), kBothTabs);
    EXPECT_TRUE(run.Press(IDOK).empty());
    ASSERT_TRUE(run.Closed());
    EXPECT_TRUE(RegistryHolds({{PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, "dword 2"},
                               {PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE, "<missing>"},
                               {CDROM_KEY, AUTORUN_VALUE, "dword 2"}}));
}

// The user's way in: the Control Panel lists the applet by its name and
// shows its description; opening it shows the sheet, Cancel closes it.
TEST_F(Applet, ControlPanelListsAndOpensTheApplet)
{
    AppletRun run(Host::ControlPanelWindow);
    EXPECT_EQ(run.panelItem, "Pallard Properties");
    EXPECT_EQ(run.panelStatus, "Configures Disk Controller and Pallard properties");
    ASSERT_TRUE(run.sheet);
    EXPECT_EQ(Join(run.Tabs()), kControllerTab);
    EXPECT_EQ(GetWindow(run.sheet, GW_OWNER), nullptr);
    EXPECT_TRUE(run.Press(IDCANCEL).empty());
    EXPECT_TRUE(run.Closed());
}

// control.exe palprop.cpl, the applet in the system directory: changes on
// both pages and OK.
TEST_F(Applet, ControlFileChangesBothPages)
{
    machine.RegisterService();
    machine.Set(MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE, Dword(0));
    machine.Set(CDROM_KEY, AUTORUN_VALUE, Dword(0));
    machine.Set(PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, Dword(0));
    machine.Set(PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE, Dword(0));
    AppletRun run(Host::ControlFile);
    ASSERT_TRUE(run.sheet);
    EXPECT_EQ(Join(run.Tabs()), kBothTabs);
    EXPECT_EQ(Modes(run), "UNKNOWN | UNKNOWN | UNKNOWN | UNKNOWN");
    run.Click(IDC_ENABLE_DMA);
    run.SelectTab(1);
    run.Click(IDC_CDROM_AUTORUN);
    run.Click(IDC_PNP_MESSAGES);
    ExpectNotices(run.Press(IDOK), {"Enable DMA"}, run.sheet);
    ASSERT_TRUE(run.Closed());
    EXPECT_TRUE(RegistryHolds({{MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE, "dword 1"},
                               {CDROM_KEY, AUTORUN_VALUE, "dword 1"},
                               {PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, "dword 1"},
                               {PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE, "dword 0"}}));
}

// Every shape of value a damaged or hand-edited registry can hold (the
// table shared with the service's tests): each box shows its setting on
// only for the number 1, on both pages; Cancel leaves the values as found.
TEST_F(Applet, SettingsInEveryShape)
{
    const ExpectedValue settings[] = {{MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE, nullptr},
                                      {CDROM_KEY, AUTORUN_VALUE, nullptr},
                                      {PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, nullptr},
                                      {PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE, nullptr}};
    for (const testkit::ValueShape& shape : testkit::ValueShapes()) {
        SCOPED_TRACE(shape.shape);
        MachineState rowMachine;
        rowMachine.RegisterService();
        for (const ExpectedValue& setting : settings) {
            rowMachine.MakeKey(setting.key);
            if (shape.type != REG_NONE)
                rowMachine.Set(setting.key, setting.name, RegValue{shape.type, shape.bytes});
        }
        std::string before = ReadValue(CDROM_KEY, AUTORUN_VALUE);
        AppletRun run(Host::Loader);
        ASSERT_TRUE(run.sheet);
        int expected = shape.appletOn ? BST_CHECKED : BST_UNCHECKED;
        EXPECT_EQ(run.Checked(IDC_ENABLE_DMA), expected);
        run.SelectTab(1);
        EXPECT_EQ(run.Checked(IDC_CDROM_AUTORUN), expected);
        EXPECT_EQ(run.Checked(IDC_PNP_MESSAGES), expected);
        EXPECT_EQ(run.Checked(IDC_WARM_SWAPPING), expected);
        EXPECT_TRUE(run.Press(IDCANCEL).empty());
        ASSERT_TRUE(run.Closed());
        EXPECT_EQ(ReadValue(CDROM_KEY, AUTORUN_VALUE), before);
    }
}
