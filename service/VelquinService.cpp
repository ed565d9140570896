#include "service/VelquinService.h"

namespace service {

namespace {

DWORD dispatcherThreadId = 0;
// The thread that handled the stop control, when it is not the one that
// runs the dispatcher.
framework::KernelHandle stopThread;
constexpr DWORD answerTimeoutMs = 10000;

// Waits, for `timeoutMs` at most, until `thread` has sent the service
// control manager its answer to the control it handled, which it does
// after the handler has returned: it then waits on the manager's pipe for
// the next control, a read that can be cancelled, which ends the thread.
void waitForAnswer(HANDLE thread, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < deadline) {
        if (CancelSynchronousIo(thread)) {
            WaitForSingleObject(thread, timeoutMs);
            return;
        }
        if (WaitForSingleObject(thread, 1) == WAIT_OBJECT_0)
            return;
    }
}

} // namespace

bool VelquinService::run() {
    SERVICE_TABLE_ENTRYA table[] = {{const_cast<char*>(name), serviceMain}, {nullptr, nullptr}};
    dispatcherThreadId = GetCurrentThreadId();
    if (!StartServiceCtrlDispatcherA(table))
        return false;
    // The stop control reports the service stopped before it returns, so
    // that a start right after the stop request is accepted. Windows runs
    // the control on this thread: its answer has gone out by now. Wine runs
    // it on a thread of its own and lets this call return as soon as the
    // service is reported stopped; ending the process then would take the
    // answer with it, and the stop request would fail with a broken pipe
    // although the service did stop.
    if (stopThread)
        waitForAnswer(stopThread.get(), answerTimeoutMs);
    return true;
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
        // Cancelling the thread's next read needs THREAD_TERMINATE. The
        // report of the stopped service stays its last call that waits on
        // the manager, so that a read that can be cancelled comes only
        // after the answer.
        if (GetCurrentThreadId() != dispatcherThreadId)
            stopThread.reset(
                OpenThread(SYNCHRONIZE | THREAD_TERMINATE, FALSE, GetCurrentThreadId()));
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
