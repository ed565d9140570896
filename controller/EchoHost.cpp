#include "controller/EchoHost.h"

namespace controller {

const char* const echoHost = VELQUIN_ECHO_HOST;

} // namespace controller
