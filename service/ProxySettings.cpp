#include "service/ProxySettings.h"

#include "testbed/tunnel/TunnelConfig.h"

namespace service {

ProxySettings ProxySettings::forTunnel(const std::string& torrcPath) {
    ProxySettings settings;
    settings.socksPort =
        static_cast<unsigned short>(testbed::TunnelConfig::load(torrcPath).socksPort);
    return settings;
}

} // namespace service
