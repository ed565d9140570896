#pragma once

#include <string>

namespace proxyoptions {

// The local proxy of the tunnel side, where the browser is pointed while the
// address is hidden.
inline constexpr const char* localProxyServer = "127.0.0.1:8081";

// The name of the connection whose proxy options the controller changes:
// the active connection as the system reports it, with any LAN connection
// named "DefaultConnectionSettings". Empty when the system reports none.
std::string CurrentConnectionName();
// The rule behind CurrentConnectionName, for a name the system reported
// with its INTERNET_CONNECTION_* `flags`. The system names the LAN in the
// user's language ("LAN-Verbindung"), so its LAN flag counts as much as
// the English words.
std::string ConnectionNameFor(const std::string& reported, unsigned long flags);

// Points the connection at `proxyServer` (direct access still allowed,
// local addresses bypassed) and tells running programs; false when the
// options were not taken.
bool SetConnectionOptions(const std::string& connection, const std::string& proxyServer);
// Switches the connection back to direct access; the proxy server and
// bypass list stay stored.
bool DisableConnectionProxy(const std::string& connection);
// A connection's complete proxy options.
struct ConnectionOptions {
    unsigned long flags = 0; // PROXY_TYPE_* bits
    std::string server;
    std::string bypass;
    std::string autoConfigUrl;
    unsigned long autoDiscoveryFlags = 0; // AUTO_PROXY_FLAG_* bits

    bool operator==(const ConnectionOptions&) const = default;
};
// The options as the library reports them; flags 0 when it refuses.
ConnectionOptions QueryConnectionOptions(const std::string& connection);
// Writes all of `options` in one step and tells running programs; false
// when the options were not taken.
bool ApplyConnectionOptions(const std::string& connection, const ConnectionOptions& options);
// The proxy server that the connection sends its traffic to; empty when it
// goes direct.
std::string ActiveProxyServer(const std::string& connection);
std::string ActiveProxyServer(const ConnectionOptions& options);

} // namespace proxyoptions
