// The real applet under Wine, worked as a user would: through our loader
// (every CPlApplet message) and through control.exe, with the applet in
// the system directory. The registry is checked after every step. The
// tests change machine-wide keys and windows, so they run one at a time.
#include "applet_bench.h"
#include "value_shapes.h"

using namespace applet;

namespace {

// Controls as the user finds them.
enum {
    kEnableDma = 1000,
    kModes = 1002, // 1002 .. 1005: legacy primary, legacy secondary, native primary, native secondary
    kCdromAutorun = 1004,
    kPnpMessages = 1005,
    kWarmSwapping = 1006,
    kPrimarySentence = 1007,
    kSecondarySentence = 1008,
};

const char kNotice[] = "You must restart your computer for this change to take affect.";
const char kControllerTab[] = "Controller Properties";
const char kBothTabs[] = "Controller Properties | Pallard Properties";
const char kVlxpx4Key[] = "SYSTEM\\CurrentControlSet\\Services\\vlxpx4";

const char kHotPrimary[] = "Hot swapping is enabled on the primary channel.";
const char kHotSecondary[] = "Hot swapping is enabled on the secondary channel.";
const char kWarmPrimary[] = "Hot and Warm swapping is enabled on the primary channel.";
const char kWarmSecondary[] = "Hot and Warm swapping is enabled on the secondary channel.";
const char kDmaPrimary[] = "Primary channel is in DMA mode, swapping is disabled.";
const char kDmaSecondary[] = "Secondary channel is in DMA mode, swapping is disabled.";

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
    for (int id = kModes; id < kModes + 4; id++)
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
        EXPECT_EQ(boxes[i].text, kNotice);
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
        EXPECT_EQ(boxes[i].caption, "Vorlix Pallard Properties");
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
    EXPECT_EQ(run.Checked(kEnableDma), BST_UNCHECKED);
    EXPECT_FALSE(run.Enabled(kApply));
    run.Click(kEnableDma);
    EXPECT_TRUE(run.Enabled(kApply));
    ExpectNotStored(run.Press(IDOK), {"EnableDma"}, run.sheet);
    EXPECT_TRUE(IsWindow(run.sheet)) << "kept open with the change";
    EXPECT_TRUE(run.Press(IDCANCEL).empty());
    ASSERT_TRUE(run.Closed());
    EXPECT_EQ(Join(run.Record()), kEveryMessage);
    EXPECT_FALSE(KeyExists(kVlxpx4Key));
    EXPECT_FALSE(KeyExists(kServiceKey));
}

// The bay page without the service's Parameters key: a change of a
// setting stored there is told on Apply and stays to apply; the settings
// that can be stored are; once the key is back, OK stores the rest.
TEST_F(Applet, BaySettingsThatCannotBeStoredAreToldAndKept)
{
    machine.RegisterService();
    machine.Set(kCdromKey, "Autorun", Dword(0));
    AppletRun run(Host::Loader);
    ASSERT_TRUE(run.sheet);
    run.SelectTab(1);
    run.Click(kCdromAutorun);
    run.Click(kPnpMessages);
    ExpectNotStored(run.Press(kApply), {"EnableMessages"}, run.sheet);
    EXPECT_TRUE(run.Enabled(kApply)) << "nothing the user changed is let go";
    EXPECT_TRUE(RegistryHolds({{kCdromKey, "Autorun", "dword 1"}, {kParametersKey, "EnableMessages", "<no key>"}}));

    machine.MakeKey(kParametersKey);
    EXPECT_TRUE(run.Press(IDOK).empty());
    ASSERT_TRUE(run.Closed());
    EXPECT_TRUE(RegistryHolds({{kCdromKey, "Autorun", "dword 1"},
                               {kParametersKey, "EnableMessages", "dword 1"},
                               {kParametersKey, "EnableWarmSwapping", "dword 0"}}));
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
        {{{kMiniportKey, "EnableDma", one}, {kDmaStatusKey, "Channel0", one}, {kDmaStatusKey, "Channel2", Dword(0)}},
         BST_CHECKED, "DMA | PIO | PIO | PIO", "dword 1"},
        /* 2: 2 is off; four bytes of any type that read 1 are on, one byte 01 too */
        {{{kMiniportKey, "EnableDma", Dword(2)},
          {kDmaStatusKey, "Channel0", Dword(2)},
          {kDmaStatusKey, "Channel1", Bytes(REG_DWORD_BIG_ENDIAN, {0, 0, 0, 1})},
          {kDmaStatusKey, "Channel2", Bytes(REG_BINARY, {1, 0, 0, 0})},
          {kDmaStatusKey, "Channel3", Bytes(REG_BINARY, {1})}},
         BST_UNCHECKED, "PIO | PIO | DMA | DMA", "dword 2"},
        /* 3: a DmaStatus key without channel values */
        {{{kMiniportKey, "EnableDma", Bytes(REG_BINARY, {1, 0, 0, 0})}, {kDmaStatusKey, "", Bytes(REG_SZ, {0})}},
         BST_CHECKED, "PIO | PIO | PIO | PIO", "binary 01 00 00 00"},
        /* 4: a value longer than four bytes cannot be read */
        {{{kMiniportKey, "EnableDma", Bytes(REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0})},
          {kDmaStatusKey, "Channel0", one},
          {kDmaStatusKey, "Channel1", one},
          {kDmaStatusKey, "Channel2", one},
          {kDmaStatusKey, "Channel3", Bytes(REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0})}},
         BST_UNCHECKED, "DMA | DMA | DMA | PIO", "qword 01 00 00 00 00 00 00 00"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        MachineState rowMachine;
        Put(rowMachine, rows[i].settings);
        AppletRun run(Host::Loader);
        ASSERT_TRUE(run.sheet);
        EXPECT_EQ(run.Checked(kEnableDma), rows[i].checked);
        EXPECT_EQ(Modes(run), rows[i].modes);
        EXPECT_TRUE(run.Press(IDCANCEL).empty());
        ASSERT_TRUE(run.Closed());
        EXPECT_TRUE(RegistryHolds({{kMiniportKey, "EnableDma", rows[i].enableDmaAfter}}));
    }
}

