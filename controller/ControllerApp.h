#pragma once

// Windows Sockets must come before windows.h.
#include "framework/Socket.h"

#include "controller/WorkflowEnvironment.h"
#include "framework/Application.h"
#include "framework/Handle.h"

#include <optional>

namespace controller {

// Gives every connection that still points at the local proxy its own
// options back (see RestoreEveryConnection) and asks the tunnel service to
// stop; neither waits nor reports.
void ExitCleanup(WorkflowEnvironment& environment);

// The controller program: starts Windows Sockets, lets one controller run
// per logon (a second start brings the first one's window to the front),
// runs the main window, and cleans up after it.
class ControllerApp : public framework::Application {
public:
    static constexpr const char* instanceMarker =
        "AFX_Ondrel_H__5B5F33E8_2175_4C23_BB38_A334AAAA6A11";
    static constexpr const char* windowTitle = "Velquin";

    explicit ControllerApp(WorkflowEnvironment& environment)
        : Application("Velquin"), environment_(environment) {}

protected:
    bool initInstance() override;
    int exitInstance() override;
    // Windows Sockets 1.1 for the life of the program; false when they
    // cannot be started.
    virtual bool startSockets();

private:
    // True when a controller already runs in this logon; that one's window
    // has then been brought to the front.
    bool anotherControllerRuns();

    WorkflowEnvironment& environment_;
    std::optional<framework::WinsockSession> sockets_;
    // Exists while this controller runs: its name tells later starts that
    // they are not the first.
    framework::KernelHandle marker_;
    // Set once the main window has run: the early ends leave the proxy
    // options and the service alone, which another controller may rely on.
    bool cleanUpOnExit_ = false;
};

} // namespace controller
