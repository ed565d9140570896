#pragma once

#include <string>

namespace testbed {

// The stand-in client's own loopback exit address 127.0.0.N: every start
// takes the next N (2 to 254, then 2 again), so that the echo server sees a
// new address after each restart of the tunnel, and never 127.0.0.1, the
// address of a direct connection. The last N is kept in the file
// "exit-counter" beside the client's torrc.
class ExitAddress {
public:
    // Takes the next N from the counter file at `path` and stores it back.
    static unsigned next(const std::string& path);
    static std::string counterPathFor(const std::string& torrcPath);
    static std::string text(unsigned host) { return "127.0.0." + std::to_string(host); }
};

} // namespace testbed
