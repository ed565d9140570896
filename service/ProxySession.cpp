#include "service/ProxySession.h"

#include "service/Socks5.h"

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/http/read.hpp>

#include <array>

namespace service {
namespace {

using asio::ip::tcp;

// Completion token of every wait here: the coroutine goes on with the
// outcome in `error` rather than with an exception.
auto into(boost::system::error_code& error) {
    return asio::redirect_error(asio::use_awaitable, error);
}

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

// Whether a failed head read found a message the proxy refuses (rather than
// a connection that ended or a time-out).
bool isMalformed(const boost::system::error_code& error) {
    return error.category() ==
               boost::beast::http::make_error_code(http::error::need_more).category() &&
           error != http::error::end_of_stream && error != http::error::partial_message;
}

} // namespace

ProxySession::ProxySession(tcp::socket client, const ProxySettings& settings,
                           std::shared_ptr<void> slot)
    : client_(std::move(client)), upstream_(client_.get_executor()), settings_(settings),
      slot_(std::move(slot)), clientPhaseChanged_(client_.get_executor()),
      clientSideEnded_(client_.get_executor()),
      deadline_(client_.get_executor(), settings.idleTimeout) {}

void ProxySession::start() {
    // Small writes (heads, the last piece of a body) go out at once.
    error_code ignored;
    client_.set_option(tcp::no_delay(true), ignored);
    deadline_.expireAfter(settings_.headerTimeout);
    auto self = shared_from_this();
    auto closeWhenDone = [self](std::exception_ptr) { self->close(); };
    asio::co_spawn(client_.get_executor(),
                   deadline_.watch([this](Expiry expiry) { onExpiry(expiry); }), closeWhenDone);
    asio::co_spawn(client_.get_executor(), serve(), closeWhenDone);
}

void ProxySession::close() {
    closed_ = true;
    error_code ignored;
    client_.shutdown(tcp::socket::shutdown_both, ignored);
    client_.close(ignored);
    closeUpstream();
    deadline_.stop();
    clientPhaseChanged_.notify();
}

void ProxySession::onExpiry(Expiry expiry) {
    if (expiry == Expiry::CloseAll)
        return close();
    // The tunnel did not answer in time: give up on it, and leave the
    // client a moment to receive its answer.
    timedOut_ = true;
    closeUpstream();
    deadline_.expireAfter(settings_.headerTimeout);
}

void ProxySession::closeUpstream() {
    upstreamOrigin_.reset();
    error_code ignored;
    upstream_.close(ignored);
    // What a closed connection sent is no part of the next one's answer.
    fromOrigin_.clear();
}

asio::awaitable<void> ProxySession::serve() {
    for (bool first = true;; first = false) {
        if (!co_await readRequestHead(first))
            co_return;
        std::optional<Target> target = proxyTarget(*request_);
        if (!target) {
            co_await respond(400);
            co_return;
        }
        if (settings_.beforeConnect)
            settings_.beforeConnect(target->host);
        if (request_->head().method() == http::verb::connect) {
            co_await tunnel(*target);
            co_return;
        }
        if (!co_await forward(*target))
            co_return;
    }
}

// Reads the next request's head. A kept connection may wait for it as long
// as the idle time-out; once its first bytes are there, it must be whole
// within the head time-out, as the first head must be from the accept.
asio::awaitable<bool> ProxySession::readRequestHead(bool first) {
    request_.emplace(maxHeadSize);
    waitsForRequest_ = true;
    error_code error;
    if (!first) {
        if (fromClient_.size() == 0) {
            // An idle connection holds no more than its sockets.
            fromClient_.shrink_to_fit();
            fromOrigin_.shrink_to_fit();
            deadline_.expireAfter(settings_.idleTimeout);
            std::size_t got =
                co_await client_.async_read_some(fromClient_.prepare(512), into(error));
            fromClient_.commit(got);
            if (error)
                co_return false;
        }
        // The head has begun, whether its first bytes came now or while
        // the answer before it was relayed.
        deadline_.expireAfter(settings_.headerTimeout);
    }
    co_await http::async_read_header(client_, fromClient_, *request_, into(error));
    waitsForRequest_ = false;
    deadline_.progress();
    if (isMalformed(error))
        co_await respond(400);
    co_return !error;
}

// Sends the request to its origin and the answer back; true when the
// client connection may carry another request.
asio::awaitable<bool> ProxySession::forward(const Target& target) {
    bool reused = upstreamOrigin_ == target;
    // A request on a connection used before finds it closed if the origin
    // ended it meanwhile; one that changes nothing may then go again.
    bool mayRetry = reused && mayRepeat(*request_);
    std::string head = originRequestHead(request_->head(), target);
    startClientSide();
    Answer answer = Answer::NoneCame;
    int status = 0;
    for (bool fresh = !reused;; fresh = true) {
        if (fresh && (status = co_await openUpstream(target)) != 0)
            break;
        deadline_.expireWhenIdle();
        if (co_await send(upstream_, head)) {
            if (clientPhase_ == ClientPhase::Watching)
                setClientPhase(ClientPhase::SendingBody);
            answer = co_await relayAnswer();
        }
        // Only a connection used before can have been closed meanwhile.
        if (answer != Answer::NoneCame || fresh || !mayRetry || closed_)
            break;
    }
    if (answer == Answer::NoneCame)
        answer = Answer::Failed;
    bool bodySent = co_await stopClientSide();
    if (status != 0 || answer == Answer::Failed)
        co_await respond(status != 0 ? status : failureStatus());
    if (answer != Answer::Complete)
        co_return false;
    if (!bodySent) {
        // What the client sends after a body cut short is no request.
        closeUpstream();
        co_return false;
    }
    co_return keepClient_;
}

// Passes on the origin's answer: interim answers as a client can take them,
// then the final one, its head rewritten and its body up to its end.
asio::awaitable<ProxySession::Answer> ProxySession::relayAnswer() {
    const RequestParser::Head& request = request_->head();
    for (;;) {
        ResponseParser response(maxAnswerHeadSize);
        response.skip(request.method() == http::verb::head);
        error_code error;
        co_await http::async_read_header(upstream_, fromOrigin_, response, into(error));
        if (error)
            co_return response.got_some() ? Answer::Failed : Answer::NoneCame;
        deadline_.progress();
        const ResponseParser::Head& head = response.head();
        if (head.result() == http::status::switching_protocols || !framingIsClear(response))
            co_return Answer::Failed;
        if (head.result_int() < 200) {
            // Only "100 Continue" goes on, and only to an HTTP/1.1 client.
            // Other interim answers (early hints) are hints a client can
            // do without, and a careless one takes them for the answer and
            // the real answer, which may then be another origin's, for the
            // answer to its next request.
            if (head.result() == http::status::continue_ && request.version() == 11 &&
                !co_await send(client_, clientResponseHead(head, true, 11, false)))
                co_return Answer::Broken;
            continue;
        }
        // An HTTP/1.0 client knows no chunks: it gets the body decoded, up
        // to the end of the connection.
        bool dechunk = request.version() == 10 && response.chunked();
        keepClient_ = request_->keep_alive() && !response.need_eof() && !dechunk;
        if (!co_await send(client_,
                           clientResponseHead(head, keepClient_, request.version(), dechunk)))
            co_return Answer::Broken;
        std::string decoded;
        if (dechunk)
            response.decodeInto(&decoded);
        if (co_await relayBody(upstream_, fromOrigin_, response, client_,
                               dechunk ? &decoded : nullptr) != BodyEnd::Complete)
            co_return Answer::Broken;
        if (!response.keep_alive())
            closeUpstream();
        co_return Answer::Complete;
    }
}

// Passes a message's body from `from` to `to` as it arrives, up to where
// its framing ends it: the bytes as they came, or with `decoded` the body
// without its chunks. A chunk's size line or the trailer may take up to the
// head limit before the parser can take it; beyond that the body is refused.
template <bool isRequest>
asio::awaitable<ProxySession::BodyEnd>
ProxySession::relayBody(tcp::socket& from, Buffer& buffer, MessageParser<isRequest>& parser,
                        tcp::socket& to, std::string* decoded) {
    parser.eager(true);
    error_code error;
    while (!parser.is_done()) {
        std::size_t used = buffer.size() == 0 ? 0 : parser.put(buffer.data(), error);
        if (error && error != http::error::need_more)
            co_return BodyEnd::Invalid;
        if (used > 0) {
            asio::const_buffer bytes =
                decoded ? asio::buffer(*decoded) : asio::buffer(buffer.data().data(), used);
            co_await asio::async_write(to, bytes, into(error));
            if (error)
                co_return BodyEnd::WriteFailed;
            buffer.consume(used);
            if (decoded)
                decoded->clear();
            deadline_.progress();
            continue;
        }
        if (parser.is_done())
            break;
        if (buffer.size() >= maxHeadSize)
            co_return BodyEnd::Invalid;
        std::size_t got = co_await from.async_read_some(
            buffer.prepare(relayBufferSize - buffer.size()), into(error));
        buffer.commit(got);
        if (error == asio::error::eof && parser.need_eof()) {
            // A body without a length ends with its connection.
            parser.put_eof(error);
            break;
        }
        if (error)
            co_return BodyEnd::ReadFailed;
    }
    co_return BodyEnd::Complete;
}

// A blind tunnel to `target`, starting with what the client sent after
// its head. When the target's side ends, so does the tunnel; the end of the
// client's side is passed on, since the target may still answer.
asio::awaitable<void> ProxySession::tunnel(const Target& target) {
    startClientSide();
    int status = co_await openUpstream(target);
    co_await stopClientSide();
    if (status != 0) {
        co_await respond(status);
        co_return;
    }
    deadline_.expireWhenIdle();
    if (!co_await send(client_, "HTTP/1.1 200 Connection established\r\n\r\n"))
        co_return;
    // The client's side runs as a coroutine of its own; its completion
    // handler holds the session for it.
    asio::co_spawn(client_.get_executor(), tunnelToTarget(),
                   [self = shared_from_this()](std::exception_ptr failure) {
                       if (failure)
                           self->close();
                   });
    co_await pipe(upstream_, fromOrigin_, client_);
}

// The client's side of a tunnel: its end is passed on as the end of what
// the target gets; a failure ends the tunnel.
asio::awaitable<void> ProxySession::tunnelToTarget() {
    error_code error = co_await pipe(client_, fromClient_, upstream_);
    if (error == asio::error::eof)
        upstream_.shutdown(tcp::socket::shutdown_send, error);
    else
        close();
}

// Copies what `from` sends to `to`, starting with the bytes in `buffer`,
// until either fails; returns the failure. A read that brought little is
// followed by a small one: a quiet tunnel holds a few KiB, a busy one reads
// in large pieces.
asio::awaitable<boost::system::error_code> ProxySession::pipe(tcp::socket& from, Buffer& buffer,
                                                              tcp::socket& to) {
    constexpr std::size_t smallRead = 4096;
    std::size_t readSize = smallRead;
    error_code error;
    for (;;) {
        if (buffer.size() > 0) {
            co_await asio::async_write(to, buffer.data(), into(error));
            if (error)
                co_return error;
            buffer.consume(buffer.size());
            deadline_.progress();
        }
        if (readSize == smallRead && buffer.capacity() > smallRead)
            buffer.shrink_to_fit();
        std::size_t got = co_await from.async_read_some(buffer.prepare(readSize), into(error));
        buffer.commit(got);
        if (error)
            co_return error;
        readSize = got < smallRead ? smallRead : relayBufferSize;
    }
}

// Opens a connection to `target` through the SOCKS server; 0 when it is
// open, else the status to answer the client with.
asio::awaitable<int> ProxySession::openUpstream(const Target& target) {
    closeUpstream();
    timedOut_ = false;
    if (closed_)
        co_return 502; // a connection opened now would outlive the session
    // An overrun gives up on the tunnel but leaves the client its answer.
    deadline_.expireAfter(settings_.connectTimeout, Expiry::AbandonUpstream);
    error_code error;
    co_await upstream_.async_connect({asio::ip::address_v4::loopback(), settings_.socksPort},
                                     into(error));
    // Greeting and request in one write; the reply to both is read at once.
    bool open = !error &&
                co_await send(upstream_,
                              socks5::greeting + socks5::connectRequest(target.host, target.port));
    std::array<unsigned char, 2 + 5 + 255 + 2> reply{};
    if (open) {
        co_await asio::async_read(upstream_, asio::buffer(reply, 2 + 5), into(error));
        open = !error;
    }
    if (!open ||
        std::string(reinterpret_cast<const char*>(reply.data()), 2) != socks5::greetingAccepted ||
        reply[2] != 5)
        co_return failureStatus();
    int status = socks5::httpStatusFor(reply[3]);
    int remainder = socks5::replyRemainder(reply.data() + 2);
    if (status != 0 || remainder < 0)
        co_return status != 0 ? status : 502;
    co_await asio::async_read(upstream_, asio::buffer(reply.data() + 7, remainder), into(error));
    if (error)
        co_return failureStatus();
    upstream_.set_option(tcp::no_delay(true), error);
    upstreamOrigin_ = target;
    co_return 0;
}

asio::awaitable<bool> ProxySession::send(tcp::socket& to, std::string bytes) {
    error_code error;
    co_await asio::async_write(to, asio::buffer(bytes), into(error));
    co_return !error;
}

// Answers with an error; the session ends after it.
asio::awaitable<void> ProxySession::respond(int status) {
    closeUpstream();
    std::string text = std::to_string(status) + " " + reasonFor(status);
    co_await send(client_, "HTTP/1.1 " + text + "\r\nContent-Type: text/plain\r\nContent-Length: " +
                               std::to_string(text.size()) + "\r\nConnection: close\r\n\r\n" +
                               text);
}

// The client side of a request that is out: it keeps what the client sends
// while the tunnel opens (the body, or the next request), passes the body on
// once the head has gone, then keeps reading, so that a client that leaves
// is seen at once. It owns the client's reading and `fromClient_` until it
// is stopped.
void ProxySession::startClientSide() {
    clientPhase_ = ClientPhase::Watching;
    bodySent_ = request_->is_done();
    clientSideEnded_.reset();
    auto self = shared_from_this();
    asio::co_spawn(client_.get_executor(), clientSide(), [self](std::exception_ptr failure) {
        if (failure)
            self->close();
        self->clientSideEnded_.notify();
    });
}

asio::awaitable<void> ProxySession::clientSide() {
    while (clientPhase_ != ClientPhase::Stopping && !closed_) {
        if (clientPhase_ == ClientPhase::SendingBody && !bodySent_) {
            BodyEnd end = co_await relayBody(client_, fromClient_, *request_, upstream_, nullptr);
            bodySent_ = end == BodyEnd::Complete;
            if (clientPhase_ == ClientPhase::Stopping)
                break;
            // The client left or sent a broken body: nothing it sends can
            // pass any more. An origin that stopped reading may still answer.
            if (end == BodyEnd::ReadFailed || end == BodyEnd::Invalid)
                close();
            if (end == BodyEnd::WriteFailed)
                clientPhase_ = ClientPhase::Watching;
            continue;
        }
        if (fromClient_.size() == fromClient_.max_size()) {
            clientPhaseChanged_.reset();
            co_await clientPhaseChanged_.wait();
            continue;
        }
        error_code error;
        std::size_t got = co_await client_.async_read_some(
            fromClient_.prepare(fromClient_.max_size() - fromClient_.size()), into(error));
        fromClient_.commit(got);
        if (error && error != asio::error::operation_aborted)
            close(); // the client has gone
    }
}

// Moves the client side on; its pending read is cancelled, so the caller
// must have no operation of its own on the client connection pending.
void ProxySession::setClientPhase(ClientPhase phase) {
    clientPhase_ = phase;
    error_code ignored;
    client_.cancel(ignored);
    clientPhaseChanged_.notify();
}

// Stops the client side and waits for it; says whether the body went whole.
// A body cut short leaves its connection unusable, and closing it ends a
// write of the body that is still pending.
asio::awaitable<bool> ProxySession::stopClientSide() {
    if (!bodySent_)
        closeUpstream();
    setClientPhase(ClientPhase::Stopping);
    co_await clientSideEnded_.wait();
    co_return bodySent_;
}

} // namespace service
