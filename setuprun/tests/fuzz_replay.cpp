// Replays a seeded random corpus through the fuzz target of the text logic,
// so that the tests (gcc, AddressSanitizer and UndefinedBehaviorSanitizer)
// run the same entry as "make fuzz" does under libFuzzer. The inputs are
// built from pieces of script text (tokens, separators, numbers, paths,
// key names) and random bytes; the same seed gives the same inputs.
//   fuzz_text_replay [runs [seed]]
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

const char* const kPieces[] = {
    "~%V001", "~%v999", "~%C000", "~%C001", "~%c103", "~%C104", "~%", "~%V", "~%X12", "~%V-01", ",", ",,", ";",
    "[", "]", "=", "\\", ":\\", "C:\\", "\\\\?\\", " -silent", " -noreboot", " -resume", "-", "\"", "0x0A1B",
    "0X1", "A1B", "2587", "0a1b", "65535", "-1", "2147483647", "99999999999", "HKCU", "HKLM", "HKEY_CURRENT_USER",
    "HKEY_DYN_DATA", "VORLIX", "vorlix", "\r\n", "\n", "\r", "\t", " ", "  ", "CommandsList", "Cmd0", "CmdSection0.1",
    "FullCmdSection3", "CurrentCmd", "32,", "19,", "27,,V001,", "15,", "1,HKCU,Software\\x,v,2,", "FFFFFFFF", "ZZ",
    "\xFF", "\x01", "\x7F", "\x80", "%s", "%n", "%d",
};
const size_t kPieceCount = sizeof kPieces / sizeof kPieces[0];

uint64_t g_state;
uint64_t Next()
{
    g_state ^= g_state << 13;
    g_state ^= g_state >> 7;
    g_state ^= g_state << 17;
    return g_state;
}

} // namespace

int main(int argc, char** argv)
{
    long runs = argc > 1 ? atol(argv[1]) : 20000;
    g_state = (argc > 2 ? strtoull(argv[2], nullptr, 10) : 20261207) * 0x9E3779B97F4A7C15ull | 1;
    size_t longest = 0;
    for (long run = 0; run < runs; run++) {
        std::string input;
        // Mostly short texts, now and then one of several kilobytes.
        size_t target = Next() % 16 == 0 ? Next() % 6000 : Next() % 300;
        while (input.size() < target) {
            if (Next() % 3 == 0)
                input += (char)(Next() % 256);
            else
                input += kPieces[Next() % kPieceCount];
        }
        longest = input.size() > longest ? input.size() : longest;
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    }
    printf("fuzz replay: %ld inputs, the longest %zu bytes\n", runs, longest);
    return 0;
}
