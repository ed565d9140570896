// SetupHelper.exe: the steps of installing and uninstalling that need the
// service control manager, access rules and the Internet options, run by
// the installer and the uninstaller from their temporary folder; it is not
// installed.
//   SetupHelper end-controller
//   SetupHelper stop-service NAME
//   SetupHelper register-service NAME PROGRAM-PATH
//   SetupHelper grant-service NAME DATA-FOLDER
//   SetupHelper remove-service NAME
//   SetupHelper protect-folder PATH
//   SetupHelper reset-proxy SERVER
//   SetupHelper schedule-proxy-resets SERVER
// Exit code 0 when the step succeeded, 1 when it failed, 2 for a wrong call,
// 3 when protect-folder refuses a folder that is not empty.
#include "installer/AccessRules.h"
#include "installer/RunningController.h"
#include "installer/ServiceSetup.h"
#include "installer/UserProxyReset.h"
#include "proxyoptions/ProxyOptions.h"
#include "proxyoptions/SavedProxyOptions.h"
#include "settings/RegStringValue.h"
#include "settings/SharedValues.h"

#include <string>

namespace {

// The service stops its keeper and tunnel client before it reports stopped.
constexpr DWORD stopTimeoutMs = 30000;
// A controller's exit stops the service too.
constexpr DWORD controllerEndTimeoutMs = 40000;

int exitCode(bool succeeded) {
    return succeeded ? 0 : 1;
}

int protectFolder(const std::string& path) {
    // An update goes into the folder that the installation made before.
    const bool earlier =
        lstrcmpiA(settings::RegStringValue(settings::shared::appPath).get().c_str(),
                  path.c_str()) == 0;
    switch (installer::ProtectFolder(path, earlier)) {
    case installer::FolderProtection::done:
        return 0;
    case installer::FolderProtection::refusedNotEmpty:
        return 3;
    case installer::FolderProtection::failed:
        break;
    }
    return 1;
}

// Where a connection still sends its traffic to the proxy that goes away,
// its own options come back (or it goes direct); the user's emptied keys
// of Velquin go too.
bool resetProxy(const std::string& localProxy) {
    bool givenBack =
        proxyoptions::RestoreEveryConnection(proxyoptions::CurrentConnectionName(), {}, localProxy);
    // Deleted only without keys inside: a copy left behind stays.
    RegDeleteKeyA(HKEY_CURRENT_USER, proxyoptions::SavedProxyOptions::key);
    RegDeleteKeyA(HKEY_CURRENT_USER, settings::shared::key);
    return givenBack;
}

std::string ownPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

int run(int argc, char** argv) {
    std::string step = argc > 1 ? argv[1] : "";
    if (step == "end-controller" && argc == 2)
        return exitCode(installer::EndRunningController(controllerEndTimeoutMs));
    if (step == "reset-proxy" && argc == 3)
        return exitCode(resetProxy(argv[2]));
    if (step == "schedule-proxy-resets" && argc == 3)
        return exitCode(installer::UserProxyReset(ownPath(), argv[2]).scheduleForOtherUsers());
    if (step == "protect-folder" && argc == 3)
        return protectFolder(argv[2]);
    if (argc < 3)
        return 2;
    installer::ServiceSetup service(argv[2]);
    if (step == "stop-service" && argc == 3)
        return exitCode(service.stop(stopTimeoutMs));
    if (step == "remove-service" && argc == 3)
        return exitCode(service.remove(stopTimeoutMs));
    if (step == "register-service" && argc == 4)
        return exitCode(service.registerService(argv[3]));
    if (step == "grant-service" && argc == 4) {
        const std::string sid = installer::serviceSid(argv[2]);
        return exitCode(!sid.empty() && installer::GrantSettingsKey(settings::shared::key, sid) &&
                        installer::GrantDataFolder(argv[3], sid));
    }
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    return run(argc, argv);
}
