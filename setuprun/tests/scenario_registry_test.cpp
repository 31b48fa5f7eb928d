// Registry commands: stored types and bytes are read back exactly.
#include <algorithm>

#include <gtest/gtest.h>

#include "registry.h"
#include "scenario_bench.h"

using namespace scenario;
using testkit::DeleteKeyTree;
using testkit::KeyExists;
using testkit::ReadStoredValue;
using testkit::StoredValue;

namespace {

std::vector<unsigned char> Bytes(const std::string& text, bool withZero)
{
    std::vector<unsigned char> v(text.begin(), text.end());
    if (withZero)
        v.push_back(0);
    return v;
}

// A key of the test's own, so that tests side by side never meet.
std::string TestKey()
{
    return std::string("Software\\srtests\\") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

std::string SingleSection(const char* name, const char* hive, const std::string& key, const char* value,
                          const std::string& data, const char* type)
{
    std::string text = std::string("[") + name + "]\nRegHive=" + hive + "\nRegKey=" + key + "\nRegValue=" + value +
                       "\nRegData=" + data + "\n";
    if (type)
        text += std::string("RegDataType=") + type + "\n";
    return text;
}

TEST(Registry, SingleValuesStoreTheTextAsTheirTypeSays)
{
    Bench b;
    std::string key = TestKey();
    DeleteKeyTree(HKEY_CURRENT_USER, key);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, key);
    b.WriteScript("reg.ini", "[Data]\n" + b.LogKeys() + "[Variables]\nV001=C:\\Tools\n" +
                                 SingleSection("Dword", "HKEY_CURRENT_USER", key, "Dword", "1", "2") +
                                 SingleSection("Binary", "HKEY_CURRENT_USER", key, "Binary", "AB", "1") +
                                 SingleSection("Text", "hkey_current_user", key, "Path", "~%V001", nullptr) +
                                 SingleSection("Expand", "HKEY_CURRENT_USER", key, "Expand", "%SystemRoot%", "3") +
                                 SingleSection("Multi", "HKEY_CURRENT_USER", key, "Multi", "one,two", "4") +
                                 SingleSection("Default", "HKEY_CURRENT_USER", key, "", "unnamed", "0") +
                                 SingleSection("Abbrev", "HKCU", key, "Machine", "x", nullptr) +
                                 "[CommandsList]\n3,Dword\n3,Binary\n3,Text\n3,Expand\n3,Multi\n3,Default\n3,Abbrev\n");
    ASSERT_TRUE(b.Run("reg.ini -silent").finished);

    const struct {
        HKEY root;
        const char* name;
        DWORD type;
        std::vector<unsigned char> bytes;
    } expected[] = {
        {HKEY_CURRENT_USER, "Dword", REG_DWORD, {1, 0, 0, 0}},
        {HKEY_CURRENT_USER, "Binary", REG_BINARY, {0x41, 0x42}},
        {HKEY_CURRENT_USER, "Path", REG_SZ, Bytes("C:\\Tools", true)},
        {HKEY_CURRENT_USER, "Expand", REG_EXPAND_SZ, Bytes("%SystemRoot%", true)},
        {HKEY_CURRENT_USER, "Multi", REG_MULTI_SZ, Bytes(std::string("one,two", 8), true)}, // one string, two zeros
        {HKEY_CURRENT_USER, "", REG_SZ, Bytes("unnamed", true)},
        {HKEY_LOCAL_MACHINE, "Machine", REG_SZ, Bytes("x", true)}, // an abbreviation is no long name: HKLM
    };
    for (size_t i = 0; i < sizeof expected / sizeof expected[0]; i++) {
        StoredValue v = ReadStoredValue(expected[i].root, key, expected[i].name);
        EXPECT_TRUE(v.exists) << "case " << i;
        EXPECT_EQ(expected[i].type, v.type) << "case " << i;
        EXPECT_EQ(expected[i].bytes, v.bytes) << "case " << i;
    }
    std::vector<std::string> log = b.Log();
    EXPECT_TRUE(ContainsInOrder(log, {"...adding key:  HKEY_CURRENT_USER\\" + key + "\\Dword:<1>",
                                      "...adding key:  hkey_current_user\\" + key + "\\Path:<C:\\Tools>",
                                      "...adding key:  HKCU\\" + key + "\\Machine:<x>"}));
    EXPECT_EQ(0, CountLines(log, "NOTICE: unable to determine root key, defaulting to -> HKEY_LOCAL_MACHINE"));
    DeleteKeyTree(HKEY_CURRENT_USER, key);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, key);
}

