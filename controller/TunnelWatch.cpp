#include "controller/TunnelWatch.h"

namespace controller {

TunnelWatch::Finding TunnelWatch::check(UINT_PTR id) {
    if (id != timerId || !watching())
        return Finding::none;
    Finding finding = readReady_() != 1         ? Finding::tunnelDown
                      : !connectionProtected_() ? Finding::connectionUnprotected
                                                : Finding::none;
    if (finding != Finding::none)
        stop();
    return finding;
}

} // namespace controller
