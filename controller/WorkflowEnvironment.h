#pragma once

#include "proxyoptions/ProxyOptions.h"
#include "proxyoptions/SavedProxyOptions.h"
#include "controller/ServiceControl.h"

#include <windows.h>
#include <memory>
#include <string>

namespace controller {

// Waits for the values under the shared registry key to change. Made
// before the first read of a value, so that no change after that read is
// missed.
class SharedKeyWatch {
public:
    SharedKeyWatch() = default;
    SharedKeyWatch(const SharedKeyWatch&) = delete;
    SharedKeyWatch& operator=(const SharedKeyWatch&) = delete;
    virtual ~SharedKeyWatch() = default;

    // Waits up to `milliseconds` for a change since the watch was made or
    // since the last change reported, while the window keeps processing its
    // messages; returns the milliseconds waited, `milliseconds` when no
    // change came.
    virtual DWORD waitForChange(DWORD milliseconds) = 0;
};

// Everything outside the controller's window that its workflows act on: the
// tunnel service, the connection's proxy options, the visible-IP probe, the
// shared registry values and their changes, the troubleshooting dialog,
// the privacy cleaner and the shell. The members are the real operations;
// tests derive from this class to record the calls and script the answers.
class WorkflowEnvironment {
public:
    WorkflowEnvironment() = default;
    WorkflowEnvironment(const WorkflowEnvironment&) = delete;
    WorkflowEnvironment& operator=(const WorkflowEnvironment&) = delete;
    virtual ~WorkflowEnvironment() = default;

    // A new service control object; each workflow makes its own.
    virtual std::unique_ptr<ServiceControl> newServiceControl();
    virtual std::string currentConnection();
    virtual bool setConnectionOptions(const std::string& connection, const std::string& proxy);
    virtual bool disableConnectionProxy(const std::string& connection);
    virtual proxyoptions::ConnectionOptions queryConnectionOptions(const std::string& connection);
    virtual bool applyConnectionOptions(const std::string& connection,
                                        const proxyoptions::ConnectionOptions& options);
    // Keeps a copy of the connection's own options before they are pointed
    // at the local proxy (see SaveConnectionOptions), and puts back the
    // copies of every connection that still points there, the current one
    // included (see RestoreEveryConnection), through the three calls above.
    bool saveConnectionOptions(const std::string& connection);
    bool restoreConnections();
    // The address the world sees (see GetVisibleIp); throws
    // framework::InternetError as that does.
    virtual std::string visibleIp();
    // A registry value under HKEY_LOCAL_MACHINE, read afresh; 0 when absent.
    virtual DWORD readDword(const char* path);
    virtual std::unique_ptr<SharedKeyWatch> watchSharedKey();
    // Lets the user raise TimeOut and Retry after the tunnel did not come.
    virtual void troubleshoot();
    // Opens a local file with its default viewer; the result is not known.
    virtual void open(const std::string& path);
    // Runs the privacy cleaner as a window of its own, until the user is
    // done with it.
    virtual void cleanPrivacy();

private:
    proxyoptions::ConnectionOptionsCalls optionsCalls();
};

} // namespace controller
