/* The simulated firmware's configuration and records, shared by the
 * simulated driver and the tests that set it up and read it back.
 * Test equipment, never part of a deliverable. Plain C.
 *
 * Everything lives under one registry key. A test writes the machine it
 * wants before the run; the driver reads it at every request (so a
 * change takes effect at once, also while it runs) and appends one line
 * per request it was sent to the multi-string value "Requests". */
#ifndef FIRMWARE_SIM_H
#define FIRMWARE_SIM_H

#define FW_SIM_KEY "SOFTWARE\\FirmwareSim"                      /* under HKEY_LOCAL_MACHINE */
#define FW_SIM_KEY_NT L"\\Registry\\Machine\\SOFTWARE\\FirmwareSim" /* the same, for the driver */

/* Configuration (all optional). */
#define FW_SIM_ROM_BYTES "RomBytes"             /* REG_BINARY: bytes at F000:FFEA (up to 22); default FFh */
#define FW_SIM_SYSTEM_ID "SystemId"             /* REG_DWORD: low 16 bits; default 0 */
#define FW_SIM_CMOS "Cmos"                      /* REG_BINARY: CMOS bytes from index 0 (up to 128); rewritten on writes */
#define FW_SIM_FIRMWARE_TEXT "FirmwareText"     /* REG_BINARY: the E819h data area: length byte, characters */
#define FW_SIM_FIRMWARE_STATUS "FirmwareStatus" /* REG_DWORD: non-zero: every firmware call answers carry + AH */
#define FW_SIM_FAIL "Fail"                      /* REG_DWORD: FW_SIM_FAIL_* bits */
#define FW_SIM_UNLOAD_DELAY "UnloadDelayMs"     /* REG_DWORD: the unload waits this long (a slow stop) */
/* Records, written by the driver. */
#define FW_SIM_REQUESTS "Requests" /* REG_MULTI_SZ, one line per request */

/* The service name under which the test loads the driver as the VxD's
 * stand-in; under any other name than the NT driver's own it serves the
 * VxD's device. */
#define FW_SIM_VXD_SERVICE "FirmwareSimVxd"

/* Requests the simulated device refuses on purpose (with an I/O device
 * error), to show how the layer reports failures. */
enum {
    FW_SIM_FAIL_MEMORY_READ = 0x001,
    FW_SIM_FAIL_SYSTEM_ID = 0x002,
    FW_SIM_FAIL_CMOS_READ = 0x004,
    FW_SIM_FAIL_CMOS_WRITE = 0x008,
    FW_SIM_FAIL_FIRMWARE_CALL = 0x010,
    FW_SIM_SHORT_SYSTEM_ID = 0x020, /* the ID answer holds one byte only */
    FW_SIM_NO_LINK = 0x040,         /* the device gets no \\.\ name: it cannot be opened */
    FW_SIM_FAIL_LOAD = 0x080        /* DriverEntry fails: the service does not start */
};

#endif /* FIRMWARE_SIM_H */
