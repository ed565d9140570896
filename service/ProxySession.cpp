#include "service/ProxySession.h"

#include "service/Socks5.h"

#include <algorithm>

#include <asio/read.hpp>
#include <asio/read_until.hpp>
#include <asio/write.hpp>

namespace service {
namespace {

using asio::ip::tcp;
using Clock = asio::steady_timer::clock_type;

const char* reasonFor(int status) {
    switch (status) {
    case 400:
        return "Bad Request";
    case 504:
        return "Gateway Timeout";
    default:
        return "Bad Gateway";
    }
}

} // namespace

ProxySession::ProxySession(tcp::socket client, const ProxySettings& settings,
                           std::shared_ptr<void> slot)
    : client_(std::move(client)), upstream_(client_.get_executor()), timer_(client_.get_executor()),
      settings_(settings), slot_(std::move(slot)) {}

template <typename Step> auto ProxySession::guarded(Step step) {
    return [self = shared_from_this(), step = std::move(step)](auto... results) mutable {
        try {
            step(results...);
        } catch (...) {
            self->closeAll();
        }
    };
}

void ProxySession::start() {
    deadline_ = Clock::now() + settings_.headerTimeout;
    onWatchdog();
    asio::async_read_until(
        client_, asio::dynamic_buffer(received_, maxHeadSize), "\r\n\r\n",
        guarded([this](std::error_code error, std::size_t size) { onHead(error, size); }));
}

// Ends the session once the current deadline has passed; every step that
// makes progress moves the deadline on.
void ProxySession::onWatchdog() {
    if (closed_)
        return;
    if (Clock::now() >= deadline_) {
        if (!connecting_)
            return closeAll();
        // The tunnel did not answer in time: give up on it, and leave the
        // client a moment to receive its answer.
        connecting_ = false;
        timedOut_ = true;
        std::error_code ignored;
        upstream_.close(ignored);
        deadline_ = Clock::now() + settings_.headerTimeout;
    }
    timer_.expires_at(deadline_);
    timer_.async_wait(guarded([this](std::error_code) { onWatchdog(); }));
}

// Moves the deadline; one that comes sooner than the watchdog's wait wakes
// the watchdog, which then waits for the new one.
void ProxySession::setDeadline(std::chrono::milliseconds fromNow) {
    deadline_ = Clock::now() + fromNow;
    if (deadline_ < timer_.expiry())
        timer_.cancel();
}

void ProxySession::onHead(std::error_code error, std::size_t size) {
    if (error == asio::error::not_found)
        return respond(400);
    if (error)
        return closeAll();
    std::optional<RequestHead> head =
        RequestHead::parse(std::string_view(received_).substr(0, size));
    if (!head)
        return respond(400);
    head_ = std::move(*head);
    headSize_ = size;
    if (settings_.beforeConnect)
        settings_.beforeConnect(head_.host);
    setDeadline(settings_.connectTimeout);
    connecting_ = true;
    tcp::endpoint socks(asio::ip::address_v4::loopback(), settings_.socksPort);
    upstream_.async_connect(socks,
                            guarded([this](std::error_code error) { onSocksConnected(error); }));
}

void ProxySession::onSocksConnected(std::error_code error) {
    if (error)
        return respond(failureStatus());
    // Greeting and request in one write; the reply to both is read at once.
    outgoing_ = socks5::greeting + socks5::connectRequest(head_.host, head_.port);
    asio::async_write(
        upstream_, asio::buffer(outgoing_), guarded([this](std::error_code error, std::size_t) {
            if (error)
                return respond(failureStatus());
            asio::async_read(
                upstream_, asio::buffer(socksReply_, 2 + 5),
                guarded([this](std::error_code error, std::size_t) { onSocksReply(error); }));
        }));
}

void ProxySession::onSocksReply(std::error_code error) {
    const unsigned char* reply = socksReply_.data();
    if (error || std::string(reinterpret_cast<const char*>(reply), 2) != socks5::greetingAccepted ||
        reply[2] != 5)
        return respond(failureStatus());
    int status = socks5::httpStatusFor(reply[3]);
    int remainder = socks5::replyRemainder(reply + 2);
    if (status != 0 || remainder < 0)
        return respond(status != 0 ? status : 502);
    asio::async_read(upstream_, asio::buffer(socksReply_.data() + 7, remainder),
                     guarded([this](std::error_code error, std::size_t) {
                         connecting_ = false;
                         if (error)
                             return respond(failureStatus());
                         startForwarding();
                     }));
}

void ProxySession::startForwarding() {
    setDeadline(settings_.idleTimeout);
    buffers_ = std::make_unique<RelayBuffers>();
    std::string early = received_.substr(headSize_);
    received_ = std::string();
    if (head_.isConnect()) {
        outgoing_ = early;
    } else {
        // Only this request's body goes to its origin: what the client
        // sends after it (a next request, for any host) is never passed on.
        bodyLeft_ = head_.bodyLength;
        std::size_t body =
            static_cast<std::size_t>(std::min<std::uint64_t>(early.size(), bodyLeft_));
        bodyLeft_ -= body;
        outgoing_ = head_.forwardHead() + early.substr(0, body);
    }
    asio::async_write(upstream_, asio::buffer(outgoing_),
                      guarded([this](std::error_code error, std::size_t) {
                          if (error)
                              return closeAll();
                          if (head_.isConnect() || bodyLeft_ > 0)
                              pump(ToTarget);
                      }));
    if (!head_.isConnect())
        return pump(ToClient);
    // The target's first bytes must follow the tunnel's answer, never cross it.
    static const std::string established = "HTTP/1.1 200 Connection established\r\n\r\n";
    asio::async_write(client_, asio::buffer(established),
                      guarded([this](std::error_code error, std::size_t) {
                          if (error)
                              return closeAll();
                          pump(ToClient);
                      }));
}

void ProxySession::pump(Direction direction) {
    tcp::socket& from = direction == ToTarget ? client_ : upstream_;
    std::size_t size = relayBufferSize;
    if (direction == ToTarget && !head_.isConnect())
        size = static_cast<std::size_t>(std::min<std::uint64_t>(size, bodyLeft_));
    from.async_read_some(asio::buffer((*buffers_)[direction], size),
                         guarded([this, direction](std::error_code error, std::size_t size) {
                             onPumped(direction, error, size);
                         }));
}

void ProxySession::onPumped(Direction direction, std::error_code error, std::size_t size) {
    tcp::socket& to = direction == ToTarget ? upstream_ : client_;
    if (error) {
        // Nothing more can reach the client once the target's side has
        // ended; the end of the client's side is passed on, since the
        // target may still answer.
        if (direction == ToClient)
            return closeAll();
        std::error_code ignored;
        to.shutdown(tcp::socket::shutdown_send, ignored);
        return;
    }
    setDeadline(settings_.idleTimeout);
    if (direction == ToTarget && !head_.isConnect())
        bodyLeft_ -= size;
    asio::async_write(to, asio::buffer((*buffers_)[direction].data(), size),
                      guarded([this, direction](std::error_code error, std::size_t) {
                          if (error)
                              return closeAll();
                          if (direction == ToClient || head_.isConnect() || bodyLeft_ > 0)
                              pump(direction);
                      }));
}

void ProxySession::respond(int status) {
    std::string text = std::to_string(status) + " " + reasonFor(status);
    outgoing_ = "HTTP/1.1 " + text +
                "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(text.size()) +
                "\r\nConnection: close\r\n\r\n" + text;
    asio::async_write(client_, asio::buffer(outgoing_),
                      guarded([this](std::error_code, std::size_t) { closeAll(); }));
}

void ProxySession::closeAll() {
    closed_ = true;
    std::error_code ignored;
    client_.shutdown(tcp::socket::shutdown_both, ignored);
    client_.close(ignored);
    upstream_.close(ignored);
    timer_.cancel();
}

} // namespace service
