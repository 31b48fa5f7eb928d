// Writes mutated scripts for comparing two builds of the checker: case i
// is seed (i mod seeds) damaged by the stress run's mutations, the same
// bytes for the same case number on every machine.
//   checker_corpus OUTDIR COUNT SEED.ini...
#include <stdio.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "script_mutator.h"

int main(int argc, char** argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: checker_corpus OUTDIR COUNT SEED.ini...\n");
        return 2;
    }
    std::vector<std::string> seeds;
    for (int i = 3; i < argc; i++) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            fprintf(stderr, "checker_corpus: cannot read %s\n", argv[i]);
            return 2;
        }
        std::ostringstream text;
        text << in.rdbuf();
        seeds.push_back(text.str());
    }
    long count = strtol(argv[2], nullptr, 10);
    for (long i = 0; i < count; i++) {
        stress::Mutated m = stress::MutateScript(seeds[i % seeds.size()], 0x5EEDull + (uint64_t)i);
        char path[4096];
        snprintf(path, sizeof path, "%s/m%05ld.ini", argv[1], i);
        std::ofstream out(path, std::ios::binary);
        out << m.script;
        if (!out) {
            fprintf(stderr, "checker_corpus: cannot write %s\n", path);
            return 2;
        }
    }
    return 0;
}