TEST(Registry, SingleDwordValuesAreNumbersOrRefused)
{
    Bench b;
    std::string key = TestKey();
    DeleteKeyTree(HKEY_CURRENT_USER, key);
    const struct {
        const char* data;
        bool stored;
        std::vector<unsigned char> bytes;
    } cases[] = {
        {"42", true, {42, 0, 0, 0}},
        {"0x2A", true, {42, 0, 0, 0}},
        {"4294967295", true, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"0xDEADBEEF", true, {0xEF, 0xBE, 0xAD, 0xDE}},
        {"~%V001", true, {7, 0, 0, 0}}, // read once expanded
        {"4294967296", false, {}},
        {"0x1FFFFFFFF", false, {}},
        {"ten", false, {}},
        {"2A", false, {}},
        {"-1", false, {}},
        {"", false, {}},
    };
    std::string sections, list;
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        std::string name = "D" + std::to_string(i);
        sections += SingleSection(name.c_str(), "HKEY_CURRENT_USER", key, name.c_str(), cases[i].data, "2");
        list += "3," + name + "\n";
    }
    b.WriteScript("dword.ini", "[Data]\n" + b.LogKeys() + "[Variables]\nV001=7\n" + sections + "[CommandsList]\n" +
                                   list + "5\n");
    ASSERT_TRUE(b.Run("dword.ini -silent").finished);
    std::vector<std::string> log = b.Log();
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        std::string name = "D" + std::to_string(i);
        StoredValue v = ReadStoredValue(HKEY_CURRENT_USER, key, name.c_str());
        EXPECT_EQ(cases[i].stored, v.exists) << "case " << i << " >" << cases[i].data << "<";
        if (cases[i].stored) {
            EXPECT_EQ((DWORD)REG_DWORD, v.type) << "case " << i;
            EXPECT_EQ(cases[i].bytes, v.bytes) << "case " << i;
        } else {
            EXPECT_EQ(1, CountLines(log, "ERROR-=- HKEY_CURRENT_USER\\" + key + "\\" + name + ": RegData >" +
                                             cases[i].data + "< is no 32-bit number (decimal, or hexadecimal "
                                                             "after 0x): not stored"))
                << "case " << i << JoinLines(log);
        }
    }
    EXPECT_EQ("1", b.WorkingKey("dword.ini", "DATA", "RunCount")) << "a refused value does not stop the run";

    // Removing a DWORD value does not read its data.
    b.WriteScript("dwdel.ini", "[Data]\n" + b.LogKeys() +
                                   SingleSection("Del", "HKEY_CURRENT_USER", key, "D0", "not a number", "2") +
                                   "[CommandsList]\n4,Del\n");
    ASSERT_TRUE(b.Run("dwdel.ini -silent").finished);
    EXPECT_FALSE(ReadStoredValue(HKEY_CURRENT_USER, key, "D0").exists);
    DeleteKeyTree(HKEY_CURRENT_USER, key);
}

TEST(Registry, RemovingValuesAndKeys)
{
    Bench b;
    std::string key = TestKey();
    DeleteKeyTree(HKEY_CURRENT_USER, key);
    HKEY h;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, (key + "\\Full\\Child").c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &h, nullptr));
    RegCloseKey(h);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, (key + "\\Leaf").c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &h, nullptr));
    RegSetValueExA(h, "Gone", 0, REG_SZ, (const BYTE*)"x", 2);
    RegCloseKey(h);
    // A value at the root that a command without its key must not reach.
    RegSetValueExA(HKEY_CURRENT_USER, "SetuprunRootValue", 0, REG_SZ, (const BYTE*)"x", 2);
    b.WriteScript("remove.ini", "[Data]\n" + b.LogKeys() + "[NoKey]\nRegHive=HKEY_CURRENT_USER\n"
                                    "RegValue=SetuprunRootValue\n" +
                                    SingleSection("DelValue", "HKEY_CURRENT_USER", key + "\\Leaf", "Gone", "", nullptr) +
                                    SingleSection("DelMissing", "HKEY_CURRENT_USER", key + "\\Fresh", "None", "", nullptr) +
                                    SingleSection("DelLeaf", "HKEY_CURRENT_USER", key + "\\Leaf", "", "", nullptr) +
                                    SingleSection("DelFull", "HKEY_CURRENT_USER", key + "\\Full", "", "", nullptr) +
                                    "[CommandsList]\n4,DelValue\n4,DelMissing\n12,DelLeaf\n12,DelFull\n"
                                    "3,Misspelt\n4,NoKey\n12,Misspelt\n12,NoKey\n");
    ASSERT_TRUE(b.Run("remove.ini -silent").finished);
    // Without a section or a key nothing is changed, the root keys least.
    EXPECT_TRUE(ReadStoredValue(HKEY_CURRENT_USER, "", "SetuprunRootValue").exists);
    EXPECT_FALSE(ReadStoredValue(HKEY_LOCAL_MACHINE, "", "").exists) << "no default value written at the root";
    RegDeleteValueA(HKEY_CURRENT_USER, "SetuprunRootValue");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key + "\\Leaf"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key + "\\Fresh")) << "removing a value opens (creates) its key";
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key + "\\Full\\Child")) << "a key with subkeys is not removed on NT";
    EXPECT_TRUE(ContainsInOrder(b.Log(), {"...deleting Value:  HKEY_CURRENT_USER\\" + key + "\\Leaf\\Gone:<>",
                                          "...deleting Value:  HKEY_CURRENT_USER\\" + key + "\\Fresh\\None:<>",
                                          "...ERROR deleting Value  ", "...deleting Key:  " + key + "\\Leaf",
                                          "...deleting Key:  " + key + "\\Full", "...ERROR deleting Key  ",
                                          "CMD4> CMD03_Add single Reg Value: 3,Misspelt ",
                                          "ERROR-=- Missing the Data section",
                                          "ERROR-=- RegKey of [NoKey] is missing: the registry is not changed",
                                          "ERROR-=- Missing the Data section",
                                          "ERROR-=- RegKey of [NoKey] is missing: the registry is not changed"}));
    DeleteKeyTree(HKEY_CURRENT_USER, key);
}

