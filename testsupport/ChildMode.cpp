#include "testsupport/ChildMode.h"

#include <windows.h>

#include <map>

namespace testing_support {

namespace {
std::map<std::string, ChildMode::Main>& modes() {
    static std::map<std::string, ChildMode::Main> registered;
    return registered;
}
const char* const childSwitch = "--child";
} // namespace

ChildMode::ChildMode(const char* name, Main main) {
    modes()[name] = main;
}

bool ChildMode::runIfRequested(int argc, char** argv, int& exitCode) {
    if (argc < 3 || std::string(argv[1]) != childSwitch)
        return false;
    auto mode = modes().find(argv[2]);
    if (mode == modes().end()) {
        exitCode = 99;
        return true;
    }
    exitCode = mode->second(std::vector<std::string>(argv + 3, argv + argc));
    return true;
}

std::string selfPath() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, length);
}

std::string childCommandLine(const std::string& mode, const std::vector<std::string>& args) {
    std::string command = "\"";
    command += selfPath();
    command += "\" ";
    command += childSwitch;
    command += " " + mode;
    for (const std::string& arg : args)
        command += " " + arg;
    return command;
}

} // namespace testing_support
