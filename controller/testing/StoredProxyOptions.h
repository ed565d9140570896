#pragma once

#include <windows.h>

#include <string>

namespace controller_testing {

// A connection's proxy options as the Internet library reports them.
struct StoredProxyOptions {
    DWORD flags = 0;
    std::string server;
    std::string bypass;
};

// Empty options (flags 0) when the library refuses the query.
StoredProxyOptions storedProxyOptions(const std::string& connection);

} // namespace controller_testing
