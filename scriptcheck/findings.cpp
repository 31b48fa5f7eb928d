#include "findings.h"

#include <algorithm>

const char* SeverityName(Severity severity)
{
    switch (severity) {
    case kError:
        return "error";
    case kWarning:
        return "warning";
    default:
        return "note";
    }
}

void SortFindings(std::vector<Finding>* findings)
{
    std::stable_sort(findings->begin(), findings->end(), [](const Finding& a, const Finding& b) {
        return a.file != b.file ? a.file < b.file : a.line < b.line;
    });
    // A line read twice (a list reached twice) would report the same thing twice.
    findings->erase(std::unique(findings->begin(), findings->end(),
                                [](const Finding& a, const Finding& b) {
                                    return a.file == b.file && a.line == b.line && a.text == b.text;
                                }),
                    findings->end());
}

int ExitStatusFor(const std::vector<Finding>& findings)
{
    int status = kExitClean;
    for (const Finding& finding : findings) {
        if (finding.severity == kError)
            status = kExitErrors;
        else if (finding.severity == kWarning && status < kExitWarnings)
            status = kExitWarnings;
    }
    return status;
}

void PrintFindings(FILE* out, const std::vector<Finding>& findings)
{
    for (const Finding& finding : findings) {
        fprintf(out, "%s:%d: %s: %s [%s]\n", finding.file.c_str(), finding.line, SeverityName(finding.severity),
                finding.text.c_str(), finding.id);
        if (!finding.fix.empty())
            fprintf(out, "    fix: %s\n", finding.fix.c_str());
    }
}
