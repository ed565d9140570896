// Real messages cut at every offset, and in random pieces, as a browser's
// requests and an origin's answers reach the proxy over a real circuit: each
// piece is written apart, and whatever the proxy's reads see, its origin and
// its client must get exactly what one write of the message gives.
#include "testsupport/ProxyTestFixture.h"
#include "testsupport/ScriptedOrigin.h"

#include <algorithm>
#include <random>

using namespace testing_support;
using service_test::proxyPort;
using service_test::ProxyServerTest;

namespace {

using Cuts = std::vector<std::size_t>;

// Every cut of a message of `size` bytes into two pieces, then `random`
// partitions into up to 64 pieces.
std::vector<Cuts> partitions(std::size_t size, int random) {
    std::vector<Cuts> all;
    for (std::size_t at = 1; at < size; ++at)
        all.push_back({at});
    std::mt19937 generator(20261209);
    for (int i = 0; i < random; ++i) {
        Cuts cuts(2 + generator() % 63);
        for (std::size_t& cut : cuts)
            cut = 1 + generator() % (size - 1);
        std::sort(cuts.begin(), cuts.end());
        cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
        all.push_back(cuts);
    }
    return all;
}

std::string describe(const Cuts& cuts) {
    std::string text = "cut at";
    for (std::size_t cut : cuts)
        text += " " + std::to_string(cut);
    return text;
}

// The head Chromium 156 sends through an HTTP proxy for an image of a site
// that has set it a cookie of 4,000 bytes (recorded from the browser).
std::string chromiumImageRequest(const std::string& authority, bool atOrigin) {
    std::string head = atOrigin ? "GET /pic.png HTTP/1.1\r\n"
                                : "GET http://" + authority + "/pic.png HTTP/1.1\r\n";
    head += "Host: " + authority + "\r\n";
    if (!atOrigin)
        head += "Proxy-Connection: keep-alive\r\n";
    return head +
           "User-Agent: Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like "
           "Gecko) HeadlessChrome/156.0.0.0 Safari/537.36\r\n"
           "Accept: image/jxl,image/avif,image/webp,image/apng,image/svg+xml,image/*,*/"
           "*;q=0.8\r\n"
           "Referer: http://" +
           authority +
           "/first\r\n"
           "Accept-Encoding: gzip, deflate\r\n"
           "Accept-Language: en-US,en;q=0.9\r\n"
           "Cookie: c=" +
           std::string(4000, 'x') + "\r\n\r\n";
}

// A head of 16 KiB exactly, the most the proxy takes.
std::string fullSizeRequest(const std::string& authority, bool atOrigin) {
    std::string proxyForm =
        "GET http://" + authority + "/full HTTP/1.1\r\nHost: " + authority + "\r\n";
    std::string fields;
    for (int i = 0; fields.size() < 15000; ++i)
        fields += "X-Filler-" + std::to_string(i) + ": " + std::string(80, 'a' + i % 26) + "\r\n";
    std::size_t last = 16384 - proxyForm.size() - fields.size() - 2;
    fields += "X-Last: " + std::string(last - 10, 'z') + "\r\n";
    return (atOrigin ? "GET /full HTTP/1.1\r\nHost: " + authority + "\r\n" : proxyForm) + fields +
           "\r\n";
}

std::string chunkedUpload(const std::string& authority, bool atOrigin) {
    return (atOrigin ? "POST /upload HTTP/1.1\r\nHost: " + authority
                     : "POST http://" + authority + "/upload HTTP/1.1\r\nHost: " + authority) +
           "\r\nTransfer-Encoding: chunked\r\nTrailer: X-Sum\r\n\r\n"
           "5;name=\"a b\";q\r\nhello\r\n6;x=1\r\n world\r\n0;last\r\nX-Sum: 11\r\n\r\n";
}

const std::string okAnswer = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";

} // namespace

// Sends the request that `message` makes for the origin's authority, cut
// in every way, on one kept connection; the origin must get what
// `message` says it gets each time.
using Message = std::string (*)(const std::string& authority, bool atOrigin);

