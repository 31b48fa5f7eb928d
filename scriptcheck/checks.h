// The script checker: reads a script as the runner reads it and reports
// what would go wrong or differ from what its author meant.
#pragma once

#include <string>
#include <vector>

#include "findings.h"

// The file a CMD28 line appends, as far as the checker can find it (the
// program's own directory, ~%C001, is taken to be the script's). False
// when it cannot be read; *shownName names it in findings.
struct AppendSource {
    bool (*read)(void* context, const std::string& path, std::string* shownName, std::string* text);
    void* context;
};

std::vector<Finding> CheckScript(const std::string& fileName, const std::string& text, const AppendSource* appended);
