#include "controller/WorkflowEnvironment.h"

#include "cleaner/CleanerDialog.h"
#include "controller/InstallDir.h"
#include "proxyoptions/ProxyOptions.h"
#include "controller/TroubleshootDialog.h"
#include "controller/VisibleIp.h"
#include "framework/PumpingWait.h"
#include "settings/KeyChangeWatch.h"
#include "settings/RegDwordValue.h"
#include "settings/SharedValues.h"

#include <shellapi.h>

namespace controller {

namespace {

// The watch on the real registry. Where the key cannot be watched, every
// wait lasts its full time, which still reads the values at the pace of
// the waits.
class RegistryKeyWatch : public SharedKeyWatch {
public:
    explicit RegistryKeyWatch(const char* key) : watch_(key) {}

    DWORD waitForChange(DWORD milliseconds) override {
        const ULONGLONG start = GetTickCount64();
        HANDLE changed = watch_.watching() ? watch_.changed() : nullptr;
        if (!framework::PumpingWait::waitFor(changed, milliseconds))
            return milliseconds;
        watch_.rearm();
        const ULONGLONG waited = GetTickCount64() - start;
        return waited < milliseconds ? static_cast<DWORD>(waited) : milliseconds;
    }

private:
    settings::KeyChangeWatch watch_;
};

} // namespace

std::unique_ptr<ServiceControl> WorkflowEnvironment::newServiceControl() {
    return std::make_unique<ServiceControl>();
}

std::string WorkflowEnvironment::currentConnection() {
    return proxyoptions::CurrentConnectionName();
}

bool WorkflowEnvironment::setConnectionOptions(const std::string& connection,
                                               const std::string& proxy) {
    return proxyoptions::SetConnectionOptions(connection, proxy);
}

bool WorkflowEnvironment::disableConnectionProxy(const std::string& connection) {
    return proxyoptions::DisableConnectionProxy(connection);
}

proxyoptions::ConnectionOptions
WorkflowEnvironment::queryConnectionOptions(const std::string& connection) {
    return proxyoptions::QueryConnectionOptions(connection);
}

bool WorkflowEnvironment::applyConnectionOptions(const std::string& connection,
                                                 const proxyoptions::ConnectionOptions& options) {
    return proxyoptions::ApplyConnectionOptions(connection, options);
}

proxyoptions::ConnectionOptionsCalls WorkflowEnvironment::optionsCalls() {
    return {[this](const std::string& connection) { return queryConnectionOptions(connection); },
            [this](const std::string& connection, const proxyoptions::ConnectionOptions& options) {
                return applyConnectionOptions(connection, options);
            },
            [this](const std::string& connection) { return disableConnectionProxy(connection); }};
}

bool WorkflowEnvironment::saveConnectionOptions(const std::string& connection) {
    return proxyoptions::SaveConnectionOptions(connection, optionsCalls());
}

bool WorkflowEnvironment::restoreConnections() {
    return proxyoptions::RestoreEveryConnection(currentConnection(), optionsCalls());
}

std::string WorkflowEnvironment::visibleIp() {
    return GetVisibleIp();
}

DWORD WorkflowEnvironment::readDword(const char* path) {
    return settings::RegDwordValue(path).get();
}

std::unique_ptr<SharedKeyWatch> WorkflowEnvironment::watchSharedKey() {
    return std::make_unique<RegistryKeyWatch>(settings::shared::key);
}

void WorkflowEnvironment::troubleshoot() {
    TroubleshootDialog().runModal();
}

void WorkflowEnvironment::open(const std::string& path) {
    ShellExecuteA(nullptr, "open", path.c_str(), "", "", SW_SHOWNORMAL);
}

void WorkflowEnvironment::cleanPrivacy() {
    cleaner::CleanerDialog(installDir(), cleaner::CleanerDialog::realJobs(),
                           [this](const std::string& page) { open(page); })
        .runModal();
}

} // namespace controller
