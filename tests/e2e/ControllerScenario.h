#pragma once

#include "framework/Handle.h"
#include "testbed/driver/ControllerDriver.h"

#include <string>

// What the controller's end-to-end scenarios share: the installed
// controller, its driver, and what a scenario checks of the system around it.
namespace scenario {

const char* const controllerCommand = "\"C:\\Program Files\\Velquin\\Velquin.exe\"";
const char* const torrcPath = "C:\\Program Files\\Velquin\\services\\Velquin-Server2\\torrc";
const char* const notProtected = "N/A - Your Real Real IP is visible";
const char* const completed = "Action Completed Successfully";
const char* const tunnelDown = "Warning: the tunnel is down - press Get A New IP";
const unsigned workflowTimeout = 180000;

// 127.0.0.N with N other than 1: an address of the stand-in tunnel.
bool isTunnelAddress(const std::string& text);
// Whether the active connection's options point at the local proxy.
bool proxied();
// The service's status; all zero when it is not installed.
SERVICE_STATUS serviceStatus();
DWORD serviceState();
void setDword(const char* path, DWORD value);
// The tunnel client's configuration, with `delayMs` before its circuit.
void writeTorrc(unsigned delayMs);
// Waits up to 30 s for every controller, service, keeper and client
// process to end; the names of those still running, or "".
std::string leftRunning();
// Waits up to 30 s for exactly one process named `executable`, terminates
// it and waits up to 10 s for it to be gone; whether it went.
bool killTheOneNamed(const char* executable);

// One controller process and the driver that presses its buttons.
class RunningController {
public:
    RunningController();
    ~RunningController();
    testbed::ControllerDriver& driver() { return driver_; }
    testbed::ControllerTexts texts() const { return driver_.texts(); }
    // Presses and waits for the workflow's end; false if it did not end.
    bool press(int id) { return driver_.press(id, workflowTimeout); }
    // The exit code once the process has ended, or STILL_ACTIVE.
    DWORD exitCodeWithin(unsigned timeoutMs);
    HANDLE process() const { return process_.get(); }

private:
    framework::KernelHandle process_;
    testbed::ControllerDriver driver_;
};

} // namespace scenario
