#include "controller/TunnelWatch.h"

namespace controller {

bool TunnelWatch::tunnelDropped(UINT_PTR id) {
    if (id != timerId || !watching() || readReady_() == 1)
        return false;
    stop();
    return true;
}

} // namespace controller
