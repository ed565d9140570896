#pragma once

#include "framework/Socket.h"

#include <cstddef>
#include <string>
#include <vector>

namespace testing_support {

// A listening socket on 127.0.0.1 at a free port; returns the port (0 on
// failure).
unsigned short listenOnLoopback(framework::Socket& listener);

// Blocking loopback sockets for tests of servers: a connection to
// 127.0.0.1:port (empty when refused) that gives up a read or a write after
// 10 s, and sends each write at once.
framework::Socket connectTo(unsigned short port);
// Makes `s` such a socket.
void boundInTime(SOCKET s);
void sendText(SOCKET s, const std::string& text);
// Sends `text` in the pieces that cuts at the given offsets (ascending)
// make, one write each, with a pause between them, so that a peer reading
// as bytes arrive reads each piece apart.
void sendInPieces(SOCKET s, const std::string& text, const std::vector<std::size_t>& cuts);
// Reads until what has arrived ends with `end` (or the peer stops sending).
std::string receiveUntil(SOCKET s, const std::string& end);
// Everything until the peer closes (or 10 s of silence).
std::string receiveAll(SOCKET s);
// Sends `request` on a new connection and returns the whole answer.
std::string roundTrip(unsigned short port, const std::string& request);
// The body of an HTTP answer: everything after its head.
std::string httpBody(const std::string& response);

// An HTTP server on 127.0.0.1 (a free port) that answers every request with
// the address it came from, one thread a connection, until the process ends.
class AddressEcho {
public:
    AddressEcho();
    unsigned short port() const { return port_; }

private:
    void acceptLoop();
    framework::Socket listener_;
    unsigned short port_ = 0;
};

} // namespace testing_support
