#include "page_text.h"

#include <stdio.h>

// The wording is the one users have always seen, spelling included.
const char kRestartNotice[] = "You must restart your computer for this change to take affect.";

const char* ChannelModeText(bool statusKeyOpened, bool read, uint32_t value)
{
    if (!statusKeyOpened)
        return "UNKNOWN";
    return FlagIsOn(read, value) ? "DMA" : "PIO";
}

const char* CapabilitySentence(int channel, bool channelRunsDma, bool warmSwapping)
{
    static const char* const kSentences[2][3] = {
        {"Primary channel is in DMA mode, swapping is disabled.",
         "Hot and Warm swapping is enabled on the primary channel.",
         "Hot swapping is enabled on the primary channel."},
        {"Secondary channel is in DMA mode, swapping is disabled.",
         "Hot and Warm swapping is enabled on the secondary channel.",
         "Hot swapping is enabled on the secondary channel."},
    };
    const char* const* sentences = kSentences[channel == 0 ? 0 : 1];
    if (channelRunsDma)
        return sentences[0];
    return warmSwapping ? sentences[1] : sentences[2];
}

const char* RestartNoticeCaption(bool enableDma)
{
    return enableDma ? "Enable DMA" : "Disable DMA";
}

const char kNotStoredCaption[] = "Vorlix Pallard Properties";

void NotStoredText(char* out, size_t size, const char* valueName, uint32_t error, const char* reason)
{
    if (size == 0)
        return;
    if (reason && reason[0])
        snprintf(out, size, "The setting %s could not be stored.\r\n\r\n%s", valueName, reason);
    else
        snprintf(out, size, "The setting %s could not be stored.\r\n\r\nError %u.", valueName, (unsigned)error);
}
