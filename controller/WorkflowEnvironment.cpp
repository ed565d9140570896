#include "controller/WorkflowEnvironment.h"

#include "cleaner/CleanerDialog.h"
#include "controller/InstallDir.h"
#include "controller/ProxyOptions.h"
#include "controller/TroubleshootDialog.h"
#include "controller/VisibleIp.h"
#include "settings/RegDwordValue.h"

#include <shellapi.h>

namespace controller {

std::unique_ptr<ServiceControl> WorkflowEnvironment::newServiceControl() {
    return std::make_unique<ServiceControl>();
}

std::string WorkflowEnvironment::currentConnection() {
    return CurrentConnectionName();
}

bool WorkflowEnvironment::setConnectionOptions(const std::string& connection,
                                               const std::string& proxy) {
    return SetConnectionOptions(connection, proxy);
}

bool WorkflowEnvironment::disableConnectionProxy(const std::string& connection) {
    return DisableConnectionProxy(connection);
}

std::string WorkflowEnvironment::visibleIp() {
    return GetVisibleIp();
}

DWORD WorkflowEnvironment::readDword(const char* path) {
    return settings::RegDwordValue(path).get();
}

void WorkflowEnvironment::sleep(DWORD milliseconds) {
    Sleep(milliseconds);
}

void WorkflowEnvironment::troubleshoot() {
    TroubleshootDialog().doModal();
}

void WorkflowEnvironment::open(const std::string& path) {
    ShellExecuteA(nullptr, "open", path.c_str(), "", "", SW_SHOWNORMAL);
}

void WorkflowEnvironment::cleanPrivacy() {
    cleaner::CleanerDialog(installDir(), cleaner::CleanerDialog::realJobs(),
                           [this](const std::string& page) { open(page); })
        .doModal();
}

} // namespace controller
