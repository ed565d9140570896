#include "installer/UserProxyReset.h"

#include "proxyoptions/ProxyOptions.h"
#include "proxyoptions/SavedProxyOptions.h"
#include "settings/SharedValues.h"
#include "testsupport/Process.h"
#include "testsupport/ProxyOptionsFixture.h"

#include <gtest/gtest.h>

using installer::UserProxyReset;
using namespace proxyoptions;

namespace {

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string runOnceEntry() {
    char text[2048] = {};
    DWORD size = sizeof text;
    if (RegGetValueA(HKEY_CURRENT_USER, UserProxyReset::runOnceKey, UserProxyReset::entryName,
                     RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return "";
    return text;
}

// The logon runs the entry as a command line; so does the test.
long runEntry(const std::string& command) {
    framework::KernelHandle process = testing_support::startProcess(command);
    if (!process || WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<long>(code);
}

class UserProxyResetTest : public testing_support::CurrentConnectionTest {
protected:
    void TearDown() override {
        RegDeleteKeyValueA(HKEY_CURRENT_USER, UserProxyReset::runOnceKey,
                           UserProxyReset::entryName);
        RegDeleteTreeA(HKEY_CURRENT_USER, settings::shared::key);
        CurrentConnectionTest::TearDown();
    }

    UserProxyReset reset_{testing_support::hostToWine(SETUP_HELPER_EXE), localProxyServer};
};

} // namespace

// The user's hive is this test's own: the entry is run the way the logon
// runs it, and the copy of the helper does the user's reset as the user.
TEST_F(UserProxyResetTest, AUserLeftOnTheProxyGetsTheirOptionsBackAtTheNextLogon) {
    // Never used Velquin: nothing to set up.
    RegDeleteTreeA(HKEY_CURRENT_USER, settings::shared::key);
    EXPECT_TRUE(reset_.scheduleFor(HKEY_CURRENT_USER));
    EXPECT_EQ(runOnceEntry(), "");

    // Hidden when Velquin was uninstalled for them.
    ASSERT_TRUE(SetConnectionOptions(connection_, "proxy.corp:3128"));
    ASSERT_TRUE(SaveConnectionOptions(connection_));
    ASSERT_TRUE(SetConnectionOptions(connection_, localProxyServer));
    ASSERT_TRUE(reset_.scheduleFor(HKEY_CURRENT_USER));
    const std::string entry = runOnceEntry();
    const size_t start = entry.find("\"\"") + 2;
    const std::string folder = entry.substr(start, entry.find("\\SetupHelper.exe") - start);
    EXPECT_EQ(entry, reset_.command(folder));
    EXPECT_EQ(folder.substr(folder.rfind('\\') + 1), UserProxyReset::folderName);
    ASSERT_TRUE(exists(folder + "\\SetupHelper.exe"));

    EXPECT_EQ(runEntry(entry), 0);
    EXPECT_EQ(ActiveProxyServer(connection_), "proxy.corp:3128");
    EXPECT_TRUE(SavedProxyOptions::connections().empty());
    HKEY left = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, settings::shared::key, 0, KEY_READ, &left),
              ERROR_SUCCESS)
        << "the user's emptied keys go";
    EXPECT_FALSE(exists(folder)) << "the copy removes itself";
}
