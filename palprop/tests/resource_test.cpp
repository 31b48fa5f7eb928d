// palprop.cpl as built: what it exports and imports, and every resource
// read back from the file (strings, icons, dialog templates, version).
#include "applet_bench.h"
#include "page_text.h"

#include <string.h>

#include <string>
#include <vector>

using applet::BuiltFile;

namespace {

class BuiltApplet : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = BuiltFile("bin/palprop.cpl");
        // Mapped as an image, without running its entry point.
        module = LoadLibraryExA(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
        ASSERT_TRUE(module) << path << ": " << GetLastError();
    }
    void TearDown() override
    {
        if (module)
            FreeLibrary(module);
    }
    const BYTE* Base() const { return (const BYTE*)module; }
    const IMAGE_NT_HEADERS* Headers() const
    {
        return (const IMAGE_NT_HEADERS*)(Base() + ((const IMAGE_DOS_HEADER*)Base())->e_lfanew);
    }
    const IMAGE_DATA_DIRECTORY& Directory(int index) const
    {
        return Headers()->OptionalHeader.DataDirectory[index];
    }
    // A resource's bytes in US English, or empty.
    std::vector<BYTE> Resource(LPCSTR type, LPCSTR name) const
    {
        HRSRC found = FindResourceExA(module, type, name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
        HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
        const BYTE* bytes = loaded ? (const BYTE*)LockResource(loaded) : nullptr;
        return bytes ? std::vector<BYTE>(bytes, bytes + SizeofResource(module, found)) : std::vector<BYTE>();
    }

    std::string path;
    HMODULE module = nullptr;
};

std::string Name(LPCSTR name)
{
    return IS_INTRESOURCE(name) ? std::to_string((ULONG_PTR)name) : std::string(name);
}

BOOL CALLBACK AddLanguage(HMODULE, LPCSTR type, LPCSTR name, WORD language, LONG_PTR list)
{
    ((std::vector<std::string>*)list)->push_back(Name(type) + "/" + Name(name) + "/" + std::to_string(language));
    return TRUE;
}

BOOL CALLBACK AddName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR list)
{
    EnumResourceLanguagesA(module, type, name, AddLanguage, list);
    return TRUE;
}

BOOL CALLBACK AddType(HMODULE module, LPSTR type, LONG_PTR list)
{
    EnumResourceNamesA(module, type, AddName, list);
    return TRUE;
}

// A dialog template read back: the dialog and each control in tab order.
struct Control {
    int id;
    std::string className; // "button", "static", or the class name
    std::string text;
    DWORD style;
    int x, y, cx, cy;
};
struct Dialog {
    DWORD style = 0;
    int cx = 0, cy = 0;
    std::string caption, font;
    int pointSize = 0;
    std::vector<Control> controls;
};

class TemplateReader {
public:
    explicit TemplateReader(const std::vector<BYTE>& bytes) : bytes_(bytes) {}
    DWORD Dword() { return Word() | ((DWORD)Word() << 16); }
    WORD Word()
    {
        WORD w = at_ + 2 <= bytes_.size() ? (WORD)(bytes_[at_] | (bytes_[at_ + 1] << 8)) : 0;
        at_ += 2;
        return w;
    }
    std::string Text() // a string of wide characters, kept to ASCII
    {
        std::string text;
        for (WORD c = Word(); c && at_ <= bytes_.size(); c = Word())
            text += (char)c;
        return text;
    }
    std::string TextOrOrdinal()
    {
        if (at_ + 2 <= bytes_.size() && bytes_[at_] == 0xff && bytes_[at_ + 1] == 0xff) {
            Word();
            return "#" + std::to_string(Word());
        }
        return Text();
    }
    void AlignDword() { at_ = (at_ + 3) & ~(size_t)3; }

private:
    const std::vector<BYTE>& bytes_;
    size_t at_ = 0;
};

