// Measures the whole system in the namespace runner, side by side in one
// run: how long "Hide IP Now" takes against the stand-in tunnel's own
// start-up delay, and with a tunnel that opens at once, and the private
// memory of the controller, the service and the keeper, the keeper also
// after 100,000 log lines.
// Usage (see the README): scripts/netns-run scripts/wine-run system_bench.exe
#include "resources/controller/resource.h"
#include "tests/e2e/ControllerScenario.h"
#include "tests/e2e/ProcessFigures.h"
#include "settings/RegDwordValue.h"
#include "settings/SharedValues.h"
#include "testsupport/StepWatch.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <vector>

using namespace scenario;

namespace {

using Clock = std::chrono::steady_clock;
const unsigned tunnelDelayMs = 2000;
const unsigned noDelayMs = 0;
const int rounds = 8;
const unsigned chatterLines = 100000;

// When a hide's steps began, in milliseconds from the press.
struct HideTimes {
    double ready = 0;     // the keeper raised Ready
    double configure = 0; // the controller saw it
    double probe = 0;
    double completed = -1; // -1: it did not succeed
};

double since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Presses "Hide IP Now" and watches the status line (read without
// blocking the window) until the workflow has ended.
HideTimes timedHide(RunningController& controller) {
    HideTimes times;
    const Clock::time_point start = Clock::now();
    controller.driver().pressLater(IDC_HIDE_IP);
    std::string status;
    bool started = false;
    settings::RegDwordValue ready(settings::shared::ready, 0, true);
    while (since(start) < workflowTimeout) {
        if (times.ready == 0 && ready.get() == 1)
            times.ready = since(start);
        status = controller.texts().status;
        started = started || status != completed;
        if (status == "Configure Browser" && times.configure == 0)
            times.configure = since(start);
        if (status == "Determine IP Address" && times.probe == 0)
            times.probe = since(start);
        if (started && (status == completed || status == "Connection Error!!!"))
            break;
        Sleep(1);
    }
    if (status == completed && isTunnelAddress(controller.texts().protectedBy))
        times.completed = since(start);
    return times;
}

void printMemory(const char* what, const char* executable) {
    ProcessFigures figures = figuresOf(executable);
    std::printf("  %-34s %6zu KiB\n", what, figures.privateKiB);
}

// The sorted times of `rounds` hides, each followed by a restore; empty
// when one failed.
std::vector<HideTimes> timedHides(RunningController& controller, bool printFigures) {
    std::vector<HideTimes> times;
    for (int i = 0; i < rounds; ++i) {
        testing_support::Step step("Hide IP Now and Restore Real IP, round " +
                                       std::to_string(i + 1),
                                   2 * workflowTimeout + 60000);
        HideTimes hide = timedHide(controller);
        if (hide.completed < 0) {
            std::fprintf(stderr, "Hide IP Now failed: %s\n", controller.texts().status.c_str());
            return {};
        }
        times.push_back(hide);
        if (i == 0 && printFigures) {
            std::printf("Hidden:\n");
            printMemory("controller", "Velquin.exe");
            printMemory("service (with the local proxy)", "Velquin-Service.exe");
            printMemory("keeper", "Velquin-Keeper.exe");
        }
        controller.press(IDC_RESTORE);
    }
    return times;
}

double median(std::vector<HideTimes> hides, double HideTimes::*step) {
    std::vector<double> times;
    for (const HideTimes& hide : hides)
        times.push_back(hide.*step);
    std::sort(times.begin(), times.end());
    return (times[rounds / 2 - 1] + times[rounds / 2]) / 2;
}

void printTimes(const std::vector<HideTimes>& hides, unsigned delayMs) {
    double least = hides.front().completed, most = least;
    for (const HideTimes& hide : hides) {
        least = std::min(least, hide.completed);
        most = std::max(most, hide.completed);
    }
    const double total = median(hides, &HideTimes::completed);
    std::printf(
        "\"Hide IP Now\" to \"Action Completed Successfully\", %d runs, tunnel delay %u ms:\n",
        rounds, delayMs);
    std::printf("  median %.0f ms (min %.0f, max %.0f); minus the tunnel's delay %.0f ms\n", total,
                least, most, total - delayMs);
    std::printf("  medians from the press: Ready raised %.0f ms, Configure Browser %.0f ms, "
                "Determine IP Address %.0f ms\n",
                median(hides, &HideTimes::ready), median(hides, &HideTimes::configure),
                median(hides, &HideTimes::probe));
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

    const std::vector<HideTimes> delayed = timedHides(controller, true);
    writeTorrc(noDelayMs);
    const std::vector<HideTimes> atOnce = timedHides(controller, false);
    if (delayed.empty() || atOnce.empty())
        return 1;
    printTimes(delayed, tunnelDelayMs);
    printTimes(atOnce, noDelayMs);

    // However long the keeper takes to list the lines, the poll waits.
    setDword(settings::shared::timeOut, 1200);
    writeTorrc(tunnelDelayMs);
    std::ofstream(torrcPath, std::ios::binary | std::ios::app)
        << "StandInChatter " << chatterLines << "\r\n";
    double chatty = 0;
    {
        testing_support::Step step("Hide IP Now after the chatty client's lines",
                                   workflowTimeout + 60000);
        chatty = timedHide(controller).completed;
    }
    std::printf("With %u client log lines before the circuit: \"Hide IP Now\" took %.0f ms\n",
                chatterLines, chatty);
    printMemory("keeper after the lines", "Velquin-Keeper.exe");
    controller.driver().pressLater(IDC_EXIT);
    controller.exitCodeWithin(60000);
    writeTorrc(2000);
    return chatty < 0;
}
