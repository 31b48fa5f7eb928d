// The service's version and its two registry parameters, which the Control
// Panel applet edits and the service reads afresh at each use (their names
// and the service's in bay_registry.h).
#pragma once

#include <windows.h>

#include "bay_registry.h"
#include "version.h"

#define SERVICE_VERSION_TEXT VLXPNPMGR_VERSION_TEXT

// The EnableMessages value itself; 0 when the key or the value is missing.
DWORD ReadEnableMessages();

// True when the Parameters key cannot be opened or EnableWarmSwapping is
// nonzero; a missing value reads as false.
bool ReadEnableWarmSwapping();
