// The registry of the test machine, as a test prepares and reads it: values
// read back as stored, values and keys made, trees removed, and the Windows
// version Wine reports to a program. A value or key that cannot be made
// fails the test that asked.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testkit {

// A value as stored: its type and bytes, whatever their size.
struct StoredValue {
    bool keyExists = false; // the key opened for reading
    bool exists = false;    // and the value was there
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};
StoredValue ReadStoredValue(HKEY root, const std::string& key, const char* name);

bool KeyExists(HKEY root, const std::string& key);

// Makes the key and those above it; false (with a test failure) when it cannot.
bool MakeKey(HKEY root, const std::string& key);

// Stores a value, making its key and those above it; false (with a test
// failure) when it cannot.
bool StoreValue(HKEY root, const std::string& key, const char* name, DWORD type, const void* data, DWORD size);
bool StoreDword(HKEY root, const std::string& key, const char* name, DWORD value);

// Removes a key with everything below it; a missing key is no failure.
void DeleteKeyTree(HKEY root, const std::string& key);

// Copies a key with everything below it to another key of the same root,
// making that key; false (with a test failure) when it cannot.
bool CopyKeyTree(HKEY root, const std::string& from, const std::string& to);

// The Windows version Wine reports to programs of that file name
// ("win95", "nt40", "win2k", ...).
void SetWineVersion(const char* programName, const char* version);

} // namespace testkit
