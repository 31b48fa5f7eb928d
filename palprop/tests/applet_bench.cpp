#include "applet_bench.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <stdio.h>
#include <string.h>

#include <atomic>
#include <thread>

#include "services.h"
#include "text_files.h"
#include "version.h"

namespace applet {

namespace {

const char kSheetCaption[] = "Vorlix Pallard Properties";
// The trees a test may change: the service's and the two drivers'.
const char* const kSavedTrees[] = {SERVICE_KEY, CDROM_KEY, MINIPORT_KEY};
const DWORD kWaitMs = 30000;

// Where the trees a test changes are kept meanwhile, one folder per
// machine state (a row of a table has one inside its test's).
const char kBackupKey[] = "SOFTWARE\\palprop-tests";
int g_machineStates = 0;

const char* TypeName(DWORD type)
{
    static const char* const kNames[] = {"none", "sz", "expand-sz", "binary", "dword", "dword-be", "link",
                                         "multi-sz", "resource-list", "descriptor", "requirements", "qword"};
    return type < sizeof kNames / sizeof kNames[0] ? kNames[type] : "type";
}

std::string Describe(const testkit::StoredValue& value)
{
    std::string text = TypeName(value.type);
    if (value.type == REG_DWORD && value.bytes.size() == 4) {
        DWORD number;
        memcpy(&number, value.bytes.data(), 4);
        return text + " " + std::to_string(number);
    }
    char hex[4];
    for (BYTE b : value.bytes) {
        snprintf(hex, sizeof hex, " %02x", b);
        text += hex;
    }
    return text;
}

std::string WindowText(HWND window)
{
    char text[1024] = "";
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_NORMAL, 5000, &copied);
    return text;
}

// Memory in another process, for the control messages whose answers come
// back through a pointer (tab labels, list view items).
class RemoteMemory {
public:
    RemoteMemory(DWORD pid, SIZE_T size)
    {
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        base_ = process_ ? (BYTE*)VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE) : nullptr;
    }
    ~RemoteMemory()
    {
        if (base_)
            VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
        if (process_)
            CloseHandle(process_);
    }
    BYTE* At(SIZE_T offset) const { return base_ + offset; }
    bool Write(SIZE_T offset, const void* data, SIZE_T size) const
    {
        return base_ && WriteProcessMemory(process_, base_ + offset, data, size, nullptr);
    }
    bool Read(SIZE_T offset, void* data, SIZE_T size) const
    {
        return base_ && ReadProcessMemory(process_, base_ + offset, data, size, nullptr);
    }

private:
    HANDLE process_;
    BYTE* base_;
};

// The text of an item of a tab control or list view in another process:
// the item and its text buffer both in that process's memory.
template <typename Item>
std::string RemoteItemText(DWORD pid, HWND control, UINT message, int index, Item item)
{
    const SIZE_T textOffset = 512, textSize = 256;
    RemoteMemory memory(pid, textOffset + textSize);
    item.pszText = (char*)memory.At(textOffset);
    item.cchTextMax = textSize;
    char text[textSize] = "";
    if (memory.Write(0, &item, sizeof item) && SendMessageA(control, message, index, (LPARAM)memory.At(0)))
        memory.Read(textOffset, text, sizeof text - 1);
    return text;
}

void SelectListItem(DWORD pid, HWND list, int index)
{
    RemoteMemory memory(pid, sizeof(LVITEMA));
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    if (memory.Write(0, &item, sizeof item))
        SendMessageA(list, LVM_SETITEMSTATE, index, (LPARAM)memory.At(0));
}

Box DescribeBox(HWND window)
{
    Box box;
    static_cast<testkit::BoxSeen&>(box) = testkit::DescribeBox(window);
    box.blueIcon = box.icon == testkit::BoxIcon::Information;
    return box;
}

} // namespace

RegValue Dword(DWORD value)
{
    RegValue v{REG_DWORD, std::vector<BYTE>(4)};
    memcpy(v.data.data(), &value, 4);
    return v;
}

