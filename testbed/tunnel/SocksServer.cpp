#include "testbed/tunnel/SocksServer.h"

#include <ws2tcpip.h>

#include <cstring>
#include <thread>
#include <vector>

namespace testbed {
namespace {

enum Reply : unsigned char {
    Succeeded = 0,
    GeneralFailure = 1,
    HostUnreachable = 4,
    ConnectionRefused = 5,
    CommandNotSupported = 7,
    AddressTypeNotSupported = 8,
};

bool receiveAll(SOCKET s, void* data, int size) {
    char* at = static_cast<char*>(data);
    while (size > 0) {
        int got = recv(s, at, size, 0);
        if (got <= 0)
            return false;
        at += got;
        size -= got;
    }
    return true;
}

bool sendAll(SOCKET s, const char* data, int size) {
    while (size > 0) {
        int sent = send(s, data, size, 0);
        if (sent <= 0)
            return false;
        data += sent;
        size -= sent;
    }
    return true;
}

void reply(SOCKET s, unsigned char code, const sockaddr_in& bound = {}) {
    char answer[10] = {5, static_cast<char>(code), 0, 1};
    memcpy(answer + 4, &bound.sin_addr, 4);
    memcpy(answer + 8, &bound.sin_port, 2);
    sendAll(s, answer, sizeof answer);
}

// The target of a CONNECT request as an IPv4 address; 0 with `failure` set
// when the request cannot be served.
std::uint32_t readTarget(SOCKET s, std::uint16_t& port, unsigned char& failure) {
    unsigned char head[4];
    failure = GeneralFailure;
    if (!receiveAll(s, head, 4) || head[0] != 5)
        return 0;
    std::uint32_t address = 0;
    if (head[3] == 1) {
        if (!receiveAll(s, &address, 4))
            return 0;
    } else if (head[3] == 3) {
        unsigned char length = 0;
        char name[256] = {};
        if (!receiveAll(s, &length, 1) || !receiveAll(s, name, length))
            return 0;
        addrinfo hints = {};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (getaddrinfo(name, nullptr, &hints, &found) == 0 && found) {
            address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
            freeaddrinfo(found);
        }
        failure = HostUnreachable;
    } else {
        failure = AddressTypeNotSupported;
        return 0;
    }
    if (!receiveAll(s, &port, 2))
        return 0;
    if (head[1] != 1) {
        failure = CommandNotSupported;
        return 0;
    }
    return address;
}

// Copies bytes both ways until both directions have ended; an end of one
// direction is passed on as a half close.
void relay(SOCKET a, SOCKET b) {
    SOCKET from[2] = {a, b}, to[2] = {b, a};
    bool open[2] = {true, true};
    std::vector<char> buffer(65536);
    while (open[0] || open[1]) {
        fd_set readable;
        FD_ZERO(&readable);
        for (int i = 0; i < 2; ++i)
            if (open[i])
                FD_SET(from[i], &readable);
        if (select(0, &readable, nullptr, nullptr, nullptr) <= 0)
            return;
        for (int i = 0; i < 2; ++i) {
            if (!open[i] || !FD_ISSET(from[i], &readable))
                continue;
            int got = recv(from[i], buffer.data(), static_cast<int>(buffer.size()), 0);
            if (got < 0 || (got > 0 && !sendAll(to[i], buffer.data(), got)))
                return;
            if (got == 0) {
                shutdown(to[i], SD_SEND);
                open[i] = false;
            }
        }
    }
}

void serveClient(framework::Socket client, std::uint32_t exitAddress) {
    unsigned char greeting[2];
    unsigned char methods[255];
    if (!receiveAll(client.get(), greeting, 2) || greeting[0] != 5 ||
        !receiveAll(client.get(), methods, greeting[1]))
        return;
    if (memchr(methods, 0, greeting[1]) == nullptr) {
        sendAll(client.get(), "\x05\xff", 2);
        return;
    }
    sendAll(client.get(), "\x05\x00", 2);

    std::uint16_t port = 0;
    unsigned char failure = GeneralFailure;
    std::uint32_t address = readTarget(client.get(), port, failure);
    if (address == 0)
        return reply(client.get(), failure);

    framework::Socket target(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = exitAddress;
    sockaddr_in remote = {};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = address;
    remote.sin_port = port;
    if (bind(target.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        return reply(client.get(), GeneralFailure);
    if (connect(target.get(), reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0)
        return reply(client.get(), ConnectionRefused);
    int length = sizeof local;
    getsockname(target.get(), reinterpret_cast<sockaddr*>(&local), &length);
    reply(client.get(), Succeeded, local);
    relay(client.get(), target.get());
}

} // namespace

bool SocksServer::listen(unsigned port, std::string& error) {
    listener_.reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    if (bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_.get(), SOMAXCONN) != 0) {
        error = "Could not bind to 127.0.0.1:" + std::to_string(port) + ": error " +
                std::to_string(WSAGetLastError());
        listener_.reset();
        return false;
    }
    return true;
}

void SocksServer::serveInBackground() {
    std::thread(&SocksServer::acceptLoop, this).detach();
}

void SocksServer::acceptLoop() {
    for (;;) {
        framework::Socket client(accept(listener_.get(), nullptr, nullptr));
        if (!client) {
            Sleep(10); // out of sockets for a moment: back off instead of spinning
            continue;
        }
        std::thread(serveClient, std::move(client), exitAddress_).detach();
    }
}

} // namespace testbed
