#include "service/Socks5.h"

#include <ws2tcpip.h>

namespace service::socks5 {

std::string connectRequest(const std::string& host, unsigned short port) {
    std::string request("\x05\x01\x00", 3);
    in_addr address;
    if (inet_pton(AF_INET, host.c_str(), &address) == 1) {
        request += '\x01';
        request.append(reinterpret_cast<const char*>(&address), 4);
    } else {
        request += '\x03';
        request += static_cast<char>(host.size());
        request += host;
    }
    request += static_cast<char>(port >> 8);
    request += static_cast<char>(port & 0xff);
    return request;
}

int replyRemainder(const unsigned char firstFive[5]) {
    switch (firstFive[3]) {
    case 1:
        return 3 + 2;
    case 3:
        return firstFive[4] + 2;
    case 4:
        return 15 + 2;
    default:
        return -1;
    }
}

int httpStatusFor(unsigned char replyCode) {
    enum { Succeeded = 0, HostUnreachable = 4, TtlExpired = 6 };
    if (replyCode == Succeeded)
        return 0;
    return replyCode == HostUnreachable || replyCode == TtlExpired ? 504 : 502;
}

} // namespace service::socks5
