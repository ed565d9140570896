#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace service {

// The head of one request to the proxy: a CONNECT to "host:port", or an
// absolute "http://host[:port]/path" request of any method.
struct RequestHead {
    std::string method;
    std::string host;
    unsigned short port = 80;
    std::string path; // origin form ("/a?b"); empty for CONNECT
    std::vector<std::pair<std::string, std::string>> headers;
    // The length of the request's body (Content-Length; 0 without one).
    std::uint64_t bodyLength = 0;

    bool isConnect() const { return method == "CONNECT"; }

    // Parses a head that ends with its empty line (CR LF CR LF); nothing
    // for anything that is not a well-formed proxy request, and for a body
    // whose end cannot be known from a single Content-Length (a
    // Transfer-Encoding, a repeated or malformed length), since the proxy
    // must never pass the bytes after a request to its origin.
    static std::optional<RequestHead> parse(std::string_view text);

    // The head to send to the target server: origin form, Host written
    // from the request's URI, hop-by-hop headers (and those that
    // Connection names) removed, one request per connection.
    std::string forwardHead() const;
};

} // namespace service
