#include "service/SessionDeadline.h"

namespace service {

SessionDeadline::SessionDeadline(const boost::asio::any_io_executor& executor,
                                 std::chrono::milliseconds idleTimeout)
    : timer_(executor), idleTimeout_(idleTimeout), lastActive_(Clock::now()) {}

boost::asio::awaitable<void> SessionDeadline::watch(std::function<void(Expiry)> expired) {
    while (!stopped_) {
        timer_.expires_at(deadline_);
        boost::system::error_code ignored;
        co_await timer_.async_wait(
            boost::asio::redirect_error(boost::asio::use_awaitable, ignored));
        if (!stopped_ && Clock::now() >= deadline_)
            expired(expiry_);
    }
}

void SessionDeadline::stop() {
    stopped_ = true;
    timer_.cancel();
}

// A deadline that comes sooner than the watchdog's wait wakes the watchdog,
// which then waits for the new one.
void SessionDeadline::expireAfter(std::chrono::milliseconds limit, Expiry expiry) {
    deadline_ = Clock::now() + limit;
    expiry_ = expiry;
    renewWhenActive_ = false;
    if (deadline_ < timer_.expiry())
        timer_.cancel();
}

void SessionDeadline::expireWhenIdle() {
    expireAfter(idleTimeout_);
    renewWhenActive_ = true;
}

void SessionDeadline::progress() {
    lastActive_ = Clock::now();
    if (renewWhenActive_)
        deadline_ = lastActive_ + idleTimeout_;
}

} // namespace service
