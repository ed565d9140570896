// Velquin-Service.exe: the Windows service "Velquin", which runs the tunnel
// keeper and the local web proxy while it is started.
#include "service/VelquinService.h"

int main() {
    return service::VelquinService::run() ? 0 : 1;
}
