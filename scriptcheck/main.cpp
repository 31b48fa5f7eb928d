// scriptcheck: checks installation scripts for the runner before they run.
//   scriptcheck [-C PROGRAM_DIR] SCRIPT...
// Prints findings in the compiler's form and exits with the worst one:
// 0 clean (notes only), 1 warnings, 2 errors, 3 usage or unreadable file.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "checks.h"
#include "plan.h"
#include "plan_compare.h"
#include "findings.h"
#include "text.h"

static bool ReadWholeFile(const std::string& path, std::string* text)
{
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return false;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        text->append(chunk, got);
    bool ok = !ferror(file);
    fclose(file);
    return ok;
}

// The directory part of a path, with its separator; empty without one.
static std::string DirectoryOf(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

struct AppendPlace {
    std::string scriptPath;
    std::string programDir; // with its separator; empty: the script's directory
};

// Finds the file of a CMD28 line: ~%C001 is the program's directory (-C),
// by default the script's own; a path with other tokens is not followed.
static bool ReadAppendedFile(void* context, const std::string& path, std::string* shownName, std::string* text)
{
    const AppendPlace* place = (const AppendPlace*)context;
    std::string name = path;
    std::string programDir = place->programDir.empty() ? DirectoryOf(place->scriptPath) : place->programDir;
    if (name.size() >= 7 && FindNoCase(name.c_str(), "~%C001\\") == name.c_str())
        name = programDir + name.substr(7);
    if (name.find("~%") != std::string::npos)
        return false;
#ifndef _WIN32
    for (char& c : name) {
        if (c == '\\')
            c = '/';
    }
#endif
    *shownName = name;
    return ReadWholeFile(name, text);
}

struct PlanChoice {
    const char* word;
    int value;
};

// The value of a word of a list; -1 when it is none of them.
static int Choose(const char* word, const PlanChoice* choices)
{
    for (; choices->word; choices++) {
        if (EqualsNoCase(word, choices->word))
            return choices->value;
    }
    return -1;
}

static const PlanChoice kWindowsChoices[] = {{"95", kPlanWin95},  {"98", kPlanWin98},         {"nt4", kPlanNT4},
                                             {"2000", kPlanWin2000}, {"other", kPlanOtherWindows}, {nullptr, 0}};
static const PlanChoice kPowerChoices[] = {{"apm", kPlanApm}, {"acpi", kPlanAcpi}, {nullptr, 0}};
// The button ids of the Windows message box.
static const PlanChoice kAnswerChoices[] = {{"default", 0}, {"ok", 1},    {"cancel", 2}, {"abort", 3}, {"retry", 4},
                                            {"ignore", 5},  {"yes", 6},   {"no", 7},     {nullptr, 0}};

static int Usage()
{
    fprintf(stderr, "usage: scriptcheck [-C PROGRAM_DIR] SCRIPT...\n"
                    "       scriptcheck --plan|--plan-all [--windows 95|98|nt4|2000|other] [--firmware none|ID]\n"
                    "                   [--power apm|acpi] [--answer default|ok|cancel|yes|no|retry|abort|ignore]\n"
                    "                   [--folders paths|names] [--program-dir DIR] [--windows-dir DIR]\n"
                    "                   [--system-dir DIR]\n"
                    "                   SCRIPT [--undo REMOVAL_SCRIPT]\n"
                    "Checks installation scripts for the runner. -C names the directory the runner\n"
                    "will sit in (~%%C001, where CMD28 finds files; default: the script's own).\n"
                    "--plan prints what a run of the script does to the machine, in run order, when\n"
                    "the checker finds no error in it; --plan-all does so for every Windows version,\n"
                    "each line naming those it happens on; --undo lists what the script leaves that\n"
                    "the removal script does not take away.\n"
                    "Exit status: 0 clean (notes only), 1 warnings, 2 errors, 3 usage error or a\n"
                    "script that cannot be read.\n");
    return kExitUsage;
}

// A script read and checked for a plan: its findings are printed; false
// (with *status raised) when it cannot be read or has an error.
static bool CheckForPlan(const char* script, const std::string& programDir, std::string* text, int* status)
{
    if (!ReadWholeFile(script, text)) {
        fprintf(stderr, "scriptcheck: cannot read %s\n", script);
        *status = kExitUsage;
        return false;
    }
    AppendPlace place = {script, programDir.empty() ? "" : programDir + "/"};
    AppendSource appended = {ReadAppendedFile, &place};
    std::vector<Finding> findings = CheckScript(script, *text, &appended);
    PrintFindings(stdout, findings);
    *status = std::max(*status, ExitStatusFor(findings));
    return ExitStatusFor(findings) < kExitErrors;
}

static Plan PlanFor(const char* script, const std::string& text, const std::string& programDir, PlanOptions options)
{
    AppendPlace place = {script, programDir.empty() ? "" : programDir + "/"};
    AppendSource appended = {ReadAppendedFile, &place};
    options.programDir = programDir.empty() ? DirectoryOf(script) : programDir;
    while (!options.programDir.empty() && (options.programDir.back() == '/' || options.programDir.back() == '\\'))
        options.programDir.pop_back();
    return PlanScript(script, text, &appended, options);
}

// scriptcheck --plan / --plan-all ...: the findings first; the plan when
// there is no error. With --undo, what the script leaves that the other
// script does not take away, on every version.
static int PlanMain(int argc, char** argv)
{
    bool allVersions = strcmp(argv[1], "--plan-all") == 0;
    PlanOptions options;
    options.windowsDir = "C:\\WINDOWS";
    std::string programDir;
    const char* script = nullptr;
    const char* removal = nullptr;
    for (int i = 2; i < argc; i++) {
        std::string option = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (option[0] != '-') {
            if (script)
                return Usage();
            script = argv[i];
            continue;
        }
        if (!value)
            return Usage();
        i++;
        int chosen = 0;
        if (option == "--windows" && (chosen = Choose(value, kWindowsChoices)) >= 0) {
            options.windows = (PlanWindows)chosen;
        } else if (option == "--power" && (chosen = Choose(value, kPowerChoices)) >= 0) {
            options.power = (PlanPower)chosen;
        } else if (option == "--answer" && (chosen = Choose(value, kAnswerChoices)) >= 0) {
            options.answer = chosen;
        } else if (option == "--firmware") {
            char* end;
            unsigned long id = strtoul(value, &end, 16);
            options.firmwareAnswers = !EqualsNoCase(value, "none");
            if (options.firmwareAnswers && (*end || id > 0xFFFF))
                return Usage();
            options.systemId = (unsigned)id;
        } else if (option == "--program-dir" || option == "-C") {
            programDir = value;
        } else if (option == "--windows-dir") {
            options.windowsDir = value;
        } else if (option == "--system-dir") {
            options.systemDir = value;
        } else if (option == "--folders" && (EqualsNoCase(value, "names") || EqualsNoCase(value, "paths"))) {
            options.folderNames = EqualsNoCase(value, "names");
        } else if (option == "--undo") {
            removal = value;
        } else {
            return Usage();
        }
    }
    if (!script)
        return Usage();
    int status = kExitClean;
    std::string text, removalText;
    bool planned = CheckForPlan(script, programDir, &text, &status);
    if (removal && !CheckForPlan(removal, programDir, &removalText, &status))
        planned = false;
    if (planned && (allVersions || removal)) {
        std::vector<std::string> names;
        std::vector<Plan> plans, removals;
        for (const PlanChoice* c = kWindowsChoices; c->word; c++) {
            options.windows = (PlanWindows)c->value;
            names.push_back(c->word);
            plans.push_back(PlanFor(script, text, programDir, options));
            if (removal)
                removals.push_back(PlanFor(removal, removalText, programDir, options));
        }
        for (const std::string& line : plans[0].assumptions) {
            // The version's own lines: its name and, with paths, its system folder.
            if (line.find("(--windows)") == std::string::npos && line.find("(--folders, ") == std::string::npos)
                printf("plan: %s\n", line.c_str());
        }
        if (!options.folderNames)
            printf("plan: ~%%C101 is %s, ~%%C103 %s (--folders, --program-dir, --windows-dir, --system-dir)\n",
                   options.windowsDir.c_str(),
                   options.systemDir.empty() ? "its \\system32 on NT 4.0 and 2000 and its \\SYSTEM on 95 and 98"
                                             : options.systemDir.c_str());
        if (removal) {
            printf("plan: what %s leaves that %s does not take away, on each Windows\n", script, removal);
            std::string left = FormatLeftovers(names, plans, removals);
            fputs(left.empty() ? "all\tnothing\n" : left.c_str(), stdout);
        } else {
            printf("plan: every Windows (95, 98, nt4, 2000, other); each line names those it happens on\n");
            fputs(FormatPlansByVersion(names, plans).c_str(), stdout);
        }
    } else if (planned) {
        fputs(FormatPlan(PlanFor(script, text, programDir, options)).c_str(), stdout);
    }
    fflush(stdout);
    return status;
}

int main(int argc, char** argv)
{
    if (argc >= 2 && (strcmp(argv[1], "--plan") == 0 || strcmp(argv[1], "--plan-all") == 0))
        return PlanMain(argc, argv);
    int first = 1;
    std::string programDir;
    if (argc >= 3 && strcmp(argv[1], "-C") == 0) {
        programDir = argv[2];
        if (!programDir.empty() && programDir.back() != '/' && programDir.back() != '\\')
            programDir += '/';
        first = 3;
    }
    if (first >= argc || argv[first][0] == '-')
        return Usage();
    int status = kExitClean;
    for (int i = first; i < argc; i++) {
        std::string path = argv[i];
        std::string text;
        if (!ReadWholeFile(path, &text)) {
            fprintf(stderr, "scriptcheck: cannot read %s\n", path.c_str());
            status = kExitUsage;
            continue;
        }
        AppendPlace place = {path, programDir};
        AppendSource appended = {ReadAppendedFile, &place};
        std::vector<Finding> findings = CheckScript(path, text, &appended);
        PrintFindings(stdout, findings);
        int own = ExitStatusFor(findings);
        if (status != kExitUsage && own > status)
            status = own;
    }
    fflush(stdout);
    return status;
}
