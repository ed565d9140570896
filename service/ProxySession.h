#pragma once

#include "service/HttpMessage.h"
#include "service/ProxySettings.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace service {

namespace asio = boost::asio;

// One client connection of the proxy. Each request on it is parsed (its
// head bounded in size and time) and goes to its own origin through the
// SOCKS server, on a connection that serves only that origin: one to the
// same host and port is used again while its answers allow it. The proxy
// passes on the request's head rewritten and exactly its body, never
// anything the client sends after it, and the answer back up to its end;
// the client connection stays open only when the request and the answer's
// framing allow it. CONNECT makes a blind tunnel to its target.
// Every failure before an answer has begun answers with an HTTP error and
// closes. Each step is a completion handler holding the session alive, so
// a session lives exactly as long as an operation of it is pending; an
// exception from a step ends this session alone. Buffers grow only as far
// as a head or a read of forwarded bytes needs.
class ProxySession : public std::enable_shared_from_this<ProxySession> {
public:
    static constexpr std::size_t maxHeadSize = 16384;

    static constexpr std::size_t relayBufferSize = 65536;

    // `settings` must outlive the session; `slot` is released with it.
    ProxySession(asio::ip::tcp::socket client, const ProxySettings& settings,
                 std::shared_ptr<void> slot);
    void start();

private:
    using error_code = boost::system::error_code;
    enum Direction { ToOrigin, ToClient };

    // `step` as a completion handler that keeps the session alive and
    // closes it should the step throw.
    template <typename Step> auto guarded(Step step);
    // Reads what `from` has (at most `size` bytes) onto the end of `into`.
    template <typename Then>
    void receive(asio::ip::tcp::socket& from, std::string& into, std::size_t size, Then then);

    void onWatchdog();
    void setDeadline(std::chrono::milliseconds fromNow);
    void readRequest(std::chrono::milliseconds timeout);
    void onRequestBytes();
    void openUpstream();
    void onSocksConnected(error_code error);
    void onSocksReply(error_code error);
    void onUpstreamOpen();
    void sendRequest();
    void relayRequestBody();
    void expectResponse();
    void relayResponse();
    void onResponseEnd();
    void tunnel(Direction direction);
    void failExchange();
    void respond(int status);
    int failureStatus() const { return timedOut_ ? 504 : 502; }
    void closeUpstream();
    void closeAll();

    asio::ip::tcp::socket client_;
    asio::ip::tcp::socket upstream_;
    asio::steady_timer timer_;
    asio::steady_timer::time_point deadline_;
    const ProxySettings& settings_;
    std::shared_ptr<void> slot_;
    // Bytes received from each side and not yet passed on.
    std::string fromClient_;
    std::string fromOrigin_;
    std::optional<RequestParser> request_;
    std::optional<ResponseParser> response_;
    Target target_;
    // The origin that `upstream_` serves, while it may serve another request.
    std::optional<Target> upstreamOrigin_;
    std::string requestHead_;
    std::string responseHead_;
    std::array<unsigned char, 2 + 5 + 255 + 2> socksReply_{};
    // The request has no body and went out on a connection used before,
    // which the origin may have closed meanwhile: it may go again.
    bool mayRetry_ = false;
    // Counts the times a request head went out, so that a late completion
    // of a write on a connection given up tells itself apart.
    unsigned attempts_ = 0;
    bool requestSent_ = false;
    // Bytes of an answer to the current request went to the client.
    bool answering_ = false;
    // The answer is the proxy's own error answer.
    bool responding_ = false;
    bool keepClient_ = false;
    bool connecting_ = false;
    bool timedOut_ = false;
    bool closed_ = false;
};

} // namespace service
