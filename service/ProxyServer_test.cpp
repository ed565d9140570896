#include "testsupport/ProxyTestFixture.h"

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

using framework::Socket;

using namespace testing_support;
using service_test::isTunnelExit;
using service_test::proxyPort;
using service_test::ProxyServerTest;

namespace {

// An origin on one connection: it gives its i-th answer once it has
// received the i-th of its triggers (after the one before), then keeps the
// connection open, as an origin that ignores "Connection: close" does, or
// closes it; it records every byte it receives until the proxy closes the
// connection. It accepts `connections` connections one after another, each
// served from the first step; with one, a second request for it is answered
// only on a connection the proxy used again.
class ScriptedOrigin {
public:
    struct Step {
        std::string trigger;
        std::string answer;
    };
    ScriptedOrigin(std::vector<Step> steps, bool closeAfterLast, int connections = 1)
        : steps_(std::move(steps)), closeAfterLast_(closeAfterLast), connections_(connections),
          port_(listenOnLoopback(listener_)), thread_([this] { serve(); }) {}
    ~ScriptedOrigin() {
        if (thread_.joinable())
            thread_.join();
    }
    unsigned short port() const { return port_; }
    std::string receivedSoFar() {
        std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }
    // Everything received, once the proxy has closed the connection.
    std::string receivedInAll() {
        if (thread_.joinable())
            thread_.join();
        return received_;
    }

    int served() const { return served_; }

private:
    void serve() {
        for (int i = 0; i < connections_; ++i, ++served_)
            serveOne();
    }
    void serveOne() {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(listener_.get(), &readable);
        timeval limit = {10, 0};
        if (select(0, &readable, nullptr, nullptr, &limit) != 1)
            return;
        Socket s(accept(listener_.get(), nullptr, nullptr));
        DWORD timeout = 10000;
        setsockopt(s.get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<char*>(&timeout),
                   sizeof timeout);
        char buffer[4096];
        std::size_t next = 0, from = 0;
        for (int got; (got = recv(s.get(), buffer, sizeof buffer, 0)) > 0;) {
            std::lock_guard<std::mutex> lock(mutex_);
            received_.append(buffer, got);
            std::string::size_type at;
            while (next < steps_.size() &&
                   (at = received_.find(steps_[next].trigger, from)) != std::string::npos) {
                from = at + steps_[next].trigger.size();
                sendText(s.get(), steps_[next++].answer);
                if (next == steps_.size() && closeAfterLast_)
                    return;
            }
        }
    }

    std::vector<Step> steps_;
    bool closeAfterLast_;
    int connections_;
    std::atomic<int> served_{0};
    Socket listener_;
    unsigned short port_;
    std::mutex mutex_;
    std::string received_;
    std::thread thread_;
};

// Reads until what has arrived ends with `end` (or the peer stops sending).
std::string receiveUntil(SOCKET s, const std::string& end) {
    std::string text;
    char buffer[4096];
    for (int got; !text.ends_with(end) && (got = recv(s, buffer, sizeof buffer, 0)) > 0;)
        text.append(buffer, got);
    return text;
}

} // namespace

TEST_F(ProxyServerTest, GetAndConnectArriveFromTheTunnelsExitAddress) {
    startProxy();
    std::string response = roundTrip(proxyPort, get("localhost"));
    EXPECT_EQ(response.rfind("HTTP/1.1 200 OK", 0), 0u) << response;
    std::string exit = httpBody(response);
    EXPECT_TRUE(isTunnelExit(exit)) << exit;

    Socket s = connectTo(proxyPort);
    sendText(s.get(), "CONNECT localhost:" + std::to_string(target_->port()) +
                          " HTTP/1.1\r\n\r\nGET /whip2.php HTTP/1.1\r\n\r\n");
    response = receiveAll(s.get());
    EXPECT_EQ(response.rfind("HTTP/1.1 200 Connection established\r\n\r\nHTTP/1.1 200 OK", 0), 0u)
        << response;
    EXPECT_EQ(httpBody(httpBody(response)), exit);
}

TEST_F(ProxyServerTest, BadRequestsGet400) {
    startProxy();
    EXPECT_EQ(roundTrip(proxyPort, "GARBAGE\r\n\r\n").rfind("HTTP/1.1 400 ", 0), 0u);
    EXPECT_EQ(roundTrip(proxyPort, "GET /whip2.php HTTP/1.1\r\n\r\n").rfind("HTTP/1.1 400 ", 0),
              0u);
    std::string oversize = "GET http://localhost/ HTTP/1.1\r\nX: " + std::string(20000, 'a');
    EXPECT_EQ(roundTrip(proxyPort, oversize).rfind("HTTP/1.1 400 ", 0), 0u);
    std::string binary("\0\xff\r\n\r\n", 6);
    EXPECT_EQ(roundTrip(proxyPort, binary).rfind("HTTP/1.1 400 ", 0), 0u);
}

