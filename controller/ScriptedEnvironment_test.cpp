#include "controller/ScriptedEnvironment_test.h"

#include "framework/InternetError.h"
#include "framework/Window.h"
#include "settings/SharedValues.h"

#include <algorithm>

namespace controller_test {

namespace {

class RecordingService : public controller::ServiceControl {
public:
    explicit RecordingService(ScriptedEnvironment& environment) : environment_(environment) {
        environment_.record("service created");
    }
    ~RecordingService() override { environment_.record("service destroyed"); }
    bool Start() override {
        environment_.record(std::string("start ") + name());
        return true;
    }
    bool Stop() override {
        environment_.record(std::string("stop ") + name());
        return true;
    }

private:
    const char* name() const { return serviceName() != nullptr ? serviceName() : "(none)"; }
    ScriptedEnvironment& environment_;
};

class ScriptedWatch : public controller::SharedKeyWatch {
public:
    explicit ScriptedWatch(ScriptedEnvironment& environment) : environment_(environment) {}
    DWORD waitForChange(DWORD milliseconds) override {
        ++environment_.waits;
        if (environment_.onWait)
            environment_.onWait();
        std::deque<DWORD>& changes = environment_.changes;
        DWORD waited = milliseconds;
        if (!changes.empty() && changes.front() < milliseconds) {
            waited = changes.front();
            changes.pop_front();
        }
        environment_.waited += waited;
        return waited;
    }

private:
    ScriptedEnvironment& environment_;
};

} // namespace

int ScriptedEnvironment::count(const std::string& line) const {
    return static_cast<int>(std::count(log.begin(), log.end(), line));
}

void ScriptedEnvironment::record(const std::string& line) {
    if (statusControl != nullptr) {
        std::string status = framework::Window::textOf(statusControl);
        if (status != lastStatus_) {
            log.push_back("status " + status);
            lastStatus_ = status;
        }
    }
    log.push_back(line);
}

std::unique_ptr<controller::ServiceControl> ScriptedEnvironment::newServiceControl() {
    return std::make_unique<RecordingService>(*this);
}

bool ScriptedEnvironment::setConnectionOptions(const std::string& name, const std::string& proxy) {
    record("set " + name + " " + proxy);
    if (refuseOptions)
        return false;
    // As the real call: the script and detection stay stored but switched off.
    proxyoptions::ConnectionOptions& live = optionsOf(name);
    live.flags = PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY;
    live.server = proxy;
    live.bypass = "local";
    return true;
}

bool ScriptedEnvironment::disableConnectionProxy(const std::string& name) {
    record("disable " + name);
    if (refuseOptions)
        return false;
    optionsOf(name).flags = PROXY_TYPE_DIRECT;
    return true;
}

bool ScriptedEnvironment::applyConnectionOptions(const std::string& name,
                                                 const proxyoptions::ConnectionOptions& given) {
    record("apply " + name + (given.server.empty() ? "" : " " + given.server));
    if (refuseOptions)
        return false;
    optionsOf(name) = given;
    return true;
}

std::string ScriptedEnvironment::visibleIp() {
    record("probe");
    if (onProbe)
        onProbe();
    std::string answer = "127.0.0.5";
    if (!probes.empty()) {
        answer = probes.front();
        probes.pop_front();
    }
    if (answer == throwError)
        throw framework::InternetError("The server name or address could not be resolved");
    return answer;
}

DWORD ScriptedEnvironment::readDword(const char* path) {
    namespace names = settings::shared::names;
    std::string name = path;
    name = name.substr(name.rfind('\\') + 1);
    if (name == names::timeOut || name == names::retry) {
        record("read " + name);
        return name == names::timeOut ? timeOut : retry;
    }
    // Progress and Ready are read up to thousands of times: not logged.
    if (name == names::progress)
        return progress;
    ++readyReads;
    DWORD value = ready.empty() ? 0 : ready.front();
    if (ready.size() > 1)
        ready.pop_front();
    return value;
}

std::unique_ptr<controller::SharedKeyWatch> ScriptedEnvironment::watchSharedKey() {
    return std::make_unique<ScriptedWatch>(*this);
}

} // namespace controller_test
