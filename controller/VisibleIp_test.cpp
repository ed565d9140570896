#include "controller/VisibleIp.h"

#include "controller/EchoHost.h"
#include "proxyoptions/ProxyOptions.h"

#include "testsupport/LoopbackHttp.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

using controller::GetVisibleIp;

namespace {

// Sends an answer on a connection, all at once or in any manner it likes.
using Responder = std::function<void(SOCKET client)>;

Responder sendAll(std::string response) {
    return [response = std::move(response)](SOCKET client) {
        send(client, response.data(), static_cast<int>(response.size()), 0);
    };
}

// A one-answer-fits-all HTTP proxy on 127.0.0.1: the probe, pointed at it
// through the connection's proxy options, reaches it instead of the echo
// server, and the test decides what the "server" answers.
class FakeProxy {
public:
    explicit FakeProxy(std::string response) : FakeProxy(sendAll(std::move(response))) {}
    explicit FakeProxy(Responder respond)
        : respond_(std::move(respond)), port_(testing_support::listenOnLoopback(listener_)),
          thread_([this] { serve(); }) {}
    ~FakeProxy() {
        // Closing the listener ends the accept loop.
        listener_.reset();
        thread_.join();
    }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string firstRequest() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return firstRequest_;
    }

private:
    void serve() {
        for (;;) {
            SOCKET client = accept(listener_.get(), nullptr, nullptr);
            if (client == INVALID_SOCKET)
                return;
            // An answer that outlasts the probe ends in a failed or timed-out
            // write, so the proxy's thread ends and the test with it.
            testing_support::boundInTime(client);
            std::string request;
            char buffer[2048];
            int got;
            while (request.find("\r\n\r\n") == std::string::npos &&
                   (got = recv(client, buffer, sizeof buffer, 0)) > 0)
                request.append(buffer, got);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (firstRequest_.empty())
                    firstRequest_ = request;
            }
            respond_(client);
            shutdown(client, SD_SEND);
            closesocket(client);
        }
    }

    framework::WinsockSession winsock_;
    Responder respond_;
    framework::Socket listener_;
    unsigned short port_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::string firstRequest_;
};

std::string answer(const std::string& status, const std::string& body) {
    return "HTTP/1.0 " + status +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

// Every test leaves the connection on direct access.
class Probe : public testing::Test {
protected:
    void TearDown() override {
        proxyoptions::DisableConnectionProxy(proxyoptions::CurrentConnectionName());
    }
    static void through(const FakeProxy& proxy) {
        ASSERT_TRUE(proxyoptions::SetConnectionOptions(proxyoptions::CurrentConnectionName(),
                                                       proxy.address()));
    }
};

} // namespace

TEST_F(Probe, AsksTheEchoPageThroughTheConfiguredProxy) {
    FakeProxy proxy(answer("200 OK", "127.0.0.7"));
    through(proxy);
    EXPECT_EQ(GetVisibleIp(), "127.0.0.7");
    std::string request = proxy.firstRequest();
    std::string requestLine = request.substr(0, request.find("\r\n"));
    EXPECT_EQ(requestLine.rfind("GET http://" + std::string(controller::echoHost), 0), 0u)
        << request;
    EXPECT_NE(requestLine.find("/whip2.php HTTP/1.0"), std::string::npos) << request;
    EXPECT_NE(request.find("User-Agent: velquin-probe\r\n"), std::string::npos) << request;
}

TEST_F(Probe, AnswerOtherThan2xxGivesEmptyText) {
    for (const char* status : {"404 Not Found", "500 Internal Server Error"}) {
        FakeProxy proxy(answer(status, "127.0.0.7"));
        through(proxy);
        EXPECT_EQ(GetVisibleIp(), "") << status;
    }
}

TEST_F(Probe, BodyIsCutAfter1023BytesAndAtANul) {
    {
        FakeProxy proxy(answer("200 OK", std::string(3000, '7')));
        through(proxy);
        std::string text = GetVisibleIp();
        EXPECT_LE(text.size(), 1023u);
        EXPECT_FALSE(text.empty());
        EXPECT_EQ(text.find_first_not_of('7'), std::string::npos);
    }
    FakeProxy proxy(answer("200 OK", std::string("127.0.0.3\0tail", 14)));
    through(proxy);
    EXPECT_EQ(GetVisibleIp(), "127.0.0.3");
}

TEST_F(Probe, ProxyThatDoesNotAnswerGivesUnableToDetect) {
    std::string closedPort;
    {
        FakeProxy gone(answer("200 OK", "x"));
        closedPort = gone.address();
    }
    ASSERT_TRUE(
        proxyoptions::SetConnectionOptions(proxyoptions::CurrentConnectionName(), closedPort));
    EXPECT_EQ(GetVisibleIp(), "Unable to detect");
}

TEST_F(Probe, AProxyThatNeverAnswersCostsTheReceiveTimeOutAtMost) {
    // Takes the request, then waits until the probe gives up and closes.
    FakeProxy silent([](SOCKET client) {
        char byte;
        recv(client, &byte, 1, 0);
    });
    through(silent);
    DWORD started = GetTickCount();
    EXPECT_EQ(GetVisibleIp(), "Unable to detect");
    EXPECT_LT(GetTickCount() - started, 8000u);
}

namespace {

const char* const okHead = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n";

// Sends `okHead`, then the body in pieces of `piece` bytes, `gapMs` apart,
// until the probe goes away or `limit` bytes have been sent.
Responder trickle(const std::string& piece, DWORD gapMs, size_t limit) {
    return [piece, gapMs, limit](SOCKET client) {
        send(client, okHead, static_cast<int>(strlen(okHead)), 0);
        for (size_t sent = 0; sent < limit; sent += piece.size()) {
            if (send(client, piece.data(), static_cast<int>(piece.size()), 0) <= 0)
                return;
            Sleep(gapMs); // the server's own pace
        }
    };
}

// Runs the probe, which must return within five seconds with a piece of a
// body made of `filler` alone: what its one read delivered, 1 to 1023 bytes.
void expectPieceOfBody(char filler) {
    DWORD started = GetTickCount();
    std::string text = GetVisibleIp();
    EXPECT_LT(GetTickCount() - started, 5000u);
    EXPECT_FALSE(text.empty());
    EXPECT_LE(text.size(), 1023u);
    EXPECT_EQ(text.find_first_not_of(filler), std::string::npos) << text.substr(0, 40);
}

} // namespace

TEST_F(Probe, SlowBodyEndsTheProbeWithWhatTheOneReadDelivered) {
    // One byte a second, for far longer than anyone would wait.
    FakeProxy proxy(trickle("1", 1000, 3600));
    through(proxy);
    expectPieceOfBody('1');
}

TEST_F(Probe, EndlessOrOversizeBodyEndsTheProbeAtOnce) {
    {
        FakeProxy endless(trickle(std::string(4096, '8'), 0, ~size_t(0)));
        through(endless);
        expectPieceOfBody('8');
    }
    // Wine's library reads the rest of a body of announced length when the
    // request is closed (to reuse the connection), which takes about a
    // second for every 8 MB here; an endless body has no length to read to.
    std::string body(4 << 20, '9');
    FakeProxy oversize(answer("200 OK", body));
    through(oversize);
    expectPieceOfBody('9');
}
