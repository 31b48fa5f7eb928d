// The identity tests of CMD09 and CMD25 on text: the ROM signature and
// the lines of the list of supported system IDs.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "system_id_list.h"

namespace {

TEST(SystemIdList, RenderingsInTheirOrder)
{
    const char* const expected0A1B[kIdRenderingCount] = {"0X0a1b", "0Xa1b", "0Xa1b", "a1b", "0a1b", "a1b", "a1b", "2587"};
    const char* const expected0001[kIdRenderingCount] = {"0X0001", "0X001", "0X01", "1", "0001", "001", "01", "1"};
    const char* const expectedFFFF[kIdRenderingCount] = {"0Xffff", "0Xffff", "0Xffff", "ffff",
                                                         "ffff",   "ffff",   "ffff",   "65535"};
    for (int k = 0; k < kIdRenderingCount; k++) {
        char out[kIdRenderingSize];
        FormatIdRendering(k, 0x0A1B, out);
        EXPECT_STREQ(expected0A1B[k], out) << "rendering " << k;
        FormatIdRendering(k, 0x0001, out);
        EXPECT_STREQ(expected0001[k], out) << "rendering " << k;
        // Only the low 16 bits are the ID.
        FormatIdRendering(k, 0x1FFFF, out);
        EXPECT_STREQ(expectedFFFF[k], out) << "rendering " << k;
    }
}

TEST(SystemIdList, LinesMatchTrimmedAndIgnoringCase)
{
    const struct {
        const char* line;
        unsigned id;
        bool matches;
    } cases[] = {
        {"0x0A1B", 0x0A1B, true},
        {"  0x0A1B \t", 0x0A1B, true},
        {"\x01\x1f" "0X0a1b\r", 0x0A1B, true},
        {";0x0A1B", 0x0A1B, false},     // a comment
        {" ;0x0A1B", 0x0A1B, false},    // not a comment, but no rendering either
        {"A1B", 0x0A1B, true},
        {"0A1B", 0x0A1B, true},
        {"2587", 0x0A1B, true},         // decimal
        {"0x00A1B", 0x0A1B, false},     // five digits are no rendering
        {"1234", 0x1234, true},         // tried as hex first
        {"1234", 0x04D2, true},         // and as decimal
        {"0x1", 1, false},              // "0X" needs two digits at least
        {"0x01", 1, true},
        {"1", 1, true},
        {"ID=0A1B", 0x0A1B, false},     // a key=value line
        {"0A1B ; model 7", 0x0A1B, false}, // a trailing comment
        {"", 0x0A1B, false},
        {"0x0A1B", 0x0A1C, false},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        std::string before = cases[i].line;
        EXPECT_EQ(cases[i].matches, IdListLineMatches(cases[i].line, cases[i].id)) << "case " << i;
        EXPECT_EQ(before, cases[i].line) << "case " << i << ": the line is left as it was";
    }
    EXPECT_TRUE(IsIdListComment(";x"));
    EXPECT_FALSE(IsIdListComment(" ;x"));
}

TEST(SystemIdList, LongLinesAreTrimmedWhole)
{
    // Blanks longer than any buffer around a matching ID.
    std::string line = std::string(300, ' ') + "0x0A1B" + std::string(300, '\t');
    EXPECT_TRUE(IdListLineMatches(line.c_str(), 0x0A1B));
    EXPECT_FALSE(IdListLineMatches((line + "x").c_str(), 0x0A1B));
}

TEST(SystemIdList, VorlixSignature)
{
    const struct {
        const char* signature;
        bool vorlix;
    } cases[] = {
        {"VORLIX", true}, {"vorlix", false}, {"VORLIY", false}, {"VORLI", false}, {"", false}, {"XVORLIX", true},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++)
        EXPECT_EQ(cases[i].vorlix, IsVorlixSignature(cases[i].signature)) << "case " << i;
}

} // namespace
