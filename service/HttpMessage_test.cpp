#include "service/HttpMessage.h"
#include "service/Socks5.h"

#include <gtest/gtest.h>

using namespace service;

namespace {

// Feeds `text` to a parser whole and returns how many bytes belong to the
// message; -1 for a malformed one.
template <class Parser> long frame(Parser& parser, std::string_view text) {
    parser.eager(true);
    boost::system::error_code error;
    std::size_t used = parser.put(boost::asio::buffer(text.data(), text.size()), error);
    if (error == http::error::need_more)
        error = {};
    return error ? -1 : static_cast<long>(used);
}

std::optional<Target> targetOf(std::string_view text) {
    RequestParser parser(16384);
    if (frame(parser, text) < 0 || !parser.is_header_done())
        return std::nullopt;
    return proxyTarget(parser);
}

} // namespace

TEST(HttpMessage, RequestGoesOutInOriginFormWithTheHostOfItsUriAndNoHopByHopHeaders) {
    RequestParser parser(16384);
    std::string post = "POST http://Echo.example:8080/a?c=1 HTTP/1.1\r\n"
                       "Host: other.example\r\nProxy-Connection: keep-alive\r\n"
                       "Connection: X-Secret, keep-alive\r\nX-Secret: 1\r\nUpgrade: h2c\r\n"
                       "TE: trailers\r\nContent-Length: 3\r\nAccept: */*\r\n\r\nabc";
    EXPECT_EQ(frame(parser, post + "GET"), static_cast<long>(post.size()));
    std::optional<Target> target = proxyTarget(parser);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->host, "Echo.example");
    EXPECT_EQ(target->port, 8080);
    EXPECT_EQ(originRequestHead(parser.head(), *target),
              "POST /a?c=1 HTTP/1.1\r\nHost: Echo.example:8080\r\n"
              "Content-Length: 3\r\nAccept: */*\r\n\r\n");

    RequestParser old(16384);
    frame(old, "GET http://10.1.2.3?x HTTP/1.0\r\n\r\n");
    target = proxyTarget(old);
    ASSERT_TRUE(target);
    EXPECT_EQ(originRequestHead(old.head(), *target), "GET /?x HTTP/1.0\r\nHost: 10.1.2.3\r\n\r\n");
}

TEST(HttpMessage, OnlyProxyRequestsWithAKnownEndHaveATarget) {
    auto connect = targetOf("CONNECT ipecho.example:443 HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(connect);
    EXPECT_EQ(connect->host, "ipecho.example");
    EXPECT_EQ(connect->port, 443);
    const char* const bad[] = {
        "GET / HTTP/1.1\r\nHost: a\r\n\r\n",   // origin form: not for a proxy
        "GET https://a/ HTTP/1.1\r\n\r\n",     // no TLS here: that is CONNECT's job
        "GET http://user@a/ HTTP/1.1\r\n\r\n", // credentials in the address
        "GET http://a/ HTTP/2.0\r\n\r\n",      // unknown version
        "CONNECT ipecho.example HTTP/1.1\r\n\r\n",
        "CONNECT ipecho.example:65536 HTTP/1.1\r\n\r\n",
        "POST http://a/ HTTP/1.1\r\nTransfer-Encoding: gzip\r\n\r\n", // end unknown
        "POST http://a/ HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n",
        "POST http://a/ HTTP/1.1\r\nContent-Length: 1\r\nTransfer-Encoding: chunked\r\n\r\n",
        "GET http://a/ HTTP/1.1\r\n folded: x\r\n\r\n",
        "G(T http://a/ HTTP/1.1\r\n\r\n",
    };
    for (const char* text : bad)
        EXPECT_FALSE(targetOf(text)) << text;
}

TEST(HttpMessage, AMessageEndsWhereItsFramingSays) {
    const std::string next = "GET http://b.example/ HTTP/1.1\r\n\r\n";
    std::string chunked = "POST http://a/ HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"
                          "3\r\nabc\r\n0\r\n\r\n";
    RequestParser request(16384);
    EXPECT_EQ(frame(request, chunked + next), static_cast<long>(chunked.size()));
    EXPECT_TRUE(request.is_done());

    std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nbody";
    ResponseParser headAnswer(16384);
    headAnswer.skip(true); // the answer to HEAD: a length, but no body
    EXPECT_EQ(frame(headAnswer, answer), static_cast<long>(answer.size() - 4));
    EXPECT_TRUE(headAnswer.is_done());

    ResponseParser untilClose(16384);
    frame(untilClose, "HTTP/1.1 200 OK\r\n\r\nsome");
    EXPECT_TRUE(untilClose.need_eof());
    EXPECT_FALSE(untilClose.keep_alive());

    ResponseParser noContent(16384);
    EXPECT_EQ(frame(noContent, "HTTP/1.1 204 No Content\r\n\r\n" + next), 27);
    EXPECT_TRUE(noContent.is_done());
    EXPECT_TRUE(noContent.keep_alive());
}

TEST(HttpMessage, AnswerHeadSaysWhetherTheConnectionStays) {
    ResponseParser parser(16384);
    frame(parser, "HTTP/1.0 404 Not Found\r\nConnection: X-Hop, keep-alive\r\nX-Hop: 1\r\n"
                  "Keep-Alive: timeout=5\r\nContent-Length: 0\r\n\r\n");
    EXPECT_EQ(clientResponseHead(parser.head(), false, 11, false),
              "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(clientResponseHead(parser.head(), true, 11, false),
              "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
    EXPECT_EQ(clientResponseHead(parser.head(), true, 10, false),
              "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: keep-alive\r\n\r\n");
}

TEST(Socks5, RequestCarriesTheNameUnresolvedAndAddressesAsSuch) {
    EXPECT_EQ(socks5::connectRequest("ab.example", 0x1f90), std::string("\x05\x01\x00\x03\x0a"
                                                                        "ab.example\x1f\x90",
                                                                        17));
    EXPECT_EQ(socks5::connectRequest("127.0.0.9", 80),
              std::string("\x05\x01\x00\x01\x7f\x00\x00\x09\x00\x50", 10));
    EXPECT_EQ(socks5::httpStatusFor(0), 0);
    EXPECT_EQ(socks5::httpStatusFor(4), 504);
    EXPECT_EQ(socks5::httpStatusFor(5), 502);
}
