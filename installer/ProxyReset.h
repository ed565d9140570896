#pragma once

#include <string>

namespace installer {

// Switches the user's active connection back to direct access when it still
// sends its traffic to `localProxy`, the proxy that goes away with the
// installation; a proxy of the user's own choice is left alone. True when
// the connection goes direct or through another proxy afterwards.
bool ResetProxyIfPointingAt(const std::string& localProxy);

} // namespace installer
