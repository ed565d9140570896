// Measures the keeper, side by side in one run:
// - lines per second of a child printing N lines (default 100,000) into the
//   keeper window's list, against the same child's output drained by a bare
//   read loop, and the longest the window took meanwhile to answer a sent
//   message;
// - the latency from the moment a child writes the circuit line to the
//   moment Ready reads 1 (median and 99th percentile over R runs, default
//   100).
// Usage: keeper_bench.exe [lines] [runs]. It uses the Velquin registry key
// of the Wine prefix it runs in (cmd and Ready), and restores cmd.
#include "framework/Application.h"
#include "framework/Handle.h"
#include "framework/MessageLoop.h"
#include "testsupport/ChildMode.h"
#include "testsupport/StepWatch.h"
#include "testsupport/ResponsivenessProbe.h"
#include "keeper/KeeperDialog.h"
#include "testsupport/TestChild.h"
#include "resources/keeper/resource.h"
#include "settings/RegStringValue.h"
#include "settings/SharedValues.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* const goEventName = "VelquinKeeperBenchGo";

double now() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return double(count.QuadPart) / double(frequency.QuadPart);
}

// Child mode: for each of `runs` signals of the go event, prints one
// circuit line that starts with the time of its writing; ends at one more
// signal (its end would otherwise clear Ready right after the last line).
int printCircuitLines(const std::vector<std::string>& args) {
    int runs = args.empty() ? 0 : std::stoi(args[0]);
    framework::KernelHandle go(CreateEventA(nullptr, FALSE, FALSE, goEventName));
    for (int i = 0; i <= runs; ++i) {
        if (WaitForSingleObject(go.get(), 30000) != WAIT_OBJECT_0 || i == runs)
            return 0;
        char line[128];
        int length = std::snprintf(
            line, sizeof line, "%.9f [notice] Tunnel has successfully opened a circuit.\n", now());
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, length, &written, nullptr);
    }
    return 0;
}
testing_support::ChildMode circuitPrinter("circuit", &printCircuitLines);

class BenchApplication : public framework::Application {
public:
    BenchApplication() : Application("Velquin Keeper Bench") {}

protected:
    bool initInstance() override { return false; }
};