TEST_F(ProxyServerTest, UnreachableTunnelOrTargetGets502Quickly) {
    service::ProxySettings settings;
    settings.socksPort = 19151; // nothing listens there
    startProxy(settings);
    DWORD started = GetTickCount();
    EXPECT_EQ(roundTrip(proxyPort, get("localhost")).rfind("HTTP/1.1 502 ", 0), 0u);
    EXPECT_LT(GetTickCount() - started, 3000u);

    startProxy();
    EXPECT_EQ(
        roundTrip(proxyPort, "CONNECT localhost:1 HTTP/1.1\r\n\r\n").rfind("HTTP/1.1 502 ", 0), 0u);
}

TEST_F(ProxyServerTest, TunnelThatNeverAnswersGets504AfterTheConnectTimeout) {
    // A listener that is never served: connections complete, nothing replies.
    Socket silent(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(19152);
    ASSERT_EQ(bind(silent.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    listen(silent.get(), SOMAXCONN);
    service::ProxySettings settings;
    settings.socksPort = 19152;
    settings.connectTimeout = std::chrono::milliseconds(300);
    startProxy(settings);
    DWORD started = GetTickCount();
    EXPECT_EQ(roundTrip(proxyPort, get("localhost")).rfind("HTTP/1.1 504 ", 0), 0u);
    EXPECT_LT(GetTickCount() - started, 3000u);
}

TEST_F(ProxyServerTest, SilentClientIsClosedAfterTheHeaderTimeout) {
    service::ProxySettings settings;
    settings.headerTimeout = std::chrono::milliseconds(300);
    startProxy(settings);
    Socket s = connectTo(proxyPort);
    DWORD started = GetTickCount();
    sendText(s.get(), "GET http://localhost/ HTTP/1.1\r\n");
    EXPECT_EQ(receiveAll(s.get()), "");
    EXPECT_LT(GetTickCount() - started, 3000u);
}

TEST_F(ProxyServerTest, TwoHundredConcurrentConnectionsAreAllAnswered) {
    startProxy();
    std::vector<Socket> clients;
    for (int i = 0; i < 200; ++i) {
        clients.push_back(connectTo(proxyPort));
        ASSERT_TRUE(clients.back()) << i;
    }
    for (Socket& client : clients)
        sendText(client.get(), get("localhost"));
    int answered = 0;
    for (Socket& client : clients)
        answered += isTunnelExit(httpBody(receiveAll(client.get())));
    EXPECT_EQ(answered, 200);
}

TEST_F(ProxyServerTest, StopClosesTheListenerAndStartCanFollow) {
    startProxy();
    EXPECT_TRUE(connectTo(proxyPort));
    proxy_->stop();
    EXPECT_FALSE(connectTo(proxyPort));
    std::string error;
    EXPECT_TRUE(proxy_->start(error)) << error;
    EXPECT_TRUE(isTunnelExit(httpBody(roundTrip(proxyPort, get("localhost")))));
}

TEST_F(ProxyServerTest, AThousandIdleConnectionsStayBoundedAndServingResumesOnceTheyClose) {
    service::ProxySettings settings;
    settings.headerTimeout = std::chrono::milliseconds(20000);
    startProxy(settings);
    SIZE_T before = service_test::heapBytesInUse();
    std::vector<Socket> idle;
    for (int i = 0; i < 1000; ++i) {
        idle.push_back(connectTo(proxyPort));
        ASSERT_TRUE(idle.back()) << i;
    }
    // The first connection is a session: its answer also shows that the
    // proxy has worked through the accepts queued before it.
    sendText(idle.front().get(), get("localhost"));
    EXPECT_TRUE(isTunnelExit(httpBody(receiveAll(idle.front().get()))));
    // Sessions at their cap (512), each without relay buffers while it
    // waits for its head: well under 4 KiB each.
    SIZE_T bound = before + (2u << 20);
    EXPECT_LT(service_test::heapBytesInUse(), bound) << "in use before: " << before;

    idle.clear();
    EXPECT_TRUE(isTunnelExit(httpBody(roundTrip(proxyPort, get("localhost")))));
    EXPECT_TRUE(
        waitUntil([&] { return service_test::heapBytesInUse() < before + (64u << 10); }, 5000));
}

TEST_F(ProxyServerTest, ASessionThatFailsEndsAloneAndTheProxyServesOn) {
    service::ProxySettings settings;
    settings.beforeConnect = [](const std::string& host) {
        if (host == "fail.example")
            throw std::runtime_error("injected");
    };
    startProxy(settings);
    Socket tunnel = connectTo(proxyPort);
    sendText(tunnel.get(),
             "CONNECT localhost:" + std::to_string(target_->port()) + " HTTP/1.1\r\n\r\n");
    std::string established;
    char buffer[256];
    for (int got; established.find("\r\n\r\n") == std::string::npos &&
                  (got = recv(tunnel.get(), buffer, sizeof buffer, 0)) > 0;)
        established.append(buffer, got);
    ASSERT_EQ(established.rfind("HTTP/1.1 200 ", 0), 0u) << established;

    EXPECT_EQ(roundTrip(proxyPort, get("fail.example")), "");

    sendText(tunnel.get(), "GET /whip2.php HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(isTunnelExit(httpBody(receiveAll(tunnel.get()))));
    EXPECT_TRUE(isTunnelExit(httpBody(roundTrip(proxyPort, get("localhost")))));
}

TEST_F(ProxyServerTest, EachRequestOfAConnectionReachesItsOwnOriginAndNothingElseDoes) {
    startProxy();
    ScriptedOrigin origin({{"0123456789", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"}},
                          false);
    std::string authority = "localhost:" + std::to_string(origin.port());
    Socket client = connectTo(proxyPort);
    sendText(client.get(), "POST http://" + authority +
                               "/form HTTP/1.1\r\nHost: elsewhere.example\r\n"
                               "Content-Length: 10\r\nConnection: keep-alive, X-Hop\r\n"
                               "X-Hop: 1\r\n\r\n01234");
    ASSERT_TRUE(
        waitUntil([&] { return origin.receivedSoFar().find("01234") != std::string::npos; }));
    // The rest of the body, then a request for another host on the same
    // connection: it reaches that host, and the first origin sees the body
    // whole and nothing after it.
    sendText(client.get(), "56789" + get("127.0.0.1"));
    std::string answers = receiveAll(client.get());
    std::string first = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
    EXPECT_EQ(answers.substr(0, first.size()), first) << answers;
    EXPECT_TRUE(isTunnelExit(httpBody(answers.substr(first.size())))) << answers;
    EXPECT_EQ(origin.receivedInAll(), "POST /form HTTP/1.1\r\nHost: " + authority +
                                          "\r\nContent-Length: 10\r\n\r\n0123456789");
}

TEST_F(ProxyServerTest, AChunkedAnswerLeavesTheConnectionForTheNextRequest) {
    startProxy();
    std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nKeep-Alive: 5\r\n\r\n"
                          "5\r\nfirst\r\n0\r\n\r\n";
    // The second answer has no length: it ends when the origin closes.
    ScriptedOrigin origin({{"\r\n\r\n", chunked}, {"\r\n\r\n", "HTTP/1.1 200 OK\r\n\r\nsecond"}},
                          true);
    std::string prefix = "GET http://localhost:" + std::to_string(origin.port());
    Socket client = connectTo(proxyPort);
    sendText(client.get(), prefix + "/1 HTTP/1.1\r\n\r\n");
    EXPECT_EQ(receiveUntil(client.get(), "0\r\n\r\n"),
              "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nfirst\r\n0\r\n\r\n");
    sendText(client.get(), prefix + "/2 HTTP/1.1\r\n\r\n");
    // The answer without a length ends the client connection too.
    DWORD started = GetTickCount();
    EXPECT_EQ(receiveAll(client.get()), "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nsecond");
    EXPECT_LT(GetTickCount() - started, 5000u);
    EXPECT_EQ(origin.receivedInAll(), "GET /1 HTTP/1.1\r\nHost: " + prefix.substr(11) +
                                          "\r\n\r\nGET /2 HTTP/1.1\r\nHost: " + prefix.substr(11) +
                                          "\r\n\r\n");
}

TEST_F(ProxyServerTest, ARequestGoesAgainWhenTheOriginClosedTheConnectionKeptForIt) {
    startProxy();
    std::string ok = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
    ScriptedOrigin origin({{"\r\n\r\n", ok}}, true, 2);
    std::string prefix = "GET http://localhost:" + std::to_string(origin.port());
    Socket client = connectTo(proxyPort);
    sendText(client.get(), prefix + "/1 HTTP/1.1\r\n\r\n");
    EXPECT_EQ(receiveUntil(client.get(), "ok"), ok);
    ASSERT_TRUE(waitUntil([&] { return origin.served() == 1; }));
    sendText(client.get(), prefix + "/2 HTTP/1.1\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(receiveAll(client.get()),
              "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok");
}
