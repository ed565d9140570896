// SetupHelper.exe: the steps of installing and uninstalling that need the
// service control manager and the Internet options, run by the installer
// and the uninstaller from their temporary folder; it is not installed.
//   SetupHelper stop-service NAME
//   SetupHelper register-service NAME PROGRAM-PATH
//   SetupHelper remove-service NAME
//   SetupHelper reset-proxy SERVER
//   SetupHelper protect-folder PATH
// Exit code 0 when the step succeeded, 1 when it failed, 2 for a wrong call.
#include "installer/AccessRules.h"
#include "installer/ServiceSetup.h"
#include "proxyoptions/ProxyOptions.h"
#include "proxyoptions/SavedProxyOptions.h"

#include <string>

namespace {

// The service stops its keeper and tunnel client before it reports stopped.
constexpr DWORD stopTimeoutMs = 30000;

int run(int argc, char** argv) {
    std::string step = argc > 1 ? argv[1] : "";
    // Where a connection still sends its traffic to the proxy that goes
    // away with the installation, its own options come back (or it goes
    // direct); every kept copy is gone afterwards.
    if (step == "reset-proxy" && argc == 3)
        return proxyoptions::RestoreEveryConnection(proxyoptions::CurrentConnectionName(), {},
                                                    argv[2])
                   ? 0
                   : 1;
    if (step == "protect-folder" && argc == 3)
        return installer::ProtectFolder(argv[2]) ? 0 : 1;
    if (argc < 3)
        return 2;
    installer::ServiceSetup service(argv[2]);
    if (step == "stop-service" && argc == 3)
        return service.stop(stopTimeoutMs) ? 0 : 1;
    if (step == "remove-service" && argc == 3)
        return service.remove(stopTimeoutMs) ? 0 : 1;
    if (step == "register-service" && argc == 4)
        return service.registerService(argv[3]) ? 0 : 1;
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    return run(argc, argv);
}
