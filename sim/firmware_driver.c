/* Simulated firmware-access driver: an NT kernel driver that stands in
 * for the maker's drivers on the test machine (under Wine).
 *
 * Registered as "NVXMgmt12" it serves \\.\NVXMgmt12 with the NT driver's
 * control codes; under any other service name (FW_SIM_VXD_SERVICE) it
 * serves \\.\NVXINT15.VXD with the VxD's. The machine it simulates comes
 * from the registry (firmware_sim.h) at every request, and every request
 * is recorded there. Test equipment, never part of a deliverable. */
#include <ntddk.h>

#include "firmware_model.h"
#include "firmware_sim.h"

enum {
    kRecordSize = 160,
    kRequestsChars = 32768, /* recorded lines beyond this are dropped */
    kValueSize = sizeof(KEY_VALUE_PARTIAL_INFORMATION) + kRequestsChars * sizeof(WCHAR)
};

/* Requests are dispatched on one thread, but unload comes on another:
 * one lock keeps the machine, the buffers and the records whole. */
static KMUTEX s_lock;
static struct FwSimMachine s_machine;
static enum FwSimRole s_role;
static PDEVICE_OBJECT s_device;
static UNICODE_STRING s_link;
static BOOLEAN s_linked;
static ULONG s_value[kValueSize / sizeof(ULONG) + 1];
static WCHAR s_requests[kRequestsChars];

static NTSTATUS OpenConfigKey(BOOLEAN create, HANDLE* key)
{
    UNICODE_STRING name;
    OBJECT_ATTRIBUTES attributes;
    RtlInitUnicodeString(&name, FW_SIM_KEY_NT);
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    if (create)
        return ZwCreateKey(key, KEY_ALL_ACCESS, &attributes, 0, NULL, REG_OPTION_NON_VOLATILE, NULL);
    return ZwOpenKey(key, KEY_READ, &attributes);
}

/* The value's data in s_value, or null when it is missing. */
static KEY_VALUE_PARTIAL_INFORMATION* QueryValue(HANDLE key, const WCHAR* valueName)
{
    UNICODE_STRING name;
    ULONG length = 0;
    RtlInitUnicodeString(&name, valueName);
    if (!NT_SUCCESS(ZwQueryValueKey(key, &name, KeyValuePartialInformation, s_value, sizeof s_value, &length)))
        return NULL;
    return (KEY_VALUE_PARTIAL_INFORMATION*)s_value;
}

static ULONG QueryDword(HANDLE key, const WCHAR* valueName)
{
    KEY_VALUE_PARTIAL_INFORMATION* v = QueryValue(key, valueName);
    return v && v->Type == REG_DWORD && v->DataLength == 4 ? *(const ULONG*)v->Data : 0;
}

/* Copies a binary value into dst, at most size bytes. */
static void QueryBytes(HANDLE key, const WCHAR* valueName, unsigned char* dst, ULONG size)
{
    KEY_VALUE_PARTIAL_INFORMATION* v = QueryValue(key, valueName);
    if (!v || v->Type != REG_BINARY)
        return;
    for (ULONG i = 0; i < v->DataLength && i < size; i++)
        dst[i] = v->Data[i];
}

static void LoadMachine(void)
{
    HANDLE key;
    FwSimMachineReset(&s_machine);
    if (!NT_SUCCESS(OpenConfigKey(FALSE, &key)))
        return;
    QueryBytes(key, L"" FW_SIM_ROM_BYTES, s_machine.rom + FW_ROM_SIGNATURE_OFFSET, FW_SIM_ROM_BYTES_MAX);
    QueryBytes(key, L"" FW_SIM_CMOS, s_machine.cmos, FW_CMOS_SIZE);
    QueryBytes(key, L"" FW_SIM_FIRMWARE_TEXT, s_machine.text, FW_STRING_DATA_NT);
    s_machine.systemId = (uint16_t)QueryDword(key, L"" FW_SIM_SYSTEM_ID);
    s_machine.firmwareStatus = QueryDword(key, L"" FW_SIM_FIRMWARE_STATUS);
    s_machine.fail = QueryDword(key, L"" FW_SIM_FAIL);
    ZwClose(key);
}

