#pragma once

#include "proxyoptions/ProxyOptions.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace proxyoptions {

// The copy of a connection's own proxy options that Velquin keeps while it
// points the connection at its local proxy, in the user's part of the
// registry under "Software\Velquin\Saved Proxy\<connection name>". The
// options that apply when no connection is named (where the system reports
// none) are kept under a name of their own, since a key needs one.
class SavedProxyOptions {
public:
    static constexpr const char* key = "Software\\Velquin\\Saved Proxy";
    static constexpr const char* unnamedConnection = "(no connection name)";

    explicit SavedProxyOptions(std::string connection) : connection_(std::move(connection)) {}

    // Replaces any earlier copy; false when it could not be kept (the
    // registry refused, or the name holds a backslash and cannot name a key).
    bool store(const ConnectionOptions& options) const;
    // The copy, or nothing when there is none.
    std::optional<ConnectionOptions> load() const;
    // True when no copy is left.
    bool discard() const;

    // The names of the connections that have a copy.
    static std::vector<std::string> connections();

private:
    bool nameable() const;
    std::string path() const;

    std::string connection_;
};

// The calls that read and write a connection's live options. Wine keeps
// only the proxy switch and the server, so tests put stand-ins here to see
// the other options make their way; the controller's workflows route them
// through their environment.
struct ConnectionOptionsCalls {
    std::function<ConnectionOptions(const std::string&)> query = &QueryConnectionOptions;
    std::function<bool(const std::string&, const ConnectionOptions&)> apply =
        &ApplyConnectionOptions;
    std::function<bool(const std::string&)> disable = &DisableConnectionProxy;
};

// Before Velquin points the connection at its local proxy: keeps a copy of
// the connection's options, unless they point at the local proxy already
// (they are then Velquin's own, and an earlier copy stays as it is).
bool SaveConnectionOptions(const std::string& connection, const ConnectionOptionsCalls& calls = {});
// Where the connection still sends its traffic to `localProxy`: puts the
// kept copy back and discards it, or switches the connection to direct
// access when there is no copy. Options that point elsewhere are the
// user's (never changed, or changed since) and stay as they are; a copy
// beside them is stale and discarded. A copy that the library refused is
// kept for the next try. True when nothing is left to give back.
bool RestoreConnectionOptions(const std::string& connection,
                              const ConnectionOptionsCalls& calls = {},
                              const std::string& localProxy = localProxyServer);
// RestoreConnectionOptions for every connection that has a kept copy and for
// `current`, the active one: a VPN or dial-up entry that was active at a
// Hide keeps the local proxy after it has come or gone, and is given back
// all the same. True when each of them was given back.
bool RestoreEveryConnection(const std::string& current, const ConnectionOptionsCalls& calls = {},
                            const std::string& localProxy = localProxyServer);

} // namespace proxyoptions
