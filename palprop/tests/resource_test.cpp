// palprop.cpl as built: what it exports and imports, and every resource
// read back from the file (strings, icons, dialog templates, version),
// the strings and pages against the resource script they were made from.
#include "applet_bench.h"
#include "embedded_files.h"
#include "page_text.h"
#include "resource.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

using applet::BuiltFile;

namespace palprop_sources {
extern const testkit::EmbeddedFile kEmbeddedFiles[];
} // namespace palprop_sources

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

// The control statements of the script, as the resource compiler makes them.
const struct {
    const char* statement;
    const char* className;
    DWORD style;
} kControlKinds[] = {
    {"GROUPBOX", "button", WS_CHILD | WS_VISIBLE | BS_GROUPBOX},
    {"AUTOCHECKBOX", "button", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX},
    {"LTEXT", "static", WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT},
    {"RTEXT", "static", WS_CHILD | WS_VISIBLE | WS_GROUP | SS_RIGHT},
};

// The resource script palprop.rc, carried inside this program, read as
// far as its string table and pages go: its words and quoted strings, with
// the identifiers of resource.h.
class ResourceScript {
public:
    ResourceScript()
    {
        // Every "#define NAME NUMBER" of resource.h; IDC_STATIC is "(-1)".
        std::istringstream header(Embedded("resource.h"));
        std::string word, name, value;
        while (header >> word) {
            if (word == "#define" && header >> name >> value)
                ids_[name] = atoi(value.c_str() + (value[0] == '('));
        }
        std::istringstream script(Embedded("palprop.rc"));
        std::string line;
        while (std::getline(script, line))
            AddWords(line);
    }

    // STRINGTABLE BEGIN id "text" ... END
    std::string String(int id) const
    {
        for (size_t i = After("BEGIN", After("STRINGTABLE", 0)); i + 1 < words_.size() && words_[i] != "END"; i += 2) {
            if (Number(words_[i]) == id)
                return words_[i + 1];
        }
        ADD_FAILURE() << "no string " << id << " in the script";
        return "";
    }

    // <name> DIALOG x, y, cx, cy, its CAPTION and FONT, then BEGIN, one
    // statement a control (KIND "text", id, x, y, cx, cy), END.
    Dialog Page(const char* name) const
    {
        Dialog dialog;
        size_t i = After(name, 0);
        dialog.cx = Number(Word(i + 3));
        dialog.cy = Number(Word(i + 4));
        for (; i < words_.size() && words_[i] != "BEGIN"; i++) {
            if (words_[i] == "CAPTION")
                dialog.caption = Word(i + 1);
            if (words_[i] == "FONT") {
                dialog.pointSize = Number(Word(i + 1));
                dialog.font = Word(i + 2);
            }
        }
        for (i++; i + 6 < words_.size() && words_[i] != "END"; i += 7) {
            Control c{Number(words_[i + 2]), "?", words_[i + 1], 0, Number(words_[i + 3]), Number(words_[i + 4]),
                      Number(words_[i + 5]), Number(words_[i + 6])};
            for (const auto& kind : kControlKinds) {
                if (words_[i] == kind.statement) {
                    c.className = kind.className;
                    c.style = kind.style;
                }
            }
            dialog.controls.push_back(c);
        }
        return dialog;
    }

private:
    static std::string Embedded(const char* name)
    {
        std::string text;
        if (!testkit::FindEmbeddedFile(palprop_sources::kEmbeddedFiles, name, &text))
            ADD_FAILURE() << "no " << name << " inside the test program";
        return text;
    }

    // A line's words and quoted strings (without their quotes); commas, blanks and comments left out.
    void AddWords(const std::string& line)
    {
        for (size_t at = 0; at < line.size();) {
            size_t next;
            if (line.compare(at, 2, "//") == 0)
                return;
            if (line[at] == '"') {
                next = line.find('"', at + 1);
                words_.push_back(line.substr(at + 1, next - at - 1));
                next = next == std::string::npos ? next : next + 1;
            } else if (line[at] == ',' || isspace((unsigned char)line[at])) {
                next = at + 1;
            } else {
                next = line.find_first_of(", \t\r", at);
                words_.push_back(line.substr(at, next - at));
            }
            at = next == std::string::npos ? line.size() : next;
        }
    }

