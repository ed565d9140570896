#include "installer/ServiceSetup.h"

#include "installer/AccessRules.h"

namespace installer {

namespace {

SERVICE_STATUS_PROCESS queryStatus(SC_HANDLE service) {
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                              sizeof status, &needed))
        status.dwCurrentState = 0;
    return status;
}

} // namespace

ServiceSetup::ServiceSetup(std::string name, ChangeConfig2 changeConfig2)
    : manager_(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)), name_(std::move(name)),
      changeConfig2_(changeConfig2) {}

framework::ServiceHandle ServiceSetup::open(DWORD access) const {
    return framework::ServiceHandle(OpenServiceA(manager_.get(), name_.c_str(), access));
}

bool ServiceSetup::registerService(const std::string& programPath) {
    if (!manager_)
        return false;
    // Quoted, or a blank in the folder's name would split the command line.
    std::string commandLine = "\"" + programPath + "\"";
    framework::ServiceHandle service = open(SERVICE_CHANGE_CONFIG | WRITE_DAC);
    if (service) {
        if (!ChangeServiceConfigA(service.get(), SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                  SERVICE_ERROR_NORMAL, commandLine.c_str(), nullptr, nullptr,
                                  nullptr, account, "", name_.c_str()))
            return false;
    } else {
        service.reset(CreateServiceA(manager_.get(), name_.c_str(), name_.c_str(),
                                     SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                     SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                     commandLine.c_str(), nullptr, nullptr, nullptr, account, ""));
        if (!service)
            return false;
    }
    // Without these rules only an elevated controller could start it.
    SecurityDescriptor rules(serviceAccess);
    return limitRights(service.get()) && rules &&
           SetServiceObjectSecurity(service.get(), DACL_SECURITY_INFORMATION, rules.get()) != FALSE;
}

bool ServiceSetup::limitRights(SC_HANDLE service) const {
    SERVICE_SID_INFO sid{sidType};
    SERVICE_REQUIRED_PRIVILEGES_INFOW privileges{const_cast<wchar_t*>(requiredPrivileges)};
    // Wine's service control manager keeps neither and refuses the levels;
    // Windows has had both since Vista and never answers so.
    auto taken = [](BOOL answer) { return answer || GetLastError() == ERROR_INVALID_LEVEL; };
    return taken(changeConfig2_(service, SERVICE_CONFIG_SERVICE_SID_INFO, &sid)) &&
           taken(changeConfig2_(service, SERVICE_CONFIG_REQUIRED_PRIVILEGES_INFO, &privileges));
}

bool ServiceSetup::stop(DWORD timeoutMs) {
    if (!manager_)
        return false;
    framework::ServiceHandle service = open(SERVICE_STOP | SERVICE_QUERY_STATUS);
    if (!service)
        return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    // The process is held open from the first look on, so that its end can
    // be awaited even after the service control manager has let it go.
    framework::KernelHandle process;
    DWORD deadline = GetTickCount() + timeoutMs;
    for (;;) {
        SERVICE_STATUS_PROCESS status = queryStatus(service.get());
        if (!process && status.dwProcessId != 0)
            process.reset(OpenProcess(SYNCHRONIZE, FALSE, status.dwProcessId));
        if (status.dwCurrentState == SERVICE_STOPPED)
            break;
        // A service that is still starting refuses the request: it is asked
        // again on the next round, once it runs.
        if (status.dwCurrentState != SERVICE_STOP_PENDING) {
            SERVICE_STATUS ignored = {};
            ControlService(service.get(), SERVICE_CONTROL_STOP, &ignored);
        }
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0)
            return false;
        Sleep(100);
    }
    if (!process)
        return true;
    LONG left = static_cast<LONG>(deadline - GetTickCount());
    return WaitForSingleObject(process.get(), left > 0 ? left : 0) == WAIT_OBJECT_0;
}

bool ServiceSetup::remove(DWORD timeoutMs) {
    if (!stop(timeoutMs))
        return false;
    framework::ServiceHandle service = open(DELETE);
    if (!service)
        return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    return DeleteService(service.get()) != FALSE;
}

} // namespace installer
