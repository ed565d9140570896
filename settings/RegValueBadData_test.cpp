// Every value of the system stored in forms that its reader does not
// expect: the wrong type, the wrong size, text without its terminator, and
// 64 KB of data. Each read gives the stored data where it fits the reading
// rules and the default where it does not, nothing crashes, and a later
// correct write replaces the bad data.
#include "settings/RegDwordValue.h"
#include "settings/RegStringValue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using settings::RegDwordValue;
using settings::RegStringValue;

namespace {

const char* const testKey = "Software\\VelquinBadData";
const DWORD numberDefault = 7;
const char* const textDefault = "default";

struct Stored {
    Stored(const char* what, DWORD type, std::string data, bool wide = false)
        : what(what), type(type), data(std::move(data)), wide(wide) {}
    const char* what;
    DWORD type;
    std::string data;
    bool wide; // stored through the UTF-16 form of the registry API
};

class RegValueBadData : public testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, testKey); }
    void TearDown() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, testKey); }

    static std::string path(const char* name) { return std::string(testKey) + "\\" + name; }

    static void store(const char* name, const Stored& stored) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, testKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        const BYTE* data = reinterpret_cast<const BYTE*>(stored.data.data());
        DWORD size = static_cast<DWORD>(stored.data.size());
        LONG result;
        if (stored.wide) {
            std::wstring wideName(name, name + strlen(name));
            result = RegSetValueExW(key, wideName.c_str(), 0, stored.type, data, size);
        } else {
            result = RegSetValueExA(key, name, 0, stored.type, data, size);
        }
        RegCloseKey(key);
        ASSERT_EQ(result, ERROR_SUCCESS) << stored.what;
    }

    static DWORD storedType(const char* name) {
        DWORD type = REG_NONE;
        if (RegGetValueA(HKEY_LOCAL_MACHINE, testKey, name, RRF_RT_ANY | RRF_NOEXPAND, &type,
                         nullptr, nullptr) != ERROR_SUCCESS)
            return REG_NONE;
        return type;
    }
};

std::string bytes(const char* text, size_t size) {
    return std::string(text, size);
}

// The UTF-16 form of an ASCII text, terminator included.
std::string wide(const std::string& text) {
    std::string bytes;
    for (char c : text)
        bytes += {c, '\0'};
    return bytes + std::string(2, '\0');
}

std::string numberBytes(DWORD value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

const char* const numberNames[] = {"Ready", "TimeOut", "Retry"};
const char* const textNames[] = {"AppPath", "cmd"};

} // namespace

TEST_F(RegValueBadData, NumbersReadTheirDataOnlyWhenItFitsInFourBytes) {
    struct Case {
        Case(Stored stored, DWORD expected) : stored(std::move(stored)), expected(expected) {}
        Stored stored;
        DWORD expected;
    };
    const std::vector<Case> cases = {
        {{"text of four characters", REG_SZ, bytes("45 s", 5)}, numberDefault},
        // Four characters are too long whether they are read as bytes or as
        // wide characters.
        {{"wide text", REG_SZ, wide("4567"), true}, numberDefault},
        {{"64-bit number", REG_QWORD, bytes("\x2d\0\0\0\0\0\0\0", 8)}, numberDefault},
        {{"64 KB of binary data", REG_BINARY, std::string(65536, '\x01')}, numberDefault},
        {{"64 KB number", REG_DWORD, std::string(65536, '\x01')}, numberDefault},
        {{"number of two bytes", REG_DWORD, bytes("\x2d\x01", 2)}, 0x12d},
        {{"number without data", REG_DWORD, ""}, 0},
        {{"short text (fits: its bytes are the number)", REG_SZ, bytes("9", 2)}, '9'},
        {{"three bytes of binary data", REG_BINARY, bytes("\x01\x02\x03", 3)}, 0x030201},
    };
    for (const char* name : numberNames) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(name) + ": " + c.stored.what);
            store(name, c.stored);
            RegDwordValue value(path(name), numberDefault);
            EXPECT_EQ(value.get(), c.expected);
            RegDwordValue(path(name), numberDefault).set(45);
            EXPECT_EQ(storedType(name), DWORD(REG_DWORD));
            EXPECT_EQ(RegDwordValue(path(name), numberDefault).get(), 45u);
        }
    }
}

TEST_F(RegValueBadData, TextsEndAtTheirFirstNulOrTheEndOfTheirData) {
    struct Case {
        Case(Stored stored, std::string expected)
            : stored(std::move(stored)), expected(std::move(expected)) {}
        Stored stored;
        std::string expected;
    };
    const std::string longText(65535, 'p');
    const std::vector<Case> cases = {
        {{"text without terminator", REG_SZ, "C:\\Velquin"}, "C:\\Velquin"},
        {{"wide text without terminator, odd size", REG_SZ, bytes("C\0:\0\\", 5), true}, "C:"},
        {{"wide text, terminated", REG_SZ, wide("C:"), true}, "C:"},
        {{"64 KB text", REG_SZ, longText + '\0'}, longText},
        {{"64 KB text without terminator", REG_SZ, longText + 'q'}, longText + 'q'},
        {{"number", REG_DWORD, numberBytes(0x00434241)}, "ABC"},
        {{"number of zero", REG_DWORD, numberBytes(0)}, ""},
        {{"binary data", REG_BINARY, bytes("\xff\x01\x7f\x80", 4)}, "\xff\x01\x7f\x80"},
        {{"list of texts", REG_MULTI_SZ, bytes("first\0second\0", 14)}, "first"},
        {{"text to expand (taken as it is)", REG_EXPAND_SZ, "%SystemRoot%\\x"}, "%SystemRoot%\\x"},
        {{"empty data", REG_SZ, ""}, ""},
        {{"only a terminator", REG_SZ, bytes("\0", 1)}, ""},
    };
    for (const char* name : textNames) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(name) + ": " + c.stored.what);
            store(name, c.stored);
            RegStringValue value(path(name), textDefault);
            EXPECT_EQ(value.get(), c.expected);
            RegStringValue(path(name), textDefault).set("C:\\Program Files\\Velquin");
            EXPECT_EQ(storedType(name), DWORD(REG_SZ));
            EXPECT_EQ(RegStringValue(path(name), textDefault).get(), "C:\\Program Files\\Velquin");
        }
    }
}
