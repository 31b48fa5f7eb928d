// mbrtowc for the i686 deliverables linked against crtdll.dll. The C99
// printf of mingw-w64 converts the decimal point with it; mingw-w64's own
// version for crtdll.dll asks IsDBCSLeadByteEx, which the documentation of
// the first Win32 releases does not list. This one asks IsDBCSLeadByte
// and MultiByteToWideChar, which Windows 95 and every Windows NT have.
#include <windows.h>

#include <errno.h>
#include <wchar.h>

// Keeps no state between calls: a lead byte whose trail byte is not in the
// same call is reported incomplete, (size_t)-2, and not remembered.
extern "C" size_t mbrtowc(wchar_t* wide, const char* text, size_t length, mbstate_t*)
{
    if (!text)
        return 0;
    if (length == 0)
        return (size_t)-2;
    if (!*text) {
        if (wide)
            *wide = 0;
        return 0;
    }
    int bytes = IsDBCSLeadByte((BYTE)*text) ? 2 : 1;
    if ((size_t)bytes > length)
        return (size_t)-2;
    wchar_t converted = 0;
    if (MultiByteToWideChar(CP_ACP, 0, text, bytes, &converted, 1) != 1) {
        errno = EILSEQ;
        return (size_t)-1;
    }
    if (wide)
        *wide = converted;
    return (size_t)bytes;
}
