// The texts the pages choose, by what the registry said.
#include "page_text.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>

TEST(PageText, ChannelModeFollowsKeyAndValue)
{
    const struct {
        bool keyOpened, read;
        uint32_t value;
        const char* text;
    } rows[] = {
        /* 0 */ {false, false, 0, "UNKNOWN"},
        /* 1 */ {false, true, 1, "UNKNOWN"},
        /* 2 */ {true, false, 1, "PIO"},
        /* 3 */ {true, true, 0, "PIO"},
        /* 4 */ {true, true, 1, "DMA"},
        /* 5 */ {true, true, 2, "PIO"},
        /* 6 */ {true, true, 0x80000001u, "PIO"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++)
        EXPECT_STREQ(ChannelModeText(rows[i].keyOpened, rows[i].read, rows[i].value), rows[i].text) << "row " << i;
}

TEST(PageText, CapabilitySentenceDmaFirstThenWarmSwapping)
{
    const struct {
        int channel;
        bool dma, warm;
        const char* sentence;
    } rows[] = {
        /* 0 */ {0, true, true, "Primary channel is in DMA mode, swapping is disabled."},
        /* 1 */ {0, false, true, "Hot and Warm swapping is enabled on the primary channel."},
        /* 2 */ {0, false, false, "Hot swapping is enabled on the primary channel."},
        /* 3 */ {1, true, false, "Secondary channel is in DMA mode, swapping is disabled."},
        /* 4 */ {1, false, true, "Hot and Warm swapping is enabled on the secondary channel."},
        /* 5 */ {1, false, false, "Hot swapping is enabled on the secondary channel."},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++)
        EXPECT_STREQ(CapabilitySentence(rows[i].channel, rows[i].dma, rows[i].warm), rows[i].sentence) << "row " << i;
}

TEST(PageText, RestartNoticeKeepsItsWording)
{
    EXPECT_STREQ(kRestartNotice, "You must restart your computer for this change to take affect.");
    EXPECT_STREQ(RestartNoticeCaption(true), "Enable DMA");
    EXPECT_STREQ(RestartNoticeCaption(false), "Disable DMA");
}

// The not-stored text: the reason when the system has one, else the
// number; cut at the buffer, never past it.
TEST(PageText, NotStoredTextFitsItsBuffer)
{
    char text[NOT_STORED_TEXT_SIZE];
    NotStoredText(text, sizeof text, "EnableDma", 5, "Access denied.\r\n");
    EXPECT_STREQ(text, "The setting EnableDma could not be stored.\r\n\r\nAccess denied.\r\n");
    NotStoredText(text, sizeof text, "Autorun", 2, "");
    EXPECT_STREQ(text, "The setting Autorun could not be stored.\r\n\r\nError 2.");
    char small[16];
    memset(small, 'x', sizeof small);
    NotStoredText(small, 12, "EnableMessages", 2, nullptr);
    EXPECT_STREQ(small, "The setting");
    EXPECT_EQ('x', small[12]) << "nothing written past the size given";
}
