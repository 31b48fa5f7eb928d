// scriptcheck: checks installation scripts for the runner before they run.
//   scriptcheck [-C PROGRAM_DIR] SCRIPT...
// Prints findings in the compiler's form and exits with the worst one:
// 0 clean (notes only), 1 warnings, 2 errors, 3 usage or unreadable file.
#include <stdio.h>
#include <string.h>

#include <string>

#include "checks.h"
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

int main(int argc, char** argv)
{
    int first = 1;
    std::string programDir;
    if (argc >= 3 && strcmp(argv[1], "-C") == 0) {
        programDir = argv[2];
        if (!programDir.empty() && programDir.back() != '/' && programDir.back() != '\\')
            programDir += '/';
        first = 3;
    }
    if (first >= argc || argv[first][0] == '-') {
        fprintf(stderr, "usage: scriptcheck [-C PROGRAM_DIR] SCRIPT...\n"
                        "Checks installation scripts for the runner. -C names the directory the runner\n"
                        "will sit in (~%%C001, where CMD28 finds files; default: the script's own).\n"
                        "Exit status: 0 clean (notes only), 1 warnings, 2 errors, 3 usage error or a\n"
                        "script that cannot be read.\n");
        return kExitUsage;
    }
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
