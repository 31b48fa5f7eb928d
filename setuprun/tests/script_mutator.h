// Mutated scripts for the stress run: a seed script damaged in chosen ways
// (cut, flipped bytes, odd line ends, huge lines, broken headers, odd
// numbers and tokens, loops), the same for the same case number.
#pragma once

#include <stdint.h>

#include <string>

namespace stress {

// What a mutation did, as far as the outcome of a run depends on it.
struct Mutated {
    std::string script;
    std::string kinds;        // names of the mutations applied, for the report
    bool loopsByDesign = false; // a jump cycle was added: the run may never end
};

// One of the mutations on its own (index < MutationCount()), or a random
// mix of one to three when index is negative. rng seeds every choice.
Mutated MutateScript(const std::string& seed, uint64_t caseSeed, int index = -1);
int MutationCount();
const char* MutationName(int index);

// 64-bit FNV-1a of a byte string.
uint64_t HashBytes(const std::string& bytes);

} // namespace stress