TEST_F(Applet, UncheckingDmaAndOkShowsOneDisableNotice)
{
    machine.Set(kMiniportKey, "EnableDma", Dword(1));
    AppletRun run(Host::Loader);
    ASSERT_TRUE(run.sheet);
    EXPECT_EQ(run.Checked(kEnableDma), BST_CHECKED);
    run.Click(kEnableDma);
    ExpectNotices(run.Press(IDOK), {"Disable DMA"}, run.sheet);
    ASSERT_TRUE(run.Closed());
    EXPECT_TRUE(RegistryHolds({{kMiniportKey, "EnableDma", "dword 0"}}));
}

// A value of 2 reads as off and OK writes 0 back, with no notice; a box
// clicked twice before Apply shows no notice and writes its value.
TEST_F(Applet, UnchangedSettingIsWrittenWithoutNotice)
{
    for (int clicks : {0, 2}) {
        SCOPED_TRACE("clicks " + std::to_string(clicks));
        MachineState rowMachine;
        rowMachine.Set(kMiniportKey, "EnableDma", clicks ? Bytes(REG_BINARY, {0, 0, 0, 0}) : Dword(2));
        AppletRun run(Host::Loader);
        ASSERT_TRUE(run.sheet);
        EXPECT_EQ(run.Checked(kEnableDma), BST_UNCHECKED);
        for (int i = 0; i < clicks; i++)
            run.Click(kEnableDma);
        if (clicks) {
            EXPECT_TRUE(run.Press(kApply).empty());
            EXPECT_TRUE(RegistryHolds({{kMiniportKey, "EnableDma", "dword 0"}}));
        }
        EXPECT_TRUE(run.Press(IDOK).empty());
        ASSERT_TRUE(run.Closed());
        EXPECT_TRUE(RegistryHolds({{kMiniportKey, "EnableDma", "dword 0"}}));
    }
}

