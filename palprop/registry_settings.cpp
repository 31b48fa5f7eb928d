#include "registry_settings.h"

#include "page_text.h"

bool KeyOpens(const char* keyPath)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool QueryFourBytes(HKEY key, const char* valueName, DWORD* value)
{
    *value = 0;
    DWORD size = sizeof *value;
    return RegQueryValueExA(key, valueName, nullptr, nullptr, (BYTE*)value, &size) == ERROR_SUCCESS;
}

int ReadSetting(const char* keyPath, const char* valueName)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    DWORD value;
    bool read = QueryFourBytes(key, valueName, &value);
    RegCloseKey(key);
    return FlagIsOn(read, value) ? 1 : 0;
}

LONG WriteSetting(const char* keyPath, const char* valueName, int on)
{
    HKEY key;
    LONG error = RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_SET_VALUE, &key);
    if (error != ERROR_SUCCESS)
        return error;
    DWORD value = on ? 1 : 0;
    error = RegSetValueExA(key, valueName, 0, REG_DWORD, (const BYTE*)&value, sizeof value);
    RegCloseKey(key);
    return error;
}

void TellNotStored(HWND page, const char* valueName, LONG error)
{
    char reason[256] = "";
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, (DWORD)error, 0, reason,
                        sizeof reason, nullptr))
        reason[0] = '\0';
    char text[NOT_STORED_TEXT_SIZE];
    NotStoredText(text, sizeof text, valueName, (DWORD)error, reason);
    MessageBoxA(page, text, kNotStoredCaption, MB_ICONERROR | MB_OK);
}
