#pragma once

#include "proxyoptions/ProxyOptions.h"

#include <string>

namespace controller {

// What a Hide or New IP obtained, judged after its probes.
enum class Protection {
    // The connection points at the local proxy and the world sees another
    // address (or none could be told).
    obtained,
    // The connection's options, read back, do not point at the local proxy:
    // the write was refused or went to a connection the browser does not use.
    optionsNotTaken,
    // The world still sees the real address.
    realIpVisible,
};

// `options` are the active connection's options as read back after the
// probes; `realIp` is the address shown as the real one and `answer` the
// probe's. Only a real address on both sides counts as a match: an empty
// answer or "Unable to detect" says nothing about the address.
Protection judgeProtection(const proxyoptions::ConnectionOptions& options,
                           const std::string& realIp, const std::string& answer);

} // namespace controller