RegValue Bytes(DWORD type, std::initializer_list<BYTE> bytes)
{
    return RegValue{type, std::vector<BYTE>(bytes)};
}

std::string ReadValue(const char* key, const char* name)
{
    testkit::StoredValue value = testkit::ReadStoredValue(HKEY_LOCAL_MACHINE, key, name);
    if (!value.keyExists)
        return "<no key>";
    return value.exists ? Describe(value) : "<missing>";
}

::testing::AssertionResult RegistryHolds(std::initializer_list<ExpectedValue> expected)
{
    std::string wrong;
    int index = 0;
    for (const ExpectedValue& e : expected) {
        std::string actual = ReadValue(e.key, e.name);
        if (actual != e.value)
            wrong += "  [" + std::to_string(index) + "] " + e.key + " " + e.name + ": expected " + e.value +
                     ", found " + actual + "\n";
        index++;
    }
    if (wrong.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "registry:\n" << wrong;
}

MachineState::MachineState()
    : backup_(std::string(kBackupKey) + "\\" + std::to_string(g_machineStates++)), registered_(false)
{
    if (testkit::ServiceState(SERVICE_NAME))
        ADD_FAILURE() << "the service " << SERVICE_NAME << " is registered on this machine: remove it first";
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, backup_.c_str());
    for (size_t i = 0; i < sizeof kSavedTrees / sizeof kSavedTrees[0]; i++) {
        saved_.push_back(KeyExists(kSavedTrees[i]));
        if (saved_[i])
            testkit::CopyKeyTree(HKEY_LOCAL_MACHINE, kSavedTrees[i], backup_ + "\\" + std::to_string(i));
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kSavedTrees[i]);
    }
}

MachineState::~MachineState()
{
    if (registered_) {
        SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
        SC_HANDLE service = manager ? OpenServiceA(manager, SERVICE_NAME, DELETE) : nullptr;
        if (!service || !DeleteService(service))
            ADD_FAILURE() << "cannot remove the service " << SERVICE_NAME << ": " << GetLastError();
        if (service)
            CloseServiceHandle(service);
        if (manager)
            CloseServiceHandle(manager);
        // The service control manager removes the key once the last handle is closed.
        for (int i = 0; i < 100 && KeyExists(SERVICE_KEY); i++)
            Sleep(50);
        if (KeyExists(SERVICE_KEY))
            ADD_FAILURE() << "the service's key stayed after the service was removed";
    }
    for (size_t i = 0; i < saved_.size(); i++) {
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kSavedTrees[i]);
        if (saved_[i])
            testkit::CopyKeyTree(HKEY_LOCAL_MACHINE, backup_ + "\\" + std::to_string(i), kSavedTrees[i]);
    }
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, backup_.c_str());
    if (--g_machineStates == 0)
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kBackupKey);
}

void MachineState::RegisterService()
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
    SC_HANDLE service = manager ? CreateServiceA(manager, SERVICE_NAME, SERVICE_DISPLAY_PREFIX VLXPNPMGR_VERSION_TEXT,
                                                 SERVICE_ALL_ACCESS,
                                                 SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS,
                                                 SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                                                 "C:\\windows\\system32\\vlxpnpmgr", nullptr, nullptr, nullptr,
                                                 nullptr, nullptr)
                                : nullptr;
    if (service) {
        registered_ = true;
        CloseServiceHandle(service);
    } else {
        ADD_FAILURE() << "cannot register the service " << SERVICE_NAME << ": " << GetLastError();
    }
    if (manager)
        CloseServiceHandle(manager);
}

void MachineState::MakeKey(const char* key)
{
    testkit::MakeKey(HKEY_LOCAL_MACHINE, key);
}

void MachineState::Set(const char* key, const char* name, const RegValue& value)
{
    testkit::StoreValue(HKEY_LOCAL_MACHINE, key, name, value.type, value.data.data(), (DWORD)value.data.size());
}

