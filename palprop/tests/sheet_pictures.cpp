// Pictures of the applet's two pages for the documentation, taken from the
// real applet on the bench's screen: a machine with the service
// registered, DMA on and the primary channel running it.
//   palprop_pictures OUTPUT-FOLDER    (writes controller.bmp and bay.bmp)
#include "applet_bench.h"

#include <stdio.h>

using namespace applet;

namespace {

std::string g_folder;

// The sheet's window as it is on the screen, as a 24-bit bitmap file.
bool SaveWindow(HWND window, const std::string& path)
{
    RECT r;
    GetWindowRect(window, &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFOHEADER info;
    ZeroMemory(&info, sizeof info);
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    DWORD rowSize = ((DWORD)width * 3 + 3) & ~3u;
    std::vector<BYTE> pixels((size_t)rowSize * height);
    int rows = GetDIBits(memory, bitmap, 0, height, pixels.data(), (BITMAPINFO*)&info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER file;
    ZeroMemory(&file, sizeof file);
    file.bfType = 0x4d42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + (DWORD)pixels.size();
    FILE* out = fopen(path.c_str(), "wb");
    bool written = out && rows == height && fwrite(&file, sizeof file, 1, out) == 1 &&
                   fwrite(&info, sizeof info, 1, out) == 1 && fwrite(pixels.data(), pixels.size(), 1, out) == 1;
    if (out)
        written = fclose(out) == 0 && written;
    return written;
}

} // namespace

TEST(Pictures, BothPages)
{
    MachineState machine;
    machine.RegisterService();
    machine.Set(kMiniportKey, "EnableDma", Dword(1));
    for (const char* channel : {"Channel1", "Channel2", "Channel3"})
        machine.Set(kDmaStatusKey, channel, Dword(0));
    machine.Set(kDmaStatusKey, "Channel0", Dword(1));
    machine.Set(kCdromKey, "Autorun", Dword(1));
    machine.Set(kParametersKey, "EnableMessages", Dword(1));
    machine.Set(kParametersKey, "EnableWarmSwapping", Dword(1));
    AppletRun run(Host::Loader);
    ASSERT_TRUE(run.sheet);
    const char* const names[] = {"controller.bmp", "bay.bmp"};
    for (int page = 0; page < 2; page++) {
        run.SelectTab(page);
        RedrawWindow(run.sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Sleep(500);
        EXPECT_TRUE(SaveWindow(run.sheet, g_folder + "\\" + names[page])) << names[page];
    }
    run.Press(IDCANCEL);
    EXPECT_TRUE(run.Closed());
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        fprintf(stderr, "usage: palprop_pictures OUTPUT-FOLDER\n");
        return 2;
    }
    g_folder = argv[1];
    CreateDirectoryA(g_folder.c_str(), nullptr);
    return RUN_ALL_TESTS();
}
