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
    std::string commandLine = "\"" + folder + executable + "\"";
    if (!job_) {
        job_.reset(CreateJobObjectA(nullptr, nullptr));
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits,
                                sizeof limits);
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // Suspended until it is in the job, so that its client is in it too.
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, installDir.empty() ? nullptr : installDir.c_str(), &startup,
                        &process))
        return false;
    AssignProcessToJobObject(job_.get(), process.hProcess);
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    process_.reset(process.hProcess);
    processId_ = process.dwProcessId;
    return true;
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
            WindowSearch search{processId_};
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
