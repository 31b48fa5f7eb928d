// Identifying drives: their SCSI address, and their vendor, product and
// device type from the inquiry data of their port.
#pragma once

#include <windows.h>

#include <stddef.h>

#include "device_table.h"

// Opens of a drive, as the device procedures use them.
HANDLE OpenDriveForQuery(const char* path); // access 0, share read, OPEN_ALWAYS
HANDLE OpenDriveForRead(const char* path);  // read, share read and write, OPEN_EXISTING

// "\\.\<name>" of an MS-DOS name, or of a drive letter's first two characters.
// DRIVE_PATH_SIZE holds either, and a SCSI port's "\\.\scsi<n>:".
enum { DRIVE_PATH_SIZE = 64 };
static_assert(DRIVE_PATH_SIZE >= 4 + DEVICE_NAME_SIZE, "room for the prefix and a recorded MS-DOS name");
void DrivePath(char* path, size_t size, const char* dosName);
void LetterPath(char* path, size_t size, const char* letter);

// Asks an open drive for its SCSI address; false for a drive not open, a
// refusal or an answer too short to hold the address.
bool QueryScsiAddress(HANDLE drive, ScsiAddress* address);

// The same for a drive opened for this one question: it is closed
// whatever the answer.
bool QueryScsiAddressAndClose(HANDLE drive, ScsiAddress* address);

// Fills the record of the device's port and target from its port's
// inquiry data, the device opened under an MS-DOS name the caller knows
// leads to it (a letter it has just made, or the first name a pass over
// the name list found: the name FindDosName would give, without a second
// pass over a list of several KB). False when the device has no address
// or no inquiry data; true also when no entry matched.
bool IdentifyDevice(DeviceTable* table, const char* ntName, const char* dosName);

// The identification sequence: the drive (opened as given, and closed
// here) is asked for its address, then identified under its NT name and
// the MS-DOS name it was opened by. Writes the message to show into
// `message` ("Installing <description>", or for a target other than 0
// and 1 "Installing UNKOWN DEVICE"); false when the device is to be
// skipped.
bool IdentifyDriveAndClose(DeviceTable* table, HANDLE drive, const char* ntName, const char* dosName, char* message,
                           size_t size);
