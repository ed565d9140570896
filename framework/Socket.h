#pragma once

#include <winsock2.h>

#include "framework/Handle.h"

namespace framework {

struct SocketTraits {
    static SOCKET invalid() { return INVALID_SOCKET; }
    static void close(SOCKET s) { closesocket(s); }
};
using Socket = UniqueHandle<SocketTraits>;

// Windows Sockets for the lifetime of the object.
class WinsockSession {
public:
    explicit WinsockSession(WORD version = MAKEWORD(2, 2)) {
        WSADATA data;
        ok_ = WSAStartup(version, &data) == 0;
    }
    ~WinsockSession() {
        if (ok_)
            WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

} // namespace framework
