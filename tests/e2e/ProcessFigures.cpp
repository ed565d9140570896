#include "tests/e2e/ProcessFigures.h"

#include "framework/Handle.h"

#include <winternl.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace scenario {

namespace {

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string hostFile(const std::string& process, const char* name) {
    std::ifstream file("Z:\\proc\\" + process + "\\" + name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The host process of this prefix whose command line names `executable`.
std::string hostProcessOf(const char* executable) {
    char prefix[MAX_PATH] = {};
    GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
    const std::string ownPrefix = std::string("WINEPREFIX=") + prefix + '\0';
    const std::string wanted = lowered(executable);
    WIN32_FIND_DATAA entry;
    framework::FindHandle find(FindFirstFileA("Z:\\proc\\*", &entry));
    for (bool more = static_cast<bool>(find); more; more = FindNextFileA(find.get(), &entry)) {
        std::string process = entry.cFileName;
        if (process.find_first_not_of("0123456789") != std::string::npos)
            continue;
        // The program as the first word of the command line, in Windows or
        // host spelling.
        std::string program = lowered(hostFile(process, "cmdline"));
        program = program.substr(0, program.find('\0'));
        program = program.substr(program.find_last_of("\\/") + 1);
        if (program != wanted && program != wanted + "\"")
            continue;
        if (hostFile(process, "environ").find(ownPrefix) != std::string::npos)
            return process;
    }
    return {};
}

std::size_t privateKiBOf(const std::string& hostProcess) {
    std::istringstream status(hostFile(hostProcess, "status"));
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("RssAnon:", 0) == 0)
            return std::stoul(line.substr(8));
    return 0;
}

DWORD handleTableOf(const char* executable) {
    std::vector<char> buffer(1 << 20);
    if (!NT_SUCCESS(NtQuerySystemInformation(SystemProcessInformation, buffer.data(),
                                             static_cast<ULONG>(buffer.size()), nullptr)))
        return 0;
    const std::wstring wanted(executable, executable + std::char_traits<char>::length(executable));
    for (auto* process = reinterpret_cast<SYSTEM_PROCESS_INFORMATION*>(buffer.data());;
         process = reinterpret_cast<SYSTEM_PROCESS_INFORMATION*>(reinterpret_cast<char*>(process) +
                                                                 process->NextEntryOffset)) {
        const UNICODE_STRING& name = process->ImageName;
        if (name.Buffer != nullptr &&
            lstrcmpiW(std::wstring(name.Buffer, name.Length / sizeof(WCHAR)).c_str(),
                      wanted.c_str()) == 0)
            return process->HandleCount;
        if (process->NextEntryOffset == 0)
            return 0;
    }
}

} // namespace

ProcessFigures figuresOf(const char* executable) {
    ProcessFigures figures;
    std::string hostProcess = hostProcessOf(executable);
    figures.found = !hostProcess.empty();
    if (figures.found) {
        figures.privateKiB = privateKiBOf(hostProcess);
        figures.handleTable = handleTableOf(executable);
    }
    return figures;
}

} // namespace scenario
