#include "settings/RegDwordValue.h"
#include "settings/RegStringValue.h"

#include <gtest/gtest.h>

#include <vector>

using settings::RegDwordValue;
using settings::RegStringValue;

namespace {

const char* const testKey = "Software\\VelquinTest";

// Every test starts and ends without the test key.
class RegValue : public testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, testKey); }
    void TearDown() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, testKey); }

    static std::string path(const char* name) { return std::string(testKey) + "\\" + name; }

    static void store(const char* name, DWORD type, const void* data, DWORD size) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, testKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
    static void storeDword(const char* name, DWORD value) {
        store(name, REG_DWORD, &value, sizeof value);
    }
    // The stored type and data, or type REG_NONE when the value is absent.
    static std::pair<DWORD, std::vector<BYTE>> stored(const char* name) {
        std::vector<BYTE> data(256);
        DWORD type = REG_NONE, size = static_cast<DWORD>(data.size());
        if (RegGetValueA(HKEY_LOCAL_MACHINE, testKey, name, RRF_RT_ANY | RRF_NOEXPAND, &type,
                         data.data(), &size) != ERROR_SUCCESS)
            return {REG_NONE, {}};
        data.resize(size);
        return {type, data};
    }
};

} // namespace

TEST_F(RegValue, ConstructionReadsAndGetAnswersFromTheCache) {
    storeDword("Ready", 1);
    RegDwordValue early(path("Ready"));
    storeDword("Ready", 7);
    EXPECT_EQ(early.get(), 1u);
    EXPECT_EQ(RegDwordValue(path("Ready")).get(), 7u);
    EXPECT_EQ(RegDwordValue(path("Ready"), 0, true).get(), 7u);
}

TEST_F(RegValue, FailedConstructionReadIsRetriedByGet) {
    RegDwordValue number(path("TimeOut"), 9);
    RegStringValue text(path("AppPath"), "none");
    EXPECT_EQ(number.get(), 9u);
    EXPECT_EQ(text.get(), "none");
    storeDword("TimeOut", 45);
    store("AppPath", REG_SZ, "C:\\V", 5);
    EXPECT_EQ(number.get(), 45u);
    EXPECT_EQ(text.get(), "C:\\V");
}

TEST_F(RegValue, SetWritesOnlyChangedValues) {
    storeDword("Ready", 1);
    RegDwordValue ready(path("Ready"));
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, testKey);
    ready.set(1); // the cache holds 1: nothing is touched, nothing is created
    EXPECT_EQ(stored("Ready").first, REG_NONE);
    ready.set(0);
    EXPECT_EQ(stored("Ready").first, DWORD(REG_DWORD));
}

TEST_F(RegValue, ClearingAnAbsentValueCreatesNothingButRaisingItCreatesThePath) {
    RegDwordValue(path("Deep\\Ready")).set(0);
    RegStringValue(path("Deep\\cmd")).set("");
    HKEY key;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, testKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    RegDwordValue(path("Deep\\Ready")).set(1);
    EXPECT_EQ(RegDwordValue(path("Deep\\Ready")).get(), 1u);
}

TEST_F(RegValue, NumberOfWrongSizeReadsAsDefaultAndLeavesTheCacheAlone) {
    store("Ready", REG_SZ, "abcd", 5);
    EXPECT_EQ(RegDwordValue(path("Ready"), 3).get(), 3u);
    // A failed read must not leave the oversize data in the cache: set(0)
    // still finds 0 cached and writes nothing.
    store("Ready", REG_BINARY, "ABCDEFGH", 8);
    RegDwordValue ready(path("Ready"));
    ready.get();
    ready.set(0);
    EXPECT_EQ(stored("Ready").first, DWORD(REG_BINARY));
    WORD shortData = 0x0102;
    store("Short", REG_BINARY, &shortData, sizeof shortData);
    EXPECT_EQ(RegDwordValue(path("Short")).get(), 0x0102u);
}

TEST_F(RegValue, TextEndsAtItsFirstNulAndNeverBeyondItsData) {
    store("Unterminated", REG_SZ, "abcdef", 3);
    EXPECT_EQ(RegStringValue(path("Unterminated")).get(), "abc");
    store("Embedded", REG_SZ, "ab\0cd", 6);
    EXPECT_EQ(RegStringValue(path("Embedded")).get(), "ab");
}

TEST_F(RegValue, TextIsStoredWithItsTerminator) {
    RegStringValue(path("cmd")).set("run me");
    auto [type, data] = stored("cmd");
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(std::string(data.begin(), data.end()), std::string("run me", 7));
}

TEST_F(RegValue, PathWithoutBackslashUsesTheRootKeyItself) {
    HKEY root;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, testKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &root, nullptr),
              ERROR_SUCCESS);
    RegDwordValue("Flag", 0, false, root).set(5);
    EXPECT_EQ(stored("Flag").second.size(), 4u);
    EXPECT_EQ(RegDwordValue(path("Flag")).get(), 5u);
    RegCloseKey(root);
}
