// Our mbrtowc for the 32-bit deliverables, built here for x86_64 and run
// under Wine (ANSI code page 1252): every case of its contract that a
// single-byte code page can show.
#include <gtest/gtest.h>

#include <windows.h>

#include <errno.h>
#include <wchar.h>

namespace {

const size_t kIncomplete = (size_t)-2;
const wchar_t kUntouched = 0xCCCC;

TEST(Mbrtowc, Table)
{
    ASSERT_EQ(GetACP(), 1252u) << "the cases below assume code page 1252";
    const struct {
        const char* text;
        size_t length;
        size_t result;
        wchar_t wide;
    } cases[] = {
        /* 0 */ {"A", 1, 1, L'A'},
        /* 1 */ {".", 4, 1, L'.'},          // the decimal point, what printf asks for
        /* 2 */ {"\xE9x", 2, 1, 0x00E9},    // e acute
        /* 3 */ {"\x80", 1, 1, 0x20AC},     // the euro sign: the code page is used, not Latin-1
        /* 4 */ {"", 1, 0, 0},
        /* 5 */ {"A", 0, kIncomplete, kUntouched},
        /* 6 */ {nullptr, 1, 0, kUntouched},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        wchar_t wide = kUntouched;
        mbstate_t state = {};
        EXPECT_EQ(mbrtowc(&wide, cases[i].text, cases[i].length, &state), cases[i].result) << "case " << i;
        EXPECT_EQ(wide, cases[i].wide) << "case " << i;
    }
    // Without a place for the character it still counts the bytes.
    EXPECT_EQ(mbrtowc(nullptr, "B", 1, nullptr), 1u);
}

} // namespace
