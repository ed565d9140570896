#pragma once

#include "framework/Handle.h"

#include <string>

namespace installer {

// Registers, stops and removes one Windows service for the installation.
// Stopping waits until the service's process has ended, so that its files
// can be replaced or deleted right afterwards.
class ServiceSetup {
public:
    explicit ServiceSetup(std::string name);

    // Registers the service as a process of its own, started on demand,
    // running the program at `programPath`, that interactive users may
    // start, stop and query; an existing registration takes the new program,
    // start type and access rules.
    bool registerService(const std::string& programPath);
    // Stops the service if it runs and waits for its process to end; true
    // when it no longer runs (also when it is not registered at all).
    bool stop(DWORD timeoutMs);
    // Stops the service and deletes its registration; true when it is gone.
    bool remove(DWORD timeoutMs);

private:
    framework::ServiceHandle open(DWORD access) const;

    framework::ServiceHandle manager_;
    std::string name_;
};

} // namespace installer
