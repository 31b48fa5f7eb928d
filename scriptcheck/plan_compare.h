// Plans side by side (plan.h): one script on every Windows version, and an
// install script against the script that removes what it did.
#pragma once

#include <string>
#include <vector>

#include "plan.h"

// Every effect once, in run order, with the versions it happens on
// ("all", or a list such as "nt4,2000"), then each version's end.
std::string FormatPlansByVersion(const std::vector<std::string>& versions, const std::vector<Plan>& plans);

// What each install plan leaves that the removal plan of the same version
// never takes away: values, files, folders, and keys the install wrote
// into, with the versions it is left on.
std::string FormatLeftovers(const std::vector<std::string>& versions, const std::vector<Plan>& installs,
                            const std::vector<Plan>& removals);
