#include "controller/ServiceControl.h"

namespace controller {

ServiceControl::ServiceControl(const ServiceManagerCalls& calls)
    : calls_(calls), manager_(calls_.openManager(nullptr, nullptr, managerRights)) {}

framework::ServiceHandle ServiceControl::openService() const {
    return framework::ServiceHandle(
        calls_.openService(manager_.get(), serviceName_, serviceRights));
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
