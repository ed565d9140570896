#pragma once

#include "framework/Handle.h"

#include <string>

namespace installer {

// The call that sets a service's SID type and privileges; tests put a
// recording one in its place. The wide one: Wine's narrow one refuses
// these levels before its service control manager sees them.
using ChangeConfig2 = decltype(&ChangeServiceConfig2W);

// Registers, stops and removes one Windows service for the installation.
// Stopping waits until the service's process has ended, so that its files
// can be replaced or deleted right afterwards.
class ServiceSetup {
public:
    // The service parses what the web sends (its local proxy) and runs the
    // tunnel client: it runs with the least a service can have, as Local
    // Service with a SID of its own, which the installation grants exactly
    // what the service writes, and with no privilege but the one every
    // process keeps (bypassing traverse checks).
    static constexpr const char* account = "NT AUTHORITY\\LocalService";
    static constexpr DWORD sidType = SERVICE_SID_TYPE_UNRESTRICTED;
    // A multi-string: the one name, and the empty string that ends the list.
    static constexpr const wchar_t requiredPrivileges[] = L"SeChangeNotifyPrivilege\0";

    explicit ServiceSetup(std::string name, ChangeConfig2 changeConfig2 = &ChangeServiceConfig2W);

    // Registers the service as a process of its own, started on demand,
    // running the program at `programPath` under the account above with its
    // SID type and privileges, that interactive users may start, stop and
    // query; an existing registration takes the new program, start type,
    // account and access rules.
    bool registerService(const std::string& programPath);
    // Stops the service if it runs and waits for its process to end; true
    // when it no longer runs (also when it is not registered at all).
    bool stop(DWORD timeoutMs);
    // Stops the service and deletes its registration; true when it is gone.
    bool remove(DWORD timeoutMs);

private:
    framework::ServiceHandle open(DWORD access) const;
    bool limitRights(SC_HANDLE service) const;

    framework::ServiceHandle manager_;
    std::string name_;
    ChangeConfig2 changeConfig2_;
};

} // namespace installer
