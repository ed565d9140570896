#include "service/TunnelSide.h"

#include "keeper/TunnelStatus.h"
#include "settings/RegStringValue.h"
#include "settings/SharedValues.h"

namespace service {

bool TunnelSide::start() {
    // A Ready left at 1 by a tunnel that died with its service must not
    // pass for the new tunnel before the new keeper has cleared it.
    keeper::TunnelStatus::clear();
    std::string installDir = settings::RegStringValue(settings::shared::appPath).get();
    if (!keeper_.start(installDir))
        return false;
    proxy_ = std::make_unique<ProxyServer>(
        ProxySettings::forTunnel(installDir + "\\services\\Velquin-Server2\\torrc"));
    std::string error;
    if (!proxy_->start(error))
        OutputDebugStringA(("Velquin: the local proxy cannot listen on " + error).c_str());
    return true;
}

void TunnelSide::stop() {
    keeper_.close(keeperCloseTimeoutMs);
    proxy_.reset();
}

} // namespace service
