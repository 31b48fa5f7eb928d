// baysim: sets up and changes the simulated bay machine by hand, from a
// machine file, and reads back what it was asked. Test equipment.
//   baysim set FILE       the machine as at boot (FILE: a machine file, see below)
//   baysim change FILE    the bays change as FILE says; the device-change event fires
//   baysim fire           the event fires, nothing changes
//   baysim log            what the machine was asked, one line a request
//   baysim clear          forget the record
//   baysim links          the drive letters and disk names (PhysicalDrive<n>, any n), with their targets
//
// A machine file is an INI file:
//   [Status]       Kinds=0,3,0,0,0  OtherFloppy=0  ChangeMask=0x02  (bytes 0-4, 7, 8)
//   [Drive<n>]     n = 0..15: Kind=disk|cdrom|ls120|floppy  Attached=1  Port=1  Target=0
//                  Vendor=...  Product=...  Type=<inquiry type>  Partitions=1,2  Unrecognized=3
//   [Links]        C:=\Device\Harddisk0\Partition1
//   [LinkShapes]   LONGNAME=long|unreadable   (a [Links] name's shape; plain when not named)
//   [Failures]     Fail=0x...  Answers=0x...   (sim/bay_sim.h)
//   [Machine]      NumbersGrow=1  NumbersFrom=<n>  LongNameList=1  SlowDrivers=<ms, 0 = quick>
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bay_sim.h"

namespace {

UINT Number(const char* file, const char* section, const char* key, UINT fallback)
{
    char text[64];
    GetPrivateProfileStringA(section, key, "", text, sizeof text, file);
    return text[0] ? (UINT)strtoul(text, nullptr, 0) : fallback;
}

void Padded(char* field, size_t size, const char* text)
{
    memset(field, ' ', size);
    size_t n = strlen(text);
    memcpy(field, text, n < size ? n : size);
}

void ReadPartitions(const char* file, const char* section, BaySimDrive* d)
{
    const char* const keys[] = {"Partitions", "Unrecognized"};
    for (int k = 0; k < 2; k++) {
        char text[128];
        GetPrivateProfileStringA(section, keys[k], "", text, sizeof text, file);
        for (char* p = strtok(text, ", "); p && d->partitionCount < BAYSIM_PARTITIONS; p = strtok(nullptr, ", ")) {
            d->partitions[d->partitionCount].number = (uint8_t)atoi(p);
            d->partitions[d->partitionCount].recognized = k == 0;
            d->partitionCount++;
        }
    }
}

bool ReadMachine(const char* file, BaySimMachine* m)
{
    memset(m, 0, sizeof *m);
    if (GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES) {
        fprintf(stderr, "baysim: no machine file %s\n", file);
        return false;
    }
    char text[256];
    GetPrivateProfileStringA("Status", "Kinds", "", text, sizeof text, file);
    int i = 0;
    for (char* p = strtok(text, ", "); p && i < 5; p = strtok(nullptr, ", "))
        m->status[i++] = (uint8_t)strtoul(p, nullptr, 0);
    m->status[BAY_STATUS_OTHER_FLOPPY] = (uint8_t)Number(file, "Status", "OtherFloppy", 0);
    m->status[BAY_STATUS_CHANGE_MASK] = (uint8_t)Number(file, "Status", "ChangeMask", 0);
    m->fail = Number(file, "Failures", "Fail", 0);
    m->answers = Number(file, "Failures", "Answers", 0);
    if (Number(file, "Machine", "NumbersGrow", 0))
        m->behaviour |= BAYSIM_NUMBERS_GROW;
    m->numbersFrom = Number(file, "Machine", "NumbersFrom", 0);
    if (Number(file, "Machine", "LongNameList", 0))
        m->behaviour |= BAYSIM_LONG_NAME_LIST;
    m->slowDriverMs = Number(file, "Machine", "SlowDrivers", 0);
    if (m->slowDriverMs)
        m->behaviour |= BAYSIM_SLOW_DRIVERS;

    static const struct {
        const char* name;
        uint8_t kind, type;
    } kKinds[] = {{"disk", BAYSIM_DISK, SCSI_TYPE_DIRECT_ACCESS},
                  {"cdrom", BAYSIM_CDROM, SCSI_TYPE_CDROM},
                  {"ls120", BAYSIM_LS120, SCSI_TYPE_DIRECT_ACCESS},
                  {"floppy", BAYSIM_FLOPPY, 0}};
    for (int n = 0; n < BAYSIM_DRIVES; n++) {
        char section[16];
        snprintf(section, sizeof section, "Drive%d", n);
        GetPrivateProfileStringA(section, "Kind", "", text, sizeof text, file);
        BaySimDrive* d = &m->drives[n];
        for (const auto& k : kKinds) {
            if (lstrcmpiA(text, k.name) == 0) {
                d->kind = k.kind;
                d->deviceType = (uint8_t)Number(file, section, "Type", k.type);
            }
        }
        if (d->kind == BAYSIM_NONE)
            continue;
        d->attached = (uint8_t)Number(file, section, "Attached", 1);
        d->port = (uint8_t)Number(file, section, "Port", 0);
        d->target = (uint8_t)Number(file, section, "Target", 0);
        GetPrivateProfileStringA(section, "Vendor", "", text, sizeof text, file);
        Padded(d->vendor, sizeof d->vendor, text);
        GetPrivateProfileStringA(section, "Product", "", text, sizeof text, file);
        Padded(d->product, sizeof d->product, text);
        ReadPartitions(file, section, d);
    }

    char links[4096];
    DWORD n = GetPrivateProfileSectionA("Links", links, sizeof links, file);
    int l = 0;
    for (char* line = links; line < links + n && *line && l < BAYSIM_LINKS; line += strlen(line) + 1) {
        char* equals = strchr(line, '=');
        if (!equals)
            continue;
        *equals = '\0';
        snprintf(m->links[l].name, sizeof m->links[l].name, "%s", line);
        snprintf(m->links[l].target, sizeof m->links[l].target, "%s", equals + 1);
        GetPrivateProfileStringA("LinkShapes", m->links[l].name, "", text, sizeof text, file);
        m->links[l].shape = lstrcmpiA(text, "long") == 0         ? BAYSIM_LINK_LONG_TARGET
                            : lstrcmpiA(text, "unreadable") == 0 ? BAYSIM_LINK_UNREADABLE
                                                                 : BAYSIM_LINK_PLAIN;
        l++;
    }
    return true;
}

bool Control(DWORD code, const void* in, DWORD inSize, void* out = nullptr, DWORD outSize = 0, DWORD* got = nullptr)
{
    HANDLE device = CreateFileA(BAYSIM_CONTROL_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "baysim: the bay machine is not loaded (error %lu)\n", GetLastError());
        return false;
    }
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(device, code, const_cast<void*>(in), inSize, out, outSize, &returned, nullptr);
    if (!ok)
        fprintf(stderr, "baysim: the machine refused the request (error %lu)\n", GetLastError());
    CloseHandle(device);
    if (got)
        *got = returned;
    return ok;
}

