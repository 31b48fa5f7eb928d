/* The simulated machine behind the firmware-access drivers: system ROM,
 * CMOS RAM, system ID and the firmware's call interface, answering the
 * requests of firmware_requests.h byte by byte. Pure C without system
 * calls, so the kernel driver and native tests share it.
 * Test equipment, never part of a deliverable. */
#ifndef FIRMWARE_MODEL_H
#define FIRMWARE_MODEL_H

#include <stddef.h>
#include <stdint.h>

#include "firmware_requests.h"

enum { FW_SIM_ROM_SIZE = 0x10000, FW_SIM_ROM_BYTES_MAX = FW_SIM_ROM_SIZE - FW_ROM_SIGNATURE_OFFSET };

struct FwSimMachine {
    unsigned char rom[FW_SIM_ROM_SIZE]; /* segment F000 */
    unsigned char cmos[FW_CMOS_SIZE];
    uint16_t systemId;
    unsigned char text[FW_STRING_DATA_NT]; /* E819h data area answer */
    unsigned firmwareStatus;               /* non-zero: every firmware call fails with it */
    unsigned fail;                         /* FW_SIM_FAIL_* */
    int cmosChanged;                       /* set by a CMOS write: the driver stores it */
};

/* Which driver the simulator stands in for. */
enum FwSimRole { FW_SIM_ROLE_NT, FW_SIM_ROLE_VXD };

enum FwSimOutcome {
    FW_SIM_OK,
    FW_SIM_BAD_REQUEST,   /* sizes or bytes not as the layout says */
    FW_SIM_FAILED,        /* refused because the configuration says so */
    FW_SIM_UNKNOWN_CODE,  /* not a control code of this driver */
    FW_SIM_NOT_SIMULATED  /* needs the caller's own memory */
};

/* ROM filled with FFh, everything else zero. */
void FwSimMachineReset(struct FwSimMachine* m);

/* Answers one device request. in and out may be the same buffer (as for
 * buffered requests). *returned receives the answer's byte count; record
 * receives one line describing the request and its outcome. */
enum FwSimOutcome FwSimHandle(struct FwSimMachine* m, enum FwSimRole role, uint32_t code, const unsigned char* in,
                              size_t inSize, unsigned char* out, size_t outSize, size_t* returned, char* record,
                              size_t recordSize);

/* Writes a line for events outside requests ("NT open", ...). */
void FwSimRecordText(char* record, size_t recordSize, enum FwSimRole role, const char* text);

#endif /* FIRMWARE_MODEL_H */
