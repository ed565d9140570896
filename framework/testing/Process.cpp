#include "framework/testing/Process.h"

namespace testing_support {

framework::KernelHandle startProcess(const std::string& command) {
    std::string commandLine = command;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return {};
    CloseHandle(process.hThread);
    return framework::KernelHandle(process.hProcess);
}

std::string hostToWine(std::string path) {
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return "Z:" + path;
}

} // namespace testing_support
