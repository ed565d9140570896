#include "proxyoptions/SavedProxyOptions.h"

#include "testsupport/ProxyOptionsFixture.h"

#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <map>

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

// The live options of several connections, as stand-in calls keep them.
ConnectionOptionsCalls callsOn(std::map<std::string, ConnectionOptions>& connections) {
    return {[&](const std::string& name) { return connections[name]; },
            [&](const std::string& name, const ConnectionOptions& options) {
                connections[name] = options;
                return true;
            },
            [&](const std::string& name) {
                connections[name].flags = PROXY_TYPE_DIRECT;
                return true;
            }};
}

const ConnectionOptions localOptions{PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY, localProxyServer,
                                     "local", "", 0};

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

TEST_F(SavedProxy, EveryConnectionThatStillPointsAtTheProxyComesBack) {
    const ConnectionOptions homeProxy{PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY, "home:8080", "", "", 0};
    std::map<std::string, ConnectionOptions> live = {{"Office VPN", companyOptions},
                                                     {"DefaultConnectionSettings", homeProxy}};
    const ConnectionOptionsCalls calls = callsOn(live);
    // A Hide while the VPN was up, then one on the LAN after it went down.
    ASSERT_TRUE(SaveConnectionOptions("Office VPN", calls));
    live["Office VPN"] = localOptions;
    ASSERT_TRUE(SaveConnectionOptions("DefaultConnectionSettings", calls));
    live["DefaultConnectionSettings"] = localOptions;
    // The active dial-up entry was pointed at the proxy by no one's copy.
    live["Dial-up"] = localOptions;

    EXPECT_TRUE(RestoreEveryConnection("Dial-up", calls));
    EXPECT_EQ(live["Office VPN"], companyOptions);
    EXPECT_EQ(live["DefaultConnectionSettings"], homeProxy);
    EXPECT_EQ(live["Dial-up"].flags, static_cast<DWORD>(PROXY_TYPE_DIRECT));
    EXPECT_EQ(SavedProxyOptions::connections(), std::vector<std::string>{});
}

TEST_F(SavedProxy, TheKeptCopyComesBackAndTheUsersNewerChoiceStays) {
    ASSERT_TRUE(SetConnectionOptions(connection_, "proxy.corp:3128"));
    ASSERT_TRUE(SaveConnectionOptions(connection_));
    ASSERT_TRUE(SetConnectionOptions(connection_, localProxyServer));
    EXPECT_TRUE(RestoreEveryConnection(connection_));
    EXPECT_EQ(ActiveProxyServer(connection_), "proxy.corp:3128");
    EXPECT_EQ(SavedProxyOptions::connections(), std::vector<std::string>{});

    // A proxy the user chose after Velquin's copy was taken stays, and the
    // stale copy goes.
    ASSERT_TRUE(SaveConnectionOptions(connection_));
    ASSERT_TRUE(SetConnectionOptions(connection_, "other.corp:8080"));
    EXPECT_TRUE(RestoreEveryConnection(connection_));
    EXPECT_EQ(ActiveProxyServer(connection_), "other.corp:8080");
    EXPECT_EQ(SavedProxyOptions::connections(), std::vector<std::string>{});
}
