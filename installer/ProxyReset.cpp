#include "installer/ProxyReset.h"

#include "controller/ProxyOptions.h"

namespace installer {

bool ResetProxyIfPointingAt(const std::string& localProxy) {
    // The same connection that the controller points at the proxy.
    std::string connection = controller::CurrentConnectionName();
    if (controller::ActiveProxyServer(connection) != localProxy)
        return true;
    return controller::DisableConnectionProxy(connection);
}

} // namespace installer