// Apply writes at once and Cancel keeps what was applied; each change of
// the setting brings its own notice, and the one applied is not noticed again.
TEST_F(Applet, ApplyTwiceThenCancel)
{
    machine.MakeKey(kMiniportKey);
    AppletRun run(Host::Loader);
    ASSERT_TRUE(run.sheet);
    run.Click(kEnableDma);
    ExpectNotices(run.Press(kApply), {"Enable DMA"}, run.sheet);
    EXPECT_TRUE(RegistryHolds({{kMiniportKey, "EnableDma", "dword 1"}}));
    EXPECT_FALSE(run.Enabled(kApply));
    run.Click(kEnableDma);
    ExpectNotices(run.Press(kApply), {"Disable DMA"}, run.sheet);
    EXPECT_TRUE(RegistryHolds({{kMiniportKey, "EnableDma", "dword 0"}}));
    run.Click(kEnableDma);
    EXPECT_TRUE(run.Press(IDCANCEL).empty());
    ASSERT_TRUE(run.Closed());
    EXPECT_TRUE(RegistryHolds({{kMiniportKey, "EnableDma", "dword 0"}}));
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
        {{{kCdromKey, "Autorun", one}}, BST_CHECKED, BST_UNCHECKED, BST_UNCHECKED, kHotPrimary, kHotSecondary,
         {{kCdromKey, "Autorun", "dword 1"},
          {kParametersKey, "EnableMessages", "<no key>"},
          {kMiniportKey, "EnableDma", "<no key>"}}},
        /* 1: 2 is off and written back as 0; the primary channel runs DMA */
        {{{kCdromKey, "Other", one},
          {kParametersKey, "EnableMessages", Dword(2)},
          {kParametersKey, "EnableWarmSwapping", one},
          {kDmaStatusKey, "Channel0", one}},
         BST_UNCHECKED, BST_UNCHECKED, BST_CHECKED, kDmaPrimary, kWarmSecondary,
         {{kCdromKey, "Autorun", "dword 0"},
          {kParametersKey, "EnableMessages", "dword 0"},
          {kParametersKey, "EnableWarmSwapping", "dword 1"},
          {kMiniportKey, "EnableDma", "dword 0"}}},
        /* 2: values of other types */
        {{{kCdromKey, "Autorun", Bytes(REG_BINARY, {1})},
          {kParametersKey, "EnableMessages", Bytes(REG_BINARY, {1, 0, 0, 0})},
          {kParametersKey, "EnableWarmSwapping", Bytes(REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0})},
          {kDmaStatusKey, "Channel0", Dword(0)},
          {kDmaStatusKey, "Channel1", one}},
         BST_CHECKED, BST_CHECKED, BST_UNCHECKED, kHotPrimary, kDmaSecondary,
         {{kCdromKey, "Autorun", "dword 1"},
          {kParametersKey, "EnableMessages", "dword 1"},
          {kParametersKey, "EnableWarmSwapping", "dword 0"}}},
        /* 3: no CD-ROM driver key; warm swapping on, neither channel in DMA */
        {{{kParametersKey, "EnableMessages", one}, {kParametersKey, "EnableWarmSwapping", one}}, BST_UNCHECKED,
         BST_CHECKED, BST_CHECKED, kWarmPrimary, kWarmSecondary,
         {{kCdromKey, "Autorun", "<no key>"},
          {kParametersKey, "EnableMessages", "dword 1"},
          {kParametersKey, "EnableWarmSwapping", "dword 1"}}},
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
        EXPECT_EQ(run.Checked(kCdromAutorun), rows[i].autorun);
        EXPECT_EQ(run.Checked(kPnpMessages), rows[i].messages);
        EXPECT_EQ(run.Checked(kWarmSwapping), rows[i].warm);
        EXPECT_EQ(run.Text(kPrimarySentence), rows[i].primary);
        EXPECT_EQ(run.Text(kSecondarySentence), rows[i].secondary);
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
    machine.Set(kParametersKey, "EnableMessages", Dword(0));
    machine.Set(kParametersKey, "EnableWarmSwapping", Dword(0));
    machine.Set(kDmaStatusKey, "Channel0", Dword(0));
    AppletRun run(Host::Loader);
    ASSERT_TRUE(run.sheet);
    run.SelectTab(1);
    EXPECT_EQ(run.Text(kPrimarySentence), kHotPrimary);
    EXPECT_EQ(run.Text(kSecondarySentence), kHotSecondary);
    EXPECT_FALSE(run.Enabled(kApply));
    run.Click(kWarmSwapping);
    EXPECT_TRUE(run.Enabled(kApply));
    EXPECT_EQ(run.Text(kPrimarySentence), kHotPrimary);
    machine.Set(kDmaStatusKey, "Channel1", Dword(1));
    EXPECT_TRUE(run.Press(kApply).empty());
    EXPECT_EQ(run.Text(kPrimarySentence), kWarmPrimary);
    EXPECT_EQ(run.Text(kSecondarySentence), kDmaSecondary);
    EXPECT_TRUE(RegistryHolds({{kParametersKey, "EnableMessages", "dword 0"},
                               {kParametersKey, "EnableWarmSwapping", "dword 1"},
                               {kCdromKey, "Autorun", "<no key>"},
                               {kMiniportKey, "EnableDma", "dword 0"}}));
    run.Click(kPnpMessages);
    run.Click(kWarmSwapping);
    EXPECT_TRUE(run.Press(IDCANCEL).empty());
    ASSERT_TRUE(run.Closed());
    EXPECT_TRUE(RegistryHolds({{kParametersKey, "EnableMessages", "dword 0"},
                               {kParametersKey, "EnableWarmSwapping", "dword 1"}}));
}

