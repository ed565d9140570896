#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace service {

struct ProxySettings {
    unsigned short listenPort = 8081;
    unsigned short socksPort = 9050;
    // From accept to the end of the first request head, and from the first
    // byte of each later head to its end.
    std::chrono::milliseconds headerTimeout{10000};
    // From the request head to an answer of the SOCKS server.
    std::chrono::milliseconds connectTimeout{30000};
    // Longest silence of a forwarded connection in both directions, and
    // longest wait of a kept connection for its next request.
    std::chrono::milliseconds idleTimeout{120000};
    // Connections served at once; a further one takes the place of one that
    // waits for a request, or else of the one quiet for longest.
    std::size_t maxSessions = 512;
    // Called with each request's target host before it is sent; for
    // tests that make one session fail. Empty in the service.
    std::function<void(const std::string& host)> beforeConnect;
};

} // namespace service
