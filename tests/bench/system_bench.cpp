// Measures the whole system in the namespace runner, side by side in one
// run: how long "Hide IP Now" takes against the stand-in tunnel's own
// start-up delay (the controller polls Ready once a second, which sets the
// floor of the difference), and the private memory of the controller, the
// service and the keeper, the keeper also after 100,000 log lines.
// Usage (see the README): scripts/netns-run scripts/wine-run system_bench.exe
#include "resources/controller/resource.h"
#include "tests/e2e/ControllerScenario.h"
#include "tests/e2e/ProcessFigures.h"
#include "settings/SharedValues.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <vector>

using namespace scenario;

namespace {

using Clock = std::chrono::steady_clock;
const unsigned tunnelDelayMs = 2000;
const int rounds = 8;
const unsigned chatterLines = 100000;

// Milliseconds that "Hide IP Now" took, or -1 when it did not succeed.
double timedHide(RunningController& controller) {
    Clock::time_point start = Clock::now();
    if (!controller.press(IDC_HIDE_IP) || !isTunnelAddress(controller.texts().protectedBy))
        return -1;
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void printMemory(const char* what, const char* executable) {
    ProcessFigures figures = figuresOf(executable);
    std::printf("  %-34s %6zu KiB\n", what, figures.privateKiB);
}

} // namespace

int main() {
    setDword(settings::shared::timeOut, 45);
    setDword(settings::shared::retry, 2);
    writeTorrc(tunnelDelayMs);
    RunningController controller;
    if (!IsWindow(controller.driver().window())) {
        std::fprintf(stderr, "the controller did not start\n");
        return 1;
    }
    printMemory("controller, opened", "Velquin.exe");

    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        double ms = timedHide(controller);
        if (ms < 0) {
            std::fprintf(stderr, "Hide IP Now failed: %s\n", controller.texts().status.c_str());
            return 1;
        }
        times.push_back(ms);
        if (i == 0) {
            std::printf("Hidden:\n");
            printMemory("controller", "Velquin.exe");
            printMemory("service (with the local proxy)", "Velquin-Service.exe");
            printMemory("keeper", "Velquin-Keeper.exe");
        }
        controller.press(IDC_RESTORE);
    }
    std::sort(times.begin(), times.end());
    const double median = (times[rounds / 2 - 1] + times[rounds / 2]) / 2;
    std::printf(
        "\"Hide IP Now\" to \"Action Completed Successfully\", %d runs, tunnel delay %u ms:\n",
        rounds, tunnelDelayMs);
    std::printf("  median %.0f ms (min %.0f, max %.0f); minus the tunnel's delay %.0f ms; "
                "ratio to the delay %.2f\n",
                median, times.front(), times.back(), median - tunnelDelayMs,
                median / tunnelDelayMs);

    // However long the keeper takes to list the lines, the poll waits.
    setDword(settings::shared::timeOut, 1200);
    writeTorrc(tunnelDelayMs);
    std::ofstream(torrcPath, std::ios::binary | std::ios::app)
        << "StandInChatter " << chatterLines << "\r\n";
    double chatty = timedHide(controller);
    std::printf("With %u client log lines before the circuit: \"Hide IP Now\" took %.0f ms\n",
                chatterLines, chatty);
    printMemory("keeper after the lines", "Velquin-Keeper.exe");
    controller.driver().pressLater(IDC_EXIT);
    controller.exitCodeWithin(60000);
    writeTorrc(2000);
    return chatty < 0;
}
