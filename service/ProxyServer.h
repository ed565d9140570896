#pragma once

#include "service/ProxySettings.h"

#include <memory>
#include <string>
#include <thread>

namespace boost::asio {
class io_context;
}

namespace service {

// The local web proxy: accepts on 127.0.0.1 only, so that it never serves
// the network, and runs every connection as a ProxySession on one I/O
// thread of its own.
class ProxyServer {
public:
    explicit ProxyServer(const ProxySettings& settings);
    ~ProxyServer();
    ProxyServer(const ProxyServer&) = delete;
    ProxyServer& operator=(const ProxyServer&) = delete;

    // Binds the listening socket and starts serving; false with `error` set
    // when the port cannot be had.
    bool start(std::string& error);
    // Closes the listener and every connection; returns when all are gone.
    void stop();

private:
    struct Io;
    ProxySettings settings_;
    std::unique_ptr<Io> io_;
    std::thread thread_;
};

} // namespace service