    // The place after the first word `word` from `from` on; the end when there is none.
    size_t After(const std::string& word, size_t from) const
    {
        for (size_t i = from; i < words_.size(); i++) {
            if (words_[i] == word)
                return i + 1;
        }
        ADD_FAILURE() << "no " << word << " in the script";
        return words_.size();
    }

    std::string Word(size_t i) const { return i < words_.size() ? words_[i] : ""; }

    // A number, or an identifier of resource.h.
    int Number(const std::string& word) const
    {
        auto id = ids_.find(word);
        if (id != ids_.end())
            return id->second;
        char* end = nullptr;
        long number = strtol(word.c_str(), &end, 10);
        if (word.empty() || *end)
            ADD_FAILURE() << "\"" << word << "\" is neither a number nor an identifier of resource.h";
        return (int)number;
    }

    std::vector<std::string> words_;
    std::map<std::string, int> ids_;
};

void ExpectDialog(const Dialog& dialog, const Dialog& script)
{
    EXPECT_EQ(dialog.caption, script.caption);
    EXPECT_EQ(dialog.style, kPageStyle);
    EXPECT_EQ(dialog.cx, script.cx);
    EXPECT_EQ(dialog.cy, script.cy);
    EXPECT_EQ(dialog.font, script.font);
    EXPECT_EQ(dialog.pointSize, script.pointSize);
    const std::vector<Control>& expected = script.controls;
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
    // type/name/language: the icon's two images, the pages, the strings, the icon, the version
    auto us = [](int type, int name) { return std::to_string(type) + "/" + std::to_string(name) + "/1033"; };
    EXPECT_EQ(applet::Join(found), applet::Join({us(3, 1), us(3, 2), us(5, IDD_CONTROLLER_PAGE), us(5, IDD_BAY_PAGE),
                                                 us(6, 1), us(14, IDI_APPLET), us(16, 1)}));

    ResourceScript script;
    std::string name = script.String(IDS_APPLET_NAME);
    char text[256];
    EXPECT_EQ(LoadStringA(module, IDS_APPLET_NAME, text, sizeof text), (int)name.size());
    EXPECT_STREQ(text, name.c_str());
    LoadStringA(module, IDS_APPLET_INFO, text, sizeof text);
    EXPECT_STREQ(text, script.String(IDS_APPLET_INFO).c_str());
}

// Icon group 129: 32 x 32 and 16 x 16, 16 colours each.
TEST_F(BuiltApplet, IconHasTwoSixteenColourImages)
{
    std::vector<BYTE> group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_APPLET));
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
        HICON icon = (HICON)LoadImageA(module, MAKEINTRESOURCEA(IDI_APPLET), IMAGE_ICON, sizes[i], sizes[i], 0);
        EXPECT_TRUE(icon);
        if (icon)
            DestroyIcon(icon);
    }
}

TEST_F(BuiltApplet, ControllerPageTemplate)
{
    ExpectDialog(ReadDialog(Resource(RT_DIALOG, MAKEINTRESOURCEA(IDD_CONTROLLER_PAGE))),
                 ResourceScript().Page("IDD_CONTROLLER_PAGE"));
}

TEST_F(BuiltApplet, BayPageTemplate)
{
    ExpectDialog(ReadDialog(Resource(RT_DIALOG, MAKEINTRESOURCEA(IDD_BAY_PAGE))),
                 ResourceScript().Page("IDD_BAY_PAGE"));
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
    HWND page = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_BAY_PAGE), parent, QuietPage, 0);
    ASSERT_TRUE(page) << GetLastError();
    for (int channel = 0; channel < 2; channel++) {
        HWND control = GetDlgItem(page, channel == 0 ? IDC_PRIMARY_CAPABILITY : IDC_SECONDARY_CAPABILITY);
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
