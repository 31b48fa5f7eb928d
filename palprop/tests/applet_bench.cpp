#include "applet_bench.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <stdio.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

namespace applet {

const char kServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\vlxpnpmgr";
const char kParametersKey[] = "SYSTEM\\CurrentControlSet\\Services\\vlxpnpmgr\\Parameters";
const char kCdromKey[] = "SYSTEM\\CurrentControlSet\\Services\\vlxcdrom";
const char kMiniportKey[] = "SYSTEM\\CurrentControlSet\\Services\\vlxpx4\\Parameters";
const char kDmaStatusKey[] = "SYSTEM\\CurrentControlSet\\Services\\vlxpx4\\Parameters\\DmaStatus";

namespace {

const char kServiceName[] = "vlxpnpmgr";
const char kSheetCaption[] = "Vorlix Pallard Properties";
// The trees a test may change: the service's and the two drivers'.
const char* const kSavedTrees[] = {
    "SYSTEM\\CurrentControlSet\\Services\\vlxpnpmgr",
    "SYSTEM\\CurrentControlSet\\Services\\vlxcdrom",
    "SYSTEM\\CurrentControlSet\\Services\\vlxpx4",
};
const DWORD kWaitMs = 30000;

// Where the trees a test changes are kept meanwhile, one folder per
// machine state (a row of a table has one inside its test's).
const char kBackupKey[] = "SOFTWARE\\palprop-tests";
int g_machineStates = 0;

// Copies a tree of HKEY_LOCAL_MACHINE, whole, to another place there.
void CopyTree(const std::string& from, const std::string& to)
{
    HKEY target;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, to.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target, nullptr) !=
        ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot make " << to;
        return;
    }
    if (SHCopyKeyA(HKEY_LOCAL_MACHINE, from.c_str(), target, 0) != ERROR_SUCCESS)
        ADD_FAILURE() << "cannot copy " << from << " to " << to;
    RegCloseKey(target);
}

bool ServiceRegistered()
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceA(manager, kServiceName, SERVICE_QUERY_STATUS) : nullptr;
    if (service)
        CloseServiceHandle(service);
    if (manager)
        CloseServiceHandle(manager);
    return service != nullptr;
}

const char* TypeName(DWORD type)
{
    static const char* const kNames[] = {"none", "sz", "expand-sz", "binary", "dword", "dword-be", "link",
                                         "multi-sz", "resource-list", "descriptor", "requirements", "qword"};
    return type < sizeof kNames / sizeof kNames[0] ? kNames[type] : "type";
}

std::string Describe(const RegValue& value)
{
    std::string text = TypeName(value.type);
    if (value.type == REG_DWORD && value.data.size() == 4) {
        DWORD number;
        memcpy(&number, value.data.data(), 4);
        return text + " " + std::to_string(number);
    }
    char hex[4];
    for (BYTE b : value.data) {
        snprintf(hex, sizeof hex, " %02x", b);
        text += hex;
    }
    return text;
}

// A visible top-level window of a process (any process for 0).
struct WindowSearch {
    DWORD processId;
    const char* className; // null: any
    const char* caption;   // null: any
    HWND except;
    HWND found;
};

BOOL CALLBACK FindWindowOf(HWND window, LPARAM param)
{
    WindowSearch* search = (WindowSearch*)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if ((search->processId && pid != search->processId) || window == search->except || !IsWindowVisible(window))
        return TRUE;
    char text[256] = "";
    GetClassNameA(window, text, sizeof text);
    if (search->className && strcmp(text, search->className) != 0)
        return TRUE;
    GetWindowTextA(window, text, sizeof text);
    if (search->caption && strcmp(text, search->caption) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindTopWindow(DWORD pid, const char* className, const char* caption, HWND except = nullptr)
{
    WindowSearch search = {pid, className, caption, except, nullptr};
    EnumWindows(FindWindowOf, (LPARAM)&search);
    return search.found;
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

// Whether a control is mostly blue on the screen (the information icon).
bool LooksBlue(HWND control)
{
    int width, height;
    std::vector<DWORD> pixels = ScreenPixels(control, &width, &height);
    long long red = 0, blue = 0;
    for (DWORD p : pixels) {
        red += (p >> 16) & 0xff;
        blue += p & 0xff;
    }
    return !pixels.empty() && blue - red > 30LL * (long long)pixels.size();
}

Box DescribeBox(HWND window)
{
    Box box;
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    box.caption = text;
    box.text = WindowText(GetDlgItem(window, 0xFFFF));
    box.owner = GetWindow(window, GW_OWNER);
    for (int id = IDOK; id <= IDNO; id++) {
        HWND button = GetDlgItem(window, id);
        if (button && IsWindowVisible(button))
            box.buttons.push_back(id);
    }
    box.blueIcon = LooksBlue(GetDlgItem(window, 0x440));
    return box;
}

} // namespace

std::vector<DWORD> ScreenPixels(HWND window, int* width, int* height)
{
    std::vector<DWORD> pixels;
    RECT r;
    *width = *height = 0;
    if (!window || !GetWindowRect(window, &r) || r.right <= r.left || r.bottom <= r.top)
        return pixels;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, *width, *height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, *width, *height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = *width;
    info.bmiHeader.biHeight = -*height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    pixels.resize((size_t)*width * *height);
    if (GetDIBits(memory, bitmap, 0, *height, pixels.data(), &info, DIB_RGB_COLORS) != *height)
        pixels.clear();
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

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

std::string ReadValue(const char* keyPath, const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return "<no key>";
    RegValue value{0, std::vector<BYTE>(256)};
    DWORD size = (DWORD)value.data.size();
    LONG status = RegQueryValueExA(key, name, nullptr, &value.type, value.data.data(), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return "<missing>";
    value.data.resize(size);
    return Describe(value);
}

bool KeyExists(const char* keyPath)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
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
    if (ServiceRegistered())
        ADD_FAILURE() << "the service " << kServiceName << " is registered on this machine: remove it first";
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, backup_.c_str());
    for (size_t i = 0; i < sizeof kSavedTrees / sizeof kSavedTrees[0]; i++) {
        saved_.push_back(KeyExists(kSavedTrees[i]));
        if (saved_[i])
            CopyTree(kSavedTrees[i], backup_ + "\\" + std::to_string(i));
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kSavedTrees[i]);
    }
}

MachineState::~MachineState()
{
    if (registered_) {
        SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
        SC_HANDLE service = manager ? OpenServiceA(manager, kServiceName, DELETE) : nullptr;
        if (!service || !DeleteService(service))
            ADD_FAILURE() << "cannot remove the service " << kServiceName << ": " << GetLastError();
        if (service)
            CloseServiceHandle(service);
        if (manager)
            CloseServiceHandle(manager);
        // The service control manager removes the key once the last handle is closed.
        for (int i = 0; i < 100 && KeyExists(kServiceKey); i++)
            Sleep(50);
        if (KeyExists(kServiceKey))
            ADD_FAILURE() << "the service's key stayed after the service was removed";
    }
    for (size_t i = 0; i < saved_.size(); i++) {
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kSavedTrees[i]);
        if (saved_[i])
            CopyTree(backup_ + "\\" + std::to_string(i), kSavedTrees[i]);
    }
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, backup_.c_str());
    if (--g_machineStates == 0)
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kBackupKey);
}

