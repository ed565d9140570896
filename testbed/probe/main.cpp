// Velquin-Probe.exe: shows, in one run, what the world sees of this machine
// directly, through the tunnel, with the tunnel stopped, and directly again,
// using the controller's own service control, proxy options and probe. Run
// it where the service "Velquin" is installed (scripts/netns-run does that).
#include "testbed/probe/ProbeSequence.h"

#include <cstdio>

int main() {
    testbed::ProbeAnswers answers = testbed::runProbeSequence(60000);
    std::printf("direct:             %s\n", answers.direct.c_str());
    if (!answers.tunnelReady) {
        std::printf("the tunnel did not become ready within 60 s\n");
        return 1;
    }
    std::printf("through the tunnel: %s\n", answers.hidden.c_str());
    std::printf("tunnel stopped:     %s\n", answers.tunnelDown.c_str());
    std::printf("direct again:       %s\n", answers.restored.c_str());
    return 0;
}
