// Pictures of the applet's two pages for the documentation, taken from the
// real applet on the bench's screen: a machine with the service
// registered, DMA on and the primary channel running it. Then the bay
// page once more for each pair of sentences it can show, so that every
// sentence is seen whole.
//   palprop_pictures OUTPUT-FOLDER    (writes controller.bmp, bay.bmp and
//                                      bay-hot.bmp, bay-warm.bmp, bay-dma.bmp)
#include "applet_bench.h"

#include <stdio.h>

using namespace applet;

namespace {

std::string g_folder;

// The sheet's window as it is on the screen, as a 32-bit bitmap file.
bool SaveWindow(HWND window, const std::string& path)
{
    int width = 0, height = 0;
    std::vector<DWORD> pixels = ScreenPixels(window, &width, &height);
    for (DWORD& pixel : pixels)
        pixel |= 0xff000000; // opaque, whatever the screen left in the fourth byte
    BITMAPINFOHEADER info;
    ZeroMemory(&info, sizeof info);
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = -height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    BITMAPFILEHEADER file;
    ZeroMemory(&file, sizeof file);
    file.bfType = 0x4d42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + (DWORD)(pixels.size() * 4);
    FILE* out = fopen(path.c_str(), "wb");
    bool written = out && !pixels.empty() && fwrite(&file, sizeof file, 1, out) == 1 &&
                   fwrite(&info, sizeof info, 1, out) == 1 && fwrite(pixels.data(), pixels.size() * 4, 1, out) == 1;
    if (out)
        written = fclose(out) == 0 && written;
    return written;
}

} // namespace

TEST(Pictures, BothPages)
{
    MachineState machine;
    machine.RegisterService();
    machine.Set(MINIPORT_PARAMETERS_KEY, ENABLE_DMA_VALUE, Dword(1));
    for (const char* channel : {DMA_CHANNEL_VALUE(1), DMA_CHANNEL_VALUE(2), DMA_CHANNEL_VALUE(3)})
        machine.Set(DMA_STATUS_KEY, channel, Dword(0));
    machine.Set(DMA_STATUS_KEY, DMA_CHANNEL_VALUE(0), Dword(1));
    machine.Set(CDROM_KEY, AUTORUN_VALUE, Dword(1));
    machine.Set(PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, Dword(1));
    machine.Set(PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE, Dword(1));
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

TEST(Pictures, EveryCapabilitySentence)
{
    // Primary and secondary sentence: hot and hot; hot-and-warm and
    // hot-and-warm; DMA and DMA.
    const struct {
        const char* name;
        DWORD warm, dma;
    } states[] = {{"bay-hot.bmp", 0, 0}, {"bay-warm.bmp", 1, 0}, {"bay-dma.bmp", 0, 1}};
    for (const auto& state : states) {
        MachineState machine;
        machine.RegisterService();
        machine.Set(PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE, Dword(state.warm));
        machine.Set(DMA_STATUS_KEY, DMA_CHANNEL_VALUE(0), Dword(state.dma));
        machine.Set(DMA_STATUS_KEY, DMA_CHANNEL_VALUE(1), Dword(state.dma));
        AppletRun run(Host::Loader);
        ASSERT_TRUE(run.sheet);
        run.SelectTab(1);
        RedrawWindow(run.sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Sleep(500);
        EXPECT_TRUE(SaveWindow(run.sheet, g_folder + "\\" + state.name)) << state.name;
        run.Press(IDCANCEL);
        EXPECT_TRUE(run.Closed());
    }
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
