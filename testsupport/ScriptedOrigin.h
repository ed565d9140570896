#pragma once

#include "framework/Socket.h"

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// An origin on 127.0.0.1 that follows a script on one connection: it gives
// its i-th answer once it has received the i-th of its triggers (after the
// one before), each answer in the pieces its cuts make, then keeps the
// connection open, as an origin that ignores "Connection: close" does, or
// closes it; it records every byte it receives until the peer closes. It
// accepts `connections` connections one after another, each served from the
// first step; with one, a second request for it is answered only on a
// connection the proxy used again.
class ScriptedOrigin {
public:
    struct Step {
        std::string trigger;
        std::string answer;
        // Offsets at which the answer is cut into pieces written apart.
        std::vector<std::size_t> cuts = {};
    };
    ScriptedOrigin(std::vector<Step> steps, bool closeAfterLast, int connections = 1);
    ~ScriptedOrigin();
    ScriptedOrigin(const ScriptedOrigin&) = delete;
    ScriptedOrigin& operator=(const ScriptedOrigin&) = delete;

    unsigned short port() const { return port_; }
    std::string receivedSoFar();
    // What arrived since the last take, which the origin then forgets (a
    // long script would otherwise keep every byte).
    std::string takeReceived();
    // Everything received, once the peer has closed the last connection.
    std::string receivedInAll();
    int served() const { return served_; }

private:
    void serve();
    void serveOne();

    std::vector<Step> steps_;
    bool closeAfterLast_;
    int connections_;
    std::atomic<int> served_{0};
    framework::Socket listener_;
    unsigned short port_;
    std::mutex mutex_;
    std::string received_;
    // What arrived since the last trigger, where the next is looked for.
    std::string pending_;
    std::thread thread_;
};

} // namespace testing_support
