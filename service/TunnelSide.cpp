#include "service/TunnelSide.h"

#include "tunnelclient/TunnelStatus.h"
#include "service/SocksPortSetting.h"
#include "settings/RegStringValue.h"
#include "settings/SharedValues.h"

#include <cctype>

namespace service {

bool isAbsolutePath(const std::string& path) {
    bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                 path[1] == ':' && path[2] == '\\';
    return drive || path.rfind("\\\\", 0) == 0;
}

TunnelSide::Failure TunnelSide::start() {
    // A Ready left at 1 by a tunnel that died with its service must not
    // pass for the new tunnel before the new keeper has cleared it.
    tunnelclient::TunnelStatus::clear();
    std::string installDir = settings::RegStringValue(settings::shared::appPath).get();
    if (!isAbsolutePath(installDir))
        return Failure::AppPathNotAbsolute;
    std::optional<unsigned short> socksPort =
        socksPortSettingOfFile(installDir + "\\services\\Velquin-Server2\\torrc");
    if (!socksPort)
        return Failure::NoSocksPort;
    ProxySettings settings;
    settings.socksPort = *socksPort;
    proxy_ = std::make_unique<ProxyServer>(settings);
    std::string error;
    if (!proxy_->start(error)) {
        OutputDebugStringA(("Velquin: the local proxy cannot listen on " + error).c_str());
        proxy_.reset();
        return Failure::ProxyPortTaken;
    }
    if (!keeper_.start(installDir)) {
        proxy_.reset();
        return Failure::KeeperNotStarted;
    }
    return Failure::None;
}

void TunnelSide::stop() {
    keeper_.close(keeperCloseTimeoutMs);
    proxy_.reset();
}

} // namespace service
