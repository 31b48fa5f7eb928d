// The program registers and unregisters itself as a Windows NT service.
#pragma once

// Creates the service with its dependency on the bay driver and both
// parameters set to 0. Every registry step is tried and reported; false
// when any step failed.
bool InstallService();

// Marks the service for deletion; false when it cannot be opened.
bool RemoveService();
