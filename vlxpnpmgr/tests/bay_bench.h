// The bay bench: the simulated bay machine (sim/bay_sim.h) loaded under
// Wine's service control manager in the bay bench's prefix, set up and
// changed by a test, and read back. Everything it touches is machine-wide
// (services, device names, drive letters, HKEY_LOCAL_MACHINE), so its
// tests hold one lock; it removes all of it when it starts and ends.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "bay_registry.h"
#include "bay_sim.h"
#include "desktop.h"
#include "registry.h"

namespace baytest {

// Drives for the machine.
BaySimDrive CdRom(int port, int target, const char* vendor, const char* product);
BaySimDrive Ls120(int port, int target, const char* vendor, const char* product);
BaySimDrive Disk(int port, int target, const char* vendor, const char* product,
                 const std::vector<BaySimPartition>& partitions);
BaySimDrive FloppyDrive();

class BayMachine {
public:
    BayMachine();
    ~BayMachine();
    BayMachine(const BayMachine&) = delete;
    BayMachine& operator=(const BayMachine&) = delete;

    // The machine a test edits, then sets up or changes. It starts with
    // the system disk: port 0, target 0, Harddisk0 with partition 1 as C:.
    BaySimMachine machine;
    int AddDrive(const BaySimDrive& drive); // its slot
    void AddLink(const char* name, const char* target, uint8_t shape = BAYSIM_LINK_PLAIN);

    // Loads the machine's driver (the bay driver's service) and sets up
    // the machine. False (with a test failure) when it cannot.
    bool Start();
    void Set();
    void Change(); // the event fires
    void Fire();

    // What the machine was asked since it was set up, one line a request.
    std::vector<std::string> Log() const;
    void ClearLog() const;
    // When the event last fired and the last request came, in 100 ns units.
    BaySimTimes Times() const;
    // The log lines that contain the text.
    std::vector<std::string> LogWith(const std::string& text) const;

    // A stub driver under the service name (the miniport, a class driver,
    // the CD-ROM file system): registered, and started when running.
    static void AddStub(const char* name, bool running);
    // A value of a role's own service key (SimFailStart, SimNoEvent).
    static void SetRoleValue(const char* service, const char* value, DWORD data);

    // Stops and removes the service and every role of the machine.
    static void RemoveServices();

private:
    bool Control(DWORD code, const void* in, DWORD inSize, void* out = nullptr, DWORD outSize = 0,
                 DWORD* returned = nullptr) const;
    void Clean();
};

// Links as QueryDosDevice lists them: "NAME -> TARGET".
std::string LinkTarget(const char* dosName);

using testkit::DeleteKeyTree;
using testkit::ReadStoredValue;
using testkit::StoreDword;
using testkit::StoredValue;

// Runs the work on a thread of its own while this thread answers every
// box of this process with OK, as a person would; the boxes seen in order.
std::vector<testkit::BoxSeen> AnswerBoxesWhile(const std::function<void()>& work, DWORD timeoutMs = 60000);

} // namespace baytest
