#include "service/ProxyServer.h"

#include "service/ProxySession.h"

#include <asio/io_context.hpp>

namespace service {

using asio::ip::tcp;

struct ProxyServer::Io {
    asio::io_context context;
    tcp::acceptor acceptor{context};
};

namespace {

// Accepts connections until the acceptor is closed.
void acceptNext(tcp::acceptor& acceptor, const ProxySettings& settings) {
    acceptor.async_accept([&acceptor, &settings](std::error_code error, tcp::socket client) {
        if (error == asio::error::operation_aborted || !acceptor.is_open())
            return;
        if (!error)
            std::make_shared<ProxySession>(std::move(client), settings)->start();
        acceptNext(acceptor, settings);
    });
}

} // namespace

ProxyServer::ProxyServer(const ProxySettings& settings) : settings_(settings) {}

ProxyServer::~ProxyServer() {
    stop();
}

bool ProxyServer::start(std::string& error) {
    stop();
    io_ = std::make_unique<Io>();
    tcp::endpoint endpoint(asio::ip::address_v4::loopback(), settings_.listenPort);
    std::error_code code;
    io_->acceptor.open(endpoint.protocol(), code);
    if (!code)
        io_->acceptor.bind(endpoint, code);
    if (!code)
        io_->acceptor.listen(asio::socket_base::max_listen_connections, code);
    if (code) {
        error = "127.0.0.1:" + std::to_string(settings_.listenPort) + ": " + code.message();
        io_.reset();
        return false;
    }
    acceptNext(io_->acceptor, settings_);
    thread_ = std::thread([io = io_.get()] { io->context.run(); });
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
