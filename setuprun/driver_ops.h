// The run's only access to the machine's firmware: a table of eleven
// operations, filled once at start-up with the variant for this Windows
// version (VxD for Windows 95/98 and every unknown system, NT kernel
// driver for Windows NT 4.0 and 2000).
#pragma once

#include <stddef.h>

struct DriverOpsTable {
    int (*LoadDriver)(const char* programPath);           // 0 success, 1 failure; the file beside the program
    int (*DelDriver)();                                   // result ignored
    int (*OpenDriver)();                                  // 0 success
    int (*CloseDriver)();                                 // result ignored
    int (*ReadCMOS)(int index, unsigned char* value);     // 0 success, 1 failure
    int (*WriteCMOS)(int index, unsigned char value);     // result ignored
    int (*UpdateCMOSChecksum)();                          // result ignored
    int (*SetLangCodeInCMOS)(unsigned char code);         // always 0
    // Firmware status byte; out receives at most size - 1 characters.
    unsigned char (*ReadFirmwareString)(char* out, size_t size);
    int (*ReadRomSignature)(char* out);                   // always 0; out zero-filled, >= 7 bytes
    unsigned short (*ReadSystemID)();                     // 0 when unavailable
};

extern DriverOpsTable DriverOps;
extern const DriverOpsTable kDriverOpsVxD;
extern const DriverOpsTable kDriverOpsNT;

enum DriverVariant { kDriverVariantVxD, kDriverVariantNT };

// The variant for an operating system (see os_version.h).
DriverVariant DriverVariantFor(bool isWinNT4, bool isWin2000);
// Fills DriverOps for the running system.
void ChooseDriverOps();
