#include "testsupport/ScriptedOrigin.h"

#include "testsupport/LoopbackHttp.h"

#include <utility>

namespace testing_support {

ScriptedOrigin::ScriptedOrigin(std::vector<Step> steps, bool closeAfterLast, int connections)
    : steps_(std::move(steps)), closeAfterLast_(closeAfterLast), connections_(connections),
      port_(listenOnLoopback(listener_)), thread_([this] { serve(); }) {}

ScriptedOrigin::~ScriptedOrigin() {
    if (thread_.joinable())
        thread_.join();
}

std::string ScriptedOrigin::receivedSoFar() {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

std::string ScriptedOrigin::takeReceived() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(received_, std::string());
}

std::string ScriptedOrigin::receivedInAll() {
    if (thread_.joinable())
        thread_.join();
    return received_;
}

void ScriptedOrigin::serve() {
    for (int i = 0; i < connections_; ++i, ++served_)
        serveOne();
}

void ScriptedOrigin::serveOne() {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener_.get(), &readable);
    timeval limit = {10, 0};
    if (select(0, &readable, nullptr, nullptr, &limit) != 1)
        return;
    framework::Socket s(accept(listener_.get(), nullptr, nullptr));
    boundInTime(s.get());
    char buffer[4096];
    std::size_t next = 0;
    pending_.clear();
    for (int got; (got = recv(s.get(), buffer, sizeof buffer, 0)) > 0;) {
        std::lock_guard<std::mutex> lock(mutex_);
        received_.append(buffer, got);
        pending_.append(buffer, got);
        std::string::size_type at;
        while (next < steps_.size() &&
               (at = pending_.find(steps_[next].trigger)) != std::string::npos) {
            pending_.erase(0, at + steps_[next].trigger.size());
            sendInPieces(s.get(), steps_[next].answer, steps_[next].cuts);
            if (++next == steps_.size() && closeAfterLast_)
                return;
        }
    }
}

} // namespace testing_support