static void StoreCmos(void)
{
    HANDLE key;
    UNICODE_STRING name;
    if (!NT_SUCCESS(OpenConfigKey(TRUE, &key)))
        return;
    RtlInitUnicodeString(&name, L"" FW_SIM_CMOS);
    ZwSetValueKey(key, &name, 0, REG_BINARY, s_machine.cmos, FW_CMOS_SIZE);
    ZwClose(key);
}

/* Appends one line to the multi-string of records. */
static void Record(const char* line)
{
    HANDLE key;
    UNICODE_STRING name;
    if (!NT_SUCCESS(OpenConfigKey(TRUE, &key)))
        return;
    ULONG used = 0; /* characters before the list's final NUL */
    KEY_VALUE_PARTIAL_INFORMATION* v = QueryValue(key, L"" FW_SIM_REQUESTS);
    if (v && v->Type == REG_MULTI_SZ) {
        const WCHAR* old = (const WCHAR*)v->Data;
        ULONG n = v->DataLength / sizeof(WCHAR);
        for (ULONG i = 0; i < n && i < kRequestsChars; i++)
            s_requests[i] = old[i];
        used = n < kRequestsChars ? n : kRequestsChars;
        /* Drop the list's trailing NULs but keep each line's own. */
        while (used > 0 && s_requests[used - 1] == 0)
            used--;
        if (used > 0)
            used++;
    }
    ULONG length = 0;
    while (line[length])
        length++;
    if (used + length + 2 <= kRequestsChars) {
        for (ULONG i = 0; i < length; i++)
            s_requests[used + i] = (WCHAR)(unsigned char)line[i];
        s_requests[used + length] = 0;
        s_requests[used + length + 1] = 0;
        RtlInitUnicodeString(&name, L"" FW_SIM_REQUESTS);
        ZwSetValueKey(key, &name, 0, REG_MULTI_SZ, s_requests, (used + length + 2) * sizeof(WCHAR));
    }
    ZwClose(key);
}

static void Lock(void)
{
    KeWaitForSingleObject(&s_lock, Executive, KernelMode, FALSE, NULL);
}

static void Unlock(void)
{
    KeReleaseMutex(&s_lock, FALSE);
}

