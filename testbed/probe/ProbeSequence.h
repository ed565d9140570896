#pragma once

#include <string>

namespace testbed {

// What the visible-IP probe answers at each step of hiding and restoring:
// directly, through the started tunnel, with the tunnel stopped but the
// proxy options still set, and directly again.
struct ProbeAnswers {
    std::string direct;
    std::string hidden;
    std::string tunnelDown;
    std::string restored;
    bool tunnelReady = false;
};

// Runs the steps with the controller's own operations: the proxy options,
// the service "Velquin" and the probe. Waits at most `readyTimeoutMs` for
// Ready; when it does not come, the later answers stay empty.
ProbeAnswers runProbeSequence(unsigned readyTimeoutMs);

} // namespace testbed
