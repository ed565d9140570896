#pragma once

#include "service/HttpMessage.h"
#include "service/ProxySettings.h"
#include "service/SessionDeadline.h"
#include "service/Signal.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>

#include <memory>
#include <optional>
#include <string>

namespace service {

namespace asio = boost::asio;

// One client connection of the proxy, as a coroutine that reads it top to
// bottom: each request's head is read (bounded in size and time) and the
// request goes to its own origin through the SOCKS server, on a connection
// that serves only that origin (one to the same host and port is used again
// while its answers allow it). The origin gets the head rewritten and
// exactly the request's body, never what the client sends after it; the
// client gets the answer up to its end. CONNECT makes a blind tunnel.
//
// While a request is out, a second coroutine reads the client: it passes
// the body on and, before and after, keeps what the client sends next, so
// that a client that goes away ends the session at once, whatever stage it
// is in. A watchdog ends a stage that overruns its time. Everything one
// session holds is bounded: a head of 16 KiB (64 KiB for an answer's), and
// up to 64 KiB read from each side; between requests the buffers shrink.
class ProxySession : public std::enable_shared_from_this<ProxySession> {
public:
    using Clock = SessionDeadline::Clock;

    static constexpr std::size_t maxHeadSize = 16384;
    static constexpr std::size_t maxAnswerHeadSize = 65536;
    static constexpr std::size_t relayBufferSize = 65536;

    // `settings` must outlive the session; `slot` is released with it.
    ProxySession(asio::ip::tcp::socket client, const ProxySettings& settings,
                 std::shared_ptr<void> slot);
    void start();

    // What the server needs to make room for a new connection: whether the
    // session waits for a request, when it last moved a byte, and a way to
    // end it. A closed session ends as soon as its pending steps return.
    bool waitsForRequest() const { return waitsForRequest_; }
    Clock::time_point lastActive() const { return deadline_.lastActive(); }
    bool closed() const { return closed_; }
    void close();

private:
    using error_code = boost::system::error_code;
    using Buffer = boost::beast::flat_buffer;
    template <typename T> using awaitable = asio::awaitable<T>;

    // How a message body's relay ended.
    enum class BodyEnd { Complete, ReadFailed, WriteFailed, Invalid };
    // How an answer's relay ended: whole; failed before any byte of it
    // came (so the request may go again); failed before the client got
    // anything; failed after.
    enum class Answer { Complete, NoneCame, Failed, Broken };
    // What the client side does while a request is out.
    enum class ClientPhase { Watching, SendingBody, Stopping };
    using Expiry = SessionDeadline::Expiry;

    awaitable<void> serve();
    awaitable<bool> readRequestHead(bool first);
    awaitable<bool> forward(const Target& target);
    awaitable<Answer> relayAnswer();
    awaitable<void> tunnel(const Target& target);
    awaitable<void> tunnelToTarget();
    awaitable<int> openUpstream(const Target& target);
    template <bool isRequest>
    awaitable<BodyEnd> relayBody(asio::ip::tcp::socket& from, Buffer& buffer,
                                 MessageParser<isRequest>& parser, asio::ip::tcp::socket& to,
                                 std::string* decoded);
    awaitable<error_code> pipe(asio::ip::tcp::socket& from, Buffer& buffer,
                               asio::ip::tcp::socket& to);
    // The bytes are the coroutine's own, so they live as long as the write.
    awaitable<bool> send(asio::ip::tcp::socket& to, std::string bytes);
    awaitable<void> respond(int status);

    void startClientSide();
    awaitable<void> clientSide();
    void setClientPhase(ClientPhase phase);
    awaitable<bool> stopClientSide();

    void onExpiry(Expiry expiry);
    int failureStatus() const { return timedOut_ ? 504 : 502; }
    void closeUpstream();

    asio::ip::tcp::socket client_;
    asio::ip::tcp::socket upstream_;
    const ProxySettings& settings_;
    std::shared_ptr<void> slot_;
    // Bytes read from each side and not yet passed on.
    Buffer fromClient_{relayBufferSize};
    Buffer fromOrigin_{relayBufferSize};
    std::optional<RequestParser> request_;
    // The origin that `upstream_` serves, while it may serve another request.
    std::optional<Target> upstreamOrigin_;

    ClientPhase clientPhase_ = ClientPhase::Stopping;
    Signal clientPhaseChanged_;
    Signal clientSideEnded_;
    // The request's body went to its origin whole.
    bool bodySent_ = false;
    bool keepClient_ = false;

    SessionDeadline deadline_;
    // The tunnel's answer did not come in time.
    bool timedOut_ = false;
    bool waitsForRequest_ = false;
    bool closed_ = false;
};

} // namespace service
