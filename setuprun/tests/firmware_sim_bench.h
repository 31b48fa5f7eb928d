// The simulated firmware on the test machine: sets up the machine that the
// simulated driver presents (sim/firmware_sim.h), loads the driver in the
// VxD's role, and reads back what it was asked. Everything it touches is
// machine-wide (the service names, the device names, the system
// directory, HKEY_LOCAL_MACHINE), so its tests run one at a time; it
// removes all of it when it starts and again when it ends.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace scenario {

class FirmwareSim {
public:
    FirmwareSim();
    ~FirmwareSim();
    FirmwareSim(const FirmwareSim&) = delete;
    FirmwareSim& operator=(const FirmwareSim&) = delete;

    // The machine (see sim/firmware_sim.h).
    void SetRom(const std::string& bytes) const;
    void SetSystemId(unsigned id) const;
    void SetCmos(const std::vector<unsigned char>& bytes) const;
    void SetFirmwareText(const std::vector<unsigned char>& dataArea) const;
    void SetFirmwareStatus(unsigned status) const;
    void SetFail(unsigned bits) const;
    std::vector<unsigned char> Cmos() const;

    // What the driver was asked, one line a request, oldest first.
    std::vector<std::string> Requests() const;
    void ClearRequests() const;
    // Requests() once it holds at least count lines, or after waitMs.
    // Under Wine, closing a device does not wait for the driver: the
    // close is recorded a moment after the program has gone on.
    std::vector<std::string> WaitForRequests(size_t count, DWORD waitMs = 3000) const;

    // Puts the built driver into a directory under the name setuprun
    // copies it from (NVXMGMT.SYS), or a file as the VxD (NVXInt15.VxD).
    void PlaceNtDriver(const std::string& dir) const;
    void PlaceVxdFile(const std::string& dir) const;

    // Registers and starts the driver in the VxD's role (device
    // \\.\NVXINT15.VXD), as Windows 95/98 would load the VxD.
    bool StartVxd() const;

    static std::string BuiltDriver();   // the .sys of the build
    static std::string NtTargetPath();  // system directory\Drivers\NVXMgmt.Sys
    static std::string VxdTargetPath(); // system directory\NVXInt15.VxD
    // Service state: 0 when the service does not exist.
    static DWORD ServiceState(const char* name);
    // True once the service is gone; waits for a service that a run
    // deleted while it was still stopping (a busy machine takes seconds).
    static bool ServiceGone(const char* name);
    // Registers (and optionally starts) a kernel-driver service.
    static bool CreateDriverService(const char* name, const std::string& path, bool start);
    // Stops and deletes a service if it exists, waiting however long its
    // stop takes up to a bound that fails only the test that asked.
    static void RemoveService(const char* name);

private:
    void Clean() const;
};

// The count of lines equal to text.
int CountRequests(const std::vector<std::string>& requests, const std::string& text);

} // namespace scenario
