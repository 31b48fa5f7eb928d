// Faults the stress run (mutated scripts) led to, one row each, kept so
// that they stay mended.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include "scenario_bench.h"

namespace scenario {
namespace {

// A CMD14 delete whose key field is empty, blank or only backslashes (a
// variable left empty, a damaged line) named the root itself: the tree
// delete then emptied the whole root. HKEY_CURRENT_CONFIG stands in for
// the roots whose loss would spoil the machine.
TEST(StressRegression, RegistryListNeverDeletesAWholeRoot)
{
    struct Row {
        const char* key;
        const char* logged; // the line that tells what became of the delete
    };
    const Row kRows[] = {
        {"", "ERROR-=- CMD14 does not delete a whole root key, line not done >2,HKCC,"},
        {"   ", "ERROR-=- CMD14 does not delete a whole root key, line not done >2,HKCC,"},
        {"\\", "ERROR opening key:  \\"}, // never opened: the name is invalid
        {"\\\\", "ERROR opening key:  \\\\"},
    };
    const char kSentinel[] = "SrStressSentinel";
    for (const Row& row : kRows) {
        const char* key = row.key;
        Bench b;
        HKEY sentinel;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_CONFIG, kSentinel, 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &sentinel, nullptr));
        RegCloseKey(sentinel);
        b.WriteScript("root.ini", "[Data]\n" + b.LogKeys() + "[Edits]\n2,HKCC," + key +
                                      ",,,\n1,HKCC,SrStressSentinel\\After,Done,0,yes\n[CommandsList]\n14,Edits\n");
        ASSERT_TRUE(b.Run("root.ini -silent").finished) << ">" << key << "<";
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_CONFIG, kSentinel, 0, KEY_READ, &sentinel))
            << ">" << key << "<: the root was emptied";
        RegCloseKey(sentinel);
        std::vector<std::string> log = b.Log();
        bool refused = false;
        for (const std::string& line : log)
            refused |= line.rfind(row.logged, 0) == 0;
        EXPECT_TRUE(refused) << ">" << key << "<" << JoinLines(log);
        // The list goes on after the refused line.
        HKEY after;
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_CONFIG, "SrStressSentinel\\After", 0, KEY_READ, &after))
            << ">" << key << "<";
        RegCloseKey(after);
        SHDeleteKeyA(HKEY_CURRENT_CONFIG, kSentinel);
    }
}

} // namespace
} // namespace scenario
