/* Simulated bay machine: an NT kernel driver that stands in for the bay
 * driver, the bay controller's SCSI ports and the drive class drivers on
 * the test machine (under Wine). See bay_sim.h for its roles; bay_model.c
 * decides every answer, this file makes the device objects, links and the
 * event that the answers call for. Test equipment, never part of a
 * deliverable. */
#include <ntddk.h>

#include "bay_model.h"
#include "bay_registry.h"
#include "bay_sim.h"

/* Declared in ntifs.h, which does not go with ntddk.h; Wine's
 * ntoskrnl.exe exports both. */
NTSYSAPI NTSTATUS NTAPI ZwOpenDirectoryObject(PHANDLE directory, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes);
NTSYSAPI NTSTATUS NTAPI ZwQueryDirectoryObject(HANDLE directory, PVOID buffer, ULONG length, BOOLEAN single,
                                               BOOLEAN restart, PULONG context, PULONG returned);

enum {
    kLogBytes = 64 * 1024,
    /* Class device objects at once: the devices of every class that exist
     * (a disk with its partitions), and ones held open after their drive went. */
    kMaxDevices = 3 * BAYSIM_CLASS_DEVICES + BAYSIM_CLASS_DEVICES * BAYSIM_PARTITIONS + 64,
    kMaxDirectories = 2 * BAYSIM_CLASS_DEVICES, /* \Device\Harddisk%u: the disks that exist, and ones held open */
    kLongTarget = 2100, /* characters: past what a 2048-byte name query holds */
    kNameChars = 128,
    kDoomed = 64 /* names a clean-up pass collects before it deletes them */
};

typedef struct DeviceExtension {
    BaySimNode node;
    ULONG serial; /* this object among all made: its opens carry it */
    LONG opens;   /* handles open on it: counted by create and close */
} DeviceExtension;

/* \Device\Harddisk%u, by disk number; handle NULL: a free entry. */
typedef struct DiskDirectory {
    uint32_t disk;
    HANDLE handle;
} DiskDirectory;

/* A set-up name of the unreadable shape: an object directory where a
 * link would be, alive while its handle is open. */
typedef struct Unreadable {
    char name[BAYSIM_LINK_NAME];
    HANDLE handle;
} Unreadable;

/* Requests come on one thread, unload on another: one lock for all. */
static KMUTEX s_lock;
static PDRIVER_OBJECT s_driver;
static BOOLEAN s_isMachine;
static WCHAR s_serviceName[64];

static BaySimState s_state;
static BaySimActions s_actions;
static char s_log[kLogBytes];
static BaySimTimes s_times;
static ULONG s_logUsed;
static BOOLEAN s_logFull;

static PDEVICE_OBJECT s_fixed[2 + BAY_SCSI_PORTS]; /* bay, control, ports */
static PDEVICE_OBJECT s_devices[kMaxDevices];      /* class devices */
static ULONG s_deviceCount;
static DiskDirectory s_directories[kMaxDirectories];
static char s_links[BAYSIM_MADE_LINKS][BAYSIM_LINK_NAME];
static Unreadable s_unreadable[BAYSIM_LINKS];
static PKEVENT s_event;
static HANDLE s_eventHandle;
static ULONG s_serial;
static WCHAR s_name[kNameChars];
static WCHAR s_target[kLongTarget + 64];
static char s_doomed[kDoomed][BAYSIM_LONG_NAME];

/* ---- names --------------------------------------------------------- */

/* name = prefix + ASCII text, as a counted string over s_name. */
static void WideName(UNICODE_STRING* name, const WCHAR* prefix, const char* text)
{
    ULONG n = 0;
    while (*prefix && n + 1 < kNameChars)
        s_name[n++] = *prefix++;
    while (*text && n + 1 < kNameChars)
        s_name[n++] = (WCHAR)(unsigned char)*text++;
    s_name[n] = 0;
    name->Buffer = s_name;
    name->Length = (USHORT)(n * sizeof(WCHAR));
    name->MaximumLength = (USHORT)((n + 1) * sizeof(WCHAR));
}

