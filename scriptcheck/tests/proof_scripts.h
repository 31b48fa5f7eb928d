// Scripts for proving plans against runs: random but well-formed scripts
// whose every effect stays in one case's corner of the machine (a folder
// and a registry key of its own), the same script for the same seed.
#pragma once

#include <stdint.h>

#include <string>

namespace proof {

struct ProofCorner {
    std::string folder;   // e.g. C:\planproof\c0001, without the last backslash
    std::string keyPath;  // below HKEY_CURRENT_USER, e.g. Software\PlanProof\c0001
    std::string logFile;  // where the script logs
};

// A script of a few lists and commands drawn from: folders made, files
// copied, renamed and deleted (from ~%C001\src.txt), registry values set
// and deleted by CMD03/04/12 and CMD14, variables (CMD26, CMD27) used in
// paths, branches by Windows version (CMD18), a box (CMD17), jumps (CMD19),
// log lines and an exit.
std::string GenerateProofScript(uint64_t seed, const ProofCorner& corner);

} // namespace proof
