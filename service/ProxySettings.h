#pragma once

#include <chrono>
#include <string>

namespace service {

struct ProxySettings {
    unsigned short listenPort = 8081;
    unsigned short socksPort = 9050;
    // From accept to the end of the request head.
    std::chrono::milliseconds headerTimeout{10000};
    // From the request head to an answer of the SOCKS server.
    std::chrono::milliseconds connectTimeout{30000};
    // Longest silence of a forwarded connection in both directions.
    std::chrono::milliseconds idleTimeout{120000};

    // The settings for a tunnel client whose configuration is `torrcPath`:
    // its SocksPort, 9050 when the file or the option is missing.
    static ProxySettings forTunnel(const std::string& torrcPath);
};

} // namespace service
