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

// A delete (CMD16, and CMD29 through it) of a path that a damaged line or
// an empty variable cut down to a drive took the whole drive (the stress
// run lost its drive C: folders so). The drive here is one that does not
// exist, so that the test harms nothing if the refusal is ever lost: it
// then logs that it cannot find the path instead.
TEST(StressRegression, DeleteNeverTakesAWholeDrive)
{
    Bench b;
    const char* const kPaths[] = {"Q:\\", "Q:", "Q:\\.", "q:/", "Q:\\\\"};
    for (const char* path : kPaths) {
        b.WriteScript("drive.ini", "[Data]\n" + b.LogKeys() + "[List]\n" + path + "\n[CommandsList]\n16,," + path +
                                       "\n16,List\n29,,Q:\\,FALSE\n");
        ASSERT_TRUE(b.Run("drive.ini -silent").finished) << path;
        std::vector<std::string> log = b.Log();
        // The field, the list line and CMD29's own delete.
        EXPECT_TRUE(ContainsInOrder(log, {"ERROR-=- a whole drive is not deleted >" + std::string(path) + "<",
                                          "ERROR-=- a whole drive is not deleted >" + std::string(path) + "<",
                                          "ERROR-=- a whole drive is not deleted >Q:\\<"}))
            << ">" << path << "<";
        b.ClearLog();
    }
}

} // namespace
} // namespace scenario
