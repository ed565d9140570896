#pragma once

#include "service/KeeperProcess.h"
#include "service/ProxyServer.h"

#include <memory>
#include <string>

namespace service {

// What the service runs: the keeper (which runs the tunnel client) and the
// local web proxy in front of the client's SOCKS port.
class TunnelSide {
public:
    // Bounded well below the service control manager's limit for a stop.
    static constexpr DWORD keeperCloseTimeoutMs = 15000;

    // Why a start failed; the service stops with it as its own exit code.
    enum class Failure : DWORD {
        None = 0,
        // AppPath is empty or relative: the keeper would be run from a
        // folder that any user may create.
        AppPathNotAbsolute = 1,
        // The client's configuration opens no SOCKS port the proxy can use.
        NoSocksPort = 2,
        // 127.0.0.1:8081 is not the proxy's alone.
        ProxyPortTaken = 3,
        KeeperNotStarted = 4,
        Unexpected = 5,
    };

    // Opens the proxy's listener first and only then starts the keeper, so
    // that no tunnel is announced (Ready) in front of a port some other
    // program serves. On a failure nothing is left running.
    Failure start();
    // Closes the keeper (and with it the client), then the proxy.
    void stop();

private:
    KeeperProcess keeper_;
    std::unique_ptr<ProxyServer> proxy_;
};

// Whether `path` names a folder from a drive's root ("C:\...") or a share
// ("\\server\share...").
bool isAbsolutePath(const std::string& path);

} // namespace service
