#pragma once

#include <boost/beast/http/parser.hpp>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace service {

namespace http = boost::beast::http;

// A body that the parser only measures: the proxy passes a message's body
// on as the bytes it arrived as, and needs the parser for where it ends.
struct MeasuredBody {
    struct value_type {};
    struct reader {
        template <bool isRequest, class Fields>
        reader(http::header<isRequest, Fields>&, value_type&) {}
        void init(const boost::optional<std::uint64_t>&, boost::system::error_code& error) {
            error = {};
        }
        template <class Buffers>
        std::size_t put(const Buffers& buffers, boost::system::error_code& error) {
            error = {};
            return boost::asio::buffer_size(buffers);
        }
        void finish(boost::system::error_code& error) { error = {}; }
    };
};

using RequestParser = http::parser<true, MeasuredBody>;
using ResponseParser = http::parser<false, MeasuredBody>;

// Where a request to the proxy goes: CONNECT's "host:port", or an
// absolute "http://host[:port]/path" of any other method.
struct Target {
    std::string host;
    unsigned short port = 80;
    std::string path; // origin form ("/a?b"); empty for CONNECT

    bool operator==(const Target& other) const { return host == other.host && port == other.port; }
};

// The target of a parsed request head; nothing for one that the proxy
// cannot serve: another form of target, an HTTP version other than 1.0 and
// 1.1, or a body whose end the origin could see elsewhere than the proxy
// (a transfer coding that does not end in "chunked").
std::optional<Target> proxyTarget(const RequestParser::value_type& request);

// Limits a parser's head to `headLimit` bytes and its body not at all. (The
// parser's own "no limit" refuses every body with a length: it compares the
// length against an empty limit.)
template <class Parser> void limitHeadOnly(Parser& parser, std::uint32_t headLimit) {
    parser.header_limit(headLimit);
    parser.body_limit(std::numeric_limits<std::uint64_t>::max());
}

// Gives `parser` what it takes of `bytes` and returns how many it took:
// up to the end of the head while that is incomplete (nothing until all of
// it is there), then up to the end of the message. `error` tells a
// malformed or oversize message.
template <bool isRequest>
std::size_t feed(http::parser<isRequest, MeasuredBody>& parser, std::string_view bytes,
                 boost::system::error_code& error) {
    bool inHead = !parser.is_header_done();
    std::size_t used = 0;
    while (used < bytes.size() && !parser.is_done() && !(inHead && parser.is_header_done())) {
        std::size_t took =
            parser.put(boost::asio::const_buffer(bytes.data() + used, bytes.size() - used), error);
        used += took;
        if (error == http::error::need_more || (!error && took == 0)) {
            error = {};
            break;
        }
        if (error)
            break;
    }
    return used;
}

// The head to send to the origin: origin form, Host written from the
// target, the hop-by-hop headers (and those that Connection names) removed.
std::string originRequestHead(const RequestParser::value_type& request, const Target& target);

// The head to send back to the client, hop-by-hop headers removed, saying
// whether the client connection stays open after the answer.
std::string clientResponseHead(const ResponseParser::value_type& response, bool keepAlive,
                               unsigned clientVersion);

} // namespace service
