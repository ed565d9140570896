#pragma once

#include "service/Signal.h"

#include <chrono>
#include <functional>

namespace service {

// The time limit of a proxy session's current stage: each stage sets a
// deadline of its own, and a watchdog coroutine says when it has passed.
// One for the idle time-out is renewed by every byte that moves.
class SessionDeadline {
public:
    using Clock = boost::asio::steady_timer::clock_type;
    // What a stage that overruns gives up: the whole session, or only its
    // connection to the tunnel, so that its client can still be answered.
    enum class Expiry { CloseAll, AbandonUpstream };

    SessionDeadline(const boost::asio::any_io_executor& executor,
                    std::chrono::milliseconds idleTimeout);

    // Waits for each deadline in turn and calls `expired` when one passes,
    // until stop().
    boost::asio::awaitable<void> watch(std::function<void(Expiry)> expired);
    void stop();

    void expireAfter(std::chrono::milliseconds limit, Expiry expiry = Expiry::CloseAll);
    void expireWhenIdle();
    // A byte moved: renews the idle deadline, and dates the session's last
    // activity.
    void progress();
    Clock::time_point lastActive() const { return lastActive_; }

private:
    boost::asio::steady_timer timer_;
    const std::chrono::milliseconds idleTimeout_;
    Clock::time_point deadline_;
    Expiry expiry_ = Expiry::CloseAll;
    bool renewWhenActive_ = false;
    Clock::time_point lastActive_;
    bool stopped_ = false;
};

} // namespace service
