#include "service/VelquinService.h"

namespace service {
bool VelquinService::run() {
    SERVICE_TABLE_ENTRYA table[] = {{const_cast<char*>(name), serviceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) != FALSE;
}

void WINAPI VelquinService::serviceMain(DWORD, char**) {
    VelquinService service;
    service.statusHandle_ = RegisterServiceCtrlHandlerExA(name, control, &service);
    if (!service.statusHandle_)
        return;
    service.report(SERVICE_START_PENDING);
    // Nothing may leave this function by an exception: it is called by the
    // system, and an escaping one would end the process with no status.
    TunnelSide::Failure failure = TunnelSide::Failure::Unexpected;
    try {
        failure = service.tunnel_.start();
    } catch (...) {
    }
    if (failure != TunnelSide::Failure::None) {
        service.tunnel_.stop();
        service.report(SERVICE_STOPPED, static_cast<DWORD>(failure));
        return;
    }
    service.report(SERVICE_RUNNING);
    WaitForSingleObject(service.stopped_.get(), INFINITE);
}

DWORD WINAPI VelquinService::control(DWORD code, DWORD, void*, void* context) {
    auto* service = static_cast<VelquinService*>(context);
    switch (code) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        service->report(SERVICE_STOP_PENDING);
        try {
            service->tunnel_.stop();
        } catch (...) {
            // The stop goes on: the keeper's job ends it with the process.
        }
        service->report(SERVICE_STOPPED);
        SetEvent(service->stopped_.get());
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void VelquinService::report(DWORD state, DWORD specificExitCode) {
    static DWORD checkPoint = 0;
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted =
        state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWin32ExitCode = specificExitCode == 0 ? NO_ERROR : ERROR_SERVICE_SPECIFIC_ERROR;
    status.dwServiceSpecificExitCode = specificExitCode;
    bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
    status.dwCheckPoint = pending ? ++checkPoint : 0;
    status.dwWaitHint = pending ? TunnelSide::keeperCloseTimeoutMs + 5000 : 0;
    SetServiceStatus(statusHandle_, &status);
}

} // namespace service
