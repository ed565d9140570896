#pragma once

#include <string>

namespace service {

// The client side of a SOCKS5 CONNECT without authentication, as bytes:
// what to send and how to read the answers.
namespace socks5 {

inline const std::string greeting("\x05\x01\x00", 3);
// The answer that accepts the greeting: version 5, method "no authentication".
inline const std::string greetingAccepted("\x05\x00", 2);

// A CONNECT request: an IPv4 address as such, anything else as a host name
// for the SOCKS server to resolve, so that no name is looked up here.
std::string connectRequest(const std::string& host, unsigned short port);

// How many bytes of the reply follow its first five (version, reply code,
// reserved, address type, first address byte); -1 for an unknown type.
int replyRemainder(const unsigned char firstFive[5]);

// The HTTP status the proxy answers for a reply code: 0 when it succeeded,
// 504 when the target could not be reached in time, 502 otherwise.
int httpStatusFor(unsigned char replyCode);

} // namespace socks5
} // namespace service
