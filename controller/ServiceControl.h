#pragma once

#include "framework/Handle.h"

namespace controller {

// Starts and stops one Windows service through the service control
// manager. Requests return at once and never wait for the service to change
// state; a false result means the request was not accepted (no rights, no
// such service, already running or already stopped).
class ServiceControl {
public:
    ServiceControl();
    virtual ~ServiceControl() = default;
    ServiceControl(const ServiceControl&) = delete;
    ServiceControl& operator=(const ServiceControl&) = delete;

    // The name is not copied: callers pass a constant.
    void SetServiceName(const char* name) { serviceName_ = name; }
    const char* serviceName() const { return serviceName_; }
    // Virtual so that tests of the workflows can record the requests.
    virtual bool Start();
    virtual bool Stop();

private:
    framework::ServiceHandle openService() const;

    framework::ServiceHandle manager_;
    const char* serviceName_ = nullptr;
};

} // namespace controller
