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

    // Starts both; false when the keeper could not be started. A proxy
    // that cannot listen is reported to the debugger and the tunnel runs on.
    bool start();
    // Closes the keeper (and with it the client), then the proxy.
    void stop();

private:
    KeeperProcess keeper_;
    std::unique_ptr<ProxyServer> proxy_;
};

} // namespace service
