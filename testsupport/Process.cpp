#include "testsupport/Process.h"

#include <tlhelp32.h>

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

int countProcessesNamed(const char* name) {
    framework::FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry))
        count += lstrcmpiA(entry.szExeFile, name) == 0;
    return count;
}

std::string hostToWine(std::string path) {
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return "Z:" + path;
}

} // namespace testing_support