static void WideTarget(UNICODE_STRING* name, const char* text, BOOLEAN padded)
{
    ULONG n = 0;
    while (*text && n < 64)
        s_target[n++] = (WCHAR)(unsigned char)*text++;
    while (padded && n < kLongTarget)
        s_target[n++] = L'x';
    s_target[n] = 0;
    name->Buffer = s_target;
    name->Length = (USHORT)(n * sizeof(WCHAR));
    name->MaximumLength = (USHORT)((n + 1) * sizeof(WCHAR));
}

/* ---- the record ---------------------------------------------------- */

static void Record(const char* line)
{
    LARGE_INTEGER now;
    KeQuerySystemTime(&now);
    s_times.lastRequest = now.QuadPart;
    ULONG length = 0;
    while (line[length])
        length++;
    if (s_logFull || s_logUsed + length + 2 > kLogBytes) {
        s_logFull = TRUE;
        return;
    }
    for (ULONG i = 0; i <= length; i++)
        s_log[s_logUsed + i] = line[i];
    s_logUsed += length + 1;
}

/* Whole lines that fit with the list's final NUL. */
static ULONG ReadLog(char* out, ULONG size)
{
    ULONG n = 0;
    if (!size)
        return 0;
    while (n < s_logUsed) {
        ULONG end = n;
        while (s_log[end])
            end++;
        if (end + 2 > size)
            break;
        n = end + 1;
    }
    for (ULONG i = 0; i < n; i++)
        out[i] = s_log[i];
    out[n] = 0;
    return n + 1;
}

/* ---- registry ------------------------------------------------------ */

static NTSTATUS OpenKey(const WCHAR* path, BOOLEAN create, HANDLE* key)
{
    UNICODE_STRING name;
    OBJECT_ATTRIBUTES attributes;
    RtlInitUnicodeString(&name, path);
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    if (create)
        return ZwCreateKey(key, KEY_ALL_ACCESS, &attributes, 0, NULL, REG_OPTION_NON_VOLATILE, NULL);
    return ZwOpenKey(key, KEY_READ, &attributes);
}

static ULONG QueryDword(HANDLE key, const WCHAR* valueName)
{
    ULONG buffer[(sizeof(KEY_VALUE_PARTIAL_INFORMATION) + 8) / sizeof(ULONG) + 1];
    KEY_VALUE_PARTIAL_INFORMATION* v = (KEY_VALUE_PARTIAL_INFORMATION*)buffer;
    UNICODE_STRING name;
    ULONG length = 0;
    RtlInitUnicodeString(&name, valueName);
    if (!NT_SUCCESS(ZwQueryValueKey(key, &name, KeyValuePartialInformation, v, sizeof buffer, &length)))
        return 0;
    return v->Type == REG_DWORD && v->DataLength == 4 ? *(const ULONG*)v->Data : 0;
}

/* A value of the service's own key (the registry path DriverEntry gets). */
static ULONG OwnValue(PUNICODE_STRING registryPath, const WCHAR* valueName)
{
    HANDLE key;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, registryPath, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    if (!NT_SUCCESS(ZwOpenKey(&key, KEY_READ, &attributes)))
        return 0;
    ULONG value = QueryDword(key, valueName);
    ZwClose(key);
    return value;
}

static void SetRunning(ULONG running)
{
    HANDLE key;
    UNICODE_STRING name;
    /* A key is made only under one that exists. */
    if (NT_SUCCESS(OpenKey(BAYSIM_KEY_NT, TRUE, &key)))
        ZwClose(key);
    if (!NT_SUCCESS(OpenKey(BAYSIM_DRIVERS_KEY_NT, TRUE, &key)))
        return;
    RtlInitUnicodeString(&name, s_serviceName);
    ZwSetValueKey(key, &name, 0, REG_DWORD, &running, sizeof running);
    ZwClose(key);
}

/* The stubs' start and stop time, for the stubs of the next starts and
 * stops (they run in processes of their own). */
static void WriteSlowDriverMs(ULONG ms)
{
    HANDLE key;
    UNICODE_STRING name;
    if (!NT_SUCCESS(OpenKey(BAYSIM_KEY_NT, TRUE, &key)))
        return;
    RtlInitUnicodeString(&name, L"" BAYSIM_SLOW_DRIVER_MS);
    ZwSetValueKey(key, &name, 0, REG_DWORD, &ms, sizeof ms);
    ZwClose(key);
}

