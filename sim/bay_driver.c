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

enum {
    kLogBytes = 64 * 1024,
    kMaxDevices = 96,
    kMaxDirectories = BAYSIM_CLASS_DEVICES,
    kLongTarget = 2100, /* characters: past what a 2048-byte name query holds */
    kNameChars = 128
};

typedef struct DeviceExtension {
    BaySimNode node;
} DeviceExtension;

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
static HANDLE s_directories[kMaxDirectories]; /* \Device\Harddisk%d */
static char s_links[BAYSIM_MADE_LINKS][BAYSIM_LINK_NAME];
static PKEVENT s_event;
static HANDLE s_eventHandle;
static WCHAR s_name[kNameChars];
static WCHAR s_target[kLongTarget + 64];

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

static PDEVICE_OBJECT MakeDevice(BaySimNode node, DEVICE_TYPE type)
{
    char name[BAYSIM_DEVICE_NAME];
    UNICODE_STRING unicodeName;
    PDEVICE_OBJECT device = NULL;
    BaySimDeviceName(node, name, sizeof name);
    WideName(&unicodeName, L"", name);
    if (!NT_SUCCESS(IoCreateDevice(s_driver, sizeof(DeviceExtension), &unicodeName, type, 0, FALSE, &device)))
        return NULL;
    ((DeviceExtension*)device->DeviceExtension)->node = node;
    device->Flags |= DO_BUFFERED_IO;
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    return device;
}

/* \Device\Harddisk%d must exist before its partitions. */
static void MakeDiskDirectory(ULONG disk)
{
    char text[BAYSIM_DEVICE_NAME];
    BaySimNode node = {BAYSIM_NODE_DISK, (uint8_t)disk, 0};
    UNICODE_STRING name;
    OBJECT_ATTRIBUTES attributes;
    if (disk >= kMaxDirectories || s_directories[disk])
        return;
    BaySimDeviceName(node, text, sizeof text); /* \Device\HarddiskN\Partition0 */
    for (ULONG i = 0; text[i]; i++) {
        if (i > 8 && text[i] == '\\') {
            text[i] = 0;
            break;
        }
    }
    WideName(&name, L"", text);
    InitializeObjectAttributes(&attributes, &name, OBJ_OPENIF | OBJ_PERMANENT | OBJ_KERNEL_HANDLE, NULL, NULL);
    if (!NT_SUCCESS(ZwCreateDirectoryObject(&s_directories[disk], DIRECTORY_ALL_ACCESS, &attributes)))
        s_directories[disk] = NULL;
}

static void MakeClassDevice(BaySimNode node)
{
    DEVICE_TYPE type = node.kind == BAYSIM_NODE_CDROM ? FILE_DEVICE_CD_ROM : FILE_DEVICE_DISK;
    for (ULONG i = 0; i < s_deviceCount; i++) {
        BaySimNode n = ((DeviceExtension*)s_devices[i]->DeviceExtension)->node;
        if (n.kind == node.kind && n.index == node.index && n.partition == node.partition)
            return; /* a number given back: the object is taken over */
    }
    if (s_deviceCount >= kMaxDevices)
        return;
    if (node.kind == BAYSIM_NODE_DISK)
        MakeDiskDirectory(node.index);
    PDEVICE_OBJECT device = MakeDevice(node, type);
    if (device) {
        s_devices[s_deviceCount++] = device;
    } else {
        /* Said in the record, so that a test sees a machine that is not whole. */
        char line[BAYSIM_LOG_LINE] = "BaySim cannot make ";
        ULONG n = 0;
        while (line[n])
            n++;
        BaySimDeviceName(node, line + n, sizeof line - n);
        Record(line);
    }
}

static void DeleteLinkNamed(const char* dosName)
{
    UNICODE_STRING link;
    WideName(&link, L"\\DosDevices\\", dosName);
    IoDeleteSymbolicLink(&link);
}

static void MakeLink(const BaySimAction* a)
{
    UNICODE_STRING link, target;
    WideName(&link, L"\\DosDevices\\", a->name);
    WideTarget(&target, a->target, a->longTarget);
    if (!NT_SUCCESS(IoCreateSymbolicLink(&link, &target)))
        return;
    for (ULONG i = 0; i < BAYSIM_MADE_LINKS; i++) {
        if (!s_links[i][0]) {
            for (ULONG c = 0; c < BAYSIM_LINK_NAME; c++)
                s_links[i][c] = a->name[c];
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
    DeleteLinkNamed(dosName);
    for (ULONG i = 0; i < BAYSIM_MADE_LINKS; i++) {
        if (s_links[i][0] && SameName(s_links[i], dosName))
            s_links[i][0] = 0;
    }
}

/* Every class device, directory and link the machine made. Drive
 * letters and disk names are the machine's alone in its prefix, so any
 * left by an earlier run go too. */
static void DeleteAll(void)
{
    char name[24];
    for (ULONG i = 0; i < s_deviceCount; i++)
        IoDeleteDevice(s_devices[i]);
    s_deviceCount = 0;
    for (ULONG i = 0; i < kMaxDirectories; i++) {
        if (s_directories[i]) {
            ZwMakeTemporaryObject(s_directories[i]);
            ZwClose(s_directories[i]);
            s_directories[i] = NULL;
        }
    }
    for (ULONG i = 0; i < BAYSIM_MADE_LINKS; i++) {
        if (s_links[i][0])
            DeleteLinkNamed(s_links[i]);
        s_links[i][0] = 0;
    }
    name[1] = ':';
    name[2] = 0;
    for (char letter = 'A'; letter <= 'Z'; letter++) {
        name[0] = letter;
        DeleteLinkNamed(name);
    }
    for (ULONG i = 0; i < BAYSIM_CLASS_DEVICES; i++) {
        static const char kPrefix[] = "PhysicalDrive";
        ULONG n = 0;
        for (; kPrefix[n]; n++)
            name[n] = kPrefix[n];
        if (i >= 10)
            name[n++] = (char)('0' + i / 10);
        name[n++] = (char)('0' + i % 10);
        name[n] = 0;
        DeleteLinkNamed(name);
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
        case BAYSIM_DELETE_DEVICE:
            /* The object stays (a handle may still be open on it, and a
             * device deleted under an open handle is not safe here); the
             * model refuses every request to it until its number is
             * given to a new drive, which then takes the object over. */
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
    return ((DeviceExtension*)device->DeviceExtension)->node;
}

static NTSTATUS WINAPI DispatchCreate(PDEVICE_OBJECT device, PIRP irp)
{
    IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
    BaySimNode node = NodeOf(device);
    if (node.kind != BAYSIM_NODE_CONTROL) {
        char line[BAYSIM_LOG_LINE];
        BaySimDescribeOpen(node, stack->Parameters.Create.ShareAccess, line, sizeof line);
        Lock();
        Record(line);
        Unlock();
    }
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS WINAPI DispatchClose(PDEVICE_OBJECT device, PIRP irp)
{
    (void)device;
    return Complete(irp, STATUS_SUCCESS, 0);
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
        node.index = (uint8_t)port;
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
