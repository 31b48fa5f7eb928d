// Commands that steer the run and talk to the user.
#include "commands.h"
#include "log.h"

int CmdNotSupported()
{
    WriteLog("", " Not Supported yet.");
    return 0;
}
