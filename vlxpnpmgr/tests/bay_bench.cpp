#include "bay_bench.h"
#include "patience.h"

#include <gtest/gtest.h>

#include <string.h>

#include <thread>

#include "services.h"

namespace baytest {

namespace {

void Blank(char* field, size_t size, const char* text)
{
    memset(field, ' ', size);
    size_t n = strlen(text);
    memcpy(field, text, n < size ? n : size);
}

BaySimDrive Drive(uint8_t kind, int port, int target, uint8_t type, const char* vendor, const char* product)
{
    BaySimDrive d;
    memset(&d, 0, sizeof d);
    d.kind = kind;
    d.attached = 1;
    d.port = (uint8_t)port;
    d.target = (uint8_t)target;
    d.deviceType = type;
    Blank(d.vendor, sizeof d.vendor, vendor);
    Blank(d.product, sizeof d.product, product);
    return d;
}

} // namespace

BaySimDrive CdRom(int port, int target, const char* vendor, const char* product)
{
    return Drive(BAYSIM_CDROM, port, target, SCSI_TYPE_CDROM, vendor, product);
}

BaySimDrive Ls120(int port, int target, const char* vendor, const char* product)
{
    return Drive(BAYSIM_LS120, port, target, SCSI_TYPE_DIRECT_ACCESS, vendor, product);
}

BaySimDrive Disk(int port, int target, const char* vendor, const char* product,
                 const std::vector<BaySimPartition>& partitions)
{
    BaySimDrive d = Drive(BAYSIM_DISK, port, target, SCSI_TYPE_DIRECT_ACCESS, vendor, product);
    for (size_t i = 0; i < partitions.size() && i < BAYSIM_PARTITIONS; i++)
        d.partitions[d.partitionCount++] = partitions[i];
    return d;
}

BaySimDrive FloppyDrive()
{
    return Drive(BAYSIM_FLOPPY, 0, 0, 0, "", "");
}

void BayMachine::RemoveServices()
{
    for (const char* service : {SERVICE_NAME, BAY_DRIVER_SERVICE, MINIPORT_SERVICE, CDROM_CLASS_SERVICE,
                                LS120_CLASS_SERVICE, CDROM_FILE_SYSTEM_SERVICE})
        testkit::RemoveService(service);
}

BayMachine::BayMachine()
{
    Clean();
    memset(&machine, 0, sizeof machine);
    AddDrive(Disk(0, 0, "SYSDISK", "SYSTEM DISK", {{1, 1}}));
    AddLink("C:", "\\Device\\Harddisk0\\Partition1");
}

BayMachine::~BayMachine()
{
    Clean();
}

void BayMachine::Clean()
{
    RemoveServices();
    DeleteKeyTree(HKEY_LOCAL_MACHINE, BAYSIM_KEY);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, SERVICE_KEY);
}

int BayMachine::AddDrive(const BaySimDrive& drive)
{
    for (int i = 0; i < BAYSIM_DRIVES; i++) {
        if (machine.drives[i].kind == BAYSIM_NONE) {
            machine.drives[i] = drive;
            return i;
        }
    }
    ADD_FAILURE() << "the machine holds no more drives";
    return -1;
}

void BayMachine::AddLink(const char* name, const char* target, uint8_t shape)
{
    for (BaySimLink& link : machine.links) {
        if (!link.name[0]) {
            strncpy(link.name, name, sizeof link.name - 1);
            strncpy(link.target, target, sizeof link.target - 1);
            link.shape = shape;
            return;
        }
    }
    ADD_FAILURE() << "the machine holds no more links";
}

bool BayMachine::Start()
{
    if (!testkit::CreateDriverService(BAY_DRIVER_SERVICE, testkit::BuiltFile("sim/bay_sim.sys"), true))
        return false;
    Set();
    std::vector<std::string> problems = LogWith("BaySim cannot");
    for (const std::string& p : problems)
        ADD_FAILURE() << p;
    return problems.empty();
}

bool BayMachine::Control(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned) const
{
    HANDLE device = CreateFileA(BAYSIM_CONTROL_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "the bay machine is not loaded: " << GetLastError();
        return false;
    }
    DWORD got = 0;
    BOOL ok = DeviceIoControl(device, code, const_cast<void*>(in), inSize, out, outSize, &got, nullptr);
    if (!ok)
        ADD_FAILURE() << "the bay machine refused control request " << std::hex << code << ": " << std::dec
                      << GetLastError();
    CloseHandle(device);
    if (returned)
        *returned = got;
    return ok;
}

void BayMachine::Set()
{
    Control(BAYSIM_IOCTL_SET_MACHINE, &machine, sizeof machine);
}

void BayMachine::Change()
{
    Control(BAYSIM_IOCTL_CHANGE, &machine, sizeof machine);
}

void BayMachine::Fire()
{
    Control(BAYSIM_IOCTL_FIRE, nullptr, 0);
}

std::vector<std::string> BayMachine::Log() const
{
    std::vector<char> text(64 * 1024 + 16);
    DWORD returned = 0;
    std::vector<std::string> lines;
    if (!Control(BAYSIM_IOCTL_READ_LOG, nullptr, 0, text.data(), (DWORD)text.size(), &returned))
        return lines;
    for (DWORD at = 0; at < returned && text[at];) {
        std::string line(&text[at]);
        at += (DWORD)line.size() + 1;
        lines.push_back(line);
    }
    return lines;
}

void BayMachine::ClearLog() const
{
    Control(BAYSIM_IOCTL_CLEAR_LOG, nullptr, 0);
}

BaySimTimes BayMachine::Times() const
{
    BaySimTimes times = {0, 0};
    Control(BAYSIM_IOCTL_READ_TIMES, nullptr, 0, &times, sizeof times);
    return times;
}

std::vector<std::string> BayMachine::LogWith(const std::string& text) const
{
    std::vector<std::string> found;
    for (const std::string& line : Log()) {
        if (line.find(text) != std::string::npos)
            found.push_back(line);
    }
    return found;
}

void BayMachine::AddStub(const char* name, bool running)
{
    testkit::CreateDriverService(name, testkit::BuiltFile("sim/bay_sim.sys"), running);
}

void BayMachine::SetRoleValue(const char* service, const char* value, DWORD data)
{
    StoreDword(HKEY_LOCAL_MACHINE, std::string(SERVICES_KEY) + service, value, data);
}

std::string LinkTarget(const char* dosName)
{
    char target[4096] = "";
    if (!QueryDosDeviceA(dosName, target, sizeof target))
        return "<none>";
    return target;
}

std::vector<testkit::BoxSeen> AnswerBoxesWhile(const std::function<void()>& work, DWORD timeoutMs)
{
    std::vector<testkit::BoxSeen> boxes;
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread worker([&] {
        work();
        SetEvent(done);
    });
    HWND answered = nullptr;
    for (DWORD waited = 0; WaitForSingleObject(done, 50) == WAIT_TIMEOUT; waited += 50) {
        if (waited >= testkit::Patient(timeoutMs)) {
            ADD_FAILURE() << "the work did not end within " << timeoutMs << " ms";
            break;
        }
        if (answered && IsWindow(answered) && IsWindowVisible(answered))
            continue; // the box we pressed is still closing
        HWND box = testkit::FindDialog(GetCurrentProcessId(), nullptr);
        if (!box || !GetDlgItem(box, IDOK))
            continue;
        Sleep(100); // let the box finish drawing its controls
        boxes.push_back(testkit::DescribeBox(box));
        testkit::PressButton(box, IDOK);
        answered = box;
    }
    worker.join();
    CloseHandle(done);
    return boxes;
}

} // namespace baytest
