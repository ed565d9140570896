#include "tunnelclient/ClientProcess.h"

#include "framework/Handle.h"

#include <windows.h>
#include <tlhelp32.h>

namespace tunnelclient {

const char* const clientExecutable = "Velquin-Server2.exe";

void terminateFirstProcessNamed(const char* executable) {
    framework::FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    DWORD target = 0;
    bool found = false;
    for (BOOL more = Process32First(snapshot.get(), &entry); more && !found;
         more = Process32Next(snapshot.get(), &entry)) {
        if (lstrcmpiA(entry.szExeFile, executable) == 0) {
            target = entry.th32ProcessID;
            found = true;
        }
    }
    if (!found)
        return;
    framework::KernelHandle process(OpenProcess(PROCESS_ALL_ACCESS, TRUE, target));
    if (process)
        TerminateProcess(process.get(), 0);
}

} // namespace tunnelclient
