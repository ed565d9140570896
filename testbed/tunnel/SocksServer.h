#pragma once

#include "framework/Socket.h"

#include <cstdint>
#include <string>

namespace testbed {

// The stand-in client's SOCKS5 server: no authentication, CONNECT only, to
// IPv4 addresses and host names (resolved here, as a tunnel's exit would).
// Every outgoing connection is bound to the client's exit address before it
// connects, so the far end sees that address. One thread a connection.
class SocksServer {
public:
    explicit SocksServer(std::uint32_t exitAddress) : exitAddress_(exitAddress) {}

    // Listens on 127.0.0.1:port; false with `error` set when that fails.
    bool listen(unsigned port, std::string& error);
    // Accepts connections on a thread of its own until the process ends.
    void serveInBackground();

private:
    void acceptLoop();

    std::uint32_t exitAddress_; // network byte order
    framework::Socket listener_;
};

} // namespace testbed
