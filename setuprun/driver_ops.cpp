#include "driver_ops.h"

#include "os_version.h"

DriverOpsTable DriverOps;

DriverVariant DriverVariantFor(bool isWinNT4, bool isWin2000)
{
    // Only NT 4.0 and 5.0 exactly get the kernel driver; NT 5.1 and later
    // fall to the VxD variant like every other system.
    return (isWinNT4 || isWin2000) ? kDriverVariantNT : kDriverVariantVxD;
}

void ChooseDriverOps()
{
    DriverOps = DriverVariantFor(IsWinNT4(), IsWin2000()) == kDriverVariantNT ? kDriverOpsNT : kDriverOpsVxD;
}