TEST(Registry, ListEditsConvertHexadecimalData)
{
    Bench b;
    std::string key = TestKey();
    DeleteKeyTree(HKEY_CURRENT_USER, key);
    b.WriteScript("multi.ini", "[Data]\n" + b.LogKeys() + "[Variables]\nV001=Named\n[Edits]\n"
                  "1,HKCU," + key + ",Count,2,0000000A\n"
                  "1,HKCU," + key + ",Long,2,123456789A\n"
                  "1,HKCU," + key + ",Odd,2,ABC\n"
                  "1,HKCU," + key + ",Empty,2,\n"
                  "1,HKCU," + key + ",Bin,1,0a1B\n"
                  "1,HKCU," + key + ",BinG,1,0G\n"
                  "1,HKCU," + key + ",BinOdd,1,ABC\n"
                  "1,HKCU," + key + ",Text,0,a,b,c\n"
                  "1,HKCU," + key + ",Multi,4,a,b,c\n"
                  "1, hkcu , " + key + " , ~%V001 , 3 , ~%V001 \n"
                  "[CommandsList]\n14,Edits\n");
    ASSERT_TRUE(b.Run("multi.ini -silent").finished);
    const struct {
        const char* name;
        DWORD type;
        std::vector<unsigned char> bytes;
    } expected[] = {
        {"Count", REG_DWORD, {0x0A, 0, 0, 0}},
        {"Long", REG_DWORD, {0x9A, 0x78, 0x56, 0x34}},
        {"Odd", REG_DWORD, {0xC0, 0xAB, 0, 0}},
        {"Empty", REG_DWORD, {0, 0, 0, 0}},
        {"Bin", REG_BINARY, {0x0A, 0x1B}},
        {"BinG", REG_BINARY, {0x00}},
        {"BinOdd", REG_BINARY, {0xAB}},
        {"Text", REG_SZ, Bytes("a,b,c", true)},
        {"Multi", REG_MULTI_SZ, Bytes(std::string("a,b,c", 6), true)}, // one string, and the list's end
        {"Named", REG_EXPAND_SZ, Bytes("Named", true)},
    };
    for (size_t i = 0; i < sizeof expected / sizeof expected[0]; i++) {
        StoredValue v = ReadStoredValue(HKEY_CURRENT_USER, key, expected[i].name);
        EXPECT_TRUE(v.exists) << "case " << i << " " << expected[i].name;
        EXPECT_EQ(expected[i].type, v.type) << "case " << i;
        EXPECT_EQ(expected[i].bytes, v.bytes) << "case " << i;
    }
    std::vector<std::string> log = b.Log();
    // The DWORD 0A is shown as the text of its bytes up to the first zero:
    // a line feed, which splits the log line.
    EXPECT_TRUE(ContainsInOrder(log, {"Size of Data is : iSize = 4  ", " strlen=0",
                                      "Execute  CMD>14 - 1:  Add Key to registry",
                                      "...adding key:  HKEY_CURRENT_USER\\" + key + "\\Count"}));
    EXPECT_TRUE(ContainsInOrder(log, {"Size of Data is : iSize = 6  a,b,c strlen=5",
                                      "Size of Data is : iSize = 7  a,b,c strlen=5"}));
    DeleteKeyTree(HKEY_CURRENT_USER, key);
}