class ProxyCutsTest : public ProxyServerTest {
protected:
    void expectEveryCutReachesTheOrigin(Message message) {
        startProxy();
        // Each request is answered once its last bytes have come, so the
        // answer tells the client that the origin has the whole request.
        // The origin's port is not known before it runs: it gets a step for
        // each partition of the longest request it could be sent.
        std::string longest = message("localhost:65535", false);
        std::string end = longest.substr(longest.size() - 12);
        std::vector<ScriptedOrigin::Step> steps(partitions(longest.size(), 8).size(),
                                                {end, okAnswer});
        ScriptedOrigin origin(steps, false);
        std::string authority = "localhost:" + std::to_string(origin.port());
        std::string request = message(authority, false);
        std::string expected = message(authority, true);
        framework::Socket client = connectTo(proxyPort);
        for (const Cuts& cuts : partitions(request.size(), 8)) {
            sendInPieces(client.get(), request, cuts);
            ASSERT_EQ(receiveUntil(client.get(), "ok"), okAnswer) << describe(cuts);
            ASSERT_EQ(origin.takeReceived(), expected) << describe(cuts);
        }
    }
};

TEST_F(ProxyCutsTest, AChromiumHeadWithA4KiBCookieCutAnywhereReachesItsOriginAsWritten) {
    expectEveryCutReachesTheOrigin(chromiumImageRequest);
}

TEST_F(ProxyCutsTest, A16KiBHeadCutAnywhereReachesItsOriginAsWritten) {
    expectEveryCutReachesTheOrigin(fullSizeRequest);
}

TEST_F(ProxyCutsTest, AChunkedUploadCutAnywhereReachesItsOriginAsWritten) {
    expectEveryCutReachesTheOrigin(chunkedUpload);
}

TEST_F(ProxyCutsTest, TwoPipelinedRequestsForTwoOriginsCutAnywhereEachReachTheirOwn) {
    startProxy();
    // Both ports written with five digits, so that the requests' length,
    // and with it the number of partitions, is known before the origins run.
    auto requestsFor = [](const std::string& a, const std::string& b) {
        return "GET http://" + a + "/a HTTP/1.1\r\n\r\nPOST http://" + b +
               "/b HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc";
    };
    auto fiveDigits = [](unsigned short port) {
        std::string digits = std::to_string(port);
        return "localhost:" + std::string(5 - digits.size(), '0') + digits;
    };
    std::vector<Cuts> all = partitions(requestsFor(fiveDigits(0), fiveDigits(0)).size(), 4);
    int count = static_cast<int>(all.size());
    ScriptedOrigin first({{"\r\n\r\n", "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nA"}}, false,
                         count);
    ScriptedOrigin second({{"abc", "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nB"}}, false, count);
    std::string requests = requestsFor(fiveDigits(first.port()), fiveDigits(second.port()));
    std::string a = "localhost:" + std::to_string(first.port());
    std::string b = "localhost:" + std::to_string(second.port());
    framework::Socket client = connectTo(proxyPort);
    for (const Cuts& cuts : all) {
        sendInPieces(client.get(), requests, cuts);
        ASSERT_EQ(receiveUntil(client.get(), "B"), "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nA"
                                                   "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nB")
            << describe(cuts);
    }
    client.reset();
    std::string toFirst = "GET /a HTTP/1.1\r\nHost: " + a + "\r\n\r\n";
    std::string toSecond = "POST /b HTTP/1.1\r\nHost: " + b + "\r\nContent-Length: 3\r\n\r\nabc";
    std::string allFirst, allSecond;
    for (int i = 0; i < count; ++i) {
        allFirst += toFirst;
        allSecond += toSecond;
    }
    EXPECT_EQ(first.receivedInAll(), allFirst);
    EXPECT_EQ(second.receivedInAll(), allSecond);
}

TEST_F(ProxyCutsTest, AnAnswerCutAnywhereReachesTheClientAsOneWriteWould) {
    startProxy();
    std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n"
                         "Transfer-Encoding: chunked\r\nTrailer: X-Sum\r\n\r\n"
                         "5;name=\"a b\"\r\nhello\r\n6\r\n world\r\n0\r\nX-Sum: 11\r\n\r\n";
    std::vector<Cuts> all = partitions(answer.size(), 8);
    std::vector<ScriptedOrigin::Step> steps;
    for (const Cuts& cuts : all)
        steps.push_back({"\r\n\r\n", answer, cuts});
    ScriptedOrigin origin(steps, false);
    std::string request =
        "GET http://localhost:" + std::to_string(origin.port()) + "/ HTTP/1.1\r\n\r\n";
    framework::Socket client = connectTo(proxyPort);
    for (const Cuts& cuts : all) {
        sendText(client.get(), request);
        ASSERT_EQ(receiveUntil(client.get(), "11\r\n\r\n"), answer) << describe(cuts);
    }
}
