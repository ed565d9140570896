#pragma once

#include "framework/Handle.h"

namespace controller {

// The two calls of the service control manager that ask for rights; tests
// put recording ones in their place to see what is asked.
struct ServiceManagerCalls {
    decltype(&OpenSCManagerA) openManager = &OpenSCManagerA;
    decltype(&OpenServiceA) openService = &OpenServiceA;
};

// Starts and stops one Windows service through the service control
// manager. Requests return at once and never wait for the service to change
// state; a false result means the request was not accepted (no rights, no
// such service, already running or already stopped). It asks only for the
// rights it uses, which the installation grants to interactive users, so a
// standard user's controller can start and stop the tunnel without being
// elevated.
class ServiceControl {
public:
    explicit ServiceControl(const ServiceManagerCalls& calls = {});
    virtual ~ServiceControl() = default;
    ServiceControl(const ServiceControl&) = delete;
    ServiceControl& operator=(const ServiceControl&) = delete;

    static constexpr DWORD managerRights = SC_MANAGER_CONNECT;
    static constexpr DWORD serviceRights = SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS;

    // The name is not copied: callers pass a constant.
    void SetServiceName(const char* name) { serviceName_ = name; }
    const char* serviceName() const { return serviceName_; }
    // Virtual so that tests of the workflows can record the requests.
    virtual bool Start();
    virtual bool Stop();

private:
    framework::ServiceHandle openService() const;

    ServiceManagerCalls calls_;
    framework::ServiceHandle manager_;
    const char* serviceName_ = nullptr;
};

} // namespace controller
