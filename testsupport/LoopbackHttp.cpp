#include "testsupport/LoopbackHttp.h"

#include <thread>

namespace testing_support {

using framework::Socket;

Socket connectTo(unsigned short port) {
    Socket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    boundInTime(s.get());
    if (connect(s.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        s.reset();
    return s;
}

void boundInTime(SOCKET s) {
    // A write is bounded too: Wine does not always end a blocking write
    // when its connection is reset, and such a write would hold the test.
    DWORD timeout = 10000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<char*>(&timeout), sizeof timeout);
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<char*>(&timeout), sizeof timeout);
    // Each write goes out at once, however small.
    BOOL noDelay = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<char*>(&noDelay), sizeof noDelay);
}

void sendText(SOCKET s, const std::string& text) {
    send(s, text.data(), static_cast<int>(text.size()), 0);
}

void sendInPieces(SOCKET s, const std::string& text, const std::vector<std::size_t>& cuts) {
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        sendText(s, text.substr(from, cut - from));
        from = cut;
        Sleep(1); // the writer's own pace
    }
    sendText(s, text.substr(from));
}

std::string receiveUntil(SOCKET s, const std::string& end) {
    std::string text;
    char buffer[4096];
    for (int got; !text.ends_with(end) && (got = recv(s, buffer, sizeof buffer, 0)) > 0;)
        text.append(buffer, got);
    return text;
}

std::string receiveAll(SOCKET s) {
    std::string text;
    char buffer[4096];
    int got;
    while ((got = recv(s, buffer, sizeof buffer, 0)) > 0)
        text.append(buffer, got);
    return text;
}

std::string roundTrip(unsigned short port, const std::string& request) {
    Socket s = connectTo(port);
    if (!s)
        return "(no connection)";
    sendText(s.get(), request);
    return receiveAll(s.get());
}

std::string httpBody(const std::string& response) {
    std::string::size_type end = response.find("\r\n\r\n");
    return end == std::string::npos ? "" : response.substr(end + 4);
}

unsigned short listenOnLoopback(framework::Socket& listener) {
    listener.reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener.get(), SOMAXCONN) != 0 ||
        getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

AddressEcho::AddressEcho() : port_(listenOnLoopback(listener_)) {
    std::thread([this] { acceptLoop(); }).detach();
}

void AddressEcho::acceptLoop() {
    for (;;) {
        sockaddr_in peer = {};
        int length = sizeof peer;
        SOCKET s = accept(listener_.get(), reinterpret_cast<sockaddr*>(&peer), &length);
        if (s == INVALID_SOCKET)
            return;
        std::thread([s, peer] {
            Socket client(s);
            std::string head;
            char c;
            while (head.find("\r\n\r\n") == std::string::npos && recv(s, &c, 1, 0) == 1)
                head += c;
            std::string text = inet_ntoa(peer.sin_addr);
            sendText(s, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(text.size()) +
                            "\r\nConnection: close\r\n\r\n" + text);
            shutdown(s, SD_SEND);
            receiveAll(s);
        }).detach();
    }
}

} // namespace testing_support
