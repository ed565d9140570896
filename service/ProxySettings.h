#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
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
    // Connections served at once; further ones wait in the listen backlog
    // until a session ends.
    std::size_t maxSessions = 512;
    // Called with each request's target host before it is sent; for
    // tests that make one session fail. Empty in the service.
    std::function<void(const std::string& host)> beforeConnect;
};

} // namespace service
