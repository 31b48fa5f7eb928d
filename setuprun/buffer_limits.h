// The sizes of the runner's buffers that a script's texts meet, NUL
// included: a longer text is refused (or, where said, cut). The script
// checker reports texts over them from these same numbers; the table of
// docs/setuprun.md ("Limits") lists them for script authors.
#pragma once

enum {
    kPathSize = 260,           // paths, CMD11 command lines, CMD14's expanded fields, variable values
    kMessageSize = 512,        // CMD03/04/12 keys, CMD15 destinations, CMD26 and CMD27 fields
    kCommandSectionSize = 256, // field 0 of a command
    kSectionNameSize = 128,    // a list name as [State] keeps it (a branch target)
    kBoxLineSize = 128,        // CMD17's Title and Message<n>: longer ones are cut
    kLogPathSize = 128,        // [Data] LogFile
    kWaitFlagSize = 32,        // CMD11's wait flag
    // A variable that holds its own token (directly or through others)
    // would expand forever: a text gets this many replacements at most.
    kMaxReplacements = 64,
};