/* A stub takes its time, as a real driver finding its hardware does. */
static void TakeSlowDriverTime(void)
{
    HANDLE key;
    ULONG ms = 0;
    if (NT_SUCCESS(OpenKey(BAYSIM_KEY_NT, FALSE, &key))) {
        ms = QueryDword(key, L"" BAYSIM_SLOW_DRIVER_MS);
        ZwClose(key);
    }
    if (ms) {
        LARGE_INTEGER wait;
        wait.QuadPart = -10000LL * (LONGLONG)ms; /* relative, in 100 ns */
        KeDelayExecutionThread(KernelMode, FALSE, &wait);
    }
}

static void ReadClassDrivers(ULONG* cdrom, ULONG* ls120)
{
    HANDLE key;
    *cdrom = *ls120 = 0;
    if (!NT_SUCCESS(OpenKey(BAYSIM_DRIVERS_KEY_NT, FALSE, &key)))
        return;
    *cdrom = QueryDword(key, L"" CDROM_CLASS_SERVICE);
    *ls120 = QueryDword(key, L"" LS120_CLASS_SERVICE);
    ZwClose(key);
}

/* ---- devices, links, event ----------------------------------------- */

static DeviceExtension* ExtensionOf(PDEVICE_OBJECT device)
{
    return (DeviceExtension*)device->DeviceExtension;
}

static BOOLEAN SameNode(BaySimNode a, BaySimNode b)
{
    return a.kind == b.kind && a.index == b.index && a.partition == b.partition;
}

static PDEVICE_OBJECT MakeDevice(BaySimNode node, DEVICE_TYPE type)
{
    char name[BAYSIM_DEVICE_NAME];
    UNICODE_STRING unicodeName;
    PDEVICE_OBJECT device = NULL;
    BaySimDeviceName(node, name, sizeof name);
    WideName(&unicodeName, L"", name);
    if (!NT_SUCCESS(IoCreateDevice(s_driver, sizeof(DeviceExtension), &unicodeName, type, 0, FALSE, &device)))
        return NULL;
    DeviceExtension* extension = ExtensionOf(device);
    extension->node = node;
    extension->serial = ++s_serial;
    extension->opens = 0;
    device->Flags |= DO_BUFFERED_IO;
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    return device;
}

static DiskDirectory* FindDiskDirectory(uint32_t disk)
{
    for (ULONG i = 0; i < kMaxDirectories; i++) {
        if (s_directories[i].handle && s_directories[i].disk == disk)
            return &s_directories[i];
    }
    return NULL;
}

static void CloseDiskDirectory(DiskDirectory* directory)
{
    ZwMakeTemporaryObject(directory->handle);
    ZwClose(directory->handle);
    directory->handle = NULL;
}

/* \Device\Harddisk%u must exist before its partitions. False when it
 * cannot be made. */
static BOOLEAN MakeDiskDirectory(uint32_t disk)
{
    char text[BAYSIM_DEVICE_NAME];
    BaySimNode node = {BAYSIM_NODE_DISK, 0, disk};
    UNICODE_STRING name;
    OBJECT_ATTRIBUTES attributes;
    DiskDirectory* free = NULL;
    if (FindDiskDirectory(disk))
        return TRUE;
    for (ULONG i = 0; i < kMaxDirectories && !free; i++) {
        if (!s_directories[i].handle)
            free = &s_directories[i];
    }
    if (!free)
        return FALSE;
    BaySimDeviceName(node, text, sizeof text); /* \Device\HarddiskN\Partition0 */
    for (ULONG i = 0; text[i]; i++) {
        if (i > 8 && text[i] == '\\') {
            text[i] = 0;
            break;
        }
    }
    WideName(&name, L"", text);
    InitializeObjectAttributes(&attributes, &name, OBJ_OPENIF | OBJ_PERMANENT | OBJ_KERNEL_HANDLE, NULL, NULL);
    if (!NT_SUCCESS(ZwCreateDirectoryObject(&free->handle, DIRECTORY_ALL_ACCESS, &attributes))) {
        free->handle = NULL;
        return FALSE;
    }
    free->disk = disk;
    return TRUE;
}

static void CannotMake(BaySimNode node)
{
    /* Said in the record, so that a test sees a machine that is not whole. */
    char line[BAYSIM_LOG_LINE] = "BaySim cannot make ";
    ULONG n = 0;
    while (line[n])
        n++;
    BaySimDeviceName(node, line + n, sizeof line - n);
    Record(line);
}

