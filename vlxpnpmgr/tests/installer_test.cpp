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
#include "value_shapes.h"

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
    StoreDword(HKEY_LOCAL_MACHINE, PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, 1);
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

// Every shape of value a damaged or hand-edited registry can hold (the
// table shared with the applet's tests), read afresh at each use; without
// the key, no windows and warm swapping on.
TEST(Installer, ParametersInEveryShapeAreReadAfresh)
{
    BayMachine bay;
    DeleteKeyTree(HKEY_LOCAL_MACHINE, SERVICE_KEY);
    EXPECT_EQ(0u, ReadEnableMessages()) << "no key";
    EXPECT_TRUE(ReadEnableWarmSwapping()) << "no key";
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, PARAMETERS_KEY, 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    for (const testkit::ValueShape& shape : testkit::ValueShapes()) {
        ASSERT_EQ(ERROR_SUCCESS, testkit::StoreShape(key, ENABLE_MESSAGES_VALUE, shape)) << shape.shape;
        ASSERT_EQ(ERROR_SUCCESS, testkit::StoreShape(key, ENABLE_WARM_SWAPPING_VALUE, shape)) << shape.shape;
        EXPECT_EQ(shape.serviceOn, ReadEnableMessages() != 0) << shape.shape;
        EXPECT_EQ(shape.serviceOn, ReadEnableWarmSwapping()) << shape.shape;
    }
    RegCloseKey(key);
    // The value itself is what the service takes: 2 is 2.
    StoreDword(HKEY_LOCAL_MACHINE, PARAMETERS_KEY, ENABLE_MESSAGES_VALUE, 2);
    EXPECT_EQ(2u, ReadEnableMessages());
}
