#include "testbed/probe/ProbeSequence.h"

#include "proxyoptions/ProxyOptions.h"
#include "controller/ServiceControl.h"
#include "controller/VisibleIp.h"
#include "settings/RegDwordValue.h"
#include "settings/SharedValues.h"

#include <windows.h>

namespace testbed {

namespace {
bool waitForReady(unsigned timeoutMs) {
    DWORD start = GetTickCount();
    while (settings::RegDwordValue(settings::shared::ready).get() != 1) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(100);
    }
    return true;
}
} // namespace

ProbeAnswers runProbeSequence(unsigned readyTimeoutMs) {
    ProbeAnswers answers;
    std::string connection = proxyoptions::CurrentConnectionName();
    proxyoptions::DisableConnectionProxy(connection);
    answers.direct = controller::GetVisibleIp();

    controller::ServiceControl service;
    service.SetServiceName("Velquin");
    service.Start();
    answers.tunnelReady = waitForReady(readyTimeoutMs);
    if (answers.tunnelReady) {
        proxyoptions::SetConnectionOptions(connection, "127.0.0.1:8081");
        answers.hidden = controller::GetVisibleIp();
        // A stop returns once the tunnel is down; the options still point at
        // the proxy.
        service.Stop();
        answers.tunnelDown = controller::GetVisibleIp();
    }
    service.Stop();
    proxyoptions::DisableConnectionProxy(connection);
    answers.restored = controller::GetVisibleIp();
    return answers;
}

} // namespace testbed
