#include "service/RequestHead.h"
#include "service/Socks5.h"

#include <gtest/gtest.h>

using service::RequestHead;

TEST(RequestHead, AbsoluteRequestBecomesOriginFormWithoutProxyHeaders) {
    auto head = RequestHead::parse("POST http://Echo.example:8080/a/b?c=1 HTTP/1.1\r\n"
                                   "Host: Echo.example:8080\r\n"
                                   "Proxy-Connection: keep-alive\r\n"
                                   "Content-Length:  3 \r\n"
                                   "\r\n");
    ASSERT_TRUE(head);
    EXPECT_FALSE(head->isConnect());
    EXPECT_EQ(head->host, "Echo.example");
    EXPECT_EQ(head->port, 8080);
    EXPECT_EQ(head->forwardHead(), "POST /a/b?c=1 HTTP/1.1\r\n"
                                   "Host: Echo.example:8080\r\n"
                                   "Content-Length: 3\r\n"
                                   "Connection: close\r\n\r\n");
}

TEST(RequestHead, HostComesFromTheUriAndHopByHopHeadersStayBehind) {
    auto head = RequestHead::parse("GET http://a.example/ HTTP/1.1\r\n"
                                   "Host: b.example\r\n"
                                   "Connection: X-Secret, keep-alive\r\n"
                                   "X-Secret: 1\r\nUpgrade: h2c\r\nTE: trailers\r\n"
                                   "Accept: */*\r\n\r\n");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->forwardHead(), "GET / HTTP/1.1\r\nHost: a.example\r\nAccept: */*\r\n"
                                   "Connection: close\r\n\r\n");
}

TEST(RequestHead, MissingPathAndHostAreSupplied) {
    auto head = RequestHead::parse("GET http://10.1.2.3?x HTTP/1.0\r\n\r\n");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->port, 80);
    EXPECT_EQ(head->forwardHead(),
              "GET /?x HTTP/1.1\r\nHost: 10.1.2.3\r\nConnection: close\r\n\r\n");
}

TEST(RequestHead, ConnectNeedsHostAndPort) {
    auto head = RequestHead::parse("CONNECT ipecho.example:443 HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(head);
    EXPECT_TRUE(head->isConnect());
    EXPECT_EQ(head->host, "ipecho.example");
    EXPECT_EQ(head->port, 443);
    EXPECT_FALSE(RequestHead::parse("CONNECT ipecho.example HTTP/1.1\r\n\r\n"));
    EXPECT_FALSE(RequestHead::parse("CONNECT ipecho.example:0 HTTP/1.1\r\n\r\n"));
    EXPECT_FALSE(RequestHead::parse("CONNECT ipecho.example:65536 HTTP/1.1\r\n\r\n"));
}

TEST(RequestHead, RejectsWhatIsNotAProxyRequest) {
    const char* const bad[] = {
        "GET / HTTP/1.1\r\nHost: a\r\n\r\n",            // origin form: not for a proxy
        "GET https://a/ HTTP/1.1\r\n\r\n",              // no TLS here: that is CONNECT's job
        "GET http://user@a/ HTTP/1.1\r\n\r\n",          // credentials in the address
        "GET http://a b/ HTTP/1.1\r\n\r\n",             // blank inside the target
        "GET http://a/ HTTP/2.0\r\n\r\n",               // unknown version
        "G(T http://a/ HTTP/1.1\r\n\r\n",               // method is no token
        "GET http://a/ HTTP/1.1\r\nNo colon\r\n\r\n",   // header without a name
        "GET http://a/ HTTP/1.1\r\n folded: x\r\n\r\n", // obsolete line folding
        "GET http://a/ HTTP/1.1\r\n",                   // head not complete
        "POST http://a/ HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", // end unknown
        "POST http://a/ HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n",
        "POST http://a/ HTTP/1.1\r\nContent-Length: -1\r\n\r\n",
        "\r\n\r\n",
    };
    for (const char* text : bad)
        EXPECT_FALSE(RequestHead::parse(text)) << text;
    std::string withNul("GET http://a/ HTTP/1.1\r\nX: a\0b\r\n\r\n", 36);
    EXPECT_FALSE(RequestHead::parse(withNul));
}

TEST(Socks5, RequestCarriesTheNameUnresolvedAndAddressesAsSuch) {
    EXPECT_EQ(service::socks5::connectRequest("ab.example", 0x1f90),
              std::string("\x05\x01\x00\x03\x0a"
                          "ab.example\x1f\x90",
                          17));
    EXPECT_EQ(service::socks5::connectRequest("127.0.0.9", 80),
              std::string("\x05\x01\x00\x01\x7f\x00\x00\x09\x00\x50", 10));
    EXPECT_EQ(service::socks5::httpStatusFor(0), 0);
    EXPECT_EQ(service::socks5::httpStatusFor(4), 504);
    EXPECT_EQ(service::socks5::httpStatusFor(5), 502);
}