static void MakeClassDevice(BaySimNode node)
{
    DEVICE_TYPE type = node.kind == BAYSIM_NODE_CDROM ? FILE_DEVICE_CD_ROM : FILE_DEVICE_DISK;
    for (ULONG i = 0; i < s_deviceCount; i++) {
        DeviceExtension* extension = ExtensionOf(s_devices[i]);
        if (SameNode(extension->node, node))
            return; /* a handle kept the object of a number given back, or of the floppy drive that left */
    }
    PDEVICE_OBJECT device = NULL;
    if (s_deviceCount < kMaxDevices && (node.kind != BAYSIM_NODE_DISK || MakeDiskDirectory(node.index)))
        device = MakeDevice(node, type);
    if (device)
        s_devices[s_deviceCount++] = device;
    else
        CannotMake(node);
}

/* A drive that is not there has no device object: opening its name fails
 * as for a name that leads nowhere, under Wine too (whose server hands out
 * a handle before the driver has answered the create). Deletes the class
 * devices the model no longer wants (a disk's partitions each on its own)
 * that nobody holds open, but never the one whose request is being
 * handled (its object must outlive the request). Called at requests, not
 * at a close: a device is not deleted inside its own close. */
static void Sweep(PDEVICE_OBJECT keep)
{
    ULONG kept = 0;
    for (ULONG i = 0; i < s_deviceCount; i++) {
        PDEVICE_OBJECT device = s_devices[i];
        DeviceExtension* extension = ExtensionOf(device);
        if (!BaySimShouldExist(&s_state, extension->node) && extension->opens <= 0 && device != keep)
            IoDeleteDevice(device);
        else
            s_devices[kept++] = device;
    }
    s_deviceCount = kept;
    /* A disk's directory goes with its last object. */
    for (ULONG d = 0; d < kMaxDirectories; d++) {
        BOOLEAN used = FALSE;
        if (!s_directories[d].handle)
            continue;
        for (ULONG i = 0; i < s_deviceCount && !used; i++) {
            BaySimNode node = ExtensionOf(s_devices[i])->node;
            used = node.kind == BAYSIM_NODE_DISK && node.index == s_directories[d].disk;
        }
        if (!used)
            CloseDiskDirectory(&s_directories[d]);
    }
}

static void DeleteLinkNamed(const char* dosName)
{
    UNICODE_STRING link;
    WideName(&link, L"\\DosDevices\\", dosName);
    IoDeleteSymbolicLink(&link);
}

/* An unreadable name: a directory object under the MS-DOS names, listed
 * with them, whose query as a link fails. Not permanent: it goes with its
 * handle, whatever becomes of this process. */
static BOOLEAN MakeUnreadable(const char* dosName)
{
    UNICODE_STRING name;
    OBJECT_ATTRIBUTES attributes;
    for (ULONG i = 0; i < BAYSIM_LINKS; i++) {
        Unreadable* u = &s_unreadable[i];
        if (u->handle)
            continue;
        WideName(&name, L"\\DosDevices\\", dosName);
        InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
        if (!NT_SUCCESS(ZwCreateDirectoryObject(&u->handle, DIRECTORY_ALL_ACCESS, &attributes))) {
            u->handle = NULL;
            return FALSE;
        }
        for (ULONG c = 0; c < BAYSIM_LINK_NAME; c++)
            u->name[c] = dosName[c];
        return TRUE;
    }
    return FALSE;
}

static void MakeLink(const BaySimAction* a)
{
    UNICODE_STRING link, target;
    if (a->shape == BAYSIM_LINK_UNREADABLE) {
        if (!MakeUnreadable(a->name))
            return;
    } else {
        WideName(&link, L"\\DosDevices\\", a->name);
        WideTarget(&target, a->target, a->shape == BAYSIM_LINK_LONG_TARGET);
        if (!NT_SUCCESS(IoCreateSymbolicLink(&link, &target)))
            return;
    }
    for (ULONG i = 0; i < BAYSIM_MADE_LINKS; i++) {
        if (!s_links[i][0]) {
            for (ULONG c = 0; c < BAYSIM_LINK_NAME; c++)
                s_links[i][c] = a->name[c];
            return;
        }
    }
}

