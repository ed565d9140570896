#pragma once

#include <string>

namespace installer {

// Gives back the user's own proxy options wherever a connection still sends
// its traffic to `localProxy`, the proxy that goes away with the
// installation: the copy that Velquin kept is put back, or the connection
// goes direct when there is none. A connection that the user has set
// otherwise since is left alone. Every kept copy is gone afterwards. True
// when each connection concerned was given back.
bool ResetProxyIfPointingAt(const std::string& localProxy);

} // namespace installer
