// Origins and clients that break the rules on purpose: the proxy must hold
// no more than its bounds, never let a message be framed one way by the
// proxy and another by the next hop, and never let one origin's bytes pass
// for another's answer.
#include "testsupport/ProxyTestFixture.h"
#include "testsupport/ScriptedOrigin.h"

using namespace testing_support;
using service_test::heapBytesInUse;
using service_test::proxyPort;
using service_test::ProxyServerTest;

namespace {

std::string getFrom(const ScriptedOrigin& origin, const std::string& path,
                    const std::string& version = "HTTP/1.1") {
    return "GET http://localhost:" + std::to_string(origin.port()) + path + " " + version +
           "\r\n\r\n";
}

} // namespace

TEST_F(ProxyServerTest, AChunkLineOrTrailerThatNeverEndsIsCutOffAndHoldsNoMemory) {
    startProxy();
    const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    const std::string endless(8u << 20, 'a');
    SIZE_T before = heapBytesInUse();
    for (const std::string& body : {"5;" + endless, "2\r\nok\r\n0\r\nX-T: " + endless}) {
        ScriptedOrigin origin({{"\r\n\r\n", head + body}}, false);
        framework::Socket client = connectTo(proxyPort);
        sendText(client.get(), getFrom(origin, "/"));
        // The head has gone to the client already: the connection ends.
        DWORD started = GetTickCount();
        std::string got = receiveAll(client.get());
        EXPECT_EQ(got.substr(0, head.size()), head);
        EXPECT_LT(got.size(), head.size() + 16);
        EXPECT_LT(GetTickCount() - started, 3000u);
    }
    // A client whose chunk line never ends is cut off the same way.
    ScriptedOrigin origin({}, false);
    framework::Socket client = connectTo(proxyPort);
    sendText(client.get(), "POST http://localhost:" + std::to_string(origin.port()) +
                               "/ HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n5;" +
                               std::string(1u << 20, 'a'));
    EXPECT_EQ(receiveAll(client.get()), "");
    EXPECT_TRUE(waitUntil([&] { return heapBytesInUse() < before + (64u << 10); }, 5000))
        << "in use before: " << before << ", now: " << heapBytesInUse();
}

TEST_F(ProxyServerTest, HeadersThatFrameABodyStayWhenConnectionNamesThem) {
    startProxy();
    ScriptedOrigin origin({{"hello", "HTTP/1.1 200 OK\r\nConnection: Transfer-Encoding\r\n"
                                     "Transfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n"}},
                          false);
    std::string authority = "localhost:" + std::to_string(origin.port());
    framework::Socket client = connectTo(proxyPort);
    sendText(client.get(), "POST http://" + authority +
                               "/ HTTP/1.1\r\nConnection: Content-Length\r\n"
                               "Content-Length: 5\r\n\r\nhello");
    EXPECT_EQ(receiveUntil(client.get(), "0\r\n\r\n"),
              "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n");
    client.reset();
    EXPECT_EQ(origin.receivedInAll(),
              "POST / HTTP/1.1\r\nHost: " + authority + "\r\nContent-Length: 5\r\n\r\nhello");
}

TEST_F(ProxyServerTest, InterimAnswersReachOnlyClientsThatTakeThemAndPassForNoAnswer) {
    startProxy();
    // A careless client takes the first head it reads for the answer. An
    // early hint, written apart from the answer that follows it, must not
    // be that head, or the real answer passes for its next request's.
    std::string hints = "HTTP/1.1 103 Early Hints\r\nLink: </a.css>; rel=preload\r\n\r\n";
    std::string answerA = "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nA";
    ScriptedOrigin a({{"\r\n\r\n", hints + answerA, {hints.size()}}}, false);
    ScriptedOrigin b({{"\r\n\r\n", "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nB"}}, false);
    framework::Socket careless = connectTo(proxyPort);
    sendText(careless.get(), getFrom(a, "/"));
    // Head and body may come in one read: the first bytes read must be the
    // final answer's.
    EXPECT_EQ(receiveUntil(careless.get(), "A"), answerA);
    sendText(careless.get(), getFrom(b, "/"));
    EXPECT_EQ(receiveUntil(careless.get(), "B"), "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nB");

    // "100 Continue" goes to an HTTP/1.1 client; an HTTP/1.0 client gets
    // neither it nor chunks, but the body decoded, up to the close.
    std::string chunked =
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n";
    std::string continued = "HTTP/1.1 100 Continue\r\n\r\n" + chunked;
    ScriptedOrigin c({{"\r\n\r\n", continued}}, false, 2);
    framework::Socket current = connectTo(proxyPort);
    sendText(current.get(), getFrom(c, "/1"));
    EXPECT_EQ(receiveUntil(current.get(), "0\r\n\r\n"), continued);
    current.reset();
    framework::Socket old = connectTo(proxyPort);
    sendText(old.get(), getFrom(c, "/2", "HTTP/1.0"));
    EXPECT_EQ(receiveAll(old.get()), "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nok");
}

TEST_F(ProxyServerTest, AnAnswerFramedBothByACodingAndALengthGets502) {
    startProxy();
    ScriptedOrigin origin(
        {{"\r\n\r\n",
          "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\nContent-Length: 5\r\n\r\nhello"}},
        false);
    std::string answer = roundTrip(proxyPort, getFrom(origin, "/"));
    EXPECT_EQ(answer.rfind("HTTP/1.1 502 ", 0), 0u) << answer;
}
