// VxD variant of the firmware operations (Windows 95/98 and every system
// that is not NT 4.0 or 2000). The operations that reach the driver are
// not built yet: each reports the failure result of its slot, so callers
// take the paths they take when the driver is missing.
#include "driver_ops.h"

static int LoadNVXInt15()
{
    return 1;
}

static int DelNVXInt15()
{
    return 0;
}

static int OpenNVXInt15()
{
    return -1;
}

static int CloseNVXInt15()
{
    return 0;
}

static int ReadCMOS95(int, unsigned char* value)
{
    *value = 0;
    return 1;
}

static int WriteCMOS95(int, unsigned char)
{
    return 1;
}

static int UpdateCMOSChecksum95()
{
    return 1;
}

static int SetLangCodeInCMOS95(unsigned char)
{
    return 0;
}

static unsigned char ReadFirmwareString95(char*)
{
    return 0;
}

static int ReadRomSignature95(char*)
{
    return 0;
}

static unsigned short ReadSystemID95()
{
    return 0;
}

const DriverOpsTable kDriverOpsVxD = {
    LoadNVXInt15,        DelNVXInt15,         OpenNVXInt15,       CloseNVXInt15,
    ReadCMOS95,          WriteCMOS95,         UpdateCMOSChecksum95, SetLangCodeInCMOS95,
    ReadFirmwareString95, ReadRomSignature95, ReadSystemID95,
};