Dialog ReadDialog(const std::vector<BYTE>& bytes)
{
    Dialog dialog;
    TemplateReader in(bytes);
    dialog.style = in.Dword();
    in.Dword(); // extended style
    int count = in.Word();
    in.Word(); // x
    in.Word(); // y
    dialog.cx = (short)in.Word();
    dialog.cy = (short)in.Word();
    in.TextOrOrdinal(); // menu
    in.TextOrOrdinal(); // class
    dialog.caption = in.Text();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = in.Word();
        dialog.font = in.Text();
    }
    for (int i = 0; i < count; i++) {
        in.AlignDword();
        Control c;
        c.style = in.Dword();
        in.Dword();
        c.x = (short)in.Word();
        c.y = (short)in.Word();
        c.cx = (short)in.Word();
        c.cy = (short)in.Word();
        c.id = (short)in.Word();
        c.className = in.TextOrOrdinal();
        if (c.className == "#128")
            c.className = "button";
        else if (c.className == "#130")
            c.className = "static";
        c.text = in.TextOrOrdinal();
        WORD extra = in.Word();
        for (WORD skipped = 0; skipped < extra; skipped += 2)
            in.Word();
        dialog.controls.push_back(c);
    }
    return dialog;
}

const DWORD kPageStyle = WS_CHILD | WS_DISABLED | WS_CAPTION | DS_SETFONT;
const DWORD kGroupBox = WS_CHILD | WS_VISIBLE | BS_GROUPBOX;
const DWORD kCheckBox = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
const DWORD kLeftText = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
const DWORD kRightText = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_RIGHT;

void ExpectDialog(const Dialog& dialog, const char* caption, int cx, int cy, const std::vector<Control>& expected)
{
    EXPECT_EQ(dialog.caption, caption);
    EXPECT_EQ(dialog.style, kPageStyle);
    EXPECT_EQ(dialog.cx, cx);
    EXPECT_EQ(dialog.cy, cy);
    EXPECT_EQ(dialog.font, "MS Sans Serif");
    EXPECT_EQ(dialog.pointSize, 8);
    ASSERT_EQ(dialog.controls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); i++) {
        const Control &e = expected[i], &a = dialog.controls[i];
        SCOPED_TRACE("control " + std::to_string(i) + " \"" + e.text + "\"");
        EXPECT_EQ(a.id, e.id);
        EXPECT_EQ(a.className, e.className);
        EXPECT_EQ(a.text, e.text);
        EXPECT_EQ(a.style, e.style) << std::hex << a.style << " " << e.style;
        EXPECT_EQ(std::vector<int>({a.x, a.y, a.cx, a.cy}), std::vector<int>({e.x, e.y, e.cx, e.cy}));
    }
}

} // namespace