AppletRun::AppletRun(Host host) : host_(host)
{
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    std::string cpl = BuiltFile("bin/palprop.cpl");
    if (host == Host::Loader) {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        recordPath_ = std::string(temp) + "palprop-loader-" + std::to_string(GetCurrentProcessId()) + ".txt";
        Start("\"" + BuiltFile("tests/cpl_loader.exe") + "\" \"" + cpl + "\" \"" + recordPath_ + "\"");
    } else {
        // Where the user puts the applet: the system directory.
        systemCopy_ = std::string(system) + "\\palprop.cpl";
        if (!CopyFileA(cpl.c_str(), systemCopy_.c_str(), FALSE))
            ADD_FAILURE() << "cannot copy the applet to " << systemCopy_ << ": " << GetLastError();
        Start(std::string(system) + (host == Host::ControlFile ? "\\control.exe palprop.cpl" : "\\control.exe"));
    }
    if (process_.hProcess && host == Host::ControlPanelWindow)
        OpenFromPanel();
    if (!process_.hProcess)
        return;
    // The Control Panel opens an applet in a process of its own.
    DWORD searched = host == Host::ControlPanelWindow ? 0 : process_.dwProcessId;
    for (DWORD waited = 0; !sheet && waited < kWaitMs; waited += 50) {
        Sleep(50);
        sheet = testkit::FindTopWindow(searched, "#32770", kSheetCaption);
    }
    if (!sheet) {
        ADD_FAILURE() << "the sheet \"" << kSheetCaption << "\" did not appear";
        return;
    }
    GetWindowThreadProcessId(sheet, &sheetProcessId_);
    if (sheetProcessId_ != process_.dwProcessId)
        sheetProcess_ = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, sheetProcessId_);
    if (host == Host::Loader)
        loaderWindow = testkit::FindTopWindow(process_.dwProcessId, nullptr, "palprop loader");
}

void AppletRun::Start(const std::string& commandLine)
{
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (DWORD error = testkit::StartProgram(line.data(), nullptr, &process_)) {
        ADD_FAILURE() << "cannot start " << commandLine << ": " << error;
        ZeroMemory(&process_, sizeof process_);
    }
}

// The Control Panel lists every applet of the system directory; the user
// selects "Pallard Properties" (the status bar then shows its description)
// and presses Enter.
void AppletRun::OpenFromPanel()
{
    HWND panel = nullptr, list = nullptr;
    for (DWORD waited = 0; !list && waited < kWaitMs; waited += 50) {
        Sleep(50);
        panel = testkit::FindTopWindow(process_.dwProcessId, nullptr, nullptr);
        list = panel ? FindWindowExA(panel, nullptr, WC_LISTVIEWA, nullptr) : nullptr;
    }
    if (!list) {
        ADD_FAILURE() << "the Control Panel window did not appear";
        return;
    }
    int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        std::string label = RemoteItemText(process_.dwProcessId, list, LVM_GETITEMTEXTA, i, LVITEMA{});
        if (label != "Pallard Properties")
            continue;
        panelItem = label;
        SelectListItem(process_.dwProcessId, list, i);
        panelStatus = WindowText(FindWindowExA(panel, nullptr, STATUSCLASSNAMEA, nullptr));
        PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
        return;
    }
    ADD_FAILURE() << "no \"Pallard Properties\" among the " << count << " icons of the Control Panel";
}

AppletRun::~AppletRun()
{
    if (sheetProcess_) {
        if (WaitForSingleObject(sheetProcess_, 0) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "the applet's process was still running: ended";
            TerminateProcess(sheetProcess_, 1);
            WaitForSingleObject(sheetProcess_, 5000);
        }
        CloseHandle(sheetProcess_);
    }
    if (process_.hProcess) {
        if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "the applet's host was still running: ended";
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, 5000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    if (!recordPath_.empty())
        DeleteFileA(recordPath_.c_str());
    if (!systemCopy_.empty()) {
        for (int i = 0; i < 50 && !DeleteFileA(systemCopy_.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND; i++)
            Sleep(100);
    }
}

std::vector<std::string> AppletRun::Tabs() const
{
    std::vector<std::string> labels;
    HWND tabs = (HWND)SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0);
    int count = tabs ? (int)SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0) : 0;
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    for (int i = 0; i < count; i++)
        labels.push_back(RemoteItemText(sheetProcessId_, tabs, TCM_GETITEMA, i, item));
    return labels;
}

