#pragma once

#include "framework/Handle.h"
#include "framework/ProcessJob.h"

#include <string>

namespace service {

// The keeper program as the service runs it: started from the installation
// folder, and ended the way a user ends it, by closing its window, so that
// it ends its tunnel client and clears Ready itself. The keeper and the
// client it starts run in a job that ends them both should the service
// itself die, so that no tunnel outlives the service that runs it.
class KeeperProcess {
public:
    static constexpr const char* executable = "Velquin-Keeper.exe";
    static constexpr int startAttempts = 3;
    static constexpr DWORD startRetryPauseMs = 250;

    // Starts the keeper, trying again after a failed process creation; at
    // most `startAttempts` attempts.
    bool start(const std::string& installDir);
    // Closes the keeper's window and waits for it to end; a keeper that has
    // not ended within `timeoutMs` is terminated. A keeper that did not end
    // through its window (killed, or terminated here) cannot have ended its
    // client or cleared Ready: both are done for it. Returns whether it
    // ended on its own.
    bool close(DWORD timeoutMs);
    bool running() const;

private:
    // Ends the client and clears Ready, as the keeper's own exit does.
    static void endTunnel();
    framework::ProcessJob job_;
    framework::KernelHandle process_;
};

} // namespace service
