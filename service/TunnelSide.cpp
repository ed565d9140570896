#include "service/TunnelSide.h"

#include "settings/RegStringValue.h"

namespace service {

bool TunnelSide::start() {
    std::string installDir = settings::RegStringValue("Software\\Velquin\\AppPath").get();
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
