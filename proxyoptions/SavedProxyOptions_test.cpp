#include "proxyoptions/SavedProxyOptions.h"

#include "testsupport/ProxyOptionsFixture.h"

#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

using namespace proxyoptions;

namespace {

// A company's own set-up: a configuration script, automatic detection and a
// proxy with its bypass list.
const ConnectionOptions companyOptions{
    PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY | PROXY_TYPE_AUTO_PROXY_URL | PROXY_TYPE_AUTO_DETECT,
    "proxy.corp:3128", "*.corp;<local>", "http://wpad.corp/proxy.pac", AUTO_PROXY_FLAG_USER_SET};

// A connection's live options as stand-in calls keep them.
ConnectionOptions live;
ConnectionOptions queryLive(const std::string&) {
    return live;
}
bool applyLive(const std::string&, const ConnectionOptions& options) {
    live = options;
    return true;
}
bool refuseApply(const std::string&, const ConnectionOptions&) {
    return false;
}
bool disableLive(const std::string&) {
    live = {};
    live.flags = PROXY_TYPE_DIRECT;
    return true;
}

using SavedProxy = testing_support::CurrentConnectionTest;

} // namespace

TEST_F(SavedProxy, ACopyIsKeptPerConnectionUntilDiscarded) {
    SavedProxyOptions saved("Office VPN");
    ASSERT_TRUE(saved.store(companyOptions));
    EXPECT_EQ(saved.load(), companyOptions);
    EXPECT_EQ(SavedProxyOptions::connections(), std::vector<std::string>{"Office VPN"});

    ConnectionOptions direct;
    direct.flags = PROXY_TYPE_DIRECT;
    ASSERT_TRUE(saved.store(direct));
    EXPECT_EQ(saved.load(), direct) << "a later copy replaces the whole earlier one";

    EXPECT_TRUE(saved.discard());
    EXPECT_FALSE(saved.load());
    EXPECT_TRUE(saved.discard()) << "nothing left to discard counts as done";

    // With no connection named, the options still have a copy.
    SavedProxyOptions unnamed("");
    ASSERT_TRUE(unnamed.store(companyOptions));
    EXPECT_EQ(unnamed.load(), companyOptions);
    EXPECT_EQ(SavedProxyOptions::connections(), std::vector<std::string>{""});
    EXPECT_FALSE(SavedProxyOptions("a\\b").store(direct)) << "a backslash cannot name a key";
}

// Wine keeps only the proxy switch and server: the rest of the options make
// their round trip through stand-in calls.
TEST_F(SavedProxy, EveryOptionComesBackAndARefusedRestoreKeepsTheCopy) {
    live = companyOptions;
    const ConnectionOptionsCalls calls{&queryLive, &applyLive, &disableLive};
    ASSERT_TRUE(SaveConnectionOptions("Office VPN", calls));
    live = {PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY, localProxyServer, "local", "", 0};

    EXPECT_FALSE(RestoreConnectionOptions("Office VPN", {&queryLive, &refuseApply, &disableLive}));
    EXPECT_TRUE(SavedProxyOptions("Office VPN").load()) << "kept for the next try";

    ASSERT_TRUE(RestoreConnectionOptions("Office VPN", calls));
    EXPECT_EQ(live, companyOptions);
    EXPECT_FALSE(SavedProxyOptions("Office VPN").load());
}

TEST_F(SavedProxy, TheUsersOwnProxyComesBackAndVelquinsIsNeverKept) {
    ASSERT_TRUE(SetConnectionOptions(connection_, "proxy.corp:3128"));
    ASSERT_TRUE(SaveConnectionOptions(connection_));
    ASSERT_TRUE(SetConnectionOptions(connection_, localProxyServer));
    // A second hide finds the local proxy: the user's copy must stay.
    ASSERT_TRUE(SaveConnectionOptions(connection_));
    EXPECT_EQ(SavedProxyOptions(connection_).load().value_or(ConnectionOptions{}).server,
              "proxy.corp:3128");

    ASSERT_TRUE(RestoreConnectionOptions(connection_));
    EXPECT_EQ(ActiveProxyServer(connection_), "proxy.corp:3128");
    EXPECT_FALSE(SavedProxyOptions(connection_).load());

    // With no copy left, restoring goes direct.
    ASSERT_TRUE(SetConnectionOptions(connection_, localProxyServer));
    ASSERT_TRUE(RestoreConnectionOptions(connection_));
    EXPECT_EQ(ActiveProxyServer(connection_), "");
}
