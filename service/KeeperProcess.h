#pragma once

#include "framework/Handle.h"

#include <string>

namespace service {

// The keeper program as the service runs it: started from the installation
// folder, and ended the way a user ends it, by closing its window, so that
// it ends its tunnel client and clears Ready itself.
class KeeperProcess {
public:
    static constexpr const char* executable = "Velquin-Keeper.exe";

    bool start(const std::string& installDir);
    // Closes the keeper's window and waits for it to end; a keeper that has
    // not ended within `timeoutMs` is terminated, with its client. Returns
    // whether it ended on its own.
    bool close(DWORD timeoutMs);
    bool running() const;

private:
    framework::KernelHandle process_;
    DWORD processId_ = 0;
};

} // namespace service
