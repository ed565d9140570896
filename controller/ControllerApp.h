#pragma once

// Windows Sockets must come before windows.h.
#include "framework/Socket.h"

#include "controller/WorkflowEnvironment.h"
#include "framework/Application.h"
#include "framework/Handle.h"
#include "settings/SharedValues.h"

#include <optional>

namespace controller {

// Gives every connection that still points at the local proxy its own
// options back (see RestoreEveryConnection) and asks the tunnel service to
// stop; neither waits nor reports.
void ExitCleanup(WorkflowEnvironment& environment);

// The controller program: starts Windows Sockets, lets one controller run
// per machine (a second start in the same logon brings the first one's
// window to the front; one in another user's logon says that Velquin is in
// use), runs the main window, and cleans up after it. There is one tunnel
// service for the machine: a second user's Restore, New IP or logoff would
// cut the first user's tunnel.
class ControllerApp : public framework::Application {
public:
    // Exists while a controller runs in this logon.
    static constexpr const char* instanceMarker =
        "AFX_Ondrel_H__5B5F33E8_2175_4C23_BB38_A334AAAA6A11";
    // Exists while a controller runs anywhere on the machine. A name of its
    // own, since where the session's and the machine's names are one (under
    // Wine, and in the services' session) the first marker would find
    // itself.
    static constexpr const char* machineMarker = settings::shared::controller::machineMarker;
    static constexpr const char* windowTitle = settings::shared::controller::windowTitle;
    static constexpr const char* inUseElsewhere =
        "Velquin is in use by another user of this computer. It runs for one user at a "
        "time: ask them to exit it, then start Velquin again.";

    explicit ControllerApp(WorkflowEnvironment& environment)
        : Application("Velquin"), environment_(environment) {}

protected:
    bool initInstance() override;
    int exitInstance() override;
    // Windows Sockets 1.1 for the life of the program; false when they
    // cannot be started.
    virtual bool startSockets();

private:
    // True when a controller already runs in this logon, whose window has
    // then been brought to the front, or in another logon, which the user
    // has then been told.
    bool anotherControllerRuns();

    WorkflowEnvironment& environment_;
    std::optional<framework::WinsockSession> sockets_;
    // Exists while this controller runs: its name tells later starts that
    // they are not the first.
    framework::KernelHandle marker_;
    framework::KernelHandle machineMarker_;
    // Set once the main window has run: the early ends leave the proxy
    // options and the service alone, which another controller may rely on.
    bool cleanUpOnExit_ = false;
};

} // namespace controller
