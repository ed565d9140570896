#include "testsupport/Process.h"

#include "framework/ProcessJob.h"

#include <tlhelp32.h>

namespace testing_support {

framework::KernelHandle startProcess(const std::string& command) {
    static framework::ProcessJob children;
    return children.start(command, {});
}

std::vector<DWORD> processIdsNamed(const char* name) {
    framework::FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    std::vector<DWORD> ids;
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry))
        if (lstrcmpiA(entry.szExeFile, name) == 0)
            ids.push_back(entry.th32ProcessID);
    return ids;
}

int countProcessesNamed(const char* name) {
    return static_cast<int>(processIdsNamed(name).size());
}

std::string hostToWine(std::string path) {
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return "Z:" + path;
}

} // namespace testing_support
