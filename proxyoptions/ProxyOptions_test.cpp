#include "proxyoptions/ProxyOptions.h"

#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

using namespace proxyoptions;

namespace {
ConnectionOptions query(const std::string& connection) {
    ConnectionOptions options = QueryConnectionOptions(connection);
    EXPECT_NE(options.flags, 0u) << "the library refused the query";
    return options;
}
} // namespace

TEST(ConnectionName, AnyLanConnectionBecomesTheDefaultSettings) {
    const DWORD dialUp = INTERNET_CONNECTION_MODEM;
    EXPECT_EQ(ConnectionNameFor("Local Area LAN Connection 2", dialUp),
              "DefaultConnectionSettings");
    EXPECT_EQ(ConnectionNameFor("LAN Connection", 0), "DefaultConnectionSettings");
    EXPECT_EQ(ConnectionNameFor("my lan connection", dialUp), "my lan connection");
    EXPECT_EQ(ConnectionNameFor("Office VPN", dialUp), "Office VPN");
    EXPECT_EQ(ConnectionNameFor("", 0), "");
    // A localised system names its LAN in the user's language.
    EXPECT_EQ(ConnectionNameFor("LAN-Verbindung", INTERNET_CONNECTION_LAN),
              "DefaultConnectionSettings");
    EXPECT_EQ(ConnectionNameFor("Connexion au r\xe9seau local",
                                INTERNET_CONNECTION_LAN | INTERNET_CONNECTION_CONFIGURED),
              "DefaultConnectionSettings");
}

// Wine 8 keeps only the proxy switch and the server in its per-connection
// store: it reports the flags of a proxied connection without the direct
// bit and keeps no bypass list, so those two entries are not read back.
TEST(ProxyOptions, SetPointsAtTheProxyAndDisableTouchesOnlyTheFlags) {
    std::string connection = CurrentConnectionName();
    ASSERT_TRUE(SetConnectionOptions(connection, "127.0.0.1:8081"));
    ConnectionOptions set = query(connection);
    EXPECT_TRUE(set.flags & PROXY_TYPE_PROXY);
    EXPECT_EQ(set.server, "127.0.0.1:8081");
    EXPECT_EQ(ActiveProxyServer(connection), "127.0.0.1:8081");

    ASSERT_TRUE(DisableConnectionProxy(connection));
    ConnectionOptions disabled = query(connection);
    EXPECT_EQ(disabled.flags & PROXY_TYPE_PROXY, 0u);
    EXPECT_TRUE(disabled.flags & PROXY_TYPE_DIRECT);
    EXPECT_EQ(disabled.server, "127.0.0.1:8081");
    // The server is still stored, but no traffic goes to it.
    EXPECT_EQ(ActiveProxyServer(connection), "");
}
