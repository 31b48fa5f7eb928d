// The six requests of the bay driver's device. Each opens the device,
// sends one request and closes it; a device that cannot be opened or a
// refused request is a failure, without a message.
#pragma once

#include "bay_requests.h"

// True when the driver answered exactly the 9 bytes of the status.
bool QueryBayStatus(BayStatus* status);

// The counts of disk, floppy and CD-ROM devices, as the driver answers
// them: each is one past the highest number given since boot, which only
// grows as drives come and go. Bytes the driver does not answer read as 0.
// The walks over a class are bounded elsewhere (device_walk.h), never the
// count: a drive that arrives takes the number at the top.
bool QueryDeviceCounts(DeviceCounts* counts);

// Has the driver make or delete the link "\DosDevices\<name>" (the link
// name as given, prefix included). Input too long for the 2048-byte
// request is refused.
bool SendDefineLink(const char* linkName, const char* ntName);
bool SendRemoveLink(const char* linkName);

// Ask the bay driver to have the CD-ROM or floppy class look for its
// first device.
bool RequestCdRomScan();
bool RequestFloppyScan();
