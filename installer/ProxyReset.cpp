#include "installer/ProxyReset.h"

#include "proxyoptions/ProxyOptions.h"
#include "proxyoptions/SavedProxyOptions.h"

#include <algorithm>
#include <vector>

namespace installer {

bool ResetProxyIfPointingAt(const std::string& localProxy) {
    // Every connection with a kept copy, and the one that the controller
    // points at the proxy.
    std::vector<std::string> connections = proxyoptions::SavedProxyOptions::connections();
    std::string current = proxyoptions::CurrentConnectionName();
    if (std::find(connections.begin(), connections.end(), current) == connections.end())
        connections.push_back(current);
    bool givenBack = true;
    for (const std::string& connection : connections)
        givenBack = proxyoptions::RestoreConnectionOptions(connection, {}, localProxy) && givenBack;
    return givenBack;
}

} // namespace installer