// Runs `command` with its output in a pipe and reads it to the end;
// returns the number of line feeds read.
long drainWithReadLoop(const std::string& command) {
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    framework::KernelHandle readEnd, writeEnd;
    if (!CreatePipe(readEnd.put(), writeEnd.put(), &inheritable, 0))
        return -1;
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    std::string commandLine = command;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    framework::KernelHandle processHandle(process.hProcess), thread(process.hThread);
    writeEnd.reset();
    long lineFeeds = 0;
    char buffer[1024];
    DWORD got = 0;
    while (ReadFile(readEnd.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        lineFeeds += static_cast<long>(std::count(buffer, buffer + got, '\n'));
    return lineFeeds;
}

// Pumps the thread's messages until `done` holds.
template <typename Condition> void pumpUntil(Condition done) {
    while (!done()) {
        framework::MessageLoop::processPending();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

void setCommand(const std::string& command) {
    settings::RegStringValue(settings::shared::cmd).set(command);
}

// Lines per second into the keeper's list and through a bare read loop.
void measureLines(int lines) {
    std::string command = keeper_test::counterCommand(lines);
    double started = now();
    long drained = drainWithReadLoop(command);
    double bare = now() - started;

    setCommand(command);
    keeper::KeeperDialog dialog;
    started = now();
    if (!dialog.create()) {
        std::printf("the keeper window could not be created\n");
        return;
    }
    testing_support::ResponsivenessProbe probe(dialog.handle());
    pumpUntil([&] { return !dialog.isRunning(); });
    double listed = now() - started;
    probe.stop();
    LRESULT count = SendMessageA(dialog.item(IDC_OUTPUT), LB_GETCOUNT, 0, 0);

    std::printf("%d lines: read loop %.2f s (%.0f lines/s, %ld lines), keeper list %.2f s "
                "(%.0f lines/s, %ld lines); keeper/read-loop rate %.2f\n",
                lines, bare, drained / bare, drained, listed, count / listed,
                static_cast<long>(count), bare / listed);
    std::printf("the keeper window answered %d sent messages meanwhile, the slowest in %lu ms "
                "(sent %d ms into the listing; %d not within 1 s)\n",
                probe.answers(), static_cast<unsigned long>(probe.longestMs()), probe.longestAt(),
                probe.misses());
}

DWORD readReady(HKEY key) {
    DWORD value = 0, size = sizeof value;
    if (RegQueryValueExA(key, settings::shared::names::ready, nullptr, nullptr,
                         reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
        return 0;
    return value;
}

// Time from the circuit line's writing to Ready = 1, seen through a
// registry change notice, over `runs` lines of one client.
void measureReadyLatency(int runs) {
    framework::KernelHandle go(CreateEventA(nullptr, FALSE, FALSE, goEventName));
    framework::KernelHandle changed(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    framework::RegKey key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, settings::shared::key, 0, nullptr, 0,
                    KEY_READ | KEY_WRITE | KEY_NOTIFY, nullptr, key.put(), nullptr);
    setCommand(testing_support::childCommandLine("circuit", {std::to_string(runs)}));
    keeper::KeeperDialog dialog;
    if (!key || !dialog.create()) {
        std::printf("set-up failed\n");
        return;
    }
    std::vector<double> latencies;
    for (int i = 0; i < runs && dialog.isRunning(); ++i) {
        DWORD zero = 0;
        RegSetValueExA(key.get(), settings::shared::names::ready, 0, REG_DWORD,
                       reinterpret_cast<BYTE*>(&zero), 4);
        RegNotifyChangeKeyValue(key.get(), FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed.get(), TRUE);
        SetEvent(go.get());
        HANDLE wait = changed.get();
        for (;;) {
            DWORD woke = MsgWaitForMultipleObjects(1, &wait, FALSE, 10000, QS_ALLINPUT);
            if (woke == WAIT_OBJECT_0 + 1) {
                framework::MessageLoop::processPending();
                continue;
            }
            if (woke != WAIT_OBJECT_0)
                break;
            if (readReady(key.get()) == 1)
                break;
            RegNotifyChangeKeyValue(key.get(), FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed.get(),
                                    TRUE);
        }
        double seen = now();
        pumpUntil([&] { return SendMessageA(dialog.item(IDC_OUTPUT), LB_GETCOUNT, 0, 0) > i; });
        char line[128] = {};
        SendMessageA(dialog.item(IDC_OUTPUT), LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
        latencies.push_back((seen - std::atof(line)) * 1000);
    }
    SetEvent(go.get());
    pumpUntil([&] { return !dialog.isRunning(); });
    if (latencies.empty()) {
        std::printf("no circuit line was seen\n");
        return;
    }
    std::sort(latencies.begin(), latencies.end());
    // The nearest-rank percentile: the smallest value that at least `share`
    // of the runs do not exceed.
    auto at = [&](double share) {
        size_t rank = static_cast<size_t>(std::ceil(share * latencies.size()));
        return latencies[std::clamp<size_t>(rank, 1, latencies.size()) - 1];
    };
    std::printf("circuit line to Ready = 1 over %zu runs: median %.3f ms, 99th percentile "
                "%.3f ms, longest %.3f ms\n",
                latencies.size(), at(0.5), at(0.99), latencies.back());
}

} // namespace

int main(int argc, char** argv) {
    int exitCode = 0;
    if (testing_support::ChildMode::runIfRequested(argc, argv, exitCode))
        return exitCode;
    BenchApplication application;
    int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
    int runs = argc > 2 ? std::atoi(argv[2]) : 100;
    std::string savedCommand = settings::RegStringValue(settings::shared::cmd).get();
    {
        testing_support::Step step("listing " + std::to_string(lines) + " lines", 600000);
        measureLines(lines);
    }
    {
        testing_support::Step step(std::to_string(runs) + " runs of the circuit line to Ready",
                                   600000);
        measureReadyLatency(runs);
    }
    setCommand(savedCommand);
    return 0;
}
