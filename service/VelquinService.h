#pragma once

#include "service/TunnelSide.h"

#include <windows.h>

namespace service {

// The Windows service "Velquin" in its own process: reports running as
// soon as the tunnel side has started, stops with a service-specific exit
// code when it could not start, and does the whole stop inside the stop
// control, so that when a stop request returns the tunnel is down.
class VelquinService {
public:
    static constexpr const char* name = "Velquin";

    // Hands the process's main thread to the service control manager; false
    // when the process was not started as a service.
    static bool run();

private:
    static void WINAPI serviceMain(DWORD argc, char** argv);
    static DWORD WINAPI control(DWORD code, DWORD eventType, void* eventData, void* context);
    // `specificExitCode` (a TunnelSide::Failure) is the service's own code
    // for why it stopped; 0 for a regular stop.
    void report(DWORD state, DWORD specificExitCode = 0);

    SERVICE_STATUS_HANDLE statusHandle_ = nullptr;
    framework::KernelHandle stopped_{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    TunnelSide tunnel_;
};

} // namespace service
