#include "controller/ServiceControl.h"

namespace controller {

ServiceControl::ServiceControl()
    : manager_(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {}

framework::ServiceHandle ServiceControl::openService() const {
    return framework::ServiceHandle(OpenServiceA(manager_.get(), serviceName_, SERVICE_ALL_ACCESS));
}

bool ServiceControl::Start() {
    if (serviceName_ == nullptr)
        return false;
    framework::ServiceHandle service = openService();
    return service && StartServiceA(service.get(), 0, nullptr);
}

bool ServiceControl::Stop() {
    if (serviceName_ == nullptr)
        return false;
    framework::ServiceHandle service = openService();
    SERVICE_STATUS status = {};
    return service && ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
}

} // namespace controller