TEST(Registry, ListDeletesTreesAndStopsAtAMalformedLine)
{
    Bench b;
    std::string key = TestKey();
    DeleteKeyTree(HKEY_CURRENT_USER, key);
    for (const char* sub : {"\\Tree\\A\\A1\\A2", "\\Tree\\A\\A3", "\\Tree\\B", "\\Keep"}) {
        HKEY h;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, (key + sub).c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &h, nullptr));
        RegSetValueExA(h, "v", 0, REG_SZ, (const BYTE*)"x", 2);
        RegCloseKey(h);
    }
    // A line's key stays open for the next line naming it: the delete between
    // them must not leave "After" written into a key that is gone.
    b.WriteScript("tree.ini", "[Data]\n" + b.LogKeys() + "[Edits]\n"
                  "1,HKCU," + key + "\\Tree,Before,0,x\n"
                  "2,HKCU," + key + "\\Tree,,,\n"
                  "1,HKCU," + key + "\\Tree,After,0,x\n"
                  "3,HKCU," + key + "\\Keep,v,,\n"
                  "3,HKCU," + key + "\\Keep,nothere,,\n"
                  "5,HKCU," + key + "\\Created,,,\n"
                  "1,HKXX," + key + "\\Machine,m,0,x\n"
                  "1,HKCU," + key + "\n"
                  "1,HKCU," + key + ",Never,0,x\n"
                  "[Empty]\n"
                  "[CommandsList]\n14,Edits\n14,Empty\n14,Missing\n");
    ASSERT_TRUE(b.Run("tree.ini -silent").finished);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key + "\\Tree\\A")) << "the whole subtree goes, deepest first";
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key + "\\Tree\\B"));
    EXPECT_FALSE(ReadStoredValue(HKEY_CURRENT_USER, key + "\\Tree", "Before").exists);
    EXPECT_TRUE(ReadStoredValue(HKEY_CURRENT_USER, key + "\\Tree", "After").exists) << "the key is made again";
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key + "\\Keep"));
    EXPECT_FALSE(ReadStoredValue(HKEY_CURRENT_USER, key + "\\Keep", "v").exists);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key + "\\Created")) << "an undefined action still opens its key";
    EXPECT_TRUE(ReadStoredValue(HKEY_LOCAL_MACHINE, key + "\\Machine", "m").exists);
    EXPECT_FALSE(ReadStoredValue(HKEY_CURRENT_USER, key, "Never").exists) << "lines after a malformed one ran";
    std::vector<std::string> log = b.Log();
    EXPECT_TRUE(ContainsInOrder(log, {"Execute  CMD>14 - 2:  Delete Key from registry",
                                      "Execute  CMD>14 - 3:  Delete Value from registry", "...removing value:  v",
                                      "ERROR Removing Value:  nothere", "ERROR:undefined action -> 5",
                                      "NOTICE: unable to determine root key, defaulting to -> HKEY_LOCAL_MACHINE",
                                      "NOTICE:Value name not defined in line -> 1,HKCU," + key,
                                      "CMD1> CMD14_MultiRegEdit: 14,Empty ", "ERROR-=- Missing the Data section",
                                      "CMD2> CMD14_MultiRegEdit: 14,Missing ", "ERROR-=- Missing the Data section"}));
    EXPECT_EQ(0, CountLines(log, "ERROR: error removing registry key-> " + key + "\\Tree"));
    DeleteKeyTree(HKEY_CURRENT_USER, key);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, key);
}

TEST(Registry, OverlongFieldsAreRefused)
{
    Bench b;
    std::string key = TestKey();
    DeleteKeyTree(HKEY_CURRENT_USER, key);
    std::string longName(600, 'n');
    b.WriteScript("long.ini", "[Data]\n" + b.LogKeys() +
                                  SingleSection("LongKey", "HKEY_CURRENT_USER", key + "\\" + longName, "v", "x", nullptr) +
                                  "[Edits]\n1,HKCU," + key + ",Big,0," + std::string(300, 'd') + "\n"
                                  "1,HKCU," + key + ",After,0,ok\n"
                                  "[CommandsList]\n3,LongKey\n14,Edits\n");
    ASSERT_TRUE(b.Run("long.ini -silent").finished);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key + "\\" + longName.substr(0, 400)));
    EXPECT_FALSE(ReadStoredValue(HKEY_CURRENT_USER, key, "Big").exists);
    EXPECT_TRUE(ReadStoredValue(HKEY_CURRENT_USER, key, "After").exists) << "a refused line does not stop the list";
    std::vector<std::string> log = b.Log();
    EXPECT_EQ(1, CountLines(log, "ERROR-=- RegKey of [LongKey] is longer than 511 characters: not done"));
    int refused = 0;
    for (const std::string& line : log)
        refused += line.rfind("ERROR-=- data longer than 259 characters, line not done", 0) == 0;
    EXPECT_EQ(1, refused) << JoinLines(log);
    DeleteKeyTree(HKEY_CURRENT_USER, key);
}

} // namespace
