// Findings of the script checker and how they are reported: one line in
// the compiler's form, "<file>:<line>: <severity>: <text> [<id>]", and an
// indented line that says how to fix it.
#pragma once

#include <stdio.h>

#include <string>
#include <vector>

enum Severity { kNote, kWarning, kError };

struct Finding {
    std::string file;
    int line;
    Severity severity;
    const char* id; // a short fixed name of the kind, e.g. "unknown-type"
    std::string text;
    std::string fix;
};

// Exit statuses: by the worst finding; notes count as clean.
enum {
    kExitClean = 0,
    kExitWarnings = 1,
    kExitErrors = 2,
    kExitUsage = 3, // bad command line, or a script that cannot be read
};

const char* SeverityName(Severity severity);
// Sorted by file and line, each once.
void SortFindings(std::vector<Finding>* findings);
int ExitStatusFor(const std::vector<Finding>& findings);
void PrintFindings(FILE* out, const std::vector<Finding>& findings);
