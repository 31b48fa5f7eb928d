#include "firmware_sim_bench.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "firmware_requests.h"
#include "firmware_sim.h"
#include "registry.h"
#include "scenario_bench.h"
#include "services.h"

namespace scenario {

namespace {

// How long a service of the simulated driver may take to stop and go, and
// its file to be freed, on a busy machine (11 s have been seen).
const DWORD kServiceWaitMs = 60000;

void SetValue(const char* name, DWORD type, const void* data, DWORD size)
{
    testkit::StoreValue(HKEY_LOCAL_MACHINE, FW_SIM_KEY, name, type, data, size);
}

void SetDword(const char* name, DWORD value)
{
    testkit::StoreDword(HKEY_LOCAL_MACHINE, FW_SIM_KEY, name, value);
}

std::vector<BYTE> QueryValue(const char* name)
{
    return testkit::ReadStoredValue(HKEY_LOCAL_MACHINE, FW_SIM_KEY, name).bytes;
}

std::string SystemDirectory()
{
    char dir[MAX_PATH] = "";
    GetSystemDirectoryA(dir, sizeof dir);
    return dir;
}

// A driver that still unloads holds its file (error 5 or 32): waited for,
// like its service.
void DeleteIfPresent(const std::string& path)
{
    for (DWORD waited = 0;; waited += 100) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (DeleteFileA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND)
            return;
        if (waited >= kServiceWaitMs) {
            ADD_FAILURE() << "cannot delete " << path << " left by an earlier test: " << GetLastError();
            return;
        }
        Sleep(100);
    }
}

} // namespace

FirmwareSim::FirmwareSim()
{
    Clean();
}

FirmwareSim::~FirmwareSim()
{
    Clean();
}

void FirmwareSim::Clean() const
{
    RemoveService(FW_NT_SERVICE_NAME);
    RemoveService(FW_SIM_VXD_SERVICE);
    DeleteIfPresent(NtTargetPath());
    DeleteIfPresent(VxdTargetPath());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, FW_SIM_KEY);
}

void FirmwareSim::SetRom(const std::string& bytes) const
{
    SetValue(FW_SIM_ROM_BYTES, REG_BINARY, bytes.data(), (DWORD)bytes.size());
}

void FirmwareSim::SetSystemId(unsigned id) const
{
    SetDword(FW_SIM_SYSTEM_ID, id);
}

void FirmwareSim::SetCmos(const std::vector<unsigned char>& bytes) const
{
    SetValue(FW_SIM_CMOS, REG_BINARY, bytes.data(), (DWORD)bytes.size());
}

void FirmwareSim::SetFirmwareText(const std::vector<unsigned char>& dataArea) const
{
    SetValue(FW_SIM_FIRMWARE_TEXT, REG_BINARY, dataArea.data(), (DWORD)dataArea.size());
}

void FirmwareSim::SetFirmwareStatus(unsigned status) const
{
    SetDword(FW_SIM_FIRMWARE_STATUS, status);
}

void FirmwareSim::SetFail(unsigned bits) const
{
    SetDword(FW_SIM_FAIL, bits);
}

std::vector<unsigned char> FirmwareSim::Cmos() const
{
    std::vector<unsigned char> cmos = QueryValue(FW_SIM_CMOS);
    cmos.resize(FW_CMOS_SIZE, 0);
    return cmos;
}

std::vector<std::string> FirmwareSim::Requests() const
{
    std::vector<std::string> lines;
    std::vector<BYTE> data = QueryValue(FW_SIM_REQUESTS);
    for (auto at = data.begin(); at != data.end() && *at != 0;) {
        auto end = std::find(at, data.end(), 0);
        lines.emplace_back(at, end);
        at = end == data.end() ? end : end + 1;
    }
    return lines;
}

std::vector<std::string> FirmwareSim::WaitForRequests(size_t count, DWORD waitMs) const
{
    for (DWORD waited = 0;; waited += 50) {
        std::vector<std::string> lines = Requests();
        if (lines.size() >= count || waited >= waitMs)
            return lines;
        Sleep(50);
    }
}

void FirmwareSim::ClearRequests() const
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, FW_SIM_KEY, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, FW_SIM_REQUESTS);
        RegCloseKey(key);
    }
}

void FirmwareSim::PlaceNtDriver(const std::string& dir) const
{
    std::string target = dir + FW_NT_SOURCE_TAIL;
    if (!CopyFileA(BuiltDriver().c_str(), target.c_str(), FALSE))
        ADD_FAILURE() << "cannot copy the simulated driver to " << target << ": " << GetLastError();
}

void FirmwareSim::PlaceVxdFile(const std::string& dir) const
{
    WriteTextFile(dir + FW_VXD_SOURCE_TAIL, "simulated VxD file\n");
}

bool FirmwareSim::StartVxd() const
{
    return CreateDriverService(FW_SIM_VXD_SERVICE, BuiltDriver(), true);
}

std::string FirmwareSim::BuiltDriver()
{
    return BuiltFile(FIRMWARE_SIM_SYS);
}

std::string FirmwareSim::NtTargetPath()
{
    return SystemDirectory() + FW_NT_TARGET_TAIL;
}

std::string FirmwareSim::VxdTargetPath()
{
    return SystemDirectory() + FW_VXD_TARGET_TAIL;
}

DWORD FirmwareSim::ServiceState(const char* name)
{
    return testkit::ServiceState(name);
}

bool FirmwareSim::ServiceGone(const char* name)
{
    return testkit::WaitUntilGone(name, kServiceWaitMs);
}

bool FirmwareSim::CreateDriverService(const char* name, const std::string& path, bool start)
{
    return testkit::CreateDriverService(name, path, start);
}

void FirmwareSim::RemoveService(const char* name)
{
    testkit::RemoveService(name, kServiceWaitMs);
}

int CountRequests(const std::vector<std::string>& requests, const std::string& text)
{
    return (int)std::count(requests.begin(), requests.end(), text);
}

} // namespace scenario
