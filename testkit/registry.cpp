#include "registry.h"

#include <shlwapi.h>
#include <string.h>

#include <gtest/gtest.h>

namespace testkit {

StoredValue ReadStoredValue(HKEY root, const std::string& key, const char* name)
{
    StoredValue value;
    HKEY h;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
        return value;
    value.keyExists = true;
    DWORD size = 0;
    if (RegQueryValueExA(h, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.bytes.resize(size);
        if (RegQueryValueExA(h, name, nullptr, &value.type, value.bytes.data(), &size) == ERROR_SUCCESS) {
            value.bytes.resize(size);
            value.exists = true;
        }
    }
    if (!value.exists) {
        value.type = REG_NONE;
        value.bytes.clear();
    }
    RegCloseKey(h);
    return value;
}

bool KeyExists(HKEY root, const std::string& key)
{
    HKEY h;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

bool MakeKey(HKEY root, const std::string& key)
{
    HKEY h;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot make the key " << key;
        return false;
    }
    RegCloseKey(h);
    return true;
}

bool StoreValue(HKEY root, const std::string& key, const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY h;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot make the key " << key;
        return false;
    }
    bool stored = RegSetValueExA(h, name, 0, type, (const BYTE*)data, size) == ERROR_SUCCESS;
    RegCloseKey(h);
    if (!stored)
        ADD_FAILURE() << "cannot store " << key << "\\" << name;
    return stored;
}

bool StoreDword(HKEY root, const std::string& key, const char* name, DWORD value)
{
    return StoreValue(root, key, name, REG_DWORD, &value, sizeof value);
}

void DeleteKeyTree(HKEY root, const std::string& key)
{
    SHDeleteKeyA(root, key.c_str());
}

bool CopyKeyTree(HKEY root, const std::string& from, const std::string& to)
{
    HKEY target;
    if (RegCreateKeyExA(root, to.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target, nullptr) != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot make the key " << to;
        return false;
    }
    bool copied = SHCopyKeyA(root, from.c_str(), target, 0) == ERROR_SUCCESS;
    RegCloseKey(target);
    if (!copied)
        ADD_FAILURE() << "cannot copy " << from << " to " << to;
    return copied;
}

void SetWineVersion(const char* programName, const char* version)
{
    StoreValue(HKEY_CURRENT_USER, std::string("Software\\Wine\\AppDefaults\\") + programName, "Version", REG_SZ,
               version, (DWORD)strlen(version) + 1);
}

} // namespace testkit