static void RecordEvent(const char* text)
{
    char line[kRecordSize];
    FwSimRecordText(line, sizeof line, s_role, text);
    Lock();
    Record(line);
    Unlock();
}

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS WINAPI DispatchCreate(PDEVICE_OBJECT device, PIRP irp)
{
    (void)device;
    /* Under Wine the opener does not wait for this request: an open cannot
     * be refused from here (FW_SIM_NO_LINK makes the device unreachable). */
    RecordEvent("open: ok");
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS WINAPI DispatchClose(PDEVICE_OBJECT device, PIRP irp)
{
    (void)device;
    RecordEvent("close: ok");
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS WINAPI DispatchControl(PDEVICE_OBJECT device, PIRP irp)
{
    (void)device;
    IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG inSize = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outSize = stack->Parameters.DeviceIoControl.OutputBufferLength;
    unsigned char* in = irp->AssociatedIrp.SystemBuffer;
    unsigned char* out = NULL;
    switch (code & 3) {
    case METHOD_BUFFERED:
        out = in;
        break;
    case METHOD_IN_DIRECT:
    case METHOD_OUT_DIRECT:
        if (irp->MdlAddress)
            out = MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority);
        break;
    default:
        in = stack->Parameters.DeviceIoControl.Type3InputBuffer;
        out = irp->UserBuffer;
        break;
    }

    char line[kRecordSize];
    size_t returned = 0;
    Lock();
    LoadMachine();
    enum FwSimOutcome outcome = FwSimHandle(&s_machine, s_role, code, in, in ? inSize : 0, out, out ? outSize : 0,
                                            &returned, line, sizeof line);
    if (s_machine.cmosChanged)
        StoreCmos();
    Record(line);
    Unlock();

    switch (outcome) {
    case FW_SIM_OK:
        return Complete(irp, STATUS_SUCCESS, returned);
    case FW_SIM_FAILED:
        return Complete(irp, STATUS_IO_DEVICE_ERROR, 0);
    case FW_SIM_BAD_REQUEST:
        return Complete(irp, STATUS_INVALID_PARAMETER, 0);
    case FW_SIM_NOT_SIMULATED:
        return Complete(irp, STATUS_NOT_SUPPORTED, 0);
    default:
        return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
}

static void WINAPI DriverUnload(PDRIVER_OBJECT driver)
{
    HANDLE key;
    (void)driver;
    /* A stop that takes seconds, as on a busy machine: the service stays
     * stop-pending meanwhile. */
    if (NT_SUCCESS(OpenConfigKey(FALSE, &key))) {
        ULONG delayMs = QueryDword(key, L"" FW_SIM_UNLOAD_DELAY);
        ZwClose(key);
        if (delayMs > 0) {
            LARGE_INTEGER interval;
            interval.QuadPart = -(LONGLONG)delayMs * 10000;
            KeDelayExecutionThread(KernelMode, FALSE, &interval);
        }
    }
    if (s_linked)
        IoDeleteSymbolicLink(&s_link);
    if (s_device)
        IoDeleteDevice(s_device);
    RecordEvent("unload: ok");
}

static NTSTATUS FinishEntry(PDRIVER_OBJECT driver)
{
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchControl;
    driver->DriverUnload = DriverUnload;
    return STATUS_SUCCESS;
}

/* True when the registry path ends in \<NT driver's service name>. */
static BOOLEAN IsNtServicePath(const UNICODE_STRING* path)
{
    static const char kName[] = FW_NT_SERVICE_NAME;
    USHORT n = path->Length / sizeof(WCHAR);
    USHORT nameLength = sizeof kName - 1;
    if (n < nameLength + 1 || path->Buffer[n - nameLength - 1] != L'\\')
        return FALSE;
    for (USHORT i = 0; i < nameLength; i++) {
        WCHAR a = path->Buffer[n - nameLength + i];
        char b = kName[i];
        if (a >= L'a' && a <= L'z')
            a = (WCHAR)(a - L'a' + L'A');
        if (b >= 'a' && b <= 'z')
            b = (char)(b - 'a' + 'A');
        if (a != (WCHAR)b)
            return FALSE;
    }
    return TRUE;
}

NTSTATUS WINAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    UNICODE_STRING deviceName;
    KeInitializeMutex(&s_lock, 0);
    s_role = IsNtServicePath(registryPath) ? FW_SIM_ROLE_NT : FW_SIM_ROLE_VXD;
    LoadMachine();
    if (s_machine.fail & FW_SIM_FAIL_LOAD) {
        RecordEvent("load: failed as configured");
        return STATUS_UNSUCCESSFUL;
    }
    if (s_role == FW_SIM_ROLE_NT) {
        RtlInitUnicodeString(&deviceName, L"\\Device\\" FW_NT_SERVICE_NAME);
        RtlInitUnicodeString(&s_link, L"\\DosDevices\\" FW_NT_SERVICE_NAME);
    } else {
        RtlInitUnicodeString(&deviceName, L"\\Device\\FirmwareSimVxd");
        RtlInitUnicodeString(&s_link, L"\\DosDevices\\" FW_VXD_DEVICE_NAME);
    }
    NTSTATUS status = IoCreateDevice(driver, 0, &deviceName, FILE_DEVICE_UNKNOWN, 0, FALSE, &s_device);
    if (!NT_SUCCESS(status)) {
        s_device = NULL;
        RecordEvent("load: no device");
        return status;
    }
    if (s_machine.fail & FW_SIM_NO_LINK) {
        RecordEvent("load: ok, no link as configured");
        return FinishEntry(driver);
    }
    status = IoCreateSymbolicLink(&s_link, &deviceName);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(s_device);
        s_device = NULL;
        RecordEvent("load: no link");
        return status;
    }
    s_linked = TRUE;
    RecordEvent("load: ok");
    return FinishEntry(driver);
}
