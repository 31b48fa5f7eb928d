// Machine-identity branches: CMD09 looks for the maker's name in the
// system ROM, CMD25 looks the system ID up in a list kept in the script.
// Both read the firmware through DriverOps, both can be forced by the
// debug override in [DATA], and both end in the branch step.
#include <stdlib.h>

#include "commands.h"
#include "driver_ops.h"
#include "log.h"
#include "profile.h"
#include "run_state.h"
#include "script_file.h"
#include "system_id_list.h"
#include "text.h"
#include "variables.h"

enum { kSignatureBufferSize = 20 };

// [DATA] IsVorlix and Debug both non-zero; Debug is read only when
// IsVorlix is set.
static bool DebugOverride(const char* script)
{
    return ReadScriptInt(script, "DATA", "IsVorlix", 0) != 0 && ReadScriptInt(script, "DATA", "Debug", 0) != 0;
}

// Reads the branch target of field `index` into the command section.
static void ReadBranchTarget(RunState& run, int index)
{
    ReadCommandField(run.scriptPath, run.commandNumber, index, "", run.commandSection, sizeof run.commandSection);
}

int CMD09_BranchOnIsVorlix(const CommandContext& command)
{
    RunState& run = command.run;
    char signature[kSignatureBufferSize] = {0};
    if (DriverOps.OpenDriver() != 0) {
        WriteLog(" GetVorlixString() - OpenVDD() returned FALSE", "GetVorlixString() - error Loading the CMOS driver");
    } else {
        DriverOps.ReadRomSignature(signature);
        DriverOps.CloseDriver();
    }
    int index;
    if (IsVorlixSignature(signature)) {
        WriteLog("", " This is a Vorlix.");
        index = 0;
    } else {
        WriteLog("", " This is not a Vorlix.");
        index = 1;
    }
    if (DebugOverride(run.scriptPath)) {
        WriteLog("**** DEBUG OVERRIDE *****", "");
        index = 0;
    }
    // The target is used as written: no variable expansion here.
    ReadBranchTarget(run, index);
    SetNextSection(run, run.commandSection);
    return 0;
}

// Whether the ID is named by a line of the command section.
static bool SystemIdInList(const RunState& run, unsigned id)
{
    // The walk stops at the first line that names the ID.
    SectionWalk walk = WalkCommandSection(run, "Missing the Data section",
                                          [id](char* line) { return !IdListLineMatches(line, id); });
    return walk == kSectionStopped;
}

int CMD25_BranchOnSystemID(const CommandContext& command)
{
    RunState& run = command.run;
    // The script may name the ID for machines without the driver.
    int candidate = ReadScriptInt(run.scriptPath, "DATA", "SYSID", 0);
    if (DriverOps.OpenDriver() != 0) {
        WriteLog(" CMD25_GetSystemID() - OpenVDD() returned FALSE", "CMD25_GetSystemID() - error Loading the CMOS driver");
    } else {
        candidate = DriverOps.ReadSystemID();
        DriverOps.CloseDriver();
    }
    unsigned id = (unsigned)candidate & 0xFFFF;
    int index;
    if (id == 0) {
        WriteLogf("This is not a supported Vorlix", " The ID read is 0X%.4X.", id);
        index = 2;
    } else if (SystemIdInList(run, id)) {
        WriteLogf("", " This is a Vorlix with ID  0X%.4X", id);
        index = 1;
    } else {
        WriteLogf("This is not a supported Vorlix", " The ID 0X%.4X was not found in list.", id);
        index = 2;
    }
    if (DebugOverride(run.scriptPath)) {
        WriteLog("**** DEBUG OVERRIDE *****", "");
        index = 1;
    }
    ReadBranchTarget(run, index);
    GetVariable(run, run.commandSection, sizeof run.commandSection);
    SetNextSection(run, run.commandSection);
    return 0;
}
