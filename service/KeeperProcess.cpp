#include "service/KeeperProcess.h"

#include "tunnelclient/ClientProcess.h"
#include "tunnelclient/TunnelStatus.h"

namespace service {
namespace {

struct WindowSearch {
    DWORD processId;
    bool posted = false;
};

BOOL CALLBACK closeIfOwned(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    // The keeper's main window is its dialog; its other top-level windows
    // are the system's helpers.
    if (owner == search->processId && lstrcmpA(className, "#32770") == 0)
        search->posted = PostMessageA(window, WM_CLOSE, 0, 0) || search->posted;
    return TRUE;
}

} // namespace

bool KeeperProcess::start(const std::string& installDir) {
    std::string folder = installDir;
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    const std::string command = "\"" + folder + executable + "\"";
    // A process creation can fail for a moment on a loaded system: the new
    // process may end in its start-up before any of its own code runs. Each
    // failure is told to the debugger; one that lasts fails the start.
    for (int attempt = 1; attempt <= startAttempts; ++attempt) {
        process_ = job_.start(command, installDir);
        if (process_)
            return true;
        OutputDebugStringA(
            ("Velquin: the keeper cannot be started (error " + std::to_string(GetLastError()) + ")")
                .c_str());
        if (attempt < startAttempts)
            Sleep(startRetryPauseMs);
    }
    return false;
}

bool KeeperProcess::running() const {
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

bool KeeperProcess::close(DWORD timeoutMs) {
    if (!process_)
        return true;
    DWORD started = GetTickCount();
    bool posted = false;
    // A keeper that has only just started may not have its window yet.
    while (running() && GetTickCount() - started < timeoutMs) {
        if (!posted) {
            WindowSearch search{GetProcessId(process_.get())};
            EnumWindows(closeIfOwned, reinterpret_cast<LPARAM>(&search));
            posted = search.posted;
        }
        WaitForSingleObject(process_.get(), posted ? 100 : 20);
    }
    bool ended = !running();
    if (!ended) {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), 5000);
    }
    DWORD exitCode = 1;
    GetExitCodeProcess(process_.get(), &exitCode);
    if (!posted || exitCode != 0)
        endTunnel();
    process_.reset();
    return ended;
}

void KeeperProcess::endTunnel() {
    tunnelclient::killClient();
    tunnelclient::TunnelStatus::clear();
}

} // namespace service
