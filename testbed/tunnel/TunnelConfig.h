#pragma once

#include <string>

namespace testbed {

// The stand-in tunnel client's settings, read from its torrc: one option a
// line, name and value separated by blanks, '#' starting a comment.
//   SocksPort 9050                  the port of its SOCKS listener
//   StandInCircuitDelay 2000        milliseconds until the circuit line
//   StandInChatter 100000           further log lines before the circuit
//                                   line, as fast as the pipe takes them
struct TunnelConfig {
    unsigned socksPort = 9050;
    unsigned circuitDelayMs = 3000;
    unsigned chatterLines = 0;

    static TunnelConfig parse(const std::string& text);
    // The settings of a file; the defaults when it cannot be read.
    static TunnelConfig load(const std::string& path);
};

} // namespace testbed
