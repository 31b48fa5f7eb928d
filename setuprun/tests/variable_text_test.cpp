// Variable tokens as text: reading a token and splicing its replacement.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "variables.h"

namespace {

TEST(VariableText, TokensAreSixCharactersOrWhatIsLeft)
{
    const struct {
        const char* text;
        char kind;
        int number;
        size_t length;
    } cases[] = {
        {"~%V001rest", 'V', 1, 6}, {"~%c101", 'C', 101, 6}, {"~%V7xy!", 'V', 7, 6}, {"~%V 42", 'V', 42, 6},
        {"~%V-01", 'V', -1, 6},    {"~%V1", 'V', 1, 4},     {"~%V", 'V', 0, 3},     {"~%", '\0', 0, 2},
        {"~%X001", '\0', 1, 6},    {"~%v999", 'V', 999, 6},
    };
    for (const auto& c : cases) {
        VariableToken t = ParseVariableToken(c.text);
        EXPECT_EQ(c.kind, t.kind) << c.text;
        EXPECT_EQ(c.number, t.number) << c.text;
        EXPECT_EQ(c.length, t.length) << c.text;
    }
    EXPECT_STREQ("~%V1", FindVariableToken("a~b%~%V1"));
    EXPECT_EQ(nullptr, FindVariableToken("%~ ~ %"));
}

TEST(VariableText, SpliceStaysInsideTheCallersBuffer)
{
    char text[16];
    memset(text, 0xcc, sizeof text);
    strcpy(text, "ab~%V001cd");
    EXPECT_TRUE(SpliceReplacement(text, 12, 2, "XY", text + 8));
    EXPECT_STREQ("abXYcd", text);

    strcpy(text, "ab~%V001cd");
    EXPECT_FALSE(SpliceReplacement(text, 12, 2, "0123456789", text + 8));
    EXPECT_STREQ("ab012345678", text);
    EXPECT_EQ((char)0xcc, text[12]) << "written past the stated size";

    // The rest is taken before the value is written over it.
    strcpy(text, "~%V001abc");
    EXPECT_TRUE(SpliceReplacement(text, sizeof text, 0, "~%V001abc", text + 6));
    EXPECT_STREQ("~%V001abcabc", text);
}

TEST(VariableText, TemporaryNamesKeepTheLastFiveDigits)
{
    char name[16];
    TemporaryFileName(7, name, sizeof name);
    EXPECT_STREQ("TMP00007", name);
    TemporaryFileName(1234567, name, sizeof name);
    EXPECT_STREQ("TMP34567", name);
}

} // namespace
