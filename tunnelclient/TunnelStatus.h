#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tunnelclient {

// What the other programs learn of the tunnel: the shared values Ready (a
// circuit is open) and Progress (the client's start-up in percent), both
// taken from the tunnel client's lines. Each value is written only when it
// changes.
class TunnelStatus {
public:
    // A circuit line, or the line that ends the client's start-up
    // ("Bootstrapped 100%"), raises Ready; a bootstrap line publishes its
    // percentage.
    static void onClientLine(const std::string& line);
    // The tunnel is down, or not up yet: Ready and Progress go to 0.
    static void clear();

    // The N of a line holding "Bootstrapped N%" with N from 0 to 100.
    static std::optional<DWORD> bootstrapPercent(const std::string& line);
};

} // namespace tunnelclient
