// The service registers and unregisters itself through Wine's service
// control manager; the registry is checked byte for byte, and every error
// box pair is answered as a person would.
#include <gtest/gtest.h>

#include <string.h>

#include "bay_bench.h"
#include "error_box.h"
#include "installer.h"
#include "parameters.h"
#include "services.h"

using namespace baytest;

namespace {

std::vector<BYTE> Bytes(const void* data, size_t size)
{
    const BYTE* p = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(p, p + size);
}

std::vector<BYTE> Dword(DWORD value)
{
    return Bytes(&value, sizeof value);
}

std::vector<BYTE> Text(const std::string& text)
{
    return Bytes(text.c_str(), text.size() + 1);
}

void ExpectValue(const char* key, const char* name, DWORD type, const std::vector<BYTE>& bytes)
{
    StoredValue v = ReadStoredValue(HKEY_LOCAL_MACHINE, key, name);
    EXPECT_TRUE(v.exists) << name;
    EXPECT_EQ(type, v.type) << name;
    EXPECT_EQ(bytes, v.bytes) << name;
}

std::string SystemText(DWORD error)
{
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error, 0x0400,
                   reinterpret_cast<char*>(&text), 0, nullptr);
    std::string s = text ? text : "";
    LocalFree(text);
    return s;
}

void ExpectErrorPair(const std::vector<testkit::BoxSeen>& boxes, size_t at, const char* message, DWORD error)
{
    ASSERT_GE(boxes.size(), at + 2) << message;
    EXPECT_EQ(ERROR_BOX_CAPTION, boxes[at].caption);
    EXPECT_EQ(message, boxes[at].text);
    EXPECT_EQ(std::vector<int>{IDOK}, boxes[at].buttons);
    EXPECT_EQ(testkit::BoxIcon::None, boxes[at].icon) << message;
    EXPECT_EQ(ERROR_TEXT_CAPTION, boxes[at + 1].caption);
    EXPECT_EQ(SystemText(error), boxes[at + 1].text) << message << ": the failure's own error, " << error;
    EXPECT_EQ(testkit::BoxIcon::Information, boxes[at + 1].icon) << message;
}

} // namespace

TEST(Installer, InstallReinstallAndRemove)
{
    BayMachine bay; // no service, no key
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);

    std::vector<testkit::BoxSeen> boxes = AnswerBoxesWhile([] { EXPECT_TRUE(InstallService()); });
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ((DWORD)SERVICE_STOPPED, testkit::ServiceState(SERVICE_NAME));
    ExpectValue(SERVICE_KEY, "Type", REG_DWORD, Dword(0x110));
    ExpectValue(SERVICE_KEY, "Start", REG_DWORD, Dword(2));
    ExpectValue(SERVICE_KEY, "ErrorControl", REG_DWORD, Dword(0));
    ExpectValue(SERVICE_KEY, "DisplayName", REG_SZ, Text("Vorlix PnP Manager 1.8"));
    // The manager chooses the path's type (Windows: expandable, Wine: plain).
    StoredValue path = ReadStoredValue(HKEY_LOCAL_MACHINE, SERVICE_KEY, "ImagePath");
    EXPECT_EQ(Text(std::string(system) + "\\vlxpnpmgr"), path.bytes);
    ExpectValue(SERVICE_KEY, "DependOnService", REG_MULTI_SZ, Bytes("swapctl\0", 9));
    ExpectValue(PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, REG_DWORD, Dword(0));
    ExpectValue(PARAMETERS_KEY, ENABLE_WARM_SWAPPING_VALUE, REG_DWORD, Dword(0));

    // Registered already: nothing is created or written, the user's settings stay.
    SetDwordValue(HKEY_LOCAL_MACHINE, PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, 1);
    boxes = AnswerBoxesWhile([] { EXPECT_FALSE(InstallService()); });
    EXPECT_TRUE(boxes.empty());
    ExpectValue(PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, REG_DWORD, Dword(1));

    EXPECT_TRUE(RemoveService());
    EXPECT_EQ(0u, testkit::ServiceState(SERVICE_NAME));
    EXPECT_FALSE(RemoveService()) << "nothing left to remove";

    // A fresh install resets the settings.
    boxes = AnswerBoxesWhile([] { EXPECT_TRUE(InstallService()); });
    EXPECT_TRUE(boxes.empty());
    ExpectValue(PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, REG_DWORD, Dword(0));
}

TEST(Installer, AFailedStepIsReportedAndTheRestStillRuns)
{
    BayMachine bay;
    // A volatile service key takes no lasting Parameters key under it.
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, SERVICE_KEY, 0, nullptr, REG_OPTION_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
    std::vector<testkit::BoxSeen> boxes = AnswerBoxesWhile([] { EXPECT_FALSE(InstallService()); });
    ASSERT_EQ(2u, boxes.size());
    ExpectErrorPair(boxes, 0, "Failed to create Parameters subkey.", ERROR_CHILD_MUST_BE_VOLATILE);
    ExpectValue(SERVICE_KEY, "DependOnService", REG_MULTI_SZ, Bytes("swapctl\0", 9));
    EXPECT_EQ((DWORD)SERVICE_STOPPED, testkit::ServiceState(SERVICE_NAME)) << "the service itself is registered";
}

TEST(Installer, TheErrorPairShowsTheFailuresOwnError)
{
    BayMachine bay;
    std::vector<testkit::BoxSeen> boxes = AnswerBoxesWhile([] {
        SetLastError(ERROR_FILE_NOT_FOUND);
        ShowError("Cannot locate the PnP Device Change Event.");
    });
    ExpectErrorPair(boxes, 0, "Cannot locate the PnP Device Change Event.", ERROR_FILE_NOT_FOUND);
}

TEST(Installer, ParametersAreReadAfreshWithTheirDefaults)
{
    BayMachine bay;
    const BYTE two[] = {2, 0};
    const BYTE eight[8] = {1};
    const struct {
        bool key;
        DWORD type; // REG_NONE: the value is missing
        std::vector<BYTE> data;
        DWORD messages;
        bool warm;
    } cases[] = {
        {false, REG_NONE, {}, 0, true},                         // no key: no windows, warm swapping on
        {true, REG_NONE, {}, 0, false},                         // no values: both off
        {true, REG_DWORD, Dword(2), 2, true},                   // any nonzero value counts as on
        {true, REG_DWORD, Dword(0), 0, false},
        {true, REG_BINARY, Bytes(two, sizeof two), 2, true},    // the type is not looked at
        {true, REG_BINARY, Bytes(eight, sizeof eight), 0, false}, // too long for 4 bytes: not taken
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        const auto& c = cases[i];
        DeleteKeyTree(HKEY_LOCAL_MACHINE, SERVICE_KEY);
        if (c.key) {
            HKEY key;
            ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, PARAMETERS_KEY, 0, nullptr, 0,
                                                     KEY_ALL_ACCESS, nullptr, &key, nullptr));
            if (c.type != REG_NONE) {
                RegSetValueExA(key, ENABLE_MESSAGES_VALUE, 0, c.type, c.data.data(), (DWORD)c.data.size());
                RegSetValueExA(key, ENABLE_WARM_SWAPPING_VALUE, 0, c.type, c.data.data(), (DWORD)c.data.size());
            }
            RegCloseKey(key);
        }
        EXPECT_EQ(c.messages, ReadEnableMessages()) << "case " << i;
        EXPECT_EQ(c.warm, ReadEnableWarmSwapping()) << "case " << i;
    }
}
