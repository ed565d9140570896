#include "keeper/KeeperApp.h"

#include "tunnelclient/ClientProcess.h"
#include "keeper/KeeperDialog.h"
#include "tunnelclient/TunnelStatus.h"
#include "settings/RegStringValue.h"
#include "settings/SharedValues.h"

namespace keeper {

std::string KeeperApp::clientCommandLine(const std::string& installDir) {
    std::string folder = installDir + "\\services\\Velquin-Server2\\";
    return "\"" + folder + "Velquin-Server2.exe\" -f \"" + folder + "torrc\"";
}

bool KeeperApp::initInstance() {
    tunnelclient::TunnelStatus::clear();
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
    tunnelclient::killClient();
    // The client is gone, and with it the tunnel.
    tunnelclient::TunnelStatus::clear();
    return 0;
}

} // namespace keeper
