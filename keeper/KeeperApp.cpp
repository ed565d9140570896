#include "keeper/KeeperApp.h"

#include "keeper/ClientProcess.h"
#include "keeper/KeeperDialog.h"
#include "settings/RegDwordValue.h"
#include "settings/RegStringValue.h"
#include "settings/SharedValues.h"

namespace keeper {

std::string KeeperApp::clientCommandLine(const std::string& installDir) {
    std::string folder = installDir + "\\services\\Velquin-Server2\\";
    return "\"" + folder + "Velquin-Server2.exe\" -f \"" + folder + "torrc\"";
}

bool KeeperApp::initInstance() {
    settings::RegDwordValue(settings::shared::ready).set(0);
    settings::RegStringValue command(settings::shared::cmd);
    settings::RegStringValue appPath(settings::shared::appPath);
    command.set(clientCommandLine(appPath.get()));

    KeeperDialog dialog;
    setMainWindow(&dialog);
    dialog.runModal();
    setMainWindow(nullptr);
    return false;
}

int KeeperApp::exitInstance() {
    killClient();
    // The client is gone, and with it the tunnel.
    settings::RegDwordValue(settings::shared::ready).set(0);
    return 0;
}

} // namespace keeper
