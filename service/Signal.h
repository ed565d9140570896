#pragma once

// Boost 1.74's awaitable.hpp uses std::exchange without including <utility>.
#include <utility>

#include <boost/asio/awaitable.hpp>
#include <boost/asio/redirect_error.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/use_awaitable.hpp>

namespace service {

// A signal from one coroutine to another on the same thread: wait() returns
// once notify() has been called, whether before or during the wait. A timer
// that never expires carries the wake-up: notify() cancels its wait.
class Signal {
public:
    explicit Signal(const boost::asio::any_io_executor& executor)
        : timer_(executor, boost::asio::steady_timer::time_point::max()) {}

    void reset() { notified_ = false; }
    void notify() {
        notified_ = true;
        timer_.cancel();
    }
    boost::asio::awaitable<void> wait() {
        while (!notified_) {
            boost::system::error_code cancelled;
            co_await timer_.async_wait(
                boost::asio::redirect_error(boost::asio::use_awaitable, cancelled));
        }
    }

private:
    bool notified_ = false;
    boost::asio::steady_timer timer_;
};

} // namespace service