// Only a page that was shown is applied: OK on the controller page leaves
// the bay settings alone.
TEST_F(Applet, BayPageNotShownWritesNothing)
{
    machine.RegisterService();
    machine.Set(kParametersKey, "EnableMessages", Dword(2));
    machine.Set(kCdromKey, "Autorun", Dword(2));
    AppletRun run(Host::Loader);
    ASSERT_TRUE(run.sheet);
    EXPECT_EQ(Join(run.Tabs()), kBothTabs);
    EXPECT_TRUE(run.Press(IDOK).empty());
    ASSERT_TRUE(run.Closed());
    EXPECT_TRUE(RegistryHolds({{kParametersKey, "EnableMessages", "dword 2"},
                               {kParametersKey, "EnableWarmSwapping", "<missing>"},
                               {kCdromKey, "Autorun", "dword 2"}}));
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
    machine.Set(kMiniportKey, "EnableDma", Dword(0));
    machine.Set(kCdromKey, "Autorun", Dword(0));
    machine.Set(kParametersKey, "EnableMessages", Dword(0));
    machine.Set(kParametersKey, "EnableWarmSwapping", Dword(0));
    AppletRun run(Host::ControlFile);
    ASSERT_TRUE(run.sheet);
    EXPECT_EQ(Join(run.Tabs()), kBothTabs);
    EXPECT_EQ(Modes(run), "UNKNOWN | UNKNOWN | UNKNOWN | UNKNOWN");
    run.Click(kEnableDma);
    run.SelectTab(1);
    run.Click(kCdromAutorun);
    run.Click(kPnpMessages);
    ExpectNotices(run.Press(IDOK), {"Enable DMA"}, run.sheet);
    ASSERT_TRUE(run.Closed());
    EXPECT_TRUE(RegistryHolds({{kMiniportKey, "EnableDma", "dword 1"},
                               {kCdromKey, "Autorun", "dword 1"},
                               {kParametersKey, "EnableMessages", "dword 1"},
                               {kParametersKey, "EnableWarmSwapping", "dword 0"}}));
}

// Every shape of value a damaged or hand-edited registry can hold (the
// table shared with the service's tests): each box shows its setting on
// only for the number 1, on both pages; Cancel leaves the values as found.
TEST_F(Applet, SettingsInEveryShape)
{
    const ExpectedValue settings[] = {{kMiniportKey, "EnableDma", nullptr},
                                      {kCdromKey, "Autorun", nullptr},
                                      {kParametersKey, "EnableMessages", nullptr},
                                      {kParametersKey, "EnableWarmSwapping", nullptr}};
    for (const testkit::ValueShape& shape : testkit::ValueShapes()) {
        SCOPED_TRACE(shape.shape);
        MachineState rowMachine;
        rowMachine.RegisterService();
        for (const ExpectedValue& setting : settings) {
            rowMachine.MakeKey(setting.key);
            if (shape.type != REG_NONE)
                rowMachine.Set(setting.key, setting.name, RegValue{shape.type, shape.bytes});
        }
        std::string before = ReadValue(kCdromKey, "Autorun");
        AppletRun run(Host::Loader);
        ASSERT_TRUE(run.sheet);
        int expected = shape.appletOn ? BST_CHECKED : BST_UNCHECKED;
        EXPECT_EQ(run.Checked(kEnableDma), expected);
        run.SelectTab(1);
        EXPECT_EQ(run.Checked(kCdromAutorun), expected);
        EXPECT_EQ(run.Checked(kPnpMessages), expected);
        EXPECT_EQ(run.Checked(kWarmSwapping), expected);
        EXPECT_TRUE(run.Press(IDCANCEL).empty());
        ASSERT_TRUE(run.Closed());
        EXPECT_EQ(ReadValue(kCdromKey, "Autorun"), before);
    }
}
