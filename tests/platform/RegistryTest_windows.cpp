// The Windows registry: values written into a scratch key of the current
// user's 32-bit view, read back through the service.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "OsErrorCode.h"
#include "platform/Errors.h"
#include "platform/Registry.h"

namespace velm {
namespace {

const char* const kKey = "Software\\VelmUpdateTest";

class WindowsRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0,
                                  KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(key_);
        RegDeleteKeyExA(HKEY_CURRENT_USER, kKey, KEY_WOW64_32KEY, 0);
    }
    void set(const char* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetValueExA(key_, name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }
    void setText(const char* name, DWORD type, const std::string& text) {
        set(name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }
    static unsigned long errorCode(const std::string& key, const std::string& value) {
        return test::osErrorCode(
            [&] { registry().readValue(RegistryRoot::CurrentUser, key, value); });
    }

    HKEY key_ = nullptr;
};

TEST_F(WindowsRegistryTest, ReadsStringsNumbersAndBinaryData) {
    setText("Text", REG_SZ, "C:\\Arquivos de programas \xE7");
    setText("Expand", REG_EXPAND_SZ, "%SystemRoot%\\x");
    const DWORD number = 0xFFFFFFFE;
    set("Number", REG_DWORD, &number, 4);
    set("Blob", REG_BINARY,
        "\0\xFF"
        "AB",
        4);
    setText("", REG_SZ, "default");
    set("Multi", REG_MULTI_SZ, "a\0b\0", 5);

    Registry& r = registry();
    const std::string key = "\\Software\\VelmUpdateTest";
    EXPECT_EQ(r.readValue(RegistryRoot::CurrentUser, key, "Text"),
              RegistryValue("C:\\Arquivos de programas \xE7"));
    EXPECT_EQ(r.readValue(RegistryRoot::CurrentUser, key, "expand"),
              RegistryValue("%SystemRoot%\\x"));
    EXPECT_EQ(r.readValue(RegistryRoot::CurrentUser, key, "Number"),
              RegistryValue(std::int32_t{-2}));
    EXPECT_EQ(r.readValue(RegistryRoot::CurrentUser, key, "Blob"),
              RegistryValue(std::string("\0\xFF"
                                        "AB",
                                        4)));
    EXPECT_EQ(r.readValue(RegistryRoot::CurrentUser, kKey, ""), RegistryValue("default"));

    EXPECT_EQ(errorCode(key, "Multi"), 1012u);
    EXPECT_EQ(errorCode(key, "Missing"), 1012u);
    EXPECT_EQ(errorCode("\\Software\\VelmUpdateTest\\Missing", "Text"), 2u);
}

// The local machine's software key has two views on a 64-bit system: a value
// only the 32-bit view holds must be the one read.
TEST(WindowsRegistryViewTest, ReadsThe32BitView) {
    HKEY views[2] = {nullptr, nullptr};
    const REGSAM flags[2] = {KEY_WOW64_32KEY, KEY_WOW64_64KEY};
    for (int i = 0; i < 2; ++i) {
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_SET_VALUE | flags[i],
                            nullptr, &views[i], nullptr) != ERROR_SUCCESS) {
            if (views[0]) RegCloseKey(views[0]);
            GTEST_SKIP() << "the local machine's key cannot be written here";
        }
        const std::string text = i == 0 ? "32-bit" : "64-bit";
        RegSetValueExA(views[i], "View", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
    }
    const RegistryValue v = registry().readValue(RegistryRoot::LocalMachine, kKey, "View");
    for (int i = 0; i < 2; ++i) {
        RegCloseKey(views[i]);
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kKey, flags[i], 0);
    }
    EXPECT_EQ(v, RegistryValue("32-bit"));
}

}  // namespace
}  // namespace velm
