// Read-only registry access on real keys of the test prefix. The keys are this test's
// own (under HKEY_CURRENT_USER), so it runs beside the tests that use the installer's.
#include "sysutil/registry.h"
#include "support/text_printer.h"
#include "support/win32_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace sysutil;
using namespace testsupport;

namespace {

class Registry : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = "Software\\LangSelect tests\\registry " + std::to_string(GetCurrentProcessId());
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &writable_, nullptr));
    }
    void TearDown() override {
        RegCloseKey(writable_);
        RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
    }
    void Set(const char* name, DWORD type, const std::string& bytes) {
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExA(writable_, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size())));
    }

    std::string path_;
    HKEY writable_ = nullptr;
};

struct ValueCase {
    DWORD type;
    std::string bytes; // exactly as stored
    std::string expected;
};

TEST_F(Registry, OnlyStringValuesAreReadUpToTheirFirstZero) {
    const std::string unended(10000, 'x');
    const ValueCase cases[] = {
        {REG_SZ, std::string("1031", 5), "1031"},
        {REG_SZ, "1031", "1031"}, // no terminator: still read whole
        {REG_SZ,
         std::string("10\0"
                     "31",
                     6),
         "10"},
        {REG_SZ, unended, unended},
        {REG_SZ, "", ""},
        {REG_DWORD, std::string("\x07\x04\0\0", 4), ""},
        {REG_EXPAND_SZ, std::string("1031", 5), ""},
        {REG_MULTI_SZ, std::string("1031\0", 6), ""},
        {REG_BINARY, "1031", ""},
    };
    for (const ValueCase& c : cases) {
        Set("Installer Language", c.type, c.bytes);
        const HKEY key = OpenRegistryKeyForRead(HKEY_CURRENT_USER, path_.c_str());
        ASSERT_NE(nullptr, key);
        EXPECT_EQ(c.expected, std::string(ReadRegistryText(key, "Installer Language").c_str()))
            << "type " << c.type << ", " << c.bytes.size() << " bytes";
        EXPECT_EQ("", ReadRegistryText(key, "Other"));
        CloseRegistryKey(key);
    }
}

TEST_F(Registry, KeysAreOpenedForReadingOnly) {
    EXPECT_TRUE(RegistryKeyPresent(HKEY_CURRENT_USER, path_.c_str()));
    EXPECT_FALSE(RegistryKeyPresent(HKEY_CURRENT_USER, (path_ + "\\missing").c_str()));
    EXPECT_EQ(nullptr, OpenRegistryKeyForRead(HKEY_CURRENT_USER, (path_ + "\\missing").c_str()));
    const HKEY key = OpenRegistryKeyForRead(HKEY_CURRENT_USER, path_.c_str());
    ASSERT_NE(nullptr, key);
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegSetValueExA(key, "x", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2));
    CloseRegistryKey(key);
}

int g_calls = 0;
LONG WINAPI CountedQuery(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
    ++g_calls;
    return RegQueryValueExA(key, name, reserved, type, data, size);
}
LONG WINAPI CountedClose(HKEY key) {
    ++g_calls;
    return RegCloseKey(key);
}
LONG WINAPI CountedOpen(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key) {
    ++g_calls;
    return RegOpenKeyExA(root, path, options, access, key);
}

TEST(RegistryCalls, HandleZeroMakesNoCall) {
    SystemProcHook query("RegQueryValueExA", CountedQuery);
    SystemProcHook close("RegCloseKey", CountedClose);
    SystemProcHook open("RegOpenKeyExA", CountedOpen);
    ASSERT_TRUE(open.Installed());
    g_calls = 0;
    EXPECT_EQ("", ReadRegistryText(nullptr, "Installer Language"));
    CloseRegistryKey(nullptr);
    EXPECT_FALSE(RegistryKeyPresent(nullptr, "Software"));
    EXPECT_EQ(0, g_calls);
    // The hooks do see the product's calls: one open and one close.
    EXPECT_TRUE(RegistryKeyPresent(HKEY_LOCAL_MACHINE, "Software"));
    EXPECT_EQ(2, g_calls);
}

} // namespace
