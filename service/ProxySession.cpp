#include "service/ProxySession.h"

#include "service/Socks5.h"

#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>

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

template <typename Then>
void ProxySession::receive(tcp::socket& from, std::string& into, std::size_t size, Then then) {
    std::size_t kept = into.size();
    into.resize(kept + size);
    from.async_read_some(asio::buffer(into.data() + kept, size),
                         guarded([&into, kept, then](error_code error, std::size_t got) mutable {
                             into.resize(kept + got);
                             then(error);
                         }));
}

void ProxySession::start() {
    // Small writes (heads, the last piece of a body) go out at once.
    error_code ignored;
    client_.set_option(tcp::no_delay(true), ignored);
    deadline_ = Clock::now() + settings_.headerTimeout;
    onWatchdog();
    readRequest(settings_.headerTimeout);
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
        closeUpstream();
        deadline_ = Clock::now() + settings_.headerTimeout;
    }
    timer_.expires_at(deadline_);
    timer_.async_wait(guarded([this](error_code) { onWatchdog(); }));
}

// Moves the deadline; one that comes sooner than the watchdog's wait wakes
// the watchdog, which then waits for the new one.
void ProxySession::setDeadline(std::chrono::milliseconds fromNow) {
    deadline_ = Clock::now() + fromNow;
    if (deadline_ < timer_.expiry())
        timer_.cancel();
}

void ProxySession::readRequest(std::chrono::milliseconds timeout) {
    setDeadline(timeout);
    // Between requests a connection holds no more than the bytes it has.
    fromClient_.shrink_to_fit();
    fromOrigin_ = std::string();
    request_.emplace();
    limitHeadOnly(*request_, maxHeadSize);
    requestSent_ = false;
    answering_ = false;
    onRequestBytes();
}

void ProxySession::onRequestBytes() {
    error_code error;
    std::size_t used = feed(*request_, fromClient_, error);
    if (error)
        return respond(400);
    if (!request_->is_header_done()) {
        // Small reads while a head arrives: an idle connection holds little.
        std::size_t size = std::max<std::size_t>(512, fromClient_.capacity() - fromClient_.size());
        return receive(client_, fromClient_, size, [this](error_code error) {
            if (error)
                return closeAll();
            onRequestBytes();
        });
    }
    fromClient_.erase(0, used);
    std::optional<Target> target = proxyTarget(request_->get());
    if (!target)
        return respond(400);
    target_ = std::move(*target);
    if (settings_.beforeConnect)
        settings_.beforeConnect(target_.host);
    bool isConnect = request_->get().method() == http::verb::connect;
    mayRetry_ = false;
    if (!isConnect && upstreamOrigin_ == target_) {
        mayRetry_ = request_->is_done();
        return sendRequest();
    }
    closeUpstream();
    openUpstream();
}

void ProxySession::openUpstream() {
    setDeadline(settings_.connectTimeout);
    connecting_ = true;
    tcp::endpoint socks(asio::ip::address_v4::loopback(), settings_.socksPort);
    upstream_.async_connect(socks, guarded([this](error_code error) { onSocksConnected(error); }));
}

void ProxySession::onSocksConnected(error_code error) {
    if (error)
        return respond(failureStatus());
    // Greeting and request in one write; the reply to both is read at once.
    requestHead_ = socks5::greeting + socks5::connectRequest(target_.host, target_.port);
    asio::async_write(
        upstream_, asio::buffer(requestHead_), guarded([this](error_code error, std::size_t) {
            if (error)
                return respond(failureStatus());
            asio::async_read(
                upstream_, asio::buffer(socksReply_, 2 + 5),
                guarded([this](error_code error, std::size_t) { onSocksReply(error); }));
        }));
}

void ProxySession::onSocksReply(error_code error) {
    const unsigned char* reply = socksReply_.data();
    if (error || std::string(reinterpret_cast<const char*>(reply), 2) != socks5::greetingAccepted ||
        reply[2] != 5)
        return respond(failureStatus());
    int status = socks5::httpStatusFor(reply[3]);
    int remainder = socks5::replyRemainder(reply + 2);
    if (status != 0 || remainder < 0)
        return respond(status != 0 ? status : 502);
    asio::async_read(upstream_, asio::buffer(socksReply_.data() + 7, remainder),
                     guarded([this](error_code error, std::size_t) {
                         connecting_ = false;
                         if (error)
                             return respond(failureStatus());
                         onUpstreamOpen();
                     }));
}

void ProxySession::onUpstreamOpen() {
    error_code ignored;
    upstream_.set_option(tcp::no_delay(true), ignored);
    if (request_->get().method() != http::verb::connect) {
        upstreamOrigin_ = target_;
        return sendRequest();
    }
    setDeadline(settings_.idleTimeout);
    // The target's first bytes must follow the tunnel's answer, never cross it.
    static const std::string established = "HTTP/1.1 200 Connection established\r\n\r\n";
    asio::async_write(client_, asio::buffer(established),
                      guarded([this](error_code error, std::size_t) {
                          if (error)
                              return closeAll();
                          tunnel(ToClient);
                      }));
    tunnel(ToOrigin);
}

void ProxySession::sendRequest() {
    setDeadline(settings_.idleTimeout);
    requestHead_ = originRequestHead(request_->get(), target_);
    asio::async_write(upstream_, asio::buffer(requestHead_),
                      guarded([this, attempt = ++attempts_](error_code error, std::size_t) {
                          if (attempt != attempts_)
                              return; // the request went again, on a new connection
                          // The answer's side sees the connection fail, and says so.
                          if (error)
                              return closeUpstream();
                          relayRequestBody();
                      }));
    expectResponse();
    relayResponse();
}

