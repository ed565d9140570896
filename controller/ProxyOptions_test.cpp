#include "controller/ProxyOptions.h"

#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

using namespace controller;

namespace {

struct StoredOptions {
    DWORD flags = 0;
    std::string server;
    std::string bypass;
};

std::string takeText(char* text) {
    std::string copy = text != nullptr ? text : "";
    if (text != nullptr)
        GlobalFree(text);
    return copy;
}

// The connection's options as the library reports them.
StoredOptions query(const std::string& connection) {
    INTERNET_PER_CONN_OPTIONA options[3] = {};
    options[0].dwOption = INTERNET_PER_CONN_FLAGS;
    options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    options[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
    INTERNET_PER_CONN_OPTION_LISTA list = {};
    list.dwSize = sizeof list;
    list.pszConnection = const_cast<char*>(connection.c_str());
    list.dwOptionCount = 3;
    list.pOptions = options;
    DWORD size = sizeof list;
    EXPECT_TRUE(InternetQueryOptionA(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &size));
    return {options[0].Value.dwValue, takeText(options[1].Value.pszValue),
            takeText(options[2].Value.pszValue)};
}

} // namespace

TEST(ConnectionName, AnyLanConnectionBecomesTheDefaultSettings) {
    EXPECT_EQ(ConnectionNameFor("Local Area LAN Connection 2"), "DefaultConnectionSettings");
    EXPECT_EQ(ConnectionNameFor("LAN Connection"), "DefaultConnectionSettings");
    EXPECT_EQ(ConnectionNameFor("my lan connection"), "my lan connection");
    EXPECT_EQ(ConnectionNameFor("Office VPN"), "Office VPN");
    EXPECT_EQ(ConnectionNameFor(""), "");
}

// Wine 8 keeps only the proxy switch and the server in its per-connection
// store: it reports the flags of a proxied connection without the direct
// bit and keeps no bypass list, so those two entries are not read back.
TEST(ProxyOptions, SetPointsAtTheProxyAndDisableTouchesOnlyTheFlags) {
    std::string connection = CurrentConnectionName();
    ASSERT_TRUE(SetConnectionOptions(connection, "127.0.0.1:8081"));
    StoredOptions set = query(connection);
    EXPECT_TRUE(set.flags & PROXY_TYPE_PROXY);
    EXPECT_EQ(set.server, "127.0.0.1:8081");
    EXPECT_EQ(ActiveProxyServer(connection), "127.0.0.1:8081");

    ASSERT_TRUE(DisableConnectionProxy(connection));
    StoredOptions disabled = query(connection);
    EXPECT_EQ(disabled.flags & PROXY_TYPE_PROXY, 0u);
    EXPECT_TRUE(disabled.flags & PROXY_TYPE_DIRECT);
    EXPECT_EQ(disabled.server, "127.0.0.1:8081");
    // The server is still stored, but no traffic goes to it.
    EXPECT_EQ(ActiveProxyServer(connection), "");
}
