// What a run of a script will do to the machine, in run order, before it
// runs: the run's lists, branches and command numbers followed as the
// runner follows them (the same compile, section reads, token expansion
// and registry bytes), under choices the script cannot tell (the Windows
// version, the firmware, the answers to boxes, the folders).
#pragma once

#include <string>
#include <vector>

#include "checks.h"

enum PlanWindows { kPlanOtherWindows, kPlanWin95, kPlanWin98, kPlanNT4, kPlanWin2000 };
enum PlanPower { kPlanApm, kPlanAcpi };

struct PlanOptions {
    PlanWindows windows = kPlanWin2000;
    bool firmwareAnswers = false; // the maker's firmware is there and answers
    unsigned systemId = 0;        // its system ID, when it answers
    PlanPower power = kPlanApm;   // Windows 98 only: APM or ACPI
    int answer = 0;               // the button pressed on every box; 0: what a silent run answers
    std::string programDir;       // ~%C001, without its last backslash
    std::string windowsDir;       // ~%C101
    std::string systemDir;        // ~%C103; empty: the Windows directory's usual one for the version
    bool folderNames = false;     // built-in folders by name (<system folder>), not as paths
};

// One effect: where in the script it comes from, its kind, its arguments.
struct PlanStep {
    std::string file;
    int line;
    std::string kind;
    std::vector<std::string> args;
};

struct Plan {
    std::vector<std::string> assumptions; // the choices made, one line each
    std::vector<PlanStep> steps;
    std::string end; // "DONE", "exit", "working copy deleted", or why the plan stopped
};

// The plan of a script the checker finds no error in.
Plan PlanScript(const std::string& fileName, const std::string& text, const AppendSource* appended,
                const PlanOptions& options);

// The plan as text: "plan: " lines, one line an effect
// ("<file>:<line>:\t<kind>\t<arg>..."), and "end\t<how>".
std::string FormatPlan(const Plan& plan);
