#include "controller/Protection.h"

#include "controller/VisibleIp.h"

namespace controller {

namespace {
bool isAddress(const std::string& text) {
    return !text.empty() && text != unableToDetect;
}
} // namespace

Protection judgeProtection(const proxyoptions::ConnectionOptions& options,
                           const std::string& realIp, const std::string& answer) {
    if (proxyoptions::ActiveProxyServer(options) != proxyoptions::localProxyServer)
        return Protection::optionsNotTaken;
    if (isAddress(answer) && answer == realIp)
        return Protection::realIpVisible;
    return Protection::obtained;
}

} // namespace controller
