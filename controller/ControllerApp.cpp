#include "controller/ControllerApp.h"

#include "controller/MainDialog.h"
#include "framework/Resources.h"
#include "resources/controller/resource.h"

namespace controller {

void ExitCleanup(WorkflowEnvironment& environment) {
    environment.restoreConnections();
    std::unique_ptr<ServiceControl> service = environment.newServiceControl();
    service->SetServiceName(MainDialog::serviceName);
    service->Stop();
}

bool ControllerApp::startSockets() {
    sockets_.emplace(MAKEWORD(1, 1));
    return sockets_->ok();
}

bool ControllerApp::anotherControllerRuns() {
    HANDLE marker = CreateMutexA(nullptr, TRUE, instanceMarker);
    const DWORD error = GetLastError();
    marker_.reset(marker);
    if (marker_)
        ReleaseMutex(marker_.get());
    if (error == ERROR_ALREADY_EXISTS) {
        // Hidden in the notification area, the window is found all the same.
        HWND first = FindWindowA(nullptr, windowTitle);
        if (first != nullptr) {
            ShowWindow(first, SW_SHOWDEFAULT);
            BringWindowToTop(first);
            SetForegroundWindow(first);
        }
        return true;
    }
    machineMarker_.reset(CreateMutexA(nullptr, FALSE, machineMarker));
    // Another user's marker is theirs: it refuses to be opened.
    const DWORD machineError = GetLastError();
    if (machineError != ERROR_ALREADY_EXISTS && machineError != ERROR_ACCESS_DENIED)
        return false;
    framework::messageBox(inUseElsewhere, MB_OK | MB_ICONINFORMATION);
    return true;
}

bool ControllerApp::initInstance() {
    if (!startSockets()) {
        framework::messageBox(framework::loadString(IDS_SOCKETS_FAILED),
                              MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    if (anotherControllerRuns())
        return false;
    cleanUpOnExit_ = true;
    MainDialog dialog(environment_);
    setMainWindow(&dialog);
    dialog.runModal(nullptr);
    setMainWindow(nullptr);
    return false;
}

int ControllerApp::exitInstance() {
    if (cleanUpOnExit_)
        ExitCleanup(environment_);
    return 0;
}

} // namespace controller
