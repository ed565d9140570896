#include "installer/RunningController.h"

#include "framework/Handle.h"
#include "settings/SharedValues.h"

namespace installer {

namespace controller = settings::shared::controller;

bool ControllerRuns() {
    framework::KernelHandle marker(OpenMutexA(SYNCHRONIZE, FALSE, controller::machineMarker));
    return marker || GetLastError() == ERROR_ACCESS_DENIED;
}

bool EndRunningController(DWORD timeoutMs) {
    if (!ControllerRuns())
        return true;
    HWND window = FindWindowA("#32770", controller::windowTitle);
    DWORD processId = 0;
    if (window == nullptr || GetWindowThreadProcessId(window, &processId) == 0)
        return false;
    framework::KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    // The dialog answers WM_CLOSE as Esc (its close box hides it in the
    // tray instead). Its exit stops the service, which takes a while.
    PostMessageA(window, WM_CLOSE, 0, 0);
    if (process)
        WaitForSingleObject(process.get(), timeoutMs);
    return !ControllerRuns();
}

} // namespace installer
