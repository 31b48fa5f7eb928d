// Composition of install-log lines.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "log.h"

namespace {

TEST(LogFormat, LineFormsAndTimeStamp)
{
    char stamp[32];
    FormatTimeStamp(stamp, sizeof stamp, 7, 5, 3, 9);
    EXPECT_STREQ("[07:05:03.009] ", stamp);

    char line[kLogLineSize];
    FormatLogLine(line, sizeof line, stamp, "setup.exe", "DONE", "!");
    EXPECT_STREQ("[07:05:03.009]  setup.exe> DONE !", line);
    // An empty WriteLog ends in the program name, ">" and two blanks.
    FormatLogLine(line, sizeof line, stamp, "setup.exe", "", "");
    EXPECT_STREQ("[07:05:03.009]  setup.exe>  ", line);
}

TEST(LogFormat, OverlongLinesAreCutAt511Characters)
{
    std::string label(400, 'L'), text(400, 'T');
    char line[kLogLineSize + 8];
    memset(line, 0xcc, sizeof line);
    FormatLogLine(line, kLogLineSize, "[00:00:00.000] ", "p.exe", label.c_str(), text.c_str());
    EXPECT_EQ(511u, strlen(line));
    for (size_t i = kLogLineSize; i < sizeof line; i++)
        EXPECT_EQ((char)0xcc, line[i]) << "byte " << i << " written past the line buffer";
}

TEST(LogFormat, SeverityPrefixesAndFlattenedErrorTexts)
{
    EXPECT_STREQ("FATAL-=-", SeverityPrefix(0));
    EXPECT_STREQ("RECOVERABLE ERROR-=-", SeverityPrefix(1));
    EXPECT_STREQ("WARNING ERROR-=-", SeverityPrefix(2));
    EXPECT_STREQ("WARNING ERROR-=-", SeverityPrefix(-1));

    char text[] = "Access denied.\r\n";
    FlattenLineBreaks(text);
    EXPECT_STREQ("Access denied.  ", text);
}

} // namespace
