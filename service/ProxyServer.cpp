#include "service/ProxyServer.h"

#include "service/ProxySession.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>

#include <algorithm>
#include <list>

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

// The proxy's I/O world. The session list comes before the context, so
// that it outlives the sessions the context destroys.
struct ProxyServer::Io {
    explicit Io(const ProxySettings& settings) : settings(settings) {}

    void acceptNext() {
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
            try {
                startSession(std::move(client));
            } catch (...) {
                // Out of memory: this connection is dropped, the next ones
                // are still accepted.
                OutputDebugStringA("Velquin: the local proxy could not serve a connection");
            }
            acceptNext();
        });
    }

    void startSession(tcp::socket client) {
        if (liveSessions() >= settings.maxSessions)
            makeRoom();
        auto entry = sessions.insert(sessions.end(), nullptr);
        // Held by the session; its release (even should the session fail to
        // be made) takes it off the list.
        std::shared_ptr<void> slot(nullptr, [this, entry](void*) { sessions.erase(entry); });
        auto session = std::make_shared<ProxySession>(std::move(client), settings, std::move(slot));
        *entry = session.get();
        session->start();
    }

    std::size_t liveSessions() const {
        return static_cast<std::size_t>(std::count_if(
            sessions.begin(), sessions.end(), [](const ProxySession* s) { return !s->closed(); }));
    }

    // At the cap a new connection takes the place of one already open, so
    // that no program can keep others out by holding connections: first of
    // one that waits for a request (an idle kept connection, or one whose
    // head is slow to come), else of the one quiet for longest.
    void makeRoom() {
        ProxySession* victim = nullptr;
        for (ProxySession* session : sessions) {
            if (session->closed())
                continue;
            if (!victim || std::pair(!session->waitsForRequest(), session->lastActive()) <
                               std::pair(!victim->waitsForRequest(), victim->lastActive()))
                victim = session;
        }
        if (victim)
            victim->close();
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
    std::list<ProxySession*> sessions;
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
    // Destroying the context destroys every session still waiting in it,
    // and with them their sockets.
    io_->acceptor.close();
    io_.reset();
}

} // namespace service
