#pragma once

#include "service/MessageParser.h"

#include <optional>
#include <string>

namespace service {

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
std::optional<Target> proxyTarget(const RequestParser& request);

// Whether a request may go again after its connection failed before any
// answer: one without a body, of a method that changes nothing.
bool mayRepeat(const RequestParser& request);

// Whether an answer's end is where the proxy and the client both see it: a
// transfer coding other than chunked beside a length is read as the one by
// some and as the other by others.
bool framingIsClear(const ResponseParser& response);

// The head to send to the origin: origin form, Host written from the
// target, the hop-by-hop headers (and those that Connection names) removed.
std::string originRequestHead(const RequestParser::Head& request, const Target& target);

// The head to send back to the client, hop-by-hop headers removed, saying
// whether the client connection stays open after the answer. `dechunked`:
// the body goes out decoded, so the head no longer says "chunked".
std::string clientResponseHead(const ResponseParser::Head& response, bool keepAlive,
                               unsigned clientVersion, bool dechunked);

} // namespace service
