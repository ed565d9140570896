#pragma once

#include <string>

namespace controller {

// The probe's answer when its request could not be sent.
inline constexpr const char* unableToDetect = "Unable to detect";

// Asks the IP-echo server, through the system's configured proxy settings,
// which address the world sees. Returns the answer as the server sent it
// (what one read delivers: at most 1023 bytes of the body that has arrived
// once any has, up to a NUL), the empty text when the server answered
// with a status other than 2xx, or "Unable to detect" when the request could
// not be sent or its answer did not begin within five seconds (connecting
// and sending are bounded alike). Any other failure of the Internet library throws
// framework::InternetError with the library's text.
std::string GetVisibleIp();

} // namespace controller
