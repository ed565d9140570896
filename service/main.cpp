// Velquin-Service.exe: the Windows service "Velquin", which runs the tunnel
// keeper and the local web proxy while it is started.
#include "service/VelquinService.h"
#include "settings/RegDwordValue.h"
#include "settings/SharedValues.h"

int main() {
    try {
        // The service control manager lets a start request return as soon
        // as the dispatcher runs, and the controller reads Ready at once: a
        // Ready left at 1 by a tunnel that died with an earlier service must
        // be gone by then.
        settings::RegDwordValue(settings::shared::ready).set(0);
        return service::VelquinService::run() ? 0 : 1;
    } catch (...) {
        return 1;
    }
}