/* The long list of a Windows 2000 machine (BaySimLongName): not kept
 * here, the clean-up finds its names by their shape. */
static void MakeLongNames(void)
{
    char name[BAYSIM_LONG_NAME], target[BAYSIM_LONG_NAME_TARGET];
    UNICODE_STRING link, targetName;
    for (unsigned i = 0; BaySimLongName(i, name, sizeof name, target, sizeof target); i++) {
        WideName(&link, L"\\DosDevices\\", name);
        WideTarget(&targetName, target, FALSE);
        if (!NT_SUCCESS(IoCreateSymbolicLink(&link, &targetName))) {
            Record("BaySim cannot make the long name list");
            return;
        }
    }
}

static BOOLEAN SameName(const char* a, const char* b)
{
    for (ULONG i = 0; i < BAYSIM_LINK_NAME; i++) {
        if (a[i] != b[i])
            return FALSE;
        if (!a[i])
            return TRUE;
    }
    return TRUE;
}

static void ForgetLink(const char* dosName)
{
    BOOLEAN unreadable = FALSE;
    for (ULONG i = 0; i < BAYSIM_LINKS; i++) {
        Unreadable* u = &s_unreadable[i];
        if (u->handle && SameName(u->name, dosName)) {
            ZwClose(u->handle);
            u->handle = NULL;
            unreadable = TRUE;
        }
    }
    if (!unreadable)
        DeleteLinkNamed(dosName);
    for (ULONG i = 0; i < BAYSIM_MADE_LINKS; i++) {
        if (s_links[i][0] && SameName(s_links[i], dosName))
            s_links[i][0] = 0;
    }
}

/* One entry of an object directory, as ZwQueryDirectoryObject gives it:
 * the name and the type's name, their characters after them. */
typedef struct DirectoryEntry {
    UNICODE_STRING name;
    UNICODE_STRING type;
} DirectoryEntry;

/* One pass over \??: the links to delete, collected first (deleting
 * while walking would move the entries still to come). */