// Passes on the request's body as it arrived, up to its end and no further.
void ProxySession::relayRequestBody() {
    error_code error;
    std::size_t used = feed(*request_, fromClient_, error);
    if (error)
        return closeAll();
    if (used > 0) {
        setDeadline(settings_.idleTimeout);
        return asio::async_write(upstream_, asio::buffer(fromClient_.data(), used),
                                 guarded([this, used](error_code error, std::size_t) {
                                     if (error)
                                         return closeUpstream();
                                     fromClient_.erase(0, used);
                                     relayRequestBody();
                                 }));
    }
    if (request_->is_done()) {
        requestSent_ = true;
        return;
    }
    receive(client_, fromClient_, relayBufferSize, [this](error_code error) {
        if (error)
            return closeAll();
        relayRequestBody();
    });
}

void ProxySession::expectResponse() {
    response_.emplace();
    limitHeadOnly(*response_, relayBufferSize);
    response_->skip(request_->get().method() == http::verb::head);
}

// Passes on the answer: its head rewritten, then its body as it arrived,
// up to its end.
void ProxySession::relayResponse() {
    bool inHead = !response_->is_header_done();
    error_code error;
    std::size_t used = feed(*response_, fromOrigin_, error);
    if (error)
        return failExchange();
    if (inHead && response_->is_header_done()) {
        const ResponseParser::value_type& response = response_->get();
        if (response.result() == http::status::switching_protocols)
            return failExchange();
        bool interim = response.result_int() < 200;
        keepClient_ = interim || (request_->keep_alive() && !response_->need_eof());
        fromOrigin_.erase(0, used);
        responseHead_ = clientResponseHead(response, keepClient_, request_->get().version());
        answering_ = true;
        return asio::async_write(client_, asio::buffer(responseHead_),
                                 guarded([this](error_code error, std::size_t) {
                                     if (error)
                                         return closeAll();
                                     relayResponse();
                                 }));
    }
    if (used > 0) {
        setDeadline(settings_.idleTimeout);
        return asio::async_write(client_, asio::buffer(fromOrigin_.data(), used),
                                 guarded([this, used](error_code error, std::size_t) {
                                     if (error)
                                         return closeAll();
                                     fromOrigin_.erase(0, used);
                                     relayResponse();
                                 }));
    }
    if (response_->is_done())
        return onResponseEnd();
    receive(upstream_, fromOrigin_, relayBufferSize, [this](error_code error) {
        if (error == asio::error::eof && response_->is_header_done() && response_->need_eof()) {
            // An answer without a length ends with its connection.
            closeUpstream();
            response_->put_eof(error);
            return onResponseEnd();
        }
        if (error)
            return failExchange();
        relayResponse();
    });
}

void ProxySession::onResponseEnd() {
    if (response_->get().result_int() < 200) {
        // An interim answer: the final one follows.
        expectResponse();
        return relayResponse();
    }
    if (!response_->keep_alive())
        closeUpstream();
    // A request whose body has not all gone to its origin leaves the
    // connection's next bytes unknown: nothing more can be read from it.
    if (!keepClient_ || !requestSent_)
        return closeAll();
    readRequest(settings_.idleTimeout);
}

// Copies bytes one way through a CONNECT tunnel, starting with those that
// came after its head.
void ProxySession::tunnel(Direction direction) {
    tcp::socket& from = direction == ToOrigin ? client_ : upstream_;
    tcp::socket& to = direction == ToOrigin ? upstream_ : client_;
    std::string& bytes = direction == ToOrigin ? fromClient_ : fromOrigin_;
    if (!bytes.empty()) {
        setDeadline(settings_.idleTimeout);
        return asio::async_write(to, asio::buffer(bytes),
                                 guarded([this, direction, &bytes](error_code error, std::size_t) {
                                     if (error)
                                         return closeAll();
                                     bytes.clear();
                                     tunnel(direction);
                                 }));
    }
    receive(from, bytes, relayBufferSize, [this, direction, &to](error_code error) {
        // Nothing more can reach the client once the target's side has
        // ended; the end of the client's side is passed on, since the
        // target may still answer.
        if (error && direction == ToClient)
            return closeAll();
        if (error) {
            error_code ignored;
            to.shutdown(tcp::socket::shutdown_send, ignored);
            return;
        }
        tunnel(direction);
    });
}

// The exchange with the origin failed: a request without a body that went
// out on a connection used before goes again on a new one, if nothing of
// an answer came; otherwise the client gets an error answer if its answer
// has not begun, and the connection ends.
void ProxySession::failExchange() {
    if (responding_)
        return; // an error answer is on its way, and closes the connection
    if (answering_)
        return closeAll();
    if (mayRetry_ && fromOrigin_.empty()) {
        // The origin had closed the connection kept for it.
        mayRetry_ = false;
        closeUpstream();
        return openUpstream();
    }
    respond(failureStatus());
}

void ProxySession::respond(int status) {
    std::string text = std::to_string(status) + " " + reasonFor(status);
    responseHead_ = "HTTP/1.1 " + text + "\r\nContent-Type: text/plain\r\nContent-Length: " +
                    std::to_string(text.size()) + "\r\nConnection: close\r\n\r\n" + text;
    answering_ = true;
    responding_ = true;
    closeUpstream();
    asio::async_write(client_, asio::buffer(responseHead_),
                      guarded([this](error_code, std::size_t) { closeAll(); }));
}

void ProxySession::closeUpstream() {
    upstreamOrigin_.reset();
    error_code ignored;
    upstream_.close(ignored);
}

void ProxySession::closeAll() {
    closed_ = true;
    error_code ignored;
    client_.shutdown(tcp::socket::shutdown_both, ignored);
    client_.close(ignored);
    closeUpstream();
    timer_.cancel();
}

} // namespace service
