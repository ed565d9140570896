#include "testsupport/ProxyTestFixture.h"
#include "testsupport/ScriptedOrigin.h"

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

TEST_F(ProxyServerTest, ARequestThatChangesThingsIsNeverSentTwice) {
    startProxy();
    std::string ok = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
    // The origin takes one connection: a request sent again would wait on
    // a second one that nobody serves.
    ScriptedOrigin origin({{"\r\n\r\n", ok}}, true);
    std::string authority = "localhost:" + std::to_string(origin.port());
    Socket client = connectTo(proxyPort);
    sendText(client.get(), "GET http://" + authority + "/1 HTTP/1.1\r\n\r\n");
    EXPECT_EQ(receiveUntil(client.get(), "ok"), ok);
    ASSERT_TRUE(waitUntil([&] { return origin.served() == 1; }));
    // The kept connection is gone; a POST may have reached the origin on
    // it for all the proxy knows, so it fails rather than goes again.
    DWORD started = GetTickCount();
    sendText(client.get(), "POST http://" + authority + "/2 HTTP/1.1\r\nContent-Length: 0\r\n\r\n");
    std::string answer = receiveAll(client.get());
    EXPECT_EQ(answer.rfind("HTTP/1.1 502 ", 0), 0u) << answer;
    EXPECT_LT(GetTickCount() - started, 3000u);
}