// One export, CPlApplet by name; a GUI module that needs only the system's
// own libraries.
TEST_F(BuiltApplet, ExportsCPlAppletAloneAndImportsOnlySystemLibraries)
{
    EXPECT_EQ(Headers()->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    EXPECT_TRUE(Headers()->FileHeader.Characteristics & IMAGE_FILE_DLL);
    const IMAGE_EXPORT_DIRECTORY* exports =
        (const IMAGE_EXPORT_DIRECTORY*)(Base() + Directory(IMAGE_DIRECTORY_ENTRY_EXPORT).VirtualAddress);
    ASSERT_EQ(exports->NumberOfFunctions, 1u);
    ASSERT_EQ(exports->NumberOfNames, 1u);
    EXPECT_STREQ((const char*)(Base() + ((const DWORD*)(Base() + exports->AddressOfNames))[0]), "CPlApplet");

    std::string imports;
    const IMAGE_IMPORT_DESCRIPTOR* import =
        (const IMAGE_IMPORT_DESCRIPTOR*)(Base() + Directory(IMAGE_DIRECTORY_ENTRY_IMPORT).VirtualAddress);
    for (; import->Name; import++) {
        std::string name = (const char*)(Base() + import->Name);
        CharUpperA(&name[0]);
        imports += (imports.empty() ? "" : " ") + name;
    }
    // The 32-bit applet uses the C runtime that Windows 95 ships.
    EXPECT_EQ(imports, sizeof(void*) == 4 ? "ADVAPI32.DLL COMCTL32.DLL CRTDLL.DLL KERNEL32.DLL USER32.DLL"
                                          : "ADVAPI32.DLL COMCTL32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL");
}

TEST_F(BuiltApplet, EveryResourceIsUsEnglish)
{
    std::vector<std::string> found;
    EnumResourceTypesA(module, AddType, (LONG_PTR)&found);
    EXPECT_EQ(applet::Join(found), "3/1/1033 | 3/2/1033 | 5/130/1033 | 5/131/1033 | 6/1/1033 | 14/129/1033 | 16/1/1033");

    char text[256];
    EXPECT_EQ(LoadStringA(module, 1, text, sizeof text), 18);
    EXPECT_STREQ(text, "Pallard Properties");
    LoadStringA(module, 2, text, sizeof text);
    EXPECT_STREQ(text, "Configures Disk Controller and Pallard properties");
}

// Icon group 129: 32 x 32 and 16 x 16, 16 colours each.
TEST_F(BuiltApplet, IconHasTwoSixteenColourImages)
{
    std::vector<BYTE> group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEA(129));
    ASSERT_EQ(group.size(), 6u + 2 * 14);
    EXPECT_EQ(group[4], 2);
    const int sizes[] = {32, 16};
    for (int i = 0; i < 2; i++) {
        SCOPED_TRACE("image " + std::to_string(i));
        const BYTE* entry = group.data() + 6 + 14 * i;
        EXPECT_EQ(entry[0], sizes[i]);                      // width
        EXPECT_EQ(entry[1], sizes[i]);                      // height
        EXPECT_EQ(entry[2], 16);                            // colours
        EXPECT_EQ(entry[4] | (entry[5] << 8), 1);           // planes
        EXPECT_EQ(entry[6] | (entry[7] << 8), 4);           // bits per pixel
        WORD id = (WORD)(entry[12] | (entry[13] << 8));
        std::vector<BYTE> image = Resource(RT_ICON, MAKEINTRESOURCEA(id));
        ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER header;
        memcpy(&header, image.data(), sizeof header);
        EXPECT_EQ(header.biWidth, sizes[i]);
        EXPECT_EQ(header.biHeight, 2 * sizes[i]); // colours and mask
        EXPECT_EQ(header.biBitCount, 4);
        HICON icon = (HICON)LoadImageA(module, MAKEINTRESOURCEA(129), IMAGE_ICON, sizes[i], sizes[i], 0);
        EXPECT_TRUE(icon);
        if (icon)
            DestroyIcon(icon);
    }
}

TEST_F(BuiltApplet, ControllerPageTemplate)
{
    ExpectDialog(ReadDialog(Resource(RT_DIALOG, MAKEINTRESOURCEA(130))), "Controller Properties", 235, 156,
                 {
                     /* 0 */ {-1, "button", "Enable/Disable DMA", kGroupBox, 7, 7, 221, 55},
                     /* 1 */ {1000, "button", "Enable DMA", kCheckBox, 29, 31, 56, 10},
                     /* 2 */
                     {-1, "static",
                      "NOTE: DMA is enabled on a per channel basis.  All devices on the same channel must be DMA "
                      "capable to run DMA.",
                      kLeftText, 99, 19, 123, 36},
                     /* 3 */ {-1, "button", "Legacy Mode Controller", kGroupBox, 7, 62, 221, 40},
                     /* 4 */ {-1, "static", "Primary Channel Mode:", kRightText, 17, 73, 98, 8},
                     /* 5 */ {-1, "static", "Secondary Channel Mode:", kRightText, 17, 84, 98, 8},
                     /* 6 */ {1002, "static", "Unknown", kLeftText, 118, 73, 43, 8},
                     /* 7 */ {1003, "static", "Unknown", kLeftText, 118, 84, 43, 8},
                     /* 8 */ {-1, "button", "Native Mode Controller", kGroupBox, 7, 105, 221, 44},
                     /* 9 */ {-1, "static", "Primary Channel Mode:", kRightText, 17, 119, 98, 8},
                     /* 10 */ {-1, "static", "Secondary Channel Mode:", kRightText, 17, 130, 98, 8},
                     /* 11 */ {1004, "static", "Unknown", kLeftText, 118, 119, 43, 8},
                     /* 12 */ {1005, "static", "Unknown", kLeftText, 118, 131, 43, 8},
                 });
}

