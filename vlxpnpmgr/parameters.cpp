#include "parameters.h"

// Reads a parameter into 4 bytes preset to 0, whatever its type; false
// when the key cannot be opened. A value that cannot be read counts as 0.
static bool ReadParameter(const char* name, DWORD* value)
{
    HKEY key;
    *value = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PARAMETERS_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = sizeof *value;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS)
        *value = 0; // too long or missing: nothing of it is taken
    RegCloseKey(key);
    return true;
}

DWORD ReadEnableMessages()
{
    DWORD value;
    ReadParameter(ENABLE_MESSAGES_VALUE, &value);
    return value;
}

bool ReadEnableWarmSwapping()
{
    DWORD value;
    if (!ReadParameter(ENABLE_WARM_SWAPPING_VALUE, &value))
        return true;
    return value != 0;
}