// The disk number of "PhysicalDrive<digits>", or -1.
long long DiskNumber(const char* name)
{
    if (_strnicmp(name, "PhysicalDrive", 13) != 0 || !name[13])
        return -1;
    long long n = 0;
    for (const char* p = name + 13; *p; p++) {
        if (*p < '0' || *p > '9' || n > 0xFFFFFFFFLL)
            return -1;
        n = n * 10 + (*p - '0');
    }
    return n;
}

// The drive letters, then the disk names by number, whatever the numbers.
void PrintLinks()
{
    std::vector<char> list(16 * 1024);
    DWORD n;
    while (!(n = QueryDosDeviceA(nullptr, list.data(), (DWORD)list.size())) &&
           GetLastError() == ERROR_INSUFFICIENT_BUFFER && list.size() < (1u << 24))
        list.resize(list.size() * 2);
    std::vector<std::string> letters;
    std::vector<std::pair<long long, std::string>> disks;
    for (DWORD at = 0; at < n && list[at]; at += (DWORD)strlen(&list[at]) + 1) {
        const char* name = &list[at];
        if (((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')) && name[1] == ':' && !name[2])
            letters.push_back(name);
        else if (DiskNumber(name) >= 0)
            disks.emplace_back(DiskNumber(name), name);
    }
    std::sort(letters.begin(), letters.end());
    std::sort(disks.begin(), disks.end());
    for (const auto& d : disks)
        letters.push_back(d.second);
    char target[4096];
    for (const std::string& name : letters) {
        if (QueryDosDeviceA(name.c_str(), target, sizeof target))
            printf("%s %s\n", name.c_str(), target);
    }
}

int Usage()
{
    fprintf(stderr, "usage: baysim set|change FILE, baysim fire|log|clear|links\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const char* command = argv[1];
    if ((!strcmp(command, "set") || !strcmp(command, "change")) && argc == 3) {
        static BaySimMachine machine;
        char path[MAX_PATH];
        if (!GetFullPathNameA(argv[2], sizeof path, path, nullptr) || !ReadMachine(path, &machine))
            return 1;
        return Control(!strcmp(command, "set") ? BAYSIM_IOCTL_SET_MACHINE : BAYSIM_IOCTL_CHANGE, &machine,
                       sizeof machine)
                   ? 0
                   : 1;
    }
    if (!strcmp(command, "fire"))
        return Control(BAYSIM_IOCTL_FIRE, nullptr, 0) ? 0 : 1;
    if (!strcmp(command, "clear"))
        return Control(BAYSIM_IOCTL_CLEAR_LOG, nullptr, 0) ? 0 : 1;
    if (!strcmp(command, "links")) {
        PrintLinks();
        return 0;
    }
    if (!strcmp(command, "log")) {
        static char text[64 * 1024 + 16];
        DWORD got = 0;
        if (!Control(BAYSIM_IOCTL_READ_LOG, nullptr, 0, text, sizeof text, &got))
            return 1;
        for (DWORD at = 0; at < got && text[at]; at += (DWORD)strlen(text + at) + 1)
            printf("%s\n", text + at);
        return 0;
    }
    return Usage();
}