void MachineState::RegisterService()
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
    SC_HANDLE service = manager ? CreateServiceA(manager, kServiceName, "Vorlix PnP Manager 1.8", SERVICE_ALL_ACCESS,
                                                 SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS,
                                                 SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                                                 "C:\\windows\\system32\\vlxpnpmgr", nullptr, nullptr, nullptr,
                                                 nullptr, nullptr)
                                : nullptr;
    if (service) {
        registered_ = true;
        CloseServiceHandle(service);
    } else {
        ADD_FAILURE() << "cannot register the service " << kServiceName << ": " << GetLastError();
    }
    if (manager)
        CloseServiceHandle(manager);
}

void MachineState::MakeKey(const char* path)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot make " << path;
        return;
    }
    RegCloseKey(key);
}

void MachineState::Set(const char* path, const char* name, const RegValue& value)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
            ERROR_SUCCESS ||
        RegSetValueExA(key, name, 0, value.type, value.data.data(), (DWORD)value.data.size()) != ERROR_SUCCESS)
        ADD_FAILURE() << "cannot set " << path << " " << name;
    RegCloseKey(key);
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
        sheet = FindTopWindow(searched, "#32770", kSheetCaption);
    }
    if (!sheet) {
        ADD_FAILURE() << "the sheet \"" << kSheetCaption << "\" did not appear";
        return;
    }
    GetWindowThreadProcessId(sheet, &sheetProcessId_);
    if (sheetProcessId_ != process_.dwProcessId)
        sheetProcess_ = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, sheetProcessId_);
    if (host == Host::Loader)
        loaderWindow = FindTopWindow(process_.dwProcessId, nullptr, "palprop loader");
}

void AppletRun::Start(const std::string& commandLine)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_)) {
        ADD_FAILURE() << "cannot start " << commandLine << ": " << GetLastError();
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
        panel = FindTopWindow(process_.dwProcessId, nullptr, nullptr);
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
    for (int i = 0; i < count; i++)
        labels.push_back(RemoteItemText(sheetProcessId_, tabs, TCM_GETITEMA, i, TCITEMA{TCIF_TEXT}));
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
        HWND box = FindTopWindow(sheetProcessId_, "#32770", nullptr, sheet);
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
        HWND panel = FindTopWindow(process_.dwProcessId, nullptr, nullptr);
        if (panel)
            PostMessageA(panel, WM_CLOSE, 0, 0);
    }
    return process_.hProcess && WaitForSingleObject(process_.hProcess, kWaitMs) == WAIT_OBJECT_0;
}

std::vector<std::string> AppletRun::Record() const
{
    std::vector<std::string> lines;
    std::istringstream in(ReadTextFile(recordPath_));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string BuiltFile(const std::string& relative)
{
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, self, sizeof self);
    std::string tree(self, length < sizeof self ? length : 0);
    // <tree>\tests\<program>.exe: drop the program, then its folder.
    for (int level = 0; level < 2; level++) {
        size_t slash = tree.find_last_of('\\');
        tree.erase(slash == std::string::npos ? 0 : slash);
    }
    std::string path = tree + "\\" + relative;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string ReadTextFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Join(const std::vector<std::string>& items)
{
    std::string all;
    for (const std::string& item : items)
        all += (all.empty() ? "" : " | ") + item;
    return all;
}

} // namespace applet
