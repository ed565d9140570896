// Starts and stops the service "Velquin" many times the way the controller
// does, in the namespace runner, and checks that nothing piles up: no
// process left after a stop, no growth of the handle tables or private
// memory of the running service and keeper, or of this process's handle
// table (the controller's side of the requests). VELQUIN_SOAK_CYCLES sets the number of cycles
// (20 when unset; the README's soak runs 500).
#include "controller/ServiceControl.h"
#include "framework/Handle.h"
#include "testsupport/Process.h"
#include "testsupport/StepWatch.h"
#include "testsupport/Wait.h"
#include "testsupport/WindowText.h"
#include "settings/RegDwordValue.h"
#include "tests/e2e/ControllerScenario.h"
#include "tests/e2e/ProcessFigures.h"
#include "settings/SharedValues.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

using namespace scenario;
using testing_support::waitUntil;

namespace {

// A start, its wait for Ready (30 s at most) and a stop.
constexpr DWORD cycleTimeoutMs = 90000;

int cycles() {
    const char* text = std::getenv("VELQUIN_SOAK_CYCLES");
    int count = text != nullptr ? std::atoi(text) : 0;
    return count > 0 ? count : 20;
}

bool ready() {
    return settings::RegDwordValue(settings::shared::ready).get() == 1;
}

// The figures of one cycle, taken while the tunnel is up.
struct Cycle {
    ProcessFigures service;
    ProcessFigures keeper;
    ProcessFigures own;
};

struct StationTraits {
    static HWINSTA invalid() { return nullptr; }
    static void close(HWINSTA h) { CloseWindowStation(h); }
};
struct DesktopTraits {
    static HDESK invalid() { return nullptr; }
    static void close(HDESK h) { CloseDesktop(h); }
};

// What the keeper's window shows. The keeper runs on the services' window
// station, so its window is looked for from a thread on that station's
// desktop; the process goes back to its own station before both are closed.
std::string keeperWindow() {
    std::string text;
    std::thread([&text] {
        HWINSTA own = GetProcessWindowStation();
        framework::UniqueHandle<StationTraits> services(
            OpenWindowStationA("__wineservice_winstation", FALSE, MAXIMUM_ALLOWED));
        framework::UniqueHandle<DesktopTraits> desktop;
        if (services && SetProcessWindowStation(services.get()))
            desktop.reset(OpenDesktopA("Default", 0, FALSE, MAXIMUM_ALLOWED));
        if (!desktop || !SetThreadDesktop(desktop.get())) {
            text = "the services' desktop cannot be opened";
        } else {
            HWND keeper = FindWindowA(nullptr, "Velquin-Keeper");
            text = keeper == nullptr ? "no keeper window" : "the keeper's window shows:";
            for (const std::string& line : testing_support::listBoxLines(GetDlgItem(keeper, 1001)))
                text += "\n" + line;
        }
        SetProcessWindowStation(own);
    }).join();
    return text;
}

// How the service ended, if it did, which of the programs run, and what the keeper's window
// shows.
std::string whatRuns() {
    SERVICE_STATUS status = serviceStatus();
    std::string text = "service state " + std::to_string(status.dwCurrentState) + ", exit code " +
                       std::to_string(status.dwWin32ExitCode) + "/" +
                       std::to_string(status.dwServiceSpecificExitCode) + "; running:";
    for (const char* name : {"Velquin-Service.exe", "Velquin-Keeper.exe", "Velquin-Server2.exe"})
        if (testing_support::countProcessesNamed(name) != 0)
            text += std::string(" ") + name;
    return text + "\n" + keeperWindow();
}

// A cycle as the controller runs it: a start, the wait for Ready, a stop.
// What went wrong, or "".
std::string runCycle(Cycle& cycle) {
    controller::ServiceControl service;
    service.SetServiceName("Velquin");
    if (!service.Start())
        return "the start was refused";
    if (!waitUntil(ready, 30000))
        return "Ready did not come within 30 s\n" + whatRuns();
    cycle.service = figuresOf("Velquin-Service.exe");
    cycle.keeper = figuresOf("Velquin-Keeper.exe");
    cycle.own = figuresOf("service_soak_test.exe");
    // The stop request returns only once the service has stopped, and its
    // answer reaches the service control manager before the process ends.
    if (!service.Stop())
        return "the stop was refused (error " + std::to_string(GetLastError()) + ")";
    if (serviceState() != SERVICE_STOPPED)
        return "the service was not stopped when the stop request returned";
    std::string left = leftRunning();
    return left.empty() ? "" : "still running after the stop: " + left;
}

} // namespace

TEST(ServiceSoak, StartsAndStopsWithoutLeavingOrGrowingAnything) {
    writeTorrc(0);
    const int count = cycles();
    // The first cycles warm the system's caches; growth counts from here.
    const int settled = 3;
    Cycle first, last, worst;
    for (int i = 0; i < count; ++i) {
        // Hundreds of cycles outlast any one bound: each has its own.
        testing_support::StepWatch::instance().extend(cycleTimeoutMs);
        Cycle cycle;
        ASSERT_EQ(runCycle(cycle), "") << "cycle " << i + 1;
        ASSERT_TRUE(cycle.service.found && cycle.keeper.found && cycle.own.found);
        if (i == std::min(settled, count - 1))
            first = cycle;
        last = cycle;
        worst.service.privateKiB = std::max(worst.service.privateKiB, cycle.service.privateKiB);
        worst.keeper.privateKiB = std::max(worst.keeper.privateKiB, cycle.keeper.privateKiB);
    }
    std::printf("%d cycles, figures of cycle %d -> the last (largest private memory):\n", count,
                settled + 1);
    std::printf("  service: private %zu -> %zu KiB (%zu), handle table %lu -> %lu\n",
                first.service.privateKiB, last.service.privateKiB, worst.service.privateKiB,
                first.service.handleTable, last.service.handleTable);
    std::printf("  keeper:  private %zu -> %zu KiB (%zu), handle table %lu -> %lu\n",
                first.keeper.privateKiB, last.keeper.privateKiB, worst.keeper.privateKiB,
                first.keeper.handleTable, last.keeper.handleTable);
    std::printf("  this process: private %zu -> %zu KiB, handle table %lu -> %lu\n",
                first.own.privateKiB, last.own.privateKiB, first.own.handleTable,
                last.own.handleTable);
    EXPECT_LE(last.service.handleTable, first.service.handleTable);
    EXPECT_LE(last.keeper.handleTable, first.keeper.handleTable);
    EXPECT_LE(last.own.handleTable, first.own.handleTable);
    // Each cycle runs a new service and keeper: their memory must not
    // depend on how many ran before. This process keeps running: it may
    // grow by a little.
    EXPECT_LE(worst.service.privateKiB, first.service.privateKiB + 1024);
    EXPECT_LE(worst.keeper.privateKiB, first.keeper.privateKiB + 1024);
    EXPECT_LE(last.own.privateKiB, first.own.privateKiB + 1024);
    writeTorrc(2000);
}
