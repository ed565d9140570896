#pragma once

#include "service/ProxySettings.h"
#include "service/RequestHead.h"

#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>

#include <array>
#include <memory>
#include <string>

namespace service {

// One client connection of the proxy: reads the request head (bounded in
// size and time), opens the target through the SOCKS server, then copies
// bytes until the target's side ends or the connection idles: both ways
// for CONNECT, and for a request the head and its body to the target (never
// anything the client sends after it) and the answer back.
// Every failure before forwarding answers with an HTTP error and closes.
// Each step is a completion handler holding the session alive, so a
// session lives exactly as long as an operation of it is pending; an
// exception from a step ends this session alone. The relay buffers exist
// only once forwarding starts.
class ProxySession : public std::enable_shared_from_this<ProxySession> {
public:
    static constexpr std::size_t maxHeadSize = 16384;

    static constexpr std::size_t relayBufferSize = 65536;

    // `settings` must outlive the session; `slot` is released with it.
    ProxySession(asio::ip::tcp::socket client, const ProxySettings& settings,
                 std::shared_ptr<void> slot);
    void start();

private:
    enum Direction { ToTarget, ToClient };
    using RelayBuffers = std::array<std::array<char, relayBufferSize>, 2>;

    // `step` as a completion handler that keeps the session alive and
    // closes it should the step throw.
    template <typename Step> auto guarded(Step step);

    void onWatchdog();
    void setDeadline(std::chrono::milliseconds fromNow);
    void onHead(std::error_code error, std::size_t size);
    void onSocksConnected(std::error_code error);
    void onSocksReply(std::error_code error);
    void startForwarding();
    void pump(Direction direction);
    void onPumped(Direction direction, std::error_code error, std::size_t size);
    void respond(int status);
    int failureStatus() const { return timedOut_ ? 504 : 502; }
    void closeAll();

    asio::ip::tcp::socket client_;
    asio::ip::tcp::socket upstream_;
    asio::steady_timer timer_;
    asio::steady_timer::time_point deadline_;
    const ProxySettings& settings_;
    std::shared_ptr<void> slot_;
    std::string received_;
    std::size_t headSize_ = 0;
    RequestHead head_;
    std::string outgoing_;
    std::array<unsigned char, 2 + 5 + 255 + 2> socksReply_{};
    std::unique_ptr<RelayBuffers> buffers_;
    // Bytes of the request's body still to pass to its origin.
    std::uint64_t bodyLeft_ = 0;
    bool connecting_ = false;
    bool timedOut_ = false;
    bool closed_ = false;
};

} // namespace service
