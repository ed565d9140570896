#pragma once

namespace controller {

// The IP-echo server's host name, set when the program is built.
extern const char* const echoHost;

} // namespace controller
