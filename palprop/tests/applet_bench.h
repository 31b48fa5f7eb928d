// The applet bench: puts the registry of the machine into a chosen state,
// runs the real palprop.cpl (through our loader or through control.exe)
// and works its property sheet from this process as a person would:
// reading tabs, texts and check boxes from the live windows, clicking,
// pressing Apply, OK and Cancel and answering the restart notice.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "bay_registry.h" // the keys the applet reads and writes, under HKEY_LOCAL_MACHINE
#include "desktop.h"
#include "registry.h"

namespace applet {

using testkit::BuiltFile;
using testkit::ScreenPixels;

// A registry value by its type and bytes.
struct RegValue {
    DWORD type;
    std::vector<BYTE> data;
};
RegValue Dword(DWORD value);
RegValue Bytes(DWORD type, std::initializer_list<BYTE> bytes);

// A value as a test expects to find it: "dword 1", "binary 01 00",
// "qword 01 00 00 00 00 00 00 00", "<missing>" or "<no key>".
std::string ReadValue(const char* key, const char* name);
inline bool KeyExists(const char* key)
{
    return testkit::KeyExists(HKEY_LOCAL_MACHINE, key);
}

struct ExpectedValue {
    const char* key;
    const char* name;
    const char* value;
};
::testing::AssertionResult RegistryHolds(std::initializer_list<ExpectedValue> expected);

// The service and driver keys as the test found them are kept aside and
// the keys removed; the destructor removes what the test made (the
// service registration included) and puts the old keys back.
class MachineState {
public:
    MachineState();
    ~MachineState();
    MachineState(const MachineState&) = delete;
    MachineState& operator=(const MachineState&) = delete;

    // Registers the bay manager service with the service control manager;
    // its key then exists, without Parameters.
    void RegisterService();
    // Sets a value, making its key and the keys above it.
    void Set(const char* key, const char* name, const RegValue& value);
    void MakeKey(const char* key);

private:
    std::string backup_;      // where the trees are kept meanwhile
    std::vector<bool> saved_; // which of them existed
    bool registered_;
};

// A message box the applet showed, as the user saw it.
struct Box : testkit::BoxSeen {
    bool blueIcon = false; // the information icon, told by its colour on the screen
};

enum class Host {
    Loader,             // our loader calls CPlApplet with every message
    ControlFile,        // control.exe palprop.cpl, the applet in the system directory
    ControlPanelWindow, // control.exe, then its "Pallard Properties" icon is opened
};

// Apply button of a property sheet.
const int kApply = 0x3021;

class AppletRun {
public:
    explicit AppletRun(Host host);
    ~AppletRun();
    AppletRun(const AppletRun&) = delete;
    AppletRun& operator=(const AppletRun&) = delete;

    HWND sheet = nullptr;
    HWND loaderWindow = nullptr;     // the window the loader passed to CPlApplet
    std::string panelItem;           // the Control Panel's label of the applet
    std::string panelStatus;         // its status bar with the applet selected

    std::vector<std::string> Tabs() const;
    int CurrentTab() const;
    void SelectTab(int index) const;
    // Text and check state of a control of the current page.
    std::string Text(int id) const;
    int Checked(int id) const;
    void Click(int id) const;
    bool Enabled(int buttonId) const;
    // Presses a button of the sheet as a user would (refused while it is
    // disabled), answers every box it brings with OK and returns them.
    std::vector<Box> Press(int buttonId) const;
    // After OK or Cancel: the sheet is gone and the host has ended (the
    // Control Panel window is closed first). Then the loader's record.
    bool Closed();
    std::vector<std::string> Record() const;

private:
    void Start(const std::string& commandLine);
    void OpenFromPanel();
    Host host_;
    PROCESS_INFORMATION process_ = {};
    DWORD sheetProcessId_ = 0;     // the process that shows the sheet
    HANDLE sheetProcess_ = nullptr; // when it is not the host's own
    std::string recordPath_;
    std::string systemCopy_;
};

std::string Join(const std::vector<std::string>& items);

} // namespace applet
