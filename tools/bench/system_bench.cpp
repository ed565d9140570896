// Measures the whole system in the namespace runner, side by side in one
// run: how long "Hide IP Now" takes against the stand-in tunnel's own
// start-up delay, and with a tunnel that opens at once, and the private
// memory of the controller, the service and the keeper, the keeper also
// after 100,000 log lines. With --real-client (in the runner with
// --onion): "Hide IP Now" against the real client's own time from its
// start to its ready line, first with a new data folder and then with the
// kept one, and "Get A New IP".
// Usage (see the README): scripts/netns-run [--onion] scripts/wine-run
// system_bench.exe [--real-client]
#include "testsupport/Process.h"
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
#include <string>
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
    double client = 0;    // the tunnel client's process was created
    double ready = 0;     // the keeper raised Ready
    double configure = 0; // the controller saw it
    double probe = 0;
    double completed = -1; // -1: it did not succeed
};

double since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The system clock in milliseconds, the clock of process creation times.
double systemMs(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 10000.0;
}

double systemNowMs() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return systemMs(now);
}

// When the running tunnel client was created, in system milliseconds; 0
// while none runs.
double clientCreatedMs() {
    std::vector<DWORD> ids = testing_support::processIdsNamed("Velquin-Server2.exe");
    if (ids.size() != 1)
        return 0;
    framework::KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ids[0]));
    FILETIME created, exited, kernel, user;
    if (!process || !GetProcessTimes(process.get(), &created, &exited, &kernel, &user))
        return 0;
    return systemMs(created);
}

// Presses "Hide IP Now" and watches the status line (read without
// blocking the window) until the workflow has ended.
HideTimes timedHide(RunningController& controller) {
    HideTimes times;
    const Clock::time_point start = Clock::now();
    const double pressedMs = systemNowMs();
    controller.driver().pressLater(IDC_HIDE_IP);
    std::string status;
    bool started = false;
    settings::RegDwordValue ready(settings::shared::ready, 0, true);
    while (since(start) < workflowTimeout) {
        if (times.client == 0) {
            double created = clientCreatedMs();
            if (created != 0)
                times.client = created - pressedMs;
        }
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

// The median, least and most of some times.
struct Spread {
    double median, least, most;
};

Spread spreadOf(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    size_t middle = times.size() / 2;
    double median = times.size() % 2 ? times[middle] : (times[middle - 1] + times[middle]) / 2;
    return {median, times.front(), times.back()};
}

void printSpread(const char* what, const Spread& spread) {
    std::printf("%s: median %.0f ms (min %.0f, max %.0f)", what, spread.median, spread.least,
                spread.most);
}

double median(std::vector<HideTimes> hides, double HideTimes::*step) {
    std::vector<double> times;
    for (const HideTimes& hide : hides)
        times.push_back(hide.*step);
    return spreadOf(times).median;
}

void printTimes(const std::vector<HideTimes>& hides, unsigned delayMs) {
    std::vector<double> totals;
    for (const HideTimes& hide : hides)
        totals.push_back(hide.completed);
    const Spread total = spreadOf(totals);
    std::printf(
        "\"Hide IP Now\" to \"Action Completed Successfully\", %d runs, tunnel delay %u ms:\n",
        rounds, delayMs);
    printSpread("  all runs", total);
    std::printf("; minus the tunnel's delay %.0f ms\n", total.median - delayMs);
    std::printf("  medians from the press: client started %.0f ms, Ready raised %.0f ms, "
                "Configure Browser %.0f ms, Determine IP Address %.0f ms\n",
                median(hides, &HideTimes::client), median(hides, &HideTimes::ready),
                median(hides, &HideTimes::configure), median(hides, &HideTimes::probe));
}

// The real client's own share of a hide: from its start to its ready line
// (the keeper raises Ready within milliseconds of it).
void printAgainstTheClient(const char* what, const HideTimes& hide) {
    const double own = hide.ready - hide.client;
    std::printf("  %s: %.0f ms; the client's own start to ready %.0f ms (started %.0f ms after "
                "the press); beyond the client's own %.0f ms\n",
                what, hide.completed, own, hide.client, hide.completed - own);
}

// "Hide IP Now" against the real client's own start-up, the first with a
// new data folder, then with the kept one; "Get A New IP" with the kept
// one. 0 when every workflow succeeded.
int realClientFigures(RunningController& controller) {
    std::printf("\"Hide IP Now\" to \"Action Completed Successfully\", real client:\n");
    HideTimes first = timedHide(controller);
    if (first.completed < 0) {
        std::fprintf(stderr, "Hide IP Now failed: %s\n", controller.texts().status.c_str());
        return 1;
    }
    printAgainstTheClient("new data folder", first);
    controller.press(IDC_RESTORE);
    std::vector<HideTimes> kept = timedHides(controller, false);
    if (kept.empty())
        return 1;
    std::vector<double> totals, beyond;
    for (const HideTimes& hide : kept) {
        totals.push_back(hide.completed);
        beyond.push_back(hide.completed - (hide.ready - hide.client));
    }
    printSpread("  kept data folder", spreadOf(totals));
    printSpread("; beyond the client's own", spreadOf(beyond));
    std::printf("\n");

    if (!controller.press(IDC_HIDE_IP) || controller.texts().status != completed)
        return 1;
    std::vector<double> renewals;
    for (int i = 0; i < rounds; ++i) {
        const Clock::time_point start = Clock::now();
        if (!controller.press(IDC_NEW_IP) || controller.texts().status != completed ||
            !isTunnelAddress(controller.texts().protectedBy)) {
            std::fprintf(stderr, "Get A New IP failed: %s\n", controller.texts().status.c_str());
            return 1;
        }
        renewals.push_back(since(start));
    }
    printSpread("\"Get A New IP\", kept data folder", spreadOf(renewals));
    std::printf(", %d runs\n", rounds);
    controller.driver().pressLater(IDC_EXIT);
    controller.exitCodeWithin(60000);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool realClient = argc > 1 && std::string(argv[1]) == "--real-client";
    setDword(settings::shared::timeOut, 45);
    setDword(settings::shared::retry, 2);
    if (!realClient)
        writeTorrc(tunnelDelayMs);
    RunningController controller;
    if (!IsWindow(controller.driver().window())) {
        std::fprintf(stderr, "the controller did not start\n");
        return 1;
    }
    if (realClient)
        return realClientFigures(controller);
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
