#include "service/ProxyServer.h"

#include "service/ProxySession.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>

namespace service {

using asio::ip::tcp;

namespace {

// Windows lets a second socket that asks for address reuse take over a
// port, and a socket on a specific address share a port bound on all
// addresses; this option, set before bind, refuses both.
using ExclusiveAddressUse =
    boost::asio::detail::socket_option::boolean<SOL_SOCKET, SO_EXCLUSIVEADDRUSE>;

// How long accepting pauses after a failed accept (out of sockets or
// memory), so that the failure does not turn into a busy loop.
constexpr std::chrono::milliseconds acceptBackOff{100};

} // namespace

// The proxy's I/O world. The session count and the flags come before the
// context, so that they outlive the sessions the context destroys.
struct ProxyServer::Io {
    explicit Io(const ProxySettings& settings) : settings(settings) {}

    // Accepts the next connection unless the sessions are at their cap;
    // then the next to end accepts again, and new connections wait in the
    // listen backlog meanwhile.
    void acceptNext() {
        if (sessions >= settings.maxSessions) {
            waitingForSlot = true;
            return;
        }
        acceptor.async_accept([this](boost::system::error_code error, tcp::socket client) {
            if (error == asio::error::operation_aborted || !acceptor.is_open())
                return;
            if (error) {
                backOff.expires_after(acceptBackOff);
                backOff.async_wait([this](boost::system::error_code error) {
                    if (!error)
                        acceptNext();
                });
                return;
            }
            ++sessions;
            // Held by the session; its release (even should the session
            // fail to be made) gives the slot back.
            std::shared_ptr<void> slot(nullptr, [this](void*) { onSessionEnded(); });
            std::make_shared<ProxySession>(std::move(client), settings, std::move(slot))->start();
            acceptNext();
        });
    }

    void onSessionEnded() {
        --sessions;
        if (waitingForSlot && !stopping) {
            waitingForSlot = false;
            acceptNext();
        }
    }

    // Runs the handlers until stopped. Sessions catch their own failures;
    // anything else that escapes a handler is dropped here, so that the
    // proxy serves on.
    void run() {
        for (;;) {
            try {
                context.run();
                return;
            } catch (...) {
                OutputDebugStringA("Velquin: the local proxy dropped a failed handler");
            }
        }
    }

    const ProxySettings settings;
    std::size_t sessions = 0;
    bool waitingForSlot = false;
    bool stopping = false;
    asio::io_context context;
    tcp::acceptor acceptor{context};
    asio::steady_timer backOff{context};
};

ProxyServer::ProxyServer(const ProxySettings& settings) : settings_(settings) {}

ProxyServer::~ProxyServer() {
    stop();
}

bool ProxyServer::start(std::string& error) {
    stop();
    io_ = std::make_unique<Io>(settings_);
    tcp::endpoint endpoint(asio::ip::address_v4::loopback(), settings_.listenPort);
    boost::system::error_code code;
    io_->acceptor.open(endpoint.protocol(), code);
    if (!code)
        io_->acceptor.set_option(ExclusiveAddressUse(true), code);
    if (!code)
        io_->acceptor.bind(endpoint, code);
    if (!code)
        io_->acceptor.listen(asio::socket_base::max_listen_connections, code);
    if (code) {
        error = "127.0.0.1:" + std::to_string(settings_.listenPort) + ": " + code.message();
        io_.reset();
        return false;
    }
    io_->acceptNext();
    thread_ = std::thread([io = io_.get()] { io->run(); });
    return true;
}

void ProxyServer::stop() {
    if (!io_)
        return;
    io_->context.stop();
    thread_.join();
    io_->stopping = true;
    // Destroying the context destroys every session still waiting in it,
    // and with them their sockets.
    io_->acceptor.close();
    io_.reset();
}

} // namespace service
