#include "tests/e2e/ControllerScenario.h"

#include "proxyoptions/ProxyOptions.h"
#include "testsupport/Process.h"
#include "testsupport/Wait.h"
#include "settings/RegDwordValue.h"
#include "tunnelclient/ClientProcess.h"

#include <fstream>
#include <regex>

namespace scenario {

bool isTunnelAddress(const std::string& text) {
    return std::regex_match(text, std::regex(R"(127\.0\.0\.([0-9]+))")) && text != "127.0.0.1";
}

bool proxied() {
    return proxyoptions::ActiveProxyServer(proxyoptions::CurrentConnectionName()) ==
           "127.0.0.1:8081";
}

SERVICE_STATUS serviceStatus() {
    framework::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    framework::ServiceHandle service(OpenServiceA(manager.get(), "Velquin", SERVICE_QUERY_STATUS));
    SERVICE_STATUS status = {};
    QueryServiceStatus(service.get(), &status);
    return status;
}

DWORD serviceState() {
    return serviceStatus().dwCurrentState;
}

void setDword(const char* path, DWORD value) {
    settings::RegDwordValue(path).set(value);
}

void writeTorrc(unsigned delayMs) {
    std::ofstream(torrcPath, std::ios::binary)
        << "SocksPort 9050\r\nStandInCircuitDelay " << delayMs << "\r\n";
}

std::string leftRunning() {
    std::string names;
    testing_support::waitUntil(
        [&] {
            names.clear();
            for (const char* name : {"Velquin.exe", "Velquin-Service.exe", "Velquin-Keeper.exe",
                                     "Velquin-Server2.exe"})
                if (testing_support::countProcessesNamed(name) != 0)
                    names += names.empty() ? name : std::string(" ") + name;
            return names.empty();
        },
        30000);
    return names;
}

bool killTheOneNamed(const char* executable) {
    using testing_support::countProcessesNamed;
    using testing_support::waitUntil;
    if (!waitUntil([&] { return countProcessesNamed(executable) == 1; }, 30000))
        return false;
    tunnelclient::terminateFirstProcessNamed(executable);
    return waitUntil([&] { return countProcessesNamed(executable) == 0; }, 10000);
}

RunningController::RunningController()
    : process_(testing_support::startProcess(controllerCommand)) {
    if (process_)
        driver_.attach(60000);
}

RunningController::~RunningController() {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT)
        TerminateProcess(process_.get(), 1);
}

DWORD RunningController::exitCodeWithin(unsigned timeoutMs) {
    WaitForSingleObject(process_.get(), timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

} // namespace scenario
