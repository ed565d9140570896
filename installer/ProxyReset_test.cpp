#include "installer/ProxyReset.h"

#include "proxyoptions/ProxyOptions.h"
#include "proxyoptions/SavedProxyOptions.h"
#include "testsupport/ProxyOptionsFixture.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace proxyoptions;
using installer::ResetProxyIfPointingAt;

using ProxyResetTest = testing_support::CurrentConnectionTest;

TEST_F(ProxyResetTest, TheKeptCopyComesBackAndTheUsersNewerChoiceStays) {
    ASSERT_TRUE(SetConnectionOptions(connection_, "proxy.corp:3128"));
    ASSERT_TRUE(SaveConnectionOptions(connection_));
    ASSERT_TRUE(SetConnectionOptions(connection_, localProxyServer));
    EXPECT_TRUE(ResetProxyIfPointingAt(localProxyServer));
    EXPECT_EQ(ActiveProxyServer(connection_), "proxy.corp:3128");
    EXPECT_EQ(SavedProxyOptions::connections(), std::vector<std::string>{});

    // Without a copy the local proxy is switched off.
    ASSERT_TRUE(SetConnectionOptions(connection_, localProxyServer));
    EXPECT_TRUE(ResetProxyIfPointingAt(localProxyServer));
    EXPECT_EQ(ActiveProxyServer(connection_), "");

    // A proxy the user chose after Velquin's copy was taken stays, and the
    // stale copy goes with the installation.
    ASSERT_TRUE(SaveConnectionOptions(connection_));
    ASSERT_TRUE(SetConnectionOptions(connection_, "other.corp:8080"));
    EXPECT_TRUE(ResetProxyIfPointingAt(localProxyServer));
    EXPECT_EQ(ActiveProxyServer(connection_), "other.corp:8080");
    EXPECT_EQ(SavedProxyOptions::connections(), std::vector<std::string>{});
}
