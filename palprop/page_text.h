// The texts the pages show, chosen from what the registry said; free of
// Windows calls.
#pragma once

#include <stddef.h>
#include <stdint.h>

// A flag value: on exactly when it was read and is the 32-bit number 1.
// Any other number (2 included) is off.
inline bool FlagIsOn(bool read, uint32_t value)
{
    return read && value == 1;
}

// Transfer mode of an IDE channel on the controller page: "UNKNOWN" when
// the DmaStatus key could not be opened, else "DMA" when the channel's
// value is on and "PIO" otherwise.
const char* ChannelModeText(bool statusKeyOpened, bool read, uint32_t value);

// The bay page's sentence for a channel (0 primary, 1 secondary).
const char* CapabilitySentence(int channel, bool channelRunsDma, bool warmSwapping);

// The restart notice of the controller page and its caption.
extern const char kRestartNotice[];
const char* RestartNoticeCaption(bool enableDma);

// The box that tells which setting was not stored: "The setting <name>
// could not be stored.", then the system's reason (or its error number
// when it has no text). Cut to the buffer, never past it.
enum { NOT_STORED_TEXT_SIZE = 512 };
extern const char kNotStoredCaption[];
void NotStoredText(char* out, size_t size, const char* valueName, uint32_t error, const char* reason);