int AppletRun::CurrentTab() const
{
    HWND tabs = (HWND)SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0);
    return tabs ? (int)SendMessageA(tabs, TCM_GETCURSEL, 0, 0) : -1;
}

void AppletRun::SelectTab(int index) const
{
    SendMessageA(sheet, PSM_SETCURSEL, (WPARAM)index, 0);
}

static HWND PageControl(HWND sheet, int id)
{
    HWND page = (HWND)SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
    HWND control = page ? GetDlgItem(page, id) : nullptr;
    if (!control)
        ADD_FAILURE() << "no control " << id << " on the current page";
    return control;
}

std::string AppletRun::Text(int id) const
{
    HWND control = PageControl(sheet, id);
    return control ? WindowText(control) : "<no control>";
}

int AppletRun::Checked(int id) const
{
    HWND control = PageControl(sheet, id);
    return control ? (int)SendMessageA(control, BM_GETCHECK, 0, 0) : -1;
}

void AppletRun::Click(int id) const
{
    HWND control = PageControl(sheet, id);
    DWORD_PTR result;
    if (control && !SendMessageTimeoutA(control, BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &result))
        ADD_FAILURE() << "the click on " << id << " did not end";
}

bool AppletRun::Enabled(int buttonId) const
{
    HWND button = GetDlgItem(sheet, buttonId);
    return button && IsWindowVisible(button) && IsWindowEnabled(button);
}

// The click is sent from a thread of its own, which returns when the
// applet has done with it; meanwhile this thread answers the boxes it
// shows. Wine's modal loops notice that they ended only when a posted
// message arrives, hence the WM_NULLs.
std::vector<Box> AppletRun::Press(int buttonId) const
{
    std::vector<Box> boxes;
    HWND button = GetDlgItem(sheet, buttonId);
    if (!Enabled(buttonId)) {
        ADD_FAILURE() << "button " << buttonId << " cannot be pressed: it is disabled or hidden";
        return boxes;
    }
    std::atomic<bool> done(false);
    std::thread clicker([&] {
        DWORD_PTR result;
        SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, kWaitMs, &result);
        done = true;
    });
    HWND answered = nullptr;
    while (!done) {
        Sleep(50);
        HWND box = testkit::FindTopWindow(sheetProcessId_, "#32770", nullptr, sheet);
        if (!box || box == answered)
            continue;
        Sleep(200); // let it draw its icon
        boxes.push_back(DescribeBox(box));
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(box, IDOK));
        PostMessageA(box, WM_NULL, 0, 0);
        answered = box;
    }
    clicker.join();
    PostMessageA(sheet, WM_NULL, 0, 0);
    return boxes;
}

bool AppletRun::Closed()
{
    for (DWORD waited = 0; IsWindow(sheet) && waited < kWaitMs; waited += 50)
        Sleep(50);
    if (IsWindow(sheet))
        return false;
    if (sheetProcess_ && WaitForSingleObject(sheetProcess_, kWaitMs) != WAIT_OBJECT_0)
        return false;
    if (host_ == Host::ControlPanelWindow) {
        HWND panel = testkit::FindTopWindow(process_.dwProcessId, nullptr, nullptr);
        if (panel)
            PostMessageA(panel, WM_CLOSE, 0, 0);
    }
    return process_.hProcess && WaitForSingleObject(process_.hProcess, kWaitMs) == WAIT_OBJECT_0;
}

std::vector<std::string> AppletRun::Record() const
{
    return testkit::TextLines(testkit::ReadTextFile(recordPath_));
}

std::string Join(const std::vector<std::string>& items)
{
    std::string all;
    for (const std::string& item : items)
        all += (all.empty() ? "" : " | ") + item;
    return all;
}

} // namespace applet
