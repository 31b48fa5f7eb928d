// NT variant of the firmware operations (Windows NT 4.0 and 2000). The
// operations that reach the driver are not built yet: each reports the
// failure result of its slot, so callers take the paths they take when
// the driver is missing.
#include "driver_ops.h"

static int LoadNVXMgmt()
{
    return 1;
}

static int DelNVXMGMT()
{
    return 0;
}

static int OpenNVXMGMT()
{
    return 1;
}

static int CloseNVXMGMT()
{
    return 0;
}

static int ReadCMOSNT(int, unsigned char* value)
{
    *value = 0;
    return 1;
}

static int WriteCMOSNT(int, unsigned char)
{
    return 1;
}

static int UpdateCMOSChecksumNT()
{
    return 1;
}

static int SetLangCodeInCMOSNT(unsigned char)
{
    return 0;
}

static unsigned char ReadFirmwareStringNT(char*)
{
    return 0;
}

static int ReadRomSignatureNT(char*)
{
    return 0;
}

static unsigned short ReadSystemIDNT()
{
    return 0;
}

const DriverOpsTable kDriverOpsNT = {
    LoadNVXMgmt,        DelNVXMGMT,         OpenNVXMGMT,       CloseNVXMGMT,
    ReadCMOSNT,          WriteCMOSNT,         UpdateCMOSChecksumNT, SetLangCodeInCMOSNT,
    ReadFirmwareStringNT, ReadRomSignatureNT, ReadSystemIDNT,
};
