#include "framework/ProcessJob.h"

namespace framework {

ProcessJob::ProcessJob() : job_(CreateJobObjectA(nullptr, nullptr)) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
}

KernelHandle ProcessJob::start(const std::string& commandLine, const std::string& folder) {
    std::string command = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        return {};
    AssignProcessToJobObject(job_.get(), process.hProcess);
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    return KernelHandle(process.hProcess);
}

} // namespace framework
