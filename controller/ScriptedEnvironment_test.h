#pragma once

#include "controller/WorkflowEnvironment.h"

#include <wininet.h>

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace controller_test {

// A stand-in for everything the controller's workflows act on. It records
// each call as one line of `log` (with the status line as the window shows
// it whenever that has changed since the last call) and answers from
// scripts: Ready, Progress, TimeOut and Retry values, changes of the shared
// key, probe answers, the connection's options.
class ScriptedEnvironment : public controller::WorkflowEnvironment {
public:
    static constexpr const char* throwError = "<throw>";

    std::vector<std::string> log;
    // Ready answers in turn; once used up, the last one repeats (0 if none).
    std::deque<DWORD> ready;
    DWORD timeOut = 45;
    DWORD retry = 2;
    DWORD progress = 0;
    // When the next changes of the shared key come, each in milliseconds
    // from the start of a wait; one that comes later than a wait lasts is
    // kept for the next wait.
    std::deque<DWORD> changes;
    // Run at the start of every wait for a change.
    std::function<void()> onWait;
    // Probe answers in turn ("127.0.0.5" once used up); throwError throws
    // the Internet library's error.
    std::deque<std::string> probes;
    // The active connection, and the live options of every connection as
    // the calls below leave them: `options` those of "Office VPN" (direct at
    // first), `others` those of the rest. While refuseOptions holds, writes
    // are refused and change nothing.
    std::string connection = "Office VPN";
    proxyoptions::ConnectionOptions options{PROXY_TYPE_DIRECT, "", "", "", 0};
    std::map<std::string, proxyoptions::ConnectionOptions> others;
    bool refuseOptions = false;
    // The status control whose text is logged; set once the window exists.
    HWND statusControl = nullptr;
    // Run at the opening probe, before it answers.
    std::function<void()> onProbe;
    int readyReads = 0;
    int waits = 0;
    // The milliseconds that all waits lasted.
    DWORD waited = 0;

    int count(const std::string& line) const;

    std::unique_ptr<controller::ServiceControl> newServiceControl() override;
    std::string currentConnection() override { return connection; }
    bool setConnectionOptions(const std::string& name, const std::string& proxy) override;
    bool disableConnectionProxy(const std::string& name) override;
    proxyoptions::ConnectionOptions queryConnectionOptions(const std::string& name) override {
        return optionsOf(name);
    }
    bool applyConnectionOptions(const std::string& name,
                                const proxyoptions::ConnectionOptions& given) override;
    std::string visibleIp() override;
    DWORD readDword(const char* path) override;
    std::unique_ptr<controller::SharedKeyWatch> watchSharedKey() override;
    void troubleshoot() override { record("troubleshoot"); }
    void open(const std::string& path) override { record("open " + path); }
    void cleanPrivacy() override { record("clean privacy"); }

    // Adds the status line if it changed, then `line`.
    void record(const std::string& line);

private:
    proxyoptions::ConnectionOptions& optionsOf(const std::string& name) {
        return name == "Office VPN" ? options : others[name];
    }
    std::string lastStatus_;
};

} // namespace controller_test
