// Registry values in every shape a damaged or hand-edited registry can
// give, and what each reader makes of them. The bay manager reads its
// parameters into four bytes preset to 0 whatever the type: any value
// that fits and reads nonzero is on. The applet reads its settings the
// same way but takes only the number 1 as on. A value longer than four
// bytes cannot be read by either and is off. One table for both.
#pragma once

#include <windows.h>

#include <vector>

namespace testkit {

struct ValueShape {
    const char* shape;
    DWORD type; // REG_NONE: the value is missing
    std::vector<BYTE> bytes;
    bool serviceOn;
    bool appletOn;
};

inline const std::vector<ValueShape>& ValueShapes()
{
    static const std::vector<ValueShape> shapes = {
        {"missing", REG_NONE, {}, false, false},
        {"REG_SZ \"0\"", REG_SZ, {'0', 0}, true, false}, // the character's code, not its number
        {"REG_SZ \"1\"", REG_SZ, {'1', 0}, true, false},
        {"REG_SZ \"\"", REG_SZ, {0}, false, false},
        {"REG_BINARY 01", REG_BINARY, {1}, true, true},
        {"REG_BINARY 01 00", REG_BINARY, {1, 0}, true, true},
        {"REG_BINARY 01 00 00", REG_BINARY, {1, 0, 0}, true, true},
        {"REG_BINARY 01 00 00 00", REG_BINARY, {1, 0, 0, 0}, true, true},
        {"REG_BINARY of 5 bytes", REG_BINARY, {1, 0, 0, 0, 0}, false, false},
        {"REG_BINARY of 8 bytes", REG_BINARY, {1, 0, 0, 0, 0, 0, 0, 0}, false, false},
        {"REG_BINARY 02", REG_BINARY, {2}, true, false},
        {"REG_BINARY 00 00 00 00", REG_BINARY, {0, 0, 0, 0}, false, false},
        {"REG_DWORD 0", REG_DWORD, {0, 0, 0, 0}, false, false},
        {"REG_DWORD 1", REG_DWORD, {1, 0, 0, 0}, true, true},
        {"REG_DWORD 2", REG_DWORD, {2, 0, 0, 0}, true, false},
        {"REG_DWORD 0xFFFFFFFF", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}, true, false},
    };
    return shapes;
}

// Stores the shape as the named value of an open key (deletes it when the
// shape is "missing").
inline LONG StoreShape(HKEY key, const char* name, const ValueShape& shape)
{
    if (shape.type == REG_NONE) {
        LONG deleted = RegDeleteValueA(key, name);
        return deleted == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : deleted;
    }
    return RegSetValueExA(key, name, 0, shape.type, shape.bytes.data(), (DWORD)shape.bytes.size());
}

} // namespace testkit