TEST_F(BuiltApplet, BayPageTemplate)
{
    ExpectDialog(ReadDialog(Resource(RT_DIALOG, MAKEINTRESOURCEA(131))), "Pallard Properties", 229, 156,
                 {
                     /* 0 */ {-1, "button", "CD-ROM auto insert notification", kGroupBox, 7, 7, 215, 35},
                     /* 1 */ {1004, "button", "Enable CD-ROM auto insert notification", kCheckBox, 56, 23, 139, 10},
                     /* 2 */ {-1, "button", "Pallard Plug and Play features", kGroupBox, 7, 44, 215, 51},
                     /* 3 */ {-1, "button", "Current Pallard swapping capabilities", kGroupBox, 7, 98, 215, 51},
                     /* 4 */ {1005, "button", "Enable Pallard PnP messages", kCheckBox, 56, 63, 115, 10},
                     /* 5 */ {1006, "button", "Enable warm swapping", kCheckBox, 56, 78, 89, 10},
                     /* 6 */ {1007, "static", "Unknown", kLeftText, 13, 114, 203, 8},
                     /* 7 */ {1008, "static", "Unknown", kLeftText, 13, 127, 203, 8},
                 });
}

// The version numbers themselves, in every deliverable of both
// architectures, are checked against VERSION by tools/release check.
TEST_F(BuiltApplet, VersionResource)
{
    DWORD ignored;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", (void**)&fixed, &length));
    EXPECT_EQ(fixed->dwFileType, (DWORD)VFT_DLL);
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", (void**)&translation, &length));
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);

    const struct {
        const char* name;
        const char* value;
    } strings[] = {
        {"CompanyName", ""},
        {"FileDescription", "palprop DLL"},
        {"InternalName", "palprop"},
        {"LegalTrademarks", ""},
        {"OriginalFilename", "palprop.DLL"},
        {"ProductName", "palprop Dynamic Link Library"},
    };
    for (const auto& s : strings) {
        char* value = nullptr;
        std::string query = std::string("\\StringFileInfo\\040904b0\\") + s.name;
        EXPECT_TRUE(VerQueryValueA(info.data(), query.c_str(), (void**)&value, &length)) << s.name;
        EXPECT_STREQ(value ? value : "<none>", s.value) << s.name;
    }
}

namespace {

INT_PTR CALLBACK QuietPage(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

} // namespace

// Every sentence the bay page can show fits its control on one line, in
// the page's own font: a wider one would wrap and lose its last words.
TEST_F(BuiltApplet, EveryCapabilitySentenceFitsItsLine)
{
    HWND parent = CreateWindowA("STATIC", "", WS_OVERLAPPED, 0, 0, 600, 400, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent);
    HWND page = CreateDialogParamA(module, MAKEINTRESOURCEA(131), parent, QuietPage, 0);
    ASSERT_TRUE(page) << GetLastError();
    for (int channel = 0; channel < 2; channel++) {
        HWND control = GetDlgItem(page, channel == 0 ? 1007 : 1008);
        ASSERT_TRUE(control);
        RECT room;
        GetClientRect(control, &room);
        HDC dc = GetDC(control);
        HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(control, WM_GETFONT, 0, 0));
        for (bool dma : {true, false}) {
            for (bool warm : {true, false}) {
                const char* sentence = CapabilitySentence(channel, dma, warm);
                SIZE size = {};
                GetTextExtentPoint32A(dc, sentence, (int)strlen(sentence), &size);
                EXPECT_LE(size.cx, room.right) << sentence;
                EXPECT_LE(size.cy, room.bottom) << sentence;
            }
        }
        SelectObject(dc, old);
        ReleaseDC(control, dc);
    }
    DestroyWindow(page);
    DestroyWindow(parent);
}