static ULONG CollectMachineLinks(void)
{
    static const WCHAR kLinkType[] = L"SymbolicLink";
    static ULONG entry[(sizeof(DirectoryEntry) + 2 * 512) / sizeof(ULONG)];
    UNICODE_STRING path;
    OBJECT_ATTRIBUTES attributes;
    HANDLE directory;
    ULONG context = 0, length = 0, found = 0;
    RtlInitUnicodeString(&path, L"\\??");
    InitializeObjectAttributes(&attributes, &path, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    if (!NT_SUCCESS(ZwOpenDirectoryObject(&directory, DIRECTORY_QUERY, &attributes)))
        return 0;
    while (found < kDoomed &&
           NT_SUCCESS(ZwQueryDirectoryObject(directory, entry, sizeof entry, TRUE, FALSE, &context, &length))) {
        const DirectoryEntry* e = (const DirectoryEntry*)entry;
        ULONG chars = e->name.Length / sizeof(WCHAR), typeChars = e->type.Length / sizeof(WCHAR);
        BOOLEAN isLink = typeChars == sizeof kLinkType / sizeof(WCHAR) - 1;
        for (ULONG i = 0; isLink && i < typeChars; i++)
            isLink = e->type.Buffer[i] == kLinkType[i];
        if (!isLink || chars >= BAYSIM_LONG_NAME)
            continue;
        char* name = s_doomed[found];
        BOOLEAN ascii = TRUE;
        for (ULONG i = 0; i < chars; i++) {
            ascii = ascii && e->name.Buffer[i] > 0 && e->name.Buffer[i] < 0x80;
            name[i] = (char)e->name.Buffer[i];
        }
        name[chars] = 0;
        if (ascii && BaySimIsMachineLinkName(name))
            found++;
    }
    ZwClose(directory);
    return found;
}

/* Every class device, directory and link the machine made. Drive letters,
 * disk names and the long list are the machine's alone in its prefix, so
 * any left by an earlier run go too. */
static void DeleteAll(void)
{
    for (ULONG i = 0; i < s_deviceCount; i++)
        IoDeleteDevice(s_devices[i]);
    s_deviceCount = 0;
    for (ULONG i = 0; i < kMaxDirectories; i++) {
        if (s_directories[i].handle)
            CloseDiskDirectory(&s_directories[i]);
    }
    for (ULONG i = 0; i < BAYSIM_MADE_LINKS; i++) {
        if (s_links[i][0])
            ForgetLink(s_links[i]);
        s_links[i][0] = 0;
    }
    for (ULONG i = 0; i < BAYSIM_LINKS; i++) {
        if (s_unreadable[i].handle)
            ZwClose(s_unreadable[i].handle);
        s_unreadable[i].handle = NULL;
    }
    /* A pass collects at most kDoomed names; the list holds a few more. */
    for (int pass = 0; pass < 8; pass++) {
        ULONG found = CollectMachineLinks();
        for (ULONG i = 0; i < found; i++) {
            UNICODE_STRING link;
            WideName(&link, L"\\DosDevices\\", s_doomed[i]);
            IoDeleteSymbolicLink(&link);
        }
        if (found < kDoomed)
            break;
    }
}

static void Carry(void)
{
    for (ULONG i = 0; i < s_actions.count; i++) {
        const BaySimAction* a = &s_actions.items[i];
        switch (a->kind) {
        case BAYSIM_MAKE_DEVICE:
            MakeClassDevice(a->node);
            break;
        case BAYSIM_MAKE_LINK:
            MakeLink(a);
            break;
        case BAYSIM_DELETE_LINK:
            ForgetLink(a->name);
            break;
        case BAYSIM_DELETE_ALL:
            DeleteAll();
            break;
        case BAYSIM_MAKE_LONG_NAMES:
            MakeLongNames();
            break;
        case BAYSIM_CANNOT_MAKE:
            CannotMake(a->node);
            break;
        case BAYSIM_FIRE_EVENT:
            if (s_event) {
                LARGE_INTEGER now;
                KeQuerySystemTime(&now);
                s_times.fired = now.QuadPart;
                KeSetEvent(s_event, IO_NO_INCREMENT, FALSE);
            }
            break;
        }
    }
    s_actions.count = 0;
}

/* ---- requests ------------------------------------------------------ */

static void Lock(void)
{
    KeWaitForSingleObject(&s_lock, Executive, KernelMode, FALSE, NULL);
}

static void Unlock(void)
{
    KeReleaseMutex(&s_lock, FALSE);
}

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static BaySimNode NodeOf(PDEVICE_OBJECT device)
{
    return ExtensionOf(device)->node;
}

static NTSTATUS StatusOf(enum BaySimOutcome outcome)
{
    switch (outcome) {
    case BAYSIM_OK:
        return STATUS_SUCCESS;
    case BAYSIM_REFUSED:
        return STATUS_IO_DEVICE_ERROR;
    case BAYSIM_BAD_REQUEST:
        return STATUS_INVALID_PARAMETER;
    case BAYSIM_GONE:
        return STATUS_NO_SUCH_DEVICE;
    case BAYSIM_NAME_TAKEN:
        return STATUS_OBJECT_NAME_COLLISION;
    case BAYSIM_NO_SUCH_LINK:
        return STATUS_OBJECT_NAME_NOT_FOUND;
    default:
        return STATUS_INVALID_DEVICE_REQUEST;
    }
}

/* An open reaches a class device whose drive is not there only while a
 * handle keeps its object: refused, as the class driver of a real machine
 * does (Wine hands the caller its handle all the same). Opens that
 * succeed are counted until their close, so that an object is deleted
 * only once no handle is open on it. */
static NTSTATUS WINAPI DispatchCreate(PDEVICE_OBJECT device, PIRP irp)
{
    IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
    BaySimNode node = NodeOf(device);
    NTSTATUS status = STATUS_SUCCESS;
    Lock();
    Sweep(device);
    if (node.kind != BAYSIM_NODE_CONTROL) {
        char line[BAYSIM_LOG_LINE];
        status = StatusOf(BaySimOpen(&s_state, node, stack->Parameters.Create.ShareAccess, line, sizeof line));
        Record(line);
    }
    if (NT_SUCCESS(status)) {
        ExtensionOf(device)->opens++;
        if (stack->FileObject)
            stack->FileObject->FsContext = (PVOID)(ULONG_PTR)ExtensionOf(device)->serial;
    }
    Unlock();
    return Complete(irp, status, 0);
}

/* A set-up deletes every class device, handles open or not, and their
 * closes come after: only an open of a device still in the tables, made
 * on that very object (its serial), is counted off. */
static NTSTATUS WINAPI DispatchClose(PDEVICE_OBJECT device, PIRP irp)
{
    IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
    ULONG_PTR serial = stack->FileObject ? (ULONG_PTR)stack->FileObject->FsContext : 0;
    Lock();
    for (ULONG i = 0; i < s_deviceCount; i++) {
        DeviceExtension* extension = ExtensionOf(s_devices[i]);
        if (s_devices[i] == device && extension->serial == serial && extension->opens > 0)
            extension->opens--;
    }
    Unlock();
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS WINAPI DispatchControl(PDEVICE_OBJECT device, PIRP irp)
{
    IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG inSize = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outSize = stack->Parameters.DeviceIoControl.OutputBufferLength;
    unsigned char* buffer = irp->AssociatedIrp.SystemBuffer;
    BaySimNode node = NodeOf(device);
    char line[BAYSIM_LOG_LINE];
    uint32_t returned = 0;
    NTSTATUS status;

    if ((code & 3) != METHOD_BUFFERED)
        return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    Lock();
    if (node.kind == BAYSIM_NODE_CONTROL && code == BAYSIM_IOCTL_READ_LOG) {
        returned = buffer ? ReadLog((char*)buffer, outSize) : 0;
        status = STATUS_SUCCESS;
    } else if (node.kind == BAYSIM_NODE_CONTROL && code == BAYSIM_IOCTL_READ_TIMES) {
        status = STATUS_INVALID_PARAMETER;
        if (buffer && outSize >= sizeof s_times) {
            *(BaySimTimes*)buffer = s_times;
            returned = sizeof s_times;
            status = STATUS_SUCCESS;
        }
    } else if (node.kind == BAYSIM_NODE_CONTROL && code == BAYSIM_IOCTL_CLEAR_LOG) {
        s_logUsed = 0;
        s_logFull = FALSE;
        status = STATUS_SUCCESS;
    } else {
        if (code == BAYSIM_IOCTL_SET_MACHINE) {
            s_logUsed = 0; /* the record starts with the machine */
            s_logFull = FALSE;
        }
        if (node.kind != BAYSIM_NODE_CONTROL) {
            ULONG cdrom, ls120;
            ReadClassDrivers(&cdrom, &ls120);
            BaySimNoticeClassDrivers(&s_state, cdrom, ls120, &s_actions);
            Carry();
        }
        if ((code == BAY_IOCTL_SCSI_RESCAN_BUS && (s_state.machine.answers & BAYSIM_SLOW_RESCAN)) ||
            (code == BAY_IOCTL_QUERY_COUNTS && (s_state.machine.answers & BAYSIM_SLOW_COUNTS))) {
            LARGE_INTEGER halfSecond;
            halfSecond.QuadPart = -5000000; /* relative, in 100 ns */
            KeDelayExecutionThread(KernelMode, FALSE, &halfSecond);
        }
        enum BaySimOutcome outcome = BaySimHandle(&s_state, node, code, buffer, buffer ? inSize : 0, buffer,
                                                  buffer ? outSize : 0, &returned, &s_actions, line, sizeof line);
        Carry();
        Sweep(device);
        if (outcome == BAYSIM_OK && (code == BAYSIM_IOCTL_SET_MACHINE || code == BAYSIM_IOCTL_CHANGE))
            WriteSlowDriverMs(BaySimSlowDriverMs(&s_state.machine));
        if (node.kind != BAYSIM_NODE_CONTROL)
            Record(line);
        status = StatusOf(outcome);
        if (!NT_SUCCESS(status))
            returned = 0;
    }
    Unlock();
    return Complete(irp, status, returned);
}

/* ---- load and unload ----------------------------------------------- */

static void WINAPI UnloadStub(PDRIVER_OBJECT driver)
{
    (void)driver;
    TakeSlowDriverTime();
    SetRunning(0);
}

static void WINAPI UnloadMachine(PDRIVER_OBJECT driver)
{
    (void)driver;
    Lock();
    DeleteAll();
    for (ULONG i = 0; i < (ULONG)(sizeof s_fixed / sizeof s_fixed[0]); i++) {
        if (s_fixed[i])
            IoDeleteDevice(s_fixed[i]);
        s_fixed[i] = NULL;
    }
    DeleteLinkNamed("swapctl0");
    DeleteLinkNamed(BAYSIM_CONTROL_NAME);
    for (ULONG port = 0; port < BAY_SCSI_PORTS; port++) {
        char name[8] = {'S', 'c', 's', 'i', (char)('0' + port), ':', 0};
        DeleteLinkNamed(name);
    }
    if (s_eventHandle)
        ZwClose(s_eventHandle);
    s_eventHandle = NULL;
    s_event = NULL;
    Unlock();
}

/* The service name: the last part of the registry path. */
static void TakeServiceName(PUNICODE_STRING registryPath)
{
    USHORT n = registryPath->Length / sizeof(WCHAR), start = n, i = 0;
    while (start > 0 && registryPath->Buffer[start - 1] != L'\\')
        start--;
    for (; start + i < n && i + 1 < (USHORT)(sizeof s_serviceName / sizeof s_serviceName[0]); i++)
        s_serviceName[i] = registryPath->Buffer[start + i];
    s_serviceName[i] = 0;
}

static BOOLEAN IsMachineName(void)
{
    static const char kName[] = BAY_DRIVER_SERVICE;
    ULONG i = 0;
    for (; kName[i]; i++) {
        WCHAR c = s_serviceName[i];
        if (c >= L'A' && c <= L'Z')
            c = (WCHAR)(c - L'A' + L'a');
        if (c != (WCHAR)kName[i])
            return FALSE;
    }
    return s_serviceName[i] == 0;
}

static NTSTATUS MakeFixedDevice(ULONG slot, BaySimNode node, const char* linkName)
{
    UNICODE_STRING link, target;
    char deviceName[BAYSIM_DEVICE_NAME];
    s_fixed[slot] = MakeDevice(node, FILE_DEVICE_UNKNOWN);
    if (!s_fixed[slot])
        return STATUS_UNSUCCESSFUL;
    BaySimDeviceName(node, deviceName, sizeof deviceName);
    WideTarget(&target, deviceName, FALSE);
    WideName(&link, L"\\DosDevices\\", linkName);
    return IoCreateSymbolicLink(&link, &target);
}

static NTSTATUS StartMachine(PUNICODE_STRING registryPath)
{
    BaySimNode node = {BAYSIM_NODE_BAY, 0, 0};
    NTSTATUS status = MakeFixedDevice(0, node, "swapctl0");
    node.kind = BAYSIM_NODE_CONTROL;
    if (NT_SUCCESS(status))
        status = MakeFixedDevice(1, node, BAYSIM_CONTROL_NAME);
    for (ULONG port = 0; port < BAY_SCSI_PORTS && NT_SUCCESS(status); port++) {
        char name[8] = {'S', 'c', 's', 'i', (char)('0' + port), ':', 0};
        node.kind = BAYSIM_NODE_PORT;
        node.index = port;
        status = MakeFixedDevice(2 + port, node, name);
    }
    if (NT_SUCCESS(status) && !OwnValue(registryPath, L"" BAYSIM_NO_EVENT)) {
        /* Every Wine process is in session 1: the name must live there. */
        UNICODE_STRING name;
        RtlInitUnicodeString(&name, L"\\Sessions\\1\\BaseNamedObjects\\" BAY_DEVICE_CHANGE_EVENT);
        s_event = IoCreateSynchronizationEvent(&name, &s_eventHandle);
        if (s_event)
            KeClearEvent(s_event); /* Wine makes it signalled */
        else
            status = STATUS_UNSUCCESSFUL;
    }
    if (!NT_SUCCESS(status))
        UnloadMachine(s_driver);
    return status;
}

NTSTATUS WINAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    s_driver = driver;
    KeInitializeMutex(&s_lock, 0);
    TakeServiceName(registryPath);
    s_isMachine = IsMachineName();
    if (OwnValue(registryPath, L"" BAYSIM_FAIL_START))
        return STATUS_UNSUCCESSFUL;
    if (!s_isMachine) {
        driver->DriverUnload = UnloadStub;
        TakeSlowDriverTime();
        SetRunning(1);
        return STATUS_SUCCESS;
    }
    BaySimReset(&s_state);
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchControl;
    driver->DriverUnload = UnloadMachine;
    Lock();
    DeleteAll(); /* whatever an earlier machine left */
    Unlock();
    return StartMachine(registryPath);
}
